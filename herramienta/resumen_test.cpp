#include "herramienta/resumen.h"

#include <gtest/gtest.h>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

// The rows of pruebas/datos/resumenes.txt, each input also fed in pieces of several sizes.
TEST(ResumenTest, VectoresConocidos) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/resumenes.inc"
           )) {
    SCOPED_TRACE(f[0].size());
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(ResumenMd5(f[0]), f[1]);
    EXPECT_EQ(ResumenSha256(f[0]), f[2]);
    for (std::size_t trozo : {1u, 63u, 65u}) {
      Md5 m;
      Sha256 s;
      for (std::size_t i = 0; i < f[0].size(); i += trozo) {
        m.Actualizar(f[0].data() + i, std::min(trozo, f[0].size() - i));
        s.Actualizar(f[0].data() + i, std::min(trozo, f[0].size() - i));
      }
      EXPECT_EQ(m.Final(), f[1]);
      EXPECT_EQ(s.Final(), f[2]);
    }
  }
}

}  // namespace
}  // namespace orvex::herramienta
