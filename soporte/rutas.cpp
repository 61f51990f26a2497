#include "soporte/rutas.h"

namespace orvex {

namespace {

bool EsSeparador(char c) { return c == '\\' || c == '/'; }

}  // namespace

PartesRuta DividirRuta(std::string_view ruta) {
  PartesRuta partes;
  if (ruta.size() >= 2 && ruta[1] == ':') {
    partes.unidad = std::string(ruta.substr(0, 2));
    ruta.remove_prefix(2);
  }
  const std::size_t barra = ruta.find_last_of("\\/");
  if (barra != std::string_view::npos) {
    partes.directorio = std::string(ruta.substr(0, barra + 1));
    ruta.remove_prefix(barra + 1);
  }
  const std::size_t punto = ruta.rfind('.');
  if (punto != std::string_view::npos) {
    partes.extension = std::string(ruta.substr(punto));
    ruta.remove_suffix(ruta.size() - punto);
  }
  partes.nombre = std::string(ruta);
  return partes;
}

std::string ComponerRuta(std::string_view unidad, std::string_view directorio, std::string_view nombre,
                         std::string_view extension) {
  std::string ruta;
  ruta.reserve(unidad.size() + directorio.size() + nombre.size() + extension.size() + 3);
  if (!unidad.empty()) {
    ruta += unidad[0];
    ruta += ':';
  }
  if (!directorio.empty()) {
    ruta += directorio;
    if (!EsSeparador(directorio.back())) ruta += '\\';
  }
  ruta += nombre;
  if (!extension.empty()) {
    if (extension[0] != '.') ruta += '.';
    ruta += extension;
  }
  return ruta;
}

bool EsNombreDeArchivoSimple(std::string_view nombre) {
  if (nombre.empty() || nombre == "." || nombre == "..") return false;
  for (const char c : nombre) {
    if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace orvex
