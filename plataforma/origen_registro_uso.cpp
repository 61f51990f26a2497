#include <utility>

#include "plataforma/origen_registro.h"
#include "plataforma/origen_registro_estado.h"

namespace orvex::plataforma {

void UsarOrigenRegistro(std::shared_ptr<const OrigenRegistro> origen) {
  EstadoOrigen& e = Estado();
  std::lock_guard<std::mutex> guarda(e.cerrojo);
  e.origen.swap(origen);
  // The source replaced goes with the parameter, once the lock is released.
}

}  // namespace orvex::plataforma
