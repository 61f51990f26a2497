#include "plataforma/valor_registro.h"

namespace orvex::plataforma {

uint32_t LeerValorRegistro(Raiz raiz, const char* clave, const char* valor, void* buffer, uint32_t capacidad) {
  auto abierta = ClaveRegistro::Abrir(raiz, clave);
  if (!abierta || buffer == nullptr || capacidad == 0) return 0;
  uint32_t tamano = 0;
  if (!abierta->ConsultarValor(valor, &tamano)) return 0;
  // A value longer than the caller's buffer counts as absent: a cut store root would name
  // another folder. One that fills it exactly still ends in a NUL.
  if (tamano > capacidad) return 0;
  const uint32_t copiar = tamano < capacidad ? tamano : capacidad - 1;
  uint32_t leidos = 0;
  abierta->LeerValor(valor, buffer, copiar, &leidos);
  static_cast<char*>(buffer)[leidos < copiar ? leidos : copiar] = '\0';
  return 1;
}

}  // namespace orvex::plataforma
