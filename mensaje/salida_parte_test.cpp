#include "mensaje/salida_parte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvex {
namespace {

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

const std::string kNul(1, '\0');

// A part filled the way the message object fills it: raw lines appended, a counted NUL,
// writable, then decoded.
void LlenarParte(CL_SALIDA_PARTE& s, uint32_t modo, const std::vector<std::string>& lineas) {
  s.FijarModo(modo);
  for (const std::string& l : lineas) s.Anadir(l.data(), static_cast<uint32_t>(l.size()));
  s.AnadirCaracter(0);
  s.FijarEscribible(1);
  EXPECT_EQ(s.DecodificarContenido(), 0);
}

TEST(ClSalidaParteTest, UnSoloEstadoPorCodificacion) {
  CL_SALIDA_PARTE s;
  ESTADO_BASE64& por_codificador = static_cast<CL_CODIFICADOR_BASE64&>(s);
  ESTADO_BASE64& por_decodificador = static_cast<CL_DECODIFICADOR_BASE64&>(s);
  EXPECT_EQ(&por_codificador, &por_decodificador);
  ESTADO_QP& qp_codificador = static_cast<CL_CODIFICADOR_QP&>(s);
  ESTADO_QP& qp_decodificador = static_cast<CL_DECODIFICADOR_QP&>(s);
  EXPECT_EQ(&qp_codificador, &qp_decodificador);
  EXPECT_EQ(s.NumGrupo, 0u);
  EXPECT_EQ(s.NumOctetos, 0u);
  EXPECT_EQ(s.NumEscape, 0u);
  EXPECT_EQ(s.Octeto, 0u);
  EXPECT_EQ(s.Modo(), 0u);
  EXPECT_EQ(s.Decodificado().Paso(), 10000u);
  EXPECT_EQ(s.Paso(), 10000u);
}

TEST(ClSalidaParteTest, LlenarYDecodificarUnaParte) {
  struct Caso {
    const char* nombre;
    uint32_t modo;
    std::vector<std::string> lineas;
    std::string contenido;
    bool decodificado;  // whether Contenido is the decoded buffer
  };
  const std::vector<Caso> casos = {
      {"base64 CR LF", 1, {"QUJD\r\n", "REVG\r\n"}, "ABCDEF", true},
      {"base64 LF", 1, {"QUJD\n", "REVG\n"}, "ABCDEF", true},
      {"qp CR LF", 2, {"hola=\r\n", "mundo=3D\r\n"}, "holamundo=\r\n" + kNul, true},
      {"qp LF", 2, {"caf=E9\n", "fin\n"}, "caf\xE9\nfin\n" + kNul, true},
      {"8bit", 4, {"texto\r\n"}, "texto\r\n" + kNul, false},
      {"sin codificacion", 0, {"texto\r\n"}, "texto\r\n" + kNul, false},
      {"7bit con aspecto de base64", 3, {"QUJD\r\n"}, "QUJD\r\n" + kNul, false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_SALIDA_PARTE s;
    LlenarParte(s, caso.modo, caso.lineas);
    const CL_BUFFER_FLUJO& esperado =
        caso.decodificado ? s.Decodificado() : static_cast<CL_BUFFER_FLUJO&>(s);
    EXPECT_EQ(&s.Contenido(), &esperado);
    EXPECT_EQ(Texto(s.Contenido()), caso.contenido);
    if (!caso.decodificado) {
      EXPECT_EQ(s.Decodificado().Longitud(), 0u) << "decoded although not encoded";
    }
  }
}

TEST(ClSalidaParteTest, DecodificarCopiaPosicionNombreYEscribible) {
  CL_SALIDA_PARTE s;
  s.FijarNombre("foto.jpg");
  s.Anadir("QUJD\r\n", 6);
  ASSERT_EQ(s.Posicionar(3, 0), 0);
  s.FijarEscribible(1);
  s.FijarModo(1);
  EXPECT_EQ(s.DecodificarContenido(), 0);
  EXPECT_STREQ(s.Decodificado().Nombre(), "foto.jpg");
  EXPECT_EQ(s.Decodificado().ObtenerPosicion(), 3u);
  EXPECT_EQ(s.Decodificado().Escribible(), 1u);
}

TEST(ClSalidaParteTest, CodificarContenido) {
  struct Caso {
    const char* nombre;
    uint32_t modo;
    std::string crudo;
    std::string nuevo;  // what the host put into the decoded buffer
    std::string esperado;
  };
  const std::vector<Caso> casos = {
      {"8bit no toca el crudo", 4, "original\r\n", "cambiado", "original\r\n"},
      {"sin codificacion no toca el crudo", 0, "original\r\n", "cambiado", "original\r\n"},
      {"base64 reemplaza el crudo", 1, "QUJD\r\n", "AB", "QUI=\r\n"},
      {"base64 vacio", 1, "QUJD\r\n", "", "\r\n"},
      {"qp reemplaza el crudo", 2, "viejo=\r\n", "a=b\r\n", "a=3Db=0D=0A=\r\n"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_SALIDA_PARTE s;
    s.FijarModo(caso.modo);
    s.Anadir(caso.crudo.data(), static_cast<uint32_t>(caso.crudo.size()));
    s.Decodificado().Anadir(caso.nuevo.data(), static_cast<uint32_t>(caso.nuevo.size()));
    s.Decodificado().FijarNombre("nuevo.txt");
    s.Decodificado().FijarEscribible(1);
    EXPECT_EQ(s.CodificarContenido(), 0);
    EXPECT_EQ(Texto(s), caso.esperado);
    EXPECT_EQ(s.Datos()[s.Longitud()], 0);
    const bool codifica = caso.modo == 1 || caso.modo == 2;
    EXPECT_STREQ(s.Nombre(), codifica ? "nuevo.txt" : "");
    EXPECT_EQ(s.Escribible(), codifica ? 1u : 0u);
  }
}

// A changed part goes back raw and reads again as what the host wrote.
TEST(ClSalidaParteTest, CodificarYDecodificarDeNuevo) {
  std::string binario;
  for (int i = 0; i < 70000; ++i) binario += static_cast<char>((i * 7919) >> 3);
  for (uint32_t modo : {1u, 2u}) {
    SCOPED_TRACE(modo);
    CL_SALIDA_PARTE s;
    s.FijarModo(modo);
    s.Decodificado().Anadir(binario.data(), static_cast<uint32_t>(binario.size()));
    ASSERT_EQ(s.CodificarContenido(), 0);
    s.Decodificado().Vaciar();
    ASSERT_EQ(s.DecodificarContenido(), 0);
    EXPECT_EQ(Texto(s.Contenido()), binario);
  }
}

TEST(ClSalidaParteTest, VaciarDejaLaParteComoNueva) {
  struct Caso {
    const char* nombre;
    uint32_t bytes;  // raw bytes of the part before emptying
    uint32_t capacidad_cruda;
  };
  const Caso casos[] = {
      {"parte pequena conserva sus bloques", 100, 10000},
      {"parte grande renueva sus bloques", 60000, 10000},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_SALIDA_PARTE s;
    s.FijarNombre("a.txt");
    std::vector<std::string> lineas(caso.bytes / 4, "QUJD");
    LlenarParte(s, 1, lineas);
    const char* bloque_decodificado = s.Decodificado().Datos();
    s.Vaciar();
    EXPECT_EQ(s.Modo(), 0u);
    EXPECT_EQ(s.Longitud(), 0u);
    EXPECT_STREQ(s.Nombre(), "");
    EXPECT_EQ(s.Escribible(), 0u);
    EXPECT_EQ(s.ObtenerPosicion(), 0u);
    EXPECT_EQ(s.Capacidad(), caso.capacidad_cruda);
    EXPECT_EQ(s.Decodificado().Longitud(), 0u);
    EXPECT_STREQ(s.Decodificado().Nombre(), "");
    EXPECT_EQ(s.Decodificado().Escribible(), 0u);
    EXPECT_EQ(&s.Contenido(), static_cast<CL_BUFFER_FLUJO*>(&s));
    if (caso.bytes < 40000) {
      EXPECT_EQ(s.Decodificado().Datos(), bloque_decodificado) << "small block not kept";
    }
  }
}

// The same object serves part after part.
TEST(ClSalidaParteTest, PartesSucesivas) {
  CL_SALIDA_PARTE s;
  LlenarParte(s, 1, {"QUJD\r\n"});
  EXPECT_EQ(Texto(s.Contenido()), "ABC");
  s.Vaciar();
  LlenarParte(s, 2, {"x=41\r\n"});
  EXPECT_EQ(Texto(s.Contenido()), "xA\r\n" + kNul);
  s.Vaciar();
  LlenarParte(s, 4, {"plano"});
  EXPECT_EQ(Texto(s.Contenido()), "plano" + kNul);
}

}  // namespace
}  // namespace orvex
