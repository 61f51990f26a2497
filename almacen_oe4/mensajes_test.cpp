// Message listings of mail folders and newsgroups over a built store, through the exports, and
// mailbox blocks that cannot be read.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_oe4.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kCuenta = 0x80000001u;

MensajeOe4 Msg(uint32_t id, std::string texto) {
  MensajeOe4 m;
  m.id = id;
  m.texto = std::move(texto);
  m.asunto = "asunto " + std::to_string(id);
  m.fechas[1] = FileTime(1999, 3, 5, 14, 7);
  return m;
}

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe4.inc"
    ;

// Each shape of the index as the listing sees it, then the ids that the single-message call
// steps through from the cursor, as mode 2 does: one section per case.
TEST(MensajesOe4Test, FormasDelIndice) {
  MensajeOe4 sustituido = Msg(2, "b\r\n");
  sustituido.sustituido = true;
  sustituido.id_sustituto = 9;
  const std::tuple<const char*, std::vector<MensajeOe4>, uint32_t> casos[] = {
      {"carpeta sin mensajes", {}, 0},
      {"sin registros", {}, 1},
      {"solo sustituidos", {sustituido, sustituido}, 1},
      {"sustituidos al final", {Msg(1, "a\r\n"), sustituido}, 1},
      {"sustituido en medio", {Msg(1, "a\r\n"), sustituido, Msg(3, "c\r\n")}, 2},
      {"texto vacio", {Msg(1, "")}, 1},
  };
  for (const auto& [nombre, mensajes, num] : casos) {
    AlmacenOe4 d = AlmacenOe4Ejemplo();
    d.correo.carpetas[0].mensajes = mensajes;
    d.correo.carpetas[0].num_mensajes = num;
    AlmacenOe4Instalado almacen(d);
    CarpetaPorId c(1, almacen.Escrito().folders.registros[0]);
    std::string visto = VolcarMensajes(c.Puntero(), almacen.Directorio().Ruta()) + "uno a uno";
    OE_MENSAJE* m = nullptr;
    if (OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO) == OE_OK) {
      while (OE_ObtenerUnMensajeMail(c.Puntero(), &m) == OE_OK && visto.size() < 1000) {
        visto += " " + std::to_string(m->IdMensaje);
      }
      OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
    }
    EXPECT_VOLCADO(kVolcados, "volcados_oe4", nombre, visto + "\n");
  }
}

// An article stores no sender, subject or date: what the message object or the subject refresh
// wrote for one article is gone from the record when the next is listed. The third article's
// text runs over blocks of 1 byte and comes out whole; the last one's block lies outside the
// file: 1, and no text.
TEST(MensajesOe4Test, UnArticuloNoHeredaLosCamposDelAnterior) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.cuentas[1].grupos[0].articulos = {Articulo("From: uno@example.com\r\nSubject: uno\r\n\r\nuno\r\n"),
                                      Articulo("\r\ndos\r\n"), Articulo("b\r\n", 1), Articulo("c\r\n")};
  AlmacenOe4Instalado almacen(d);
  const std::string ruta = "News/news.example.com/" + NombreArchivoGrupo(1);
  std::vector<uint8_t> bytes = almacen.Escrito().grupos.at(ruta).bytes;
  PonerPalabra(bytes, almacen.Escrito().grupos.at(ruta).articulos[3] + oe4fmt::kArtPosBloque, 0xFFFFFF00u);
  almacen.Reescribir(ruta, bytes);
  CarpetaPorId g(kCuenta, almacen.Escrito().sublists.at("news.example.com").entradas[0]);
  ASSERT_EQ(g.Resultado(), OE_OK);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(g.Puntero(), &m, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerMensajes(g.Puntero(), &m, OE_SIGUIENTE), OE_OK);
  EXPECT_STREQ(m->Asunto, "uno");
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE), OE_OK);
  EXPECT_STRNE(m->De, "");
  std::snprintf(m->TextoGen, sizeof m->TextoGen, "x");
  std::snprintf(m->Fecha, sizeof m->Fecha, "x");
  ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_CERRAR), OE_OK);
  std::string visto;
  for (uint32_t r; (r = OE_ObtenerMensajes(g.Puntero(), &m, OE_SIGUIENTE)) != OE_FIN && visto.size() < 10000;) {
    visto += std::to_string(r) + " " + Volcar(*m, almacen.Directorio().Ruta()) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_oe4", "articulo tras otro", visto);
  EXPECT_EQ(OE_ObtenerMensajes(g.Puntero(), &m, OE_CERRAR), OE_OK);
}

