#include "herramienta/resumen.h"

#include <gtest/gtest.h>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

// The rows of pruebas/datos/resumenes.txt: digests at the padding's edges.
TEST(ResumenTest, VectoresConocidos) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/resumenes.inc"
           )) {
    SCOPED_TRACE(f[0].size());
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(ResumenMd5(f[0]), f[1]);
    EXPECT_EQ(ResumenSha256(f[0]), f[2]);
  }
}

}  // namespace
}  // namespace orvex::herramienta
