#include "mime/codecs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mensaje/buffer_flujo.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

// ---------------------------------------------------------------------------------------
// Plain one-byte-at-a-time codecs, written step by step from the algorithm text. The fast
// codecs must give exactly their bytes.

const char kAlfabetoRef[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValorRef(unsigned char b) {
  if (b == 0) return 127;
  const char* p = std::strchr(kAlfabetoRef, b);
  return p == nullptr ? 127 : static_cast<int>(p - kAlfabetoRef);
}

int HexRef(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 127;
}

std::string RefDecodificarBase64(const std::string& s) {
  std::string salida;
  int grupo[4];
  int num = 0;
  for (unsigned char b : s) {
    const int v = ValorRef(b);
    if (v == 127) continue;
    grupo[num++] = v;
    if (num == 4) {
      salida += static_cast<char>((grupo[0] << 2) | (grupo[1] >> 4));
      salida += static_cast<char>(((grupo[1] & 15) << 4) | (grupo[2] >> 2));
      salida += static_cast<char>(((grupo[2] & 3) << 6) | grupo[3]);
      num = 0;
    }
  }
  if (num == 3) {
    salida += static_cast<char>((grupo[0] << 2) | (grupo[1] >> 4));
    salida += static_cast<char>(((grupo[1] & 15) << 4) | (grupo[2] >> 2));
  } else if (num == 2) {
    salida += static_cast<char>((grupo[0] << 2) | (grupo[1] >> 4));
  } else if (num == 1) {
    salida += static_cast<char>((grupo[0] << 2) & 0xFF);
  }
  return salida;
}

std::string RefCodificarBase64(const std::string& s) {
  std::string salida;
  unsigned char octetos[3];
  int num = 0;
  int linea = 0;
  for (unsigned char b : s) {
    octetos[num++] = b;
    if (num == 3) {
      const char grupo[4] = {kAlfabetoRef[octetos[0] >> 2],
                             kAlfabetoRef[((octetos[0] & 3) << 4) | (octetos[1] >> 4)],
                             kAlfabetoRef[((octetos[1] & 15) << 2) | (octetos[2] >> 6)],
                             kAlfabetoRef[octetos[2] & 63]};
      num = 0;
      if (linea + 4 > 76) {
        salida += "\r\n";
        linea = 0;
      }
      salida.append(grupo, 4);
      linea += 4;
    }
  }
  std::string grupo;
  if (num == 1) {
    grupo += kAlfabetoRef[octetos[0] >> 2];
    grupo += kAlfabetoRef[(octetos[0] & 3) << 4];
    grupo += "==";
  } else if (num == 2) {
    grupo += kAlfabetoRef[octetos[0] >> 2];
    grupo += kAlfabetoRef[((octetos[0] & 3) << 4) | (octetos[1] >> 4)];
    grupo += kAlfabetoRef[(octetos[1] & 15) << 2];
    grupo += "=";
  }
  if (linea + static_cast<int>(grupo.size()) > 76) salida += "\r\n";
  salida += grupo;
  salida += "\r\n";
  return salida;
}

bool EsFinLineaRef(unsigned char c) { return c == '\r' || c == '\n'; }

std::string RefDecodificarQP(const std::string& s) {
  std::string salida;
  std::string escape;
  for (unsigned char c : s) {
    if (escape.empty()) {
      escape += static_cast<char>(c);
    } else if (HexRef(c) != 127 || EsFinLineaRef(c)) {
      escape += static_cast<char>(c);
    }
    if (escape.size() == 1) {
      if (escape[0] != '=') {
        salida += escape[0];
        escape.clear();
      }
    } else if (escape.size() == 3) {
      const unsigned char x = escape[1];
      const unsigned char y = escape[2];
      if ((x == '\r' && y == '\n') || (x == '\n' && y == '\r')) {
        escape.clear();
      } else if (EsFinLineaRef(x)) {
        escape = std::string(1, static_cast<char>(y));
        if (y != '=') {
          salida += static_cast<char>(y);
          escape.clear();
        }
      } else if (EsFinLineaRef(y)) {
        // Our choice for a hex digit followed by a line end: keep what was written.
        salida += '=';
        salida += static_cast<char>(x);
        salida += static_cast<char>(y);
        escape.clear();
      } else {
        salida += static_cast<char>((HexRef(x) << 4) | HexRef(y));
        escape.clear();
      }
    }
  }
  return salida;
}

std::string RefCodificarQP(const std::string& s) {
  std::string salida;
  int linea = 0;
  for (unsigned char c : s) {
    char texto[8];
    if ((c >= 33 && c <= 60) || (c >= 62 && c <= 126)) {
      texto[0] = static_cast<char>(c);
      texto[1] = 0;
    } else {
      std::snprintf(texto, sizeof texto, "=%X%X", c >> 4, c & 15);
    }
    const int longitud = static_cast<int>(std::strlen(texto));
    if (linea + longitud >= 75) {
      salida += "=\r\n";
      linea = 0;
    }
    salida += texto;
    linea += longitud;
  }
  salida += "=\r\n";
  return salida;
}

// ---------------------------------------------------------------------------------------
// Running the real codecs from one stream buffer into another.

enum class Direccion { kCodificarBase64, kDecodificarBase64, kCodificarQP, kDecodificarQP };

struct Codecs : CL_CODIFICADOR_BASE64,
                CL_DECODIFICADOR_BASE64,
                CL_CODIFICADOR_QP,
                CL_DECODIFICADOR_QP {};

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

std::string Ejecutar(Direccion d, const std::string& entrada) {
  Codecs codecs;
  CL_BUFFER_FLUJO origen;
  CL_BUFFER_FLUJO destino;
  origen.Anadir(entrada.data(), static_cast<uint32_t>(entrada.size()));
  int r = -1;
  switch (d) {
    case Direccion::kCodificarBase64:
      r = codecs.CL_CODIFICADOR_BASE64::Codificar(origen, destino);
      break;
    case Direccion::kDecodificarBase64:
      r = codecs.CL_DECODIFICADOR_BASE64::Decodificar(origen, destino);
      break;
    case Direccion::kCodificarQP:
      r = codecs.CL_CODIFICADOR_QP::Codificar(origen, destino);
      break;
    case Direccion::kDecodificarQP:
      r = codecs.CL_DECODIFICADOR_QP::Decodificar(origen, destino);
      break;
  }
  EXPECT_EQ(r, 0);
  EXPECT_EQ(destino.Datos()[destino.Longitud()], 0) << "no NUL behind the output";
  return Texto(destino);
}

std::string Referencia(Direccion d, const std::string& entrada) {
  switch (d) {
    case Direccion::kCodificarBase64:
      return RefCodificarBase64(entrada);
    case Direccion::kDecodificarBase64:
      return RefDecodificarBase64(entrada);
    case Direccion::kCodificarQP:
      return RefCodificarQP(entrada);
    case Direccion::kDecodificarQP:
      return RefDecodificarQP(entrada);
  }
  return {};
}

// Rewrites "\r\n" as "\n" to run a case with LF line ends.
std::string ConLF(const std::string& s) {
  std::string r;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    r += s[i];
  }
  return r;
}

