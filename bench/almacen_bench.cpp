// The store walk through the exports: every folder, every message with its text loaded, then
// every part of every message; at several store sizes, so that the time per message can be
// seen to stay flat. Stores are written once per size into a temporary folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "api/orvex.h"
#include "bench/generador.h"
#include "bench/opciones.h"
#include "bench/recorridos.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::bench {
namespace {

struct AlmacenBench {
  pruebas::DirectorioTemporal dir;
  AlmacenGenerado generado;
  std::string registro;
};

// The store of n messages, made on first use, and the registry pointed at it.
const AlmacenBench& Preparar(uint32_t n) {
  static std::map<uint32_t, std::unique_ptr<AlmacenBench>> almacenes;
  static pruebas::VariableEntorno zona("TZ", std::string("UTC0"));
  auto& a = almacenes[n];
  if (!a) {
    a = std::make_unique<AlmacenBench>();
    const std::string store = a->dir.CrearCarpeta("store");
    a->generado = GenerarAlmacen(store, n);
    a->registro = a->dir.RutaDe("registro.reg");
    EscribirRegistro(store, a->registro);
  }
  static std::unique_ptr<pruebas::VariableEntorno> variable;
  variable.reset();
  variable = std::make_unique<pruebas::VariableEntorno>("ORVEX_REGISTRY", a->registro);
  OE_ObtenerVersionOE();
  OE_IniciarIdentities(nullptr);
  return *a;
}

void Recorrer(benchmark::State& state, bool partes) {
  const auto n = static_cast<uint32_t>(state.range(0));
  const AlmacenBench& a = Preparar(n);
  const uint64_t base = MemoriaActual();
  const bool pico = ReiniciarPicoMemoria();
  ResumenAlmacen resumen;
  for (auto _ : state) resumen = RecorrerAlmacen(partes);
  if (resumen.mensajes != a.generado.mensajes) state.SkipWithError("the walk did not list every message");
  const double mb = 1024.0 * 1024.0;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * a.generado.bytes));
  using C = benchmark::Counter;
  state.counters["mensajes/s"] = C(static_cast<double>(resumen.mensajes), C::kIsIterationInvariantRate);
  state.counters["s/mensaje"] = C(static_cast<double>(resumen.mensajes), C::kIsIterationInvariantRate | C::kInvert);
  state.counters["almacen_MB"] = static_cast<double>(a.generado.bytes) / mb;
  state.counters["mayor_mensaje_KB"] = static_cast<double>(a.generado.mayor_mensaje) / 1024.0;
  if (partes) state.counters["partes"] = static_cast<double>(resumen.partes.partes);
  // Resident set before the walk, and its peak during the walk (the peak is reset first).
  state.counters["rss_antes_MB"] = static_cast<double>(base) / mb;
  if (pico) state.counters["rss_pico_MB"] = static_cast<double>(PicoMemoria()) / mb;
}

void RecorrerTextos(benchmark::State& state) { Recorrer(state, false); }
void RecorrerPartes(benchmark::State& state) { Recorrer(state, true); }

}  // namespace

void RegistrarAlmacen() {
  using Funcion = void (*)(benchmark::State&);
  for (auto [nombre, funcion] : {std::pair<const char*, Funcion>{"Almacen/Textos", RecorrerTextos},
                                 std::pair<const char*, Funcion>{"Almacen/Partes", RecorrerPartes}}) {
    auto* b = benchmark::RegisterBenchmark(nombre, funcion)->Unit(benchmark::kMillisecond);
    for (uint32_t n : Opciones().mensajes) b->Arg(n);
    Ajustar(b);
  }
}

}  // namespace orvex::bench