// An item that names itself as the next one, or items sharing one text, hand the same text out
// again: the listing ends once it has handed out more text than twice the file holds.
TEST(MensajesOe4Test, UnArticuloQueSeSigueASiMismoNoRepiteSuTextoSinFin) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.cuentas[1].grupos[0].articulos = {Articulo("Subject: x\r\n\r\n" + std::string(20000, 'x') + "\r\n")};
  AlmacenOe4Instalado almacen(d);
  const std::string ruta = "News/news.example.com/" + NombreArchivoGrupo(1);
  const MapaGrupo& grupo = almacen.Escrito().grupos.at(ruta);
  std::vector<uint8_t> bytes = grupo.bytes;
  PonerPalabra(bytes, grupo.articulos[0] + oe4fmt::kArtPosSiguiente, grupo.articulos[0]);
  almacen.Reescribir(ruta, bytes);
  CarpetaPorId g(kCuenta, almacen.Escrito().sublists.at("news.example.com").entradas[0]);
  const std::string visto = VolcarMensajes(g.Puntero(), almacen.Directorio().Ruta());
  EXPECT_VOLCADO(kVolcados, "volcados_oe4", "articulo que se sigue", visto);
}

// A kept reference reopens its part: in mail, where the id looked for follows its rewrites (1 was
// rewritten as 5, and 5 again as 8), and in an article over several blocks.
TEST(MensajesOe4Test, ReabrirUnAdjuntoPorReferencia) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  std::vector<MensajeOe4>& correo = d.correo.carpetas[0].mensajes;
  correo.clear();
  for (const uint32_t id : {1u, 3u, 5u, 8u, 9u}) correo.push_back(Msg(id, MensajeConAdjunto("correo")));
  correo[0].sustituido = correo[2].sustituido = true;
  correo[0].id_sustituto = 5;
  correo[2].id_sustituto = 8;
  d.cuentas[1].grupos[0].articulos = {Articulo(std::nullopt), Articulo("Subject: a\r\n\r\na\r\n"),
                                      Articulo(MensajeConAdjunto("datos"), 40)};
  AlmacenOe4Instalado almacen(d);
  const uint32_t buzon = almacen.Escrito().folders.registros[0];
  const uint32_t grupo = almacen.Escrito().sublists.at("news.example.com").entradas[0];
  // Folder, position, the id looked for and the id found; 0 where the lookup fails with 1.
  const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> casos[] = {
      {1, buzon, 1, 8}, {1, buzon, 5, 8},  {1, buzon, 3, 3},        {1, buzon, 9, 9},
      {1, buzon, 4, 0}, {1, buzon, 10, 0}, {kCuenta, grupo, 4, 4}, {kCuenta, grupo, 3, 0}};
  for (const auto& [carpeta, pos, buscado, encontrado] : casos) {
    SCOPED_TRACE(buscado);
    OE_REF_ADJUNTO ref{};
    ref.IdCarpeta = carpeta;
    ref.PosCarpeta = pos;
    ref.IdMensaje = buscado;
    ref.NumParte = 2;
    std::snprintf(ref.NombreAdjunto, sizeof ref.NombreAdjunto, "x.exe");
    OE_MENSAJE* m = nullptr;
    OE_OBJMSG* o = nullptr;
    const uint32_t r = OE_ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO);
    EXPECT_EQ(r, encontrado != 0 ? OE_OK : OE_ERROR);
    if (r == OE_OK) {
      EXPECT_EQ(std::pair(m->IdMensaje, std::string(o->NombreAdjunto)), std::pair(encontrado, std::string("x.exe")));
    }
    EXPECT_EQ(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_CERRAR), OE_OK);
  }
}

// A mailbox block that cannot be read gives 1 for its message, without a text, and the
// listing moves on to the next record. Each step's result and record, one section per case.
TEST(MensajesOe4Test, UnBloqueIlegibleDaUnoYElListadoSigue) {
  const std::tuple<const char*, bool, uint32_t, uint32_t> casos[] = {
      // The word is in the first block, else in the mailbox header.
      {"un texto mas largo que el buzon", true, oe4fmt::kMbxBloqueLongTexto, 0xFFFFFFF0u},
      {"otra firma del buzon", false, oe4fmt::kMbxFirma, 0x12345678u},
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
