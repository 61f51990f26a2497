#include "herramienta/conexion.h"

// The Windows build has no socket layer yet: --clamd says so and the other scanners remain.
namespace orvex::herramienta {

std::optional<Conexion> Conexion::Abrir(const DestinoRed&, int, std::string* error) {
  *error = "connections to a daemon are not available in the Windows build";
  return std::nullopt;
}
Conexion::Conexion(Conexion&& otra) noexcept : enchufe_(otra.enchufe_), segundos_(otra.segundos_) {
  otra.enchufe_ = -1;
}
Conexion& Conexion::operator=(Conexion&& otra) noexcept {
  enchufe_ = otra.enchufe_;
  segundos_ = otra.segundos_;
  otra.enchufe_ = -1;
  return *this;
}
Conexion::~Conexion() = default;
void Conexion::Cerrar() { enchufe_ = -1; }
bool Conexion::Enviar(std::string_view, std::string* error) {
  *error = "not available";
  return false;
}
bool Conexion::HayRespuesta() { return false; }
bool Conexion::RecibirHasta(char, std::size_t, std::string*, std::string* error) {
  *error = "not available";
  return false;
}

}  // namespace orvex::herramienta
