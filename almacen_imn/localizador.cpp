#include <string>

#include "almacen_imn/imn.h"
#include "plataforma/plataforma.h"
#include "plataforma/valor_registro.h"
#include "soporte/texto.h"

namespace orvex::imn {

uint32_t ObtenerRaizIMN(char* buffer) {
  constexpr uint32_t kCapacidad = 260;
  if (!plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Internet Mail and News",
                         "Store Root", buffer, kCapacidad)) {
    buffer[0] = '\0';
    return 1;
  }
  std::string ruta = buffer;
  if (ruta.empty() || ruta.back() != '\\') ruta += '\\';
  ruta += "Mail";
  // A directory that does not fit would name another one: no store can be found there.
  if (ruta.size() >= kCapacidad) {
    buffer[0] = '\0';
    return 1;
  }
  CopiarAcotado(buffer, ruta.c_str(), kCapacidad);
  return 0;
}

}  // namespace orvex::imn
