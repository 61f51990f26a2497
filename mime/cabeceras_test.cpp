#include "mime/cabeceras.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "soporte/texto.h"

namespace orvex {
namespace {

// A keyword matches any text that begins with it, without regard to case; anything else,
// a prefix of a keyword included, gets the table's fallback.
TEST(CabecerasTest, ClasificaTipoSubtipoYCodificacionPorPalabraClave) {
  constexpr uint32_t kCodificacion = 99, kTipo = 0;
  const struct Caso {
    uint32_t tipo;  // kTipo: the type itself; kCodificacion: a transfer encoding
    const char* texto;
    uint32_t esperado;
  } casos[] = {
      {kTipo, "APPLICATION", TIPO_APPLICATION}, {kTipo, "message", TIPO_MESSAGE}, {kTipo, "Multipart", TIPO_MULTIPART},
      {kTipo, "audio", TIPO_AUDIO}, {kTipo, "image", TIPO_IMAGE}, {kTipo, "text", TIPO_TEXT},
      {kTipo, "video", TIPO_VIDEO}, {kTipo, "X-", TIPO_X}, {kTipo, "textual", TIPO_TEXT},
      {kTipo, "imagery", TIPO_IMAGE}, {kTipo, "tex", TIPO_APPLICATION}, {kTipo, "x", TIPO_APPLICATION},
      {kTipo, "", TIPO_APPLICATION}, {kTipo, " text", TIPO_APPLICATION}, {kTipo, "\xc9mage", TIPO_APPLICATION},
      {kTipo, "\xff\xfe", TIPO_APPLICATION}, {TIPO_APPLICATION, "octet-stream", SUBTIPO_OCTET_STREAM},
      {TIPO_APPLICATION, "PostScript", SUBTIPO_POSTSCRIPT}, {TIPO_APPLICATION, "oda", SUBTIPO_ODA},
      {TIPO_APPLICATION, "pdf", SUBTIPO_OCTET_STREAM}, {TIPO_MESSAGE, "rfc822", SUBTIPO_RFC822},
      {TIPO_MESSAGE, "partial", SUBTIPO_PARTIAL}, {TIPO_MESSAGE, "external-body", SUBTIPO_EXTERNAL_BODY},
      {TIPO_MESSAGE, "news", SUBTIPO_DESCONOCIDO}, {TIPO_MULTIPART, "mixed", SUBTIPO_MIXED},
      {TIPO_MULTIPART, "alternative", SUBTIPO_ALTERNATIVE}, {TIPO_MULTIPART, "digest", SUBTIPO_DIGEST},
      {TIPO_MULTIPART, "parallel", SUBTIPO_PARALLEL}, {TIPO_MULTIPART, "related", SUBTIPO_DESCONOCIDO},
      {TIPO_TEXT, "plain\r", SUBTIPO_PLAIN}, {TIPO_TEXT, "HTML", SUBTIPO_HTML}, {TIPO_TEXT, "x-html", SUBTIPO_HTML},
      {TIPO_TEXT, "htm", SUBTIPO_OTRO}, {TIPO_TEXT, "\r", SUBTIPO_OTRO}, {TIPO_IMAGE, "octet-stream", SUBTIPO_OTRO},
      {TIPO_X, "plain", SUBTIPO_OTRO}, {kCodificacion, "BASE64", CODIF_BASE64},
      {kCodificacion, "base64x", CODIF_BASE64}, {kCodificacion, "quoted-printable", CODIF_QUOTED_PRINTABLE},
      {kCodificacion, "Quoted-Printable;", CODIF_QUOTED_PRINTABLE}, {kCodificacion, "7bit", CODIF_LITERAL},
      {kCodificacion, "base6", CODIF_LITERAL}, {kCodificacion, "", CODIF_LITERAL},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << c.tipo << " " << c.texto);
    EXPECT_EQ(c.tipo == kTipo            ? ClasificarTipo(c.texto)
              : c.tipo == kCodificacion ? ClasificarCodificacion(c.texto)
                                        : ClasificarSubtipo(c.tipo, c.texto),
              c.esperado);
  }
}

enum class Escaner { kMimeVersion, kTipoYSubtipo, kFrontera, kNombre, kCodificacion, kIdMensaje, kDireccion };

// What a scanner gave, as one text: its output, behind "!" when it reported nothing. Each
// field is exactly its width, so a sanitizer build catches a write past it; it starts as
// "keep", so "!keep" says the output was left alone.
template <std::size_t N, class Leer>
std::string Salida(Leer leer) {
  char campo[N] = "keep";
  const bool hallado = leer(campo);
  return (hallado ? "" : "!") + std::string(campo);
}

std::string Escanear(Escaner e, const std::string& s) {
  const char* t = s.c_str();
  switch (e) {
    case Escaner::kMimeVersion: {
      bool token = true;
      const bool hallado = BuscarMimeVersion(t, &token);
      return (hallado ? "" : "!") + std::string(token ? "token" : "-");
    }
    case Escaner::kTipoYSubtipo: {
      char tipo[kLongTextoTipo] = "";
      char subtipo[kLongTextoTipo] = "";
      const bool hallado = LeerTipoYSubtipo(t, tipo, subtipo);
      return (hallado ? "" : "!") + std::string(tipo) + "|" + subtipo;
    }
    case Escaner::kFrontera:
      return Salida<kLongFrontera>([t](auto& campo) { return LeerFrontera(t, campo); });
    case Escaner::kNombre:
      return Salida<kLongNombreMime>([t](auto& campo) { return LeerNombre(t, campo); });
    case Escaner::kCodificacion:
      return Salida<kLongToken>([t](auto& campo) { return LeerCodificacion(t, campo); });
    case Escaner::kIdMensaje:
      return Salida<kLongIdMensaje>([t](auto& campo) { return LeerIdMensaje(t, campo); });
    case Escaner::kDireccion: {  // what it leaves behind on failure is not promised
      const std::string r = Salida<kLongDireccion>([t](auto& campo) { return ExtraerDireccion(t, campo); });
      return r[0] == '!' ? "!" : r;
    }
  }
  return "?";
}

TEST(CabecerasTest, EscaneresDeValores) {
  using enum Escaner;
  const std::string x(300, 'x');
  const struct Caso {
    Escaner escaner;
    std::string entrada, esperado;
  } casos[] = {
      {kMimeVersion, "MIME-Version: 1.0\r\n", "token"},
      {kMimeVersion, "X-Nota: mime-version:2\r\n", "token"},  // anywhere, without case
      {kMimeVersion, "MIME-Version: \t\r\n", "-"},  // line ends are no token
      {kMimeVersion, "MIME-Version\r\n", "!-"}, {kMimeVersion, "MIME Version: 1.0\r\n", "!-"},
      {kMimeVersion, std::string(990, 'x') + "MIME-Version: 1.0", "!-"},  // only 1001 characters
      {kMimeVersion, std::string(988, 'x') + "mime-version:1", "-"},
      {kMimeVersion, std::string(987, 'x') + "mime-version:1", "token"},
      {kTipoYSubtipo, "text/plain\r\n", "text|plain\r"},  // the CR is no stop
      {kTipoYSubtipo, "text/plain; charset=x\r\n", "text|plain"},
      {kTipoYSubtipo, "text/plain charset\r\n", "text|plain"}, {kTipoYSubtipo, "text/\r\n", "text|\r"},
      {kTipoYSubtipo, "text/\n", "!|"}, {kTipoYSubtipo, "text/;x\r\n", "!|"},
      {kTipoYSubtipo, "/plain\r\n", "!|"}, {kTipoYSubtipo, "text\r\n", "!|"},
      {kTipoYSubtipo, "a b;c/d e\r\n", "a b;c|d"},  // the type runs to the first '/'
      {kTipoYSubtipo, "t" + x + "/h" + x, "t" + x.substr(0, 98) + "|h" + x.substr(0, 98)},
      {kFrontera, "Content-Type: multipart/mixed; boundary=\"b1\"\r\n", "b1"},
      {kFrontera, "\tboundary=\"=_x y;z\"; a=b\r\n", "=_x y;z"},
      {kFrontera, "boundary=b2\r\n", "b2\r"},  // unquoted: to ';' or LF, the CR kept
      {kFrontera, "boundary=b2\n", "b2"}, {kFrontera, "boundary=b3; x=y\r\n", "b3"},
      {kFrontera, "boundary=\"\"\r\n", "\"\"\r"},  // empty quotes: read unquoted
      {kFrontera, "boundary=\"abc\r\n", "abc\r\n"},  // an open quote runs to the end
      {kFrontera, "boundary=\"", "\""}, {kFrontera, "boundary=;\r\n", "!keep"},
      {kFrontera, "boundary=", "!keep"}, {kFrontera, "Boundary=\"b\"\r\n", "!keep"},  // with case
      {kFrontera, "xboundary=\"b\"\r\n", "b"}, {kFrontera, "boundary=\"" + x + "\"\r\n", x.substr(0, 143)},
      {kFrontera, "boundary=" + x + "\r\n", x.substr(0, 143)},
      {kNombre, "Content-Type: foo/bar; name=x.exe\r\n", "x.exe\r"},
      {kNombre, "name=\"x y.exe\"; a=b\r\n", "x y.exe"}, {kNombre, "name=x.exe; a=b\r\n", "x.exe"},
      {kNombre, "\tfilename=\"f.bin\"\r\n", "f.bin"},
      {kNombre, "name=\"a;b.exe\"\r\n", "a"},  // cut at ';' before the quotes are read
      {kNombre, "name=\"\"\r\n", "\"\"\r"}, {kNombre, "name=\r\n", "\r"}, {kNombre, "name=;\r\n", "!keep"},
      {kNombre, "name=x.exe", "!keep"},  // neither ';' nor LF
      {kNombre, "Name=x\r\n", "!keep"},
      {kNombre, "name=" + x + x + "\r\n", x.substr(0, 195)},  // 200 characters from "name="
      {kNombre, "name=\"" + x + x + "\"\r\n", x.substr(0, 194)},
      {kCodificacion, "Content-Transfer-Encoding:quoted-printable\r\n", "quoted-printable"},
      {kCodificacion, "Content-Transfer-Encoding: \t 7bit more\r\n", "7bit"},
      {kCodificacion, "X-Content-Transfer-Encoding: base64\r\n", "base64"},
      {kCodificacion, "Content-Transfer-Encoding:\r\n", ""},
      {kCodificacion, "content-transfer-encoding: base64\r\n", "!keep"},  // with case
      {kCodificacion, "Content-Transfer-Encoding base64\r\n", "!keep"},
      {kCodificacion, "Content-Transfer-Encoding: " + x, x.substr(0, 67)},
      {kIdMensaje, "<abc@x> (comment)\r\n", "abc@x"}, {kIdMensaje, "<>\r\n", "!keep"},
      {kIdMensaje, " <abc@x>\r\n", "!keep"}, {kIdMensaje, "abc@x\r\n", "!keep"},
      {kIdMensaje, "<abc@x\r\n", "!keep"}, {kIdMensaje, "<" + x.substr(0, 255) + ">", x.substr(0, 255)},
      {kIdMensaje, "<" + x.substr(0, 256) + ">", "!keep"}, {kDireccion, "ana@x.es\r\n", "ana@x.es"},
      {kDireccion, "ana@x.es", "ana@x.es"}, {kDireccion, "\"Ana Ruiz\" <ana@x.es> (casa)\r\n", "ana@x.es"},
      {kDireccion, "ana@x.es (Ana)\r\n", "!"},  // two words without angle brackets
      {kDireccion, "ana@x.es \r\n", "!"},  // a trailing blank makes a second word
      {kDireccion, "Ana <>\r\n", "!"}, {kDireccion, "Ana <ana@x.es\r\n", "!"}, {kDireccion, "", "!"},
      {kDireccion, "ana@x.es\tAna\r\n", "ana@x.es"},  // a tab separates no word, but ends it
      {kDireccion, "<ana@x.es>\r\n", "<ana@x.es>"},  // one word: taken whole
      {kDireccion, x.substr(0, 254) + "\r\n", x.substr(0, 254)},
      {kDireccion, x.substr(0, 255) + "\r\n", "!"},  // the line end counts toward 257
      {kDireccion, "A <" + x.substr(0, 255) + ">", x.substr(0, 255)},
      {kDireccion, "A <" + x.substr(0, 256) + ">", "!"}, {kDireccion, "A <" + x + x + ">\r\n", "!"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.escaner) << ": " << c.entrada.substr(0, 40));
    EXPECT_EQ(Escanear(c.escaner, c.entrada), c.esperado);
  }
}

