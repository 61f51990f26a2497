// Message listings of a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "almacen_oe5/areas.h"
#include "almacen_oe5/formato_dbx.h"
#include "almacen_oe5/oe5.h"
#include "almacen_oe5/prueba_almacen.h"
#include "mensaje/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// A FILETIME as the listing writes it in UTC: day/month/year hour:minute.
std::string FechaUtc(uint64_t filetime) {
  using namespace std::chrono;
  const sys_seconds t{seconds{static_cast<int64_t>(filetime / 10000000u) - 11644473600}};
  const sys_days dia = floor<days>(t);
  const year_month_day fecha{dia};
  const hh_mm_ss hora{t - dia};
  char texto[32];
  std::snprintf(texto, sizeof texto, "%02u/%02u/%04d %02d:%02d", static_cast<unsigned>(fecha.day()),
                static_cast<unsigned>(fecha.month()), static_cast<int>(fecha.year()),
                static_cast<int>(hora.hours().count()), static_cast<int>(hora.minutes().count()));
  return texto;
}

// The folder's messages as the builder wrote them, with the cursor words a listing must show.
struct Esperado {
  uint32_t id;
  uint32_t pos_registro;
  uint32_t fin_registro;
  uint32_t pos_texto;
  std::string texto;
  std::string fecha;
};

std::vector<Esperado> EsperadosDe(const ArchivoMensajesDbx& d, const MapaDbx& mapa) {
  std::vector<Esperado> e;
  // Objects are spread over nodes entradas_por_nodo at a time; the slot after the last entry
  // of a node is empty.
  const uint32_t k = d.arbol.entradas_por_nodo;
  for (uint32_t i = 0; i < d.mensajes.size(); ++i) {
    const bool ultimo_del_nodo = (i + 1) % k == 0 || i + 1 == d.mensajes.size();
    e.push_back({d.mensajes[i].id, mapa.objetos[i], ultimo_del_nodo ? 0 : mapa.objetos[i + 1], mapa.bloques[i][0],
                 d.mensajes[i].texto, FechaUtc(d.mensajes[i].fecha)});
  }
  return e;
}

void ComprobarListado(const Listado& l, const std::vector<Esperado>& esperados) {
  ASSERT_EQ(l.primero, OE_OK);
  ASSERT_EQ(l.mensajes.size(), esperados.size());
  for (std::size_t i = 0; i < esperados.size(); ++i) {
    SCOPED_TRACE(i);
    const MensajeVisto& v = l.mensajes[i];
    EXPECT_EQ(v.resultado, OE_OK);
    EXPECT_EQ(v.id, esperados[i].id);
    EXPECT_EQ(v.pos_registro, esperados[i].pos_registro);
    EXPECT_EQ(v.fin_registro, esperados[i].fin_registro);
    EXPECT_EQ(v.pos_texto, esperados[i].pos_texto);
    EXPECT_EQ(v.fecha, esperados[i].fecha);
    ASSERT_TRUE(v.texto.has_value());
    EXPECT_EQ(*v.texto, esperados[i].texto);
  }
}

class MensajesOe5Test : public ::testing::Test {
 protected:
  MensajesOe5Test() : descripcion_(AlmacenEjemplo()), almacen_(descripcion_) {}

  const ArchivoMensajesDbx& Archivo(std::size_t carpeta) const { return *descripcion_.carpetas[carpeta].mensajes; }
  const MapaDbx& Mapa(const std::string& nombre) const { return almacen_.Escrito().archivos.at(nombre); }

  AlmacenDbx descripcion_;
  AlmacenInstalado almacen_;
};

TEST_F(MensajesOe5Test, CadaCarpetaListaSusMensajesEnOrden) {
  struct Caso {
    uint32_t id_carpeta;
    std::size_t indice;
    const char* archivo;
  };
  const Caso casos[] = {{4, 1, "Inbox.dbx"}, {10, 2, "Proyectos.dbx"}, {11, 3, "2001.dbx"}, {6, 5, "Sent Items.dbx"}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.archivo);
    CarpetaAbierta c(caso.id_carpeta);
    ASSERT_EQ(c.resultado, OE_OK);
    ComprobarListado(Listar(c.c), EsperadosDe(Archivo(caso.indice), Mapa(caso.archivo)));
  }
}

