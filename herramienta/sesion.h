// The store a command reads: found from --store (with a temporary registry file, and a
// temporary copy with a lost folder list or index rebuilt), --registry or the registry itself,
// opened through the exports, and the folders the FOLDER selector names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "herramienta/cliente.h"
#include "herramienta/ordenes.h"

namespace orvex::herramienta {

// The longest path the library keeps: its records hold 260 bytes with the closing NUL.
inline constexpr std::size_t kLongRutaBiblioteca = 259;

// Everything set up for one run: the environment the library reads, the folders, and the
// temporary folder (registry file, rebuilt store) that --store makes, removed at the end.
class Sesion {
 public:
  Sesion() = default;
  ~Sesion();
  Sesion(const Sesion&) = delete;
  Sesion& operator=(const Sesion&) = delete;

  uint32_t version = 0;
  std::string identidad;
  std::vector<CarpetaVista> carpetas;
  std::vector<FalloLista> fallos_lista;  // folder-list entries passed over
  std::string lista;                     // the folder-list file as the library names it, when known
  std::string archivo_lista;             // the same, as --store expects it
  std::filesystem::path temporal;
  // "folder list" or "index" when the store is read through one rebuilt in the temporary folder,
  // and the user's folder it was made from.
  std::string reconstruido;
  std::filesystem::path origen;
};

// The session of the options' store; null after an error message.
std::unique_ptr<Sesion> AbrirSesion(const Opciones& o);

// A command's session and the folders its FOLDER selector names (with their keys for
// RecorrerMensajes).
struct Eleccion {
  std::unique_ptr<Sesion> sesion;
  std::vector<const CarpetaVista*> carpetas;
  std::set<uint64_t> claves;
};

// Empty after an error message.
std::optional<Eleccion> AbrirYElegir(const Opciones& o);

// The name of a generation, "none" for another number.
const char* NombreGeneracion(uint32_t version);

// Why the library could not read a file it names, as far as this command can see: the file
// is missing, its path is too long for the library, it cannot be opened, or it is damaged.
std::string RazonArchivo(const std::string& ruta);

// The file of a folder to name in an error: the first of its files that is missing or
// unreadable, else its message file.
std::string ArchivoDeCarpeta(const CarpetaVista& c);

// A library path as the user can find it: the local file when there is one.
std::string RutaMostrada(const std::string& ruta);

// Tells that the folder list could not be walked again; the exit status.
int FalloListado(const Sesion& s, uint32_t r);

}  // namespace orvex::herramienta
