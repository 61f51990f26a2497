// Placeholder until this store's folders and messages land: every operation fails cleanly.
#include "almacen_imn/imn.h"

namespace orvex::imn {

uint32_t ObtenerCarpetas(OE_CARPETA**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID*, OE_CARPETA**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerMensajes(OE_CARPETA*, OE_MENSAJE**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerObjMsg(OE_MENSAJE*, OE_OBJMSG**, uint32_t) { return OE_ERROR; }
uint32_t Guardar(OE_MENSAJE*, OE_OBJMSG*, uint32_t) { return OE_ERROR; }
uint32_t Reescribir(OE_MENSAJE*, uint32_t) { return OE_ERROR; }

}  // namespace orvex::imn
