#include "soporte/memoria.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>

#include "plataforma/plataforma.h"

namespace orvex {

namespace {

// The header holds R and how far the region was ever committed, and is max_align_t wide so
// that the block suits any type on every target; the region is reserved R + kCabecera - 4
// bytes so that a block still holds exactly up to R - 4 bytes in place, as the 4-byte header
// of the original layout did.
constexpr std::size_t kCabecera = alignof(std::max_align_t);
static_assert(kCabecera >= 2 * sizeof(std::size_t));
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

std::size_t LeerConfirmado(const unsigned char* base) {
  std::size_t c;
  std::memcpy(&c, base + sizeof c, sizeof c);
  return c;
}

void EscribirConfirmado(unsigned char* base, std::size_t c) { std::memcpy(base + sizeof c, &c, sizeof c); }

// Commits the first tamano bytes of the region and remembers how far its blocks reached.
bool Confirmar(unsigned char* base, std::size_t tamano) {
  if (!plataforma::ConfirmarRegion(base, tamano)) return false;
  if (tamano > LeerConfirmado(base)) EscribirConfirmado(base, tamano);
  return true;
}

// Released regions wait here for the next reservation of the same size, so that a listing step
// makes no system call once the library is warm, and a large message's parts, each decoded into
// buffers of the same growing sizes, do not fault fresh pages in again and again. Only regions
// whose blocks never reached far are kept (every byte a block could have written is zeroed again
// before reuse), a few of each kind. The sanitizer builds keep none, so that a block used after
// release still faults.
constexpr bool kReutilizar = ORVEX_REUTILIZAR_REGIONES != 0;
constexpr std::size_t kMaxLibres = 16;
constexpr std::size_t kMaxConfirmadoLibre = 32 * 1024;
constexpr std::size_t kMaxLibresGrandes = 4;
constexpr std::size_t kMaxReservaGrande = std::size_t{64} << 20;
constexpr std::size_t kMaxConfirmadoGrande = std::size_t{16} << 20;

class RegionesLibres {
 public:
  unsigned char* Tomar(std::size_t reserva) {
    std::lock_guard<std::mutex> guarda(cerrojo_);
    for (std::size_t i = n_; i-- > 0;) {
      if (libres_[i].reserva != reserva) continue;
      unsigned char* base = libres_[i].base;
      libres_[i] = libres_[--n_];
      return base;
    }
    return nullptr;
  }
  bool Dejar(unsigned char* base) {
    const std::size_t reserva = LeerReserva(base);
    const bool pequena = reserva == kReservaMinima;
    if (!pequena && (reserva < kReservaMinima || reserva > kMaxReservaGrande)) return false;
    if (LeerConfirmado(base) > (pequena ? kMaxConfirmadoLibre : kMaxConfirmadoGrande)) return false;
    std::lock_guard<std::mutex> guarda(cerrojo_);
    std::size_t grandes = 0;
    for (std::size_t i = 0; i < n_; ++i) grandes += libres_[i].reserva != kReservaMinima;
    if (pequena ? n_ - grandes == kMaxLibres : grandes == kMaxLibresGrandes) return false;
    libres_[n_++] = Libre{base, reserva};
    return true;
  }

