#include "pruebas/entorno_prueba.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#include "plataforma/registro_archivo.h"
#include "pruebas/entorno_sistema.h"

namespace orvex::pruebas {

// getenv reads the same copy on every system (Windows keeps it in step, see PonerVariable).
std::optional<std::string> sistema::LeerVariable(const std::string& nombre) {
  const char* v = std::getenv(nombre.c_str());
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

namespace {

namespace fs = std::filesystem;

std::string Normalizar(std::string_view nombre_relativo) {
  std::string s(nombre_relativo);
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  while (!s.empty() && s.front() == '/') s.erase(0, 1);
  return s;
}

[[noreturn]] void Fallar(const std::string& que) { throw std::runtime_error("entorno de prueba: " + que); }

}  // namespace

// ------------------------------------------------------------------------ DirectorioTemporal

DirectorioTemporal::DirectorioTemporal() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::random_device semilla;
  std::mt19937_64 azar(semilla());
  for (int intento = 0; intento < 100; ++intento) {
    char nombre[40];
    std::snprintf(nombre, sizeof nombre, "orvex-%016llx", static_cast<unsigned long long>(azar()));
    fs::path ruta = base / nombre;
    // create_directory is atomic: false when the name is taken.
    if (fs::create_directory(ruta, ec)) {
      ruta_ = fs::absolute(ruta).string();
      return;
    }
    if (ec) break;
  }
  Fallar("no se pudo crear una carpeta temporal bajo " + base.string());
}

DirectorioTemporal::~DirectorioTemporal() {
  std::error_code ec;
  // Tests may leave read-only files behind; removal must still go through.
  for (auto it = fs::recursive_directory_iterator(ruta_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ec);
  }
  fs::remove_all(ruta_, ec);
}

std::string DirectorioTemporal::RutaDe(std::string_view nombre_relativo) const {
  std::string relativo = Normalizar(nombre_relativo);
  return relativo.empty() ? ruta_ : ruta_ + "/" + relativo;
}

std::string DirectorioTemporal::Escribir(std::string_view nombre_relativo, std::string_view bytes) const {
  fs::path ruta = RutaDe(nombre_relativo);
  std::error_code ec;
  fs::create_directories(ruta.parent_path(), ec);
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) Fallar("no se pudo escribir " + ruta.string());
  return ruta.string();
}

