// A registry key as text, for golden comparisons and for comparing two registry sources: each
// value's type and size and the bytes a read gives at each capacity (never past it), then its
// subkeys by index. Takes a platform key and a source's key alike.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pruebas/volcado.h"

namespace orvex::pruebas {

template <class Clave>
std::string VolcarClave(const Clave* clave, const std::vector<std::string>& valores) {
  if (clave == nullptr) return " absent\n";
  std::string dicho = "\n";
  for (const std::string& valor : valores) {
    uint32_t tamano = 0, tipo = 0;
    const bool hay = clave->ConsultarValor(valor, &tamano, &tipo);
    dicho += "  \"" + Escapado(valor) + (hay ? "\" " + std::to_string(tipo) + "/" + std::to_string(tamano) : "\" none");
    for (uint32_t capacidad : {0u, 3u, 10u, 19u, 20u, 400u}) {
      std::vector<uint8_t> buffer(capacidad + 16, 0xCC);
      uint32_t leidos = 12345;
      if (clave->LeerValor(valor, buffer.data(), capacidad, &leidos) != hay) dicho += " LEE OTRA COSA";
      if (!hay) continue;
      EXPECT_LE(leidos, capacidad) << valor;
      leidos = std::min(leidos, capacidad);
      dicho += " \"" + Escapado(std::string(buffer.begin(), buffer.begin() + leidos)) + "\"";
      EXPECT_EQ(std::count(buffer.begin() + leidos, buffer.end(), 0xCC), buffer.size() - leidos) << valor;
    }
    dicho += "\n";
  }
  dicho += "  subclaves";
  std::string nombre;
  for (uint32_t i : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 0xFFFFFFFFu}) {
    dicho += " " + (clave->EnumerarSubclave(i, &nombre) ? Escapado(nombre) : "-");
  }
  return dicho + "\n";
}

}  // namespace orvex::pruebas
