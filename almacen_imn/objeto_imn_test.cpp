// This store's message object, opened on a listed message through the public exports.
#include <gtest/gtest.h>

#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// An object closed before its parts are done writes nothing back, and the next object on the
// message starts without the abandoned rewrite.
TEST(ObjetoImnTest, CerrarAntesDeTiempoNoEscribe) {
  AlmacenImnInstalado almacen({Buzon("Inbox", {MensajeVivo(1, MensajeConAdjuntosImn({{"x.exe", "MZ"}}), "x")})});
  const auto antes = almacen.Leer("Inbox.idx");
  ObjetoEnParte x(0, 1, 2);
  ASSERT_EQ(x.Guardar(ACCION_BORRAR), OE_OK);
  EXPECT_EQ(x.m()->Modificado, 1u);
  EXPECT_EQ(OE_ObtenerObjMsg(x.m(), &x.o, 5), OE_OK);  // a mode of no meaning leaves the object open
  ASSERT_NE(x.o, nullptr);
  EXPECT_EQ(OE_ObtenerObjMsg(x.m(), &x.o, OE_CERRAR), OE_OK);
  EXPECT_EQ(x.o, nullptr);
  EXPECT_EQ(almacen.Leer("Inbox.idx"), antes);
  EXPECT_EQ(imn::ObtenerObjMsg(x.m(), nullptr, OE_SIGUIENTE), OE_ERROR_PARAM);
  // A new object starts over: the abandoned rewrite is gone.
  ASSERT_EQ(OE_ObtenerObjMsg(x.m(), &x.o, OE_PRIMERO), OE_OK);
  EXPECT_EQ(x.m()->Modificado, 0u);
  EXPECT_EQ(x.m()->Reescrito, nullptr);
  EXPECT_EQ(imn::PartesDevueltas(*x.m()), 0u);
}

}  // namespace
}  // namespace orvex::pruebas
