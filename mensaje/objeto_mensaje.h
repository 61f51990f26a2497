// The message object shared by the .dbx and Outlook Express 4 stores, and the operations
// that scan a message text the same way (destinations, reopening a part, subject refresh).
#pragma once

#include <cstdint>

#include "api/orvex.h"

namespace orvex::mensaje {

// OE_ObtenerObjMsg after the message's record check: open (1), next part (2), close (3).
uint32_t ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo);

// Refreshes Asunto from the message's own headers after a listing moved to it.
void RefrescarAsunto(OE_MENSAJE* mensaje);

// OE_ObtenerDestinoMsg after the message's checks (record, Texto).
uint32_t ObtenerDestinoMsg(OE_MENSAJE* mensaje, OE_DESTINO** destino, uint32_t modo);

// OE_ObtenerAttachMensaje: reopen (1) or close (3) a part from a kept reference.
uint32_t ObtenerAttachMensaje(OE_REF_ADJUNTO* referencia, OE_MENSAJE** mensaje, OE_OBJMSG** objeto,
                              uint32_t modo);

}  // namespace orvex::mensaje
