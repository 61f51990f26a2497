// Save actions and the write-back, driven through the public exports as a host does: a fresh
// listing shows the rewritten message at the end with its part table adjusted, the old record
// dead and both headers' counters raised.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "almacen_imn/prueba_imn.h"
#include "mensaje/buffer_flujo.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

using imn::Le32;

// One part's save: the action, and an optional change of the content before it.
struct Paso {
  uint32_t accion;
  std::function<void(CL_BUFFER_FLUJO&)> cambiar = {};
};

struct Resultado {
  std::vector<uint32_t> guardados;  // result of each save, in part order
  uint32_t fin = 0;                 // the result that ended the part walk
  uint32_t pos_copia_tras_conservar = 0;
  std::string reescrito_final;      // Reescrito just before the walk's last call
};

// Lists the folder up to the message, walks all its parts and saves each one as the steps say
// (parts beyond the steps get no save call). The walk's end writes the message back.
Resultado Recorrer(uint32_t carpeta, uint32_t id, const std::vector<Paso>& pasos) {
  Resultado r;
  CarpetaImn c(carpeta);
  EXPECT_EQ(c.resultado, OE_OK);
  ListadoAbierto l(c.c);
  EXPECT_TRUE(l.IrA(id));
  if (l.m == nullptr) return r;
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
  for (std::size_t i = 0;; ++i) {
    r.fin = OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE);
    if (r.fin != OE_OK) break;
    if (i >= pasos.size()) continue;
    if (pasos[i].cambiar) pasos[i].cambiar(*static_cast<CL_BUFFER_FLUJO*>(o->Contenido));
    r.guardados.push_back(OE_GuardarObjMsg(l.m, o, pasos[i].accion));
    if (pasos[i].accion == ACCION_CONSERVAR) r.pos_copia_tras_conservar = l.m->PosCopia;
    if (auto* re = static_cast<CL_BUFFER_FLUJO*>(l.m->Reescrito)) r.reescrito_final.assign(re->Datos(), re->Longitud());
  }
  EXPECT_EQ(o, nullptr);
  return r;
}

// The text with the first line holding aguja cut at aguja and ended by aguja"nombre"CRLF.
std::string Renombrar(std::string texto, const std::string& aguja, const std::string& nombre, std::size_t desde = 0) {
  const std::size_t p = texto.find(aguja, desde);
  const std::size_t fin = texto.find('\n', p) + 1;
  return texto.replace(p, fin - p, aguja + "\"" + nombre + "\"\r\n");
}

// The part (from its "Content-Type" line at desde) with its content replaced by nuevo.
std::string CambiarContenido(std::string texto, std::size_t desde, const std::string& nuevo) {
  const std::size_t contenido = texto.find("\r\n\r\n", desde) + 4;
  const std::size_t siguiente = texto.find("\r\n--", contenido) + 2;
  return texto.replace(contenido, siguiente - contenido, nuevo);
}

// The part entries the object measures on a text: start and length of each part's scan.
std::vector<std::pair<uint32_t, uint32_t>> EntradasMedidas(OE_MENSAJE* m) {
  std::vector<std::pair<uint32_t, uint32_t>> e;
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
    e.emplace_back(o->PosInicioParte, o->PosSigParte - o->PosInicioParte - 2);
  }
  return e;
}

std::vector<std::pair<uint32_t, uint32_t>> EntradasDe(OE_MENSAJE* m) {
  std::vector<std::pair<uint32_t, uint32_t>> e;
  const uint8_t* t = imn::Entradas(*m);
  for (uint32_t i = 0; t != nullptr && i < imn::NumEntradas(*m); ++i) {
    e.emplace_back(Le32(t + 24 * i + 12), Le32(t + 24 * i + 16));
  }
  return e;
}

class ReescrituraImnTest : public ::testing::Test {
 protected:
  ReescrituraImnTest() : descripcion_(AlmacenImnEjemplo()), almacen_(descripcion_) {
    plataforma::Ganchos().Reiniciar();
  }
  ~ReescrituraImnTest() override { plataforma::Ganchos().Reiniciar(); }

