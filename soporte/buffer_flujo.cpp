#include "soporte/buffer_flujo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "soporte/memoria.h"

namespace orvex {

namespace {

// A length past 32 bits is an allocation that cannot succeed.
[[noreturn]] void FallarPorTamano() {
  std::printf(">>> Memoria insuficiente para REALLOC\n");
  std::fflush(stdout);
  throw CL_EXCEPCION_MEMORIA();
}

}  // namespace

CL_BUFFER_FLUJO::CL_BUFFER_FLUJO(uint32_t paso) : CL_BUFFER(paso) {}

CL_BUFFER_FLUJO::~CL_BUFFER_FLUJO() {
  posicion_ = 0;
  nombre_[0] = 0;
  escribible_ = 0;
}

int CL_BUFFER_FLUJO::FijarLongitud(uint32_t v) {
  plataforma::GuardaCerrojo guarda(cerrojo_);
  CL_BUFFER::FijarLongitud(v);
  // Keeps the position inside the contents; with length 0 it goes back to 0.
  if (posicion_ >= longitud_) posicion_ = longitud_ == 0 ? 0 : longitud_ - 1;
  return 0;
}

void CL_BUFFER_FLUJO::Vaciar() {
  posicion_ = 0;
  nombre_[0] = 0;
  escribible_ = 0;
  CL_BUFFER::Vaciar();
}

int CL_BUFFER_FLUJO::Posicionar(int32_t desplazamiento, int16_t origen) {
  plataforma::GuardaCerrojo guarda(cerrojo_);
  const int64_t longitud = longitud_;
  int64_t nueva;
  switch (origen) {
    case 0:
      nueva = desplazamiento;
      if (nueva < 0 || nueva >= longitud) return -1;
      break;
    case 1:
      nueva = int64_t{posicion_} + desplazamiento;
      if (nueva < 0 || nueva >= longitud) return -1;
      break;
    case 2:
      if (desplazamiento > 0 || -int64_t{desplazamiento} >= longitud) return -1;
      nueva = longitud + desplazamiento;
      break;
    default:
      return -1;
  }
  posicion_ = static_cast<uint32_t>(nueva);
  return 0;
}

int CL_BUFFER_FLUJO::Leer(void* destino, uint32_t n, uint32_t* leidos) {
  plataforma::GuardaCerrojo guarda(cerrojo_);
  if (posicion_ > longitud_) {
    if (leidos != nullptr) *leidos = 0;
    return -1;
  }
  const uint32_t resto = longitud_ - posicion_;
  const uint32_t cuenta = n < resto ? n : resto;
  if (destino == nullptr && cuenta > 0) {
    if (leidos != nullptr) *leidos = 0;
    return -1;
  }
  if (cuenta > 0) std::memcpy(destino, datos_ + posicion_, cuenta);
  posicion_ += cuenta;
  if (leidos != nullptr) *leidos = cuenta;
  return 0;
}

int CL_BUFFER_FLUJO::Escribir(const void* origen, uint32_t n) {
  plataforma::GuardaCerrojo guarda(cerrojo_);
  if (escribible_ != 1) return -1;
  if (origen == nullptr) return 0;
  // EscribirEn refuses an end past 32 bits; the position then cannot wrap either.
  EscribirEn(posicion_, origen, n);
  posicion_ += n;
  return 0;
}

uint32_t CL_BUFFER_FLUJO::ObtenerPosicion() const { return posicion_; }

uint32_t CL_BUFFER_FLUJO::LongitudTotal() const { return Longitud(); }

int CL_BUFFER_FLUJO::FijarTamano(uint32_t v) { return FijarLongitud(v); }

void CL_BUFFER_FLUJO::FijarNombre(const char* nombre) {
  if (nombre == nullptr) {
    nombre_[0] = 0;
    return;
  }
  std::size_t n = 0;
  while (n < kMaximoNombre && nombre[n] != 0) ++n;
  std::memmove(nombre_, nombre, n);
  nombre_[n] = 0;
}

void CL_BUFFER_FLUJO::CopiarEstado(const CL_BUFFER_FLUJO& otro) {
  if (&otro == this) return;
  posicion_ = otro.posicion_;
  std::memcpy(nombre_, otro.nombre_, sizeof nombre_);
  escribible_ = otro.escribible_;
}

char* CL_BUFFER_FLUJO::PrepararAnadido(uint64_t n) {
  // Room for the NUL and for the whole step that Reservar rounds up to.
  constexpr uint64_t kMaximo = std::numeric_limits<uint32_t>::max();
  if (n > kMaximo) FallarPorTamano();
  const uint64_t necesaria = uint64_t{longitud_} + n + 1;
  if (necesaria + paso_ > kMaximo) FallarPorTamano();
  if (datos_ == nullptr || necesaria > capacidad_) Reservar(static_cast<uint32_t>(necesaria));
  return datos_ + longitud_;
}

void CL_BUFFER_FLUJO::ConfirmarAnadido(uint32_t usados) {
  // A writer that overran its room has already corrupted memory: stop here.
  if (uint64_t{longitud_} + usados >= capacidad_) std::abort();
  longitud_ += usados;
  datos_[longitud_] = 0;
}

}  // namespace orvex
