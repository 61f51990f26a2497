// Real messages from public test corpora, fed through the message object and checked part by
// part against an independent reading (Python's email package, run by a helper script).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "api/orvex.h"
#include "soporte/buffer_flujo.h"
#include "mensaje/objeto_interno.h"
#include "mensaje/salida_parte.h"
#include "mime/cabeceras.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/tablas.h"

namespace orvex {
namespace {

namespace fs = std::filesystem;

struct ParteSuya {
  std::string tipo, nombre, bytes;  // type in lower case, decoded payload
};

struct ParteNuestra {
  std::string nombre, contenido;
  uint32_t modo;  // transfer decoding applied: 0 none, 1 base64, 2 quoted-printable
};

// How a difference between the two readings shows itself.
enum Diferencia : unsigned {
  kSinPareja = 1,    // a part we hand out whose bytes the other reading never produces
  kNoEntregada = 2,  // a leaf of a type we select that we never hand out
  kNombre = 4,       // same bytes, another name
};

struct Corpus { const char* nombre; fs::path carpeta; const char* patron; };

void PrintTo(const Corpus& c, std::ostream* os) { *os << c.nombre; }

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

fs::path Script() {
  const char* fuentes = std::getenv("ORVEX_FUENTES");
  return fs::path(fuentes != nullptr ? fuentes : ".") / "pruebas" / "decodificar_partes.py";
}

std::string LeerCrLf(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  std::string salida;
  for (char c : s.str()) {
    if (c == '\n' && (salida.empty() || salida.back() != '\r')) salida.push_back('\r');
    salida.push_back(c);
  }
  return salida;
}

// The other reading of every file in the folder, by file; empty when it could not run.
std::map<std::string, std::vector<ParteSuya>> Referencia(const Corpus& corpus) {
  std::map<std::string, std::vector<ParteSuya>> partes;
  pruebas::DirectorioTemporal dir;
  const std::string salida = dir.RutaDe("partes.tsv");
  const std::string orden = "python3 \"" + Script().string() + "\" \"" + corpus.carpeta.string() + "\" \"" +
                            corpus.patron + "\" > \"" + salida + "\"";
  if (std::system(orden.c_str()) != 0) return partes;
  std::ifstream f(salida);
  for (std::string linea; std::getline(f, linea);) {
    std::vector<std::string> c;
    std::istringstream s(linea);
    for (std::string x; std::getline(s, x, '\t');) c.push_back(x == "-" ? "" : x);
    if (c.size() != 6) continue;
    std::string bytes;
    for (size_t i = 0; i + 1 < c[5].size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(c[5].substr(i, 2), nullptr, 16)));
    partes[c[0]].push_back({c[2], c[4], bytes});
  }
  return partes;
}

std::vector<ParteNuestra> Entregadas(const std::string& texto) {
  std::vector<ParteNuestra> partes;
  pruebas::RegistroMensaje registro(texto);
  OE_OBJMSG* o = nullptr;
  if (OE_ObtenerObjMsg(registro.Puntero(), &o, OE_PRIMERO) != OE_OK) return partes;
  while (partes.size() < 1000 && OE_ObtenerObjMsg(registro.Puntero(), &o, OE_SIGUIENTE) == OE_OK) {
    const auto* c = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
    partes.push_back({o->NombreAdjunto, std::string(c->Datos(), c->Longitud()), mensaje::SalidaDe(o)->Modo()});
  }
  if (o != nullptr) OE_ObtenerObjMsg(registro.Puntero(), &o, OE_CERRAR);
  return partes;
}

// Whether the object selects a leaf of this type with its switches as constructed, and
// whether it keeps its name: application/octet-stream (the fallback of any unknown type),
// text/plain and text/html keep theirs; image, audio, video and x- lose it.
struct Trato { bool seleccionada, nombrable; };

Trato TratoDe(const std::string& tipo) {
  const uint32_t t = ClasificarTipo(tipo.c_str());
  const uint32_t s = ClasificarSubtipo(t, tipo.find('/') == std::string::npos ? "" : tipo.c_str() + tipo.find('/') + 1);
  if (t == TIPO_APPLICATION) return {s == SUBTIPO_OCTET_STREAM, true};
  if (t == TIPO_TEXT) return {s != SUBTIPO_OTRO, s != SUBTIPO_OTRO};
  return {t >= TIPO_IMAGE && t <= TIPO_X, false};  // message and multipart are never selected
}

// Equal but for the 0 byte that closes the lines of a part not base64-decoded, and for the
// line end before the next delimiter that ours keeps (the other reading counts it in the
// delimiter).
bool Comparar(const ParteNuestra& nuestra, std::string_view suya) {
  std::string_view c = nuestra.contenido;
  if (nuestra.modo != CL_SALIDA_PARTE::kModoBase64 && c.ends_with('\0')) c.remove_suffix(1);
  return c == suya || (c.size() == suya.size() + 2 && c.ends_with("\r\n") && c.starts_with(suya));
}

std::string Muestra(const std::string& bytes) {
  return std::to_string(bytes.size()) + " bytes " + ::testing::PrintToString(bytes.substr(0, 60));
}

class CorpusTest : public ::testing::TestWithParam<Corpus> {
 protected:
  void SetUp() override {
    std::error_code ec;
    if (!fs::is_directory(GetParam().carpeta, ec)) GTEST_SKIP() << "corpus not installed: " << GetParam().carpeta;
  }
};

TEST_P(CorpusTest, CadaParteCoincideConOtraLecturaSalvoDiferenciasConocidas) {
  const Corpus& corpus = GetParam();
  std::error_code ec;
  if (std::system("python3 -c \"import email\"") != 0) GTEST_SKIP() << "python3 is not available";
  if (!fs::exists(Script(), ec)) GTEST_SKIP() << "decoder script not found: " << Script();
  const auto referencia = Referencia(corpus);
  ASSERT_FALSE(referencia.empty()) << "the decoder gave no parts for " << corpus.carpeta;

  std::map<std::string, unsigned> halladas, esperadas;
  std::ostringstream informe;  // the first part that shows each difference found
  auto hallar = [&](const std::string& fichero, Diferencia d, const std::string& detalle) {
    if (!(halladas[fichero] & d)) informe << "  " << fichero << " (" << d << "): " << detalle << "\n";
    halladas[fichero] |= d;
  };
  for (const auto& [fichero, suyas] : referencia) {
    std::vector<bool> usada(suyas.size(), false);
    for (const ParteNuestra& n : Entregadas(LeerCrLf(corpus.carpeta / fichero))) {
      size_t j = 0;
      while (j < suyas.size() && (usada[j] || !Comparar(n, suyas[j].bytes))) ++j;
      const std::string nuestra = "ours \"" + n.nombre + "\" modo " + std::to_string(n.modo) + ", " + Muestra(n.contenido);
      if (j == suyas.size()) {
        hallar(fichero, kSinPareja, nuestra);
        continue;
      }
      usada[j] = true;
      // Only three types keep a name.
      if (n.nombre != suyas[j].nombre && !(n.nombre.empty() && !TratoDe(suyas[j].tipo).nombrable)) {
        hallar(fichero, kNombre, nuestra + " vs \"" + suyas[j].nombre + "\"");
      }
    }
    for (size_t j = 0; j < suyas.size(); ++j) {
      if (!usada[j] && TratoDe(suyas[j].tipo).seleccionada && !suyas[j].bytes.empty()) {
        hallar(fichero, kNoEntregada, "theirs " + suyas[j].tipo + " \"" + suyas[j].nombre + "\", " + Muestra(suyas[j].bytes));
      }
    }
  }
  for (const std::vector<std::string>& c : pruebas::Filas(
#include "pruebas/datos/corpus_diferencias.inc"
           )) {
    if (c.at(0) == corpus.nombre) esperadas[c.at(1)] = static_cast<unsigned>(std::stoul(c.at(2)));
  }
  // A known difference that is gone, or a new one, fails alike: both change what a host sees.
  EXPECT_EQ(halladas, esperadas) << "differences (1 no match, 2 not handed out, 4 name):\n" << informe.str();
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest,
                         ::testing::Values(Corpus{"python", CorpusPython(), "msg_*.txt"},
                                           Corpus{"enmime", "/usr/share/gocode/src/github.com/jhillyerd/enmime/testdata",
                                                  "*.raw"}),
                         [](const ::testing::TestParamInfo<Corpus>& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orvex
