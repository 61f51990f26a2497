// What a host does with a handed-out part, for the suites of the save actions.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "api/orvex.h"
#include "soporte/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {

// What the host does with one handed-out part; no action: no save call at all.
struct Decision {
  std::optional<uint32_t> accion;
  std::optional<std::string> contenido;  // written into Contenido first
};

inline void PonerContenido(const OE_OBJMSG& o, const std::string& bytes) {
  auto* c = static_cast<CL_BUFFER_FLUJO*>(o.Contenido);
  c->FijarLongitud(0);
  c->Escribir(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace orvex::pruebas