 private:
  struct Libre {
    unsigned char* base;
    std::size_t reserva;
  };
  std::mutex cerrojo_;
  Libre libres_[kMaxLibres + kMaxLibresGrandes] = {};
  std::size_t n_ = 0;
};

RegionesLibres& Libres() {
  // Never destroyed: a host may free blocks from its own static destructors.
  static auto* libres = new RegionesLibres();
  return *libres;
}

// Gives a region back: kept for reuse when it qualifies, else released.
void Devolver(unsigned char* base) {
  if (!kReutilizar || !Libres().Dejar(base)) plataforma::LiberarRegion(base);
}

// Bytes actually reserved for a logical size R; 0 when it cannot be represented.
std::size_t TamanoRegion(std::size_t r) { return r > kMaximo - kExtra ? 0 : r + kExtra; }

// Takes a released region of logical size r for a block of n bytes, zeroed, into *base.
// False when none is kept. Taking one goes through the same failure points as reserving and
// committing a fresh region; on such a failure *base is null.
bool ReutilizarRegion(std::size_t n, std::size_t r, unsigned char** base) {
  *base = kReutilizar ? Libres().Tomar(r) : nullptr;
  if (*base == nullptr) return false;
  unsigned char* b = *base;
  const std::size_t confirmado = LeerConfirmado(b);
  const bool reservada = !plataforma::DebeFallar(plataforma::Operacion::kRegion);
  if (!reservada || !Confirmar(b, n + kCabecera)) {
    Devolver(b);
    *base = nullptr;
    return true;
  }
  std::memset(b, 0, confirmado);  // pages committed just now read zero already
  return true;
}

}  // namespace

void* MEM_Reservar(std::size_t n) {
  if (n > kMaximo / 2 || n > kMaximo - kCabecera) return nullptr;
  const std::size_t r = n + kCabeceraOriginal <= kReservaMinima ? kReservaMinima : 2 * n;
  const std::size_t region = TamanoRegion(r);
  if (region == 0) return nullptr;
  unsigned char* base = nullptr;
  if (ReutilizarRegion(n, r, &base)) {
    if (base == nullptr) return nullptr;
    EscribirReserva(base, r);
    EscribirConfirmado(base, n + kCabecera);
    return base + kCabecera;
  }
  base = static_cast<unsigned char*>(plataforma::ReservarRegion(region));
  if (base == nullptr) return nullptr;
  if (!plataforma::ConfirmarRegion(base, n + kCabecera)) {
    plataforma::LiberarRegion(base);
    return nullptr;
  }
  EscribirReserva(base, r);
  EscribirConfirmado(base, n + kCabecera);
  return base + kCabecera;
}

void* MEM_Redimensionar(void* p, std::size_t m) {
  if (p == nullptr) return MEM_Reservar(m);
  unsigned char* base = Base(p);
  const std::size_t r = LeerReserva(base);
  if (m <= r - kCabeceraOriginal) {
    return Confirmar(base, m + kCabecera) ? p : nullptr;
  }
  // Eight times larger, so that a steadily growing buffer moves only a few times.
  std::size_t r2 = r <= kMaximo / 8 ? 8 * r : 0;
  if (r2 < m) {
    if (m > kMaximo / 2) return nullptr;
    r2 = 2 * m;
  }
  const std::size_t region2 = TamanoRegion(r2);
  if (region2 == 0 || m > kMaximo - kCabecera) return nullptr;
  unsigned char* base2 = nullptr;
  const bool reutilizada = ReutilizarRegion(m, r2, &base2);
  if (reutilizada && base2 == nullptr) return nullptr;
  if (!reutilizada) {
    base2 = static_cast<unsigned char*>(plataforma::ReservarRegion(region2));
    if (base2 == nullptr) return nullptr;
  }
  // Only what the old block ever reached can hold data; beyond it both regions read zero,
  // which keeps the moved block zero-filled.
  const std::size_t usado = LeerConfirmado(base);
  if (!plataforma::ConfirmarRegion(base, usado) ||
      (!reutilizada && !plataforma::ConfirmarRegion(base2, m + kCabecera))) {
    // A reused region's header was zeroed: it is released, not kept again.
    plataforma::LiberarRegion(base2);
    return nullptr;
  }
  std::memcpy(base2, base, usado);
  Devolver(base);
  EscribirReserva(base2, r2);
  EscribirConfirmado(base2, m + kCabecera);
  return base2 + kCabecera;
}

bool MEM_Liberar(void* p) {
  if (p == nullptr) return false;
  unsigned char* base = Base(p);
  if (kReutilizar && Libres().Dejar(base)) return true;
  return plataforma::LiberarRegion(base);
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

bool MEM_ReutilizaRegiones() { return kReutilizar; }

void LiberadorMem::operator()(void* p) const noexcept { MEM_LiberarSiNoNulo(p); }

}  // namespace orvex
