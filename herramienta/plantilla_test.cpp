#include "herramienta/plantilla.h"

#include <gtest/gtest.h>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

// The rows of pruebas/datos/plantillas_nombre.txt (slashes in a name are not folders), then the
// templates refused.
TEST(PlantillaTest, Nombres) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/plantillas_nombre.inc"
           )) {
    SCOPED_TRACE(f[0]);
    ASSERT_EQ(f.size(), 6u);
    EXPECT_EQ(ErrorPlantilla(f[0]), "");
    EXPECT_EQ(NombrePorPlantilla(f[0], {static_cast<uint32_t>(std::stoul(f[1])), f[2], f[3], f[4]}), f[5]);
  }
  for (const char* mala : {"{size}", "{date", "{}", "x {Subject}"}) {
    SCOPED_TRACE(mala);
    EXPECT_NE(ErrorPlantilla(mala), "");
  }
}

}  // namespace
}  // namespace orvex::herramienta
