// --image in a build without The Sleuth Kit: the option is refused with the reason.
#include <iostream>

#include "herramienta/imagen.h"
#include "herramienta/usuarios.h"

namespace orvex::herramienta {

bool ImagenPermite(const Opciones& o, bool, bool) {
  if (o.imagen.empty() && o.particion == 0) return true;
  std::cerr << "orvex: this orvex was built without disk image support (The Sleuth Kit)\n";
  return false;
}

bool AbrirImagen(const Opciones&) { return false; }
std::optional<AlmacenReconocido> AlmacenEnImagen(const std::string&) { return std::nullopt; }
std::vector<AlmacenReconocido> AlmacenesEnImagen() { return {}; }
bool UsuariosEnImagen(const Opciones&) { return false; }
int OrdenBuscarImagen(const Opciones&) { return kSalidaError; }
nlohmann::ordered_json ConOrigen(nlohmann::ordered_json j, const std::string&) { return j; }
#ifdef ORVEX_CON_COLMENA
std::optional<VolumenWindows> ExplorarImagen(const Opciones&, std::string* error) {
  *error = "this orvex was built without disk image support (The Sleuth Kit)";
  return std::nullopt;
}
#endif

}  // namespace orvex::herramienta