  // Checks the store after one message was rewritten into texto_nuevo.
  void ComprobarReescrito(uint32_t carpeta, const std::string& buzon, std::size_t indice, const std::string& texto_nuevo,
                          uint32_t vivos_antes) {
    const MapaImn& antes = almacen_.Mapa(buzon);
    const std::vector<uint8_t> idx = almacen_.Leer(buzon + ".idx");
    const std::vector<uint8_t> mbx = almacen_.Leer(buzon + ".mbx");
    const uint32_t pos_viejo = antes.registros[indice];
    const uint32_t q = static_cast<uint32_t>(antes.idx.size());
    const uint32_t p = static_cast<uint32_t>(antes.mbx.size());
    const uint32_t largo = static_cast<uint32_t>(texto_nuevo.size());
    const uint32_t tam_bloque = (16 + largo + 3) / 4 * 4;
    const uint32_t ultimo = Le32(antes.mbx.data() + 12);
    const uint32_t long_reg = Le32(antes.idx.data() + pos_viejo + 16);

    // Old record: dead, otherwise untouched.
    EXPECT_EQ(Le32(idx.data() + pos_viejo) & 1u, 1u);
    EXPECT_TRUE(std::equal(idx.begin() + pos_viejo + 4, idx.begin() + q, antes.idx.begin() + pos_viejo + 4));
    // Headers: one more record in each, the id counter raised by two, the ends moved.
    EXPECT_EQ(Le32(idx.data() + 8), Le32(antes.idx.data() + 8) + 1);
    EXPECT_EQ(Le32(idx.data() + 12), q + long_reg);
    EXPECT_EQ(idx.size(), q + long_reg);
    EXPECT_EQ(Le32(mbx.data() + 8), Le32(antes.mbx.data() + 8) + 1);
    EXPECT_EQ(Le32(mbx.data() + 12), ultimo + 2);
    EXPECT_EQ(Le32(mbx.data() + 16), Le32(antes.mbx.data() + 16) + tam_bloque);
    // New mailbox record.
    ASSERT_EQ(mbx.size(), p + tam_bloque);
    EXPECT_EQ(Le32(mbx.data() + p), Le32(antes.mbx.data() + antes.bloques[indice]));
    EXPECT_EQ(Le32(mbx.data() + p + 4), ultimo + 1);
    EXPECT_EQ(Le32(mbx.data() + p + 8), tam_bloque);
    EXPECT_EQ(Le32(mbx.data() + p + 12), largo);
    EXPECT_EQ(std::string(mbx.begin() + p + 16, mbx.begin() + p + 16 + largo), texto_nuevo);
    // New index record: the old head with its new places, the old tail.
    ASSERT_GE(idx.size(), q + 58u);
    for (uint32_t k = 0; k < 58; ++k) {
      SCOPED_TRACE(k);
      if (k >= 8 && k < 28 && k != 16 && k != 17 && k != 18 && k != 19) continue;
      if (k >= 42 && k < 46) continue;
      EXPECT_EQ(idx[q + k], antes.idx[pos_viejo + k]);
    }
    EXPECT_EQ(Le32(idx.data() + q + 8), ultimo + 1);
    EXPECT_EQ(Le32(idx.data() + q + 12), q);
    EXPECT_EQ(Le32(idx.data() + q + 20), p);
    EXPECT_EQ(Le32(idx.data() + q + 24), tam_bloque);
    EXPECT_EQ(Le32(idx.data() + q + 42), largo);
    const uint32_t n = Le32(idx.data() + q + 50);
    const uint32_t cola = long_reg - 58 - 24 * n;
    EXPECT_TRUE(std::equal(idx.end() - cola, idx.end(), antes.idx.begin() + pos_viejo + long_reg - cola));
    for (uint32_t i = 0; i < n; ++i) {  // the bytes of an entry that are not positions are carried
      SCOPED_TRACE(i);
      EXPECT_TRUE(std::equal(idx.begin() + q + 58 + 24 * i, idx.begin() + q + 58 + 24 * i + 12,
                             antes.idx.begin() + pos_viejo + 58 + 24 * i));
    }

    // A fresh listing: the live messages that were there, then the copy; its table matches
    // the parts the object measures on the new text.
    const auto vistos = ListarImn(carpeta);
    ASSERT_EQ(vistos.size(), vivos_antes);
    EXPECT_EQ(vistos.back().id, ultimo + 1);
    EXPECT_EQ(vistos.back().pos_registro, q);
    EXPECT_EQ(vistos.back().texto, texto_nuevo);
    CarpetaImn c(carpeta);
    ListadoAbierto l(c.c);
    ASSERT_TRUE(l.IrA(ultimo + 1));
    EXPECT_EQ(EntradasDe(l.m), EntradasMedidas(l.m));
  }

