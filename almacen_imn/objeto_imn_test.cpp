// This store's message object, opened on listed messages through the public exports: a part's
// scan ends at the line that completed it, and the next scan starts with that line again.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_imn.inc"
    ;

// Each part's scan ends at the line that completed it and also read that line; the next scan
// starts with it. The parser never leaves the header block of a bare-LF text.
TEST(ObjetoImnTest, CadaParteEmpiezaEnLaLineaQueCompletoLaAnterior) {
  const std::pair<const char*, std::string> casos[] = {
      {"dos adjuntos", MensajeConAdjuntosImn({{"a.exe", "MZ first program"}, {"b.txt", "second file"}}, "Dos")},
      {"dos adjuntos LF",
       MensajeConAdjuntosImn({{"a.exe", "MZ first program"}, {"b.txt", "second file"}}, "Dos", FinDeLinea::kLf)},
      {"mensaje simple", MensajeSimple()}};
  for (const auto& [nombre, texto] : casos) {
    AlmacenInstalado almacen({Buzon("Inbox", {MensajeVivo(7, texto, "Dos")})});
    CarpetaAbierta c(0);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
    m->PosTextHtm = 77;
    m->PosNextPart = 66;
    // One line per part, then the record with its body's bounds, the two positions this object
    // leaves as they are, and each part entry's start and length (without the 2-byte line end).
    std::ostringstream visto;
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    uint32_t r;
    for (int i = 0; i < 100 && (r = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK; ++i) {
      visto << Volcar(*o) << " devueltas=" << imn::PartesDevueltas(*m) << "\n";
    }
    visto << "resultado " << r << (o == nullptr ? "" : " sin cerrar") << "\n"
          << Volcar(*m, almacen.Raiz()) << " cuerpo=" << m->PosCuerpo << "," << m->FinCuerpo
          << " htm=" << m->PosTextHtm << "," << m->PosNextPart << " devueltas=" << imn::PartesDevueltas(*m) << " entradas=";
    for (uint32_t i = 0; imn::Entradas(*m) != nullptr && i < imn::NumEntradas(*m); ++i) {
      visto << imn::Le32(imn::Entradas(*m) + 24 * i + 12) << "+" << imn::Le32(imn::Entradas(*m) + 24 * i + 16) << ",";
    }
    EXPECT_VOLCADO(kVolcados, "volcados_imn", nombre, visto.str() + "\n");
    EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  }
}

// An object closed before its parts are done writes nothing back, and the next object on the
// message starts without the abandoned rewrite.
TEST(ObjetoImnTest, CerrarAntesDeTiempoNoEscribe) {
  AlmacenInstalado almacen({Buzon("Inbox", {MensajeVivo(1, MensajeConAdjuntosImn({{"x.exe", "MZ"}}), "x")})});
  const auto antes = almacen.Leer("Mail/Inbox.idx");
  CarpetaAbierta c(0);
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
