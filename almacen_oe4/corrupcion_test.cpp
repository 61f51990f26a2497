// Damaged stores: folder chains that loop, and mailbox blocks that cannot be read.
#include <gtest/gtest.h>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_oe4.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

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

// A mailbox block that cannot be read gives 1 for its message without a text, and the
// listing moves on to the next record.
TEST(CorrupcionOe4Test, UnBloqueIlegibleDaUnoYElListadoSigue) {
  struct Caso {
    const char* nombre;
    bool en_bloque;  // the word is in the first block, else in the mailbox header
    uint32_t pos;
    uint32_t valor;
    std::vector<uint32_t> ids;  // of each message listed, 0 for each result 1
  };
  const Caso casos[] = {
      {"un texto mas largo que el buzon", true, kMbxBloqueLongTexto, 0xFFFFFFF0u, {0, 3, 4}},
      {"otra firma del buzon", false, kMbxFirma, 0x12345678u, {0, 0, 0}},
  };
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> mbx = par.mbx;
    PonerPalabra(mbx, (caso.en_bloque ? par.bloques[0] : 0) + caso.pos, caso.valor);
    almacen.Reescribir("mail/Inbox.mbx", mbx);
    CarpetaPorId c(1, almacen.Escrito().folders.registros[0]);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
    std::vector<uint32_t> ids;
    uint32_t fin_registro = 0;
    for (uint32_t r; (r = OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE)) != OE_FIN && ids.size() < 10;) {
      EXPECT_GT(m->FinRegistro, fin_registro);  // the cursor moved on
      fin_registro = m->FinRegistro;
      ids.push_back(r == OE_OK ? m->IdMensaje : 0);
      if (r != OE_OK) {
        EXPECT_EQ(r, OE_ERROR);
        EXPECT_EQ(m->Texto, nullptr);
      }
    }
    EXPECT_EQ(ids, caso.ids);
    OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
  }
}

}  // namespace
}  // namespace orvex::pruebas