  std::vector<BuzonImn> descripcion_;
  AlmacenImnInstalado almacen_;
};

const std::string& TextoInforme(const std::vector<BuzonImn>& d) { return d[0].mensajes[2].texto; }

TEST_F(ReescrituraImnTest, RenombrarCambiaAmbosParametrosYAjustaLaTabla) {
  const Resultado r = Recorrer(1, 3, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  EXPECT_EQ(r.fin, OE_FIN);
  std::string esperado = Renombrar(TextoInforme(descripcion_), "; name=", "report.VIR");
  esperado = Renombrar(esperado, "; filename=", "report.VIR");
  EXPECT_EQ(r.reescrito_final, esperado);
  ComprobarReescrito(1, "Inbox", 2, esperado, 3);
}

TEST_F(ReescrituraImnTest, BorrarDejaLaCabeceraUnaLineaVaciaYOtroFinDeLinea) {
  const Resultado r = Recorrer(1, 3, {{ACCION_CONSERVAR}, {ACCION_BORRAR}});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  const std::string& t = TextoInforme(descripcion_);
  ComprobarReescrito(1, "Inbox", 2, CambiarContenido(t, t.find("; name="), "\r\n"), 3);
}

TEST_F(ReescrituraImnTest, SustituirGuardaElContenidoCambiadoEnSuCodificacion) {
  const std::string nuevo = "clean bytes, no longer a report";
  auto cambiar = [&](CL_BUFFER_FLUJO& c) {
    c.Posicionar(0, 0);
    c.Escribir(nuevo.data(), static_cast<uint32_t>(nuevo.size()));
    c.FijarLongitud(static_cast<uint32_t>(nuevo.size()));
  };
  const Resultado r = Recorrer(1, 3, {{ACCION_CONSERVAR}, {ACCION_SUSTITUIR, cambiar}});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  std::string base64 = Base64(nuevo);
  for (std::size_t p = base64.find('\n'); p != std::string::npos; p = base64.find('\n', p + 2)) base64.insert(p, "\r");
  const std::string& t = TextoInforme(descripcion_);
  ComprobarReescrito(1, "Inbox", 2, CambiarContenido(t, t.find("; name="), base64 + "\r\n"), 3);
  // The host reads back what it stored.
  CarpetaImn c(1);
  ListadoAbierto l(c.c);
  ASSERT_TRUE(l.IrA(6));
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
  const auto* contenido = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
  EXPECT_EQ(std::string(contenido->Datos(), contenido->Longitud()), nuevo);
  EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_CERRAR), OE_OK);
}

TEST_F(ReescrituraImnTest, ConservarEntreDosCambiosNoDuplicaLaLineaDelimitadora) {
  // Four parts: the body, a.exe, b.txt and c.com; a.exe and c.com are renamed, b.txt kept.
  BuzonImn b;
  b.nombre = "Cuatro";
  const std::string texto = MensajeConAdjuntosImn({{"a.exe", "MZ a"}, {"b.txt", "b"}, {"c.com", "MZ c"}});
  b.mensajes = {MensajeVivo(9, texto, "Cuatro")};
  AlmacenImnInstalado almacen({b});
  const Resultado r =
      Recorrer(0, 9, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}, {ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>(4, OE_OK)));
  std::string esperado = texto;
  for (const char* n : {"a", "c"}) {
    const std::size_t parte = esperado.find(std::string("name=\"") + n);
    esperado = Renombrar(esperado, "; name=", std::string(n) + ".VIR", parte - 2);
    esperado = Renombrar(esperado, "; filename=", std::string(n) + ".VIR", parte);
  }
  EXPECT_EQ(r.reescrito_final, esperado);
  // Keeping b.txt moved the copy position to where c.com's scan starts in the rewrite.
  EXPECT_EQ(r.pos_copia_tras_conservar, esperado.find(std::string("--") + kFronteraImn + "\r\nContent-Type: application/octet-stream; name=\"c"));
  const auto vistos = ListarImn(0);
  ASSERT_EQ(vistos.size(), 1u);
  EXPECT_EQ(vistos[0].texto, esperado);
}

