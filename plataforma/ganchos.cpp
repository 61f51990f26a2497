// Fault hooks shared by both backends.
#include <cstddef>
#include <mutex>

#include "plataforma/plataforma.h"

namespace orvex::plataforma {
namespace {
// Constant-initialised, so it is usable from any static constructor or destructor.
std::mutex g_cerrojo_ganchos;
}  // namespace

GanchosPrueba& Ganchos() {
  static GanchosPrueba ganchos;
  return ganchos;
}

bool DebeFallar(Operacion op) {
  std::lock_guard<std::mutex> guarda(g_cerrojo_ganchos);
  GanchosPrueba& g = Ganchos();
  std::size_t k = static_cast<std::size_t>(op);
  uint64_t n = ++g.contador[k];
  uint64_t en = g.fallar_en[k];
  if (en == 0) return false;
  return g.fallar_desde ? n >= en : n == en;
}

}  // namespace orvex::plataforma
