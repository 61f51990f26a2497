// File names that come from hostile mail, made safe to create inside one output folder.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "herramienta/sistema.h"

namespace orvex::herramienta {

// Longest name, in bytes, that SanearNombre returns.
inline constexpr std::size_t kMaximoNombre = 150;

// Reduces an attachment name to a single plain file name: directories, drive letters,
// "..", control characters, characters Windows refuses, reserved device names (CON, PRN,
// AUX, NUL, COM1-9, LPT1-9, with any extension), leading dots and trailing dots and
// spaces are removed or neutralised, and the result is cut to kMaximoNombre bytes
// keeping a short extension. An empty result becomes respaldo.
std::string SanearNombre(std::string_view nombre, std::string_view respaldo = "adjunto");

// The n-th candidate for a name already taken: "name (n).ext" (n >= 2); n = 1 is the name itself.
std::string NombreNumerado(const std::string& nombre, unsigned n);

// Names here are UTF-8; a path keeps them in the system's form (UTF-16 on Windows, where a narrow
// string would be read in the ANSI code page).
std::filesystem::path NombreRuta(std::string_view utf8);
// A path as UTF-8 text, for what the command prints.
std::string TextoRuta(const std::filesystem::path& ruta);

struct CerrarArchivo {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using ArchivoSalida = std::unique_ptr<std::FILE, CerrarArchivo>;

struct ArchivoCreado {
  std::filesystem::path ruta;
  ArchivoSalida archivo;
};

// Creates a new file for writing in carpeta under the sanitised name, never replacing
// anything that exists (a file, a folder or a link of that name): taken names are
// numbered "name (2).ext", "name (3).ext", ... Empty when no name could be created.
std::optional<ArchivoCreado> CrearArchivoUnico(const std::filesystem::path& carpeta, std::string_view nombre,
                                               std::string_view respaldo = "adjunto");

// The same for a whole file at once: created in carpeta under the first free name, written with
// datos and dated (seconds since 1970) when segundos is given. Its path, or empty.
std::optional<std::filesystem::path> EscribirArchivoUnico(const CarpetaDestino& carpeta, std::string_view nombre,
                                                          std::string_view respaldo, std::string_view datos,
                                                          std::optional<int64_t> segundos);

}  // namespace orvex::herramienta
