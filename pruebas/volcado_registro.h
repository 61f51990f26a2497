// The example registry of the registry tests, and a registry key as text, for golden comparisons
// and for comparing two registry sources.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pruebas/entorno_prueba.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {

// An identity with a value of every type, sibling keys whose names sort without regard to case
// (the last one too long for Windows' 100-byte enumeration buffer), and a machine-wide version.
inline void LlenarRegistroDeEjemplo(RegistroPrueba& r) {
  const std::string id = "HKCU\\Identities\\{GUID-1}";
  r.Cadena("HKCU\\Identities", "Default User ID", "{GUID-1}")
      .Cadena(id, "Username", "Identidad principal")
      .Cadena(id, "", "por defecto")
      .Cadena(id + "\\Software\\Microsoft\\Outlook Express\\5.0", "Store Root", "%UserProfile%\\Correo",
              plataforma::kRegExpandSz)
      .Dword(id, "Flags", 0x12345678)
      .Binario(id, "Blob", std::vector<uint8_t>(300, 0x5A))
      .Binario(id, "Multi", {'a', 0, 'b', 0, 0}, plataforma::kRegMultiSz)
      .Clave("HKCU\\Identities\\zeta")
      .Clave("HKCU\\Identities\\Alfa")
      .Clave("HKCU\\Identities\\" + std::string(99, 'a'))
      .Clave("HKCU\\Identities\\" + std::string(100, 'b'))
      .Cadena("HKLM\\Software\\Microsoft\\Outlook Express\\Version Info", "Current", "6.0");
}

// Each value's type and size and the bytes a read gives at each capacity (never past it), then
// the key's subkeys by index. Takes a platform key and a source's key alike.
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
