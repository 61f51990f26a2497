// Watches the page allocator's address-space regions from the fuzz programs: the library's
// mmap, mprotect and munmap calls are routed here by the linker (--wrap), because regions
// are invisible to LeakSanitizer and to libFuzzer's malloc limit. An input that leaves a
// region behind, or commits more than 64 MiB over its own size, is a finding.
#include "fuzz/vigilancia.h"

#include <sys/mman.h>
#include <sys/types.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

extern "C" {
void* __real_mmap(void* direccion, size_t largo, int proteccion, int banderas, int fd, off_t desplazamiento);
void* __real_mmap64(void* direccion, size_t largo, int proteccion, int banderas, int fd, off64_t desplazamiento);
int __real_munmap(void* direccion, size_t largo);
int __real_mprotect(void* direccion, size_t largo, int proteccion);
}

namespace {

struct Region {
  std::size_t reservado = 0;
  std::size_t confirmado = 0;
};

std::map<uintptr_t, Region>& Regiones() {
  static auto* regiones = new std::map<uintptr_t, Region>();  // never destroyed: used until exit
  return *regiones;
}

std::size_t g_confirmado = 0;
std::size_t g_pico = 0;

}  // namespace

extern "C" void* __wrap_mmap(void* direccion, size_t largo, int proteccion, int banderas, int fd,
                             off_t desplazamiento) {
  void* p = __real_mmap(direccion, largo, proteccion, banderas, fd, desplazamiento);
  if (p != MAP_FAILED) Regiones()[reinterpret_cast<uintptr_t>(p)] = {largo, 0};
  return p;
}

// The platform is built with 64-bit file offsets, which names the call mmap64.
extern "C" void* __wrap_mmap64(void* direccion, size_t largo, int proteccion, int banderas, int fd,
                               off64_t desplazamiento) {
  void* p = __real_mmap64(direccion, largo, proteccion, banderas, fd, desplazamiento);
  if (p != MAP_FAILED) Regiones()[reinterpret_cast<uintptr_t>(p)] = {largo, 0};
  return p;
}

extern "C" int __wrap_mprotect(void* direccion, size_t largo, int proteccion) {
  const int r = __real_mprotect(direccion, largo, proteccion);
  auto it = Regiones().find(reinterpret_cast<uintptr_t>(direccion));
  if (r == 0 && it != Regiones().end() && largo > it->second.confirmado) {
    g_confirmado += largo - it->second.confirmado;
    it->second.confirmado = largo;
    g_pico = std::max(g_pico, g_confirmado);
  }
  return r;
}

extern "C" int __wrap_munmap(void* direccion, size_t largo) {
  auto it = Regiones().find(reinterpret_cast<uintptr_t>(direccion));
  if (it != Regiones().end()) {
    g_confirmado -= it->second.confirmado;
    Regiones().erase(it);
  }
  return __real_munmap(direccion, largo);
}

namespace orvex::fuzz {

EstadoRegiones Vigilancia::Inicio() {
  g_pico = g_confirmado;
  return {Regiones().size(), g_confirmado};
}

void Vigilancia::Fin(const EstadoRegiones& inicio, std::size_t tamano_entrada) {
  constexpr std::size_t kMaximoSobreEntrada = std::size_t{64} << 20;
  if (g_pico - inicio.confirmado > kMaximoSobreEntrada + tamano_entrada) {
    std::fprintf(stderr, "==vigilancia== the input committed %zu bytes of regions (input %zu bytes)\n",
                 g_pico - inicio.confirmado, tamano_entrada);
    std::abort();
  }
  if (Regiones().size() > inicio.regiones) {
    std::fprintf(stderr, "==vigilancia== the input left %zu page-allocator region(s) behind\n",
                 Regiones().size() - inicio.regiones);
    std::abort();
  }
}

}  // namespace orvex::fuzz
