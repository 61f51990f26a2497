// The ways the corruption tests damage one field of a store file.
#pragma once

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

}  // namespace orvex::pruebas
