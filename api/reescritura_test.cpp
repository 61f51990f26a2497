// Changing a stored message through the exports, as a host does, for every store generation:
// list to the message, hand its parts out, save actions; the end of the parts writes the
// message back. Stores that write in place keep the text chain; the others append a copy under
// a new id and mark the old record. What a rewrite leaves (the listing, a digest of each file it
// may change) is compared with sections of pruebas/datos/volcados_reescritura.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe5/formato_dbx.h"
#include "escritura/imagen.h"
#include "fuzz/valla.h"
#include "plataforma/plataforma.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/prueba_partes.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_reescritura.inc"
    ;

using Imagenes = std::map<std::string, std::vector<uint8_t>>;
using Decisiones = std::map<std::string, Decision>;

std::string Relleno(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; s.size() < n; ++i) s += "Line " + std::to_string(i) + " of the body.\n";
  return s;
}

const std::string kBody = Relleno(700), kVirus = "MZ\x90" + std::string(900, 'v'), kNotas = "Notes.\n";

// An attachment named on its header lines, as every generation renames it.
ParteMime Archivo(const std::string& nombre, const std::string& bytes) {
  ParteMime p;
  p.Cabecera("Content-Type", "application/octet-stream; name=\"" + nombre + "\"");
  p.Cabecera("Content-Transfer-Encoding", "base64");
  p.Cabecera("Content-Disposition", "attachment; filename=\"" + nombre + "\"");
  p.cuerpo = Base64(bytes);
  return p;
}

const std::string kObjetivo =
    Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Partes",
                     Multiparte("mixed", {TextoPlano(kBody), Archivo("a.exe", kVirus), Archivo("b.doc", kNotas)},
                                kFronteraImn)));

// An installed store whose folder lists the target among other messages.
struct Tienda {
  std::shared_ptr<void> almacen;  // keeps the store and its registry installed
  std::string raiz;
  OE_ENTRYID carpeta{};
  uint32_t objetivo = 0;
  std::vector<std::string> archivos;  // the files a rewrite of the target may change
  std::vector<fuzz::ArchivoVallado> (*vallas)(const OE_MENSAJE&);
  // Changes another program makes between the listing and the write-back; the store must
  // then stay as that program left it.
  std::vector<std::pair<std::string, std::function<void()>>> ajenos;

  Imagenes Leer() const {
    Imagenes i;
    for (const std::string& a : archivos) i[a] = fuzz::LeerArchivo(raiz + "/" + a);
    return i;
  }
  std::vector<fuzz::Listado> Listar() const { return fuzz::MensajesListados(carpeta.IdCarpeta, carpeta.PosCarpeta); }
};

// The texts undbx takes out of one .dbx file, sorted.
std::vector<std::string> TextosUndbx(const std::string& archivo, const std::string& salida) {
  namespace fs = std::filesystem;
  fs::create_directories(salida);
  const std::string orden = "undbx -v 0 '" + archivo + "' '" + salida + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(orden.c_str()), 0);
  std::vector<std::string> textos;
  for (const auto& e : fs::recursive_directory_iterator(salida)) {
    if (!e.is_regular_file() || e.path().extension() != ".eml") continue;
    std::ifstream f(e.path(), std::ios::binary);
    textos.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  fs::remove_all(salida);
  std::sort(textos.begin(), textos.end());
  return textos;
}

// The folder's listing as the exports give it, then the length and hash of each file a rewrite
// may change, compared with a section of the dump file.
void Comparar(const std::string& seccion, const Tienda& t) {
  CarpetaPorId c(t.carpeta.IdCarpeta, t.carpeta.PosCarpeta);
  std::string visto = VolcarMensajes(c.Puntero(), t.raiz);
  for (const auto& [nombre, b] : t.Leer()) {
    visto += nombre + " " + Resumido(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()), 0) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_reescritura", seccion, visto);
  // The peer reader undbx takes out the texts the folder lists; absent, the check skips.
  if (t.vallas != fuzz::VallasDbx || std::system("command -v undbx >/dev/null 2>&1") != 0) return;
  std::vector<std::string> textos;
  for (const fuzz::Listado& m : t.Listar()) textos.push_back(m.texto);
  std::sort(textos.begin(), textos.end());
  EXPECT_EQ(TextosUndbx(t.raiz + "/Inbox.dbx", t.raiz + "/undbx"), textos);
}

