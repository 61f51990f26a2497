#include "herramienta/maildir.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "herramienta/sanear.h"
#include "herramienta/sistema.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;

std::string NombreMaildir(int64_t segundos, uint32_t microsegundos, uint64_t proceso, uint64_t cuenta,
                          std::string_view maquina) {
  std::string host;
  for (char c : maquina) {
    if (c == '/') {
      host += "\\057";
    } else if (c == ':') {
      host += "\\072";
    } else {
      host += c;
    }
  }
  if (host.empty()) host = "localhost";
  return std::to_string(segundos) + ".M" + std::to_string(microsegundos) + "P" + std::to_string(proceso) + "Q" +
         std::to_string(cuenta) + "." + host;
}

std::string TextoMaildir(std::string_view texto) {
  std::string r;
  r.reserve(texto.size());
  for (std::size_t i = 0; i < texto.size(); ++i) {
    if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') continue;
    r += texto[i];
  }
  return r;
}

std::optional<fs::path> EntregarMaildir(const fs::path& maildir, std::string_view texto, int64_t segundos) {
  static uint64_t entregas = 0;
  std::error_code ec;
  for (const char* sub : {"cur", "new", "tmp"}) fs::create_directories(maildir / sub, ec);
  const std::string maquina = NombreMaquina();
  for (int intento = 0; intento < 100; ++intento) {
    const auto ahora = std::chrono::system_clock::now().time_since_epoch();
    const auto micro = std::chrono::duration_cast<std::chrono::microseconds>(ahora).count() % 1000000;
    const std::string nombre =
        NombreMaildir(segundos, static_cast<uint32_t>(micro), IdProceso(), ++entregas, maquina);
    const fs::path temporal = maildir / "tmp" / nombre;
    const fs::path final = maildir / "cur" / (nombre + ":2,");
    if (fs::exists(fs::symlink_status(final, ec))) continue;
    bool existe = false;
    ArchivoSalida f(CrearExclusivo(temporal, &existe));
    if (!f) {
      if (existe) continue;
      return std::nullopt;
    }
    const bool escrito = std::fwrite(texto.data(), 1, texto.size(), f.get()) == texto.size() &&
                         std::fflush(f.get()) == 0;
    f.reset();
    if (escrito) fs::rename(temporal, final, ec);
    if (!escrito || ec) {
      fs::remove(temporal, ec);
      return std::nullopt;
    }
    return final;
  }
  return std::nullopt;
}

}  // namespace orvex::herramienta