TEST_F(ReescrituraImnTest, UnaParteMasAllaDeLaTablaSeReescribeSinTocarLaTabla) {
  BuzonImn b;
  b.nombre = "Corta";
  MensajeImn m = MensajeVivo(4, MensajeConAdjuntosImn({{"x.exe", "MZ"}}), "Corta");
  m.entradas.resize(1);  // the table describes the body only
  b.mensajes = {m};
  AlmacenImnInstalado almacen({b});
  const Resultado r = Recorrer(0, 4, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  const std::vector<uint8_t> idx = almacen.Leer("Corta.idx");
  const MapaImn& antes = almacen.Mapa("Corta");
  const uint32_t q = static_cast<uint32_t>(antes.idx.size());
  EXPECT_EQ(Le32(idx.data() + antes.registros[0]) & 1u, 1u);
  EXPECT_TRUE(std::equal(idx.begin() + q + 58, idx.begin() + q + 58 + 24, antes.idx.begin() + antes.registros[0] + 58));
  const auto vistos = ListarImn(0);
  ASSERT_EQ(vistos.size(), 1u);
  EXPECT_NE(vistos[0].texto.find("; name=\"x.VIR\"\r\n"), std::string::npos);
}

TEST_F(ReescrituraImnTest, LasAccionesSobreUnaParteSinNombreNoCambianNada) {
  for (uint32_t accion : {ACCION_RENOMBRAR, ACCION_BORRAR, ACCION_SUSTITUIR, 4u, 99u}) {
    SCOPED_TRACE(accion);
    const Resultado r = Recorrer(1, 1, {{accion}});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK}));
    EXPECT_EQ(r.reescrito_final, "");
  }
  EXPECT_EQ(almacen_.Leer("Inbox.idx"), almacen_.Mapa("Inbox").idx);
  EXPECT_EQ(almacen_.Leer("Inbox.mbx"), almacen_.Mapa("Inbox").mbx);
}

TEST_F(ReescrituraImnTest, SinEspacioLibreLaAccionNoSeHaceYSeOlvidaLoAnterior) {
  struct Caso {
    const char* nombre;
    std::optional<uint64_t> libre;
    bool desconocido;
    uint32_t resultado;
  };
  const Caso casos[] = {{"lleno", 100, false, OE_SIN_MENSAJES},
                        {"desconocido", std::nullopt, true, OE_SIN_MENSAJES},
                        {"holgado", uint64_t{1} << 33, false, OE_OK}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CarpetaImn c(2);
    ListadoAbierto l(c.c);
    ASSERT_TRUE(l.IrA(7));
    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_GuardarObjMsg(l.m, o, ACCION_RENOMBRAR), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    plataforma::Ganchos().espacio_libre = caso.libre;
    plataforma::Ganchos().espacio_desconocido = caso.desconocido;
    // The backend repeats the frame's check itself.
    EXPECT_EQ(imn::Guardar(l.m, o, ACCION_BORRAR), caso.resultado);
    EXPECT_EQ(l.m->Modificado, caso.resultado == OE_OK ? 1u : 0u);
    plataforma::Ganchos().Reiniciar();
    EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_CERRAR), OE_OK);
  }
}

