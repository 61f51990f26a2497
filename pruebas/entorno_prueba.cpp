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

namespace {

namespace fs = std::filesystem;
using plataforma::registro::Mayusculas;

[[noreturn]] void Fallar(const std::string& que) { throw std::runtime_error("entorno de prueba: " + que); }

void EscribirArchivo(const fs::path& ruta, std::string_view bytes) {
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  if (!f) Fallar("no se pudo escribir " + ruta.string());
}

}  // namespace

// ------------------------------------------------------------------------ DirectorioTemporal

DirectorioTemporal::DirectorioTemporal() {
  const fs::path base = fs::temp_directory_path();
  std::error_code ec;
  std::mt19937_64 azar(std::random_device{}());
  for (int intento = 0; intento < 100 && !ec; ++intento) {
    char nombre[40];
    std::snprintf(nombre, sizeof nombre, "orvex-%016llx", static_cast<unsigned long long>(azar()));
    // create_directory is atomic: false when the name is taken.
    if (fs::create_directory(base / nombre, ec)) {
      ruta_ = fs::absolute(base / nombre).string();
      return;
    }
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
  std::string relativo(nombre_relativo);
  for (char& c : relativo) c = c == '\\' ? '/' : c;
  relativo.erase(0, relativo.find_first_not_of('/'));
  return relativo.empty() ? ruta_ : ruta_ + "/" + relativo;
}

std::string DirectorioTemporal::Escribir(std::string_view nombre_relativo, std::string_view bytes) const {
  const fs::path ruta = RutaDe(nombre_relativo);
  std::error_code ec;
  fs::create_directories(ruta.parent_path(), ec);
  EscribirArchivo(ruta, bytes);
  return ruta.string();
}

std::string DirectorioTemporal::Escribir(std::string_view nombre_relativo, const std::vector<uint8_t>& bytes) const {
  return Escribir(nombre_relativo, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string DirectorioTemporal::CrearCarpeta(std::string_view nombre_relativo) const {
  const std::string ruta = RutaDe(nombre_relativo);
  std::error_code ec;
  fs::create_directories(ruta, ec);
  if (ec) Fallar("no se pudo crear " + ruta);
  return ruta;
}

std::vector<uint8_t> DirectorioTemporal::Leer(std::string_view nombre_relativo) const {
  const std::string texto = LeerTexto(nombre_relativo);
  return std::vector<uint8_t>(texto.begin(), texto.end());
}

std::string DirectorioTemporal::LeerTexto(std::string_view nombre_relativo) const {
  std::ifstream f(RutaDe(nombre_relativo), std::ios::binary);
  if (!f) Fallar("no se pudo leer " + RutaDe(nombre_relativo));
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// --------------------------------------------------------------------------- VariableEntorno

VariableEntorno::VariableEntorno(std::string nombre, const std::optional<std::string>& valor)
    : nombre_(std::move(nombre)) {
  // getenv reads the same copy on every system (Windows keeps it in step, see PonerVariable).
  if (const char* v = std::getenv(nombre_.c_str())) anterior_ = v;
  if (!sistema::PonerVariable(nombre_, valor)) Fallar("no se pudo cambiar " + nombre_);
}

VariableEntorno::~VariableEntorno() { sistema::PonerVariable(nombre_, anterior_); }

// ---------------------------------------------------------------------------- RegistroPrueba

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinario = 3, kRegDword = 4, kRegMultiSz = 7;

// The root spelled out as regedit writes it, then the rest of the path.
std::string ClaveCompleta(const std::string& clave) {
  const std::size_t barra = clave.find('\\');
  const std::string raiz = Mayusculas(clave.substr(0, barra));
  std::string resto = barra == std::string::npos ? "" : clave.substr(barra);
  while (resto.ends_with('\\')) resto.pop_back();
  const std::pair<const char*, const char*> raices[] = {{"HKCU", "HKEY_CURRENT_USER"}, {"HKLM", "HKEY_LOCAL_MACHINE"}};
  for (const auto& [corta, larga] : raices) {
    if (raiz == corta || raiz == larga) return larga + resto;
  }
  Fallar("raíz de registro desconocida en " + clave);
}

std::string Entrecomillado(const std::string& texto) {
  std::string salida = "\"";
  for (char c : texto) {
    if (c == '\\' || c == '"') salida.push_back('\\');
    salida.push_back(c);
  }
  return salida + "\"";
}

// A value's line in regedit's form: a string in quotes when it can be, a dword in hex digits,
// anything else as a hex list, wrapped with "\" continuations at about 80 columns. Version 5
// files keep the text kinds in hex as UTF-16LE, REGEDIT4 files as 8-bit text.
std::string Linea(const std::string& nombre, uint32_t tipo, const std::vector<uint8_t>& datos, bool v5) {
  std::string linea = (nombre.empty() ? "@" : Entrecomillado(nombre)) + "=";
  const std::string texto(datos.begin(), datos.end());
  if (tipo == kRegSz && texto.ends_with('\0') && texto.find_first_of(std::string("\r\n\0", 3)) == texto.size() - 1) {
    return linea + Entrecomillado(texto.substr(0, texto.size() - 1));
  }
  char pieza[16];
  if (tipo == kRegDword && datos.size() == 4) {
    std::snprintf(pieza, sizeof pieza, "dword:%02x%02x%02x%02x", datos[3], datos[2], datos[1], datos[0]);
    return linea + pieza;
  }
  const bool texto_tipo = tipo == kRegSz || tipo == kRegExpandSz || tipo == kRegMultiSz;
  const std::vector<uint8_t> hex = v5 && texto_tipo ? plataforma::registro::Utf8AUtf16Le(texto) : datos;
  std::snprintf(pieza, sizeof pieza, tipo == kRegBinario ? "hex:" : "hex(%x):", static_cast<unsigned>(tipo));
  linea += pieza;
  for (std::size_t i = 0, columna = linea.size(); i < hex.size(); ++i, columna += 3) {
    std::snprintf(pieza, sizeof pieza, i + 1 < hex.size() ? "%02x," : "%02x", hex[i]);
    linea += pieza;
    if (columna > 75 && i + 1 < hex.size()) {
      linea += "\\\n  ";
      columna = 2;
    }
  }
  return linea;
}

}  // namespace

RegistroPrueba::RegistroPrueba() = default;
RegistroPrueba::~RegistroPrueba() = default;  // instalado_ goes before directorio_ and its file.

RegistroPrueba::Nodo& RegistroPrueba::NodoDe(const std::string& clave) {
  const std::string completa = ClaveCompleta(clave);
  // Parents too, so that an empty parent shows up in the file as regedit would write it.
  for (std::size_t barra = completa.find('\\'); barra != std::string::npos; barra = completa.find('\\', barra + 1)) {
    claves_.try_emplace(Mayusculas(completa.substr(0, barra)), Nodo{completa.substr(0, barra), {}});
  }
  return claves_.try_emplace(Mayusculas(completa), Nodo{completa, {}}).first->second;
}

RegistroPrueba& RegistroPrueba::Cadena(const std::string& clave, const std::string& nombre, const std::string& valor,
                                       uint32_t tipo) {
  const char* texto = valor.c_str();
  return Binario(clave, nombre, std::vector<uint8_t>(texto, texto + valor.size() + 1), tipo);
}

RegistroPrueba& RegistroPrueba::Dword(const std::string& clave, const std::string& nombre, uint32_t valor) {
  const std::vector<uint8_t> datos = {static_cast<uint8_t>(valor), static_cast<uint8_t>(valor >> 8),
                                      static_cast<uint8_t>(valor >> 16), static_cast<uint8_t>(valor >> 24)};
  return Binario(clave, nombre, datos, kRegDword);
}

RegistroPrueba& RegistroPrueba::Binario(const std::string& clave, const std::string& nombre,
                                        const std::vector<uint8_t>& datos, uint32_t tipo) {
  NodoDe(clave).valores[Mayusculas(nombre)] = Valor{nombre, tipo, datos};
  return *this;
}

RegistroPrueba& RegistroPrueba::Clave(const std::string& clave) {
  NodoDe(clave);
  return *this;
}

std::string RegistroPrueba::Texto(Formato formato) const {
  const bool v5 = formato == Formato::kVersion5;
  std::string texto = v5 ? "Windows Registry Editor Version 5.00\r\n\r\n" : "REGEDIT4\r\n\r\n";
  for (const auto& [mayus, nodo] : claves_) {
    texto += "[" + nodo.nombre + "]\r\n";
    for (const auto& [nombre_mayus, v] : nodo.valores) texto += Linea(v.nombre, v.tipo, v.datos, v5) + "\r\n";
    texto += "\r\n";
  }
  if (!v5) return texto;
  const std::vector<uint8_t> utf16 = plataforma::registro::Utf8AUtf16Le(texto);
  return "\xFF\xFE" + std::string(utf16.begin(), utf16.end());
}

void RegistroPrueba::Escribir(const std::string& ruta, Formato formato) const { EscribirArchivo(ruta, Texto(formato)); }

std::string RegistroPrueba::Instalar(Formato formato) {
  if (!directorio_) directorio_ = std::make_unique<DirectorioTemporal>();
  const std::string ruta = directorio_->RutaDe("registro.reg");
  Escribir(ruta, formato);
  std::vector<sistema::ClaveArchivo> claves;
  for (const auto& [mayus, nodo] : claves_) {
    sistema::ClaveArchivo& c = claves.emplace_back(sistema::ClaveArchivo{nodo.nombre, {}});
    for (const auto& [nombre_mayus, valor] : nodo.valores) c.valores.push_back(valor.nombre);
  }
  if (!instalado_) instalado_ = std::make_unique<sistema::RegistroInstalado>();
  instalado_->Instalar(ruta, claves);
  return ruta;
}

}  // namespace orvex::pruebas
