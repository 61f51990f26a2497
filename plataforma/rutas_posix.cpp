#include "plataforma/rutas_posix.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace orvex::plataforma::rutas {
namespace {

char Mayuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IgualSinCaso(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Mayuscula(a[i]) != Mayuscula(b[i])) return false;
  }
  return true;
}

bool EsSeparador(char c) { return c == '\\' || c == '/'; }

bool Existe(const std::string& ruta) {
  struct stat st;
  return ::stat(ruta.c_str(), &st) == 0;
}

struct CerrarDir {
  void operator()(DIR* d) const { ::closedir(d); }
};

// The entry of carpeta whose name equals nombre without regard to case; when several do,
// the smallest in byte order, so the choice is stable.
std::optional<std::string> BuscarSinCaso(const std::string& carpeta, std::string_view nombre) {
  std::unique_ptr<DIR, CerrarDir> dir(::opendir(carpeta.c_str()));
  if (!dir) return std::nullopt;
  std::optional<std::string> elegido;
  while (const dirent* e = ::readdir(dir.get())) {
    std::string_view n(e->d_name);
    if (IgualSinCaso(n, nombre) && (!elegido || n < *elegido)) elegido = std::string(n);
  }
  return elegido;
}

std::string Unir(const std::string& base, std::string_view nombre) {
  if (base.empty()) return std::string(nombre);
  if (base.back() == '/') return base + std::string(nombre);
  return base + "/" + std::string(nombre);
}

// Where the path starts on the native disk ("" = the working folder), and its components.
struct Descompuesta {
  std::string base;
  std::vector<std::string_view> partes;
};

std::optional<Descompuesta> Descomponer(std::string_view ruta) {
  Descompuesta d;
  if (ruta.size() >= 2 && ruta[1] == ':' &&
      ((ruta[0] >= 'A' && ruta[0] <= 'Z') || (ruta[0] >= 'a' && ruta[0] <= 'z'))) {
    std::string variable = "ORVEX_DRIVE_";
    variable.push_back(Mayuscula(ruta[0]));
    const char* carpeta = std::getenv(variable.c_str());
    if (carpeta == nullptr) {
      variable.back() = static_cast<char>(variable.back() - 'A' + 'a');
      carpeta = std::getenv(variable.c_str());
    }
    if (carpeta == nullptr || *carpeta == '\0') return std::nullopt;
    d.base = carpeta;
    ruta.remove_prefix(2);
  } else if (ruta.size() >= 2 && ruta[0] == '\\' && ruta[1] == '\\') {
    return std::nullopt;  // A network share has no place on this disk.
  } else if (!ruta.empty() && EsSeparador(ruta[0])) {
    d.base = "/";
  } else if (ruta.empty()) {
    return std::nullopt;
  }
  std::size_t i = 0;
  while (i < ruta.size()) {
    std::size_t j = i;
    while (j < ruta.size() && !EsSeparador(ruta[j])) ++j;
    std::string_view parte = ruta.substr(i, j - i);
    if (!parte.empty() && parte != ".") d.partes.push_back(parte);
    i = j + 1;
  }
  return d;
}

// Follows partes[0..n) from base, each component exactly or else without regard to case.
std::optional<std::string> Resolver(const Descompuesta& d, std::size_t n) {
  std::string actual = d.base;
  for (std::size_t i = 0; i < n; ++i) {
    std::string_view parte = d.partes[i];
    std::string exacta = Unir(actual, parte);
    if (parte == ".." || Existe(exacta)) {
      actual = std::move(exacta);
      continue;
    }
    auto encontrada = BuscarSinCaso(actual.empty() ? "." : actual, parte);
    if (!encontrada) return std::nullopt;
    actual = Unir(actual, *encontrada);
  }
  return actual.empty() ? std::string(".") : actual;
}

}  // namespace

std::optional<std::string> RutaNativa(std::string_view ruta_windows) {
  auto d = Descomponer(ruta_windows);
  if (!d) return std::nullopt;
  return Resolver(*d, d->partes.size());
}

std::optional<std::string> BaseAbsoluta(std::string_view ruta_windows) {
  auto d = Descomponer(ruta_windows);
  if (!d || d->base.empty()) return std::nullopt;
  return std::move(d->base);
}

std::optional<std::string> RutaNativaNueva(std::string_view ruta_windows) {
  if (ruta_windows.empty() || EsSeparador(ruta_windows.back())) return std::nullopt;
  auto d = Descomponer(ruta_windows);
  if (!d || d->partes.empty()) return std::nullopt;
  std::string_view ultima = d->partes.back();
  if (ultima == "..") return std::nullopt;
  auto carpeta = Resolver(*d, d->partes.size() - 1);
  if (!carpeta) return std::nullopt;
  std::string exacta = Unir(*carpeta, ultima);
  if (Existe(exacta)) return exacta;
  auto encontrada = BuscarSinCaso(*carpeta, ultima);
  return Unir(*carpeta, encontrada ? std::string_view(*encontrada) : ultima);
}

bool CoincidePatron(std::string_view nombre, std::string_view patron) {
  if (patron == "*.*") patron = "*";
  // Greedy matching that backs up to the last '*': linear in practice, never recursive.
  std::size_t n = 0, p = 0;
  std::size_t estrella = std::string_view::npos, desde = 0;
  while (n < nombre.size()) {
    if (p < patron.size() && (patron[p] == '?' || Mayuscula(patron[p]) == Mayuscula(nombre[n]))) {
      ++n;
      ++p;
    } else if (p < patron.size() && patron[p] == '*') {
      estrella = p++;
      desde = n;
    } else if (estrella != std::string_view::npos) {
      p = estrella + 1;
      n = ++desde;
    } else {
      return false;
    }
  }
  while (p < patron.size() && patron[p] == '*') ++p;
  return p == patron.size();
}

}  // namespace orvex::plataforma::rutas
