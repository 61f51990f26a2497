// Damaged stores: folder chains that loop, and mailbox blocks that cannot be read.
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

TEST(CorrupcionOe4Test, CadenasQueVuelvenSobreSiMismas) {
  // The folder whose PosSiguiente points back at the first record. The root is third in the
  // chain, so a loop before it leaves the folder list without a root.
  for (const auto& [nombre, desde] : {std::pair{"antes de la raiz", 1}, {"despues de la raiz", 4}, {"al final", 6}}) {
    SCOPED_TRACE(nombre);
    AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
    const MapaNch& nch = almacen.Escrito().folders;
    std::vector<uint8_t> b = nch.bytes;
    PonerPalabra(b, nch.registros[desde] + kCarPosSiguiente, nch.registros[0]);
    almacen.Reescribir("mail/folders.nch", b);
    uint32_t fin = 0;
    const auto todas = Recorrer(OE_ObtenerCarpetas, &fin);
    EXPECT_LT(todas.size(), 20u);
    EXPECT_NE(fin, OE_OK);
    EXPECT_LT(Recorrer(OE_ObtenerCarpetasPrincipales, &fin).size(), 20u);
    EXPECT_NE(fin, OE_OK);
  }
}

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
