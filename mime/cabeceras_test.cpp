#include "mime/cabeceras.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "soporte/texto.h"

namespace orvex {
namespace {

struct CasoCodigo {
  const char* texto;
  uint32_t esperado;
};

TEST(CabecerasTest, TipoPorPalabraClaveEnOrdenDeTabla) {
  const CasoCodigo casos[] = {
      {"application", TIPO_APPLICATION}, {"APPLICATION", TIPO_APPLICATION}, {"message", TIPO_MESSAGE},
      {"Multipart", TIPO_MULTIPART},     {"audio", TIPO_AUDIO},             {"image", TIPO_IMAGE},
      {"text", TIPO_TEXT},               {"video", TIPO_VIDEO},             {"x-world", TIPO_X},
      {"X-", TIPO_X},
      // A longer word that begins with a keyword matches it.
      {"textual", TIPO_TEXT}, {"imagery", TIPO_IMAGE},
      // Anything else, a prefix of a keyword included, is application.
      {"tex", TIPO_APPLICATION}, {"x", TIPO_APPLICATION}, {"", TIPO_APPLICATION}, {"foo", TIPO_APPLICATION},
      {" text", TIPO_APPLICATION}, {"\xc9mage", TIPO_APPLICATION}, {"\xff\xfe", TIPO_APPLICATION},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(ClasificarTipo(c.texto), c.esperado);
  }
}

TEST(CabecerasTest, SubtipoSegunElTipo) {
  struct Caso {
    uint32_t tipo;
    const char* texto;
    uint32_t esperado;
  };
  const Caso casos[] = {
      {TIPO_APPLICATION, "octet-stream", SUBTIPO_OCTET_STREAM},
      {TIPO_APPLICATION, "PostScript", SUBTIPO_POSTSCRIPT},
      {TIPO_APPLICATION, "oda", SUBTIPO_ODA},
      {TIPO_APPLICATION, "pdf", SUBTIPO_OCTET_STREAM},
      {TIPO_MESSAGE, "rfc822", SUBTIPO_RFC822},
      {TIPO_MESSAGE, "partial", SUBTIPO_PARTIAL},
      {TIPO_MESSAGE, "external-body", SUBTIPO_EXTERNAL_BODY},
      {TIPO_MESSAGE, "news", SUBTIPO_DESCONOCIDO},
      {TIPO_MULTIPART, "mixed", SUBTIPO_MIXED},
      {TIPO_MULTIPART, "alternative", SUBTIPO_ALTERNATIVE},
      {TIPO_MULTIPART, "digest", SUBTIPO_DIGEST},
      {TIPO_MULTIPART, "parallel", SUBTIPO_PARALLEL},
      {TIPO_MULTIPART, "related", SUBTIPO_DESCONOCIDO},
      {TIPO_TEXT, "plain", SUBTIPO_PLAIN},
      {TIPO_TEXT, "plain\r", SUBTIPO_PLAIN},
      {TIPO_TEXT, "HTML", SUBTIPO_HTML},
      {TIPO_TEXT, "x-html", SUBTIPO_HTML},
      {TIPO_TEXT, "htm", SUBTIPO_OTRO},
      {TIPO_TEXT, "\r", SUBTIPO_OTRO},
      {TIPO_IMAGE, "octet-stream", SUBTIPO_OTRO},
      {TIPO_X, "plain", SUBTIPO_OTRO},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(ClasificarSubtipo(c.tipo, c.texto), c.esperado);
  }
}

TEST(CabecerasTest, CodificacionPorToken) {
  const CasoCodigo casos[] = {
      {"base64", CODIF_BASE64},       {"BASE64", CODIF_BASE64},
      {"base64x", CODIF_BASE64},      {"quoted-printable", CODIF_QUOTED_PRINTABLE},
      {"Quoted-Printable;", CODIF_QUOTED_PRINTABLE},
      {"7bit", CODIF_LITERAL},        {"8bit", CODIF_LITERAL},
      {"binary", CODIF_LITERAL},      {"x-uuencode", CODIF_LITERAL},
      {"base6", CODIF_LITERAL},       {"", CODIF_LITERAL},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.texto);
    EXPECT_EQ(ClasificarCodificacion(c.texto), c.esperado);
  }
}

TEST(CabecerasTest, NombreDeCabeceraSinCasoYConDosPuntosEnAlgunSitio) {
  struct Caso {
    const char* linea;
    const char* nombre;
    bool esperado;
  };
  const Caso casos[] = {
      {"From: a@b\r\n", "From", true},
      {"FROM:a@b\r\n", "From", true},
      {"From a@b Mon 12:00\r\n", "From", true},  // the ':' may be anywhere
      {"From a@b\r\n", "From", false},
      {"Topic: x\r\n", "To", true},  // the name is compared over its own length only
      {"Fro: x\r\n", "From", false},
      {" From: x\r\n", "From", false},
      {"Fr", "From", false},
      {"\xc6rom: x\r\n", "From", false},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea);
    EXPECT_EQ(EsCabecera(c.linea, c.nombre), c.esperado);
  }
}

