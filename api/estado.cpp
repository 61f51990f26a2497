#include "api/estado.h"

#include <cstring>

#include "almacen_imn/imn.h"
#include "almacen_oe4/oe4.h"

namespace orvex {

uint32_t VersionOE = VERSION_NINGUNA;
char IdentidadActual[256] = {};
void* ModuloInstancia = nullptr;

uint32_t LeerValorRegistro(plataforma::Raiz raiz, const char* clave, const char* valor, void* buffer,
                           uint32_t capacidad) {
  auto abierta = plataforma::ClaveRegistro::Abrir(raiz, clave);
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

uint32_t DetectarVersion() {
  char version[256];
  std::memset(version, 0, sizeof version);
  uint32_t resultado;
  if (LeerValorRegistro(plataforma::Raiz::kLocalMachine, "Software\\Microsoft\\Outlook Express\\Version Info",
                        "Current", version, sizeof version)) {
    resultado = (version[0] == '5' || version[0] == '6') ? VERSION_OE5 : VERSION_OE4;
  } else {
    char trabajo[260];
    if (oe4::RutaFoldersNch(trabajo) == 1) {
      resultado = VERSION_OE4;
    } else if (imn::ObtenerRaizIMN(trabajo) == 0) {
      resultado = VERSION_IMN;
    } else {
      resultado = VERSION_NINGUNA;
    }
  }
  VersionOE = resultado;
  return resultado;
}

}  // namespace orvex
