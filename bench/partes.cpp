// The part pipeline as a whole program, for bench/comparar: maps a message file as the message
// record's text and takes every part through the exports, decoded into memory.
//   orvex_bench_partes FILE   prints "partes N decodificado BYTES"
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "api/estado.h"
#include "api/orvex.h"
#include "bench/recorridos.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  // A host holding the file maps it, as GMime's harness streams it: no copy of the whole file
  // into fresh memory. The mapping is private and writable, and one byte longer than the file
  // so that the text ends in a NUL as a host's buffer would (the pages past the end read zero;
  // the extra page, when the file fills its last one, is anonymous).
  const int fd = ::open(argv[1], O_RDONLY);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size <= 0 || st.st_size > 0x7FFFFFFF) return 1;
  const auto largo = static_cast<std::size_t>(st.st_size);
  const auto pagina = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t mapa = (largo + 1 + pagina - 1) / pagina * pagina;
  void* zona = ::mmap(nullptr, mapa, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (zona == MAP_FAILED) return 1;
  if (::mmap(zona, largo, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd, 0) == MAP_FAILED) return 1;
  ::close(fd);
  char* texto = static_cast<char*>(zona);
  texto[largo] = 0;
  OE_MENSAJE mensaje{};
  mensaje.Tamano = OE_TAM_MENSAJE;
  mensaje.LongTexto = static_cast<uint32_t>(largo);
  mensaje.Texto = texto;
  orvex::VersionOE = VERSION_OE5;
  orvex::bench::ResumenPartes resumen;
  if (orvex::bench::TomarPartes(&mensaje, &resumen) != OE_OK) return 1;
  std::printf("partes %llu decodificado %llu\n", static_cast<unsigned long long>(resumen.partes),
              static_cast<unsigned long long>(resumen.bytes_decodificados));
  ::munmap(zona, mapa);
  return 0;
}