TEST(CabecerasTest, MimeVersionBuscaEnLosPrimeros1001Caracteres) {
  struct Caso {
    std::string linea;
    bool encontrada;
    bool token;
  };
  const std::string relleno(990, 'x');
  const std::vector<Caso> casos = {
      {"MIME-Version: 1.0\r\n", true, true},
      {"mime-version:1.0\r\n", true, true},
      {"X-Nota: Mime-Version: 2\r\n", true, true},  // found anywhere in the line
      {"MIME-Version:\r\n", true, false},            // line ends are no token
      {"MIME-Version: \t\r\n", true, false},
      {"MIME-Version\r\n", false, false},
      {"MIME Version: 1.0\r\n", false, false},
      {relleno + "MIME-Version: 1.0", false, false},                // runs past character 1001
      {std::string(988, 'x') + "mime-version:1", true, false},      // the token lies past 1001
      {std::string(987, 'x') + "mime-version:1", true, true},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea.substr(0, 40));
    bool token = true;
    EXPECT_EQ(BuscarMimeVersion(c.linea.c_str(), &token), c.encontrada);
    EXPECT_EQ(token, c.token);
  }
}

TEST(CabecerasTest, TipoYSubtipoDeUnValor) {
  struct Caso {
    const char* valor;
    bool leido;
    const char* tipo;
    const char* subtipo;
  };
  const Caso casos[] = {
      {"text/plain\r\n", true, "text", "plain\r"},  // the CR is no stop
      {"text/plain; charset=x\r\n", true, "text", "plain"},
      {"text/plain charset\r\n", true, "text", "plain"},
      {"text/\r\n", true, "text", "\r"},  // with CR LF the subtype is the CR alone
      {"text/\n", false, "", ""},         // with LF alone there is none
      {"text/;x\r\n", false, "", ""},
      {"/plain\r\n", false, "", ""},
      {"text\r\n", false, "", ""},
      {"", false, "", ""},
      {"a b;c/d e\r\n", true, "a b;c", "d"},  // the type runs to the first '/', whatever it holds
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.valor);
    char tipo[kLongTextoTipo] = {};
    char subtipo[kLongTextoTipo] = {};
    EXPECT_EQ(LeerTipoYSubtipo(c.valor, tipo, subtipo), c.leido);
    EXPECT_STREQ(tipo, c.tipo);
    EXPECT_STREQ(subtipo, c.subtipo);
  }
}

TEST(CabecerasTest, TipoYSubtipoLargosSeCortan) {
  const std::string valor = "text" + std::string(5000, 'q') + "/html" + std::string(5000, 'z') + "\r\n";
  char tipo[kLongTextoTipo];
  char subtipo[kLongTextoTipo];
  ASSERT_TRUE(LeerTipoYSubtipo(valor.c_str(), tipo, subtipo));
  EXPECT_EQ(std::string(tipo), valor.substr(0, kLongTextoTipo - 1));
  EXPECT_EQ(std::string(subtipo), "html" + std::string(kLongTextoTipo - 5, 'z'));
  EXPECT_EQ(ClasificarTipo(tipo), TIPO_TEXT);
  EXPECT_EQ(ClasificarSubtipo(TIPO_TEXT, subtipo), SUBTIPO_HTML);
}