std::string Repetir(char c, std::size_t n) { return std::string(n, c); }

// ---------------------------------------------------------------------------------------
// Golden pairs.

struct Caso {
  const char* nombre;
  std::string entrada;
  std::string esperado;
};

void ComprobarCasos(Direccion d, const std::vector<Caso>& casos) {
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(Ejecutar(d, caso.entrada), caso.esperado);
    EXPECT_EQ(Referencia(d, caso.entrada), caso.esperado) << "the reference disagrees";
    if (d == Direccion::kDecodificarBase64) {
      // Line ends are junk to base64: LF-only text decodes the same.
      EXPECT_EQ(Ejecutar(d, ConLF(caso.entrada)), caso.esperado) << "with LF line ends";
    }
  }
}

TEST(DecodificadorBase64Test, ParesDeReferencia) {
  const std::string kNul(1, '\0');
  ComprobarCasos(Direccion::kDecodificarBase64,
                 {
                     {"grupo completo y CR LF", "QUJD\r\n", "ABC"},
                     {"grupo completo y LF", "QUJD\n", "ABC"},
                     {"un relleno", "QUI=", "AB"},
                     {"dos rellenos", "QQ==", "A"},
                     {"un solo caracter", "Q", "@"},
                     {"un solo caracter tras grupo", "QUJDx", std::string("ABC") + "\xC4"},
                     {"relleno en medio", "QQ==QQ==", "A\x04\x10"},
                     {"relleno en medio con CR LF", "QQ==\r\nQQ==\r\n", "A\x04\x10"},
                     {"vacio", "", ""},
                     {"solo basura", "=\r\n \t*", ""},
                     {"basura dentro de grupos", "Q U\x80J" + kNul + "D", "ABC"},
                     {"NUL final del buffer crudo", "QUJD\r\n" + kNul, "ABC"},
                     {"lineas CR LF", "QUJD\r\nREVG\r\n", "ABCDEF"},
                     {"lineas LF", "QUJD\nREVG\n", "ABCDEF"},
                     {"todos los valores", "+/+/", "\xFB\xFF\xBF"},
                 });
}

