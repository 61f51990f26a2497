#include "mensaje/guardado.h"

#include "nucleo/estado.h"
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
  return EnCurso(&Generacion::Guardar, mensaje, objeto, accion);
}

uint32_t DespacharReescritura(OE_MENSAJE* mensaje, uint32_t tamano) {
  return EnCurso(&Generacion::Reescribir, mensaje, tamano);
}

uint32_t TamanoRegistro(const OE_MENSAJE* mensaje) {
  return mensaje->FinRegistro > mensaje->PosRegistro ? mensaje->FinRegistro - mensaje->PosRegistro : 0;
}

}  // namespace orvex::mensaje