TEST_F(MensajesOe5Test, ElModo1PreparaSinLeer) {
  CarpetaAbierta c(4);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  const MapaDbx& mapa = Mapa("Inbox.dbx");
  EXPECT_EQ(m->Tamano, OE_TAM_MENSAJE);
  EXPECT_EQ(m->IdCarpeta, 4u);
  EXPECT_EQ(m->PosCarpeta, c.c->PosCarpeta);
  EXPECT_STREQ(m->NombreCarpeta, "Inbox");
  EXPECT_STREQ(m->RutaAlmacen, c.c->RutaAlmacen);
  EXPECT_STREQ(m->RutaIndice, c.c->RutaIndice);
  EXPECT_STREQ(m->RutaBuzon, c.c->RutaIndice);
  EXPECT_EQ(m->IdMensaje, 0u);
  EXPECT_EQ(m->Texto, nullptr);
  EXPECT_EQ(m->TamMsg, 0u);
  EXPECT_EQ(oe5::MaxIdMensaje(*m), 6u);
  EXPECT_EQ(m->FinRegistro, LeerPalabra(mapa.bytes, dbx::kCabInicioObjetos));
  EXPECT_EQ(oe5::LimiteObjetos(*m),
            LeerPalabra(mapa.bytes, dbx::kCabInicioObjetos) + LeerPalabra(mapa.bytes, dbx::kCabLongObjetos));
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgNumNodos), mapa.nodos.size());
  for (uint32_t i = 0; i < mapa.nodos.size(); ++i) EXPECT_EQ(oe5::NodoLista(*m, i), mapa.nodos[i]);
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgNumNodoActual), 1u);
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgNodoActual), mapa.raiz);
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgNodoSiguiente), mapa.nodos[1]);
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgCursorEntrada), 0u);

  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgCursorEntrada), mapa.raiz + dbx::kNodoEntradas);
  EXPECT_EQ(oe5::Palabra(*m, oe5::kMsgCursorSiguiente), mapa.raiz + dbx::kNodoEntradas + dbx::kLongEntrada);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, 9), OE_OK);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  EXPECT_EQ(m, nullptr);
}

TEST_F(MensajesOe5Test, FechaEnHoraLocal) {
  struct Caso {
    const char* zona;
    uint64_t filetime;
    const char* fecha;
  };
  const Caso casos[] = {
      {"UTC0", FileTime(2001, 3, 5, 13, 7), "05/03/2001 13:07"},
      {"CET-1", FileTime(2001, 3, 5, 13, 7), "05/03/2001 14:07"},
      {"CET-1", FileTime(2001, 12, 31, 23, 30, 59), "01/01/2002 00:30"},
      {"EST5", FileTime(2001, 3, 5, 3, 0), "04/03/2001 22:00"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.fecha);
    AlmacenDbx d;
    ArchivoMensajesDbx a;
    a.mensajes = {Mensaje(2, "Subject: x\r\n\r\n", caso.filetime)};
    d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
    AlmacenInstalado almacen(d);
    VariableEntorno zona("TZ", std::string(caso.zona));
    CarpetaAbierta c(4);
    const Listado l = Listar(c.c);
    ASSERT_EQ(l.mensajes.size(), 1u);
    EXPECT_EQ(l.mensajes[0].fecha, caso.fecha);
  }
}

TEST_F(MensajesOe5Test, TextosEnLosBordesDeLosBloques) {
  struct Caso {
    std::size_t longitud;
    uint32_t capacidad;
  };
  const Caso casos[] = {{0, 512}, {1, 512}, {511, 512}, {512, 512}, {513, 512}, {1024, 512},
                        {1025, 512}, {5000, 512}, {7, 1}, {100, 33}};
  AlmacenDbx d;
  ArchivoMensajesDbx a;
  a.arbol = {4, FormaArbol::kHijosEntrada};
  uint32_t id = 2;
  for (const Caso& caso : casos) {
    MensajeDbx m;
    m.id = id++;
    for (std::size_t i = 0; i < caso.longitud; ++i) m.texto += static_cast<char>('A' + i % 26);
    m.capacidad_bloque = caso.capacidad;
    a.mensajes.push_back(m);
  }
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  AlmacenInstalado almacen(d);
  CarpetaAbierta c(4);
  ComprobarListado(Listar(c.c), EsperadosDe(a, almacen.Escrito().archivos.at("Inbox.dbx")));
}

