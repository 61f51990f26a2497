#include "herramienta/plantilla.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

TEST(PlantillaTest, Nombres) {
  const CamposNombre ana{7, "05/03/2001 09:15", "Ana Ruiz <ana@example.org>", "Welcome"};
  struct Caso {
    std::string plantilla;
    CamposNombre campos;
    std::string esperado;
  };
  const Caso casos[] = {
      {std::string(kPlantillaDefecto), ana, "000007 Welcome"},
      {"{date} {time} {from} {subject} #{id}", ana, "2001-03-05 09-15 Ana Ruiz Welcome #000007"},
      {"{from}", {1, "", "\"Ruiz, Ana\" <ana@example.org>", ""}, "Ruiz, Ana"},
      {"{from}", {1, "", "<ana@example.org>", ""}, "ana@example.org"},
      {"{from} {subject}", {1, "", "=?utf-8?q?In=C3=A9s?= <i@x>", "=?utf-8?q?Caf=C3=A9?="}, "In\xC3\xA9s Caf\xC3\xA9"},
      {"{date} {time}", {1, "yesterday", "", ""}, "0000-00-00 00-00"},
      {"{subject}", {1, "", "", "a/b\\c"}, "a-b-c"},  // slashes are not folders
      {"{subject}", {1, "", "", std::string(70, 'x')}, std::string(59, 'x') + "\xE2\x80\xA6"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.plantilla);
    EXPECT_EQ(ErrorPlantilla(c.plantilla), "");
    EXPECT_EQ(NombrePorPlantilla(c.plantilla, c.campos), c.esperado);
  }
  for (const char* mala : {"{size}", "{date", "{}", "x {Subject}"}) {
    SCOPED_TRACE(mala);
    EXPECT_NE(ErrorPlantilla(mala), "");
  }
}

}  // namespace
}  // namespace orvex::herramienta