TEST(CabecerasTest, Frontera) {
  struct Caso {
    const char* linea;
    bool leida;
    const char* frontera;
  };
  const Caso casos[] = {
      {"Content-Type: multipart/mixed; boundary=\"b1\"\r\n", true, "b1"},
      {"\tboundary=\"=_x y;z\"; a=b\r\n", true, "=_x y;z"},
      // Unquoted: up to ';' or LF, so the CR before the LF stays part of it.
      {"Content-Type: multipart/mixed; boundary=b2\r\n", true, "b2\r"},
      {"Content-Type: multipart/mixed; boundary=b2\n", true, "b2"},
      {"Content-Type: multipart/mixed; boundary=b3; x=y\r\n", true, "b3"},
      // An empty quoted boundary falls back to the unquoted form.
      {"boundary=\"\"\r\n", true, "\"\"\r"},
      // An open quote runs to the end of the line, line end included.
      {"boundary=\"abc\r\n", true, "abc\r\n"},
      {"boundary=\"", true, "\""},
      {"boundary=;\r\n", false, "keep"},
      {"boundary=", false, "keep"},
      {"Boundary=\"b\"\r\n", false, "keep"},  // case-sensitive
      {"xboundary=\"b\"\r\n", true, "b"},     // found anywhere
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea);
    char frontera[kLongFrontera] = "keep";
    EXPECT_EQ(LeerFrontera(c.linea, frontera), c.leida);
    EXPECT_STREQ(frontera, c.frontera);
  }
}

TEST(CabecerasTest, FronteraLargaSeCortaA143) {
  const std::string larga(300, 'k');
  for (const std::string& linea : {"boundary=\"" + larga + "\"\r\n", "boundary=" + larga + "\r\n"}) {
    char frontera[kLongFrontera];
    ASSERT_TRUE(LeerFrontera(linea.c_str(), frontera));
    EXPECT_EQ(std::string(frontera), std::string(kLongFrontera - 1, 'k'));
  }
}

TEST(CabecerasTest, Nombre) {
  struct Caso {
    const char* linea;
    bool leido;
    const char* nombre;
  };
  const Caso casos[] = {
      {"Content-Type: foo/bar; name=x.exe\r\n", true, "x.exe\r"},
      {"Content-Type: foo/bar; name=\"x.exe\"\r\n", true, "x.exe"},
      {"Content-Type: foo/bar; name=\"x y.exe\"; a=b\r\n", true, "x y.exe"},
      {"Content-Type: foo/bar; name=x.exe; a=b\r\n", true, "x.exe"},
      {"\tfilename=\"f.bin\"\r\n", true, "f.bin"},  // the tail of filename= is found too
      // The text is cut at its first ';' before the quotes are read.
      {"name=\"a;b.exe\"\r\n", true, "a"},
      {"name=\"\"\r\n", true, "\"\"\r"},
      {"name=\r\n", true, "\r"},
      {"name=;\r\n", false, "keep"},
      {"name=x.exe", false, "keep"},  // neither ';' nor LF: no name
      {"Name=x\r\n", false, "keep"},
      {"nombre\r\n", false, "keep"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea);
    char nombre[kLongNombreMime] = "keep";
    EXPECT_EQ(LeerNombre(c.linea, nombre), c.leido);
    EXPECT_STREQ(nombre, c.nombre);
  }
}

TEST(CabecerasTest, NombreLargoSeLimitaA200CaracteresDesdeName) {
  const std::string largo(3000, 'n');
  char nombre[kLongNombreMime];
  ASSERT_TRUE(LeerNombre(("name=" + largo + "\r\n").c_str(), nombre));
  EXPECT_EQ(std::string(nombre), std::string(kMaxTextoNombre - 5, 'n'));
  ASSERT_TRUE(LeerNombre(("name=\"" + largo + "\"\r\n").c_str(), nombre));
  EXPECT_EQ(std::string(nombre), std::string(kMaxTextoNombre - 6, 'n'));
}

