// The little the command needs of the operating system beyond the library's exports.
#pragma once

#include <cstdio>
#include <filesystem>
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

// Runs a shell command with datos on its standard input and its output passed through;
// returns its exit status, or -1 when it could not be run or ended by a signal.
int EjecutarConEntrada(const std::string& orden, std::string_view datos);

}  // namespace orvex::herramienta
