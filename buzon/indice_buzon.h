// What an index and its mailbox must be before a rewritten message is appended to them (the
// Outlook Express 4 and Internet Mail and News stores share the .idx/.mbx layout).
#pragma once

#include <cstdint>

#include "soporte/archivo_acotado.h"

namespace orvex::buzon {

// How a store's index records are sized: a fixed head of at least largo_minimo bytes, plus,
// when largo_entrada is not 0, as many entries of that size as the word at pos_num_entradas
// says; marca_muerto is the bit of the first word that takes a record out of the listing.
struct FormaRegistro {
  uint32_t largo_minimo;
  uint32_t pos_num_entradas;
  uint32_t largo_entrada;
  uint32_t marca_muerto;
};

// True when the records from the end of the index header reach fin_registros one after
// another, each naming its own offset, and every live record's block (its head and the text
// its head declares) lies inside the mailbox. Otherwise a copy written at fin_registros would
// be out of the listing's reach, or a block that runs past the mailbox's end would take the
// appended copy's bytes as its own.
bool IndiceCubiertoPorBuzon(const ArchivoAcotado& idx, uint32_t fin_registros, const ArchivoAcotado& mbx,
                            const FormaRegistro& forma);

}  // namespace orvex::buzon