TEST(CabecerasTest, CodificacionDeUnaLinea) {
  struct Caso {
    std::string linea;
    bool hallada;
    std::string token;
  };
  const std::vector<Caso> casos = {
      {"Content-Transfer-Encoding: base64\r\n", true, "base64"},
      {"Content-Transfer-Encoding:quoted-printable\r\n", true, "quoted-printable"},
      {"Content-Transfer-Encoding: \t 7bit more\r\n", true, "7bit"},
      {"X-Content-Transfer-Encoding: base64\r\n", true, "base64"},  // found anywhere
      {"Content-Transfer-Encoding:\r\n", true, ""},
      {"content-transfer-encoding: base64\r\n", false, "keep"},  // with case
      {"Content-Transfer-Encoding base64\r\n", false, "keep"},
      {"Content-Transfer-Encoding: " + std::string(500, 'b') + "\r\n", true, std::string(kLongToken - 1, 'b')},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea.substr(0, 40));
    char token[kLongToken] = "keep";
    EXPECT_EQ(LeerCodificacion(c.linea.c_str(), token), c.hallada);
    EXPECT_EQ(std::string(token), c.token);
  }
}

TEST(CabecerasTest, IdDeMensaje) {
  struct Caso {
    std::string valor;
    bool leido;
    std::string id;
  };
  const std::vector<Caso> casos = {
      {"<abc@x>\r\n", true, "abc@x"},
      {"<abc@x> (comment)\r\n", true, "abc@x"},
      {"<>\r\n", false, "keep"},
      {" <abc@x>\r\n", false, "keep"},
      {"abc@x\r\n", false, "keep"},
      {"<abc@x\r\n", false, "keep"},
      {"<" + std::string(255, 'i') + ">", true, std::string(255, 'i')},
      {"<" + std::string(256, 'i') + ">", false, "keep"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.valor.substr(0, 40));
    char id[kLongIdMensaje] = "keep";
    EXPECT_EQ(LeerIdMensaje(c.valor.c_str(), id), c.leido);
    EXPECT_EQ(std::string(id), c.id);
  }
}

TEST(CabecerasTest, Direccion) {
  struct Caso {
    std::string valor;
    bool leida;
    std::string direccion;
  };
  const std::vector<Caso> casos = {
      {"ana@x.es\r\n", true, "ana@x.es"},
      {"ana@x.es", true, "ana@x.es"},
      {"Ana <ana@x.es>\r\n", true, "ana@x.es"},
      {"\"Ana Ruiz\" <ana@x.es> (casa)\r\n", true, "ana@x.es"},
      {"ana@x.es (Ana)\r\n", false, ""},  // two words without angle brackets
      {"Ana Ruiz\r\n", false, ""},
      {"ana@x.es \r\n", false, ""},  // a trailing blank makes a second word of the line end
      {"Ana <>\r\n", false, ""},
      {"Ana <ana@x.es\r\n", false, ""},
      {"\r\n", false, ""},
      {"", false, ""},
      {"ana@x.es\tAna\r\n", true, "ana@x.es"},  // a tab separates no word, but ends the address
      {"<ana@x.es>\r\n", true, "<ana@x.es>"},   // one word: taken whole, brackets and all
      {std::string(254, 'a') + "\r\n", true, std::string(254, 'a')},
      {std::string(255, 'a') + "\r\n", false, ""},  // the line end counts toward 257
      {"A <" + std::string(255, 'a') + ">", true, std::string(255, 'a')},
      {"A <" + std::string(256, 'a') + ">", false, ""},
      {"A <" + std::string(3000, 'a') + ">\r\n", false, ""},
      {std::string(3000, 'a') + "\r\n", false, ""},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.valor.substr(0, 40));
    char direccion[kLongDireccion] = "";
    EXPECT_EQ(ExtraerDireccion(c.valor.c_str(), direccion), c.leida);
    if (c.leida) {
      EXPECT_EQ(std::string(direccion), c.direccion);
    }
  }
}

