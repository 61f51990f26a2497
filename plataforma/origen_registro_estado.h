// The installed registry source, shared by the installer and the backends. The installer lives
// in a file of its own: a program that links this layer statically besides the shared library
// must still reach the library's installer, not a copy pulled in beside its own backend.
#pragma once

#include <memory>
#include <mutex>

#include "plataforma/origen_registro.h"

namespace orvex::plataforma {

struct EstadoOrigen {
  std::mutex cerrojo;
  std::shared_ptr<const OrigenRegistro> origen;
};
EstadoOrigen& Estado();

}  // namespace orvex::plataforma
