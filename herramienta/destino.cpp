#include "herramienta/destino.h"

#include <system_error>

#include "herramienta/salida.h"
#include "herramienta/sanear.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;

bool CrearSalida(const std::string& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec)) {
    Error("cannot create the output folder " + dir);
    return false;
  }
  return true;
}

fs::path CarpetaSalida(const fs::path& base, const CarpetaVista& c) {
  fs::path p = base;
  std::size_t inicio = 0;
  while (inicio <= c.ruta.size()) {
    std::size_t fin = c.ruta.find('/', inicio);
    if (fin == std::string::npos) fin = c.ruta.size();
    p /= NombreRuta(SanearNombre(AUtf8(c.ruta.substr(inicio, fin - inicio)), "folder"));
    inicio = fin + 1;
  }
  return p;
}

bool EscribirTodo(std::FILE* f, std::string_view datos) {
  return std::fwrite(datos.data(), 1, datos.size(), f) == datos.size();
}

}  // namespace orvex::herramienta
