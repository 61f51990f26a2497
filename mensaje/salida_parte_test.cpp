#include "mensaje/salida_parte.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "pruebas/volcado.h"

namespace orvex {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_mensaje.inc"
    ;

// Contents, name, position and write switch, and whether the NUL behind the contents is missing.
std::string Estado(const CL_BUFFER_FLUJO& b) {
  return pruebas::Resumido(std::string_view(b.Datos(), b.Longitud())) + " \"" + b.Nombre() + "\" pos " +
         std::to_string(b.ObtenerPosicion()) + " escribible " + std::to_string(b.Escribible()) +
         (b.Datos()[b.Longitud()] == 0 ? "" : " SIN NUL");
}

// A part filled the way the message object fills it (name, raw lines, a counted NUL, writable, a
// position inside) is decoded for the host; what the host writes goes back raw (base64 and
// quoted-printable only) and decodes again as written; emptied, the part is as new.
TEST(ClSalidaParteTest, DecodificarCodificarYVaciar) {
  const std::tuple<const char*, uint32_t, std::vector<std::string>, std::string> casos[] = {
      {"base64 CR LF", 1, {"QUJD\r\n", "REVG\r\n"}, "AB"},
      {"qp LF", 2, {"caf=E9\n", "fin\n"}, "a=b\r\n"},
      {"sin codificacion", 0, {"texto\r\n"}, "cambiado"},
      {"7bit con aspecto de base64", 3, {"QUJD\r\n"}, "cambiado"},
  };
  std::string visto;
  for (const auto& [nombre, modo, lineas, nuevo] : casos) {
    SCOPED_TRACE(nombre);
    CL_SALIDA_PARTE s;
    s.FijarModo(modo);
    s.FijarNombre("foto.jpg");
    for (const std::string& l : lineas) s.Anadir(l.data(), static_cast<uint32_t>(l.size()));
    s.AnadirCaracter(0);
    s.FijarEscribible(1);
    ASSERT_EQ(s.Posicionar(3, 0), 0);
    EXPECT_EQ(s.DecodificarContenido(), 0);
    CL_BUFFER_FLUJO& decodificado = s.Decodificado();
    visto += std::string(nombre) + ":\n  host " + (&s.Contenido() == &s ? "crudo " : "decodificado ") +
             Estado(s.Contenido()) + "\n";
    s.FijarEscribible(0);
    decodificado.Vaciar();
    decodificado.Anadir(nuevo.data(), static_cast<uint32_t>(nuevo.size()));
    decodificado.FijarNombre("nuevo.txt");
    decodificado.FijarEscribible(1);
    EXPECT_EQ(s.CodificarContenido(), 0);
    visto += "  escrito " + Estado(s) + "\n";
    decodificado.Vaciar();
    EXPECT_EQ(s.DecodificarContenido(), 0);
    visto += "  releido " + Estado(s.Contenido()) + "\n";
    s.Vaciar();
    visto += "  vaciado modo " + std::to_string(s.Modo()) + (&s.Contenido() == &s ? " " : " decodificado ") +
             Estado(s) + " | " + Estado(decodificado) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_mensaje", "salida parte", visto);
}

}  // namespace
}  // namespace orvex
