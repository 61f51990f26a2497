// Placeholder until this store's folders and messages land: every operation fails cleanly.
#include "almacen_oe4/oe4.h"

namespace orvex::oe4 {

uint32_t ObtenerCarpetas(OE_CARPETA**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerCarpetasPrincipales(OE_CARPETA**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerSubCarpetas(OE_CARPETA*, OE_CARPETA**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID*, OE_CARPETA**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerMensajes(OE_CARPETA*, OE_MENSAJE**, uint32_t) { return OE_ERROR; }
uint32_t ObtenerUnMensajeMail(OE_CARPETA*, OE_MENSAJE**) { return OE_ERROR; }
uint32_t PosicionarMensaje(const OE_REF_ADJUNTO*, OE_CARPETA*, OE_MENSAJE*) { return OE_ERROR; }
uint32_t Guardar(OE_MENSAJE*, OE_OBJMSG*, uint32_t) { return OE_ERROR; }
uint32_t Reescribir(OE_MENSAJE*, uint32_t) { return OE_ERROR; }

}  // namespace orvex::oe4
