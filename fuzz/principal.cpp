// The libFuzzer entry of one target, chosen at compile time by ORVEX_OBJETIVO (its name).
#include <cstdlib>

#include "fuzz/objetivos.h"
#include "fuzz/vigilancia.h"

namespace {
const orvex::fuzz::Objetivo* objetivo = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  objetivo = orvex::fuzz::BuscarObjetivo(ORVEX_OBJETIVO);
  if (objetivo == nullptr) std::abort();
  // Temporary stores in memory when the caller did not choose a place.
  if (std::getenv("TMPDIR") == nullptr) setenv("TMPDIR", "/dev/shm", 0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, std::size_t n) {
  if (n > objetivo->tamano_maximo) return -1;
  const orvex::fuzz::EstadoRegiones inicio = orvex::fuzz::Vigilancia::Inicio();
  const int r = objetivo->funcion(datos, n);
  orvex::fuzz::Vigilancia::Fin(inicio, n);
  return r;
}
