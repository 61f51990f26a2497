// Folder walks over the example store of each generation, through the exports as a host drives
// them: the full listing, the top-level walk, subfolders, and every folder found again by id.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "pruebas/generaciones.h"

namespace orvex::pruebas {
namespace {

// Id, parent, name, index path below the store root and message count of a folder record.
using Vista = std::tuple<uint32_t, uint32_t, std::string, std::string, uint32_t>;
constexpr uint32_t kCuenta = 0x80000001u;

struct FilaCarpetas {
  const char* nombre;
  AlmacenDeGeneracion (*instalar)();
  std::vector<Vista> todas;                         // mode 1's record, then each of mode 2
  std::vector<uint32_t> principales;                // ids of the top-level walk, mode 1's first
  std::map<uint32_t, std::vector<uint32_t>> hijas;  // by parent id, for parents with some
  uint32_t sin_hijas;                               // the walk's end for a folder without any
  std::vector<std::pair<OE_ENTRYID, uint32_t>> fallidas;  // lookups that find nothing
};

class CarpetasTest : public ::testing::TestWithParam<FilaCarpetas> {
 protected:
  CarpetasTest() : almacen_(GetParam().instalar()) {}
  Vista Ver(const OE_CARPETA& c) const {
    std::string ruta = c.RutaIndice;
    if (ruta.rfind(almacen_.raiz + "\\", 0) == 0) ruta.erase(0, almacen_.raiz.size() + 1);
    return {c.IdCarpeta, c.IdPadre, c.Nombre, ruta, c.NumMensajes};
  }
  // Mode 1, mode 2 to the end, mode 3; the records of modes 1 and 2 and the last result.
  template <class Paso>
  std::vector<Vista> Recorrer(Paso paso, uint32_t* fin, std::vector<OE_ENTRYID>* ids = nullptr) const {
    std::vector<Vista> vistas;
    OE_CARPETA* c = nullptr;
    for (uint32_t r = paso(&c, OE_PRIMERO); vistas.size() < 100; r = paso(&c, OE_SIGUIENTE)) {
      *fin = r;
      if (r != OE_OK) break;
      vistas.push_back(Ver(*c));
      if (ids != nullptr) ids->push_back({c->IdCarpeta, c->PosCarpeta});
    }
    if (c != nullptr) paso(&c, OE_CERRAR);
    return vistas;
  }
  AlmacenDeGeneracion almacen_;
};

TEST_P(CarpetasTest, ListadoCompletoYCarpetasPrincipales) {
  uint32_t fin = 0;
  EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin), GetParam().todas);
  EXPECT_EQ(fin, OE_FIN);
  std::vector<uint32_t> ids;
  for (const Vista& v : Recorrer(OE_ObtenerCarpetasPrincipales, &fin)) ids.push_back(std::get<0>(v));
  EXPECT_EQ(ids, GetParam().principales);
  EXPECT_EQ(fin, OE_FIN);
}

// Every folder listed, and every subfolder of one, is found again by its entry id with the same
// record; a folder's subfolders are those of the table.
TEST_P(CarpetasTest, CadaCarpetaSeEncuentraPorSuEntryIdConSusSubcarpetas) {
  uint32_t fin = 0;
  std::vector<OE_ENTRYID> ids;
  std::vector<Vista> vistas = Recorrer(OE_ObtenerCarpetas, &fin, &ids);
  std::map<uint32_t, std::vector<uint32_t>> hijas;
  for (std::size_t i = 1; i < ids.size(); ++i) {
    SCOPED_TRACE(std::get<2>(vistas[i]));
    OE_CARPETA* c = nullptr;
    ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&ids[i], &c, OE_PRIMERO), OE_OK);
    EXPECT_EQ(Ver(*c), vistas[i]);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, 9), OE_OK);
    std::vector<OE_ENTRYID> de_hijas;
    const std::vector<Vista> h = Recorrer(Hijas(c), &fin, &de_hijas);
    // Mode 1 gives no subfolder yet: its record, when there is one, is not counted.
    const bool nueva = !hijas.contains(ids[i].IdCarpeta);  // the root may be listed twice
    for (std::size_t k = 1; k < h.size() && nueva; ++k) {
      EXPECT_EQ(std::get<1>(h[k]), ids[i].IdCarpeta);
      hijas[ids[i].IdCarpeta].push_back(std::get<0>(h[k]));
      if (!Contiene(ids, de_hijas[k])) {
        ids.push_back(de_hijas[k]);  // not listed before: looked up in turn
        vistas.push_back(h[k]);
      }
    }
    EXPECT_TRUE(h.size() > 1 || fin == GetParam().sin_hijas) << fin;
    OE_ENTRYID nada{};
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(&nada, &c, OE_CERRAR), OE_OK);
    EXPECT_EQ(c, nullptr);
  }
  EXPECT_EQ(hijas, GetParam().hijas);
}

