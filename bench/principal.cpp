// The benchmark program: our own flags first, the rest to Google Benchmark.
//   --rapido           one iteration of each on small inputs (CI keeps them compiling and running)
//   --codec_mb=N       codec inputs (default 16)
//   --mensaje_mb=N     the large multipart message (default 20)
//   --mensajes=A,B,..  store sizes of the walk (default 1000,10000,100000)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/opciones.h"

namespace orvex::bench {

OpcionesBench& Opciones() {
  static OpcionesBench o;
  return o;
}

benchmark::internal::Benchmark* Ajustar(benchmark::internal::Benchmark* b) {
  if (Opciones().rapido) b->Iterations(1);
  return b;
}

namespace {

bool Valor(const char* arg, const char* nombre, std::string* valor) {
  const std::size_t n = std::strlen(nombre);
  if (std::strncmp(arg, nombre, n) != 0 || arg[n] != '=') return false;
  *valor = arg + n + 1;
  return true;
}

}  // namespace
}  // namespace orvex::bench

int main(int argc, char** argv) {
  using namespace orvex::bench;
  OpcionesBench& o = Opciones();
  std::vector<char*> resto{argv[0]};
  bool tamanos = false;
  for (int i = 1; i < argc; ++i) {
    std::string v;
    if (std::strcmp(argv[i], "--rapido") == 0) {
      o.rapido = true;
    } else if (Valor(argv[i], "--codec_mb", &v)) {
      o.codec_mb = std::atof(v.c_str());
    } else if (Valor(argv[i], "--mensaje_mb", &v)) {
      o.mensaje_mb = std::atof(v.c_str());
    } else if (Valor(argv[i], "--mensajes", &v)) {
      o.mensajes.clear();
      tamanos = true;
      for (std::size_t p = 0; p < v.size();) {
        const std::size_t coma = v.find(',', p);
        o.mensajes.push_back(static_cast<uint32_t>(std::strtoul(v.substr(p, coma - p).c_str(), nullptr, 10)));
        p = coma == std::string::npos ? v.size() : coma + 1;
      }
    } else {
      resto.push_back(argv[i]);
    }
  }
  if (o.rapido) {
    o.codec_mb = std::min(o.codec_mb, 0.25);
    o.mensaje_mb = std::min(o.mensaje_mb, 0.5);
    if (!tamanos) o.mensajes = {300};
  }
  RegistrarCodecs();
  RegistrarPartes();
  RegistrarAlmacen();
  int n = static_cast<int>(resto.size());
  benchmark::Initialize(&n, resto.data());
  if (benchmark::ReportUnrecognizedArguments(n, resto.data())) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
