#include "api/estado.h"

#include <cstring>

#include "almacen_imn/imn.h"
#include "almacen_oe4/oe4.h"
#include "almacen_oe5/oe5.h"
#include "plataforma/valor_registro.h"

namespace orvex {

const Generacion* const kGeneraciones[kNumGeneraciones] = {&oe5::kGeneracion, &oe4::kGeneracion,
                                                           &imn::kGeneracion};

uint32_t DetectarVersion() {
  char version[256];
  std::memset(version, 0, sizeof version);
  uint32_t resultado = VERSION_NINGUNA;
  if (plataforma::LeerValorRegistro(plataforma::Raiz::kLocalMachine,
                                    "Software\\Microsoft\\Outlook Express\\Version Info", "Current", version,
                                    sizeof version)) {
    resultado = (version[0] == '5' || version[0] == '6') ? VERSION_OE5 : VERSION_OE4;
  } else {
    for (const Generacion* generacion : kGeneraciones) {
      if (generacion->Detectar != nullptr && generacion->Detectar()) {
        resultado = generacion->version;
        break;
      }
    }
  }
  VersionOE = resultado;
  return resultado;
}

}  // namespace orvex
