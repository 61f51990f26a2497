// Real messages from public test corpora, walked as a host walks them: every part handed out,
// file by file, against its golden section. A file with bare LF line ends is read with CR LF.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "api/orvex.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_corpus.inc"
    ;

struct Corpus { const char* nombre; fs::path carpeta; const char* prefijo; const char* sufijo; };

// The email test data of whichever Python test suite is installed.
fs::path CorpusPython() {
  std::error_code ec;
  fs::path ultima;
  for (const auto& e : fs::directory_iterator("/usr/lib", ec)) {
    const fs::path datos = e.path() / "test" / "test_email" / "data";
    if (e.path().filename().string().starts_with("python3") && fs::is_directory(datos, ec) && ultima < datos) ultima = datos;
  }
  return ultima;
}

std::string LeerCrLf(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::string salida;
  for (char c; f.get(c);) {
    if (c == '\n' && (salida.empty() || salida.back() != '\r')) salida.push_back('\r');
    salida.push_back(c);
  }
  return salida;
}

class CorpusTest : public ::testing::TestWithParam<Corpus> {};

TEST_P(CorpusTest, CadaMensajeComoSuVolcado) {
  const Corpus& corpus = GetParam();
  std::error_code ec;
  if (!fs::is_directory(corpus.carpeta, ec)) GTEST_SKIP() << "corpus not installed: " << corpus.carpeta;
  std::vector<fs::path> ficheros;
  for (const auto& e : fs::recursive_directory_iterator(corpus.carpeta, ec)) {
    const std::string n = e.path().filename().string();
    if (e.is_regular_file() && n.starts_with(corpus.prefijo) && n.ends_with(corpus.sufijo)) {
      ficheros.push_back(e.path());
    }
  }
  std::sort(ficheros.begin(), ficheros.end());
  ASSERT_FALSE(ficheros.empty());
  for (const fs::path& ruta : ficheros) {
    const std::string nombre = corpus.nombre + (" " + ruta.lexically_relative(corpus.carpeta).generic_string());
    pruebas::RegistroMensaje registro(LeerCrLf(ruta));
    EXPECT_VOLCADO(kVolcados, "volcados_corpus", nombre, pruebas::VolcarPartes(registro.Puntero()));
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest,
                         ::testing::Values(Corpus{"python", CorpusPython(), "msg_", ".txt"},
                                           Corpus{"enmime", "/usr/share/gocode/src/github.com/jhillyerd/enmime/testdata",
                                                  "", ".raw"}),
                         [](const ::testing::TestParamInfo<Corpus>& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orvex
