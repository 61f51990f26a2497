#include "herramienta/resumen.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

struct Caso {
  const char* nombre;
  std::string entrada;
  const char* md5;
  const char* sha256;
};

TEST(ResumenTest, VectoresConocidos) {
  const Caso casos[] = {
      {"empty", "", "d41d8cd98f00b204e9800998ecf8427e",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "900150983cd24fb0d6963f7d28e17f72",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"56 bytes: padding spills", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "8215ef0796a20bcaaae116d3876c664a", "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"55 bytes: padding fits one block", std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65",
       "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {"64 bytes: one whole block", std::string(64, 'a'), "014842d480b571495a4a0363793f7367",
       "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(ResumenMd5(c.entrada), c.md5);
    EXPECT_EQ(ResumenSha256(c.entrada), c.sha256);
  }
}

TEST(ResumenTest, TrozosDaIgualQueDeUnaVez) {
  std::string datos;
  for (int i = 0; i < 1000; ++i) datos += static_cast<char>(i * 7 + 3);
  for (std::size_t trozo : {1u, 3u, 63u, 64u, 65u, 200u}) {
    SCOPED_TRACE(trozo);
    Md5 m;
    Sha256 s;
    for (std::size_t i = 0; i < datos.size(); i += trozo) {
      const std::size_t n = std::min(trozo, datos.size() - i);
      m.Actualizar(datos.data() + i, n);
      s.Actualizar(datos.data() + i, n);
    }
    EXPECT_EQ(m.Final(), ResumenMd5(datos));
    EXPECT_EQ(s.Final(), ResumenSha256(datos));
  }
}

}  // namespace
}  // namespace orvex::herramienta
