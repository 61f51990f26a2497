// The rest of a large folder: the library's listing walks a bounded number of index nodes of a
// .dbx message file, so the messages of a larger tree are read from the file by the recovery
// scanner and handed to the command's walks in message records of the command's own.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "herramienta/cliente.h"
#include "recuperacion/recuperacion.h"

namespace orvex::herramienta {

// The messages that the index tree of the folder's message file reaches and whose ids are not in
// listados, by id. Empty when the file cannot be read.
std::vector<recuperacion::Recuperado> RestoDeCarpeta(const CarpetaVista& c, const std::set<uint32_t>& listados);

// Hands each message of resto to visita at place kRecuperado in a record filled as far as its
// text goes (folder, file, id, text, the date of its Date header). The library reads its parts
// from the text; nothing may be saved on it. False when visita stopped the walk.
bool VisitarResto(const CarpetaVista& c, std::vector<recuperacion::Recuperado>& resto, const VisitaMensaje& visita);

}  // namespace orvex::herramienta
