#include "mime/base64_rapido.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "mime/codecs.h"

namespace orvex::codec {
namespace {

const char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Valor(unsigned char b) {
  const char* p = b == 0 ? nullptr : std::strchr(kAlfabeto, b);
  return p == nullptr ? -1 : static_cast<int>(p - kAlfabeto);
}

// The decoder's rule written out plainly: characters outside the alphabet are skipped, groups
// of four give three bytes, a partial last group gives what it holds.
std::string Referencia(const std::string& s) {
  std::string r;
  int g[4];
  int k = 0;
  for (unsigned char c : s) {
    const int v = Valor(c);
    if (v < 0) continue;
    g[k++] = v;
    if (k == 4) {
      r += static_cast<char>(g[0] << 2 | g[1] >> 4);
      r += static_cast<char>((g[1] & 15) << 4 | g[2] >> 2);
      r += static_cast<char>((g[2] & 3) << 6 | g[3]);
      k = 0;
    }
  }
  if (k >= 2) r += static_cast<char>(g[0] << 2 | g[1] >> 4);
  if (k == 3) r += static_cast<char>((g[1] & 15) << 4 | g[2] >> 2);
  if (k == 1) r += static_cast<char>(g[0] << 2);
  return r;
}

std::string Decodificar(const std::string& s) {
  std::vector<uint8_t> salida(TamanoMaximoDecodificadoBase64(s.size()));
  ESTADO_BASE64 estado;
  const std::size_t n = DecodificarBase64(reinterpret_cast<const uint8_t*>(s.data()), s.size(), salida.data(), estado);
  return std::string(reinterpret_cast<const char*>(salida.data()), n);
}

// Every byte value at every position of a block: the block passes exactly when the byte is in
// the alphabet, and then decodes as the plain rule says.
TEST(Base64RapidoTest, CadaByteEnCadaPosicionDelBloque) {
  if (!HayBloquesBase64()) GTEST_SKIP() << "no vector path on this processor";
  for (int posicion = 0; posicion < 16; ++posicion) {
    for (int b = 0; b < 256; ++b) {
      std::string bloque = "QUJDREVGR0hJSktM";  // 16 alphabet characters
      bloque[posicion] = static_cast<char>(b);
      SCOPED_TRACE(testing::Message() << "byte " << b << " at " << posicion);
      uint8_t salida[12] = {};
      const std::size_t n = DecodificarBloquesBase64(reinterpret_cast<const uint8_t*>(bloque.data()), 16, salida);
      ASSERT_EQ(n, Valor(static_cast<unsigned char>(b)) >= 0 ? 16u : 0u);
      if (n == 16) {
        EXPECT_EQ(std::string(reinterpret_cast<char*>(salida), 12), Referencia(bloque));
      }
    }
  }
}

TEST(Base64RapidoTest, SeDetieneEnElPrimerBloqueConAlgoFueraDelAlfabeto) {
  if (!HayBloquesBase64()) GTEST_SKIP() << "no vector path on this processor";
  struct Caso {
    const char* nombre;
    std::string entrada;
    std::size_t consumidos;
  };
  const std::string limpio(48, 'w');
  const Caso casos[] = {
      {"three clean blocks", limpio, 48},
      {"a tail shorter than a block", limpio + "abcdefghijklmno", 48},
      {"CR LF in the third block", limpio.substr(0, 40) + "\r\n" + limpio.substr(0, 6), 32},
      {"padding in the second block", limpio.substr(0, 30) + "==" + limpio.substr(0, 16), 16},
      {"junk in the first block", "w@" + limpio.substr(0, 46), 0},
      {"shorter than a block", limpio.substr(0, 15), 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::vector<uint8_t> salida(c.entrada.size());
    EXPECT_EQ(DecodificarBloquesBase64(reinterpret_cast<const uint8_t*>(c.entrada.data()), c.entrada.size(),
                                       salida.data()),
              c.consumidos);
  }
}

// The whole decoder, vector path and plain path together, against the plain rule on texts
// with line ends, padding and junk at every kind of place relative to the blocks.
TEST(Base64RapidoTest, DecodificadorIgualALaReferencia) {
  std::mt19937 azar(12345);
  const std::string raros[] = {"\r\n", "\n", "=", "==", " ", "\t", "\x80", "\xff", "-", ".", std::string(1, '\0'), "*"};
  for (int vuelta = 0; vuelta < 3000; ++vuelta) {
    std::string s;
    const int longitud = static_cast<int>(azar() % 400);
    const int salto = 1 + static_cast<int>(azar() % 90);
    for (int i = 0; i < longitud; ++i) {
      if (azar() % static_cast<unsigned>(salto) == 0) {
        s += raros[azar() % (sizeof raros / sizeof raros[0])];
      } else {
        s += kAlfabeto[azar() % 64];
      }
    }
    SCOPED_TRACE(testing::Message() << "round " << vuelta << ": " << s);
    ASSERT_EQ(Decodificar(s), Referencia(s));
  }
}

TEST(Base64RapidoTest, LineasDeSetentaYSeisCaracteres) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7 + (i >> 3));
  std::vector<uint8_t> codificado(TamanoBase64(bytes.size()));
  ESTADO_BASE64 estado;
  const std::size_t n =
      CodificarBase64(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), codificado.data(), estado);
  const std::string texto(reinterpret_cast<const char*>(codificado.data()), n);
  EXPECT_EQ(Decodificar(texto), bytes);
  EXPECT_EQ(Decodificar(texto), Referencia(texto));
}

}  // namespace
}  // namespace orvex::codec
