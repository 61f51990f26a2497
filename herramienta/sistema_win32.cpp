#include <io.h>
#include <process.h>
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

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

bool ErrorEsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

std::FILE* CrearExclusivo(const std::filesystem::path& ruta, bool* existe) {
  *existe = std::filesystem::exists(std::filesystem::symlink_status(ruta));
  if (*existe) return nullptr;
  return ::_wfopen(ruta.c_str(), L"wbx");
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
  std::filesystem::path p(ruta_biblioteca);
  if (!std::filesystem::exists(p)) return std::nullopt;
  return p;
}

}  // namespace orvex::herramienta
