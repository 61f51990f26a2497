#include <cstring>
#include <string>

#include "almacen_oe4/oe4.h"
#include "plataforma/plataforma.h"
#include "plataforma/valor_registro.h"
#include "soporte/texto.h"

namespace orvex::oe4 {

uint32_t RutaFoldersNch(char* buffer) {
  constexpr uint32_t kCapacidad = 260;
  if (!plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Outlook Express", "Store Root",
                         buffer, kCapacidad)) {
    buffer[0] = '\0';
    return 0;
  }
  std::string ruta = buffer;
  if (!ruta.empty() && ruta[0] == '%') ruta = plataforma::ExpandirEntorno(ruta);
  if (ruta.empty() || ruta.back() != '\\') ruta += '\\';
  ruta += "mail\\folders.nch";
  // The store exists, but a path that does not fit would name another file: leave it empty.
  if (ruta.size() >= kCapacidad) ruta.clear();
  CopiarAcotado(buffer, ruta.c_str(), kCapacidad);
  return 1;
}

}  // namespace orvex::oe4
