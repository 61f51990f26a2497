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
      {"stream: Win.Test FOUND\n", T::kHallado, "Win.Test"},
      {"INSTREAM size limit exceeded. ERROR", T::kError, "StreamMaxLength"},
      {"", T::kError, "without a reply"},
      {"stream: FOUND", T::kError, "replied"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.respuesta);
    const VeredictoClamd v = LeerRespuestaClamd(c.respuesta);
    EXPECT_EQ(v.tipo, c.tipo);
    EXPECT_NE(v.texto.find(c.texto), std::string::npos) << v.texto;
  }
  // The destination as "path" or "host port", empty when refused.
  const std::pair<std::string_view, std::string> destinos[] = {
      {"unix:/run/clamav/clamd.ctl", "/run/clamav/clamd.ctl"}, {"tcp:[::1]:3310", "::1 3310"},
      {"unix:", ""}, {"tcp:localhost", ""}, {"tcp:localhost:0", ""}, {"tcp:localhost:65536", ""},
      {"tcp::3310", ""}, {"/run/clamav/clamd.ctl", ""},
  };
  for (const auto& [texto, esperado] : destinos) {
    SCOPED_TRACE(texto);
    std::string error;
    const std::optional<DestinoRed> d = LeerDestino(texto, &error);
    EXPECT_EQ(!d ? "" : d->local ? d->ruta : d->anfitrion + " " + d->puerto, esperado);
    EXPECT_EQ(error.empty(), d.has_value());
  }
}

}  // namespace
}  // namespace orvex::herramienta