TEST(CodificadorBase64Test, ParesDeReferencia) {
  std::string a76;
  for (int i = 0; i < 19; ++i) a76 += "QUFB";
  ComprobarCasos(Direccion::kCodificarBase64,
                 {
                     {"vacio", "", "\r\n"},
                     {"un byte", "A", "QQ==\r\n"},
                     {"dos bytes", "AB", "QUI=\r\n"},
                     {"tres bytes", "ABC", "QUJD\r\n"},
                     {"57 bytes, una linea", Repetir('A', 57), a76 + "\r\n"},
                     {"58 bytes", Repetir('A', 58), a76 + "\r\nQQ==\r\n"},
                     {"60 bytes", Repetir('A', 60), a76 + "\r\nQUFB\r\n"},
                     {"114 bytes, dos lineas", Repetir('A', 114), a76 + "\r\n" + a76 + "\r\n"},
                     {"CR LF se codifica", "\r\n", "DQo=\r\n"},
                     {"bytes altos", "\xFF\xFE\xFD", "//79\r\n"},
                 });
}

TEST(DecodificadorQPTest, ParesDeReferencia) {
  const std::string kNul(1, '\0');
  ComprobarCasos(Direccion::kDecodificarQP,
                 {
                     {"escape mayusculas", "=41", "A"},
                     {"escape minusculas", "=4a", "J"},
                     {"salto suave CR LF", "=\r\n", ""},
                     {"salto suave LF CR", "=\n\r", ""},
                     {"salto suave solo LF pierde la letra siguiente", "ho=\nla", "hoa"},
                     {"salto suave solo LF antes de digito", "ho=\n41", "ho41"},
                     {"salto suave entre palabras", "ho=\r\nla", "hola"},
                     {"blanco dentro del escape", "= 41", "A"},
                     {"LF y letra hex", "=\nA", "A"},
                     {"LF y palabra", "=\nhello", "ello"},
                     {"igual dentro del escape se salta", "=\n==41", "41"},
                     {"CR CR", "=\r\r", "\r"},
                     {"LF LF", "=\n\nx", "\nx"},
                     {"igual final", "abc=", "abc"},
                     {"escape a medias al final", "abc=4", "abc"},
                     {"digito y CR LF", "=4\r\nx", "=4\r\nx"},
                     {"digito y LF", "=4\nx", "=4\nx"},
                     {"saltos duros y blancos finales", "a  \r\nb\t\nc", "a  \r\nb\t\nc"},
                     {"NUL y bytes altos pasan", "a" + kNul + "\xE9", "a" + kNul + "\xE9"},
                     {"letras mas alla de F se saltan", "=G4Z1", "A"},
                     {"escape de igual", "=3D=3d", "=="},
                     {"vacio", "", ""},
                 });
}

TEST(CodificadorQPTest, ParesDeReferencia) {
  ComprobarCasos(Direccion::kCodificarQP,
                 {
                     {"vacio", "", "=\r\n"},
                     {"blanco", " ", "=20=\r\n"},
                     {"igual", "=", "=3D=\r\n"},
                     {"CR LF", "\r\n", "=0D=0A=\r\n"},
                     {"tab y DEL", "\t\x7F", "=09=7F=\r\n"},
                     {"byte alto", "\xE9", "=E9=\r\n"},
                     {"NUL", std::string(1, '\0'), "=00=\r\n"},
                     {"limites imprimibles", "!<>~", "!<>~=\r\n"},
                     {"DEL entre letras", "abcdefgh\x7Fijklmnopq", "abcdefgh=7Fijklmnopq=\r\n"},
                     {"igual entre letras", "abcdefgh=ijklmnopq", "abcdefgh=3Dijklmnopq=\r\n"},
                     {"100 letras", Repetir('a', 100),
                      Repetir('a', 74) + "=\r\n" + Repetir('a', 26) + "=\r\n"},
                     {"74 letras", Repetir('a', 74), Repetir('a', 74) + "=\r\n"},
                     {"75 letras", Repetir('a', 75), Repetir('a', 74) + "=\r\na=\r\n"},
                     {"escape al borde", Repetir('a', 72) + " ",
                      Repetir('a', 72) + "=\r\n=20=\r\n"},
                     {"escape justo antes del borde", Repetir('a', 71) + " ",
                      Repetir('a', 71) + "=20=\r\n"},
                 });
}

