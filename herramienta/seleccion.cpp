#include "herramienta/seleccion.h"

#include <array>
#include <cctype>
#include <map>
#include <set>

#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

// Deeper folder chains than this are taken as a cycle in a damaged folder list.
constexpr int kProfundidadMaxima = 64;

std::string Normalizar(std::string_view ruta) {
  std::string r;
  for (char c : ruta) {
    if (c == '\\') c = '/';
    if (c == '/' && (r.empty() || r.back() == '/')) continue;
    r += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  while (!r.empty() && r.back() == '/') r.pop_back();
  return r;
}

bool SoloCifras(const std::string& s) {
  if (s.empty() || s.size() > 10) return false;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

void CompletarRutas(std::vector<CarpetaVista>& carpetas) {
  std::map<uint64_t, const CarpetaVista*> por_clave;
  for (const CarpetaVista& c : carpetas) por_clave.emplace(c.Clave(), &c);
  for (CarpetaVista& c : carpetas) {
    std::vector<const std::string*> nombres{&c.nombre};
    std::set<uint64_t> vistos{c.Clave()};
    uint64_t padre = c.padre;
    while (padre != 0 && static_cast<int>(nombres.size()) <= kProfundidadMaxima) {
      const auto it = por_clave.find(padre);
      if (it == por_clave.end() || !vistos.insert(padre).second) break;
      nombres.push_back(&it->second->nombre);
      padre = it->second->padre;
    }
    c.profundidad = static_cast<int>(nombres.size()) - 1;
    c.ruta.clear();
    for (auto it = nombres.rbegin(); it != nombres.rend(); ++it) {
      if (!c.ruta.empty()) c.ruta += '/';
      c.ruta += **it;
    }
  }
}

std::vector<const CarpetaVista*> ElegirCarpetas(const std::vector<CarpetaVista>& carpetas,
                                                const std::string& selector, std::string* error) {
  std::vector<const CarpetaVista*> elegidas;
  if (selector.empty()) {
    for (const CarpetaVista& c : carpetas) elegidas.push_back(&c);
    return elegidas;
  }
  if (SoloCifras(selector)) {
    const unsigned long long id = std::stoull(selector);
    for (const CarpetaVista& c : carpetas) {
      if (c.id == id) return {&c};
    }
    *error = "no folder has id " + selector;
    return {};
  }
  // A path is matched as the store holds it and as the command prints it (UTF-8).
  const std::string buscada = Normalizar(selector);
  const auto formas = [](const CarpetaVista& c) { return std::array{Normalizar(c.ruta), Normalizar(AUtf8(c.ruta))}; };
  for (const CarpetaVista& c : carpetas) {
    for (const std::string& ruta : formas(c)) {
      if (ruta == buscada) return {&c};
    }
  }
  for (const CarpetaVista& c : carpetas) {
    for (const std::string& ruta : formas(c)) {
      if (ruta.size() > buscada.size() && ruta.compare(ruta.size() - buscada.size(), buscada.size(), buscada) == 0 &&
          ruta[ruta.size() - buscada.size() - 1] == '/') {
        elegidas.push_back(&c);
        break;
      }
    }
  }
  if (elegidas.empty()) {
    *error = "no folder is called \"" + selector + "\" (see: orvex folders)";
  } else if (elegidas.size() > 1) {
    *error = "\"" + selector + "\" names " + std::to_string(elegidas.size()) + " folders:";
    for (const CarpetaVista* c : elegidas) *error += "\n  " + AUtf8(c->ruta) + "  (id " + std::to_string(c->id) + ")";
    *error += "\ngive the whole path or the id";
    elegidas.clear();
  }
  return elegidas;
}

std::vector<const CarpetaVista*> OrdenArbol(const std::vector<CarpetaVista>& carpetas) {
  std::set<uint64_t> claves;
  for (const CarpetaVista& c : carpetas) claves.insert(c.Clave());
  std::multimap<uint64_t, const CarpetaVista*> hijos;
  std::vector<const CarpetaVista*> raices;
  for (const CarpetaVista& c : carpetas) {
    if (c.padre == 0 || c.padre == c.Clave() || claves.count(c.padre) == 0) {
      raices.push_back(&c);
    } else {
      hijos.emplace(c.padre, &c);
    }
  }
  std::vector<const CarpetaVista*> orden;
  std::set<const CarpetaVista*> puestos;
  std::vector<const CarpetaVista*> pila(raices.rbegin(), raices.rend());
  while (!pila.empty()) {
    const CarpetaVista* c = pila.back();
    pila.pop_back();
    if (!puestos.insert(c).second) continue;
    orden.push_back(c);
    const auto [ini, fin] = hijos.equal_range(c->Clave());
    std::vector<const CarpetaVista*> propios;
    for (auto it = ini; it != fin; ++it) propios.push_back(it->second);
    pila.insert(pila.end(), propios.rbegin(), propios.rend());
  }
  // Folders caught in a cycle of parents hang from nothing above: list them at the end.
  for (const CarpetaVista& c : carpetas) {
    if (puestos.insert(&c).second) orden.push_back(&c);
  }
  return orden;
}

}  // namespace orvex::herramienta
