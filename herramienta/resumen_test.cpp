#include "herramienta/resumen.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

// Known digests at the padding's edges, each also fed in pieces of several sizes.
TEST(ResumenTest, VectoresConocidos) {
  struct Caso {
    std::string entrada;
    const char* md5;
    const char* sha256;
  };
  const Caso casos[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "8215ef0796a20bcaaae116d3876c664a",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65",
       "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(64, 'a') + std::string(64, 'a'), "e510683b3f5ffe4093d021808bc6ff70",
       "6836cf13bac400e9105071cd6af47084dfacad4e5e302c94bfed24e013afb73e"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.entrada.size());
    EXPECT_EQ(ResumenMd5(c.entrada), c.md5);
    EXPECT_EQ(ResumenSha256(c.entrada), c.sha256);
    for (std::size_t trozo : {1u, 63u, 65u}) {
      Md5 m;
      Sha256 s;
      for (std::size_t i = 0; i < c.entrada.size(); i += trozo) {
        m.Actualizar(c.entrada.data() + i, std::min(trozo, c.entrada.size() - i));
        s.Actualizar(c.entrada.data() + i, std::min(trozo, c.entrada.size() - i));
      }
      EXPECT_EQ(m.Final(), c.md5);
      EXPECT_EQ(s.Final(), c.sha256);
    }
  }
}

}  // namespace
}  // namespace orvex::herramienta
