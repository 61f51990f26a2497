// Message listings of mail folders and newsgroups over a built store, through the exports, and
// mailbox blocks that cannot be read.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kCuenta = 0x80000001u;

// A mail message; with a substitute's id, a record the listing skips.
MensajeOe4 Msg(uint32_t id, std::string texto, uint32_t sustituto = 0) {
  MensajeOe4 m;
  m.id = id;
  m.texto = std::move(texto);
  m.sustituido = sustituto != 0;
  m.id_sustituto = sustituto;
  return m;
}

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe4.inc"
    ;

// A kept reference reopens its part: in mail, where the id looked for follows its rewrites (1 was
// rewritten as 5, and 5 again as 8), and in an article over several blocks.
TEST(MensajesOe4Test, ReabrirUnAdjuntoPorReferencia) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  const std::string texto = MensajeConAdjunto("correo");
  d.correo.carpetas[0].mensajes = {Msg(1, texto, 5), Msg(3, texto), Msg(5, texto, 8), Msg(8, texto), Msg(9, texto)};
  d.cuentas[1].grupos[0].articulos = {Articulo(std::nullopt), Articulo("Subject: a\r\n\r\na\r\n"),
                                      Articulo(MensajeConAdjunto("datos"), 40)};
  AlmacenInstalado almacen(d);
  const uint32_t buzon = almacen.Oe4().folders.registros[0];
  const uint32_t grupo = almacen.Oe4().sublists.at("news.example.com").entradas[0];
  // Folder, position, the id looked for and the id found; 0 where the lookup fails with 1.
  const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> casos[] = {
      {1, buzon, 1, 8}, {1, buzon, 5, 8},  {1, buzon, 3, 3},        {1, buzon, 9, 9},
      {1, buzon, 4, 0}, {1, buzon, 10, 0}, {kCuenta, grupo, 4, 4}, {kCuenta, grupo, 3, 0}};
  for (const auto& [carpeta, pos, buscado, encontrado] : casos) {
    OE_REF_ADJUNTO ref{carpeta, pos, buscado, 2, "x.exe"};
    OE_MENSAJE* m = nullptr;
    OE_OBJMSG* o = nullptr;
    const uint32_t r = OE_ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO);
    EXPECT_EQ(r, encontrado != 0 ? OE_OK : OE_ERROR) << "id " << buscado;
    EXPECT_EQ(r == OE_OK ? m->IdMensaje : 0u, encontrado) << "id " << buscado;
    EXPECT_EQ(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_CERRAR), OE_OK);
  }
}

// A damaged file gives 1 for what it cannot read and the listing moves on: each step's result
// and the record it left. Into an article's record the host then writes "!" as sender, subject
// and date: an article stores none of them, so none of that may reach the next article.
// A mailbox block that cannot be read leaves its message without a text.
// An article whose item names itself as the next hands its text out again until the listing has
// handed out more than twice the file holds; an article whose text runs over blocks of 1 byte
// comes out whole, and the next one, whose block lies outside the file, has no text.
TEST(MensajesOe4Test, UnArchivoDanadoDaUnoYElListadoSigue) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.cuentas[1].grupos[0].articulos = {Articulo("Subject: x\r\n\r\n" + std::string(20000, 'x') + "\r\n"),
                                      Articulo("b\r\n", 1), Articulo("c\r\n")};
  AlmacenInstalado almacen(d);
  const MapaIdxMbx& par = almacen.Oe4().pares.at("Inbox");
  const std::string ruta_grupo = "News/news.example.com/" + NombreArchivoGrupo(1);
  const MapaGrupo& grupo = almacen.Oe4().grupos.at(ruta_grupo);
  const std::tuple<const char*, bool, uint32_t, uint32_t> casos[] = {
      {"un texto mas largo que el buzon", false, par.bloques[0] + oe4fmt::kMbxBloqueLongTexto, 0xFFFFFFF0u},
      {"articulo que se sigue", true, grupo.articulos[0] + oe4fmt::kArtPosSiguiente, grupo.articulos[0]},
      {"articulo fuera del archivo", true, grupo.articulos[2] + oe4fmt::kArtPosBloque, 0xFFFFFF00u},
  };
  for (const auto& [nombre, en_grupo, pos, valor] : casos) {
    std::vector<uint8_t> bytes = en_grupo ? grupo.bytes : par.mbx;
    PonerPalabra(bytes, pos, valor);
    almacen.Escribir(en_grupo ? ruta_grupo : "mail/Inbox.mbx", bytes);
    CarpetaPorId c(en_grupo ? kCuenta : 1, en_grupo ? almacen.Oe4().sublists.at("news.example.com").entradas[0]
                                                    : almacen.Oe4().folders.registros[0]);
    std::string visto;
    RecorrerMensajes(c.Puntero(), [&](uint32_t modo, uint32_t r, const OE_MENSAJE* m) {
      if (modo == OE_CERRAR || m == nullptr) return;
      visto += std::to_string(r) + " " + Volcar(*m, almacen.Raiz()) + "\n";
      if (m->IdCarpeta != kCuenta) return;
      auto* h = const_cast<OE_MENSAJE*>(m);  // the host may write into the record it was handed
      for (char* campo : {h->De, h->DeMime, h->TextoGen, h->Asunto, h->Fecha}) std::snprintf(campo, 2, "!");
    });
    EXPECT_VOLCADO(kVolcados, "volcados_oe4", nombre, visto);
  }
}

}  // namespace
}  // namespace orvex::pruebas
