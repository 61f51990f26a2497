// The part pipeline through the exports: open a message object on a large multipart message
// held in a message record and take every part, MB/s of message text.
#include <benchmark/benchmark.h>

#include <string>

#include "api/estado.h"
#include "api/orvex.h"
#include "bench/generador.h"
#include "bench/opciones.h"
#include "bench/recorridos.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::bench {
namespace {

void PartesMensajeGrande(benchmark::State& state) {
  const std::string texto = MensajeGrande(Opciones().mensaje_mb);
  pruebas::RegistroMensaje mensaje(texto);
  const uint32_t version = VersionOE;
  VersionOE = VERSION_OE5;
  ResumenPartes resumen;
  for (auto _ : state) {
    resumen = ResumenPartes{};
    if (TomarPartes(mensaje.Puntero(), &resumen) != OE_OK) state.SkipWithError("the message object failed");
  }
  VersionOE = version;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * texto.size()));
  state.counters["partes"] = static_cast<double>(resumen.partes);
  state.counters["mensaje_MB"] = static_cast<double>(texto.size()) / (1024.0 * 1024.0);
  state.counters["decodificado_MB"] = static_cast<double>(resumen.bytes_decodificados) / (1024.0 * 1024.0);
}

}  // namespace

void RegistrarPartes() {
  Ajustar(benchmark::RegisterBenchmark("Partes/MensajeGrande", PartesMensajeGrande)
              ->Unit(benchmark::kMillisecond)
              );
}

}  // namespace orvex::bench
