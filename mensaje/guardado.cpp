#include "mensaje/guardado.h"

#include "almacen_imn/imn.h"
#include "almacen_oe4/oe4.h"
#include "almacen_oe5/oe5.h"
#include "api/estado.h"
#include "plataforma/plataforma.h"

namespace orvex::mensaje {

uint32_t HayEspacioLibre(const OE_MENSAJE* mensaje) {
  const uint64_t necesario = static_cast<uint64_t>(mensaje->TamMsg) + 500u;
  const auto libre = plataforma::EspacioLibre(mensaje->RutaIndice);
  if (!libre) return 0;
  if ((*libre >> 32) != 0) return 1;
  return *libre >= necesario ? 1 : 0;
}

uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) {
  if (!HayEspacioLibre(mensaje)) {
    mensaje->Modificado = 0;
    return OE_SIN_MENSAJES;
  }
  switch (VersionOE) {
    case VERSION_OE5:
      return oe5::Guardar(mensaje, objeto, accion);
    case VERSION_OE4:
      return oe4::Guardar(mensaje, objeto, accion);
    case VERSION_IMN:
      return imn::Guardar(mensaje, objeto, accion);
    default:
      return OE_ERROR;
  }
}

uint32_t DespacharReescritura(OE_MENSAJE* mensaje, uint32_t tamano) {
  switch (VersionOE) {
    case VERSION_OE5:
      return oe5::Reescribir(mensaje, tamano);
    case VERSION_OE4:
      return oe4::Reescribir(mensaje, tamano);
    case VERSION_IMN:
      return imn::Reescribir(mensaje, tamano);
    default:
      return OE_ERROR;
  }
}

uint32_t TamanoRegistro(const OE_MENSAJE* mensaje) {
  return mensaje->FinRegistro > mensaje->PosRegistro ? mensaje->FinRegistro - mensaje->PosRegistro : 0;
}

}  // namespace orvex::mensaje
