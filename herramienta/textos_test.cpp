#include "herramienta/textos.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

constexpr std::string_view kCabeceras =
    "Received: x\r\nfrom: Ana\r\n <ana@example.org>\r\nSubject: Hola\r\n\r\nFrom: body@example.org\r\n";

// The rows of pruebas/datos/textos_herramienta.txt: the function, the case, the input, the text.
TEST(TextosTest, Conversiones) {
  const std::map<std::string, std::function<std::string(std::string_view)>> funciones = {
      {"AUtf8", AUtf8},
      {"TextoCabecera", TextoCabecera},
      {"FechaLegible", FechaLegible},
      {"AnchoCuatro", [](std::string_view s) { return CortarAncho(s, 4) + std::to_string(AnchoVisible(s)); }},
      {"Cabecera", [](std::string_view nombre) { return Cabecera(kCabeceras, nombre); }},
  };
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/textos_herramienta.inc"
           )) {
    SCOPED_TRACE(f[1]);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(funciones.at(f[0])(f[2]), f[3]);
  }
  EXPECT_EQ(Cabecera("From: a@b", "From"), "a@b");
}

}  // namespace
}  // namespace orvex::herramienta
