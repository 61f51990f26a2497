#include "herramienta/tabla.h"

#include <gtest/gtest.h>

#include <sstream>

namespace orvex::herramienta {
namespace {

TEST(TablaTest, AlineaPorAnchoVisible) {
  Tabla t({"Name", ">Size", "Note"});
  t.Fila({"caf\xC3\xA9", "5", "x"});
  t.Fila({"ab", "1234", ""});
  t.Fila({"solo"});  // missing cells are empty
  std::ostringstream s;
  t.Imprimir(s);
  EXPECT_EQ(s.str(),
            "Name  Size  Note\n"
            "caf\xC3\xA9     5  x\n"
            "ab    1234\n"
            "solo\n");
}

TEST(TablaTest, SoloCabecera) {
  Tabla t({"A", ">B"});
  EXPECT_TRUE(t.Vacia());
  std::ostringstream s;
  t.Imprimir(s);
  EXPECT_EQ(s.str(), "A  B\n");
}

}  // namespace
}  // namespace orvex::herramienta