TEST(CabecerasTest, LineasDeCabeceraFinYDelimitador) {
  const struct {
    const char* linea;
    const char* nombre;
    bool esperado;
  } cabeceras[] = {
      {"FROM:a@b\r\n", "From", true},       {"From a@b Mon 12:00\r\n", "From", true},  // ':' anywhere
      {"From a@b\r\n", "From", false},      {"Topic: x\r\n", "To", true},  // over the name's length
      {"Fro: x\r\n", "From", false},        {" From: x\r\n", "From", false},
      {"Fr", "From", false},                {"\xc6rom: x\r\n", "From", false},
      {"X-ZONA: 1", "x-zona", true},
  };
  for (const auto& c : cabeceras) EXPECT_EQ(EsCabecera(c.linea, c.nombre), c.esperado) << c.linea;
  for (const char* linea : {"\n", "\r", " \r\n", "\r\n\r\n", ""}) EXPECT_FALSE(EsFinDeCabecera(linea)) << linea;
  EXPECT_TRUE(EsFinDeCabecera("\r\n"));
  const struct {
    const char* linea;
    const char* frontera;
    bool apertura, cierre;
  } delimitadores[] = {
      {"--b1\r\n", "b1", true, false},      {"--b1--\r\n", "b1", true, true},
      {"--b12\r\n", "b1", true, false},     {"--b\r\n", "b1", false, false},  // over its length
      {"-b1\r\n", "b1", false, false},      {"--B1\r\n", "b1", false, false},
      {"--b1\r\n", "b1\r", true, false},    {"--b1--\r\n", "b1\r", false, false},  // a kept CR never closes
      {"--anything\r\n", "", true, false},  {"----\r\n", "", true, true},
      {"--", "", true, false},              {"--b1-", "b1", true, false},
  };
  for (const auto& c : delimitadores) {
    SCOPED_TRACE(c.linea);
    EXPECT_EQ(EsDelimitador(c.linea, c.frontera, false), c.apertura);
    EXPECT_EQ(EsDelimitador(c.linea, c.frontera, true), c.cierre);
  }
}