TEST_F(MensajesOe5Test, MuchosNodosEnCadaForma) {
  const FormaArbol formas[] = {FormaArbol::kCadena08, FormaArbol::kHijosEntrada, FormaArbol::kMixto};
  const uint32_t por_nodo[] = {1, 2, 7, 51};
  for (FormaArbol forma : formas) {
    for (uint32_t k : por_nodo) {
      SCOPED_TRACE(static_cast<int>(forma) * 100 + k);
      AlmacenDbx d;
      ArchivoMensajesDbx a;
      a.arbol = {k, forma};
      for (uint32_t i = 0; i < 60; ++i) {
        a.mensajes.push_back(Mensaje(i + 2, "Subject: " + std::to_string(i) + "\r\n\r\ncuerpo\r\n", FileTime(2004, 1, 1, 0, 0)));
        a.mensajes.back().bloque_en_area = i % 2 == 1;
      }
      d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
      AlmacenInstalado almacen(d);
      CarpetaAbierta c(4);
      ComprobarListado(Listar(c.c), EsperadosDe(a, almacen.Escrito().archivos.at("Inbox.dbx")));
    }
  }
}

TEST_F(MensajesOe5Test, ElIdMaximoDeLaCabeceraCortaElListado) {
  ArchivoMensajesDbx a = Archivo(1);
  a.max_id = 3;
  AlmacenDbx d;
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  AlmacenInstalado almacen(d);
  CarpetaAbierta c(4);
  const Listado l = Listar(c.c);
  // The message with id 4 is still handed out; the one read after it is not.
  ASSERT_EQ(l.mensajes.size(), 3u);
  EXPECT_EQ(l.mensajes[2].id, 4u);
}

TEST_F(MensajesOe5Test, CarpetasVaciasAusentesYAjenas) {
  struct Caso {
    const char* nombre;
    std::function<void(AlmacenDbx&)> describir;
    std::function<void(AlmacenInstalado&)> danar;
    uint32_t primero;
  };
  const auto sin_danar = [](AlmacenInstalado&) {};
  const Caso casos[] = {
      {"indice de carpeta con 0 mensajes", [](AlmacenDbx& d) { d.carpetas[0].num_mensajes = 0; }, sin_danar,
       OE_SIN_MENSAJES},
      {"cabecera con 0 mensajes", [](AlmacenDbx& d) { d.carpetas[0].mensajes->num_mensajes = 0; }, sin_danar,
       OE_SIN_MENSAJES},
      {"archivo ausente", [](AlmacenDbx& d) { d.carpetas[0].mensajes.reset(); }, sin_danar, OE_ERROR},
      {"firma de folders.dbx",
       [](AlmacenDbx&) {},
       [](AlmacenInstalado& a) {
         std::vector<uint8_t> b = a.Escrito().archivos.at("Inbox.dbx").bytes;
         PonerPalabra(b, 4, dbx::kFirmaCarpetas);
         a.Reescribir("Inbox.dbx", b);
       },
       OE_ERROR},
      {"sin arbol de mensajes",
       [](AlmacenDbx&) {},
       [](AlmacenInstalado& a) {
         std::vector<uint8_t> b = a.Escrito().archivos.at("Inbox.dbx").bytes;
         PonerPalabra(b, dbx::kCabArbolMensajes, 0);
         a.Reescribir("Inbox.dbx", b);
       },
       OE_ERROR},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenDbx d;
    ArchivoMensajesDbx a;
    a.mensajes = {Mensaje(2, "Subject: uno\r\n\r\n")};
    d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
    d.carpetas[0].num_mensajes = 1;
    caso.describir(d);
    AlmacenInstalado almacen(d);
    caso.danar(almacen);
    CarpetaAbierta c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    OE_MENSAJE* m = nullptr;
    EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), caso.primero);
    EXPECT_EQ(m, nullptr);
  }
}

TEST_F(MensajesOe5Test, UnArchivoQueDesapareceDa1SinMoverElCursor) {
  CarpetaAbierta c(4);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  const std::string ruta = almacen_.Directorio().Ruta() + "/Inbox.dbx";
  const std::vector<uint8_t> bytes = almacen_.Directorio().Leer("Inbox.dbx");
  std::remove(ruta.c_str());
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_ERROR);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_ERROR);
  EscribirImagen(ruta, bytes);
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(m->IdMensaje, 3u);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
}

