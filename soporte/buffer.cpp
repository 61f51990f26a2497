#include "soporte/buffer.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

#include "soporte/memoria.h"

namespace orvex {

namespace {

constexpr uint32_t kPasoPorDefecto = 10000;
constexpr uint64_t kMaximo = std::numeric_limits<uint32_t>::max();

// A length that does not fit in 32 bits is an allocation that cannot succeed.
[[noreturn]] void FallarPorTamano() {
  std::printf(">>> Memoria insuficiente para REALLOC\n");
  std::fflush(stdout);
  throw CL_EXCEPCION_MEMORIA();
}

uint32_t SumaAcotada(uint32_t a, uint32_t b) {
  const uint64_t s = uint64_t{a} + b;
  if (s > kMaximo) FallarPorTamano();
  return static_cast<uint32_t>(s);
}

// The source of a copy may lie in our own block, which a resize can move.
bool EnBloque(const char* p, const char* datos, uint32_t capacidad) {
  if (datos == nullptr) return false;
  std::less<const char*> menor;
  return !menor(p, datos) && menor(p, datos + capacidad);
}

}  // namespace

CL_BUFFER::CL_BUFFER(uint32_t paso) : paso_(paso == 0 ? kPasoPorDefecto : paso) {
  datos_ = static_cast<char*>(MEM_ReservarOExcepcion(paso_));
  capacidad_ = paso_;
  longitud_ = 0;
  datos_[0] = 0;
}

CL_BUFFER::~CL_BUFFER() {
  if (datos_ != nullptr) MEM_Liberar(datos_);
  datos_ = nullptr;
  paso_ = kPasoPorDefecto;
  longitud_ = capacidad_ = 0;
}

void CL_BUFFER::Reiniciar() {
  char* nuevo = static_cast<char*>(MEM_ReservarOExcepcion(kPasoPorDefecto));
  paso_ = kPasoPorDefecto;
  capacidad_ = kPasoPorDefecto;
  datos_ = nuevo;
  longitud_ = 0;
  datos_[0] = 0;
}

uint32_t CL_BUFFER::Longitud() const { return longitud_; }

int CL_BUFFER::FijarLongitud(uint32_t v) {
  AsegurarCapacidadPara(v);
  longitud_ = v;
  return 0;
}

uint32_t CL_BUFFER::Capacidad() const { return capacidad_; }

void CL_BUFFER::Reservar(uint32_t v) {
  if (v <= capacidad_) return;
  const uint64_t capacidad = (uint64_t{v} / paso_ + 1) * paso_;
  if (capacidad > kMaximo) FallarPorTamano();
  datos_ = static_cast<char*>(MEM_RedimensionarOExcepcion(datos_, capacidad));
  capacidad_ = static_cast<uint32_t>(capacidad);
}

void CL_BUFFER::Vaciar() {
  if (uint64_t{capacidad_} < uint64_t{5} * paso_) {
    longitud_ = 0;
    if (datos_ != nullptr) datos_[0] = 0;
    return;
  }
  MEM_LiberarSiNoNulo(datos_);
  datos_ = nullptr;
  Reiniciar();
}

void CL_BUFFER::AsegurarCapacidad() { AsegurarCapacidadPara(longitud_); }

void CL_BUFFER::AsegurarCapacidadPara(uint32_t longitud) {
  if (datos_ != nullptr && uint64_t{longitud} + 1 < capacidad_) return;
  const uint64_t capacidad = (uint64_t{longitud} / paso_ + 1) * paso_;
  if (capacidad > kMaximo) FallarPorTamano();
  datos_ = static_cast<char*>(MEM_RedimensionarOExcepcion(datos_, capacidad));
  capacidad_ = static_cast<uint32_t>(capacidad);
}

void CL_BUFFER::Anadir(const void* bytes, uint32_t n) {
  if (bytes == nullptr) return;
  const uint32_t nueva = SumaAcotada(longitud_, n);
  const char* origen = static_cast<const char*>(bytes);
  const bool propio = EnBloque(origen, datos_, capacidad_);
  const std::size_t desplazamiento = propio ? static_cast<std::size_t>(origen - datos_) : 0;
  AsegurarCapacidadPara(nueva);
  if (propio) origen = datos_ + desplazamiento;
  std::memmove(datos_ + longitud_, origen, n);
  longitud_ = nueva;
  datos_[longitud_] = 0;
}

void CL_BUFFER::AnadirBuffer(const CL_BUFFER& otro) {
  if (otro.datos_ == nullptr) return;
  Anadir(otro.datos_, otro.longitud_);
}

void CL_BUFFER::AnadirCaracter(char c) {
  const uint32_t nueva = SumaAcotada(longitud_, 1);
  AsegurarCapacidadPara(nueva);
  longitud_ = nueva;
  datos_[longitud_ - 1] = c;
  datos_[longitud_] = 0;
}

void CL_BUFFER::EscribirEn(uint32_t posicion, const void* bytes, uint32_t n) {
  if (bytes == nullptr) return;
  const uint32_t fin = SumaAcotada(posicion, n);
  const char* origen = static_cast<const char*>(bytes);
  const bool propio = EnBloque(origen, datos_, capacidad_);
  const std::size_t desplazamiento = propio ? static_cast<std::size_t>(origen - datos_) : 0;
  if (fin > longitud_) {
    AsegurarCapacidadPara(fin);
    longitud_ = fin;
  }
  if (propio) origen = datos_ + desplazamiento;
  std::memmove(datos_ + posicion, origen, n);
  datos_[longitud_] = 0;
}

}  // namespace orvex
