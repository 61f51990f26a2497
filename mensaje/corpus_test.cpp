// Real messages from a public test corpus, fed through the message object and checked
// against an independent decoder (Python's email package, run by a helper script).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/buffer_flujo.h"
#include "mensaje/salida_parte.h"
#include "mensaje/objeto_interno.h"
#include "pruebas/mensajes_mime.h"

namespace orvex {
namespace {

namespace fs = std::filesystem;

// One leaf part as the independent decoder reads it.
struct ParteReferencia {
  std::string tipo;         // "text/plain"
  std::string codificacion; // Content-Transfer-Encoding as written, "" when absent
  std::string nombre;
  std::string bytes;        // decoded payload
};

// One part as the message object hands it out.
struct ParteNuestra {
  std::string nombre;
  std::string contenido;
  uint32_t modo;  // transfer decoding applied: 0 none, 1 base64, 2 quoted-printable
};

// How a difference between the two readings shows itself.
enum class Diferencia {
  kSinPareja,     // a part we hand out whose bytes the other reading never produces
  kNoEntregada,   // a leaf of a type we select that we never hand out
  kNombre,        // same bytes, another name
};

const char* Texto(Diferencia d) {
  switch (d) {
    case Diferencia::kSinPareja: return "sin pareja";
    case Diferencia::kNoEntregada: return "no entregada";
    case Diferencia::kNombre: return "nombre";
  }
  return "?";
}

std::string Hex(const std::string& hex_texto) {
  if (hex_texto == "-") return "";
  std::string bytes;
  bytes.reserve(hex_texto.size() / 2);
  for (size_t i = 0; i + 1 < hex_texto.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex_texto.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string Campo(const std::string& s) { return s == "-" ? "" : s; }

std::string ACrLf(const std::string& texto) {
  std::string salida;
  salida.reserve(texto.size() + texto.size() / 16);
  for (size_t i = 0; i < texto.size(); ++i) {
    if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') continue;
    if (texto[i] == '\n') salida.push_back('\r');
    salida.push_back(texto[i]);
  }
  return salida;
}

std::string LeerFichero(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The email test data of whichever Python test suite is installed.
fs::path CorpusPython() {
  std::error_code ec;
  std::vector<fs::path> candidatas;
  for (const auto& e : fs::directory_iterator("/usr/lib", ec)) {
    if (e.path().filename().string().rfind("python3", 0) != 0) continue;
    fs::path datos = e.path() / "test" / "test_email" / "data";
    if (fs::is_directory(datos, ec)) candidatas.push_back(datos);
  }
  std::sort(candidatas.begin(), candidatas.end());
  return candidatas.empty() ? fs::path() : candidatas.back();
}

fs::path CorpusEnmime() { return "/usr/share/gocode/src/github.com/jhillyerd/enmime/testdata"; }

fs::path Script() {
  const char* fuentes = std::getenv("ORVEX_FUENTES");
  return fs::path(fuentes != nullptr ? fuentes : ".") / "pruebas" / "decodificar_partes.py";
}

// Runs the decoder over the folder; empty map when it could not run.
std::map<std::string, std::vector<ParteReferencia>> Referencia(const fs::path& carpeta,
                                                                const std::string& patron) {
  std::map<std::string, std::vector<ParteReferencia>> partes;
  // CTest may run the corpora in parallel processes: the name carries the corpus and the time.
  const auto ahora = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path salida = fs::temp_directory_path() / ("orvex_corpus_" + carpeta.filename().string() + "_" +
                                                       std::to_string(ahora) + ".tsv");
  const std::string orden = "python3 \"" + Script().string() + "\" \"" + carpeta.string() + "\" \"" + patron + "\" > \"" +
                            salida.string() + "\"";
  if (std::system(orden.c_str()) != 0) return partes;
  std::ifstream f(salida);
  std::string linea;
  while (std::getline(f, linea)) {
    std::vector<std::string> c;
    std::istringstream s(linea);
    for (std::string x; std::getline(s, x, '\t');) c.push_back(x);
    if (c.size() != 6) continue;
    partes[c[0]].push_back({Campo(c[2]), Campo(c[3]), Campo(c[4]), Hex(c[5])});
  }
  f.close();
  std::error_code ec;
  fs::remove(salida, ec);
  return partes;
}

std::vector<ParteNuestra> Entregadas(const std::string& texto) {
  std::vector<ParteNuestra> partes;
  pruebas::RegistroMensaje registro(texto);
  OE_OBJMSG* objeto = nullptr;
  if (OE_ObtenerObjMsg(registro.Puntero(), &objeto, OE_PRIMERO) != OE_OK || objeto == nullptr) return partes;
  while (OE_ObtenerObjMsg(registro.Puntero(), &objeto, OE_SIGUIENTE) == OE_OK) {
    const auto* contenido = static_cast<const CL_BUFFER_FLUJO*>(objeto->Contenido);
    partes.push_back({objeto->NombreAdjunto, std::string(contenido->Datos(), contenido->Longitud()),
                      mensaje::SalidaDe(objeto)->Modo()});
    if (partes.size() > 1000) {
      OE_ObtenerObjMsg(registro.Puntero(), &objeto, OE_CERRAR);
      break;
    }
  }
  return partes;
}

// How the object treats a leaf of the given type (as the other reading spells it, lower
// case): whether it selects it with its switches as constructed, and whether it keeps a name.
// Types are matched on their leading keyword; an application subtype other than postscript
// and oda, and a type that matches no keyword, count as application/octet-stream.
struct Trato {
  bool seleccionada;
  bool nombrable;
};

Trato TratoDe(const std::string& tipo) {
  const size_t barra = tipo.find('/');
  const std::string principal = tipo.substr(0, barra);
  const std::string sub = barra == std::string::npos ? "" : tipo.substr(barra + 1);
  auto empieza = [](const std::string& s, const char* p) { return s.rfind(p, 0) == 0; };
  if (empieza(principal, "application"))
    return empieza(sub, "postscript") || empieza(sub, "oda") ? Trato{false, false} : Trato{true, true};
  if (empieza(principal, "message") || empieza(principal, "multipart")) return {false, false};
  if (empieza(principal, "audio") || empieza(principal, "image")) return {true, false};
  if (empieza(principal, "text"))
    return empieza(sub, "plain") || empieza(sub, "html") || empieza(sub, "x-html") ? Trato{true, true}
                                                                                 : Trato{false, false};
  if (empieza(principal, "video") || empieza(principal, "x-")) return {true, false};
  return {true, true};
}

// How our content compares with the other reading's.
enum class Igualdad {
  kDistinta,
  kIgual,  // equal, but for the 0 byte that closes the lines of a part not base64-decoded
  // Also keeps the line end before the next delimiter, which the other reading counts as
  // part of the delimiter: the part's content is its lines as stored.
  kConFinDeLinea,
};

Igualdad Comparar(const ParteNuestra& nuestra, const std::string& referencia) {
  std::string_view c = nuestra.contenido;
  if (nuestra.modo != CL_SALIDA_PARTE::kModoBase64 && !c.empty() && c.back() == '\0') c.remove_suffix(1);
  if (c == referencia) return Igualdad::kIgual;
  if (c.size() == referencia.size() + 2 && c.substr(referencia.size()) == "\r\n" &&
      c.substr(0, referencia.size()) == referencia)
    return Igualdad::kConFinDeLinea;
  return Igualdad::kDistinta;
}

std::string Muestra(const std::string& bytes) {
  std::string m = ::testing::PrintToString(bytes.substr(0, 60));
  return m + (bytes.size() > 60 ? "..." : "");
}

std::string Describir(const ParteNuestra& p) {
  return "ours \"" + p.nombre + "\" modo " + std::to_string(p.modo) + ", " + std::to_string(p.contenido.size()) +
         " bytes " + Muestra(p.contenido);
}

std::string Describir(const ParteReferencia& p) {
  return "theirs " + p.tipo + " \"" + p.codificacion + "\" \"" + p.nombre + "\", " + std::to_string(p.bytes.size()) +
         " bytes " + Muestra(p.bytes);
}

struct Conocida {
  const char* corpus;
  const char* fichero;
  Diferencia diferencia;
  const char* motivo;
};

// Differences of our reading from the common one, each by design.
const Conocida kConocidas[] = {
    {"python", "msg_04.txt", Diferencia::kNombre, "the name stands only in Content-Disposition; names come from Content-Type"},
    {"python", "msg_13.txt", Diferencia::kSinPareja, "an unquoted boundary keeps the line's CR: its closing delimiter is missed"},
    {"python", "msg_13.txt", Diferencia::kNoEntregada, "the same image, decoded with the lines after it"},
    {"python", "msg_15.txt", Diferencia::kSinPareja, "\"Content-transfer-encoding\" in other case is not read: kept raw"},
    {"python", "msg_19.txt", Diferencia::kSinPareja, "a text without headers: its first lines count as the header block"},
    {"python", "msg_19.txt", Diferencia::kNoEntregada, "the same body, read by us without its first lines"},
    {"python", "msg_25.txt", Diferencia::kSinPareja, "a multipart without boundary opens a part at its first \"--\" line"},
    {"python", "msg_28.txt", Diferencia::kSinPareja, "an unquoted boundary keeps the line's CR: its closing delimiter is missed"},
    {"python", "msg_28.txt", Diferencia::kNoEntregada, "the same part, with the closing delimiter in it"},
    {"python", "msg_30.txt", Diferencia::kSinPareja, "an unquoted boundary keeps the line's CR: its closing delimiter is missed"},
    {"python", "msg_30.txt", Diferencia::kNoEntregada, "the same part, with the closing delimiter in it"},
    {"python", "msg_34.txt", Diferencia::kSinPareja, "an unquoted boundary keeps the line's CR: its closing delimiter is missed"},
    {"python", "msg_34.txt", Diferencia::kNoEntregada, "the same part, with the closing delimiter in it"},
    {"python", "msg_35.txt", Diferencia::kNoEntregada, "no empty line after the headers: the header block never ends"},
    {"python", "msg_36.txt", Diferencia::kNoEntregada, "\"Boundary=\" in other case is not read, nor is message/external-body"},
    {"python", "msg_38.txt", Diferencia::kSinPareja, "only the innermost multipart's delimiters end a part"},
    {"python", "msg_38.txt", Diferencia::kNoEntregada, "the same text, cut by us only at its own delimiter"},
    {"python", "msg_39.txt", Diferencia::kSinPareja, "nested multiparts share one boundary: parts nest otherwise"},
    {"python", "msg_42.txt", Diferencia::kSinPareja, "a closing delimiter seen first opens a part; outer ones are not seen"},
    {"enmime", "low-quality/bad-header-wrap.raw", Diferencia::kSinPareja,
     "a header line wrapped without a blank does not end our header block"},
    {"enmime", "low-quality/bad-header-wrap.raw", Diferencia::kNoEntregada,
     "the same part, whose header the other reading ends at that line"},
    {"enmime", "mail/erroneous.raw", Diferencia::kNoEntregada, "no empty line: the header block never ends"},
    {"enmime", "mail/mime-bad-8bit-filename.raw", Diferencia::kNombre,
     "we keep the name's 8-bit bytes and its line's CR; the other reading replaces them"},
    {"enmime", "mail/mime-bad-content-transfer-encoding.raw", Diferencia::kSinPareja,
     "text declared base64: invalid characters are skipped differently"},
    {"enmime", "mail/mime-bad-content-transfer-encoding.raw", Diferencia::kNoEntregada,
     "the same part, decoded by the other reading's rules"},
    {"enmime", "mail/mime-blank-media-name.raw", Diferencia::kNombre,
     "name=\"\" fails the quoted form; the unquoted one keeps quotes and CR"},
    {"enmime", "mail/mime-unquoted-tspecials-param.raw", Diferencia::kNombre,
     "an unquoted name ending its line keeps the line's CR"},
    {"enmime", "mail/qp-utf8-header-no-break.raw", Diferencia::kSinPareja,
     "no empty line after the headers: they end at the first empty line below"},
    {"enmime", "mail/qp-utf8-header-no-break.raw", Diferencia::kNoEntregada,
     "the same part, running on past its delimiter"},
    {"enmime", "parts/quoted-printable-invalid.raw", Diferencia::kSinPareja,
     "an escape stays open over non-hex letters: \"=od_a\" yields 0xDA"},
    {"enmime", "parts/quoted-printable-invalid.raw", Diferencia::kNoEntregada,
     "the same text, with \"=od\" kept literally by the other reading"},
};

struct Corpus {
  const char* nombre;
  fs::path (*carpeta)();
  const char* patron;
};

void PrintTo(const Corpus& c, std::ostream* os) { *os << c.nombre; }

class CorpusTest : public ::testing::TestWithParam<Corpus> {
 protected:
  void SetUp() override { VersionOE = VERSION_OE5; }
  void TearDown() override { VersionOE = VERSION_NINGUNA; }
};

TEST_P(CorpusTest, CadaParteCoincideConOtraLecturaSalvoDiferenciasConocidas) {
  const Corpus& corpus = GetParam();
  const fs::path carpeta = corpus.carpeta();
  std::error_code ec;
  if (carpeta.empty() || !fs::is_directory(carpeta, ec)) GTEST_SKIP() << "corpus not installed: " << carpeta;
  if (std::system("python3 -c \"import email\"") != 0) GTEST_SKIP() << "python3 is not available";
  if (!fs::exists(Script(), ec)) GTEST_SKIP() << "decoder script not found: " << Script();
  const auto referencia = Referencia(carpeta, corpus.patron);
  ASSERT_FALSE(referencia.empty()) << "the decoder gave no parts for " << carpeta;

  // Each difference found, with the first part that shows it, for the failure message.
  std::map<std::pair<std::string, Diferencia>, std::string> halladas;
  int mensajes = 0, partes = 0, iguales = 0, con_fin_de_linea = 0, sin_nombre_por_diseno = 0;
  for (const auto& [fichero, suyas] : referencia) {
    SCOPED_TRACE(fichero);
    ++mensajes;
    const auto nuestras = Entregadas(ACrLf(LeerFichero(carpeta / fichero)));
    std::vector<bool> usada(suyas.size(), false);
    for (const ParteNuestra& n : nuestras) {
      ++partes;
      size_t j = 0;
      Igualdad igualdad = Igualdad::kDistinta;
      for (; j < suyas.size(); ++j)
        if (!usada[j] && (igualdad = Comparar(n, suyas[j].bytes)) != Igualdad::kDistinta) break;
      if (j == suyas.size()) {
        halladas.emplace(std::pair{fichero, Diferencia::kSinPareja}, Describir(n));
        continue;
      }
      usada[j] = true;
      ++(igualdad == Igualdad::kIgual ? iguales : con_fin_de_linea);
      if (n.nombre == suyas[j].nombre) continue;
      if (n.nombre.empty() && !TratoDe(suyas[j].tipo).nombrable) {
        ++sin_nombre_por_diseno;  // only three types keep a name
        continue;
      }
      halladas.emplace(std::pair{fichero, Diferencia::kNombre}, Describir(n) + " vs \"" + suyas[j].nombre + "\"");
    }
    for (size_t j = 0; j < suyas.size(); ++j)
      if (!usada[j] && TratoDe(suyas[j].tipo).seleccionada && !suyas[j].bytes.empty())
        halladas.emplace(std::pair{fichero, Diferencia::kNoEntregada}, Describir(suyas[j]));
  }

  std::set<std::pair<std::string, Diferencia>> esperadas;
  for (const auto& c : kConocidas)
    if (std::string(c.corpus) == corpus.nombre) esperadas.insert({c.fichero, c.diferencia});
  std::ostringstream informe;
  for (const auto& [clave, detalle] : halladas)
    if (!esperadas.count(clave))
      informe << "  new: " << clave.first << " " << Texto(clave.second) << ": " << detalle << "\n";
  for (const auto& [f, d] : esperadas)
    if (!halladas.count({f, d})) informe << "  gone: " << f << " " << Texto(d) << "\n";
  std::cout << "[corpus " << corpus.nombre << "] " << mensajes << " messages, " << partes << " parts handed out: "
            << iguales << " equal, " << con_fin_de_linea << " equal but for the kept line end, "
            << sin_nombre_por_diseno << " of them unnamed by design; " << halladas.size()
            << " differences (" << esperadas.size() << " known)\n";
  EXPECT_TRUE(informe.str().empty()) << informe.str();
}

// Where our reading differs from the common one by design, what we hand out instead.
TEST_P(CorpusTest, DiferenciasPorDisenoEntreganLoPrevisto) {
  struct Caso {
    const char* corpus;
    const char* fichero;
    size_t partes;    // parts handed out
    size_t parte;     // 1-based part checked, 0 for none
    std::string nombre;
    uint32_t modo;
    std::string contiene;  // a stretch of the content
  };
  const Caso casos[] = {
      // Content-Transfer-Encoding in other case is not read: the image stays as stored.
      {"python", "msg_15.txt", 3, 3, "", 4, std::string("Some removed base64 encoded chars.\r\n\r\n\0", 39)},
      // A name only in Content-Disposition is not kept.
      {"python", "msg_04.txt", 2, 1, "", 4, "a simple kind of mirror\r\n"},
      // An unquoted boundary keeps its CR, so the closing delimiter stays in the last part.
      {"python", "msg_28.txt", 2, 2, "", 4, "message 2\r\n\r\n--BOUNDARY--\r\n"},
      // A header block without an empty line after it never ends: nothing is handed out.
      {"python", "msg_35.txt", 0, 0, "", 0, ""},
      // An image is handed out decoded and without its name.
      {"python", "msg_07.txt", 2, 2, "", 1, "GIF87a"},
      // An unquoted name ending its line keeps the CR.
      {"enmime", "mail/mime-unquoted-tspecials-param.raw", 2, 2, "Invoice_(302232133150612).pdf\r", 1, "%PDF-1.2"},
      // name="" fails the quoted form; the unquoted form keeps the two quotes and the CR.
      {"enmime", "mail/mime-blank-media-name.raw", 2, 2, "\"\"\r", 1, "%PDF-1.2"},
      // 8-bit bytes of an unquoted name are kept as they stand, with the line's CR.
      {"enmime", "mail/mime-bad-8bit-filename.raw", 2, 2, "\xE7\xAE\xA1\xE7\x90\x86.doc\r", 1, "<html>\n"},
      // A quoted-printable escape stays open over letters that are not hexadecimal digits.
      {"enmime", "parts/quoted-printable-invalid.raw", 1, 1, "", 2, "B002M8EEW8/ref\xDAui_detail"},
  };
  const Corpus& corpus = GetParam();
  const fs::path carpeta = corpus.carpeta();
  std::error_code ec;
  if (carpeta.empty() || !fs::is_directory(carpeta, ec)) GTEST_SKIP() << "corpus not installed: " << carpeta;
  for (const Caso& c : casos) {
    if (std::string(c.corpus) != corpus.nombre) continue;
    SCOPED_TRACE(c.fichero);
    const fs::path ruta = carpeta / c.fichero;
    ASSERT_TRUE(fs::is_regular_file(ruta, ec));
    const auto nuestras = Entregadas(ACrLf(LeerFichero(ruta)));
    ASSERT_EQ(nuestras.size(), c.partes);
    if (c.parte == 0) continue;
    const ParteNuestra& n = nuestras[c.parte - 1];
    EXPECT_EQ(n.nombre, c.nombre);
    EXPECT_EQ(n.modo, c.modo);
    EXPECT_NE(n.contenido.find(c.contiene), std::string::npos) << Muestra(n.contenido);
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest,
                         ::testing::Values(Corpus{"python", CorpusPython, "msg_*.txt"},
                                           Corpus{"enmime", CorpusEnmime, "*.raw"}),
                         [](const ::testing::TestParamInfo<Corpus>& info) { return std::string(info.param.nombre); });

}  // namespace
}  // namespace orvex
