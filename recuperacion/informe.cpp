// What the command's report needs of a recovered message beyond its bytes.
#include "recuperacion/recuperacion.h"

namespace orvex::recuperacion {

std::string TextoConMarcas(const Recuperado& r) {
  std::string s;
  s.reserve(r.texto.size() + 48 * r.huecos.size());
  std::size_t desde = 0;
  for (const Hueco& h : r.huecos) {
    const std::size_t hasta = std::min<std::size_t>(h.posicion, r.texto.size());
    if (hasta < desde) continue;
    s.append(r.texto, desde, hasta - desde);
    s += "[orvex: " + std::to_string(h.longitud) + " bytes lost]";
    desde = hasta;
  }
  s.append(r.texto, desde, std::string::npos);
  return s;
}

std::string_view NombreOrigen(Origen o) {
  switch (o) {
    case Origen::kIndice: return "indexed";
    case Origen::kHuerfano: return "orphaned";
    case Origen::kFragmento: return "fragments";
    case Origen::kRegistro: return "records";
  }
  return "";
}

std::string_view NombreEstado(Estado e) {
  switch (e) {
    case Estado::kCompleto: return "complete";
    case Estado::kCortado: return "cut";
    case Estado::kHuecos: return "gaps";
  }
  return "";
}

std::string_view NombreCorte(Corte c) {
  switch (c) {
    case Corte::kNinguno: return "";
    case Corte::kFinArchivo: return "end of file";
    case Corte::kBloque: return "link to no block";
    case Corte::kCiclo: return "cycle";
    case Corte::kAjeno: return "link into another message";
  }
  return "";
}

}  // namespace orvex::recuperacion