TEST_F(ReescrituraImnTest, UnaSegundaAccionSobreLaMismaParteSeRechaza) {
  CarpetaImn c(1);
  ListadoAbierto l(c.c);
  ASSERT_TRUE(l.IrA(3));
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
  ASSERT_EQ(OE_GuardarObjMsg(l.m, o, ACCION_RENOMBRAR), OE_OK);
  const auto* r = static_cast<const CL_BUFFER_FLUJO*>(l.m->Reescrito);
  const std::string antes(r->Datos(), r->Longitud());
  const uint32_t copia = l.m->PosCopia;
  // The part is already rewritten: splicing it again would put it in twice.
  EXPECT_EQ(OE_GuardarObjMsg(l.m, o, ACCION_BORRAR), OE_ERROR);
  EXPECT_EQ(std::string(r->Datos(), r->Longitud()), antes);
  EXPECT_EQ(l.m->PosCopia, copia);
  EXPECT_EQ(l.m->Modificado, 1u);
  EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_CERRAR), OE_OK);
}

TEST_F(ReescrituraImnTest, UnTextoDeDiezBytesAnadeUnRegistroDe28) {
  struct Caso {
    uint32_t carpeta;
    const char* buzon;
    uint32_t id;
    std::size_t indice;
  };
  // Sent's message has a three-entry table; Inbox's id 5 has none.
  for (const Caso& caso : {Caso{2, "Sent", 7, 0}, Caso{1, "Inbox", 5, 3}}) {
    SCOPED_TRACE(caso.buzon);
    CarpetaImn c(caso.carpeta);
    ListadoAbierto l(c.c);
    ASSERT_TRUE(l.IrA(caso.id));
    auto* r = new CL_BUFFER_FLUJO(10000);
    r->FijarEscribible(1);
    r->Escribir("0123456789", 10);
    l.m->Reescrito = r;
    l.m->Modificado = 1;
    ASSERT_EQ(imn::Reescribir(l.m, l.m->FinRegistro - l.m->PosRegistro), OE_OK);
    EXPECT_EQ(l.m->Reescrito, nullptr);
    const MapaImn& antes = almacen_.Mapa(caso.buzon);
    const uint32_t ultimo = Le32(antes.mbx.data() + 12);
    const std::vector<uint8_t> mbx = almacen_.Leer(std::string(caso.buzon) + ".mbx");
    ASSERT_EQ(mbx.size(), antes.mbx.size() + 28);
    EXPECT_EQ(Le32(mbx.data() + antes.mbx.size() + 4), ultimo + 1);
    EXPECT_EQ(Le32(mbx.data() + antes.mbx.size() + 8), 28u);
    EXPECT_EQ(Le32(mbx.data() + antes.mbx.size() + 12), 10u);
    EXPECT_EQ(std::string(mbx.end() - 12, mbx.end()), std::string("0123456789\0\0", 12));
    EXPECT_EQ(Le32(mbx.data() + 12), ultimo + 2);
    const std::vector<uint8_t> idx = almacen_.Leer(std::string(caso.buzon) + ".idx");
    EXPECT_EQ(Le32(idx.data() + antes.registros[caso.indice]) & 1u, 1u);
    EXPECT_EQ(idx.size() - antes.idx.size(), l.m->FinRegistro - l.m->PosRegistro);
    // The old record is dead now: writing it back again is refused and changes nothing.
    auto* otra = new CL_BUFFER_FLUJO(10000);
    otra->FijarEscribible(1);
    otra->Escribir("x", 1);
    l.m->Reescrito = otra;
    EXPECT_EQ(imn::Reescribir(l.m, l.m->FinRegistro - l.m->PosRegistro), OE_ERROR);
    EXPECT_EQ(almacen_.Leer(std::string(caso.buzon) + ".mbx"), mbx);
    EXPECT_EQ(imn::Reescribir(l.m, 0), OE_ERROR);  // no rewrite at all
  }
}

