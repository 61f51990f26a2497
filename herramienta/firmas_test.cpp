#include "herramienta/firmas.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

const std::string kMd5Eicar = "44d88612fea8a8f36de82e1278abb02f";
const std::string kSha256Eicar = "275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f";

TEST(LeerFirmasTest, LineasValidasEInvalidas) {
  struct Caso {
    std::string texto;
    std::size_t firmas, avisos;
  };
  const Caso casos[] = {
      {"# x\r\n\r\n" + kMd5Eicar + ":68:A\r\n" + kSha256Eicar + ":*:B\r\n", 2, 0},
      {kMd5Eicar + ":68:A:73", 1, 0},  // engine level field ignored, no final line end
      {kMd5Eicar + ":68\n", 0, 1},
      {"3395856ce81f2b7382dee72602f798b642f14140:68:A\n", 0, 1},  // SHA-1
      {std::string(32, 'g') + ":68:A\n", 0, 1},
      {kMd5Eicar + ":-1:A\n", 0, 1},
      {kMd5Eicar + ":68:\n", 0, 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    const ListaFirmas l = LeerFirmas(c.texto);
    EXPECT_EQ(l.firmas.size(), c.firmas);
    EXPECT_EQ(l.avisos.size(), c.avisos);
  }
}

// Upper-case hex is read; a bad line is reported by number and hides nothing after it; an MD5
// entry matches only with its size.
TEST(LeerFirmasTest, CamposYBusqueda) {
  const ListaFirmas l =
      LeerFirmas("44D88612FEA8A8F36DE82E1278ABB02F:68:PorMd5\nbasura\n" + kSha256Eicar + ":*:PorSha\n");
  ASSERT_EQ(l.avisos.size(), 1u);
  EXPECT_TRUE(l.avisos[0].starts_with("line 2:")) << l.avisos[0];
  EXPECT_TRUE(l.UsaMd5() && l.UsaSha256());
  const std::string otro_md5(32, '0'), otro_sha(64, '0');
  const auto buscar = [&l](uint64_t tamano, const std::string& md5, const std::string& sha) {
    const Firma* f = l.Buscar(tamano, md5, sha);
    return f == nullptr ? std::string("-") : f->nombre;
  };
  EXPECT_EQ(buscar(68, kMd5Eicar, otro_sha), "PorMd5");
  EXPECT_EQ(buscar(69, kMd5Eicar, otro_sha), "-");
  EXPECT_EQ(buscar(5, otro_md5, kSha256Eicar), "PorSha");
  EXPECT_EQ(buscar(68, otro_md5, otro_sha), "-");
}

}  // namespace
}  // namespace orvex::herramienta
