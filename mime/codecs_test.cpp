#include "mime/codecs.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "soporte/buffer_flujo.h"
#include "pruebas/codecs_referencia.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

enum class Direccion { kCodificarBase64, kDecodificarBase64, kCodificarQP, kDecodificarQP };
constexpr Direccion kCB = Direccion::kCodificarBase64, kDB = Direccion::kDecodificarBase64;
constexpr Direccion kCQ = Direccion::kCodificarQP, kDQ = Direccion::kDecodificarQP;

struct Codecs : CL_CODIFICADOR_BASE64, CL_DECODIFICADOR_BASE64, CL_CODIFICADOR_QP, CL_DECODIFICADOR_QP {
  int Ejecutar(Direccion d, const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino) {
    return d == kCB   ? CL_CODIFICADOR_BASE64::Codificar(origen, destino)
           : d == kDB ? CL_DECODIFICADOR_BASE64::Decodificar(origen, destino)
           : d == kCQ ? CL_CODIFICADOR_QP::Codificar(origen, destino)
                      : CL_DECODIFICADOR_QP::Decodificar(origen, destino);
  }
};

std::string Texto(const CL_BUFFER& b) { return std::string(b.Datos(), b.Longitud()); }

std::string Ejecutar(Direccion d, const std::string& entrada) {
  Codecs codecs;
  CL_BUFFER_FLUJO origen;
  CL_BUFFER_FLUJO destino;
  origen.Anadir(entrada.data(), static_cast<uint32_t>(entrada.size()));
  EXPECT_EQ(codecs.Ejecutar(d, origen, destino), 0);
  EXPECT_EQ(destino.Datos()[destino.Longitud()], 0) << "no NUL behind the output";
  return Texto(destino);
}

std::string Referencia(Direccion d, const std::string& entrada) {
  static std::string (*const kReferencias[])(const std::string&) = {
      referencia::CodificarBase64, referencia::DecodificarBase64, referencia::CodificarQP, referencia::DecodificarQP};
  return kReferencias[static_cast<int>(d)](entrada);
}

std::string ConLF(std::string s) {
  for (std::size_t i; (i = s.find("\r\n")) != std::string::npos;) s.erase(i, 1);
  return s;
}

std::string Repetir(char c, std::size_t n) { return std::string(n, c); }

