#include "herramienta/firmas.h"

#include <gtest/gtest.h>

#include <tuple>

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

// Upper-case hex is read; an MD5 entry matches only with its size.
TEST(LeerFirmasTest, Busqueda) {
  const ListaFirmas l = LeerFirmas("44D88612FEA8A8F36DE82E1278ABB02F:68:PorMd5\n" + kSha256Eicar + ":*:PorSha\n");
  const std::string cero(64, '0');
  const std::tuple<uint64_t, std::string, std::string, std::string> casos[] = {
      {68, kMd5Eicar, cero, "PorMd5"}, {69, kMd5Eicar, cero, "-"}, {5, cero.substr(32), kSha256Eicar, "PorSha"}};
  for (const auto& [tamano, md5, sha, nombre] : casos) {
    const Firma* f = l.Buscar(tamano, md5, sha);
    EXPECT_EQ(f == nullptr ? "-" : f->nombre, nombre);
  }
}

}  // namespace
}  // namespace orvex::herramienta
