// The part pipeline as a whole program, for bench/comparar: reads a message file into a
// message record and takes every part through the exports, decoded into memory.
//   orvex_bench_partes FILE   prints "partes N decodificado BYTES"
#include <cstdio>
#include <fstream>
#include <string>

#include "api/estado.h"
#include "api/orvex.h"
#include "bench/recorridos.h"
#include "pruebas/mensajes_mime.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  std::ifstream f(argv[1], std::ios::binary | std::ios::ate);
  if (!f) return 1;
  std::string texto(static_cast<std::size_t>(f.tellg()), '\0');
  f.seekg(0);
  if (!f.read(texto.data(), static_cast<std::streamsize>(texto.size()))) return 1;
  orvex::pruebas::RegistroMensaje mensaje(texto);
  orvex::VersionOE = VERSION_OE5;
  orvex::bench::ResumenPartes resumen;
  if (orvex::bench::TomarPartes(mensaje.Puntero(), &resumen) != OE_OK) return 1;
  std::printf("partes %llu decodificado %llu\n", static_cast<unsigned long long>(resumen.partes),
              static_cast<unsigned long long>(resumen.bytes_decodificados));
  return 0;
}