std::string DirectorioTemporal::Escribir(std::string_view nombre_relativo, const std::vector<uint8_t>& bytes) const {
  return Escribir(nombre_relativo, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string DirectorioTemporal::CrearCarpeta(std::string_view nombre_relativo) const {
  std::string ruta = RutaDe(nombre_relativo);
  std::error_code ec;
  fs::create_directories(ruta, ec);
  if (ec) Fallar("no se pudo crear " + ruta);
  return ruta;
}

std::vector<uint8_t> DirectorioTemporal::Leer(std::string_view nombre_relativo) const {
  std::string texto = LeerTexto(nombre_relativo);
  return std::vector<uint8_t>(texto.begin(), texto.end());
}

std::string DirectorioTemporal::LeerTexto(std::string_view nombre_relativo) const {
  std::string ruta = RutaDe(nombre_relativo);
  std::ifstream f(ruta, std::ios::binary);
  if (!f) Fallar("no se pudo leer " + ruta);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// --------------------------------------------------------------------------- VariableEntorno

VariableEntorno::VariableEntorno(std::string nombre, const std::optional<std::string>& valor)
    : nombre_(std::move(nombre)), anterior_(sistema::LeerVariable(nombre_)) {
  if (!sistema::PonerVariable(nombre_, valor)) Fallar("no se pudo cambiar " + nombre_);
}

VariableEntorno::~VariableEntorno() { sistema::PonerVariable(nombre_, anterior_); }

// ---------------------------------------------------------------------------- RegistroPrueba

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4;

// The root spelled out as regedit writes it, then the rest of the path.
std::string ClaveCompleta(const std::string& clave) {
  std::size_t barra = clave.find('\\');
  std::string raiz = plataforma::registro::Mayusculas(clave.substr(0, barra));
  std::string resto = barra == std::string::npos ? "" : clave.substr(barra);
  if (raiz == "HKCU") raiz = "HKEY_CURRENT_USER";
  if (raiz == "HKLM") raiz = "HKEY_LOCAL_MACHINE";
  if (raiz == "HKCR") raiz = "HKEY_CLASSES_ROOT";
  if (raiz == "HKU") raiz = "HKEY_USERS";
  if (raiz != "HKEY_CURRENT_USER" && raiz != "HKEY_LOCAL_MACHINE" && raiz != "HKEY_CLASSES_ROOT" &&
      raiz != "HKEY_USERS") {
    Fallar("raíz de registro desconocida en " + clave);
  }
  while (!resto.empty() && resto.back() == '\\') resto.pop_back();
  return raiz + resto;
}

std::string Entrecomillado(const std::string& texto) {
  std::string salida = "\"";
  for (char c : texto) {
    if (c == '\\' || c == '"') salida.push_back('\\');
    salida.push_back(c);
  }
  salida.push_back('"');
  return salida;
}

// regedit's hex list: comma separated, wrapped with "\" continuations at about 80 columns.
std::string ListaHex(const std::string& prefijo, const std::vector<uint8_t>& datos) {
  std::string salida = prefijo;
  std::size_t columna = salida.size();
  char pieza[4];
  for (std::size_t i = 0; i < datos.size(); ++i) {
    std::snprintf(pieza, sizeof pieza, "%02x", datos[i]);
    salida += pieza;
    columna += 2;
    if (i + 1 < datos.size()) {
      salida.push_back(',');
      ++columna;
      if (columna > 75) {
        salida += "\\\n  ";
        columna = 2;
      }
    }
  }
  return salida;
}

bool CadenaEscribible(const std::vector<uint8_t>& datos) {
  if (datos.empty() || datos.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < datos.size(); ++i) {
    if (datos[i] == 0 || datos[i] == '\n' || datos[i] == '\r') return false;
  }
  return true;
}

std::vector<uint8_t> ConNul(const std::string& texto) {
  std::vector<uint8_t> datos(texto.begin(), texto.end());
  datos.push_back(0);
  return datos;
}

}  // namespace

RegistroPrueba::RegistroPrueba() = default;
RegistroPrueba::~RegistroPrueba() = default;  // instalado_ goes before directorio_ and its file.

RegistroPrueba::Nodo& RegistroPrueba::NodoDe(const std::string& clave) {
  std::string completa = ClaveCompleta(clave);
  // Parents too, so that an empty parent shows up in the file as regedit would write it.
  for (std::size_t barra = completa.find('\\'); barra != std::string::npos; barra = completa.find('\\', barra + 1)) {
    std::string padre = completa.substr(0, barra);
    claves_.try_emplace(plataforma::registro::Mayusculas(padre), Nodo{padre, {}});
  }
  return claves_.try_emplace(plataforma::registro::Mayusculas(completa), Nodo{completa, {}}).first->second;
}

RegistroPrueba& RegistroPrueba::Cadena(const std::string& clave, const std::string& nombre, const std::string& valor) {
  return Binario(clave, nombre, ConNul(valor), kRegSz);
}

RegistroPrueba& RegistroPrueba::CadenaExpandible(const std::string& clave, const std::string& nombre,
                                                 const std::string& valor) {
  return Binario(clave, nombre, ConNul(valor), kRegExpandSz);
}

RegistroPrueba& RegistroPrueba::Dword(const std::string& clave, const std::string& nombre, uint32_t valor) {
  return Binario(clave, nombre,
                 {static_cast<uint8_t>(valor), static_cast<uint8_t>(valor >> 8), static_cast<uint8_t>(valor >> 16),
                  static_cast<uint8_t>(valor >> 24)},
                 kRegDword);
}

RegistroPrueba& RegistroPrueba::Binario(const std::string& clave, const std::string& nombre,
                                        const std::vector<uint8_t>& datos, uint32_t tipo) {
  NodoDe(clave).valores[plataforma::registro::Mayusculas(nombre)] = Valor{nombre, tipo, datos};
  return *this;
}

RegistroPrueba& RegistroPrueba::Clave(const std::string& clave) {
  NodoDe(clave);
  return *this;
}

RegistroPrueba& RegistroPrueba::Quitar(const std::string& clave) {
  std::string mayus = plataforma::registro::Mayusculas(ClaveCompleta(clave));
  for (auto it = claves_.begin(); it != claves_.end();) {
    bool dentro = it->first == mayus || it->first.starts_with(mayus + "\\");
    it = dentro ? claves_.erase(it) : std::next(it);
  }
  return *this;
}

std::string RegistroPrueba::Texto(Formato formato) const {
  const bool v5 = formato == Formato::kVersion5;
  std::string texto = v5 ? "Windows Registry Editor Version 5.00\r\n\r\n" : "REGEDIT4\r\n\r\n";
  for (const auto& [mayus, nodo] : claves_) {
    texto += "[" + nodo.nombre + "]\r\n";
    for (const auto& [nombre_mayus, valor] : nodo.valores) {
      std::string linea = valor.nombre.empty() ? "@=" : Entrecomillado(valor.nombre) + "=";
      bool texto_tipo = valor.tipo == kRegSz || valor.tipo == kRegExpandSz || valor.tipo == 7;
      if (valor.tipo == kRegSz && CadenaEscribible(valor.datos)) {
        linea += Entrecomillado(std::string(valor.datos.begin(), valor.datos.end() - 1));
      } else if (valor.tipo == kRegDword && valor.datos.size() == 4) {
        char cifras[16];
        uint32_t n = valor.datos[0] | (valor.datos[1] << 8) | (valor.datos[2] << 16) |
                     (static_cast<uint32_t>(valor.datos[3]) << 24);
        std::snprintf(cifras, sizeof cifras, "dword:%08x", n);
        linea += cifras;
      } else {
        // Version 5 files keep the text kinds in hex as UTF-16LE, REGEDIT4 files as 8-bit text.
        std::vector<uint8_t> datos = valor.datos;
        if (v5 && texto_tipo) {
          datos = plataforma::registro::Utf8AUtf16Le(
              std::string_view(reinterpret_cast<const char*>(valor.datos.data()), valor.datos.size()));
        }
        char prefijo[16];
        if (valor.tipo == 3) {
          std::snprintf(prefijo, sizeof prefijo, "hex:");
        } else {
          std::snprintf(prefijo, sizeof prefijo, "hex(%x):", static_cast<unsigned>(valor.tipo));
        }
        linea = ListaHex(linea + prefijo, datos);
      }
      texto += linea + "\r\n";
    }
    texto += "\r\n";
  }
  if (!v5) return texto;
  std::vector<uint8_t> utf16 = plataforma::registro::Utf8AUtf16Le(texto);
  std::string bytes = "\xFF\xFE";
  bytes.append(utf16.begin(), utf16.end());
  return bytes;
}

void RegistroPrueba::Escribir(const std::string& ruta, Formato formato) const {
  std::string bytes = Texto(formato);
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) Fallar("no se pudo escribir " + ruta);
}

std::string RegistroPrueba::Instalar(Formato formato) {
  if (!directorio_) directorio_ = std::make_unique<DirectorioTemporal>();
  std::string ruta = directorio_->RutaDe("registro.reg");
  Escribir(ruta, formato);
  std::vector<sistema::ClaveArchivo> claves;
  for (const auto& [mayus, nodo] : claves_) {
    sistema::ClaveArchivo& c = claves.emplace_back();
    c.clave = nodo.nombre;
    for (const auto& [nombre_mayus, valor] : nodo.valores) c.valores.push_back(valor.nombre);
  }
  if (!instalado_) instalado_ = std::make_unique<sistema::RegistroInstalado>();
  instalado_->Instalar(ruta, claves);
  return ruta;
}

}  // namespace orvex::pruebas
