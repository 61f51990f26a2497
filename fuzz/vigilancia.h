// Region accounting of the fuzz programs (see vigilancia.cpp).
#pragma once

#include <cstddef>

namespace orvex::fuzz {

struct EstadoRegiones {
  std::size_t regiones;
  std::size_t confirmado;
};

struct Vigilancia {
  // Before an input: the live regions and committed bytes; the peak starts again from here.
  static EstadoRegiones Inicio();
  // After it: aborts when regions were left behind or the peak grew more than 64 MiB over
  // the input's size.
  static void Fin(const EstadoRegiones& inicio, std::size_t tamano_entrada);
};

}  // namespace orvex::fuzz
