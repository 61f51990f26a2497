// Save actions and the write-back, driven through the public exports as a host does: a fresh
// listing shows the rewritten message at the end with its part table adjusted, the old record
// dead, every other message as it was and both headers' counters raised.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "fuzz/valla.h"
#include "soporte/buffer_flujo.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

using namespace imnfmt;
using imn::Le32;

// The content a replacement stores.
const std::string kLimpio = "clean bytes, no longer a report";

struct Resultado {
  std::vector<uint32_t> guardados;  // result of each save, in part order
  uint32_t fin = 0;                 // the result that ended the part walk
  uint32_t pos_copia = 0;           // PosCopia after the last part kept
};

// Lists the folder up to the message, walks all its parts and saves each one with its action
// (parts beyond the actions get no save call; a replacement stores kLimpio). The walk's end
// writes the message back.
Resultado Recorrer(uint32_t carpeta, uint32_t id, const std::vector<uint32_t>& acciones,
                   std::vector<fuzz::ArchivoVallado>* valla = nullptr) {
  Resultado r;
  ObjetoEnParte x(carpeta, id, 0);
  EXPECT_TRUE(x.listo);
  if (!x.listo) return r;
  if (valla != nullptr) *valla = fuzz::VallasImn(*x.m());
  for (std::size_t i = 0;; ++i) {
    r.fin = x.Siguiente();
    if (r.fin != OE_OK) break;
    if (i >= acciones.size()) continue;
    if (acciones[i] == ACCION_SUSTITUIR) {
      auto* c = static_cast<CL_BUFFER_FLUJO*>(x.o->Contenido);
      c->Posicionar(0, 0);
      c->Escribir(kLimpio.data(), static_cast<uint32_t>(kLimpio.size()));
      c->FijarLongitud(static_cast<uint32_t>(kLimpio.size()));
    }
    r.guardados.push_back(x.Guardar(acciones[i]));
    if (acciones[i] == ACCION_CONSERVAR) r.pos_copia = x.m()->PosCopia;
  }
  EXPECT_EQ(x.o, nullptr);
  return r;
}

// The text with the first line holding aguja cut at aguja and ended by aguja"nombre"CRLF.
std::string Renombrar(std::string texto, const std::string& aguja, const std::string& nombre, std::size_t desde = 0) {
  const std::size_t p = texto.find(aguja, desde);
  const std::size_t fin = texto.find('\n', p) + 1;
  return texto.replace(p, fin - p, aguja + "\"" + nombre + "\"\r\n");
}

// The part (from its header line at desde) with its content replaced by nuevo.
std::string CambiarContenido(std::string texto, std::size_t desde, const std::string& nuevo) {
  const std::size_t contenido = texto.find("\r\n\r\n", desde) + 4;
  const std::size_t siguiente = texto.find("\r\n--", contenido) + 2;
  return texto.replace(contenido, siguiente - contenido, nuevo);
}

// Inbox's id 3 (report.doc, the second part) and its copy with both name parameters renamed.
const std::string& TextoInforme(const std::vector<BuzonImn>& d) { return d[0].mensajes[2].texto; }
std::string CopiaRenombrada(const std::vector<BuzonImn>& d) {
  return Renombrar(Renombrar(TextoInforme(d), "; name=", "report.VIR"), "; filename=", "report.VIR");
}

// Sets words of an image (at offset, value), or adds to them.
void Poner(std::vector<uint8_t>& b, std::initializer_list<std::pair<uint32_t, uint32_t>> palabras, bool sumar = false) {
  for (const auto& [pos, v] : palabras) imn::Pon32(b.data() + pos, (sumar ? Le32(b.data() + pos) : 0) + v);
}

