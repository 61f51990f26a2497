#include <io.h>
#include <process.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>

#include "herramienta/sistema.h"

namespace orvex::herramienta {

bool FijarEntorno(const std::string& nombre, const std::string& valor) {
  return ::_putenv_s(nombre.c_str(), valor.c_str()) == 0;
}

std::string NombreMaquina() {
  char nombre[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD largo = sizeof nombre;
  if (!::GetComputerNameA(nombre, &largo)) return "localhost";
  return nombre;
}

uint64_t IdProceso() { return static_cast<uint64_t>(::_getpid()); }

std::string RutaAnsi(const std::filesystem::path& ruta) {
  const std::wstring ancha = ruta.wstring();
  if (ancha.empty()) return "";
  const int n = ::WideCharToMultiByte(CP_ACP, 0, ancha.data(), static_cast<int>(ancha.size()), nullptr, 0, nullptr,
                                      nullptr);
  std::string r(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_ACP, 0, ancha.data(), static_cast<int>(ancha.size()), r.data(), n, nullptr, nullptr);
  }
  return r;
}

namespace {

// The library's ANSI paths, widened by the same code page.
std::filesystem::path RutaDeAnsi(const std::string& ansi) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring ancha(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), ancha.data(), n);
  return std::filesystem::path(ancha);
}

}  // namespace

bool ErrorEsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

std::FILE* CrearExclusivo(const std::filesystem::path& ruta, bool* existe) {
  *existe = std::filesystem::exists(std::filesystem::symlink_status(ruta));
  if (*existe) return nullptr;
  return ::_wfopen(ruta.c_str(), L"wbx");
}

std::optional<CarpetaDestino> CarpetaDestino::Abrir(const std::filesystem::path& ruta) {
  std::error_code ec;
  if (!std::filesystem::is_directory(ruta, ec)) return std::nullopt;
  return CarpetaDestino(ruta, -1);
}

CarpetaDestino::CarpetaDestino(CarpetaDestino&& otra) noexcept = default;
CarpetaDestino& CarpetaDestino::operator=(CarpetaDestino&& otra) noexcept = default;
CarpetaDestino::~CarpetaDestino() = default;

CarpetaDestino::Resultado CarpetaDestino::Crear(const std::filesystem::path& nombre, std::string_view datos,
                                                std::optional<int64_t> segundos) const {
  const std::filesystem::path ruta = ruta_ / nombre;
  bool existe = false;
  std::FILE* f = CrearExclusivo(ruta, &existe);
  if (f == nullptr) return existe ? Resultado::kExiste : Resultado::kFallo;
  bool bien = std::fwrite(datos.data(), 1, datos.size(), f) == datos.size();
  if (std::fclose(f) != 0) bien = false;
  if (bien && segundos) {
    std::error_code ec;
    const std::chrono::sys_seconds cuando{std::chrono::seconds(*segundos)};
    std::filesystem::last_write_time(ruta, std::chrono::file_clock::from_sys(cuando), ec);
  }
  return bien ? Resultado::kCreado : Resultado::kFallo;
}

int EjecutarConEntrada(const std::string& orden, std::string_view datos, std::string* salida) {
  // The scanner's verdict is its exit status; its report is not captured on this system.
  salida->clear();
  std::FILE* tubo = ::_popen(orden.c_str(), "wb");
  if (tubo == nullptr) return -1;
  std::fwrite(datos.data(), 1, datos.size(), tubo);
  return ::_pclose(tubo);
}

std::optional<std::filesystem::path> RutaLocal(const std::string& ruta_biblioteca) {
  const std::filesystem::path p = RutaDeAnsi(ruta_biblioteca);
  if (!std::filesystem::exists(p)) return std::nullopt;
  return p;
}

}  // namespace orvex::herramienta
