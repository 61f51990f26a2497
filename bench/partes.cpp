// The part pipeline as a whole program, for bench/comparar: reads a message file into a
// message record and takes every part through the exports, decoded into memory.
//   orvex_bench_partes FILE   prints "partes N decodificado BYTES"
#include <cstdio>
#include <memory>

#include "api/estado.h"
#include "api/orvex.h"
#include "bench/recorridos.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  // The file is read once, straight into the message's text, as a host holding it would.
  std::FILE* f = std::fopen(argv[1], "rb");
  if (f == nullptr || std::fseek(f, 0, SEEK_END) != 0) return 1;
  const long largo = std::ftell(f);
  if (largo < 0 || largo > 0x7FFFFFFF || std::fseek(f, 0, SEEK_SET) != 0) return 1;
  std::unique_ptr<char[]> texto(new char[static_cast<std::size_t>(largo) + 1]);
  if (std::fread(texto.get(), 1, static_cast<std::size_t>(largo), f) != static_cast<std::size_t>(largo)) return 1;
  std::fclose(f);
  texto[static_cast<std::size_t>(largo)] = 0;
  OE_MENSAJE mensaje{};
  mensaje.Tamano = OE_TAM_MENSAJE;
  mensaje.LongTexto = static_cast<uint32_t>(largo);
  mensaje.Texto = texto.get();
  orvex::VersionOE = VERSION_OE5;
  orvex::bench::ResumenPartes resumen;
  if (orvex::bench::TomarPartes(&mensaje, &resumen) != OE_OK) return 1;
  std::printf("partes %llu decodificado %llu\n", static_cast<unsigned long long>(resumen.partes),
              static_cast<unsigned long long>(resumen.bytes_decodificados));
  return 0;
}
