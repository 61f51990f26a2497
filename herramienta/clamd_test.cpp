// The daemon's replies and the destinations as written on the command line; the protocol
// itself runs against a real clamd in orvex_test.
#include "herramienta/clamd.h"

#include <gtest/gtest.h>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

// The rows of pruebas/datos/clamd_herramienta.txt.
TEST(ClamdTest, RespuestasYDestinos) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/clamd_herramienta.inc"
           )) {
    SCOPED_TRACE(f[1]);
    if (f[0] == "respuesta") {
      ASSERT_EQ(f.size(), 4u);
      const VeredictoClamd v = LeerRespuestaClamd(f[1]);
      EXPECT_EQ(static_cast<int>(v.tipo), std::stoi(f[2]));
      EXPECT_NE(v.texto.find(f[3]), std::string::npos) << v.texto;
    } else {
      ASSERT_EQ(f.size(), 3u);
      std::string error;
      const std::optional<DestinoRed> d = LeerDestino(f[1], &error);
      EXPECT_EQ(!d ? "" : d->local ? d->ruta : d->anfitrion + " " + d->puerto, f[2]);
      EXPECT_EQ(error.empty(), d.has_value());
    }
  }
}

}  // namespace
}  // namespace orvex::herramienta
