// The ways the corruption tests damage one field of a store file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pruebas/imagen.h"

namespace orvex::pruebas {

enum class Danio { kCero, kMaximo, kMasUno, kMenosUno, kFinal, kPropio };
inline constexpr Danio kDanios[] = {Danio::kCero,     Danio::kMaximo, Danio::kMasUno,
                                    Danio::kMenosUno, Danio::kFinal,  Danio::kPropio};

inline const char* NombreDanio(Danio d) {
  switch (d) {
    case Danio::kCero: return "0";
    case Danio::kMaximo: return "maximo";
    case Danio::kMasUno: return "+1";
    case Danio::kMenosUno: return "-1";
    case Danio::kFinal: return "final del archivo";
    case Danio::kPropio: return "a si mismo";
  }
  return "";
}

// A 32-bit field of a file image; "pointing at itself" sets it to the structure that holds it.
struct Campo {
  std::string nombre;
  uint32_t pos;
  uint32_t propio;
};

inline std::vector<uint8_t> Danar(std::vector<uint8_t> b, const Campo& c, Danio d) {
  const uint32_t v = LeerPalabra(b, c.pos);
  const uint32_t valores[] = {0, 0xFFFFFFFFu, v + 1, v - 1, static_cast<uint32_t>(b.size()), c.propio};  // by Danio
  PonerPalabra(b, c.pos, valores[static_cast<int>(d)]);
  return b;
}

}  // namespace orvex::pruebas
