// Writes the inputs of bench/comparar:
//   orvex_bench_generar mensaje FILE [MB]      the large multipart message (default 20 MB)
//   orvex_bench_generar almacen DIR MESSAGES   a .dbx store of that many messages in DIR
// Prints what it wrote as "key value" lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "bench/generador.h"

int main(int argc, char** argv) {
  using namespace orvex::bench;
  try {
    if (argc >= 3 && std::strcmp(argv[1], "mensaje") == 0) {
      const std::string texto = MensajeGrande(argc > 3 ? std::atof(argv[3]) : 20.0);
      std::ofstream f(argv[2], std::ios::binary);
      f.write(texto.data(), static_cast<std::streamsize>(texto.size()));
      if (!f) throw std::runtime_error(std::string("cannot write ") + argv[2]);
      std::printf("bytes %zu\npartes %d\n", texto.size(), kPartesMensajeGrande);
      return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "almacen") == 0) {
      const auto g = GenerarAlmacen(argv[2], static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)));
      std::printf("bytes %llu\nbytes_texto %llu\nmensajes %llu\nmayor_mensaje %llu\narchivos %zu\n",
                  static_cast<unsigned long long>(g.bytes), static_cast<unsigned long long>(g.bytes_texto),
                  static_cast<unsigned long long>(g.mensajes), static_cast<unsigned long long>(g.mayor_mensaje),
                  g.archivos.size());
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvex_bench_generar: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: %s mensaje FILE [MB] | almacen DIR MESSAGES\n", argv[0]);
  return 2;
}
