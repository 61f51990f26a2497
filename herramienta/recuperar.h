// orvex recover: every message a damaged, cut or partly deleted mail file still holds, written
// as .eml files below one output folder with a JSON Lines report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvex::herramienta {

struct OpcionesRecuperar {
  std::string ruta;             // a message file or a folder of them
  std::string salida;           // --out DIR
  bool json = false;            // --json: the report's lines on standard output
  bool marcar_huecos = false;   // --mark-gaps: a visible marker where bytes are lost
};

// The whole of a file of at most 4 GiB (offsets in these files are 32-bit), when it can be read
// and held in memory.
std::optional<std::vector<uint8_t>> LeerEntero(const std::filesystem::path& ruta);

// 0 done, 2 error (nothing to read, output folder not usable).
int OrdenRecuperar(const OpcionesRecuperar& o);

}  // namespace orvex::herramienta
