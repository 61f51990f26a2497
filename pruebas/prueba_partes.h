// Message texts the .dbx save-action tests share.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "api/orvex.h"
#include "soporte/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {

// A part named in both header lines, in the order given.
inline ParteMime AdjuntoOrdenado(const std::string& nombre, const std::string& bytes, bool disposicion_primero) {
  ParteMime p;
  const std::string tipo = "application/octet-stream;\n\tname=\"" + nombre + "\"";
  const std::string disposicion = "attachment;\n\tfilename=\"" + nombre + "\"";
  if (disposicion_primero) p.Cabecera("Content-Disposition", disposicion);
  p.Cabecera("Content-Type", tipo);
  p.Cabecera("Content-Transfer-Encoding", "base64");
  if (!disposicion_primero) p.Cabecera("Content-Disposition", disposicion);
  p.cuerpo = Base64(bytes);
  return p;
}

// Texts with bare LF line ends hand out no parts, so every text here has CR LF.
inline std::string Correo(std::vector<ParteMime> partes) {
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Partes", Multiparte("mixed", std::move(partes))));
}

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
