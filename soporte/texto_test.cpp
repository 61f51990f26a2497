#include "soporte/texto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "plataforma/plataforma.h"
#include "pruebas/tablas.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

// The copy writes at most capacity - 1 bytes and its NUL, never past the capacity.
TEST(TextoTest, LineasCopiasYBlancos) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/texto.inc"
           )) {
    SCOPED_TRACE(fila.at(0) + " \"" + fila.at(1) + "\" " + fila.at(2));
    const std::string& texto = fila[1];
    const uint32_t n = fila[0] == "blancos" ? 0 : std::stoul(fila.at(2)), total = static_cast<uint32_t>(texto.size());
    std::string visto;
    if (fila[0] == "linea") {
      visto = std::to_string(LongitudLinea(n, total, texto.data())) + " " +
              std::to_string(LongitudLineaCompleta(n, total, texto.data()));
    } else if (fila[0] == "copiar") {
      std::vector<char> destino(n + 4, '#');
      EXPECT_EQ(CopiarAcotado(destino.data(), texto.c_str(), n), 0);
      visto = std::string(destino.data(), std::find(destino.data(), destino.data() + n, 0));
      EXPECT_EQ(std::count(destino.begin() + n, destino.end(), '#'), 4);
    } else {
      const char* p = texto.c_str();
      EXPECT_EQ(SaltarBlancos(&p), 0);
      visto = std::to_string(p - texto.c_str());
    }
    EXPECT_EQ(visto, fila.at(3));
  }
}

// The output holds max + 1 bytes and a guard after them must stay untouched.
TEST(CamposTest, ContarYObtenerCampos) {
  for (const auto& caso : pruebas::Filas(
#include "pruebas/datos/campos.inc"
           )) {
    SCOPED_TRACE('"' + caso.at(0) + "\" max " + caso.at(2));
    const char separador = caso.at(1).at(0);
    const uint32_t max = static_cast<uint32_t>(std::stoul(caso.at(2)));
    std::string campos;
    for (uint32_t i = 1; i <= ContarCampos(caso[0].c_str(), separador) + 1; ++i) {
      std::vector<char> salida(max + 1 + 8, '#');
      const int r = ObtenerCampo(i, separador, caso[0].c_str(), salida.data(), max);
      campos += (i > 1 ? "|" : "") + std::string(r == 0 ? "" : "!") + salida.data();
      EXPECT_EQ(std::count(salida.begin() + max + 1, salida.end(), '#'), 8);
    }
    EXPECT_EQ(campos, caso.at(3));
  }
}

static_assert(std::is_standard_layout_v<LISTA_DIRECCIONES> && sizeof(LISTA_DIRECCIONES) == 3 * sizeof(void*));

// The list keeps copies of its own and refuses null; when the memory for a copy runs out the
// list stays as it was.
TEST(ListaDireccionesTest, GuardaCopiasPropiasYSinMemoriaSigueSana) {
  plataforma::Ganchos().Reiniciar();
  LISTA_DIRECCIONES lista;
  lista.Iniciar();
  char origen[] = "uno@example.com";
  EXPECT_EQ(lista.AsignarDe(origen), 0);
  const char* para[] = {"a@x", "", "c@z"};
  for (const char* p : para) EXPECT_EQ(lista.AnadirPara(p), 0);
  origen[0] = 'X';
  EXPECT_EQ(lista.AsignarDe(nullptr), -1);
  EXPECT_EQ(lista.AnadirPara(nullptr), -1);
  EXPECT_STREQ(lista.De, "uno@example.com");
  ASSERT_EQ(lista.NumPara, 3u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_STREQ(lista.Para[i], para[i]) << i;
  // Growing the array in place is one commit; the copy's reservation is the second.
  plataforma::Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] =
      plataforma::Ganchos().contador[static_cast<int>(plataforma::Operacion::kRegion)] + 2;
  testing::internal::CaptureStdout();
  EXPECT_THROW(lista.AnadirPara("b"), CL_EXCEPCION_MEMORIA);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), ">>> Memoria insuficiente para MALLOC\n");
  plataforma::Ganchos().Reiniciar();
  EXPECT_EQ(lista.NumPara, 3u);
  EXPECT_EQ(lista.Para[3], nullptr);
  EXPECT_EQ(lista.Vaciar(), 0);
  EXPECT_TRUE(lista.De == nullptr && lista.Para == nullptr && lista.NumPara == 0);
}

}  // namespace
}  // namespace orvex
