// The little the command needs of the operating system beyond the library's exports.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::herramienta {

// Sets (or, with an empty value, removes) a variable of the process environment, so that
// the library reads it at its next look.
bool FijarEntorno(const std::string& nombre, const std::string& valor);

// True when standard error is a terminal (the progress line is shown only there).
bool ErrorEsTerminal();

// Creates the file for binary writing only when nothing of that name exists, without
// following links. Null on failure; *existe tells whether the name was already taken.
std::FILE* CrearExclusivo(const std::filesystem::path& ruta, bool* existe);

// A folder that new files are written into by name. On POSIX it stays open and each file is
// created relative to it (no walk of the whole path, no stdio), written in one call where the
// system takes it, dated and closed: four system calls a file. Move-only.
class CarpetaDestino {
 public:
  enum class Resultado { kCreado, kExiste, kFallo };

  // Empty when the folder cannot be opened.
  static std::optional<CarpetaDestino> Abrir(const std::filesystem::path& ruta);
  CarpetaDestino(CarpetaDestino&& otra) noexcept;
  CarpetaDestino& operator=(CarpetaDestino&& otra) noexcept;
  CarpetaDestino(const CarpetaDestino&) = delete;
  CarpetaDestino& operator=(const CarpetaDestino&) = delete;
  ~CarpetaDestino();

  const std::filesystem::path& Ruta() const { return ruta_; }
  // Creates the file nombre (a single component) only when nothing of that name exists, without
  // following links, writes all of datos and, when segundos is given, sets its modification time
  // to that many seconds since 1970. kExiste when the name was taken; kFallo on any other error
  // (a file left half written then stays, as a file written through stdio would).
  Resultado Crear(const std::filesystem::path& nombre, std::string_view datos, std::optional<int64_t> segundos) const;

 private:
  CarpetaDestino(std::filesystem::path ruta, intptr_t manejador) : ruta_(std::move(ruta)), manejador_(manejador) {}
  std::filesystem::path ruta_;
  intptr_t manejador_;  // POSIX: the folder's descriptor; unused (-1) on Windows
};

// Runs a shell command with datos on its standard input; *salida gets what it wrote on
// standard output (its standard error passes through). Returns its exit status, or -1 when
// it could not be run or ended by a signal.
int EjecutarConEntrada(const std::string& orden, std::string_view datos, std::string* salida);

// This machine's name and this process's id, for unique file names.
std::string NombreMaquina();
uint64_t IdProceso();

// A path as the library's narrow file calls take it: the bytes themselves on POSIX, the ANSI
// code page on Windows (where std::filesystem's narrow form is not that).
std::string RutaAnsi(const std::filesystem::path& ruta);

// The file on this system that a path handed out by the library names (the library's paths
// are Windows-style; on POSIX "X:" is the folder in ORVEX_DRIVE_X and names are matched
// without regard to case). Empty when it does not exist.
std::optional<std::filesystem::path> RutaLocal(const std::string& ruta_biblioteca);

}  // namespace orvex::herramienta