// The attachment's header as a mail client may write it, and what a rename makes of it: each
// parameter is found on its own header line after "; ", in whichever order the lines come.
TEST(RenombrarImnTest, CadaParametroSeBuscaEnLaCabeceraDeSuParte) {
  struct Caso {
    const char* nombre;
    std::vector<std::pair<std::string, std::string>> cabeceras;
    uint32_t resultado;
    std::vector<std::pair<std::string, std::string>> esperadas;  // empty: nothing changes
  };
  const std::string ct = "Content-Type";
  const std::string cd = "Content-Disposition";
  const Caso casos[] = {
      {"disposicion antes que el tipo",
       {{cd, "attachment; filename=\"v.exe\""}, {ct, "application/octet-stream; name=\"v.exe\""}},
       OE_OK,
       {{cd, "attachment; filename=\"v.VIR\""}, {ct, "application/octet-stream; name=\"v.VIR\""}}},
      {"solo el tipo", {{ct, "application/octet-stream; name=\"v.exe\"; x=1"}}, OE_OK,
       {{ct, "application/octet-stream; name=\"v.VIR\""}}},
      {"sin extension", {{ct, "application/octet-stream; name=\"README\""}}, OE_OK,
       {{ct, "application/octet-stream; name=\"README.VIR\""}}},
      {"parametros plegados",
       {{ct, "application/octet-stream;\n\tname=\"v.exe\""}, {cd, "attachment;\n\tfilename=\"v.exe\""}},
       OE_ERROR,
       {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    auto mensaje = [](const std::vector<std::pair<std::string, std::string>>& cabeceras) {
      ParteMime adjunto;
      for (const auto& [n, v] : cabeceras) adjunto.Cabecera(n, v);
      adjunto.Cabecera("Content-Transfer-Encoding", "base64");
      adjunto.cuerpo = Base64("MZ payload");
      return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "v",
                              Multiparte("mixed", {TextoPlano("body\n"), adjunto}, kFronteraImn)));
    };
    BuzonImn b;
    b.nombre = "Inbox";
    const std::string texto = mensaje(caso.cabeceras);
    b.mensajes = {MensajeVivo(1, texto, "v")};
    AlmacenImnInstalado almacen({b});
    const Resultado r = Recorrer(0, 1, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, caso.resultado}));
    const auto vistos = ListarImn(0);
    ASSERT_EQ(vistos.size(), 1u);
    if (caso.esperadas.empty()) {
      EXPECT_EQ(r.reescrito_final, "");
      EXPECT_EQ(vistos[0].texto, texto);
      continue;
    }
    // The renamed lines end with CR LF, as the rest of the text.
    EXPECT_EQ(vistos[0].texto, mensaje(caso.esperadas));
  }
}

// Removing works from the part's header block, so folded parameters do not stop it.
TEST(BorrarImnTest, UnaCabeceraPlegadaTambienPierdeSuContenido) {
  BuzonImn b;
  b.nombre = "Inbox";
  const std::string texto = MensajeConAdjunto("MZ payload");  // folded name= and filename=
  b.mensajes = {MensajeVivo(1, texto, "v")};
  AlmacenImnInstalado almacen({b});
  const Resultado r = Recorrer(0, 1, {{ACCION_CONSERVAR}, {ACCION_BORRAR}});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  const std::size_t cab = texto.find("\r\n\r\n", texto.find("x.exe")) + 4;
  const std::size_t fin = texto.find("\r\n--", cab) + 2;
  std::string esperado = texto;
  esperado.replace(cab, fin - cab, "\r\n");
  const auto vistos = ListarImn(0);
  ASSERT_EQ(vistos.size(), 1u);
  EXPECT_EQ(vistos[0].texto, esperado);
}

std::string CopiaRenombrada(const std::vector<BuzonImn>& descripcion) {
  const std::string copia = Renombrar(TextoInforme(descripcion), "; name=", "report.VIR");
  return Renombrar(copia, "; filename=", "report.VIR");
}

