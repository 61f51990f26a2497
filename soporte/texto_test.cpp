#include "soporte/texto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "plataforma/plataforma.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

TEST(LongitudLineaTest, CortaCadaLineaConSuFinal) {
  struct Caso {
    std::string texto;
    uint32_t pos;
    uint32_t linea, completa;
  };
  const std::string t("ab\r\ncd", 6);
  const Caso casos[] = {{t, 0, 4, 4},   {t, 4, 2, 0},     {t, 6, 0, 0},  {t, 2, 2, 2},
                        {t, 3, 1, 1},   {t, 7, 0, 0},     {"", 0, 0, 0}, {"\n", 0, 1, 1},
                        {"x", 0, 1, 0}, {std::string("a\0b\nc", 5), 0, 4, 4}};  // NUL is an ordinary byte
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << '"' << c.texto << "\" @" << c.pos);
    const uint32_t total = static_cast<uint32_t>(c.texto.size());
    EXPECT_EQ(LongitudLinea(c.pos, total, c.texto.data()), c.linea);
    EXPECT_EQ(LongitudLineaCompleta(c.pos, total, c.texto.data()), c.completa);
  }
}

TEST(CopiarAcotadoTest, CopiaComoMuchoCapacidadMenosUno) {
  struct Caso {
    const char* origen;
    std::size_t capacidad;
    std::string esperado;
  };
  const Caso casos[] = {{"abc", 4, "abc"}, {"abcd", 4, "abc"}, {"abcdef", 4, "abc"},
                        {"", 1, ""},       {"abc", 1, ""},    {"ab", 8, "ab"}, {"abc", 0, ""}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.origen << " / " << c.capacidad);
    std::vector<char> destino(c.capacidad + 4, '#');
    EXPECT_EQ(CopiarAcotado(destino.data(), c.origen, c.capacidad), 0);
    EXPECT_EQ(std::string(destino.data(), std::find(destino.data(), destino.data() + c.capacidad, 0)), c.esperado);
    for (std::size_t i = c.capacidad; i < destino.size(); ++i) EXPECT_EQ(destino[i], '#') << i;
  }
}

TEST(SaltarBlancosTest, SoloBlancosYTabuladores) {
  struct Caso {
    const char* texto;
    std::size_t salto;
  };
  const Caso casos[] = {{" \t x", 3}, {"x ", 0}, {"", 0}, {"  \r\n", 2}, {"\t\t", 2}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    const char* p = c.texto;
    EXPECT_EQ(SaltarBlancos(&p), 0);
    EXPECT_EQ(p, c.texto + c.salto);
    std::string copia(c.texto);
    char* q = copia.data();
    SaltarBlancos(&q);
    EXPECT_EQ(q, copia.data() + c.salto);
  }
}

// Each row gives ObtenerCampo(i) for i = 1 .. ContarCampos + 1, "|"-joined, "!" where it
// gives -1. The output holds max + 1 bytes and a guard after them must stay untouched.
TEST(CamposTest, ContarYObtenerCampos) {
  const struct {
    const char* texto;
    char separador;
    uint32_t max;
    const char* campos;
  } casos[] = {
      {" a, b ,c", ',', 257, "a|b |c|!"},  // leading blanks go, trailing ones stay
      {": \tx", ',', 257, "x|!"},       {"   ", ',', 257, "!|!"},         {"", ',', 257, "!|!"},
      {"a,,  ,b", ',', 257, "a|!|b|!"}, {"a,,b", ',', 257, "a|b|!"},      {"a,b,", ',', 257, "a|b|!"},
      {",a", ',', 257, "!|a"},          {",,,", ',', 257, "!|!"},         {",,a,,b,,", ',', 257, "!|a|b"},
      {"a;b c", ';', 257, "a|b c|!"},   {"a b", ' ', 257, "a|b|!"},       {"abcdef", ',', 3, "abc|!"},
      {"x,abcdef,y", ',', 4, "x|abcd|y|!"}, {"abc", ',', 0, "!|!"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << '"' << c.texto << "\" max " << c.max);
    std::string campos;
    for (uint32_t i = 1; i <= ContarCampos(c.texto, c.separador) + 1; ++i) {
      std::vector<char> salida(c.max + 1 + 8, '#');
      const int r = ObtenerCampo(i, c.separador, c.texto, salida.data(), c.max);
      campos += (i > 1 ? "|" : "") + std::string(r == 0 ? "" : "!") + salida.data();
      for (std::size_t k = c.max + 1; k < salida.size(); ++k) EXPECT_EQ(salida[k], '#') << k;
    }
    EXPECT_EQ(campos, c.campos);
  }
}

// Starts empty and is emptied at the end, with the platform hooks reset around it.
struct Lista : LISTA_DIRECCIONES {
  Lista() { plataforma::Ganchos().Reiniciar(); Iniciar(); }
  ~Lista() { plataforma::Ganchos().Reiniciar(); Vaciar(); }
};

static_assert(std::is_standard_layout_v<LISTA_DIRECCIONES> && sizeof(LISTA_DIRECCIONES) == 3 * sizeof(void*));

TEST(ListaDireccionesTest, GuardaCopiasPropiasRechazaNuloYSeVacia) {
  Lista lista;
  lista.AsignarDe("primero");
  char* primero = lista.De;
  char origen[] = "uno@example.com";
  EXPECT_EQ(lista.AsignarDe(origen), 0);
  // The replaced copy's region is released: it faults when touched, or is the next one handed out.
  if (MEM_ReutilizaRegiones()) {
    BloqueMem<char> siguiente(static_cast<char*>(MEM_Reservar(1)));
    EXPECT_EQ(siguiente.get(), primero);
  } else {
    EXPECT_DEATH({ std::printf("%c", *static_cast<volatile char*>(primero)); }, "");
  }
  const char* para[] = {"a@x", "b@y", "", "c@z"};
  for (const char* p : para) EXPECT_EQ(lista.AnadirPara(p), 0);
  origen[0] = 'X';
  EXPECT_EQ(lista.AsignarDe(nullptr), -1);
  EXPECT_EQ(lista.AnadirPara(nullptr), -1);
  EXPECT_STREQ(lista.De, "uno@example.com");
  ASSERT_EQ(lista.NumPara, 4u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_STREQ(lista.Para[i], para[i]) << i;
  EXPECT_EQ(lista.Vaciar(), 0);
  EXPECT_TRUE(lista.De == nullptr && lista.Para == nullptr && lista.NumPara == 0);
  EXPECT_EQ(lista.Vaciar(), 0);
}

TEST(ListaDireccionesTest, SinMemoriaParaLaCopiaLaListaSigueSana) {
  Lista lista;
  lista.AnadirPara("a");
  // Growing the array in place is one commit; the copy's reservation is the second.
  plataforma::Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kRegion)] =
      plataforma::Ganchos().contador[static_cast<int>(plataforma::Operacion::kRegion)] + 2;
  testing::internal::CaptureStdout();
  EXPECT_THROW(lista.AnadirPara("b"), CL_EXCEPCION_MEMORIA);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), ">>> Memoria insuficiente para MALLOC\n");
  plataforma::Ganchos().Reiniciar();
  EXPECT_EQ(lista.NumPara, 1u);
  EXPECT_EQ(lista.Para[1], nullptr);
  EXPECT_EQ(lista.AnadirPara("c"), 0);
  EXPECT_STREQ(lista.Para[1], "c");
}

}  // namespace
}  // namespace orvex