// Sets a word of a store file.
void Cambiar(const std::string& ruta, uint32_t pos, uint32_t valor) {
  std::vector<uint8_t> b = fuzz::LeerArchivo(ruta);
  PonerPalabra(b, pos, valor);
  EscribirImagen(ruta, b);
}

Tienda Oe5(const std::string& objetivo) {
  ArchivoMensajesDbx a;
  a.arbol = {2, FormaArbol::kMixto};
  a.mensajes = {Mensaje(2, MensajeSimple()), Mensaje(3, objetivo), Mensaje(4, MensajeHtml())};
  AlmacenDbx d;
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  auto almacen = std::make_shared<AlmacenInstalado>(d);
  const std::string ruta = almacen->Raiz() + "/Inbox.dbx";
  const MapaDbx& mapa = almacen->Dbx().archivos.at("Inbox.dbx");
  Tienda t{almacen, almacen->Raiz(), {4, 0}, 3, {"Inbox.dbx"}, fuzz::VallasDbx, {}};
  const uint32_t texto = mapa.bloques[1][0] + 16;
  t.ajenos = {{"un byte del texto", [=] { Cambiar(ruta, texto, LeerPalabra(mapa.bytes, texto) ^ 0x20); }},
              {"otro objeto nombra la cadena", [=] {
                 // Writing the chain would change message 4 as well.
                 const uint32_t o = mapa.objetos[2];
                 const uint32_t n = mapa.bytes[o + dbx::kObjNumIndices];
                 for (uint32_t i = 0, p = o + dbx::kLongCabObjeto; i < n; ++i, p += 4) {
                   if ((LeerPalabra(mapa.bytes, p) & 0xFF) != dbx::kIdBloqueTexto) continue;
                   Cambiar(ruta, p, mapa.bloques[1][0] << 8 | dbx::kIdBloqueTexto);
                 }
               }}};
  return t;
}

Tienda Oe4Correo(const std::string& objetivo) {
  AlmacenOe4 d;
  CarpetaOe4 c = CarpetaCorreo(1, 0, "Bandeja", "Inbox");
  MensajeOe4 m, otro;
  m.id = 7;
  m.texto = objetivo;
  m.fechas[1] = FileTime(2000, 1, 2, 3, 4);
  m.primera_palabra = 0xABCD;
  otro.id = 8;
  otro.texto = MensajeSimple();
  c.mensajes = {m, otro};
  c.ultimo_id = 41;
  c.tam_bloques = 1000;
  c.tam_mensajes = 900;
  d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", ""), c};
  d.cuenta_por_defecto = false;
  auto almacen = std::make_shared<AlmacenInstalado>(d);
  const std::string raiz = almacen->Raiz();
  const MapaIdxMbx& par = almacen->Oe4().pares.at("Inbox");
  Tienda t{almacen, raiz, {1, almacen->Oe4().folders.registros[1]}, 7,
           {"mail/Inbox.idx", "mail/Inbox.mbx", "mail/folders.nch"}, fuzz::VallasCorreoOe4, {}};
  const std::string idx = raiz + "/mail/Inbox.idx";
  t.ajenos = {{"el registro ya sustituido", [=] { Cambiar(idx, par.registros[0] + oe4fmt::kRegMarcas, 1); }},
              // The copy appended there would complete the other block with its own bytes.
              {"el otro bloque pasa del final", [=] {
                 Cambiar(idx, par.registros[1] + oe4fmt::kRegPosBloque, static_cast<uint32_t>(par.mbx.size()) - 8);
               }}};
  return t;
}

