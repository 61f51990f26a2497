#include "mensaje/empalme.h"

#include <gtest/gtest.h>

#include <string>
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
  const std::string texto = "a: b\r\nContent-Type: x; NAME=\"v\"\r\nc; name=\"w\"\nfin name=";
  const auto t = static_cast<uint32_t>(texto.size());
  const auto segunda = static_cast<uint32_t>(texto.find("Content"));
  const auto mayusculas = static_cast<uint32_t>(texto.find("NAME="));
  const auto tercera = static_cast<uint32_t>(texto.find("c; "));
  const auto cuarta = static_cast<uint32_t>(texto.find("fin"));
  struct Caso {
    const char* nombre;
    uint32_t desde, hasta;
    Mayusculas mayusculas;
    bool hallado;
    uint32_t en, fin;
  };
  const Caso casos[] = {
      {"sin caso", 0, t, Mayusculas::kIgnorar, true, mayusculas, tercera},
      {"con caso", 0, t, Mayusculas::kDistinguir, true, tercera + 3, cuarta},
      {"la linea partida por el limite no cuenta entera", tercera, tercera + 5, Mayusculas::kDistinguir, false, 0, 0},
      {"ultima linea sin fin de linea", cuarta, t, Mayusculas::kDistinguir, true, cuarta + 4, t},
      {"sin caso al final del texto", cuarta, t, Mayusculas::kIgnorar, true, cuarta + 4, t},
      {"tramo vacio", segunda, segunda, Mayusculas::kIgnorar, false, 0, 0},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    uint32_t en = 0;
    uint32_t fin = 0;
    ASSERT_EQ(BuscarEnLineas(texto.data(), caso.desde, caso.hasta, "name=", caso.mayusculas, &en, &fin), caso.hallado);
    if (caso.hallado) {
      EXPECT_EQ(en, caso.en);
      EXPECT_EQ(fin, caso.fin);
    }
  }
}

// A misplaced edit is refused before anything changes, with or without a rewrite under way.
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
  for (const bool en_curso : {false, true}) {
    for (const auto& caso : casos) {
      SCOPED_TRACE(testing::Message() << caso.inicio << "-" << caso.siguiente << (en_curso ? ", en curso" : ""));
      OE_MENSAJE m{};
      m.Texto = texto.data();
      m.LongTexto = t;
      if (en_curso) {
        auto* r = new CL_BUFFER_FLUJO(10000);
        m.Reescrito = r;
        r->Anadir(texto.data(), t);
        m.Modificado = 1;
        m.PosCopia = 3;
      }
      EXPECT_EQ(Empalmar(m, caso.inicio, caso.siguiente, caso.ediciones), OE_ERROR);
      EXPECT_EQ(m.Modificado + m.PosCopia, en_curso ? 4u : 0u);
      const CL_BUFFER_FLUJO* r = ReescritoDe(&m);
      EXPECT_EQ(r == nullptr ? "" : std::string(r->Datos(), r->Longitud()), en_curso ? texto : "");
      LiberarReescrito(&m);
    }
  }
}

}  // namespace
}  // namespace orvex::mensaje
