// Folder and message walks over the example store of each generation, through the exports as a
// host drives them: the full listing, the top-level walk, and every folder found again by id with
// its subfolders and its messages, compared with the dump of each generation. Then the same store
// damaged: one field at a time set to 0, the maximum, one off, the file's size or its own
// structure; then cut short (random bytes are the fuzzers' part). Every walk must end with result
// codes: no crash, no hang, and no read or allocation beyond what the file holds (the sanitizer
// build runs these).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe5/formato_dbx.h"
#include "pruebas/generaciones.h"
#include "pruebas/host/host_recorrido.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_api.inc"
    ;

// A 32-bit field of a file image; "pointing at itself" sets it to the structure that holds it.
struct Campo {
  std::string nombre;
  uint32_t pos;
  uint32_t propio;
};

// The image with the field set to 0, the maximum, one off either way, the file's size, itself.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Danios(const std::vector<uint8_t>& b, const Campo& c) {
  const uint32_t v = LeerPalabra(b, c.pos);
  const std::pair<const char*, uint32_t> valores[] = {
      {"0", 0}, {"max", 0xFFFFFFFFu}, {"+1", v + 1}, {"-1", v - 1}, {"size", static_cast<uint32_t>(b.size())},
      {"self", c.propio}};
  std::vector<std::pair<std::string, std::vector<uint8_t>>> imagenes;
  for (const auto& [nombre, valor] : valores) {
    imagenes.emplace_back(c.nombre + " = " + nombre, b);
    PonerPalabra(imagenes.back().second, c.pos, valor);
  }
  return imagenes;
}

struct ArchivoDanable {
  std::string relativo;  // below the store root
  std::vector<uint8_t> bytes;
  std::vector<Campo> campos;
};

// One field per (name, offset) at each base, named "<prefijo> <i> <name>".
void Anadir(std::vector<Campo>& campos, const std::string& prefijo, const std::vector<uint32_t>& bases,
            std::initializer_list<std::pair<const char*, uint32_t>> nombres) {
  for (std::size_t i = 0; i < bases.size(); ++i) {
    for (const auto& [nombre, pos] : nombres) {
      campos.push_back({prefijo + " " + std::to_string(i) + " " + nombre, bases[i] + pos, bases[i]});
    }
  }
}

// folders.dbx and Inbox.dbx: header words, every tree node and entry, object and text block.
std::vector<ArchivoDanable> ArchivosOe5(const AlmacenInstalado& a) {
  using namespace dbx;
  const MapaDbx& carpetas = a.Dbx().carpetas;
  const MapaDbx& entrada = a.Dbx().archivos.at("Inbox.dbx");
  std::vector<ArchivoDanable> g = {{"folders.dbx", carpetas.bytes, {}}, {"Inbox.dbx", entrada.bytes, {}}};
  Anadir(g[0].campos, "cabecera", {0},
         {{"raiz", kCabAreaRaiz}, {"subcarpetas", kCabNumSubCarpetas}, {"arbol", kCabArbolCarpetas}});
  Anadir(g[0].campos, "area raiz", {carpetas.area_raiz}, {{"longitud", 4}});
  Anadir(g[1].campos, "cabecera", {0},
         {{"inicio", kCabInicioObjetos}, {"long", kCabLongObjetos}, {"max id", kCabMaxIdMensaje},
          {"limite", kCabLimiteTexto}, {"num", kCabNumMensajes}, {"arbol", kCabArbolMensajes}});
  for (std::size_t k = 0; k < 2; ++k) {
    const MapaDbx& m = k == 0 ? carpetas : entrada;
    std::vector<Campo>& campos = g[k].campos;
    for (const uint32_t nodo : m.nodos) {
      std::vector<uint32_t> entradas;
      for (uint32_t i = 0; i < LeerPalabra(m.bytes, nodo + kNodoCuenta) >> 8; ++i) {
        entradas.push_back(nodo + kNodoEntradas + i * kLongEntrada);
      }
      Anadir(campos, "nodo", {nodo}, {{"+0x08", kNodoHijo}, {"cuenta", kNodoCuenta}});
      Anadir(campos, "entrada", entradas, {{"objeto", kEntradaObjeto}, {"hijo", kEntradaHijo}});
    }
    for (const uint32_t obj : m.objetos) {
      const uint32_t datos = kLongCabObjeto + 4 * m.bytes[obj + kObjNumIndices];
      Anadir(campos, "objeto", {obj},
             {{"cuerpo", kObjLongCuerpo}, {"+8", 8}, {"datos", datos}, {"datos+8", datos + 8}});
      for (uint32_t i = 0; i < m.bytes[obj + kObjNumIndices]; ++i) {
        Anadir(campos, "objeto indice", {obj}, {{"", kLongCabObjeto + 4 * i}});
      }
    }
    for (const auto& cadena : m.bloques) {
      Anadir(campos, "bloque", cadena,
             {{"capacidad", kBloqueCapacidad}, {"usado", kBloqueUsado}, {"siguiente", kBloqueSiguiente}});
    }
  }
  return g;
}

