#include "mime/base64_rapido.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace orvex::codec {
namespace {

constexpr char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The plain rule for alphabet characters: each four 6-bit values give three bytes.
std::string Decodificado(const std::string& bloque) {
  std::string r;
  for (std::size_t g = 0; g < bloque.size(); g += 4) {
    uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      v = v << 6 | static_cast<uint32_t>(std::strchr(kAlfabeto, bloque[g + k]) - kAlfabeto);
    }
    r += {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  }
  return r;
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
      ASSERT_EQ(n, b != 0 && std::strchr(kAlfabeto, b) != nullptr ? 16u : 0u);
      if (n == 16) {
        EXPECT_EQ(std::string(reinterpret_cast<char*>(salida), 12), Decodificado(bloque));
      }
    }
  }
}

}  // namespace
}  // namespace orvex::codec
