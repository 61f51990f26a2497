#include "mime/base64_rapido.h"

#include <gtest/gtest.h>

#include <string>

#include "pruebas/codecs_referencia.h"

namespace orvex::codec {
namespace {

using referencia::DecodificarBase64;
using referencia::Valor;

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
        EXPECT_EQ(std::string(reinterpret_cast<char*>(salida), 12), DecodificarBase64(bloque));
      }
    }
  }
}

}  // namespace
}  // namespace orvex::codec
