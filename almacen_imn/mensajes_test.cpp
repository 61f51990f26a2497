// Message listings of a built store: through the public exports as a host drives them, and
// through the backend where the export's subject refresh would hide what the index says.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

using imnfmt::kLongEntrada;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_imn.inc"
    ;

// Each live message with its text and the fields of its index record, the texts cut as the
// stored subject is, and the words of its part entries. Dead records at the end: it ends with 2.
TEST(MensajesImnTest, CadaMensajeLlevaSuTextoYLosCamposDeSuRegistro) {
  std::vector<BuzonImn> d = AlmacenImnEjemplo();
  d[0].mensajes.insert(d[0].mensajes.end(), 2, d[0].mensajes[1]);
  AlmacenImnInstalado almacen(d);
  CarpetaAbierta c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  std::string visto;
  uint32_t r;
  while ((r = imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE)) == OE_OK && visto.size() < 100000) {
    visto += Volcar(*m, almacen.Directorio().Ruta()) + " nombre=" + m->NombreCarpeta + " entradas=";
    for (uint32_t i = 0; imn::Entradas(*m) != nullptr && i < imn::NumEntradas(*m) * kLongEntrada; i += 4) {
      visto += std::to_string(imn::Le32(imn::Entradas(*m) + i)) + ",";
    }
    visto += "\n";
  }
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  EXPECT_VOLCADO(kVolcados, "volcados_imn", "inbox", visto + "resultado " + std::to_string(r) + "\n");
}

// The parts mark (the third gen word of a dump line) follows the number of entries and byte 34
// of the record; one message per case, given its entries and byte 34.
TEST(MensajeSueltoImnTest, LaMarcaDePartesSigueAlNumeroDeEntradasYAlByte34) {
  const std::pair<std::size_t, uint8_t> casos[] = {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {3, 0}};
  std::vector<MensajeImn> mensajes;
  for (const auto& [entradas, byte34] : casos) {
    mensajes.push_back(MensajeVivo(static_cast<uint32_t>(mensajes.size() + 1), MensajeSimple(), "x"));
    mensajes.back().entradas.assign(entradas, EntradaImn{});
    mensajes.back().byte_partes = byte34;
  }
  AlmacenImnInstalado almacen({Buzon("Caso", mensajes)});
  CarpetaAbierta c(0);
  EXPECT_VOLCADO(kVolcados, "volcados_imn", "marcas de partes", VolcarMensajes(c.c, almacen.Directorio().Ruta()));
}

}  // namespace
}  // namespace orvex::pruebas
