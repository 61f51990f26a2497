// Folder and message walks over the example store of each generation, through the exports as a
// host drives them: the full listing, the top-level walk, and every folder found again by id with
// its subfolders and its messages, compared with the dump of each generation. Then the same store
// damaged: one field at a time set to 0, the maximum, one off, the file's size or its own
// structure; then cut short (random bytes are the fuzzers' part). Every walk must end with result
// codes: no crash, no hang, and no read or allocation beyond what the file holds (the sanitizer
// build runs these).
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pruebas/generaciones.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_api.inc"
    ;

struct FilaCarpetas {
  const char* nombre;
  AlmacenDeGeneracion (*instalar)();
  std::vector<OE_ENTRYID> fallidas;  // lookups that find nothing
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
      std::istringstream lineas(Enumerar(Hijas(c), raiz, &hijas) + VolcarMensajes(c, raiz));
      for (std::string l; std::getline(lineas, l);) r += "  " + l + "\n";
      for (const OE_ENTRYID h : hijas) {
        if (!Contiene(ids, h)) ids.push_back(h);
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
  AlmacenDeGeneracion almacen_;
};

TEST_P(CarpetasTest, RecorridoComoUnHost) {
  EXPECT_VOLCADO(kVolcados, "volcados_api", GetParam().nombre, VolcarRecorrido(almacen_.raiz, GetParam().fallidas));
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

// A record of another kind, or none, where a folder cursor goes.
TEST_P(CarpetasTest, RegistrosAjenosSeRechazan) {
  OE_MENSAJE ajeno{};
  ajeno.Tamano = OE_TAM_MENSAJE;
  auto* falso = reinterpret_cast<OE_CARPETA*>(&ajeno);
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&falso, OE_CERRAR), OE_ERROR_PARAM);
}

TEST_P(CarpetasTest, CadaCampoDanadoOCortadoDaCodigos) {
  for (const ArchivoDanable& a : almacen_.archivos) {
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
      almacen_.Reescribir(a, b);
      RecorrerComoHost();
    }
    almacen_.Reescribir(a, a.bytes);
  }
}

// The root's own id is never compared. OE 4: an account without a news directory, one that does
// not exist; a position in the header or past the end.
const FilaCarpetas kFilas[] = {
    {"oe5", [] { return InstalarOe5(AlmacenEjemplo()); }, {{99, 0}, {0, 0}}},
    {"oe4", [] { return InstalarOe4(AlmacenOe4Ejemplo()); },
     {{0x80000000u, 0}, {0x80000009u, 0}, {2, 0}, {0x80000001u, 100000}}},
    {"imn", [] { return InstalarImn(AlmacenImnEjemplo()); }, {{3, 0}, {0xFFFFFFFFu, 0}}},
};
INSTANTIATE_TEST_SUITE_P(Generaciones, CarpetasTest, ::testing::ValuesIn(kFilas),
                         [](const auto& i) { return std::string(i.param.nombre); });

}  // namespace
}  // namespace orvex::pruebas
