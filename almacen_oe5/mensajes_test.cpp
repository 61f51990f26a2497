// Message listings of a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <cstdio>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/prueba_almacen.h"
#include "soporte/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe5.inc"
    ;

// The listing must show every message as the builder wrote it, with the cursor words: the
// record's end is the next object of the same node (0 after a node's last entry).
void ComprobarListado(const Listado& l, const ArchivoMensajesDbx& d, const MapaDbx& mapa) {
  ASSERT_EQ(l.primero, OE_OK);
  ASSERT_EQ(l.mensajes.size(), d.mensajes.size());
  EXPECT_EQ(l.fin, OE_FIN);
  const uint32_t k = d.arbol.entradas_por_nodo;
  for (uint32_t i = 0; i < d.mensajes.size(); ++i) {
    SCOPED_TRACE(i);
    const MensajeVisto& v = l.mensajes[i];
    const bool ultimo_del_nodo = (i + 1) % k == 0 || i + 1 == d.mensajes.size();
    EXPECT_EQ(v.resultado, OE_OK);
    EXPECT_EQ(v.id, d.mensajes[i].id);
    EXPECT_EQ(v.pos_registro, mapa.objetos[i]);
    EXPECT_EQ(v.fin_registro, ultimo_del_nodo ? 0 : mapa.objetos[i + 1]);
    EXPECT_EQ(v.pos_texto, mapa.bloques[i][0]);
    EXPECT_EQ(v.texto, d.mensajes[i].texto);
  }
}

// A store with one folder (id 4, Inbox.dbx) holding these messages.
AlmacenDbx UnaCarpeta(const ArchivoMensajesDbx& a) {
  AlmacenDbx d;
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  return d;
}

class MensajesOe5Test : public ::testing::Test {
 protected:
  MensajesOe5Test() : descripcion_(AlmacenEjemplo()), almacen_(descripcion_) {}
  const ArchivoMensajesDbx& Entrada() const { return *descripcion_.carpetas[1].mensajes; }
  const MapaDbx& Mapa() const { return almacen_.Escrito().archivos.at("Inbox.dbx"); }

  AlmacenDbx descripcion_;
  AlmacenInstalado almacen_;
};

TEST(MensajesOe5FormasTest, ArbolesDeCadaFormaYTextosEnLosBordesDeLosBloques) {
  // Text length and block room of the first messages; the others are short.
  const std::pair<std::size_t, uint32_t> bordes[] = {{0, 512},    {1, 512},    {511, 512}, {512, 512}, {513, 512},
                                                     {1024, 512}, {1025, 512}, {5000, 512}, {7, 1},     {100, 33}};
  for (FormaArbol forma : {FormaArbol::kCadena08, FormaArbol::kHijosEntrada, FormaArbol::kMixto}) {
    for (uint32_t k : {1, 2, 7, 51}) {
      SCOPED_TRACE(static_cast<int>(forma) * 100 + k);
      ArchivoMensajesDbx a;
      a.arbol = {k, forma};
      for (uint32_t i = 0; i < 60; ++i) {
        const bool borde = i < std::size(bordes);
        std::string texto = borde ? "" : "Subject: " + std::to_string(i) + "\r\n\r\ncuerpo\r\n";
        for (std::size_t j = 0; borde && j < bordes[i].first; ++j) texto += static_cast<char>('A' + j % 26);
        a.mensajes.push_back(Mensaje(i + 2, texto, FileTime(2004, 1, 1, 0, 0)));
        a.mensajes.back().capacidad_bloque = borde ? bordes[i].second : 512;
        a.mensajes.back().bloque_en_area = i % 2 == 1;
      }
      AlmacenInstalado almacen(UnaCarpeta(a));
      CarpetaAbierta c(4);
      ComprobarListado(Listar(c.c), a, almacen.Escrito().archivos.at("Inbox.dbx"));
    }
  }
}

