#include "mensaje/empalme.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "pruebas/tablas.h"
#include "soporte/buffer_flujo.h"

namespace orvex::mensaje {
namespace {

TEST(EmpalmeTest, NombreVir) {
  for (const std::vector<std::string>& fila : pruebas::Filas(
#include "pruebas/datos/nombres_vir.inc"
           )) {
    SCOPED_TRACE(fila.at(1));
    const ExtensionVir extension = fila[0] == "quitar" ? ExtensionVir::kQuitar : ExtensionVir::kConservar;
    EXPECT_EQ(NombreVir(fila[1], extension), fila.at(2));
  }
}

TEST(EmpalmeTest, BuscarEnLineasDaLaPrimeraLineaQueLoTiene) {
  // Lines start at 0, 6, 33 and 45; the text ends at 54.
  const std::string texto = "a: b\r\nContent-Type: x; NAME=\"v\"\r\nc; name=\"w\"\nfin name=";
  // The span searched; where "name=" was found and where its line ends, or "no".
  const std::tuple<const char*, uint32_t, uint32_t, Mayusculas, std::string> casos[] = {
      {"sin caso", 0, 54, Mayusculas::kIgnorar, "23-33"},
      {"con caso", 0, 54, Mayusculas::kDistinguir, "36-45"},
      {"la linea partida por el limite no cuenta entera", 33, 38, Mayusculas::kDistinguir, "no"},
      {"ultima linea sin fin de linea", 45, 54, Mayusculas::kDistinguir, "49-54"},
      {"sin caso al final del texto", 45, 54, Mayusculas::kIgnorar, "49-54"},
      {"tramo vacio", 6, 6, Mayusculas::kIgnorar, "no"},
  };
  for (const auto& [nombre, desde, hasta, mayusculas, esperado] : casos) {
    uint32_t en = 0, fin = 0;
    const bool hallado = BuscarEnLineas(texto.data(), desde, hasta, "name=", mayusculas, &en, &fin);
    EXPECT_EQ(hallado ? std::to_string(en) + "-" + std::to_string(fin) : "no", esperado) << nombre;
  }
}

// A misplaced edit is refused before anything changes, and a rewrite under way stays as it was.
TEST(EmpalmeTest, EdicionesFueraDeSitioNoTocanNada) {
  std::string texto = "cabecera\r\n\r\ncontenido\r\n--b--\r\n";
  const auto t = static_cast<uint32_t>(texto.size());
  const struct {
    uint32_t inicio, siguiente;
    std::vector<Edicion> ediciones;  // before the start, out of order, reversed, past the part
  } casos[] = {
      {10, 23, {{5, 12, "x"}}}, {0, 23, {{12, 14, "x"}, {10, 11, "y"}}}, {0, 23, {{14, 12, "x"}}},
      {0, 23, {{12, 24, "x"}}}, {0, t + 1, {{12, 14, "x"}}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(testing::Message() << caso.inicio << "-" << caso.siguiente);
    OE_MENSAJE m{};
    m.Texto = texto.data();
    m.LongTexto = t;
    auto* r = new CL_BUFFER_FLUJO(10000);
    m.Reescrito = r;
    r->Anadir(texto.data(), t);
    m.Modificado = 1;
    m.PosCopia = 3;
    EXPECT_EQ(Empalmar(m, caso.inicio, caso.siguiente, caso.ediciones), OE_ERROR);
    EXPECT_EQ(m.Modificado + m.PosCopia, 4u);
    EXPECT_EQ(ReescritoDe(&m), r);
    EXPECT_EQ(std::string(r->Datos(), r->Longitud()), texto);
    LiberarReescrito(&m);
  }
}

}  // namespace
}  // namespace orvex::mensaje
