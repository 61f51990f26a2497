// A save action that fails in this store keeps the rewrite under way: the changes made before
// it are still written back when the message object ends.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "pruebas/prueba_oe4.h"
#include "soporte/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

std::string Reescrito(const OE_MENSAJE& m) {
  const auto* r = static_cast<const CL_BUFFER_FLUJO*>(m.Reescrito);
  return r != nullptr ? std::string(r->Datos(), r->Longitud()) : std::string();
}

TEST(ModificadoOe4Test, UnaAccionFallidaConservaLosCambiosAnteriores) {
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::function<void(OE_MENSAJE&, OE_OBJMSG&)> danar;
  };
  const Caso casos[] = {
      {"parte vacia", ACCION_BORRAR, [](OE_MENSAJE&, OE_OBJMSG& o) { o.LongParte = 0; }},
      {"siguiente pasado el texto", ACCION_SUSTITUIR,
       [](OE_MENSAJE& m, OE_OBJMSG& o) { o.PosSigParte = m.LongTexto + 1; }},
      {"nombre sin su NUL", ACCION_RENOMBRAR,
       [](OE_MENSAJE&, OE_OBJMSG& o) { std::memset(o.NombreParte, 'a', sizeof o.NombreParte); }},
  };
  const std::string texto =
      Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Dos",
                       Multiparte("mixed", {TextoPlano("Hola.\n"), Adjunto("a.exe", "contenido a"),
                                            Adjunto("b.doc", "contenido b")})));
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4 d;
    CarpetaOe4 c = CarpetaCorreo(1, 0, "Bandeja", "Inbox");
    MensajeOe4 mensaje;
    mensaje.id = 7;
    mensaje.texto = texto;
    c.mensajes = {mensaje};
    c.ultimo_id = 41;
    d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", ""), c};
    d.cuenta_por_defecto = false;
    AlmacenOe4Instalado almacen(d);
    CarpetaPorId carpeta(1, almacen.Escrito().folders.registros[1]);

    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(carpeta.Puntero(), &m, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerMensajes(carpeta.Puntero(), &m, OE_SIGUIENTE), OE_OK);
    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
      const std::string parte = o->NombreAdjunto;
      if (parte == "a.exe") {
        EXPECT_EQ(OE_GuardarObjMsg(m, o, ACCION_RENOMBRAR), OE_OK);
      }
      if (parte != "b.doc") continue;
      ASSERT_EQ(m->Modificado, 1u);
      const std::string antes = Reescrito(*m);
      const OE_OBJMSG o_antes = *o;
      caso.danar(*m, *o);
      EXPECT_EQ(OE_GuardarObjMsg(m, o, caso.accion), OE_ERROR);
      EXPECT_EQ(m->Modificado, 1u);
      EXPECT_EQ(Reescrito(*m), antes);
      *o = o_antes;
    }
    EXPECT_EQ(o, nullptr);
    OE_ObtenerMensajes(carpeta.Puntero(), &m, OE_CERRAR);

    // The rename made before the failure reached the store.
    const auto v = Mensajes(carpeta.Puntero());
    ASSERT_EQ(v.size(), 1u);
    EXPECT_NE(v[0].texto.find("name=\"a_exe.VIR\""), std::string::npos);
    EXPECT_NE(v[0].texto.find("name=\"b.doc\""), std::string::npos);
  }
}

}  // namespace
}  // namespace orvex::pruebas
