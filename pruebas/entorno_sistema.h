// What the test environment needs of the operating system: its environment variables and
// the registry that the library reads. entorno_posix.cpp and entorno_win32.cpp implement it
// (reading a variable is std::getenv everywhere); CMake compiles the one for the target.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvex::pruebas::sistema {

// Sets the variable, or with nullopt removes it. False when the system refused.
bool PonerVariable(const std::string& nombre, const std::optional<std::string>& valor);

// A key of a registry file, its root spelled out ("HKEY_CURRENT_USER\\Identities"), and the
// names of the values the file gives it ("" is the default value).
struct ClaveArchivo {
  std::string clave;
  std::vector<std::string> valores;
};

// Makes a regedit export file the registry the library reads, until destruction. POSIX
// points ORVEX_REGISTRY at the file; Windows imports it with the system's own regedit and
// afterwards deletes the keys it added and puts back the values it overwrote.
class RegistroInstalado {
 public:
  RegistroInstalado();
  ~RegistroInstalado();
  RegistroInstalado(const RegistroInstalado&) = delete;
  RegistroInstalado& operator=(const RegistroInstalado&) = delete;

  // Installs the file at ruta, which holds exactly claves; a later call replaces what the
  // earlier one installed. Throws std::runtime_error when the file cannot be installed.
  void Instalar(const std::string& ruta, const std::vector<ClaveArchivo>& claves);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvex::pruebas::sistema
