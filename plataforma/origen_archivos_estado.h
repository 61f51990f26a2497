// The installed file source, shared by the installer and the backends. The installer lives in a
// file of its own, for the reason origen_registro_estado.h gives.
#pragma once

#include <memory>
#include <mutex>

#include "plataforma/origen_archivos.h"

namespace orvex::plataforma {

struct EstadoOrigenArchivos {
  std::mutex cerrojo;
  std::shared_ptr<OrigenArchivos> origen;
};
EstadoOrigenArchivos& EstadoArchivos();

}  // namespace orvex::plataforma
