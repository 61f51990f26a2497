// The save actions on the part a message object has just handed out: each is planned as edits
// of the stored text, checked against the part, and spliced into the message's Reescrito.
#pragma once

#include <cstdint>

#include "api/orvex.h"

namespace orvex::mensaje {

// What an action that gives 1 does to a rewrite under way.
enum class TrasFallo {
  kAbandonar,  // Modificado 0: nothing is written back for this message
  kConservar,  // Modificado as it was: the earlier changes are still written back
};

// One save action on the part the object has just handed out. Keeping (0) only moves PosCopia
// while a rewrite is under way; renaming (1), removing (2) and replacing (3) splice the change
// into Reescrito and leave Modificado 1. A refused or failed action gives 1, with Reescrito's
// contents as they were and Modificado as tras_fallo says; 8 when Reescrito cannot be made
// (Modificado 0). An object that does not belong to the message gives 7. Values above 3 do
// nothing.
uint32_t AplicarAccion(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion,
                       TrasFallo tras_fallo = TrasFallo::kAbandonar);

}  // namespace orvex::mensaje
