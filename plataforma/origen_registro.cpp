#include "plataforma/origen_registro.h"

#include "plataforma/origen_registro_estado.h"

namespace orvex::plataforma {

EstadoOrigen& Estado() {
  static EstadoOrigen estado;
  return estado;
}

std::shared_ptr<const OrigenRegistro> OrigenRegistroInstalado() {
  EstadoOrigen& e = Estado();
  std::lock_guard<std::mutex> guarda(e.cerrojo);
  return e.origen;
}

}  // namespace orvex::plataforma
