// Damaged stores: mailbox blocks that cannot be read.
#include <gtest/gtest.h>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_oe4.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe4.inc"
    ;

// A mailbox block that cannot be read gives 1 for its message, without a text, and the
// listing moves on to the next record. Each step's result and record, one section per case.
TEST(CorrupcionOe4Test, UnBloqueIlegibleDaUnoYElListadoSigue) {
  const std::tuple<const char*, bool, uint32_t, uint32_t> casos[] = {
      // The word is in the first block, else in the mailbox header.
      {"un texto mas largo que el buzon", true, kMbxBloqueLongTexto, 0xFFFFFFF0u},
      {"otra firma del buzon", false, kMbxFirma, 0x12345678u},
  };
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
  for (const auto& [nombre, en_bloque, pos, valor] : casos) {
    std::vector<uint8_t> mbx = par.mbx;
    PonerPalabra(mbx, (en_bloque ? par.bloques[0] : 0) + pos, valor);
    almacen.Reescribir("mail/Inbox.mbx", mbx);
    CarpetaPorId c(1, almacen.Escrito().folders.registros[0]);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
    std::string visto;
    for (uint32_t r, n = 0; (r = OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE)) != OE_FIN && n < 10; ++n) {
      visto += std::to_string(r) + " " + Volcar(*m, almacen.Directorio().Ruta()) + "\n";
    }
    EXPECT_VOLCADO(kVolcados, "volcados_oe4", nombre, visto);
    OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
  }
}

}  // namespace
}  // namespace orvex::pruebas