// The one-pass walk of a To value gives exactly the entries ObtenerCampo gives one by one.
TEST(CabecerasTest, CamposDeToComoObtenerCampo) {
  auto con_obtener_campo = [](const std::string& valor) {
    std::vector<std::string> campos;
    char campo[kMaxCampoPara + 1];
    for (uint32_t i = 1; i <= ContarCampos(valor.c_str(), ','); ++i) {
      if (ObtenerCampo(i, ',', valor.c_str(), campo, kMaxCampoPara) == 0) campos.emplace_back(campo);
    }
    return campos;
  };
  auto recorridos = [](const std::string& valor) {
    std::vector<std::string> campos;
    RecorrerCamposPara(valor.c_str(), [&](const char* campo) {
      campos.emplace_back(campo);
      return true;
    });
    return campos;
  };
  const std::string largo(300, 'p');  // an entry longer than the field, which random values rarely hold
  EXPECT_EQ(recorridos(largo), std::vector<std::string>{largo.substr(0, kMaxCampoPara)});
  EXPECT_EQ(con_obtener_campo(largo), recorridos(largo));
  std::mt19937 azar(20261205);
  const char alfabeto[] = {',', ',', ' ', '\t', ':', 'a', 'b', '<', '>', '\r', '\n', '\xe9'};
  for (int vuelta = 0; vuelta < 20000; ++vuelta) {
    std::string valor(azar() % (vuelta < 19000 ? 24 : 700), ' ');
    for (char& c : valor) c = alfabeto[azar() % sizeof alfabeto];
    ASSERT_EQ(recorridos(valor), con_obtener_campo(valor)) << valor;
  }
}

}  // namespace
}  // namespace orvex
