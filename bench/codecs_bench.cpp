// Transfer codecs, MB/s of input: the cores over plain memory and the stream-buffer classes
// the message object uses. Inputs: base64 in 76-column CR LF lines and in one long line;
// quoted-printable of mail-like text and of binary (every byte an escape).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/generador.h"
#include "bench/opciones.h"
#include "soporte/buffer_flujo.h"
#include "mime/codecs.h"

namespace orvex::bench {
namespace {

std::size_t TamanoEntrada() { return static_cast<std::size_t>(Opciones().codec_mb * 1024 * 1024); }

// Inputs are built once per process, on first use.
struct Entradas {
  std::string binario = BytesAleatorios(TamanoEntrada(), 1);
  std::string texto = TextoCorreo(TamanoEntrada(), 2);
  std::string b64_crlf = Base64Lineas(binario, true);
  std::string b64_continuo = Base64Lineas(binario, false);
  std::string qp_texto = QuotedPrintable(texto, false);
  std::string qp_denso = QuotedPrintable(binario, true);
};
const Entradas& E() {
  static const Entradas e;
  return e;
}

using Core = std::size_t (*)(const uint8_t*, std::size_t, uint8_t*, ESTADO_BASE64&);

template <class Estado, class Funcion>
void Nucleo(benchmark::State& state, const std::string& entrada, uint64_t cota, Funcion funcion) {
  std::vector<uint8_t> salida(static_cast<std::size_t>(cota));
  const auto* origen = reinterpret_cast<const uint8_t*>(entrada.data());
  std::size_t escritos = 0;
  for (auto _ : state) {
    Estado estado;
    escritos = funcion(origen, entrada.size(), salida.data(), estado);
    benchmark::DoNotOptimize(salida.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * entrada.size()));
  state.counters["salida_MB"] = static_cast<double>(escritos) / (1024.0 * 1024.0);
}

void DecodificarBase64Crlf(benchmark::State& state) {
  Nucleo<ESTADO_BASE64>(state, E().b64_crlf, codec::TamanoMaximoDecodificadoBase64(E().b64_crlf.size()),
                        codec::DecodificarBase64);
}
void DecodificarBase64Continuo(benchmark::State& state) {
  Nucleo<ESTADO_BASE64>(state, E().b64_continuo, codec::TamanoMaximoDecodificadoBase64(E().b64_continuo.size()),
                        codec::DecodificarBase64);
}
void CodificarBase64(benchmark::State& state) {
  Nucleo<ESTADO_BASE64>(state, E().binario, codec::TamanoBase64(E().binario.size()), codec::CodificarBase64);
}
void DecodificarQPTexto(benchmark::State& state) {
  Nucleo<ESTADO_QP>(state, E().qp_texto, codec::TamanoMaximoDecodificadoQP(E().qp_texto.size()),
                    codec::DecodificarQP);
}
void DecodificarQPDenso(benchmark::State& state) {
  Nucleo<ESTADO_QP>(state, E().qp_denso, codec::TamanoMaximoDecodificadoQP(E().qp_denso.size()),
                    codec::DecodificarQP);
}
void CodificarQPTexto(benchmark::State& state) {
  Nucleo<ESTADO_QP>(state, E().texto, codec::TamanoMaximoQP(E().texto.size()), codec::CodificarQP);
}
void CodificarQPBinario(benchmark::State& state) {
  Nucleo<ESTADO_QP>(state, E().binario, codec::TamanoMaximoQP(E().binario.size()), codec::CodificarQP);
}

// The classes over stream buffers, as a part output object calls them: the output buffer is
// made and grown afresh for each part.
template <class Codec>
void Clase(benchmark::State& state, const std::string& entrada) {
  CL_BUFFER_FLUJO origen;
  origen.Anadir(entrada.data(), static_cast<uint32_t>(entrada.size()));
  for (auto _ : state) {
    CL_BUFFER_FLUJO destino;
    Codec codec;
    if constexpr (requires { codec.Decodificar(origen, destino); }) {
      codec.Decodificar(origen, destino);
    } else {
      codec.Codificar(origen, destino);
    }
    benchmark::DoNotOptimize(destino.Datos());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * entrada.size()));
}

void ClaseDecodificarBase64Crlf(benchmark::State& state) { Clase<CL_DECODIFICADOR_BASE64>(state, E().b64_crlf); }
void ClaseDecodificarQPTexto(benchmark::State& state) { Clase<CL_DECODIFICADOR_QP>(state, E().qp_texto); }
void ClaseCodificarBase64(benchmark::State& state) { Clase<CL_CODIFICADOR_BASE64>(state, E().binario); }

}  // namespace

void RegistrarCodecs() {
  for (auto [nombre, funcion] : std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
           {"Codec/DecodificarBase64/crlf76", DecodificarBase64Crlf},
           {"Codec/DecodificarBase64/continuo", DecodificarBase64Continuo},
           {"Codec/CodificarBase64/binario", CodificarBase64},
           {"Codec/DecodificarQP/texto", DecodificarQPTexto},
           {"Codec/DecodificarQP/denso", DecodificarQPDenso},
           {"Codec/CodificarQP/texto", CodificarQPTexto},
           {"Codec/CodificarQP/binario", CodificarQPBinario},
           {"CodecClase/DecodificarBase64/crlf76", ClaseDecodificarBase64Crlf},
           {"CodecClase/DecodificarQP/texto", ClaseDecodificarQPTexto},
           {"CodecClase/CodificarBase64/binario", ClaseCodificarBase64},
       }) {
    Ajustar(benchmark::RegisterBenchmark(nombre, funcion)->Unit(benchmark::kMillisecond));
  }
}

}  // namespace orvex::bench
