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

// A part is decoded for the host, and what the host writes goes back raw (base64 and
// quoted-printable only) and reads again as written.
TEST(ClSalidaParteTest, DecodificarYCodificarUnaParte) {
  struct Caso {
    const char* nombre;
    uint32_t modo;
    std::vector<std::string> lineas;
    std::string contenido, nuevo, crudo;  // nuevo: what the host writes; crudo: the raw lines then
  };
  const std::vector<Caso> casos = {
      {"base64 CR LF", 1, {"QUJD\r\n", "REVG\r\n"}, "ABCDEF", "AB", "QUI=\r\n"},
      {"base64 vacio", 1, {"QUJD\r\n"}, "ABC", "", "\r\n"},
      {"qp LF", 2, {"caf=E9\n", "fin\n"}, "caf\xE9\nfin\n" + kNul, "a=b\r\n", "a=3Db=0D=0A=\r\n"},
      {"8bit", 4, {"texto\r\n"}, "texto\r\n" + kNul, "cambiado", "texto\r\n" + kNul},
      {"sin codificacion", 0, {"texto\r\n"}, "texto\r\n" + kNul, "cambiado", "texto\r\n" + kNul},
      {"7bit con aspecto de base64", 3, {"QUJD\r\n"}, "QUJD\r\n" + kNul, "cambiado", "QUJD\r\n" + kNul},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CL_SALIDA_PARTE s;
    LlenarParte(s, caso.modo, caso.lineas);
    const bool codificado = caso.modo == 1 || caso.modo == 2;
    EXPECT_EQ(&s.Contenido(), codificado ? &s.Decodificado() : static_cast<CL_BUFFER_FLUJO*>(&s));
    EXPECT_EQ(Texto(s.Contenido()), caso.contenido);
    // The decoded buffer takes the raw base's name, position and switch.
    EXPECT_STREQ(s.Contenido().Nombre(), "foto.jpg");
    EXPECT_EQ(s.Contenido().ObtenerPosicion(), 3u);
    EXPECT_EQ(s.Contenido().Escribible(), 1u);
    EXPECT_EQ(s.Decodificado().Longitud() == 0, !codificado);
    // And the raw base takes the decoded buffer's name and switch back with its content.
    s.FijarEscribible(0);
    s.Decodificado().Vaciar();
    s.Decodificado().Anadir(caso.nuevo.data(), static_cast<uint32_t>(caso.nuevo.size()));
    s.Decodificado().FijarNombre("nuevo.txt");
    s.Decodificado().FijarEscribible(1);
    EXPECT_EQ(s.CodificarContenido(), 0);
    EXPECT_EQ(Texto(s), caso.crudo);
    EXPECT_EQ(s.Datos()[s.Longitud()], 0);
    EXPECT_STREQ(s.Nombre(), codificado ? "nuevo.txt" : "foto.jpg");
    EXPECT_EQ(s.Escribible(), codificado ? 1u : 0u);
    if (!codificado) continue;
    s.Decodificado().Vaciar();
    ASSERT_EQ(s.DecodificarContenido(), 0);
    EXPECT_EQ(Texto(s.Contenido()), caso.nuevo);
  }
}

// The decoded buffer goes with the rest; how a block is kept or renewed is ClBufferTest's.
TEST(ClSalidaParteTest, VaciarDejaLaParteComoNueva) {
  CL_SALIDA_PARTE s;
  LlenarParte(s, 1, {"QUJD"});
  s.Vaciar();
  EXPECT_EQ(s.Modo(), 0u);
  EXPECT_EQ(&s.Contenido(), static_cast<CL_BUFFER_FLUJO*>(&s));
  for (const CL_BUFFER_FLUJO* b : {static_cast<CL_BUFFER_FLUJO*>(&s), &s.Decodificado()}) {
    EXPECT_EQ(b->Longitud() + b->ObtenerPosicion() + b->Escribible(), 0u);
    EXPECT_STREQ(b->Nombre(), "");
  }
}

}  // namespace
}  // namespace orvex
