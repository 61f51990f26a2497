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