// Golden pairs; the reference must agree with each, and base64 decodes LF text the same.
TEST(CodecsTest, ParesDeReferencia) {
  const std::string nul(1, '\0');
  std::string a76;
  for (int i = 0; i < 19; ++i) a76 += "QUFB";
  const struct Caso {
    Direccion direccion;
    std::string entrada, esperado;
  } casos[] = {
      {kDB, "QUJD\r\nREVG\r\n", "ABCDEF"}, {kDB, "QUI=", "AB"}, {kDB, "QQ==", "A"}, {kDB, "", ""},
      {kDB, "Q", "@"}, {kDB, "QUJDx", "ABC\xC4"},  // a partial last group is flushed
      {kDB, "QQ==\r\nQQ==\r\n", "A\x04\x10"}, {kDB, "=\r\n \t*", ""},  // padding is junk like the rest
      {kDB, "Q U\x80J" + nul + "D", "ABC"}, {kDB, "QUJD\r\n" + nul, "ABC"}, {kDB, "+/+/", "\xFB\xFF\xBF"},
      {kCB, "", "\r\n"}, {kCB, "A", "QQ==\r\n"}, {kCB, "AB", "QUI=\r\n"}, {kCB, "\xFF\xFE\xFD", "//79\r\n"},
      {kCB, "\r\n", "DQo=\r\n"}, {kCB, Repetir('A', 57), a76 + "\r\n"}, {kCB, Repetir('A', 58), a76 + "\r\nQQ==\r\n"},
      {kCB, Repetir('A', 60), a76 + "\r\nQUFB\r\n"}, {kCB, Repetir('A', 114), a76 + "\r\n" + a76 + "\r\n"},
      {kDQ, "=41=4a=3D=3d", "AJ=="}, {kDQ, "=\r\n=\n\r", ""}, {kDQ, "ho=\r\nla", "hola"}, {kDQ, "", ""},
      {kDQ, "ho=\nla", "hoa"}, {kDQ, "ho=\n41", "ho41"},  // a bare LF soft break takes what follows
      {kDQ, "=\nA", "A"}, {kDQ, "= 41", "A"}, {kDQ, "=G4Z1", "A"}, {kDQ, "=\n==41", "41"}, {kDQ, "=\r\r", "\r"},
      {kDQ, "=\n\nx", "\nx"}, {kDQ, "abc=", "abc"}, {kDQ, "abc=4", "abc"},  // an open escape at the end is dropped
      {kDQ, "=4\r\nx", "\x7F\nx"}, {kDQ, "=C\nx", "\xFFx"},  // a digit then a line end: one byte
      {kDQ, "a  \r\nb\t\nc", "a  \r\nb\t\nc"}, {kDQ, "a" + nul + "\xE9", "a" + nul + "\xE9"},
      {kCQ, "", "=\r\n"}, {kCQ, " =\r\n\t\x7F\xE9" + nul, "=20=3D=0D=0A=09=7F=E9=00=\r\n"}, {kCQ, "!<>~", "!<>~=\r\n"},
      {kCQ, "abcdefgh=ijklmnopq", "abcdefgh=3Dijklmnopq=\r\n"}, {kCQ, Repetir('a', 74), Repetir('a', 74) + "=\r\n"},
      {kCQ, Repetir('a', 75), Repetir('a', 74) + "=\r\na=\r\n"},
      {kCQ, Repetir('a', 100), Repetir('a', 74) + "=\r\n" + Repetir('a', 26) + "=\r\n"},
      {kCQ, Repetir('a', 72) + " ", Repetir('a', 72) + "=\r\n=20=\r\n"},
      {kCQ, Repetir('a', 71) + " ", Repetir('a', 71) + "=20=\r\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.direccion) << ": " << testing::PrintToString(c.entrada));
    EXPECT_EQ(Ejecutar(c.direccion, c.entrada), c.esperado);
    EXPECT_EQ(Referencia(c.direccion, c.entrada), c.esperado) << "the reference disagrees";
    if (c.direccion == kDB) {
      EXPECT_EQ(Ejecutar(c.direccion, ConLF(c.entrada)), c.esperado);
    }
  }
}

// Random inputs against the reference: bytes, or text drawn from pieces where the bytes that
// matter to each codec are common (and long clean runs, for the block paths).
std::string Aleatorio(std::mt19937& rng, const std::vector<std::string>& piezas, std::size_t n) {
  std::string s;
  while (s.size() < n) s += piezas.empty() ? std::string(1, static_cast<char>(rng())) : piezas[rng() % piezas.size()];
  return s;
}

const std::vector<std::string>& Piezas(int tipo) {
  static const std::vector<std::string> kPiezas[] = {
      {},
      {"Q", "U", "w", "+", "/", "9", referencia::kAlfabeto, "QUJD", "=", "==", "\r\n", "\n", " ", "\t", "\x80",
       "\xFF", "*", std::string(1, '\0')},
      {"a", "z", "G", "h", "0", "9", "A", "f", "F", " ", "\t", "\r\n", "\n", "\r", "=", "=", "=\r\n", "=\n", "=41",
       "=4a", "=3D", "=4", "= ", "=\r", "\x80", "\xE9", "hola ", "  \r\n", std::string(1, '\0')},
      {"Estimado", " cliente", ",", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789abcdef", "\r\n", "\n", "=", "=3D",
       "caf\xE9", "~!<>", "\t", "  ", "\x7F", " "},
  };
  return kPiezas[tipo];
}

struct Generador {
  const char* nombre;
  Direccion direccion;
  int tipo;  // 0 random bytes, 1 base64-like text, 2 quoted-printable-like text, 3 mail text
};
void PrintTo(const Generador& g, std::ostream* os) { *os << g.nombre; }

class EquivalenciaTest : public testing::TestWithParam<Generador> {};

TEST_P(EquivalenciaTest, IgualQueLaReferencia) {
  const Generador& g = GetParam();
  std::mt19937 rng(12345 + static_cast<int>(g.direccion) * 7 + g.tipo);
  for (int i = 0; i < 3000; ++i) {
    std::string entrada = Aleatorio(rng, Piezas(g.tipo), i % 50 == 0 ? rng() % 20000 : rng() % 300);
    if (g.tipo == 3 && g.direccion == kDQ && i % 2 == 0) {
      entrada = referencia::CodificarQP(entrada);  // real encoded text, soft breaks and all
    }
    const std::string salida = Ejecutar(g.direccion, entrada);
    if (salida != Referencia(g.direccion, entrada)) FAIL() << "input " << i << ": " << testing::PrintToString(entrada);
    // Encoded bytes decode back to themselves.
    if (g.tipo == 0 && (g.direccion == kCB || g.direccion == kCQ)) {
      ASSERT_EQ(Ejecutar(g.direccion == kCB ? kDB : kDQ, salida), entrada) << "input " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, EquivalenciaTest,
    testing::Values(Generador{"CodificarBase64Bytes", kCB, 0}, Generador{"DecodificarBase64Bytes", kDB, 0},
                    Generador{"DecodificarBase64Texto", kDB, 1}, Generador{"CodificarQPBytes", kCQ, 0},
                    Generador{"CodificarQPTexto", kCQ, 2}, Generador{"CodificarQPCorreo", kCQ, 3},
                    Generador{"DecodificarQPCorreo", kDQ, 3}, Generador{"DecodificarQPBytes", kDQ, 0},
                    Generador{"DecodificarQPTexto", kDQ, 2}),
    [](const testing::TestParamInfo<Generador>& info) { return info.param.nombre; });

// The cores write into blocks of exactly their bound: a sanitizer build catches any byte
// written past it.
TEST(CodecsTest, NucleosNoEscribenMasAllaDeSuCota) {
  std::mt19937 rng(4242);
  std::vector<std::string> entradas = {"", "Q", "QU", "QUJ", "=", "=4", "=4\r", "=4\n=4\n", Repetir('\xFF', 1000),
                                       Repetir('Q', 1001), Repetir(' ', 777), Repetir('a', 75)};
  for (int i = 0; i < 300; ++i) entradas.push_back(Aleatorio(rng, Piezas(i % 2 ? 0 : 2), rng() % 2000));
  auto escritos = [](auto nucleo, uint64_t cota, const std::string& e, auto estado) {
    const auto bloque = std::make_unique<uint8_t[]>(cota);
    return nucleo(reinterpret_cast<const uint8_t*>(e.data()), e.size(), bloque.get(), estado);
  };
  for (const std::string& e : entradas) {
    const uint64_t n = e.size();
    ASSERT_EQ(escritos(codec::CodificarBase64, codec::TamanoBase64(n), e, ESTADO_BASE64{}), codec::TamanoBase64(n));
    const uint64_t db = codec::TamanoMaximoDecodificadoBase64(n), cq = codec::TamanoMaximoQP(n);
    const uint64_t dq = codec::TamanoMaximoDecodificadoQP(n);
    ASSERT_LE(escritos(codec::DecodificarBase64, db, e, ESTADO_BASE64{}), db);
    ASSERT_LE(escritos(codec::CodificarQP, cq, e, ESTADO_QP{}), cq);
    ASSERT_LE(escritos(codec::DecodificarQP, dq, e, ESTADO_QP{}), dq);
  }
}

// Each run reads only Longitud bytes of the source, starts from a fresh state even after a
// run that left a partial group or an open escape, and appends behind the destination
// without moving its position.
TEST(CodecsTest, LeenSoloLongitudReinicianElEstadoYAnadenTrasElDestino) {
  const struct Caso {
    Direccion direccion;
    std::string previo, bloque;
    uint32_t longitud;
    std::string esperado;
  } casos[] = {
      {kDB, "", "QUJDREVG", 4, "ABC"},     {kDB, "", "QUJDREVG", 6, "ABCD"},
      {kDQ, "", "ab=41", 3, "ab"},             {kDQ, "", "ab=\r\nc", 4, "ab"},
      {kCB, "", "ABCDEF", 3, "QUJD\r\n"},   {kCQ, "", "ab c", 2, "ab=\r\n"},
      {kDB, "QUJ", "QUJD", 4, "ABC"},     {kDQ, "=4", "1", 1, "1"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.direccion) << ": " << c.previo << " / " << c.bloque);
    Codecs codecs;
    CL_BUFFER_FLUJO origen;
    CL_BUFFER_FLUJO destino;
    origen.Anadir(c.previo.data(), static_cast<uint32_t>(c.previo.size()));
    codecs.Ejecutar(c.direccion, origen, destino);
    origen.Vaciar();
    destino.Vaciar();
    destino.Anadir("previo", 6);
    ASSERT_EQ(destino.Posicionar(2, 0), 0);
    origen.Anadir(c.bloque.data(), static_cast<uint32_t>(c.bloque.size()));
    origen.CL_BUFFER::FijarLongitud(c.longitud);
    EXPECT_EQ(codecs.Ejecutar(c.direccion, origen, destino), 0);
    EXPECT_EQ(Texto(destino), "previo" + c.esperado);
    EXPECT_EQ(destino.ObtenerPosicion(), 2u);
  }
}

TEST(CodecsTest, OrigenIgualADestino) {
  Codecs codecs;
  CL_BUFFER_FLUJO b;
  const std::string x = Repetir('x', 80000);  // the block must move while it is read
  b.Anadir(x.data(), static_cast<uint32_t>(x.size()));
  codecs.Ejecutar(kCB, b, b);
  EXPECT_EQ(Texto(b), x + referencia::CodificarBase64(x));
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
