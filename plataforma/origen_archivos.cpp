#include "plataforma/origen_archivos.h"

#include <cctype>
#include <utility>

#include "plataforma/origen_archivos_estado.h"

namespace orvex::plataforma {

EstadoOrigenArchivos& EstadoArchivos() {
  static EstadoOrigenArchivos estado;
  return estado;
}

std::shared_ptr<OrigenArchivos> OrigenPara(std::string_view ruta) {
  std::shared_ptr<OrigenArchivos> origen;
  {
    EstadoOrigenArchivos& e = EstadoArchivos();
    std::lock_guard<std::mutex> guarda(e.cerrojo);
    origen = e.origen;
  }
  if (origen && origen->Atiende(ruta)) return origen;
  return nullptr;
}

std::optional<std::vector<std::string>> ComponentesEnUnidad(std::string_view ruta, char unidad) {
  const auto mayus = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
  if (ruta.size() < 2 || ruta[1] != ':' || mayus(ruta[0]) != mayus(unidad)) return std::nullopt;
  std::vector<std::string> partes;
  std::size_t pos = 2;
  while (pos <= ruta.size()) {
    std::size_t fin = ruta.find_first_of("\\/", pos);
    if (fin == std::string_view::npos) fin = ruta.size();
    const std::string_view parte = ruta.substr(pos, fin - pos);
    if (parte == "..") {
      if (partes.empty()) return std::nullopt;
      partes.pop_back();
    } else if (!parte.empty() && parte != ".") {
      partes.emplace_back(parte);
    }
    pos = fin + 1;
  }
  return partes;
}

}  // namespace orvex::plataforma
