// Options of the benchmark program, read from its own flags before Google Benchmark sees the
// rest: sizes of the inputs and the quick mode CI uses (one iteration each, small inputs).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace orvex::bench {

struct OpcionesBench {
  double codec_mb = 16;                            // --codec_mb=N: codec inputs
  double mensaje_mb = 20;                          // --mensaje_mb=N: the large multipart message
  std::vector<uint32_t> mensajes{1000, 10000, 100000};  // --mensajes=1000,10000: store sizes
  bool rapido = false;                             // --rapido: one short iteration of each
};
OpcionesBench& Opciones();

// Applies the quick mode to a registered benchmark.
benchmark::internal::Benchmark* Ajustar(benchmark::internal::Benchmark* b);

void RegistrarCodecs();
void RegistrarPartes();
void RegistrarAlmacen();

}  // namespace orvex::bench
