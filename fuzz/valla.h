// The fence around a write-back: which bytes of a store file the rewrite of one message may
// change, worked out from the file before the rewrite by a reader of its own (small, strict,
// sharing nothing with the library's readers but the format constants). After the rewrite, a
// changed byte outside the fence, or a listing that lost or gained another message, is silent
// damage that no sanitizer sees. The fuzz targets and the rewrite suites' fault loops use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/orvex.h"

namespace orvex::fuzz {

using Bytes = std::vector<uint8_t>;

class Valla {
 public:
  // The largo bytes from inicio may change (largo may run past any end).
  void Permitir(uint64_t inicio, uint64_t largo);
  void PermitirDesde(uint64_t inicio) { Permitir(inicio, UINT64_MAX - inicio); }
  // The first byte of despues that differs from antes outside the fence (a byte only one of
  // them has counts as differing); -1 when there is none.
  int64_t PrimerCambioFuera(const Bytes& antes, const Bytes& despues) const;

 private:
  bool Dentro(uint64_t pos) const;
  std::vector<std::pair<uint64_t, uint64_t>> tramos_;  // [inicio, fin)
};

// Outlook Express 5/6: the rooms (head and capacity) of the message's text chain at
// primer_bloque, only when the chain's blocks lie inside the file, do not overlap, and hold
// exactly texto; otherwise nothing may change.
Valla VallaDbx(const Bytes& dbx, uint32_t primer_bloque, std::string_view texto);

// An .idx/.mbx mailbox pair (Outlook Express 4 mail, Internet Mail and News): in the index its
// counters, the tail from where its header says the records end, and the record's dead mark
// (largo_marca bytes at its start, when the record at pos_registro names itself); in the
// mailbox its counters and what is appended past its end.
Valla VallaIdx(const Bytes& idx, uint32_t pos_registro, uint32_t largo_marca);
Valla VallaMbx(const Bytes& mbx);
// Outlook Express 4 folders.nch: the byte counters of the folder record at pos_carpeta.
Valla VallaFoldersNch(const Bytes& nch, uint32_t pos_carpeta);
// Outlook Express 4 news group file: the text counter of the header, the article item's
// length, and the rooms of the article's block chain up to its end or its first unsound block.
Valla VallaGrupoNch(const Bytes& nch, uint32_t pos_item, uint32_t primer_bloque);

// A file a rewrite may change: its bytes before and its fence.
struct ArchivoVallado {
  std::string ruta;
  Bytes antes;
  Valla valla;
};
// The files the rewrite of the listed message m may change, with their fences, per store.
std::vector<ArchivoVallado> VallasDbx(const OE_MENSAJE& m);
std::vector<ArchivoVallado> VallasCorreoOe4(const OE_MENSAJE& m);
std::vector<ArchivoVallado> VallasGrupoOe4(const OE_MENSAJE& m);
std::vector<ArchivoVallado> VallasImn(const OE_MENSAJE& m);
// "file at offset" of the first byte changed outside its fence; empty when there is none.
std::string CambioFuera(const std::vector<ArchivoVallado>& archivos);

// A message a folder lists whole (result 0): its id and its text.
struct Listado {
  uint32_t id;
  std::string texto;
  auto operator<=>(const Listado&) const = default;
};
// The messages a folder lists whole, in listing order, at most 2000 steps.
std::vector<Listado> MensajesListados(uint32_t id_carpeta, uint32_t pos_carpeta);
// True when despues lists every message of antes but the one at posicion, each with its text,
// and exactly one message more: that one as it was or as rewritten (in place or as a copy).
bool MismosOtros(const std::vector<Listado>& antes, std::size_t posicion, const std::vector<Listado>& despues);

// Whole content of a store file (a path as the exports give it); empty when it cannot be read.
Bytes LeerArchivo(const std::string& ruta);

}  // namespace orvex::fuzz