// folders.nch, Inbox's .idx/.mbx pair, the news account's sublist.dat and its first group.
std::vector<ArchivoDanable> ArchivosOe4(const AlmacenInstalado& a) {
  using namespace oe4fmt;
  const AlmacenOe4Escrito& e = a.Oe4();
  const MapaIdxMbx& par = e.pares.at("Inbox");
  const MapaSublist& sub = e.sublists.at("news.example.com");
  const std::string ruta_grupo = "News/news.example.com/" + NombreArchivoGrupo(1);
  const MapaGrupo& grupo = e.grupos.at(ruta_grupo);
  std::vector<ArchivoDanable> g = {
      {"mail/folders.nch", e.folders.bytes, {{"cabecera primero", kNchPrimero, 0}}},
      {"mail/Inbox.idx", par.idx, {{"FinRegistros", kIdxFinRegistros, 0}}},
      {"mail/Inbox.mbx", par.mbx, {{"UltimoId", kMbxUltimoId, 0}}},
      {"News/news.example.com/sublist.dat", sub.bytes, {{"NumGrupos", kSubNumGrupos, 0}}},
      {ruta_grupo, grupo.bytes, {{"PosPrimero", kNchPrimero, 0}, {"LongArea", kNchLongArea, 0}}},
  };
  Anadir(g[0].campos, "carpeta", e.folders.registros,
         {{"PosPropia", kCarPosPropia}, {"PosSiguiente", kCarPosSiguiente}, {"IdCarpeta", kCarIdCarpeta},
          {"IdPadre", kCarIdPadre}, {"IdFin", kCarIdFin}, {"NumSubCarpetas", kCarNumSubCarpetas},
          {"NumMensajes", kCarNumMensajes}});
  Anadir(g[1].campos, "registro", par.registros,
         {{"Marcas", kRegMarcas}, {"IdSustituto", kRegIdSustituto}, {"IdMensaje", kRegIdMensaje},
          {"PosPropia", kRegPosPropia}, {"LongRegistro", kRegLongRegistro}, {"PosBloque", kRegPosBloque},
          {"LongExtra", kRegLongExtra}});
  Anadir(g[3].campos, "grupo", sub.entradas, {{"NumFichero", kGrpNumFichero}, {"long del nombre", kGrpLongNombre}});
  Anadir(g[4].campos, "articulo", grupo.articulos,
         {{"PosPropia", kArtPosPropia}, {"PosSiguiente", kArtPosSiguiente}, {"PosBloque", kArtPosBloque},
          {"LongArticulo", kArtLongArticulo}});
  for (const auto& cadena : grupo.bloques) {
    Anadir(g[4].campos, "bloque", cadena,
           {{"Capacidad", kNchBloqueCapacidad}, {"Usados", kNchBloqueUsados}, {"PosSiguiente", kNchBloqueSiguiente}});
  }
  return g;
}

