// A registry read from a regedit export ("REGEDIT4" or "Windows Registry Editor Version 5.00"):
// the POSIX stand-in for the Windows registry. Pure: bytes in, tree out, no I/O.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plataforma/plataforma.h"

namespace orvex::plataforma::registro {

struct Valor {
  std::string nombre;  // As written in the file.
  uint32_t tipo = kRegNinguno;
  std::vector<uint8_t> datos;  // As RegQueryValueExA hands them out.
};

struct Clave {
  std::string nombre;  // As first written in the file.
  std::map<std::string, Valor> valores;                   // Keyed by upper-cased name.
  std::map<std::string, std::unique_ptr<Clave>> subclaves;  // Keyed by upper-cased name.
};

// Windows refuses keys nested deeper than this; it also bounds the tree's recursion.
inline constexpr std::size_t kProfundidadMaxima = 512;

struct Registro {
  Clave raices[4];  // Indexed by Raiz minus 0x80000000.

  // The key at ruta ('\' separated, empty components ignored) under raiz; null when absent.
  const Clave* Buscar(Raiz raiz, std::string_view ruta) const;
};

// Windows enumerates subkeys into a 100-byte buffer; a longer name fails there, and in an export too.
inline constexpr std::size_t kNombreSubclaveMaximo = 99;

// The key operations over an export, as RegQueryValueExA and RegEnumKeyExA behave: values by
// name without regard to case, a value longer than the buffer cut short, subkeys in name order.
bool ConsultarValor(const Clave& clave, const std::string& nombre, uint32_t* tamano, uint32_t* tipo);
bool LeerValor(const Clave& clave, const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano);
// The name of the indice-th subkey; false past the end or for a name longer than the buffer.
bool EnumerarSubclave(const Clave& clave, uint32_t indice, std::string* nombre);

// Parses a whole export file. Anything that is not a well-formed export gives an empty
// registry; a malformed line is skipped.
Registro AnalizarRegistro(std::span<const uint8_t> bytes);

// The ASCII upper-case form under which names are compared and sorted, as Windows does.
std::string Mayusculas(std::string_view texto);

// UTF-16LE (odd trailing byte dropped, lone surrogates as U+FFFD) to UTF-8; NULs are kept.
std::string Utf16LeAUtf8(std::span<const uint8_t> bytes);
// UTF-8 to UTF-16LE; invalid bytes become U+FFFD.
std::vector<uint8_t> Utf8AUtf16Le(std::string_view texto);

}  // namespace orvex::plataforma::registro