TEST_F(MensajesOe5Test, ComprobacionesDeRegistros) {
  CarpetaAbierta c(4);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(nullptr, &m, OE_PRIMERO), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_ERROR_PARAM);
  auto* falso = reinterpret_cast<OE_MENSAJE*>(c.c);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  OE_MENSAJE ajeno{};
  ajeno.Tamano = OE_TAM_MENSAJE;
  EXPECT_EQ(OE_ObtenerMensajes(reinterpret_cast<OE_CARPETA*>(&ajeno), &m, OE_PRIMERO), OE_ERROR_PARAM);
  // With this store the export answers a single-message request without touching the pointer.
  OE_MENSAJE* intacto = reinterpret_cast<OE_MENSAJE*>(&ajeno);
  EXPECT_EQ(OE_ObtenerUnMensajeMail(c.c, &intacto), OE_OK);
  EXPECT_EQ(intacto, reinterpret_cast<OE_MENSAJE*>(&ajeno));
}

TEST_F(MensajesOe5Test, PosicionarMensajeBuscaPorId) {
  struct Caso {
    uint32_t id;
    uint32_t resultado;
  };
  const Caso casos[] = {{2, OE_OK}, {5, OE_OK}, {6, OE_OK}, {99, OE_FIN}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.id);
    CarpetaAbierta c(4);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
    OE_REF_ADJUNTO ref{};
    ref.IdCarpeta = 4;
    ref.IdMensaje = caso.id;
    EXPECT_EQ(oe5::PosicionarMensaje(&ref, c.c, m), caso.resultado);
    if (caso.resultado == OE_OK) {
      EXPECT_EQ(m->IdMensaje, caso.id);
      ASSERT_NE(m->Texto, nullptr);
      EXPECT_EQ(std::string(m->Texto), Archivo(1).mensajes[caso.id - 2].texto);
    }
    EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  }
}

TEST(MensajesOe5DanadosTest, ReabrirUnAdjuntoTrasUnMensajeDanado) {
  ArchivoMensajesDbx a;
  a.mensajes = {Mensaje(2, MensajeSimple()), Mensaje(3, MensajeSimple()), Mensaje(4, MensajeConAdjunto("datos"))};
  AlmacenDbx d;
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  AlmacenInstalado almacen(d);
  const MapaDbx& mapa = almacen.Escrito().archivos.at("Inbox.dbx");
  struct Caso {
    const char* nombre;
    uint32_t id;
    uint32_t resultado;
  };
  const Caso casos[] = {{"el tercero", 4, OE_OK}, {"uno que no hay", 9, OE_ERROR}};
  // The second message's object runs past the end of the file.
  std::vector<uint8_t> b = mapa.bytes;
  PonerPalabra(b, mapa.objetos[1] + dbx::kObjLongCuerpo, 0x7FFFFFFF);
  almacen.Reescribir("Inbox.dbx", b);
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    OE_REF_ADJUNTO ref{};
    ref.IdCarpeta = 4;
    ref.IdMensaje = caso.id;
    ref.NumParte = 2;
    std::snprintf(ref.NombreAdjunto, sizeof ref.NombreAdjunto, "x.exe");
    OE_MENSAJE* m = nullptr;
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO), caso.resultado);
    if (caso.resultado == OE_OK) {
      ASSERT_NE(m, nullptr);
      ASSERT_NE(o, nullptr);
      EXPECT_EQ(m->IdMensaje, 4u);
      EXPECT_EQ(o->NumParte, 2u);
      EXPECT_STREQ(o->NombreAdjunto, "x.exe");
    }
    OE_ObtenerAttachMensaje(&ref, &m, &o, OE_CERRAR);
  }
}

TEST_F(MensajesOe5Test, UnaReescrituraAbandonadaSeVaConSuMensaje) {
  // Whatever a rewrite left behind is released by the next read and by mode 3 (the leak
  // checker of the sanitizer build would report it otherwise).
  CarpetaAbierta c(4);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  m->Reescrito = new CL_BUFFER_FLUJO();
  m->Modificado = 1;
  ASSERT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(m->Reescrito, nullptr);
  EXPECT_EQ(m->Modificado, 0u);
  m->Reescrito = new CL_BUFFER_FLUJO();
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
}

TEST_F(MensajesOe5Test, ElTextoPorElAreaDeDatosCuandoFalta0x84) {
  const ArchivoMensajesDbx& a = Archivo(1);
  ASSERT_TRUE(a.mensajes[2].bloque_en_area);
  CarpetaAbierta c(4);
  const Listado l = Listar(c.c);
  ASSERT_EQ(l.mensajes.size(), 5u);
  EXPECT_EQ(l.mensajes[2].pos_texto, Mapa("Inbox.dbx").bloques[2][0]);
  EXPECT_EQ(l.mensajes[2].texto, a.mensajes[2].texto);
}

}  // namespace
}  // namespace orvex::pruebas
