// Module-wide state: the store generation served and the selected identity.
#pragma once

#include <cstdint>
#include <utility>

#include "nucleo/generacion.h"

namespace orvex {

// The generation in force: a version number that carries its table entry, picked when the
// number is set (by the detection, or by a caller that knows the store).
class VersionEnCurso {
 public:
  VersionEnCurso& operator=(uint32_t version) {
    version_ = version;
    entrada_ = GeneracionDe(version);
    return *this;
  }
  operator uint32_t() const { return version_; }
  // Null when no generation is served.
  const Generacion* Entrada() const { return entrada_; }

 private:
  uint32_t version_ = VERSION_NINGUNA;
  const Generacion* entrada_ = nullptr;
};

// Written at load and by OE_ObtenerVersionOE / OE_IniciarIdentities; read without a lock.
inline VersionEnCurso VersionOE;
inline char IdentidadActual[256] = {};
inline void* ModuloInstancia = nullptr;

// Calls one operation of the generation in force; OE_ERROR when there is none or the
// generation lacks it.
template <class Operacion, class... Argumentos>
uint32_t EnCurso(Operacion Generacion::*operacion, Argumentos&&... argumentos) {
  const Generacion* generacion = VersionOE.Entrada();
  if (generacion == nullptr || generacion->*operacion == nullptr) return OE_ERROR;
  return (generacion->*operacion)(std::forward<Argumentos>(argumentos)...);
}

}  // namespace orvex
