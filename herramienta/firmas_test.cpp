#include "herramienta/firmas.h"

#include <gtest/gtest.h>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

const std::string kMd5Eicar = "44d88612fea8a8f36de82e1278abb02f";
const std::string kSha256Eicar = "275a021bbfb6489e54d471899f7db9d1663fc695ec2fe2a2c4538aabf651fd0f";

// The rows of pruebas/datos/firmas_herramienta.txt.
TEST(LeerFirmasTest, LineasValidasEInvalidas) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/firmas_herramienta.inc"
           )) {
    SCOPED_TRACE(f[0]);
    ASSERT_EQ(f.size(), 4u);
    const ListaFirmas l = LeerFirmas(f[1]);
    EXPECT_EQ(l.firmas.size(), std::stoul(f[2]));
    EXPECT_EQ(l.avisos.size(), std::stoul(f[3]));
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
