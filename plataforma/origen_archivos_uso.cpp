#include <utility>

#include "plataforma/origen_archivos.h"
#include "plataforma/origen_archivos_estado.h"

namespace orvex::plataforma {

void UsarOrigenArchivos(std::shared_ptr<OrigenArchivos> origen) {
  EstadoOrigenArchivos& e = EstadoArchivos();
  std::lock_guard<std::mutex> guarda(e.cerrojo);
  e.origen.swap(origen);
  // The source replaced goes with the parameter, once the lock is released.
}

}  // namespace orvex::plataforma