Tienda Oe4Noticias(const std::string& objetivo) {
  AlmacenOe4 d;
  d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", "")};
  const GrupoOe4 grupo = Grupo("g", 5, {Articulo(objetivo), Articulo(MensajeSimple()), Articulo("x\n")});
  d.cuentas = {Cuenta("00000001", std::nullopt), Cuenta("00000002", "news", {grupo})};
  auto almacen = std::make_shared<AlmacenInstalado>(d);
  const std::string archivo = "News/news/" + NombreArchivoGrupo(5), raiz = almacen->Raiz();
  const std::string ruta = raiz + "/" + archivo;
  const MapaGrupo& g = almacen->Oe4().grupos.at(archivo);
  const OE_ENTRYID carpeta{0x80000001u, almacen->Oe4().sublists.at("news").entradas[0]};
  Tienda t{almacen, raiz, carpeta, 0, {archivo}, fuzz::VallasGrupoOe4, {}};
  t.objetivo = t.Listar().at(0).id;
  using namespace oe4fmt;
  const uint32_t texto = g.bloques[0][1] + kLongCabBloqueNch;
  t.ajenos = {{"un byte del texto", [=] { Cambiar(ruta, texto, LeerPalabra(g.bytes, texto) ^ 0x20); }},
              // The full last block leads on into another article: a grown text would go there.
              // The header's text count, zeroed, does not say where the items end.
              {"la cadena sigue en otro articulo", [=] {
                 const uint32_t u = g.bloques[0].back();
                 Cambiar(ruta, u + kNchBloqueCapacidad, LeerPalabra(g.bytes, u + kNchBloqueUsados));
                 Cambiar(ruta, u + kNchBloqueSiguiente, g.bloques[2][0]);
                 Cambiar(ruta, kNchTamTextos, 0);
               }}};
  return t;
}

Tienda Imn(const std::string& objetivo) {
  const BuzonImn b = Buzon("Inbox", {MensajeVivo(1, MensajeSimple(), "uno"), MensajeVivo(3, objetivo, "tres"),
                                     MensajeVivo(4, MensajeHtml(), "cuatro")});
  // What another program changes before the write-back is a table of its own beside this store.
  auto almacen = std::make_shared<AlmacenInstalado>(std::vector<BuzonImn>{b});
  return {almacen, almacen->Raiz(), {0, 0}, 3, {"Mail/Inbox.idx", "Mail/Inbox.mbx"}, fuzz::VallasImn, {}};
}

struct Generacion {
  const char* nombre;
  Tienda (*instalar)(const std::string& objetivo);
  uint32_t bloque;  // in place: a chain's block room; 0: a copy is appended
  uint32_t renombrar_cuerpo;
  uint32_t escrituras_min;  // of a write-back that goes through
};

const Generacion kGeneraciones[] = {
    {"oe5", Oe5, 512, OE_ERROR, 4},
    {"oe4_correo", Oe4Correo, 0, OE_OK, 6},
    {"oe4_noticias", Oe4Noticias, 512, OE_OK, 4},
    {"imn", Imn, 0, OE_OK, 2},
};

struct Conduccion {
  std::vector<uint32_t> guardados;  // results of the save calls, in order
  uint32_t fin = 0;                 // the mode 2 result that ended the object
  std::vector<fuzz::ArchivoVallado> valla;
};

