#include "mime/base64_rapido.h"

#include <gtest/gtest.h>

#include <string>

#include "pruebas/mensajes_mime.h"

namespace orvex::codec {
namespace {

// Every byte value at every position of a block: the block passes exactly when the byte is in
// the alphabet, and then its 12 bytes encode back to the block.
TEST(Base64RapidoTest, CadaByteEnCadaPosicionDelBloque) {
  if (!HayBloquesBase64()) GTEST_SKIP() << "no vector path on this processor";
  const std::string alfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int posicion = 0; posicion < 16; ++posicion) {
    for (int b = 0; b < 256; ++b) {
      std::string bloque = "QUJDREVGR0hJSktM";  // 16 alphabet characters
      bloque[posicion] = static_cast<char>(b);
      SCOPED_TRACE(testing::Message() << "byte " << b << " at " << posicion);
      std::string salida(12, '\0');
      const std::size_t n = DecodificarBloquesBase64(reinterpret_cast<const uint8_t*>(bloque.data()), 16,
                                                     reinterpret_cast<uint8_t*>(salida.data()));
      ASSERT_EQ(n, alfabeto.find(static_cast<char>(b)) != std::string::npos ? 16u : 0u);
      if (n == 16) {
        EXPECT_EQ(pruebas::Base64(salida), bloque + "\n");
      }
    }
  }
}

}  // namespace
}  // namespace orvex::codec
