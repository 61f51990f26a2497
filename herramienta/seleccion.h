// Folders as the command shows them, and picking folders by a name, a path or an id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::herramienta {

inline uint64_t ClaveCarpeta(uint32_t id, uint32_t pos_grupo = 0) {
  return static_cast<uint64_t>(pos_grupo) << 32 | id;
}

struct CarpetaVista {
  uint32_t id = 0;
  uint32_t padre = 0;
  // A news group shares its account's id: its place in the account's group list (never 0)
  // tells it apart. 0 for every other folder.
  uint32_t pos_grupo = 0;
  std::string nombre;       // as stored (ANSI)
  std::string ruta;         // names from the top level down, joined by '/'
  int profundidad = 0;      // 0 for a top-level folder
  uint32_t num_mensajes = 0;
  std::string archivo;      // the folder's message file, as the library names it
  std::string almacen;      // the store's folder-list file, where the generation has one
  std::string buzon;        // the file with the message texts, where separate

  uint64_t Clave() const { return ClaveCarpeta(id, pos_grupo); }  // unique in a listing
};

// Fills ruta and profundidad from the parent ids. A parent that is missing ends the path
// there; a cycle of parents is cut after a bounded depth.
void CompletarRutas(std::vector<CarpetaVista>& carpetas);

// The folders a selector names, in store order:
// - empty: every folder;
// - only digits: the folder with that id;
// - otherwise a path ("Local Folders/Inbox", '/' or '\' between names, without regard to
//   case): the folder whose whole path it is, or else the one folder whose path ends with it
//   ("Inbox" when only one folder has that name).
// Empty with *error set when nothing or more than one folder matches.
std::vector<const CarpetaVista*> ElegirCarpetas(const std::vector<CarpetaVista>& carpetas,
                                                const std::string& selector, std::string* error);

// Top-level folders first and each folder's children right after it, in store order.
std::vector<const CarpetaVista*> OrdenArbol(const std::vector<CarpetaVista>& carpetas);

}  // namespace orvex::herramienta
