#include "herramienta/sanear.h"

#include <array>
#include <cctype>
#include <cstring>
#include <system_error>

#include "herramienta/sistema.h"

namespace orvex::herramienta {
namespace {

// Extensions longer than this are cut with the rest of an overlong name.
constexpr std::size_t kMaximoExtension = 16;
// Beyond this many candidates a folder full of look-alikes is treated as a failure.
constexpr unsigned kMaximoIntentos = 10000;

bool EsSeparador(char c) { return c == '/' || c == '\\'; }

bool EsRechazadoPorWindows(unsigned char c) {
  return c < 0x20 || c == 0x7F || std::strchr("<>:\"|?*", c) != nullptr;
}

std::string Mayusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

// Windows opens a device for these stems whatever extension follows.
bool EsNombreReservado(std::string_view nombre) {
  std::string_view raiz = nombre.substr(0, nombre.find('.'));
  while (!raiz.empty() && raiz.back() == ' ') raiz.remove_suffix(1);
  const std::string m = Mayusculas(raiz);
  static constexpr std::array<const char*, 6> kFijos = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* f : kFijos) {
    if (m == f) return true;
  }
  if (m.size() == 4 && (m.compare(0, 3, "COM") == 0 || m.compare(0, 3, "LPT") == 0)) {
    const unsigned char d = static_cast<unsigned char>(m[3]);
    // The superscript digits of the ANSI code page count as well.
    return (d >= '1' && d <= '9') || d == 0xB9 || d == 0xB2 || d == 0xB3;
  }
  return false;
}

void QuitarBordes(std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == '.' || s[i] == ' ')) ++i;
  s.erase(0, i);
  while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
}

// Never leaves half of a UTF-8 sequence at the cut.
std::size_t CorteSeguro(const std::string& s, std::size_t n) {
  if (n >= s.size()) return s.size();
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

}  // namespace

std::string SanearNombre(std::string_view nombre, std::string_view respaldo) {
  std::size_t i = nombre.size();
  while (i > 0 && !EsSeparador(nombre[i - 1])) --i;
  std::string_view base = nombre.substr(i);
  if (base.size() >= 2 && std::isalpha(static_cast<unsigned char>(base[0])) && base[1] == ':') {
    base.remove_prefix(2);
  }

  std::string r;
  r.reserve(base.size());
  for (char c : base) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) continue;
    r += EsRechazadoPorWindows(u) ? '_' : c;
  }
  QuitarBordes(r);
  // Not insert(0, ...): GCC 12 at -O3 warns falsely about it (-Wrestrict) in the i686 build.
  if (EsNombreReservado(r)) r = "_" + r;

  if (r.size() > kMaximoNombre) {
    std::string extension;
    const std::size_t punto = r.rfind('.');
    if (punto != std::string::npos && punto > 0 && r.size() - punto <= kMaximoExtension) {
      extension = r.substr(punto);
    }
    std::string raiz = r.substr(0, CorteSeguro(r, kMaximoNombre - extension.size()));
    QuitarBordes(raiz);
    r = raiz + extension;
    QuitarBordes(r);
  }
  if (r.empty()) return std::string(respaldo);
  return r;
}

std::string NombreNumerado(const std::string& nombre, unsigned n) {
  if (n <= 1) return nombre;
  const std::size_t punto = nombre.rfind('.');
  const std::string sufijo = " (" + std::to_string(n) + ")";
  if (punto == std::string::npos || punto == 0) return nombre + sufijo;
  return nombre.substr(0, punto) + sufijo + nombre.substr(punto);
}

std::filesystem::path NombreRuta(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextoRuta(const std::filesystem::path& ruta) {
  const std::u8string u = ruta.u8string();
  return std::string(u.begin(), u.end());
}

namespace {

// Tries the sanitised name, then "name (2).ext", "name (3).ext"...: crear(name) answers
// whether it made the file, found the name taken, or failed. The name found, or empty.
template <typename Crear>
std::optional<std::filesystem::path> PrimerNombreLibre(std::string_view nombre, std::string_view respaldo,
                                                       Crear crear) {
  const std::string limpio = SanearNombre(nombre, SanearNombre(respaldo, "adjunto"));
  for (unsigned n = 1; n <= kMaximoIntentos; ++n) {
    const std::filesystem::path candidato = NombreRuta(NombreNumerado(limpio, n));
    // The name is a single component, so the file can only land directly in the folder.
    if (candidato.has_parent_path() || candidato != candidato.filename()) return std::nullopt;
    switch (crear(candidato)) {
      case CarpetaDestino::Resultado::kCreado: return candidato;
      case CarpetaDestino::Resultado::kExiste: continue;
      case CarpetaDestino::Resultado::kFallo: return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ArchivoCreado> CrearArchivoUnico(const std::filesystem::path& carpeta, std::string_view nombre,
                                               std::string_view respaldo) {
  std::FILE* f = nullptr;
  const std::optional<std::filesystem::path> hecho =
      PrimerNombreLibre(nombre, respaldo, [&](const std::filesystem::path& candidato) {
        bool existe = false;
        f = CrearExclusivo(carpeta / candidato, &existe);
        if (f != nullptr) return CarpetaDestino::Resultado::kCreado;
        return existe ? CarpetaDestino::Resultado::kExiste : CarpetaDestino::Resultado::kFallo;
      });
  if (!hecho) return std::nullopt;
  return ArchivoCreado{carpeta / *hecho, ArchivoSalida(f)};
}

std::optional<std::filesystem::path> EscribirArchivoUnico(const CarpetaDestino& carpeta, std::string_view nombre,
                                                          std::string_view respaldo, std::string_view datos,
                                                          std::optional<int64_t> segundos) {
  const std::optional<std::filesystem::path> hecho =
      PrimerNombreLibre(nombre, respaldo, [&](const std::filesystem::path& candidato) {
        return carpeta.Crear(candidato, datos, segundos);
      });
  if (!hecho) return std::nullopt;
  return carpeta.Ruta() / *hecho;
}

}  // namespace orvex::herramienta