// Checks a mailbox's files after its message at `indice` was rewritten into texto_nuevo: the old
// record dead, a copy of it and a new mailbox record appended, the headers' counters raised,
// the copy's part table measured on the new text (as far as the table goes).
void ComprobarArchivos(const AlmacenImnInstalado& almacen, const std::string& buzon, std::size_t indice,
                       const std::string& texto_nuevo) {
  const MapaImn& antes = almacen.Mapa(buzon);
  const uint32_t viejo = antes.registros[indice];
  const uint32_t q = static_cast<uint32_t>(antes.idx.size()), p = static_cast<uint32_t>(antes.mbx.size());
  const uint32_t largo = static_cast<uint32_t>(texto_nuevo.size());
  const uint32_t tam = (kLongCabBloque + largo + 3) / 4 * 4;
  const uint32_t id = Le32(antes.mbx.data() + kMbxUltimoId) + 1;

  std::vector<uint8_t> mbx = antes.mbx;
  Poner(mbx, {{kMbxNumRegistros, 1}, {kMbxUltimoId, 2}, {kMbxTamDatos, tam}}, true);
  mbx.resize(p + tam, 0);
  Poner(mbx, {{p, Le32(antes.mbx.data() + antes.bloques[indice])}, {p + kBloqueId, id}, {p + kBloqueTam, tam},
              {p + kBloqueLongTexto, largo}});
  std::copy(texto_nuevo.begin(), texto_nuevo.end(), mbx.begin() + p + kLongCabBloque);
  EXPECT_EQ(almacen.Leer(buzon + ".mbx"), mbx);

  std::vector<uint8_t> idx = antes.idx;
  idx.insert(idx.end(), antes.idx.begin() + viejo, antes.idx.begin() + (indice + 1 < antes.registros.size() ? antes.registros[indice + 1] : q));
  Poner(idx, {{viejo + kRegFlags, kFlagMuerto}, {kIdxNumMensajes, 1}}, true);
  Poner(idx, {{kIdxFinRegistros, static_cast<uint32_t>(idx.size())}, {q + kRegIdMensaje, id}, {q + kRegPosPropia, q},
              {q + kRegPosBuzon, p}, {q + kRegTamBuzon, tam}, {q + kRegLongTexto, largo}});
  const auto medidas = EntradasPorFronteras(texto_nuevo, kFronteraImn);
  for (uint32_t i = 0; i < Le32(idx.data() + q + kRegNumEntradas) && i < medidas.size(); ++i) {
    const uint32_t e = q + kLongCabRegistro + kLongEntrada * i;
    Poner(idx, {{e + kEntInicio, medidas[i].inicio}, {e + kEntLongitud, medidas[i].longitud}});
  }
  EXPECT_EQ(almacen.Leer(buzon + ".idx"), idx);
}

TEST(ReescrituraImnTest, CadaAccionDejaSuCopiaTrasLosDemasMensajes) {
  const std::vector<BuzonImn> d = AlmacenImnEjemplo();
  const std::string& t = TextoInforme(d);
  const std::size_t parte = t.find("; name=");
  std::string base64 = Base64(kLimpio);
  for (std::size_t p = base64.find('\n'); p != std::string::npos; p = base64.find('\n', p + 2)) base64.insert(p, "\r");
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::string esperado;
  };
  const Caso casos[] = {
      {"renombrar cambia ambos parametros", ACCION_RENOMBRAR, CopiaRenombrada(d)},
      {"borrar deja la cabecera, una linea vacia y otro fin de linea", ACCION_BORRAR, CambiarContenido(t, parte, "\r\n")},
      {"sustituir guarda el contenido en su codificacion", ACCION_SUSTITUIR,
       CambiarContenido(t, parte, base64 + "\r\n")},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenImnInstalado almacen(d);
    const Resultado r = Recorrer(1, 3, {ACCION_CONSERVAR, caso.accion});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
    EXPECT_EQ(r.fin, OE_FIN);
    ComprobarArchivos(almacen, "Inbox", 2, caso.esperado);
    // A fresh listing: the other live messages as they were, then the copy.
    const auto vistos = ListarImn(1);
    ASSERT_EQ(vistos.size(), 3u);
    EXPECT_EQ(vistos[0].texto, d[0].mensajes[0].texto);
    EXPECT_EQ(vistos[1].texto, d[0].mensajes[3].texto);
    EXPECT_EQ(std::pair(vistos[2].id, vistos[2].texto), std::pair(6u, caso.esperado));
    if (caso.accion == ACCION_SUSTITUIR) {  // the host reads back what it stored
      ObjetoEnParte x(1, 6, 2);
      ASSERT_TRUE(x.listo);
      const auto* contenido = static_cast<const CL_BUFFER_FLUJO*>(x.o->Contenido);
      EXPECT_EQ(std::string(contenido->Datos(), contenido->Longitud()), kLimpio);
    }
  }
}

