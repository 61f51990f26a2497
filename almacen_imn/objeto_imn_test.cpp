// This store's message object, opened on listed messages through the public exports: a part's
// scan ends at the line that completed it, and the next scan starts with that line again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "soporte/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

struct ParteVista {
  std::string nombre;
  std::string contenido;
  uint32_t inicio;
  uint32_t siguiente;
  uint32_t bytes_leidos;
  uint32_t devueltas;
};

// Walks every part of the message in the listing; the object ends by itself.
std::vector<ParteVista> Partes(OE_MENSAJE* m) {
  std::vector<ParteVista> partes;
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  for (int i = 0; i < 100; ++i) {
    const uint32_t r = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE);
    if (r != OE_OK) {
      EXPECT_EQ(r, OE_FIN);
      EXPECT_EQ(o, nullptr);
      break;
    }
    const auto* c = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
    partes.push_back({o->NombreAdjunto, std::string(c->Datos(), c->Longitud()), o->PosInicioParte, o->PosSigParte,
                      o->BytesLeidos, imn::PartesDevueltas(*m)});
    EXPECT_STREQ(o->NombreParte, o->NombreAdjunto);
    EXPECT_EQ(o->NumParte, partes.size());
    EXPECT_EQ(o->PosCarpeta, 0u);
  }
  return partes;
}

// Start of the first line after desde that begins with linea; 0 when none.
uint32_t LineaQueEmpieza(const std::string& texto, const std::string& linea, std::size_t desde = 0) {
  const std::size_t p = texto.find("\n" + linea, desde);
  return p == std::string::npos ? 0 : static_cast<uint32_t>(p + 1);
}

TEST(ObjetoImnTest, CadaParteEmpiezaEnLaLineaQueCompletoLaAnterior) {
  for (const FinDeLinea fin : {FinDeLinea::kCrLf, FinDeLinea::kLf}) {
    SCOPED_TRACE(fin == FinDeLinea::kCrLf ? "CR LF" : "LF");
    const std::string texto =
        MensajeConAdjuntosImn({{"a.exe", "MZ first program"}, {"b.txt", "second file"}}, "Dos", fin);
    AlmacenImnInstalado almacen({Buzon("Inbox", {MensajeVivo(7, texto, "Dos")})});
    CarpetaAbierta c(0);
    ListadoAbierto l(c.c);
    ASSERT_EQ(l.Siguiente(), OE_OK);
    l.m->PosTextHtm = 77;  // this object leaves both positions as they are
    l.m->PosNextPart = 66;
    const std::vector<ParteVista> partes = Partes(l.m);
    EXPECT_EQ(l.m->PosTextHtm, 77u);
    EXPECT_EQ(l.m->PosNextPart, 66u);
    if (fin == FinDeLinea::kLf) {
      // As with the shared object, the parser never leaves the header block of a bare-LF text.
      EXPECT_TRUE(partes.empty());
      EXPECT_EQ(imn::PartesDevueltas(*l.m), 0u);
      continue;
    }

    // The delimiter lines: three that open parts, then the closing one.
    const std::string d = std::string("--") + kFronteraImn;
    std::vector<uint32_t> delim;
    for (uint32_t p = LineaQueEmpieza(texto, d); p != 0; p = LineaQueEmpieza(texto, d, p)) delim.push_back(p);
    ASSERT_EQ(delim.size(), 4u);
    const uint32_t largo_d = static_cast<uint32_t>(d.size()) + 2;
    const uint32_t largo_cierre = static_cast<uint32_t>(texto.size()) - delim[3];
    ASSERT_EQ(partes.size(), 3u);
    const std::pair<std::string, std::string> nombres[] = {
        {"", std::string("See the attachments.\r\n") + '\0'}, {"a.exe", "MZ first program"}, {"b.txt", "second file"}};
    // Each scan also read the line that completed its part.
    const uint32_t inicios[] = {0, delim[1], delim[2]};
    const uint32_t siguientes[] = {delim[1], delim[2], delim[3]};
    const uint32_t completas[] = {largo_d, largo_d, largo_cierre};
    const uint8_t* e = imn::Entradas(*l.m);
    ASSERT_NE(e, nullptr);
    for (std::size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(partes[i].nombre, nombres[i].first);
      EXPECT_EQ(partes[i].contenido, nombres[i].second);
      EXPECT_EQ(partes[i].inicio, inicios[i]);
      EXPECT_EQ(partes[i].siguiente, siguientes[i]);
      EXPECT_EQ(partes[i].bytes_leidos, siguientes[i] - inicios[i] + completas[i]);
      EXPECT_EQ(partes[i].devueltas, i + 1);
      // The part entries measure the same stretches, without the 2-byte line end.
      EXPECT_EQ(imn::Le32(e + 24 * i + 12), inicios[i]);
      EXPECT_EQ(imn::Le32(e + 24 * i + 16), siguientes[i] - inicios[i] - 2);
    }
  }
}

