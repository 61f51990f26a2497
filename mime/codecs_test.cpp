#include "mime/codecs.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "soporte/buffer_flujo.h"
#include "pruebas/tablas.h"

namespace orvex {
namespace {

enum class Direccion { kCodificarBase64, kDecodificarBase64, kCodificarQP, kDecodificarQP };
constexpr Direccion kCB = Direccion::kCodificarBase64, kDB = Direccion::kDecodificarBase64;
constexpr Direccion kCQ = Direccion::kCodificarQP, kDQ = Direccion::kDecodificarQP;

struct Codecs : CL_CODIFICADOR_BASE64, CL_DECODIFICADOR_BASE64, CL_CODIFICADOR_QP, CL_DECODIFICADOR_QP {
  int Ejecutar(Direccion d, const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino) {
    return d == kCB   ? CL_CODIFICADOR_BASE64::Codificar(origen, destino)
           : d == kDB ? CL_DECODIFICADOR_BASE64::Decodificar(origen, destino)
           : d == kCQ ? CL_CODIFICADOR_QP::Codificar(origen, destino)
                      : CL_DECODIFICADOR_QP::Decodificar(origen, destino);
  }
};

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

// Runs a codec as the parts run it: on an object whose last run left a partial group or an open
// escape, from a source with bytes past its Longitud, appending behind a destination whose
// position must stay.
std::string Ejecutar(Direccion d, const std::string& entrada) {
  Codecs codecs;
  CL_BUFFER_FLUJO origen;
  CL_BUFFER_FLUJO destino;
  origen.Anadir("QU=4", 4);
  codecs.Ejecutar(d, origen, destino);
  origen.Vaciar();
  destino.Vaciar();
  destino.Anadir("previo", 6);
  EXPECT_EQ(destino.Posicionar(2, 0), 0);
  const std::string con_resto = entrada + "QUJD=41";
  origen.Anadir(con_resto.data(), static_cast<uint32_t>(con_resto.size()));
  origen.CL_BUFFER::FijarLongitud(static_cast<uint32_t>(entrada.size()));
  EXPECT_EQ(codecs.Ejecutar(d, origen, destino), 0);
  EXPECT_EQ(destino.Datos()[destino.Longitud()], 0) << "no NUL behind the output";
  EXPECT_EQ(destino.ObtenerPosicion(), 2u);
  const std::string salida = Texto(destino);
  EXPECT_EQ(salida.substr(0, 6), "previo");
  return salida.substr(6);
}

std::string ConLF(std::string s) {
  for (std::size_t i; (i = s.find("\r\n")) != std::string::npos;) s.erase(i, 1);
  return s;
}

// Golden pairs (pruebas/datos/codecs_mime.txt).
TEST(CodecsTest, ParesDeReferencia) {
  const std::map<std::string, Direccion> direcciones = {
      {"codificar base64", kCB}, {"decodificar base64", kDB}, {"codificar qp", kCQ}, {"decodificar qp", kDQ}};
  const auto filas = pruebas::Filas(
#include "pruebas/datos/codecs_mime.inc"
  );
  ASSERT_GE(filas.size(), 45u);
  for (const std::vector<std::string>& fila : filas) {
    SCOPED_TRACE(fila.at(0) + ": " + testing::PrintToString(fila.at(1)));
    const Direccion d = direcciones.at(fila[0]);
    EXPECT_EQ(Ejecutar(d, fila[1]), fila.at(2));
    if (d == kDB) {
      EXPECT_EQ(Ejecutar(d, ConLF(fila[1])), fila[2]);
    }
  }
}

TEST(CodecsTest, OrigenIgualADestino) {
  Codecs codecs;
  CL_BUFFER_FLUJO b;
  const std::string x = std::string(80000, 'x');  // the block must move while it is read
  b.Anadir(x.data(), static_cast<uint32_t>(x.size()));
  codecs.Ejecutar(kCB, b, b);
  EXPECT_EQ(Texto(b), x + Ejecutar(kCB, x));
}

}  // namespace
}  // namespace orvex
