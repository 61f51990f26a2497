#include "herramienta/mbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

// Every quoted body also unquotes to its text.
std::string Mboxrd(std::string_view texto) {
  std::string salida;
  AnadirCuerpoMboxrd(salida, texto);
  EXPECT_EQ(QuitarCitaMboxrd(salida), std::string(texto).append(texto.ends_with('\n') ? "" : "\n"));
  return salida;
}

// The rows of pruebas/datos/mbox_herramienta.txt: the function, the case, the input, the output.
TEST(MboxTest, CuerposRemitentesYFechas) {
  const std::map<std::string, std::function<std::string(std::string_view)>> funciones = {
      {"Mboxrd", Mboxrd},
      {"Sobre", RemitenteSobre},
      {"LineaFromDe", [](std::string_view fecha) { return LineaFrom("a@b", fecha); }},
  };
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/mbox_herramienta.inc"
           )) {
    SCOPED_TRACE(f[1]);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(funciones.at(f[0])(f[2]), f[3]);
  }
}

}  // namespace
}  // namespace orvex::herramienta
