// The kind of a mail file by its signature words.
#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe5/formato_dbx.h"
#include "recuperacion/recuperacion.h"
#include "soporte/bytes.h"

namespace orvex::recuperacion {

TipoArchivo Reconocer(std::span<const uint8_t> archivo) {
  if (archivo.size() < 8) return TipoArchivo::kOtro;
  const uint32_t f0 = Le32(archivo.data()), f1 = Le32(archivo.data() + 4);
  if (f0 == dbx::kFirma0 && f1 == dbx::kFirmaMensajes) return TipoArchivo::kDbxMensajes;
  if (f0 == oe4fmt::kFirmaMbx) return TipoArchivo::kMbx;
  return TipoArchivo::kOtro;
}

}  // namespace orvex::recuperacion
