// Test environment: temporary folders, environment variables and a registry file that the
// POSIX platform layer reads through ORVEX_REGISTRY and Windows imports into its registry.
// Every helper undoes itself on destruction.
// Failures to set the environment up throw std::runtime_error, which GoogleTest reports.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::pruebas {

namespace sistema {
class RegistroInstalado;
}

// A fresh folder in the system's temporary folder ($TMPDIR or /tmp; Windows: GetTempPath),
// removed with everything in it on destruction.
class DirectorioTemporal {
 public:
  DirectorioTemporal();
  ~DirectorioTemporal();
  DirectorioTemporal(const DirectorioTemporal&) = delete;
  DirectorioTemporal& operator=(const DirectorioTemporal&) = delete;

  // Absolute path of the folder (the system's form, no trailing separator).
  const std::string& Ruta() const { return ruta_; }
  // Absolute path of nombre_relativo ('/' or '\' separated) inside the folder.
  std::string RutaDe(std::string_view nombre_relativo) const;
  // Writes the bytes to nombre_relativo, creating missing parent folders; returns its path.
  std::string Escribir(std::string_view nombre_relativo, std::string_view bytes) const;
  std::string Escribir(std::string_view nombre_relativo, const std::vector<uint8_t>& bytes) const;
  // Creates the folder nombre_relativo and its parents; returns its path.
  std::string CrearCarpeta(std::string_view nombre_relativo) const;
  // Whole content of nombre_relativo; throws when it cannot be read.
  std::vector<uint8_t> Leer(std::string_view nombre_relativo) const;
  // Whole content of nombre_relativo as text; throws when it cannot be read.
  std::string LeerTexto(std::string_view nombre_relativo) const;

 private:
  std::string ruta_;
};

// Sets (or with nullopt unsets) an environment variable; the old value comes back on destruction.
class VariableEntorno {
 public:
  VariableEntorno(std::string nombre, const std::optional<std::string>& valor);
  ~VariableEntorno();
  VariableEntorno(const VariableEntorno&) = delete;
  VariableEntorno& operator=(const VariableEntorno&) = delete;

 private:
  std::string nombre_;
  std::optional<std::string> anterior_;
};

// A registry described in memory and written as a regedit export file. Keys are written with
// their root, as regedit does: "HKEY_CURRENT_USER\\Identities\\{GUID}", the user's or the
// machine's (HKCU/HKLM also work).
// Value name "" is the key's default value. Strings are UTF-8 ("ANSI" on POSIX).
class RegistroPrueba {
 public:
  enum class Formato {
    kRegedit4,  // "REGEDIT4", 8-bit text.
    kVersion5,  // "Windows Registry Editor Version 5.00", UTF-16LE with BOM.
  };

  RegistroPrueba();
  ~RegistroPrueba();  // Undoes Instalar.
  RegistroPrueba(const RegistroPrueba&) = delete;
  RegistroPrueba& operator=(const RegistroPrueba&) = delete;

  // Adds (or replaces) a REG_SZ value (with tipo 2 a REG_EXPAND_SZ, stored unexpanded).
  RegistroPrueba& Cadena(const std::string& clave, const std::string& nombre, const std::string& valor,
                         uint32_t tipo = 1);
  // Adds (or replaces) a REG_DWORD value.
  RegistroPrueba& Dword(const std::string& clave, const std::string& nombre, uint32_t valor);
  // Adds (or replaces) a value of any type with raw data (REG_BINARY by default).
  RegistroPrueba& Binario(const std::string& clave, const std::string& nombre,
                          const std::vector<uint8_t>& datos, uint32_t tipo = 3);
  // Adds a key (and its parents) without values.
  RegistroPrueba& Clave(const std::string& clave);

  // The file's bytes in the given format.
  std::string Texto(Formato formato) const;
  // Writes the file at ruta (a POSIX path); also usable as input for `regedit /S`.
  void Escribir(const std::string& ruta, Formato formato) const;
  // Writes the file into a private temporary folder and makes it the registry the library
  // reads until destruction: POSIX points ORVEX_REGISTRY at it, Windows imports it with
  // regedit (and deletes the keys afterwards). Call again after changing values to rewrite
  // it. Returns the file's path.
  std::string Instalar(Formato formato = Formato::kRegedit4);

 private:
  struct Valor {
    std::string nombre;
    uint32_t tipo;
    std::vector<uint8_t> datos;  // Strings: UTF-8 with their NUL.
  };
  struct Nodo {
    std::string nombre;
    std::map<std::string, Valor> valores;  // Keyed by upper-cased name.
  };
  Nodo& NodoDe(const std::string& clave);
  std::map<std::string, Nodo> claves_;  // Keyed by upper-cased full path, root spelled out.
  std::unique_ptr<DirectorioTemporal> directorio_;
  std::unique_ptr<sistema::RegistroInstalado> instalado_;
};

}  // namespace orvex::pruebas
