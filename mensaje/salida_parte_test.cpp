#include "mensaje/salida_parte.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvex {
namespace {

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

const std::string kNul(1, '\0');

// A part filled the way the message object fills it: name, raw lines, a counted NUL,
// writable, a position inside, then decoded.
void LlenarParte(CL_SALIDA_PARTE& s, uint32_t modo, const std::vector<std::string>& lineas) {
  s.FijarModo(modo);
  s.FijarNombre("foto.jpg");
  for (const std::string& l : lineas) s.Anadir(l.data(), static_cast<uint32_t>(l.size()));
  s.AnadirCaracter(0);
  s.FijarEscribible(1);
  ASSERT_EQ(s.Posicionar(3, 0), 0);
  EXPECT_EQ(s.DecodificarContenido(), 0);
}

TEST(ClSalidaParteTest, LlenarYDecodificarUnaParte) {
  struct Caso { const char* nombre; uint32_t modo; std::vector<std::string> lineas; std::string contenido; };
  const std::vector<Caso> casos = {
      {"base64 CR LF", 1, {"QUJD\r\n", "REVG\r\n"}, "ABCDEF"},
      {"qp LF", 2, {"caf=E9\n", "fin\n"}, "caf\xE9\nfin\n" + kNul},
      {"8bit", 4, {"texto\r\n"}, "texto\r\n" + kNul},
      {"sin codificacion", 0, {"texto\r\n"}, "texto\r\n" + kNul},
      {"7bit con aspecto de base64", 3, {"QUJD\r\n"}, "QUJD\r\n" + kNul},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_SALIDA_PARTE s;
    LlenarParte(s, caso.modo, caso.lineas);
    const bool decodificado = caso.modo == 1 || caso.modo == 2;
    EXPECT_EQ(&s.Contenido(), decodificado ? &s.Decodificado() : static_cast<CL_BUFFER_FLUJO*>(&s));
    EXPECT_EQ(Texto(s.Contenido()), caso.contenido);
    // The decoded buffer takes the raw base's name, position and switch.
    EXPECT_STREQ(s.Contenido().Nombre(), "foto.jpg");
    EXPECT_EQ(s.Contenido().ObtenerPosicion(), 3u);
    EXPECT_EQ(s.Contenido().Escribible(), 1u);
    EXPECT_EQ(s.Decodificado().Longitud() == 0, !decodificado);
  }
}

// A changed part goes back raw, and reads again as what the host wrote.
TEST(ClSalidaParteTest, CodificarContenido) {
  struct Caso {
    const char* nombre;
    uint32_t modo;
    std::string crudo, nuevo;  // nuevo: what the host put into the decoded buffer
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
    if (!codifica) continue;
    s.Decodificado().Vaciar();
    ASSERT_EQ(s.DecodificarContenido(), 0);
    EXPECT_EQ(Texto(s.Contenido()), caso.nuevo);
  }
}

TEST(ClSalidaParteTest, VaciarDejaLaParteComoNueva) {
  for (uint32_t bytes : {100u, 60000u}) {  // small blocks are kept, large ones renewed
    SCOPED_TRACE(bytes);
    CL_SALIDA_PARTE s;
    LlenarParte(s, 1, std::vector<std::string>(bytes / 4, "QUJD"));
    const char* bloque_decodificado = s.Decodificado().Datos();
    s.Vaciar();
    EXPECT_EQ(s.Modo(), 0u);
    EXPECT_EQ(&s.Contenido(), static_cast<CL_BUFFER_FLUJO*>(&s));
    EXPECT_EQ(s.Capacidad(), 10000u);
    for (const CL_BUFFER_FLUJO* b : {static_cast<CL_BUFFER_FLUJO*>(&s), &s.Decodificado()}) {
      EXPECT_EQ(b->Longitud() + b->ObtenerPosicion() + b->Escribible(), 0u);
      EXPECT_STREQ(b->Nombre(), "");
    }
    EXPECT_TRUE(bytes >= 40000 || s.Decodificado().Datos() == bloque_decodificado) << "small block not kept";
  }
}

}  // namespace
}  // namespace orvex