TEST(ObjetoImnTest, UnMensajeSimpleDaUnaParteYElCuerpo) {
  AlmacenImnInstalado almacen({Buzon("Inbox", {MensajeVivo(1, MensajeSimple(), "Hola")})});
  CarpetaAbierta c(0);
  ListadoAbierto l(c.c);
  ASSERT_EQ(l.Siguiente(), OE_OK);
  const auto partes = Partes(l.m);
  ASSERT_EQ(partes.size(), 1u);
  EXPECT_EQ(partes[0].siguiente, l.m->LongTexto);
  const std::string texto(l.m->Texto, l.m->LongTexto);
  EXPECT_EQ(l.m->PosCuerpo, texto.find("\r\n\r\n") + 4);
  EXPECT_EQ(l.m->FinCuerpo, l.m->LongTexto);
  EXPECT_STREQ(l.m->Asunto, "Saludos");
  EXPECT_STREQ(l.m->De, "ana@ejemplo.es");
}

TEST(ObjetoImnTest, CerrarAntesDeTiempoNoEscribeYUnObjetoAjenoSeRechaza) {
  AlmacenImnInstalado almacen({Buzon("Inbox", {MensajeVivo(1, MensajeConAdjuntosImn({{"x.exe", "MZ"}}), "x")})});
  const auto antes = almacen.Leer("Inbox.idx");
  ObjetoEnParte x(0, 1, 2);
  ASSERT_TRUE(x.listo);
  ASSERT_EQ(x.Guardar(ACCION_BORRAR), OE_OK);
  EXPECT_EQ(x.m()->Modificado, 1u);
  EXPECT_EQ(OE_ObtenerObjMsg(x.m(), &x.o, 5), OE_OK);
  EXPECT_EQ(OE_ObtenerObjMsg(x.m(), &x.o, OE_CERRAR), OE_OK);
  EXPECT_EQ(x.o, nullptr);
  EXPECT_EQ(almacen.Leer("Inbox.idx"), antes);
  EXPECT_EQ(x.Siguiente(), OE_ERROR_PARAM);
  OE_MENSAJE* ajeno = reinterpret_cast<OE_MENSAJE*>(x.carpeta.c);
  EXPECT_EQ(OE_ObtenerObjMsg(x.m(), reinterpret_cast<OE_OBJMSG**>(&ajeno), OE_SIGUIENTE), OE_ERROR_PARAM);
  // A new object starts over: the abandoned rewrite is gone.
  ASSERT_EQ(OE_ObtenerObjMsg(x.m(), &x.o, OE_PRIMERO), OE_OK);
  EXPECT_EQ(x.m()->Modificado, 0u);
  EXPECT_EQ(x.m()->Reescrito, nullptr);
  EXPECT_EQ(imn::PartesDevueltas(*x.m()), 0u);
}

}  // namespace
}  // namespace orvex::pruebas