TEST(ReescrituraImnTest, ConservarEntreDosCambiosNoDuplicaLaLineaDelimitadora) {
  const std::string texto = MensajeConAdjuntosImn({{"a.exe", "MZ a"}, {"b.txt", "b"}, {"c.com", "MZ c"}});
  AlmacenImnInstalado almacen({Buzon("Cuatro", {MensajeVivo(9, texto, "Cuatro")})});
  const Resultado r = Recorrer(0, 9, {ACCION_CONSERVAR, ACCION_RENOMBRAR, ACCION_CONSERVAR, ACCION_RENOMBRAR});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>(4, OE_OK)));
  std::string esperado = texto;
  for (const char* n : {"a", "c"}) {
    const std::size_t parte = esperado.find(std::string("name=\"") + n);
    esperado = Renombrar(esperado, "; name=", std::string(n) + ".VIR", parte - 2);
    esperado = Renombrar(esperado, "; filename=", std::string(n) + ".VIR", parte);
  }
  // Keeping b.txt moved the copy position to where c.com's scan starts in the rewrite.
  EXPECT_EQ(r.pos_copia, esperado.find(std::string("--") + kFronteraImn + "\r\nContent-Type: application/octet-stream; name=\"c"));
  ComprobarArchivos(almacen, "Cuatro", 0, esperado);
  const auto vistos = ListarImn(0);
  ASSERT_EQ(vistos.size(), 1u);
  EXPECT_EQ(vistos[0].texto, esperado);
}

TEST(ReescrituraImnTest, UnaParteMasAllaDeLaTablaSeReescribeSinTocarLaTabla) {
  MensajeImn m = MensajeVivo(4, MensajeConAdjuntosImn({{"x.exe", "MZ"}}), "Corta");
  m.entradas.resize(1);  // the table describes the body only
  AlmacenImnInstalado almacen({Buzon("Corta", {m})});
  const Resultado r = Recorrer(0, 4, {ACCION_CONSERVAR, ACCION_RENOMBRAR});
  EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  const std::string esperado = Renombrar(Renombrar(m.texto, "; name=", "x.VIR"), "; filename=", "x.VIR");
  ComprobarArchivos(almacen, "Corta", 0, esperado);
  EXPECT_EQ(ListarImn(0).at(0).texto, esperado);
}

class ReescrituraEjemploImnTest : public ::testing::Test {
 protected:
  ReescrituraEjemploImnTest() : almacen_(AlmacenImnEjemplo()) { plataforma::Ganchos().Reiniciar(); }
  ~ReescrituraEjemploImnTest() override { plataforma::Ganchos().Reiniciar(); }
  AlmacenImnInstalado almacen_;
};

TEST_F(ReescrituraEjemploImnTest, LasAccionesSobreUnaParteSinNombreNoCambianNada) {
  for (uint32_t accion : {ACCION_RENOMBRAR, ACCION_BORRAR, ACCION_SUSTITUIR, 4u, 99u}) {
    SCOPED_TRACE(accion);
    const Resultado r = Recorrer(1, 1, {accion});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK}));
  }
  EXPECT_EQ(almacen_.Leer("Inbox.idx"), almacen_.Mapa("Inbox").idx);
  EXPECT_EQ(almacen_.Leer("Inbox.mbx"), almacen_.Mapa("Inbox").mbx);
}