TEST_P(CarpetasTest, LasBusquedasQueNoEncuentranDanSuCodigo) {
  for (const auto& [id, resultado] : GetParam().fallidas) {
    SCOPED_TRACE(testing::Message() << std::hex << id.IdCarpeta << " at " << id.PosCarpeta);
    OE_ENTRYID e = id;
    OE_CARPETA* c = nullptr;
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO), resultado);
    // A failed search may leave its record, moved past the last folder, for mode 3 to free.
    if (c != nullptr) {
      EXPECT_NE(c->IdCarpeta, id.IdCarpeta);
      EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR), OE_OK);
    }
  }
}

// A host that closes a lookup by id is done with the store's files: none stays open.
TEST_P(CarpetasTest, CerrarUnaBusquedaPorIdSueltaSusArchivos) {
  namespace fs = std::filesystem;
  if (!fs::is_directory("/proc/self/fd")) GTEST_SKIP() << "open files are counted in /proc/self/fd";
  const auto abiertos = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
  uint32_t fin = 0;
  std::vector<OE_ENTRYID> ids;
  Recorrer(OE_ObtenerCarpetas, &fin, &ids);
  const auto antes = abiertos();
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&ids.back(), &c, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR), OE_OK);
  EXPECT_EQ(abiertos(), antes);
}

// A record of another kind, or none, where a folder cursor goes.
TEST_P(CarpetasTest, RegistrosAjenosSeRechazan) {
  OE_MENSAJE ajeno{};
  ajeno.Tamano = OE_TAM_MENSAJE;
  auto* falso = reinterpret_cast<OE_CARPETA*>(&ajeno);
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&falso, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerSubCarpetas(falso, &nulo, OE_PRIMERO), OE_ERROR_PARAM);
}

// A top-level folder keeps the message file of the folder read before it.
const std::vector<Vista> kOe5 = {
    {0, 0, "Outlook Express", "", 0},          {1, 0, "Local Folders", "", 0},
    {4, 1, "Inbox", "Inbox.dbx", 5},           {10, 4, "Proyectos", "Proyectos.dbx", 2},
    {11, 10, "2001", "2001.dbx", 1},           {5, 1, "Outbox", "Outbox.dbx", 0},
    {6, 1, "Sent Items", "Sent Items.dbx", 1}, {9, 0, "Hotmail", "Sent Items.dbx", 0}};
// The root is third in the chain: mode 1 gives it, and mode 2 again where the chain has it (its
// empty file name names ".idx"); the top-level walk ends at the root's IdFin; accounts follow.
const std::vector<Vista> kOe4 = {
    {0, 0, "Outlook Express", "", 0},
    {1, 0, "Bandeja de entrada", "mail\\Inbox.idx", 3},
    {2, 0, "Elementos enviados", "mail\\Sent Items.idx", 1},
    {0, 0, "Outlook Express", "mail\\.idx", 0},
    {3, 0, "Trabajo", "mail\\Trabajo.idx", 0},
    {4, 3, "Proyecto", "mail\\Proyecto.idx", 1},
    {5, 4, "Detalle", "mail\\Detalle.idx", 0},
    {6, 0, "Elementos eliminados", "mail\\Deleted Items.idx", 0},
    {kCuenta, 0, "news.example.com", "News\\", 0}};
// Every mailbox file is a folder, in the directory's listing order (by name on POSIX); mode 1
// gives no folder yet.
const std::vector<Vista> kImn = {{0, 0, "", "", 0},
                                 {0, 0, "Drafts", "Mail\\Drafts.idx", 0},
                                 {1, 0, "Inbox", "Mail\\Inbox.idx", 3},
                                 {2, 0, "Sent", "Mail\\Sent.idx", 1}};

const FilaCarpetas kFilas[] = {
    {"oe5", [] { return InstalarOe5(AlmacenEjemplo()); }, kOe5, {0, 1, 9}, {{1, {4, 5, 6}}, {4, {10}}, {10, {11}}},
     OE_FIN,
     // The root's own id is never compared.
     {{{99, 0}, OE_ERROR}, {{0, 0}, OE_ERROR}}},
    {"oe4", [] { return InstalarOe4(AlmacenOe4Ejemplo()); }, kOe4, {0, 1, 2, 0, 3, kCuenta},
     {{0, {1, 2, 0, 3, 6}}, {3, {4}}, {4, {5}}, {kCuenta, {kCuenta, kCuenta}}}, OE_SIN_SUBCARPETAS,
     // An account without a news directory, one that does not exist; a position in the header
     // or past the end.
     {{{0x80000000u, 0}, OE_ERROR}, {{0x80000009u, 0}, OE_ERROR}, {{2, 0}, OE_ERROR_PARAM},
      {{kCuenta, 100000}, OE_ERROR_PARAM}}},
    {"imn", [] { return InstalarImn(AlmacenImnEjemplo()); }, kImn, {0, 0, 1, 2}, {}, OE_SIN_SUBCARPETAS,
     {{{3, 0}, OE_ERROR_PARAM}, {{0xFFFFFFFFu, 0}, OE_ERROR_PARAM}}},
};
INSTANTIATE_TEST_SUITE_P(Generaciones, CarpetasTest, ::testing::ValuesIn(kFilas),
                         [](const auto& i) { return std::string(i.param.nombre); });

}  // namespace
}  // namespace orvex::pruebas
