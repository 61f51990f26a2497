#include "herramienta/firmas.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

const std::string kMd5Eicar = "44d88612fea8a8f36de82e1278abb02f";
const std::string kSha256Eicar = "275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f";

struct Caso {
  const char* nombre;
  std::string texto;
  std::size_t firmas;
  std::size_t avisos;
};

TEST(LeerFirmasTest, LineasValidasEInvalidas) {
  const Caso casos[] = {
      {"both kinds, CR LF, comments, blanks", "# x\r\n\r\n" + kMd5Eicar + ":68:A\r\n" + kSha256Eicar + ":*:B\r\n", 2, 0},
      {"engine level field ignored", kMd5Eicar + ":68:A:73\n", 1, 0},
      {"no final line end", kMd5Eicar + ":68:A", 1, 0},
      {"too few fields", kMd5Eicar + ":68\n", 0, 1},
      {"sha1 length refused", "3395856ce81f2b7382dee72602f798b642f14140:68:A\n", 0, 1},
      {"not hex", std::string(32, 'g') + ":68:A\n", 0, 1},
      {"bad size", kMd5Eicar + ":6x8:A\n", 0, 1},
      {"negative size", kMd5Eicar + ":-1:A\n", 0, 1},
      {"empty name", kMd5Eicar + ":68:\n", 0, 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const ListaFirmas l = LeerFirmas(c.texto);
    EXPECT_EQ(l.firmas.size(), c.firmas);
    EXPECT_EQ(l.avisos.size(), c.avisos);
  }
}

TEST(LeerFirmasTest, CamposLeidos) {
  // Upper-case hex is read; a bad line is reported by number and hides nothing after it.
  const ListaFirmas l =
      LeerFirmas("44D88612FEA8A8F36DE82E1278ABB02F:68:Eicar-Test\nbasura\n" + kSha256Eicar + ":*:Otra\n");
  ASSERT_EQ(l.firmas.size(), 2u);
  ASSERT_EQ(l.avisos.size(), 1u);
  EXPECT_TRUE(l.avisos[0].starts_with("line 2:")) << l.avisos[0];
  EXPECT_EQ(l.firmas[0].tipo, Firma::Tipo::kMd5);
  EXPECT_EQ(l.firmas[0].resumen, kMd5Eicar);
  EXPECT_EQ(l.firmas[0].tamano, 68u);
  EXPECT_EQ(l.firmas[0].nombre, "Eicar-Test");
  EXPECT_EQ(l.firmas[1].tipo, Firma::Tipo::kSha256);
  EXPECT_FALSE(l.firmas[1].tamano.has_value());
  EXPECT_TRUE(l.UsaMd5());
  EXPECT_TRUE(l.UsaSha256());
}

TEST(ListaFirmasTest, Buscar) {
  const ListaFirmas l = LeerFirmas(kMd5Eicar + ":68:PorMd5\n" + kSha256Eicar + ":*:PorSha\n");
  const std::string otro_md5(32, '0'), otro_sha(64, '0');
  const auto buscar = [&l](uint64_t tamano, const std::string& md5, const std::string& sha) {
    const Firma* f = l.Buscar(tamano, md5, sha);
    return f == nullptr ? std::string("-") : f->nombre;
  };
  EXPECT_EQ(buscar(68, kMd5Eicar, otro_sha), "PorMd5");
  EXPECT_EQ(buscar(69, kMd5Eicar, otro_sha), "-");  // an MD5 entry also needs its size
  EXPECT_EQ(buscar(5, otro_md5, kSha256Eicar), "PorSha");
  EXPECT_EQ(buscar(68, otro_md5, otro_sha), "-");
}

}  // namespace
}  // namespace orvex::herramienta