// Inbox's .idx/.mbx pair, cut short or with random bytes; what each of their fields does when
// damaged has its own table of results beside this store.
std::vector<ArchivoDanable> ArchivosImn(const AlmacenInstalado& a) {
  return {{"Mail/Inbox.idx", a.Imn("Inbox").idx, {}}, {"Mail/Inbox.mbx", a.Imn("Inbox").mbx, {}}};
}

// The host walk of pruebas/host over every export, through the linked library (what it writes
// is not kept: the walk must end, and the sanitizer build checks every call it makes), then the
// folder listing once more, whose every answer must be a code a host expects.
void RecorrerComoHost() {
  static const DirectorioTemporal dir;
  const FUNCIONES_ORVEX enlazadas = FUNCIONES_ORVEX_ENLAZADAS;
  std::FILE* salida = std::fopen(dir.RutaDe("recorrido.txt").c_str(), "wb");
  ASSERT_NE(salida, nullptr);
  RecorrerAlmacen(&enlazadas, salida);
  std::fclose(salida);
  CarpetasHost(OE_ObtenerCarpetas);
}

struct FilaCarpetas {
  const char* nombre;
  AlmacenInstalado (*instalar)();
  std::vector<OE_ENTRYID> fallidas;  // lookups that find nothing
  std::vector<ArchivoDanable> (*archivos)(const AlmacenInstalado&);  // damaged one field at a time
};

// Mode 1 (its record, when it gives one), mode 2 to the end, mode 3; the entry ids of mode 2.
template <class Paso>
std::string Enumerar(Paso paso, const std::string& raiz, std::vector<OE_ENTRYID>* ids = nullptr) {
  OE_CARPETA* c = nullptr;
  uint32_t res = paso(&c, OE_PRIMERO);
  std::string r = "primero " + (res == OE_OK && c != nullptr ? Volcar(*c, raiz) : std::to_string(res)) + "\n";
  for (int pasos = 0; res == OE_OK && pasos < 100; ++pasos) {
    if ((res = paso(&c, OE_SIGUIENTE)) != OE_OK) break;
    r += Volcar(*c, raiz) + "\n";
    if (ids != nullptr) ids->push_back({c->IdCarpeta, c->PosCarpeta});
  }
  if (c != nullptr) paso(&c, OE_CERRAR);
  return r + "fin " + std::to_string(res) + "\n";
}

// The full listing, the top-level walk, then each folder listed by its entry id with its
// subfolders and messages; a subfolder the listing does not give (a newsgroup) is looked up in
// turn. Last, the lookups that find nothing: a record they leave is the host's to free.
std::string VolcarRecorrido(const std::string& raiz, const std::vector<OE_ENTRYID>& fallidas) {
  std::vector<OE_ENTRYID> ids;
  std::string r = "carpetas\n" + Enumerar(OE_ObtenerCarpetas, raiz, &ids);
  r += "principales\n" + Enumerar(OE_ObtenerCarpetasPrincipales, raiz);
  for (std::size_t i = 0; i < ids.size() + fallidas.size(); ++i) {
    OE_ENTRYID e = i < ids.size() ? ids[i] : fallidas[i - ids.size()];
    OE_CARPETA* c = nullptr;
    const uint32_t res = OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO);
    r += "por id " + std::to_string(e.IdCarpeta) + "@" + std::to_string(e.PosCarpeta) + " " + std::to_string(res);
    r += c == nullptr ? "\n" : " " + Volcar(*c, raiz) + "\n";
    if (res == OE_OK) {
      std::vector<OE_ENTRYID> hijas;
      const auto paso = [c](OE_CARPETA** x, uint32_t modo) { return OE_ObtenerSubCarpetas(c, x, modo); };
      std::istringstream lineas(Enumerar(paso, raiz, &hijas) + VolcarMensajes(c, raiz));
      for (std::string l; std::getline(lineas, l);) r += "  " + l + "\n";
      for (const OE_ENTRYID h : hijas) {
        const auto es = [h](const OE_ENTRYID& x) { return x.IdCarpeta == h.IdCarpeta && x.PosCarpeta == h.PosCarpeta; };
        if (std::none_of(ids.begin(), ids.end(), es)) ids.push_back(h);
      }
    }
    OE_ENTRYID nada{};
    r += c == nullptr ? "" : "  cierre " + std::to_string(OE_ObtenerCarpetaDeEntryID(&nada, &c, OE_CERRAR)) + "\n";
    EXPECT_EQ(c, nullptr);
  }
  return r;
}