// Lists the folder to the target, then walks its parts deciding by part name; antes sees the
// listed message (without an object), then each part before its decision, and may end the
// object itself.
using Antes = std::function<void(OE_MENSAJE*, OE_OBJMSG**)>;
Conduccion Conducir(const Tienda& t, const Decisiones& decisiones, const Antes& antes = {}) {
  Conduccion c;
  CarpetaPorId carpeta(t.carpeta.IdCarpeta, t.carpeta.PosCarpeta);
  bool listado = false;
  RecorrerMensajes(carpeta.c, [&](uint32_t modo, uint32_t r, OE_MENSAJE* m) {
    if (modo != OE_SIGUIENTE || r != OE_OK || m->IdMensaje != t.objetivo || listado) return;
    listado = true;
    c.valla = t.vallas(*m);
    OE_OBJMSG* o = nullptr;
    if (antes) antes(m, &o);
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    while ((c.fin = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK) {
      if (antes) antes(m, &o);
      if (o == nullptr) break;
      const auto d = decisiones.find(o->NombreParte);
      if (d == decisiones.end()) continue;
      if (d->second.contenido) PonerContenido(*o, *d->second.contenido);
      if (d->second.accion) c.guardados.push_back(OE_GuardarObjMsg(m, o, *d->second.accion));
    }
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(m->Modificado, 0u);  // after the write-back nothing is left
  });
  EXPECT_TRUE(listado) << "target not listed";
  return c;
}

class ReescrituraTest : public ::testing::TestWithParam<Generacion> {
 protected:
  ~ReescrituraTest() override { plataforma::Ganchos().Reiniciar(); }
};

// The rows without a section change nothing: renaming the body, keeping.
TEST_P(ReescrituraTest, CadaAccionCambiaSoloElMensaje) {
  struct Caso {
    const char* seccion;
    Decisiones decisiones;
    uint32_t resultado = OE_OK;
  };
  const Caso casos[] = {
      {"renombrar", {{"a.exe", {ACCION_RENOMBRAR, {}}}}},
      {"borrar", {{"a.exe", {ACCION_BORRAR, {}}}}},
      {"sustituir", {{"a.exe", {ACCION_SUSTITUIR, "clean"}}}},
      {"varias", {{"a.exe", {ACCION_RENOMBRAR, {}}}, {"b.doc", {ACCION_SUSTITUIR, std::string(3000, 'n')}}}},
      {nullptr, {{"", {ACCION_RENOMBRAR, {}}}}, GetParam().renombrar_cuerpo},
      {nullptr, {{"a.exe", {ACCION_CONSERVAR, {}}}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.seccion == nullptr ? "sin cambios" : caso.seccion);
    const Tienda t = GetParam().instalar(kObjetivo);
    const Imagenes antes = t.Leer();
    const Conduccion c = Conducir(t, caso.decisiones);
    EXPECT_EQ(c.fin, OE_FIN);
    EXPECT_EQ(c.guardados, std::vector<uint32_t>(caso.decisiones.size(), caso.resultado));
    EXPECT_EQ(fuzz::CambioFuera(c.valla), "");
    EXPECT_TRUE(caso.seccion != nullptr || t.Leer() == antes);
    if (caso.seccion != nullptr) Comparar(std::string(GetParam().nombre) + "/" + caso.seccion, t);
  }
}

// Another program changes the files while the host holds the message: nothing is written.
TEST_P(ReescrituraTest, UnCambioAjenoNoSeSobrescribe) {
  const std::size_t ajenos = GetParam().instalar(kObjetivo).ajenos.size();
  for (std::size_t i = 0; i < ajenos; ++i) {
    const Tienda t = GetParam().instalar(kObjetivo);
    SCOPED_TRACE(t.ajenos[i].first);
    Imagenes cambiadas;
    Conducir(t, {{"a.exe", {ACCION_RENOMBRAR, {}}}}, [&](OE_MENSAJE*, OE_OBJMSG** o) {
      if (*o != nullptr) return;
      t.ajenos[i].second();
      cambiadas = t.Leer();
    });
    EXPECT_TRUE(t.Leer() == cambiadas);
  }
}

// The write-back with its N-th write failing, for N = 1, 2, ... until no fault fires, and with
// the disk gone from the N-th write on. Nothing outside the fence changes, the other messages
// stay, and the target is listed as it was or as rewritten (a copying store may show both);
// a single failure in a store that writes in place puts back what it wrote.
TEST_P(ReescrituraTest, UnaEscrituraQueFallaNoPierdeNada) {
  const Decisiones renombrar = {{"a.exe", {ACCION_RENOMBRAR, {}}}};
  const Tienda limpia = GetParam().instalar(kObjetivo);
  Conducir(limpia, renombrar);
  const auto renombrado = limpia.Listar();
  const std::size_t escribir = static_cast<std::size_t>(plataforma::Operacion::kEscribir);
  auto& g = plataforma::Ganchos();
  for (const bool desde : {false, true}) {
    uint64_t n = 1;
    for (bool disparado = true; disparado; ++n) {
      ASSERT_LT(n, 200u);
      SCOPED_TRACE(testing::Message() << (desde ? "sin disco desde " : "falla ") << n);
      const Tienda t = GetParam().instalar(kObjetivo);
      const auto antes = t.Listar();
      const Imagenes imagenes = t.Leer();
      g.Reiniciar();
      g.fallar_en[escribir] = n;
      g.fallar_desde = desde;
      const Conduccion c = Conducir(t, renombrar);
      disparado = g.contador[escribir] >= n;
      g.Reiniciar();
      EXPECT_EQ(c.fin, OE_FIN);
      EXPECT_EQ(fuzz::CambioFuera(c.valla), "");
      const auto despues = t.Listar();
      auto ambos = antes;
      ambos.push_back(renombrado.back());
      const auto p = std::find_if(antes.begin(), antes.end(), [&](const auto& m) { return m.id == t.objetivo; });
      const bool en_su_sitio = GetParam().bloque != 0;
      EXPECT_TRUE(disparado || despues == renombrado);
      EXPECT_TRUE(!disparado || !en_su_sitio || desde || t.Leer() == imagenes);
      EXPECT_TRUE(!disparado || !en_su_sitio || !desde ||
                  fuzz::MismosOtros(antes, static_cast<std::size_t>(p - antes.begin()), despues));
      EXPECT_TRUE(!disparado || en_su_sitio || despues == antes || despues == renombrado || despues == ambos);
    }
    EXPECT_GT(n, GetParam().escrituras_min + 1);
  }
}

// An item may say its article is as long as its whole file: the article is what its chain
// holds, and is rewritten as any other.
TEST(ReescrituraOe4Test, UnArticuloTanLargoComoSuArchivo) {
  const auto renombrar = [](const Tienda& t) {
    Conducir(t, {{"a.exe", {ACCION_RENOMBRAR, {}}}});
    return t.Listar();
  };
  const auto renombrado = renombrar(Oe4Noticias(kObjetivo));
  const Tienda t = Oe4Noticias(kObjetivo);
  const std::string ruta = t.raiz + "/" + t.archivos[0];
  // The target's item is the first of the area, right after the header.
  Cambiar(ruta, oe4fmt::kLongCabGrupo + oe4fmt::kArtLongArticulo,
          static_cast<uint32_t>(std::filesystem::file_size(ruta)));
  EXPECT_EQ(renombrar(t), renombrado);
}

// A message the mail client wrote itself: a single HTML body in quoted-printable. Removing and
// replacing it (stored in the part's own encoding) touch no byte outside its text chain.
TEST(ReescrituraOe5Test, UnMensajeDelPropioClienteDeCorreo) {
  namespace fs = std::filesystem;
  const auto muestras = Muestras();
  if (!muestras) GTEST_SKIP() << "sin muestras";
  const std::pair<uint32_t, const char*> acciones[] = {{ACCION_BORRAR, "muestra/borrar"},
                                                       {ACCION_SUSTITUIR, "muestra/sustituir"}};
  for (const auto& [accion, seccion] : acciones) {
    DirectorioTemporal dir;
    for (const char* f : {"Folders.dbx", "Inbox.dbx", "Outbox.dbx"}) {
      fs::copy_file(fs::path(*muestras) / "oe6_dbx_mit" / f, fs::path(dir.Ruta()) / f);
    }
    VariableEntorno zona("TZ", std::string("UTC0"));
    RegistroPrueba registro;
    InstalarIdentidad(registro, dir.Ruta());
    Tienda t{nullptr, dir.Ruta(), {4, 0}, 0, {"Inbox.dbx"}, fuzz::VallasDbx, {}};
    t.objetivo = t.Listar().at(0).id;
    const Conduccion c = Conducir(t, {{"", {accion, "<HTML><BODY>Checked =) \xE9</BODY></HTML>\r\n"}}});
    EXPECT_EQ(c.guardados, std::vector<uint32_t>{OE_OK});
    EXPECT_EQ(fuzz::CambioFuera(c.valla), "");
    Comparar(seccion, t);
  }
}

INSTANTIATE_TEST_SUITE_P(Generaciones, ReescrituraTest, ::testing::ValuesIn(kGeneraciones),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orvex::pruebas
