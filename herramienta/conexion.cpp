#include "herramienta/conexion.h"

namespace orvex::herramienta {

std::optional<DestinoRed> LeerDestino(std::string_view texto, std::string* error) {
  DestinoRed d;
  if (texto.starts_with("unix:")) {
    d.ruta = texto.substr(5);
    if (d.ruta.empty()) {
      *error = "unix: needs the socket's path, as unix:/run/clamav/clamd.ctl";
      return std::nullopt;
    }
    return d;
  }
  if (!texto.starts_with("tcp:")) {
    *error = "expected unix:PATH or tcp:HOST:PORT, got \"" + std::string(texto) + "\"";
    return std::nullopt;
  }
  texto.remove_prefix(4);
  const std::size_t corte = texto.rfind(':');
  d.local = false;
  if (corte != std::string_view::npos) {
    d.anfitrion = texto.substr(0, corte);
    d.puerto = texto.substr(corte + 1);
  }
  if (d.anfitrion.size() >= 2 && d.anfitrion.front() == '[' && d.anfitrion.back() == ']') {
    d.anfitrion = d.anfitrion.substr(1, d.anfitrion.size() - 2);
  }
  bool numero = !d.puerto.empty() && d.puerto.size() <= 5;
  for (char c : d.puerto) numero = numero && c >= '0' && c <= '9';
  if (d.anfitrion.empty() || !numero || std::stoul(d.puerto) == 0 || std::stoul(d.puerto) > 65535) {
    *error = "tcp: needs a host and a port from 1 to 65535, as tcp:127.0.0.1:3310";
    return std::nullopt;
  }
  return d;
}

}  // namespace orvex::herramienta
