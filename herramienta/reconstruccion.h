// A store the library can read made from what the user has: in a temporary folder, the
// message files linked (or copied where links cannot be made), a folder list written from
// them when the store's own is missing or damaged, and an index rebuilt from its mailbox for
// each mailbox whose own is missing, empty or does not agree with it. The user's files are
// never changed.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "herramienta/almacen.h"
#include "herramienta/hallazgo.h"

namespace orvex::herramienta {

struct AlmacenTemporal {
  AlmacenReconocido almacen;         // the store in the temporary folder
  std::vector<std::string> avisos;   // what was rebuilt, one sentence each
  // Each rebuilt index: the mailbox's own .idx path (beside it) and the rebuilt file.
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> indices;
  bool lista_reconstruida = false;
};

// Sets up the store h under temporal (an empty folder). False with *error when a file
// cannot be written.
bool PrepararTemporal(const AlmacenHallado& h, const std::filesystem::path& temporal, AlmacenTemporal* t,
                      std::string* error);

}  // namespace orvex::herramienta