TEST_F(ReescrituraEjemploImnTest, SinEspacioLibreLaAccionNoSeHaceYSeOlvidaLoAnterior) {
  struct Caso {
    std::optional<uint64_t> libre;
    bool desconocido;
    uint32_t resultado;
  };
  for (const Caso& caso : {Caso{100, false, OE_SIN_MENSAJES}, Caso{std::nullopt, true, OE_SIN_MENSAJES},
                           Caso{uint64_t{1} << 33, false, OE_OK}}) {
    SCOPED_TRACE(caso.resultado);
    ObjetoEnParte x(2, 7, 2);
    ASSERT_TRUE(x.listo);
    ASSERT_EQ(x.Guardar(ACCION_RENOMBRAR), OE_OK);
    ASSERT_EQ(x.Siguiente(), OE_OK);
    plataforma::Ganchos().espacio_libre = caso.libre;
    plataforma::Ganchos().espacio_desconocido = caso.desconocido;
    // The backend repeats the frame's check itself.
    EXPECT_EQ(imn::Guardar(x.m(), x.o, ACCION_BORRAR), caso.resultado);
    EXPECT_EQ(x.m()->Modificado, caso.resultado == OE_OK ? 1u : 0u);
    plataforma::Ganchos().Reiniciar();
  }
}

TEST_F(ReescrituraEjemploImnTest, UnaSegundaAccionSobreLaMismaParteSeRechaza) {
  ObjetoEnParte x(1, 3, 2);
  ASSERT_TRUE(x.listo);
  ASSERT_EQ(x.Guardar(ACCION_RENOMBRAR), OE_OK);
  const auto* r = static_cast<const CL_BUFFER_FLUJO*>(x.m()->Reescrito);
  const std::string antes(r->Datos(), r->Longitud());
  const uint32_t copia = x.m()->PosCopia;
  // The part is already rewritten: splicing it again would put it in twice.
  EXPECT_EQ(x.Guardar(ACCION_BORRAR), OE_ERROR);
  EXPECT_EQ(std::string(r->Datos(), r->Longitud()), antes);
  EXPECT_EQ(x.m()->PosCopia, copia);
  EXPECT_EQ(x.m()->Modificado, 1u);
}

TEST_F(ReescrituraEjemploImnTest, UnTextoCortoSeRellenaYUnRegistroMuertoNoSeReescribe) {
  CarpetaImn c(1);
  ListadoAbierto l(c.c);
  ASSERT_TRUE(l.IrA(5));  // without a part table
  const uint32_t long_reg = l.m->FinRegistro - l.m->PosRegistro;
  auto reescribir = [&](const char* texto) {
    auto* r = new CL_BUFFER_FLUJO(10000);  // the write-back frees it
    r->FijarEscribible(1);
    r->Escribir(texto, static_cast<uint32_t>(std::strlen(texto)));
    l.m->Reescrito = r;
    l.m->Modificado = 1;
    return imn::Reescribir(l.m, long_reg);
  };
  ASSERT_EQ(reescribir("0123456789"), OE_OK);
  EXPECT_EQ(l.m->Reescrito, nullptr);
  const MapaImn& antes = almacen_.Mapa("Inbox");
  const std::vector<uint8_t> mbx = almacen_.Leer("Inbox.mbx");
  ASSERT_EQ(mbx.size(), antes.mbx.size() + 28);
  EXPECT_EQ(Le32(mbx.data() + antes.mbx.size() + kBloqueTam), 28u);
  EXPECT_EQ(std::string(mbx.end() - 12, mbx.end()), std::string("0123456789\0\0", 12));
  EXPECT_EQ(almacen_.Leer("Inbox.idx").size(), antes.idx.size() + long_reg);
  EXPECT_EQ(ListarImn(1).back().texto, "0123456789");
  // The old record is dead now: writing it back again is refused and changes nothing.
  EXPECT_EQ(reescribir("x"), OE_ERROR);
  EXPECT_EQ(almacen_.Leer("Inbox.mbx"), mbx);
  EXPECT_EQ(imn::Reescribir(l.m, 0), OE_ERROR);  // no rewrite at all
}

