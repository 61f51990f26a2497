// Against built stores, as a host does it: reopening a part from a kept reference, and the
// write-back that ends the walk of a changed message.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "pruebas/prueba_almacen.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kIdCarpeta = 4, kIdConAdjuntos = 5;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_mensaje.inc"
    ;

AlmacenDbx AlmacenConAdjuntos() {
  ArchivoMensajesDbx archivo;
  archivo.arbol = {2, FormaArbol::kMixto};
  const std::string con_adjuntos = Componer(Mensaje(
      "ana@ejemplo.es", "luis@ejemplo.es", "Dos adjuntos",
      Multiparte("mixed", {TextoPlano("Body.\n"), Adjunto("x.exe", std::string("MZ\0\x90", 4)),
                           Adjunto("y.bin", "yyy"), Adjunto("", "GIF", "image/gif")})));
  archivo.mensajes = {Mensaje(2, MensajeSimple()), Mensaje(kIdConAdjuntos, con_adjuntos),
                      Mensaje(9, MensajeConAdjunto("nueve"))};
  AlmacenDbx a;
  a.carpetas = {Carpeta(1, 0, "Local Folders"),
                Carpeta(kIdCarpeta, 1, "Inbox", "Inbox.dbx", archivo)};
  return a;
}

// The stored text of a message, as a fresh listing reads it.
std::string TextoGuardado(uint32_t id) {
  CarpetaPorId carpeta(kIdCarpeta);
  std::string texto;
  RecorrerMensajes(carpeta.c, [&](uint32_t modo, uint32_t r, const OE_MENSAJE* m) {
    if (modo == OE_SIGUIENTE && (r == OE_OK || r == OE_ERROR) && m->IdMensaje == id && m->Texto != nullptr) {
      texto.assign(m->Texto, m->LongTexto);
    }
  });
  return texto;
}

// Lists the folder up to the message with attachments and reads its first partes parts.
void AbrirEnListado(OE_CARPETA* carpeta, OE_MENSAJE** m, OE_OBJMSG** o, int partes) {
  ASSERT_EQ(OE_ObtenerMensajes(carpeta, m, OE_PRIMERO), OE_OK);
  while (OE_ObtenerMensajes(carpeta, m, OE_SIGUIENTE) == OE_OK && (*m)->IdMensaje != kIdConAdjuntos) {
  }
  ASSERT_EQ((*m)->IdMensaje, kIdConAdjuntos);
  ASSERT_EQ(OE_ObtenerObjMsg(*m, o, OE_PRIMERO), OE_OK);
  for (int k = 0; k < partes; ++k) ASSERT_EQ(OE_ObtenerObjMsg(*m, o, OE_SIGUIENTE), OE_OK);
}

TEST(AdjuntosTest, UnBorradoSeEscribeCuandoAcabanLasPartes) {
  enum Como { kHastaElFinal, kCerradoAMedias, kParteReabierta };
  for (const auto& [como, escrito] : {std::pair{kHastaElFinal, true}, {kCerradoAMedias, false}, {kParteReabierta, true}}) {
    SCOPED_TRACE(como);
    AlmacenInstalado almacen(AlmacenConAdjuntos());
    std::optional<CarpetaPorId> carpeta;
    OE_MENSAJE* m = nullptr;
    OE_OBJMSG* o = nullptr;
    OE_REF_ADJUNTO referencia{kIdCarpeta, 0, kIdConAdjuntos, 2, "x.exe"};
    if (como == kParteReabierta) {
      ASSERT_EQ(OE_ObtenerAttachMensaje(&referencia, &m, &o, OE_PRIMERO), OE_OK);
    } else {
      carpeta.emplace(kIdCarpeta);
      AbrirEnListado(carpeta->c, &m, &o, 2);
    }
    ASSERT_STREQ(o->NombreParte, "x.exe");
    ASSERT_EQ(OE_GuardarObjMsg(m, o, ACCION_BORRAR), OE_OK);
    EXPECT_EQ(m->Modificado, 1u);
    if (como == kParteReabierta) {
      EXPECT_EQ(OE_ObtenerAttachMensaje(nullptr, &m, &o, OE_CERRAR), OE_OK);
    } else {
      while (como == kHastaElFinal && OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
      }
      EXPECT_EQ(o != nullptr ? OE_ObtenerObjMsg(m, &o, OE_CERRAR) : OE_OK, OE_OK);
      EXPECT_EQ(OE_ObtenerMensajes(carpeta->c, &m, OE_CERRAR), OE_OK);
    }
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(o, nullptr);
    // The removed attachment's base64 line stays in the stored text until a write-back.
    const std::string despues = TextoGuardado(kIdConAdjuntos);
    EXPECT_EQ(despues.find("TVoAkA==") == std::string::npos, escrito);
    EXPECT_NE(despues.find("y.bin"), std::string::npos);
  }
}

// A reference is the object's own identifying fields, kept past its closing; a part is found
// by number and name exactly, and a folder that does not exist leaves the outputs alone.
TEST(AdjuntosTest, ReabreLaParteDeUnaReferenciaPorNumeroYNombreExactos) {
  AlmacenInstalado almacen(AlmacenConAdjuntos());
  OE_REF_ADJUNTO guardada{};
  {
    CarpetaPorId carpeta(kIdCarpeta);
    OE_MENSAJE* m = nullptr;
    OE_OBJMSG* o = nullptr;
    AbrirEnListado(carpeta.c, &m, &o, 2);
    std::memcpy(&guardada, &o->IdCarpeta, sizeof guardada);
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_CERRAR), OE_OK);
    EXPECT_EQ(OE_ObtenerMensajes(carpeta.c, &m, OE_CERRAR), OE_OK);
  }
  const std::pair<const char*, OE_REF_ADJUNTO> casos[] = {
      {"la referencia guardada", guardada},
      {"la tercera parte", {kIdCarpeta, 0, kIdConAdjuntos, 3, "y.bin"}},
      {"el nombre distingue mayusculas", {kIdCarpeta, 0, kIdConAdjuntos, 2, "X.EXE"}},
      {"numero y nombre de partes distintas", {kIdCarpeta, 0, kIdConAdjuntos, 3, "x.exe"}},
      {"una carpeta que no existe", {999, 0, kIdConAdjuntos, 1, ""}},
  };
  for (auto [nombre, referencia] : casos) {
    SCOPED_TRACE(nombre);
    OE_MENSAJE testigo{};
    OE_MENSAJE* m = &testigo;
    OE_OBJMSG* o = nullptr;
    std::string visto = "resultado " + std::to_string(OE_ObtenerAttachMensaje(&referencia, &m, &o, OE_PRIMERO));
    // The message record is left with the host either way, unless no folder was found.
    visto += m == &testigo ? " sin mensaje\n" : " mensaje " + std::to_string(m->IdMensaje) + "\n";
    if (o != nullptr) visto += Volcar(*o) + "\n";
    EXPECT_VOLCADO(kVolcados, "volcados_mensaje", std::string("referencia ") + nombre, visto);
    if (m == &testigo) continue;
    // The part goes even when its message record went missing; the record then closes alone.
    OE_MENSAJE* perdido = nullptr;
    EXPECT_EQ(OE_ObtenerAttachMensaje(nullptr, &perdido, &o, OE_CERRAR), OE_ERROR_PARAM);
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(OE_ObtenerAttachMensaje(nullptr, &m, &o, OE_CERRAR), OE_OK);
    EXPECT_EQ(m, nullptr);
  }
}

}  // namespace
}  // namespace orvex::pruebas
