// Changing a stored message: the save actions that build the rewritten text in the message's
// Reescrito buffer, and what the .dbx write-back needs of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "api/orvex.h"

namespace orvex {
class CL_BUFFER_FLUJO;
}

namespace orvex::oe5 {

// One save action on the part the object has just handed out. Keeping (0) only moves PosCopia
// while a rewrite is under way; renaming (1), removing (2) and replacing (3) splice the change
// into Reescrito and leave Modificado 1. A refused or failed action gives 1 and Modificado 0,
// with Reescrito's contents as they were; 8 when Reescrito cannot be made. An object that does
// not belong to the message gives 7. Values above 3 do nothing.
uint32_t AplicarAccion(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion);

// The name a renamed attachment gets: "virus.exe" -> "virus_exe.VIR", "README" -> "README_.VIR".
// Folders and drive are dropped, and quotes and line ends become '_' so the header stays whole.
std::string NombreVir(std::string_view nombre);

// The rewritten text of a message, or null.
CL_BUFFER_FLUJO* ReescritoDe(const OE_MENSAJE* mensaje);
// Destroys Reescrito and clears the pointer. Whoever releases a message record calls this, so
// that a rewrite abandoned before its write-back is not left behind.
void LiberarReescrito(OE_MENSAJE* mensaje);

}  // namespace orvex::oe5
