// Splitting and joining Windows-style paths, the same on every platform.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

struct PartesRuta {
  std::string unidad;      // "C:" or ""
  std::string directorio;  // keeps its trailing separator
  std::string nombre;
  std::string extension;   // with its dot
};

// Both '\\' and '/' separate; the drive is taken only when the second character is ':';
// the extension starts at the last dot of the last component.
PartesRuta DividirRuta(std::string_view ruta);

// Joins the parts, adding ':' after the drive letter, '\\' after a directory that lacks a
// trailing separator and '.' before an extension that lacks it.
std::string ComponerRuta(std::string_view unidad, std::string_view directorio, std::string_view nombre,
                         std::string_view extension);

// True when a name read from a store file can stand as one file name inside the store's
// folder: not empty, no separator or drive colon, not "." or "..", no control characters.
bool EsNombreDeArchivoSimple(std::string_view nombre);

}  // namespace orvex
