#include "plataforma/origen_archivos.h"

#include <cctype>
#include <mutex>
#include <utility>

namespace orvex::plataforma {

namespace {
std::mutex g_cerrojo;
std::shared_ptr<OrigenArchivos> g_origen;
}  // namespace

void InstalarOrigenArchivos(std::shared_ptr<OrigenArchivos> origen) {
  std::lock_guard<std::mutex> guarda(g_cerrojo);
  g_origen = std::move(origen);
}

std::shared_ptr<OrigenArchivos> OrigenPara(std::string_view ruta) {
  std::shared_ptr<OrigenArchivos> origen;
  {
    std::lock_guard<std::mutex> guarda(g_cerrojo);
    origen = g_origen;
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