std::vector<std::string> CamposConObtenerCampo(const std::string& valor) {
  std::vector<std::string> campos;
  const uint32_t n = ContarCampos(valor.c_str(), ',');
  for (uint32_t i = 1; i <= n; ++i) {
    char campo[kMaxCampoPara + 1];
    if (ObtenerCampo(i, ',', valor.c_str(), campo, kMaxCampoPara) == 0) campos.emplace_back(campo);
  }
  return campos;
}

std::vector<std::string> CamposRecorridos(const std::string& valor) {
  std::vector<std::string> campos;
  RecorrerCamposPara(valor.c_str(), [&](const char* campo) {
    campos.emplace_back(campo);
    return true;
  });
  return campos;
}

TEST(CabecerasTest, CamposDeToComoObtenerCampo) {
  struct Caso {
    std::string valor;
    std::vector<std::string> campos;
  };
  const std::vector<Caso> casos = {
      {"a@x, Bo <b@y>\r\n", {"a@x", "Bo <b@y>\r\n"}},
      {"Smith, John <j@x>\r\n", {"Smith", "John <j@x>\r\n"}},
      // A leading comma: field 1 is empty and the last entry is never reached.
      {",a@x,b@y\r\n", {"a@x"}},
      {"a,,b, ,c,\r\n", {"a", "b", "c", "\r\n"}},
      {":: a", {"a"}},
      {"", {}},
      {std::string(300, 'p'), {std::string(kMaxCampoPara, 'p')}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.valor.substr(0, 40));
    EXPECT_EQ(CamposRecorridos(c.valor), c.campos);
    EXPECT_EQ(CamposConObtenerCampo(c.valor), c.campos);
  }
}

TEST(CabecerasTest, RecorridoDeUnaPasadaIgualAlDeObtenerCampo) {
  std::mt19937 azar(20261205);
  const char alfabeto[] = {',', ',', ' ', '\t', ':', 'a', 'b', '<', '>', '\r', '\n', '\xe9'};
  for (int vuelta = 0; vuelta < 20000; ++vuelta) {
    std::string valor;
    const int largo = static_cast<int>(azar() % (vuelta < 19000 ? 24 : 700));
    for (int i = 0; i < largo; ++i) valor += alfabeto[azar() % sizeof alfabeto];
    ASSERT_EQ(CamposRecorridos(valor), CamposConObtenerCampo(valor)) << valor;
  }
}

TEST(CabecerasTest, FinDeCabeceraSoloConCrLfExacto) {
  const CasoCodigo casos[] = {{"\r\n", 1}, {"\n", 0}, {"\r", 0}, {" \r\n", 0}, {"\r\n\r\n", 0}, {"", 0}};
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.texto)));
    EXPECT_EQ(EsFinDeCabecera(c.texto), c.esperado == 1);
  }
}

TEST(CabecerasTest, Delimitador) {
  struct Caso {
    const char* linea;
    const char* frontera;
    bool apertura;
    bool cierre;
  };
  const Caso casos[] = {
      {"--b1\r\n", "b1", true, false},
      {"--b1--\r\n", "b1", true, true},
      {"--b1 trailing\r\n", "b1", true, false},
      {"--b12\r\n", "b1", true, false},  // compared over the boundary's length only
      {"--b\r\n", "b1", false, false},
      {"-b1\r\n", "b1", false, false},
      {"--B1\r\n", "b1", false, false},
      {"--b1\r\n", "b1\r", true, false},  // a boundary that kept its CR still opens parts
      {"--b1--\r\n", "b1\r", false, false},  // but never closes
      {"--anything\r\n", "", true, false},
      {"----\r\n", "", true, true},
      {"--", "", true, false},
      {"--b1-", "b1", true, false},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea);
    EXPECT_EQ(EsDelimitador(c.linea, c.frontera, false), c.apertura);
    EXPECT_EQ(EsDelimitador(c.linea, c.frontera, true), c.cierre);
  }
}

}  // namespace
}  // namespace orvex
