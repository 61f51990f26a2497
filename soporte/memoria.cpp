#include "soporte/memoria.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "plataforma/plataforma.h"

namespace orvex {

namespace {

// The header holds R and is max_align_t wide so that the block suits any type on every
// target; the region is reserved R + kCabecera - 4 bytes so that a block still holds
// exactly up to R - 4 bytes in place, as the 4-byte header of the original layout did.
constexpr std::size_t kCabecera = alignof(std::max_align_t);
static_assert(kCabecera >= sizeof(std::size_t));
constexpr std::size_t kCabeceraOriginal = 4;
constexpr std::size_t kExtra = kCabecera - kCabeceraOriginal;
constexpr std::size_t kReservaMinima = 102400;
constexpr std::size_t kMaximo = std::numeric_limits<std::size_t>::max();

unsigned char* Base(const void* p) {
  return static_cast<unsigned char*>(const_cast<void*>(p)) - kCabecera;
}

std::size_t LeerReserva(const unsigned char* base) {
  std::size_t r;
  std::memcpy(&r, base, sizeof r);
  return r;
}

void EscribirReserva(unsigned char* base, std::size_t r) { std::memcpy(base, &r, sizeof r); }

// Bytes actually reserved for a logical size R; 0 when it cannot be represented.
std::size_t TamanoRegion(std::size_t r) { return r > kMaximo - kExtra ? 0 : r + kExtra; }

}  // namespace

void* MEM_Reservar(std::size_t n) {
  if (n > kMaximo / 2 || n > kMaximo - kCabecera) return nullptr;
  const std::size_t r = n + kCabeceraOriginal <= kReservaMinima ? kReservaMinima : 2 * n;
  const std::size_t region = TamanoRegion(r);
  if (region == 0) return nullptr;
  auto* base = static_cast<unsigned char*>(plataforma::ReservarRegion(region));
  if (base == nullptr) return nullptr;
  if (!plataforma::ConfirmarRegion(base, n + kCabecera)) {
    plataforma::LiberarRegion(base);
    return nullptr;
  }
  EscribirReserva(base, r);
  return base + kCabecera;
}

void* MEM_Redimensionar(void* p, std::size_t m) {
  if (p == nullptr) return MEM_Reservar(m);
  unsigned char* base = Base(p);
  const std::size_t r = LeerReserva(base);
  if (m <= r - kCabeceraOriginal) {
    return plataforma::ConfirmarRegion(base, m + kCabecera) ? p : nullptr;
  }
  // Eight times larger, so that a steadily growing buffer moves only a few times.
  std::size_t r2 = r <= kMaximo / 8 ? 8 * r : 0;
  if (r2 < m) {
    if (m > kMaximo / 2) return nullptr;
    r2 = 2 * m;
  }
  const std::size_t region2 = TamanoRegion(r2);
  if (region2 == 0 || m > kMaximo - kCabecera) return nullptr;
  auto* base2 = static_cast<unsigned char*>(plataforma::ReservarRegion(region2));
  if (base2 == nullptr) return nullptr;
  // The whole old region is committed so it can be copied; its unwritten tail reads zero,
  // which keeps the moved block zero-filled.
  const std::size_t region = TamanoRegion(r);
  if (!plataforma::ConfirmarRegion(base, region) || !plataforma::ConfirmarRegion(base2, m + kCabecera)) {
    plataforma::LiberarRegion(base2);
    return nullptr;
  }
  std::memcpy(base2, base, region);
  plataforma::LiberarRegion(base);
  EscribirReserva(base2, r2);
  return base2 + kCabecera;
}

bool MEM_Liberar(void* p) {
  if (p == nullptr) return false;
  return plataforma::LiberarRegion(Base(p));
}

void MEM_LiberarSiNoNulo(void* p) {
  if (p != nullptr) MEM_Liberar(p);
}

void* MEM_ReservarOExcepcion(std::size_t n) {
  void* p = MEM_Reservar(n);
  if (p == nullptr) {
    std::printf(">>> Memoria insuficiente para MALLOC\n");
    std::fflush(stdout);  // the host may not survive the exception
    throw CL_EXCEPCION_MEMORIA();
  }
  return p;
}

void* MEM_RedimensionarOExcepcion(void* p, std::size_t m) {
  void* q = p == nullptr ? MEM_Reservar(m) : MEM_Redimensionar(p, m);
  if (q == nullptr) {
    std::printf(">>> Memoria insuficiente para REALLOC\n");
    std::fflush(stdout);
    throw CL_EXCEPCION_MEMORIA();
  }
  return q;
}

std::size_t MEM_TamanoReservado(const void* p) { return LeerReserva(Base(p)); }

void LiberadorMem::operator()(void* p) const noexcept { MEM_LiberarSiNoNulo(p); }

}  // namespace orvex
