// Hive files for tests. The project writes the smallest hive Windows and hivex accept (a base
// block, one 4 KiB bin, a root key with no subkeys or values, and the security record every key
// points at); the keys and values go in afterwards through hivex's own editor, hivexregedit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::pruebas {

inline constexpr std::size_t kTamanoBloqueBase = 0x1000;
inline constexpr std::size_t kTamanoBin = 0x1000;

std::vector<uint8_t> ColmenaVacia(std::string_view nombre_raiz = "ROOT");

// Writes at ruta an empty hive and merges into it the keys below prefijo ("HKEY_CURRENT_USER",
// "HKEY_LOCAL_MACHINE\Software") of a regedit export's text (either format); keys outside it are
// left out. False when hivexregedit is missing or refuses the merge.
bool EscribirColmena(const std::string& ruta, std::string_view exportacion, const std::string& prefijo);

}  // namespace orvex::pruebas
