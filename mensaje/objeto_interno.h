// The three steps of the message object, for the operations that drive an object themselves
// (reopening a part from a reference) and for tests.
#pragma once

#include <cstdint>

#include "api/orvex.h"

namespace orvex {
class CL_ANALIZADOR_MIME;
class CL_SALIDA_PARTE;
}  // namespace orvex

namespace orvex::mensaje {

// Mode 1: a new object positioned before the first part. 8 (and *objeto null) when the
// record, its parser or its part output cannot be made.
uint32_t AbrirObjeto(OE_MENSAJE* mensaje, OE_OBJMSG** objeto);
// What a store with a message object of its own changes in the part handout.
struct ReglasObjeto {
  // The next scan starts with the line that closed a part, not after it.
  bool releer_cierre = false;
  // The write-back at the end gets the record size taken when the object was opened.
  bool registro_del_objeto = false;
  // Called for every part handed out.
  void (*AlEntregar)(OE_MENSAJE& mensaje) = nullptr;
  // The write-back at the end; null: the generation in force's.
  uint32_t (*Reescribir)(OE_MENSAJE* mensaje, uint32_t tamano) = nullptr;
};

// Mode 2 on a checked object: 0 with the next part handed out, or 2 after the object was
// destroyed at the end of the text (and the message written back when it was modified).
uint32_t SiguienteParte(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, const ReglasObjeto& reglas = {});
// Mode 3 on a checked object: destroys it without any write-back. 0.
uint32_t CerrarObjeto(OE_OBJMSG** objeto);

// What an object owns, as the record keeps it.
CL_ANALIZADOR_MIME* AnalizadorDe(const OE_OBJMSG* objeto);
CL_SALIDA_PARTE* SalidaDe(const OE_OBJMSG* objeto);

}  // namespace orvex::mensaje
