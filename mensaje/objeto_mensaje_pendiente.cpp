// Placeholder until the message object lands: every operation reports failure cleanly.
#include "mensaje/objeto_mensaje.h"

namespace orvex::mensaje {

uint32_t ObtenerObjMsg(OE_MENSAJE*, OE_OBJMSG**, uint32_t) { return OE_ERROR; }
void RefrescarAsunto(OE_MENSAJE*) {}
uint32_t ObtenerDestinoMsg(OE_MENSAJE*, OE_DESTINO**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerAttachMensaje(OE_REF_ADJUNTO*, OE_MENSAJE**, OE_OBJMSG**, uint32_t) { return OE_ERROR; }

}  // namespace orvex::mensaje
