// This store's message object, opened on a listed message through the public exports.
#include <gtest/gtest.h>

#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// An object closed before its parts are done writes nothing back, and the next object on the
// message starts without the abandoned rewrite.
TEST(ObjetoImnTest, CerrarAntesDeTiempoNoEscribe) {
  AlmacenInstalado almacen({Buzon("Inbox", {MensajeVivo(1, MensajeConAdjuntosImn({{"x.exe", "MZ"}}), "x")})});
  const auto antes = almacen.Leer("Mail/Inbox.idx");
  CarpetaPorId c(0);
  bool visto = false;
  RecorrerMensajes(c.c, [&](uint32_t modo, uint32_t r, OE_MENSAJE* m) {
    if (modo != OE_SIGUIENTE || r != OE_OK) return;
    visto = true;
    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_GuardarObjMsg(m, o, ACCION_BORRAR), OE_OK);
    EXPECT_EQ(m->Modificado, 1u);
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, 5), OE_OK);  // a mode of no meaning leaves the object open
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_CERRAR), OE_OK);
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(almacen.Leer("Mail/Inbox.idx"), antes);
    EXPECT_EQ(imn::ObtenerObjMsg(m, nullptr, OE_SIGUIENTE), OE_ERROR_PARAM);
    // A new object starts over: the abandoned rewrite is gone.
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    EXPECT_EQ(m->Modificado, 0u);
    EXPECT_EQ(m->Reescrito, nullptr);
    EXPECT_EQ(imn::PartesDevueltas(*m), 0u);
    OE_ObtenerObjMsg(m, &o, OE_CERRAR);
  });
  EXPECT_TRUE(visto);
}

}  // namespace
}  // namespace orvex::pruebas
