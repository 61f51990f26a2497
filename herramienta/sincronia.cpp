#include "herramienta/sincronia.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "herramienta/resumen.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;

ExportadosPrevios::ExportadosPrevios(const fs::path& carpeta, bool maildir) {
  std::vector<fs::path> dirs;
  if (maildir) {
    dirs = {carpeta / "cur", carpeta / "new"};
  } else {
    dirs = {carpeta};
  }
  for (const fs::path& d : dirs) {
    std::error_code ec;
    for (fs::directory_iterator i(d, ec), fin; !ec && i != fin; i.increment(ec)) {
      // Links are not followed: --delete removes only what an export could have written.
      if (!i->is_regular_file(ec) || i->is_symlink(ec)) continue;
      if (!maildir && i->path().extension() != ".eml") continue;
      std::ifstream f(i->path(), std::ios::binary);
      const std::string texto((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      if (f.bad()) continue;
      archivos_[{texto.size(), ResumenMd5(texto)}].push_back(i->path());
    }
  }
  for (auto& [clave, rutas] : archivos_) std::sort(rutas.begin(), rutas.end(), std::greater<>());
}

bool ExportadosPrevios::Tomar(std::string_view texto, fs::path* archivo) {
  if (archivos_.empty()) return false;
  const auto i = archivos_.find({texto.size(), ResumenMd5(texto)});
  if (i == archivos_.end() || i->second.empty()) return false;
  *archivo = i->second.back();
  i->second.pop_back();
  return true;
}

std::vector<fs::path> ExportadosPrevios::Sobrantes() const {
  std::vector<fs::path> r;
  for (const auto& [clave, rutas] : archivos_) r.insert(r.end(), rutas.begin(), rutas.end());
  std::sort(r.begin(), r.end());
  return r;
}

}  // namespace orvex::herramienta