class CarpetasTest : public ::testing::TestWithParam<FilaCarpetas> {
 protected:
  CarpetasTest() : almacen_(GetParam().instalar()) {}
  AlmacenInstalado almacen_;
};

TEST_P(CarpetasTest, RecorridoComoUnHost) {
  EXPECT_VOLCADO(kVolcados, "volcados_api", GetParam().nombre, VolcarRecorrido(almacen_.Raiz(), GetParam().fallidas));
}

// A host that closes a lookup by id is done with the store's files: none stays open.
TEST_P(CarpetasTest, CerrarUnaBusquedaPorIdSueltaSusArchivos) {
  namespace fs = std::filesystem;
  if (!fs::is_directory("/proc/self/fd")) GTEST_SKIP() << "open files are counted in /proc/self/fd";
  const auto abiertos = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
  std::vector<OE_ENTRYID> ids = CarpetasHost(OE_ObtenerCarpetas);
  const auto antes = abiertos();
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&ids.back(), &c, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR), OE_OK);
  EXPECT_EQ(abiertos(), antes);
}

TEST_P(CarpetasTest, CadaCampoDanadoOCortadoDaCodigos) {
  for (const ArchivoDanable& a : GetParam().archivos(almacen_)) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> imagenes;
    for (const Campo& c : a.campos) {
      for (auto& d : Danios(a.bytes, c)) imagenes.push_back(std::move(d));
    }
    const std::size_t n = a.bytes.size();
    std::vector<std::size_t> largos = {0, 1, 4, 8, 31, 83, 231, 240, 1000, n / 2, n - 1};
    for (std::size_t l = 97; l < n; l += 397) largos.push_back(l);
    for (const std::size_t largo : largos) {
      if (largo >= n) continue;
      imagenes.emplace_back("cut to " + std::to_string(largo),
                            std::vector<uint8_t>(a.bytes.begin(), a.bytes.begin() + static_cast<std::ptrdiff_t>(largo)));
    }
    for (const auto& [traza, b] : imagenes) {
      SCOPED_TRACE(a.relativo + ": " + traza);
      almacen_.Escribir(a.relativo, b);
      RecorrerComoHost();
    }
    almacen_.Escribir(a.relativo, a.bytes);
  }
}

// The root's own id is never compared. OE 4: an account without a news directory, one that does
// not exist; a position in the header or past the end.
const FilaCarpetas kFilas[] = {
    {"oe5", [] { return AlmacenInstalado(AlmacenEjemplo()); }, {{99, 0}, {0, 0}}, ArchivosOe5},
    {"oe4", [] { return AlmacenInstalado(AlmacenOe4Ejemplo()); },
     {{0x80000000u, 0}, {0x80000009u, 0}, {2, 0}, {0x80000001u, 100000}}, ArchivosOe4},
    {"imn", [] { return AlmacenInstalado(AlmacenImnEjemplo()); }, {{3, 0}, {0xFFFFFFFFu, 0}}, ArchivosImn},
};
INSTANTIATE_TEST_SUITE_P(Generaciones, CarpetasTest, ::testing::ValuesIn(kFilas),
                         [](const auto& i) { return std::string(i.param.nombre); });

}  // namespace
}  // namespace orvex::pruebas