// The attachment's header as a mail client may write it, and what a rename or a removal makes
// of it: each parameter is found on its own header line after "; ", in whichever order the
// lines come; removing works from the part's header block, so folding does not stop it.
TEST(CabecerasImnTest, CadaParametroSeBuscaEnLaCabeceraDeSuParte) {
  using Cabeceras = std::vector<std::pair<std::string, std::string>>;
  struct Caso {
    const char* nombre;
    uint32_t accion;
    Cabeceras cabeceras;
    uint32_t resultado;
    Cabeceras esperadas;  // empty: nothing changes (a removal empties the content)
  };
  const std::string ct = "Content-Type", cd = "Content-Disposition";
  const Cabeceras plegadas = {{ct, "application/octet-stream;\n\tname=\"v.exe\""}, {cd, "attachment;\n\tfilename=\"v.exe\""}};
  const Caso casos[] = {
      {"disposicion antes que el tipo", ACCION_RENOMBRAR,
       {{cd, "attachment; filename=\"v.exe\""}, {ct, "application/octet-stream; name=\"v.exe\""}}, OE_OK,
       {{cd, "attachment; filename=\"v.VIR\""}, {ct, "application/octet-stream; name=\"v.VIR\""}}},
      {"solo el tipo", ACCION_RENOMBRAR, {{ct, "application/octet-stream; name=\"v.exe\"; x=1"}}, OE_OK,
       {{ct, "application/octet-stream; name=\"v.VIR\""}}},
      {"sin extension", ACCION_RENOMBRAR, {{ct, "application/octet-stream; name=\"README\""}}, OE_OK,
       {{ct, "application/octet-stream; name=\"README.VIR\""}}},
      {"renombrar parametros plegados", ACCION_RENOMBRAR, plegadas, OE_ERROR, {}},
      {"borrar con parametros plegados", ACCION_BORRAR, plegadas, OE_OK, {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    auto mensaje = [](const Cabeceras& cabeceras) {
      ParteMime adjunto;
      for (const auto& [n, v] : cabeceras) adjunto.Cabecera(n, v);
      adjunto.Cabecera("Content-Transfer-Encoding", "base64");
      adjunto.cuerpo = Base64("MZ payload");
      return Componer(
          Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "v", Multiparte("mixed", {TextoPlano("body\n"), adjunto}, kFronteraImn)));
    };
    const std::string texto = mensaje(caso.cabeceras);
    AlmacenImnInstalado almacen({Buzon("Inbox", {MensajeVivo(1, texto, "v")})});
    const Resultado r = Recorrer(0, 1, {ACCION_CONSERVAR, caso.accion});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, caso.resultado}));
    const auto vistos = ListarImn(0);
    ASSERT_EQ(vistos.size(), 1u);
    // The renamed lines end with CR LF, as the rest of the text.
    EXPECT_EQ(vistos[0].texto, caso.accion == ACCION_BORRAR ? CambiarContenido(texto, texto.find("v.exe"), "\r\n")
                               : caso.esperadas.empty()     ? texto
                                                            : mensaje(caso.esperadas));
  }
}