// ---------------------------------------------------------------------------------------
// Random inputs against the reference.

std::string BytesAleatorios(std::mt19937& rng, std::size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// Text drawn from a weighted pool of pieces, so that the interesting bytes are common.
std::string TextoAleatorio(std::mt19937& rng, const std::vector<std::string>& piezas,
                           std::size_t n) {
  std::string s;
  while (s.size() < n) s += piezas[rng() % piezas.size()];
  return s;
}

std::vector<std::string> PiezasBase64() {
  std::vector<std::string> p;
  for (const char* c = kAlfabetoRef; *c != 0; ++c) p.push_back(std::string(1, *c));
  for (int i = 0; i < 8; ++i) p.push_back("QUJD");  // long clean runs
  for (const char* j : {"=", "==", "\r\n", "\n", " ", "\t", "\x80", "\xFF", "*", "-"}) p.push_back(j);
  p.push_back(std::string(1, '\0'));
  return p;
}

std::vector<std::string> PiezasQP() {
  std::vector<std::string> p;
  for (const char* j : {"a", "b", "z", "G", "h", "0", "9", "A", "f", "F", " ", "\t", "\r\n",
                        "\n", "\r", "=", "=", "=\r\n", "=\n", "=41", "=4a", "=3D", "=4",
                        "= ", "=\r", "\x80", "\xE9", "hola ", "  \r\n"}) {
    p.push_back(j);
  }
  p.push_back(std::string(1, '\0'));
  return p;
}

// Mail-like text: long runs of plain characters, so the word-at-a-time paths run too.
std::vector<std::string> PiezasTexto() {
  return {"Estimado", " cliente", ",", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789abcdef",
          "\r\n", "\n", "=", "=3D", "caf\xE9", "~!<>", "\t", "  ", "\x7F", " "};
}

struct Generador {
  const char* nombre;
  Direccion direccion;
  int tipo;  // 0 random bytes, 1 base64-like text, 2 quoted-printable-like text, 3 mail text
};

void PrintTo(const Generador& g, std::ostream* os) { *os << g.nombre; }

class EquivalenciaTest : public ::testing::TestWithParam<Generador> {};

TEST_P(EquivalenciaTest, IgualQueLaReferencia) {
  const Generador& g = GetParam();
  std::mt19937 rng(12345 + static_cast<int>(g.direccion) * 7 + g.tipo);
  const auto piezas = g.tipo == 1 ? PiezasBase64() : g.tipo == 2 ? PiezasQP() : PiezasTexto();
  for (int i = 0; i < 3000; ++i) {
    // Mostly short inputs, around the line and group sizes, with some long ones.
    std::size_t n = rng() % 300;
    if (i % 50 == 0) n = rng() % 20000;
    std::string entrada = g.tipo == 0 ? BytesAleatorios(rng, n) : TextoAleatorio(rng, piezas, n);
    if (g.tipo == 3 && g.direccion == Direccion::kDecodificarQP && i % 2 == 0) {
      entrada = RefCodificarQP(entrada);  // real encoded text, soft breaks and all
    }
    const std::string real = Ejecutar(g.direccion, entrada);
    const std::string ref = Referencia(g.direccion, entrada);
    if (real != ref) {
      FAIL() << "input " << i << " of " << entrada.size() << " bytes differs";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, EquivalenciaTest,
    ::testing::Values(Generador{"CodificarBase64Bytes", Direccion::kCodificarBase64, 0},
                      Generador{"DecodificarBase64Bytes", Direccion::kDecodificarBase64, 0},
                      Generador{"DecodificarBase64Texto", Direccion::kDecodificarBase64, 1},
                      Generador{"CodificarQPBytes", Direccion::kCodificarQP, 0},
                      Generador{"CodificarQPTexto", Direccion::kCodificarQP, 2},
                      Generador{"CodificarQPCorreo", Direccion::kCodificarQP, 3},
                      Generador{"DecodificarQPCorreo", Direccion::kDecodificarQP, 3},
                      Generador{"DecodificarQPBytes", Direccion::kDecodificarQP, 0},
                      Generador{"DecodificarQPTexto", Direccion::kDecodificarQP, 2}),
    [](const ::testing::TestParamInfo<Generador>& info) { return info.param.nombre; });

TEST(CodecsTest, DecodificarCodificadoDevuelveElOriginal) {
  std::mt19937 rng(777);
  for (int i = 0; i < 2000; ++i) {
    const std::string x = BytesAleatorios(rng, rng() % 500);
    EXPECT_EQ(Ejecutar(Direccion::kDecodificarBase64, Ejecutar(Direccion::kCodificarBase64, x)),
              x);
    EXPECT_EQ(Ejecutar(Direccion::kDecodificarQP, Ejecutar(Direccion::kCodificarQP, x)), x);
  }
}

TEST(CodecsTest, LineasCodificadasRespetanSusLimites) {
  std::mt19937 rng(99);
  for (int i = 0; i < 200; ++i) {
    const std::string x = BytesAleatorios(rng, rng() % 3000);
    const std::string b64 = Ejecutar(Direccion::kCodificarBase64, x);
    const std::string qp = Ejecutar(Direccion::kCodificarQP, x);
    ASSERT_EQ(b64.size(), codec::TamanoBase64(x.size()));
    ASSERT_LE(qp.size(), codec::TamanoMaximoQP(x.size()));
    std::size_t inicio = 0;
    for (std::size_t fin; (fin = b64.find("\r\n", inicio)) != std::string::npos; inicio = fin + 2) {
      ASSERT_LE(fin - inicio, 76u);
      if (fin + 2 < b64.size()) {
        ASSERT_EQ(fin - inicio, 76u);
      }
    }
    ASSERT_EQ(inicio, b64.size());
    inicio = 0;
    for (std::size_t fin; (fin = qp.find("=\r\n", inicio)) != std::string::npos; inicio = fin + 3) {
      ASSERT_LE(fin - inicio, 74u);
      ASSERT_EQ(qp.substr(inicio, fin - inicio).find_first_of("\r\n"), std::string::npos);
    }
    ASSERT_EQ(inicio, qp.size());
  }
}

// The cores write into blocks of exactly their bound: a sanitizer build catches any byte
// written past it.
TEST(CodecsTest, NucleosNoEscribenMasAllaDeSuCota) {
  std::mt19937 rng(4242);
  std::vector<std::string> entradas = {"", "Q", "QU", "QUJ", "=", "=4", "=4\r", "=4\n=4\n",
                                       Repetir('\xFF', 1000), Repetir('Q', 1001),
                                       Repetir(' ', 777), Repetir('a', 75)};
  for (int i = 0; i < 300; ++i) {
    entradas.push_back(i % 2 ? BytesAleatorios(rng, rng() % 2000)
                             : TextoAleatorio(rng, PiezasQP(), rng() % 2000));
  }
  for (const std::string& e : entradas) {
    const auto* d = reinterpret_cast<const uint8_t*>(e.data());
    const std::size_t n = e.size();
    ESTADO_BASE64 eb;
    ESTADO_QP eq;
    const std::size_t cb = codec::TamanoBase64(n);
    ASSERT_EQ(codec::CodificarBase64(d, n, std::make_unique<uint8_t[]>(cb).get(), eb), cb);
    const std::size_t db = codec::TamanoMaximoDecodificadoBase64(n);
    ASSERT_LE(codec::DecodificarBase64(d, n, std::make_unique<uint8_t[]>(db).get(), eb), db);
    const std::size_t cq = codec::TamanoMaximoQP(n);
    ASSERT_LE(codec::CodificarQP(d, n, std::make_unique<uint8_t[]>(cq).get(), eq), cq);
    const std::size_t dq = codec::TamanoMaximoDecodificadoQP(n);
    ASSERT_LE(codec::DecodificarQP(d, n, std::make_unique<uint8_t[]>(dq).get(), eq), dq);
  }
}

// ---------------------------------------------------------------------------------------
// Buffer behaviour.

TEST(CodecsTest, AnadenTrasElDestinoSinMoverSuPosicion) {
  Codecs codecs;
  CL_BUFFER_FLUJO origen;
  origen.Anadir("QUJD", 4);
  CL_BUFFER_FLUJO destino;
  destino.Anadir("previo", 6);
  ASSERT_EQ(destino.Posicionar(2, 0), 0);
  ASSERT_EQ(codecs.CL_DECODIFICADOR_BASE64::Decodificar(origen, destino), 0);
  EXPECT_EQ(Texto(destino), "previoABC");
  EXPECT_EQ(destino.ObtenerPosicion(), 2u);
}

TEST(CodecsTest, NoLeenMasAllaDeLongitud) {
  struct CasoLongitud {
    const char* nombre;
    Direccion direccion;
    std::string bloque;
    uint32_t longitud;
    std::string esperado;
  };
  const std::vector<CasoLongitud> casos = {
      {"base64", Direccion::kDecodificarBase64, "QUJDREVG", 4, "ABC"},
      {"base64 grupo partido", Direccion::kDecodificarBase64, "QUJDREVG", 6, "ABCD"},
      {"qp escape partido", Direccion::kDecodificarQP, "ab=41", 3, "ab"},
      {"qp salto partido", Direccion::kDecodificarQP, "ab=\r\nc", 4, "ab"},
      {"codificar base64", Direccion::kCodificarBase64, "ABCDEF", 3, "QUJD\r\n"},
      {"codificar qp", Direccion::kCodificarQP, "ab c", 2, "ab=\r\n"},
  };
  for (const CasoLongitud& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Codecs codecs;
    CL_BUFFER_FLUJO origen;
    CL_BUFFER_FLUJO destino;
    origen.Anadir(caso.bloque.data(), static_cast<uint32_t>(caso.bloque.size()));
    origen.CL_BUFFER::FijarLongitud(caso.longitud);
    switch (caso.direccion) {
      case Direccion::kCodificarBase64:
        codecs.CL_CODIFICADOR_BASE64::Codificar(origen, destino);
        break;
      case Direccion::kDecodificarBase64:
        codecs.CL_DECODIFICADOR_BASE64::Decodificar(origen, destino);
        break;
      case Direccion::kCodificarQP:
        codecs.CL_CODIFICADOR_QP::Codificar(origen, destino);
        break;
      case Direccion::kDecodificarQP:
        codecs.CL_DECODIFICADOR_QP::Decodificar(origen, destino);
        break;
    }
    EXPECT_EQ(Texto(destino), caso.esperado);
  }
}

TEST(CodecsTest, OrigenIgualADestino) {
  Codecs codecs;
  CL_BUFFER_FLUJO b;
  const std::string x = Repetir('x', 30000);
  b.Anadir(x.data(), static_cast<uint32_t>(x.size()));
  codecs.CL_CODIFICADOR_BASE64::Codificar(b, b);
  EXPECT_EQ(Texto(b), x + RefCodificarBase64(x));
}

TEST(CodecsTest, ReinicianSuEstado) {
  Codecs codecs;
  CL_BUFFER_FLUJO origen;
  CL_BUFFER_FLUJO destino;
  origen.Anadir("QUJ", 3);  // leaves a partial group behind
  codecs.CL_DECODIFICADOR_BASE64::Decodificar(origen, destino);
  origen.Vaciar();
  origen.Anadir("QUJD", 4);
  destino.Vaciar();
  codecs.CL_DECODIFICADOR_BASE64::Decodificar(origen, destino);
  EXPECT_EQ(Texto(destino), "ABC");
  origen.Vaciar();
  origen.Anadir("=4", 2);  // leaves an open escape behind
  codecs.CL_DECODIFICADOR_QP::Decodificar(origen, destino);
  origen.Vaciar();
  origen.Anadir("1", 1);
  destino.Vaciar();
  codecs.CL_DECODIFICADOR_QP::Decodificar(origen, destino);
  EXPECT_EQ(Texto(destino), "1");
}

TEST(CodecsTest, CotasNoDesbordanCercaDeCuatroGiB) {
  const uint64_t n = 0xFFFFFFFFu;
  EXPECT_GT(codec::TamanoBase64(n), n);
  EXPECT_GT(codec::TamanoMaximoQP(n), n);
  EXPECT_GE(codec::TamanoMaximoDecodificadoBase64(n), n / 4 * 3);
  CL_BUFFER_FLUJO destino;
  destino.Anadir("x", 1);
  EXPECT_THROW(destino.PrepararAnadido(codec::TamanoMaximoQP(n)), CL_EXCEPCION_MEMORIA);
  EXPECT_THROW(destino.PrepararAnadido(0xFFFFFFFFu - 1), CL_EXCEPCION_MEMORIA);
  EXPECT_EQ(destino.Longitud(), 1u);
}

}  // namespace
}  // namespace orvex
