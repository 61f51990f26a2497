#include "herramienta/plantilla.h"

#include <cstdio>
#include <optional>

#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

constexpr std::string_view kCampos[] = {"id", "date", "time", "from", "subject"};

std::string_view Recortar(std::string_view s) {
  const std::size_t a = s.find_first_not_of(" \t\"");
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\"") - a + 1);
}

// "Ana <ana@example.org>" gives "Ana"; "<ana@example.org>" and "ana@example.org" the address.
std::string NombreRemitente(const std::string& de) {
  const std::size_t abre = de.find('<');
  if (abre == std::string::npos) return std::string(Recortar(de));
  const std::string_view nombre = Recortar(std::string_view(de).substr(0, abre));
  if (!nombre.empty()) return std::string(nombre);
  const std::size_t cierra = de.find('>', abre);
  const std::size_t largo = cierra == std::string::npos ? cierra : cierra - abre - 1;
  return std::string(Recortar(std::string_view(de).substr(abre + 1, largo)));
}

std::string Valor(std::string_view campo, const CamposNombre& c) {
  char b[32];
  if (campo == "id") {
    std::snprintf(b, sizeof b, "%06u", static_cast<unsigned>(c.id));
    return b;
  }
  if (campo == "date" || campo == "time") {
    const std::optional<Fecha> f = LeerFecha(c.fecha);
    const Fecha v = f.value_or(Fecha{0, 0, 0, 0, 0});
    if (campo == "date") std::snprintf(b, sizeof b, "%04d-%02d-%02d", v.anio, v.mes, v.dia);
    else std::snprintf(b, sizeof b, "%02d-%02d", v.hora, v.minuto);
    return b;
  }
  if (campo == "from") return NombreRemitente(TextoCabecera(c.de));
  return CortarAncho(TextoCabecera(c.asunto), 60);
}

}  // namespace

std::string ErrorPlantilla(std::string_view plantilla) {
  for (std::size_t p = 0; (p = plantilla.find('{', p)) != std::string_view::npos;) {
    const std::size_t fin = plantilla.find('}', p);
    if (fin == std::string_view::npos) return "unclosed { in the name template";
    const std::string_view campo = plantilla.substr(p + 1, fin - p - 1);
    bool conocido = false;
    for (std::string_view k : kCampos) conocido = conocido || k == campo;
    if (!conocido) return "unknown field {" + std::string(campo) + "} (known: {id} {date} {time} {from} {subject})";
    p = fin + 1;
  }
  return {};
}

std::string NombrePorPlantilla(std::string_view plantilla, const CamposNombre& campos) {
  std::string nombre;
  for (std::size_t p = 0; p < plantilla.size();) {
    const std::size_t abre = plantilla.find('{', p);
    const std::size_t cierra = abre == std::string_view::npos ? abre : plantilla.find('}', abre);
    if (cierra == std::string_view::npos) {
      nombre += plantilla.substr(p);
      break;
    }
    nombre += plantilla.substr(p, abre - p);
    std::string valor = Valor(plantilla.substr(abre + 1, cierra - abre - 1), campos);
    for (char& ch : valor) {
      if (ch == '/' || ch == '\\') ch = '-';
    }
    nombre += valor;
    p = cierra + 1;
  }
  return nombre;
}

}  // namespace orvex::herramienta