// Bytes past the record area that the index header gives are no part of the index: the new
// record is written where the area ends, over them, and the next listing reaches it.
TEST(ColaIndiceImnTest, LosBytesTrasElAreaDeRegistrosNoOcultanLaCopia) {
  struct Caso {
    const char* nombre;
    std::size_t cola;  // bytes appended to the built index
  };
  const Caso casos[] = {{"ocho bytes", 8}, {"mas que el registro nuevo", 4096}};
  const std::vector<BuzonImn> descripcion = AlmacenImnEjemplo();
  const std::string copia = CopiaRenombrada(descripcion);
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenImnInstalado almacen(descripcion);
    std::vector<uint8_t> idx = almacen.Leer("Inbox.idx");
    const uint32_t fin = Le32(idx.data() + imnfmt::kIdxFinRegistros);
    idx.insert(idx.end(), caso.cola, uint8_t{0xAB});
    almacen.Escribir("Inbox.idx", idx);

    const Resultado r = Recorrer(1, 3, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
    EXPECT_EQ(r.fin, OE_FIN);
    const std::vector<uint8_t> despues = almacen.Leer("Inbox.idx");
    const uint32_t pos_viejo = almacen.Mapa("Inbox").registros[2];
    const uint32_t long_reg = Le32(idx.data() + pos_viejo + imnfmt::kRegLongitud);
    EXPECT_EQ(Le32(despues.data() + imnfmt::kIdxFinRegistros), fin + long_reg);
    EXPECT_EQ(Le32(despues.data() + fin + imnfmt::kRegPosPropia), fin);

    const auto vistos = ListarImn(1);
    ASSERT_EQ(vistos.size(), 3u);
    for (const MensajeImnVisto& v : vistos) EXPECT_EQ(v.resultado, OE_OK);
    EXPECT_EQ(vistos.back().pos_registro, fin);
    EXPECT_EQ(vistos.back().texto, copia);
  }
}

struct Cuenta {
  std::size_t vistos = 0;
  int originales = 0;
  int copias = 0;
};

Cuenta Contar(const std::string& original, const std::string& copia) {
  Cuenta c;
  const auto vistos = ListarImn(1);
  c.vistos = vistos.size();
  for (const MensajeImnVisto& v : vistos) {
    EXPECT_EQ(v.resultado, OE_OK);
    c.originales += v.texto == original;
    c.copias += v.texto == copia;
  }
  EXPECT_EQ(c.vistos, static_cast<std::size_t>(2 + c.originales + c.copias));
  EXPECT_GE(c.originales + c.copias, 1);
  return c;
}

// Every write of the write-back fails in turn: the folder then shows the original message or
// its complete copy, never neither, and the listing stays sound. Whatever a failed write-back
// left in the files, a second rewrite of the message adds exactly one copy and the original
// goes.
TEST(FallosImnTest, UnaEscrituraQueFallaNuncaPierdeElMensaje) {
  const std::vector<BuzonImn> descripcion = AlmacenImnEjemplo();
  const std::string copia = CopiaRenombrada(descripcion);
  const std::string& original = TextoInforme(descripcion);
  bool alguno_fallo = false;
  for (uint64_t n = 1; n < 50; ++n) {
    SCOPED_TRACE(n);
    AlmacenImnInstalado almacen(descripcion);
    plataforma::Ganchos().Reiniciar();
    plataforma::Ganchos().fallar_en[static_cast<int>(plataforma::Operacion::kEscribir)] = n;
    Recorrer(1, 3, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
    const bool fallo = plataforma::Ganchos().contador[static_cast<int>(plataforma::Operacion::kEscribir)] >= n;
    plataforma::Ganchos().Reiniciar();

    const Cuenta primera = Contar(original, copia);
    if (!fallo) {
      EXPECT_EQ(primera.originales, 0);
      EXPECT_EQ(primera.copias, 1);
      EXPECT_TRUE(alguno_fallo);
      return;
    }
    alguno_fallo = true;
    ASSERT_EQ(primera.originales, 1);

    const Resultado r = Recorrer(1, 3, {{ACCION_CONSERVAR}, {ACCION_RENOMBRAR}});
    EXPECT_EQ(r.fin, OE_FIN);
    const Cuenta segunda = Contar(original, copia);
    EXPECT_EQ(segunda.originales, 0);
    EXPECT_EQ(segunda.copias, primera.copias + 1);
  }
  FAIL() << "the write-back never stopped failing";
}

}  // namespace
}  // namespace orvex::pruebas