// Bytes past the record area that the index header gives are no part of the index: the new
// record is written where the area ends, over them, and the next listing reaches it.
TEST(ColaIndiceImnTest, LosBytesTrasElAreaDeRegistrosNoOcultanLaCopia) {
  const std::vector<BuzonImn> descripcion = AlmacenImnEjemplo();
  for (const std::size_t cola : {std::size_t{8}, std::size_t{4096}}) {  // the second more than the new record
    SCOPED_TRACE(cola);
    AlmacenImnInstalado almacen(descripcion);
    std::vector<uint8_t> idx = almacen.Leer("Inbox.idx");
    const uint32_t fin = Le32(idx.data() + kIdxFinRegistros);
    idx.insert(idx.end(), cola, uint8_t{0xAB});
    almacen.Escribir("Inbox.idx", idx);

    const Resultado r = Recorrer(1, 3, {ACCION_CONSERVAR, ACCION_RENOMBRAR});
    EXPECT_EQ(r.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
    EXPECT_EQ(r.fin, OE_FIN);
    const std::vector<uint8_t> despues = almacen.Leer("Inbox.idx");
    const uint32_t long_reg = Le32(idx.data() + almacen.Mapa("Inbox").registros[2] + kRegLongitud);
    EXPECT_EQ(Le32(despues.data() + kIdxFinRegistros), fin + long_reg);
    EXPECT_EQ(Le32(despues.data() + fin + kRegPosPropia), fin);

    const auto vistos = ListarImn(1);
    ASSERT_EQ(vistos.size(), 3u);
    for (const MensajeImnVisto& v : vistos) EXPECT_EQ(v.resultado, OE_OK);
    EXPECT_EQ(vistos.back().pos_registro, fin);
    EXPECT_EQ(vistos.back().texto, CopiaRenombrada(descripcion));
  }
}

// Every write of the write-back fails in turn: the folder then shows the original message or
// its complete copy, never neither, and the others as they were.
TEST(FallosImnTest, UnaEscrituraQueFallaNuncaPierdeElMensaje) {
  const std::vector<BuzonImn> d = AlmacenImnEjemplo();
  const std::string copia = CopiaRenombrada(d);
  // Counts the originals and the copies listed; the other two messages are listed as they were.
  auto contar = [&]() {
    std::pair<int, int> n;
    const auto vistos = ListarImn(1);
    for (const MensajeImnVisto& v : vistos) {
      EXPECT_EQ(v.resultado, OE_OK);
      n.first += v.texto == TextoInforme(d);
      n.second += v.texto == copia;
    }
    EXPECT_GE(n.first + n.second, 1);
    EXPECT_EQ(vistos.size(), static_cast<std::size_t>(2 + n.first + n.second));
    if (vistos.size() >= 2) {
      EXPECT_EQ(vistos[0].texto, d[0].mensajes[0].texto);
      EXPECT_EQ(vistos[n.first + 1].texto, d[0].mensajes[3].texto);
    }
    return n;
  };
  const auto escribir = static_cast<int>(plataforma::Operacion::kEscribir);
  for (uint64_t n = 1; n < 50; ++n) {
    SCOPED_TRACE(n);
    AlmacenImnInstalado almacen(d);
    plataforma::Ganchos().Reiniciar();
    plataforma::Ganchos().fallar_en[escribir] = n;
    std::vector<fuzz::ArchivoVallado> valla;
    Recorrer(1, 3, {ACCION_CONSERVAR, ACCION_RENOMBRAR}, &valla);
    const bool fallo = plataforma::Ganchos().contador[escribir] >= n;
    plataforma::Ganchos().Reiniciar();
    EXPECT_EQ(fuzz::CambioFuera(valla), "");
    const auto [originales, copias] = contar();
    if (!fallo) {
      EXPECT_EQ(std::pair(originales, copias), std::pair(0, 1));
      EXPECT_GT(n, 1u);
      return;
    }
    ASSERT_EQ(originales, 1);
    // Whatever the failed write-back left, a second rewrite adds one copy and the original goes.
    EXPECT_EQ(Recorrer(1, 3, {ACCION_CONSERVAR, ACCION_RENOMBRAR}).fin, OE_FIN);
    EXPECT_EQ(contar(), std::pair(0, copias + 1));
  }
  FAIL() << "the write-back never stopped failing";
}

}  // namespace
}  // namespace orvex::pruebas
