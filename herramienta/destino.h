// Where extract and export write: the output folder and its tree of store folders.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "herramienta/cliente.h"

namespace orvex::herramienta {

// The output folder, created if missing; false after an error message.
bool CrearSalida(const std::string& dir);

// A folder of the output tree for a store folder: each name made safe on its own.
std::filesystem::path CarpetaSalida(const std::filesystem::path& base, const CarpetaVista& c);

bool EscribirTodo(std::FILE* f, std::string_view datos);

}  // namespace orvex::herramienta
