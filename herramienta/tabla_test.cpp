#include "herramienta/tabla.h"

#include <gtest/gtest.h>

#include <sstream>

namespace orvex::herramienta {
namespace {

TEST(TablaTest, AlineaPorAnchoVisible) {
  Tabla t({"Name", ">Size", "Note"});
  EXPECT_TRUE(t.Vacia());
  t.Fila({"caf\xC3\xA9", "5", "x"});
  t.Fila({"ab", "1234", ""});
  t.Fila({"solo"});  // missing cells are empty
  std::ostringstream s;
  t.Imprimir(s);
  EXPECT_EQ(s.str(), "Name  Size  Note\ncaf\xC3\xA9     5  x\nab    1234\nsolo\n");
}

}  // namespace
}  // namespace orvex::herramienta
