// The daemon's replies and the destinations as written on the command line; the protocol
// itself runs against a real clamd in orvex_test.
#include "herramienta/clamd.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

TEST(ClamdTest, RespuestasYDestinos) {
  using T = VeredictoClamd::Tipo;
  struct Caso {
    std::string_view respuesta;
    T tipo;
    std::string_view texto;  // a part of the text
  } const casos[] = {
      {std::string_view("stream: OK\0", 11), T::kLimpio, ""},
      {"stream: Eicar-Test-Signature.UNOFFICIAL FOUND", T::kHallado, "Eicar-Test-Signature.UNOFFICIAL"},
      {"stream: Win.Test FOUND\n", T::kHallado, "Win.Test"},
      {"INSTREAM size limit exceeded. ERROR", T::kError, "StreamMaxLength"},
      {"", T::kError, "without a reply"},
      {"stream: FOUND", T::kError, "replied"},
      {"UNKNOWN COMMAND", T::kError, "UNKNOWN COMMAND"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.respuesta);
    const VeredictoClamd v = LeerRespuestaClamd(c.respuesta);
    EXPECT_EQ(v.tipo, c.tipo);
    EXPECT_NE(v.texto.find(c.texto), std::string::npos) << v.texto;
  }

  struct Destino {
    std::string_view texto;
    bool valido, local;
    std::string_view ruta_o_anfitrion, puerto;
  } const destinos[] = {
      {"unix:/run/clamav/clamd.ctl", true, true, "/run/clamav/clamd.ctl", ""},
      {"tcp:127.0.0.1:3310", true, false, "127.0.0.1", "3310"},
      {"tcp:[::1]:3310", true, false, "::1", "3310"},
      {"unix:", false, false, "", ""},
      {"tcp:localhost", false, false, "", ""},
      {"tcp:localhost:0", false, false, "", ""},
      {"tcp:localhost:65536", false, false, "", ""},
      {"tcp::3310", false, false, "", ""},
      {"/run/clamav/clamd.ctl", false, false, "", ""},
  };
  for (const Destino& d : destinos) {
    SCOPED_TRACE(d.texto);
    std::string error;
    const std::optional<DestinoRed> leido = LeerDestino(d.texto, &error);
    ASSERT_EQ(leido.has_value(), d.valido) << error;
    EXPECT_EQ(error.empty(), d.valido);
    if (!leido) continue;
    EXPECT_EQ(leido->local, d.local);
    EXPECT_EQ(d.local ? leido->ruta : leido->anfitrion, d.ruta_o_anfitrion);
    EXPECT_EQ(leido->puerto, d.puerto);
  }
}

}  // namespace
}  // namespace orvex::herramienta