// A listing cut short or emptied by the file's header or the folder's index, or passing over a
// damaged message and going on.
TEST_F(MensajesOe5Test, CabecerasYMensajesDanados) {
  using namespace dbx;
  const MapaDbx& m = Mapa();
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    uint32_t pos;  // a word of the file to change (0: none)
    uint32_t valor;
    std::optional<uint32_t> num_carpeta = {};   // the folder's index id 0x87
    std::optional<uint32_t> num_cabecera = {};  // the file header's count
    std::optional<uint32_t> max_id = {};
    bool sin_archivo = false;
  };
  const Caso casos[] = {
      // The message with id 4 is still handed out; the one read after it is not.
      {"id maximo 3", 0, 0, {}, {}, 3},
      {"indice de carpeta con 0 mensajes", 0, 0, 0},
      {"cabecera con 0 mensajes", 0, 0, {}, 0},
      {"archivo ausente", 0, 0, {}, {}, {}, true},
      {"firma de folders.dbx", 4, kFirmaCarpetas},
      {"sin arbol de mensajes", kCabArbolMensajes, 0},
      // An entry at or past the object bound ends its node: the message is passed over.
      {"objeto fuera del archivo", m.nodos[0] + kNodoEntradas + kLongEntrada, tamano},
      {"objeto a 0", m.nodos[0] + kNodoEntradas + kLongEntrada, 0},
      {"cuerpo del objeto hasta pasado el final", m.objetos[1] + kObjLongCuerpo, tamano - m.objetos[1]},
      {"bloque con capacidad 513", m.bloques[1][0] + kBloqueCapacidad, 513},
      {"texto en el limite de la cabecera", kCabLimiteTexto, m.bloques[4][0]},
      {"texto justo antes del limite", kCabLimiteTexto, m.bloques[4][0] + 1},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    ArchivoMensajesDbx a = Entrada();
    a.num_mensajes = caso.num_cabecera;
    a.max_id = caso.max_id;
    AlmacenDbx d = UnaCarpeta(a);
    d.carpetas[0].num_mensajes = caso.num_carpeta.value_or(5);
    if (caso.sin_archivo) d.carpetas[0].mensajes.reset();
    AlmacenInstalado almacen(d);
    if (caso.pos != 0) {
      std::vector<uint8_t> b = almacen.Escrito().archivos.at("Inbox.dbx").bytes;
      PonerPalabra(b, caso.pos, caso.valor);
      almacen.Reescribir("Inbox.dbx", b);
    }
    CarpetaAbierta c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    EXPECT_VOLCADO(kVolcados, "volcados_oe5", caso.nombre, VolcarMensajes(c.c, almacen.Directorio().Ruta()));
  }
}

TEST_F(MensajesOe5Test, UnArchivoQueDesapareceDa1SinMoverElCursor) {
  CarpetaAbierta c(4);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  const std::string ruta = almacen_.Directorio().Ruta() + "/Inbox.dbx";
  std::remove(ruta.c_str());
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_ERROR);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_ERROR);
  EscribirImagen(ruta, Mapa().bytes);
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(m->IdMensaje, 3u);
  // Whatever a rewrite left behind is released by the next read and by mode 3 (the leak
  // checker of the sanitizer build would report it otherwise).
  m->Reescrito = new CL_BUFFER_FLUJO();
  m->Modificado = 1;
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(m->Reescrito, nullptr);
  EXPECT_EQ(m->Modificado, 0u);
  m->Reescrito = new CL_BUFFER_FLUJO();
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
}

TEST(MensajesOe5DanadosTest, ReabrirUnAdjuntoSeDetieneEnElMensajeDanado) {
  ArchivoMensajesDbx a;
  a.mensajes = {Mensaje(2, MensajeConAdjunto("antes")), Mensaje(3, MensajeSimple()),
                Mensaje(4, MensajeConAdjunto("datos"))};
  AlmacenInstalado almacen(UnaCarpeta(a));
  const MapaDbx& mapa = almacen.Escrito().archivos.at("Inbox.dbx");
  // The second message's object runs past the end of the file: the lookup ends there, so a
  // message listed behind it is not found (and one that no message has neither).
  std::vector<uint8_t> b = mapa.bytes;
  PonerPalabra(b, mapa.objetos[1] + dbx::kObjLongCuerpo, 0x7FFFFFFF);
  almacen.Reescribir("Inbox.dbx", b);
  const std::string raiz = almacen.Directorio().Ruta();
  std::string r;
  for (const uint32_t id : {2, 4, 9}) {
    OE_REF_ADJUNTO ref{};
    ref.IdCarpeta = 4;
    ref.IdMensaje = id;
    ref.NumParte = 2;
    std::snprintf(ref.NombreAdjunto, sizeof ref.NombreAdjunto, "x.exe");
    OE_MENSAJE* m = nullptr;
    OE_OBJMSG* o = nullptr;
    r += std::to_string(id) + " " + std::to_string(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO));
    // The message record stays with the host either way.
    r += " " + (m == nullptr ? std::string("null") : Volcar(*m, raiz)) + "\n";
    if (o != nullptr) r += "  parte " + std::to_string(o->NumParte) + " \"" + o->NombreAdjunto + "\"\n";
    r += "  cierre " + std::to_string(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_CERRAR));
    r += m == nullptr ? "\n" : " queda\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_oe5", "adjunto tras un mensaje danado", r);
}

}  // namespace
}  // namespace orvex::pruebas
