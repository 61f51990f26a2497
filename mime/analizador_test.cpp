#include "mime/analizador.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "soporte/texto.h"

namespace orvex {
namespace {

// What the message object asks after each line.
struct Respuesta {
  uint32_t enCuerpo;
  uint32_t bytes;
  uint32_t tipo;
  uint32_t subtipo;
  uint32_t codificacion;
  uint32_t partes;
  std::string nombre;

  bool operator==(const Respuesta&) const = default;
};

void PrintTo(const Respuesta& r, std::ostream* os) {
  *os << "{" << r.enCuerpo << ", " << r.bytes << ", " << r.tipo << "/" << r.subtipo << "/" << r.codificacion
      << ", partes " << r.partes << ", " << testing::PrintToString(r.nombre) << "}";
}

Respuesta Preguntar(const CL_ANALIZADOR_MIME& a) {
  const char* nombre = a.NombreDeParte();
  return {a.EnCuerpo(), a.BytesCuerpo(), a.Tipo(), a.Subtipo(), a.Codificacion(), a.NumPartes,
          nombre == nullptr ? "<none>" : nombre};
}

// The message object's loop: LongitudLinea over the text, each line with its line end and a
// NUL, and at last the empty line that the end of the text yields. One answer per non-empty
// line; the final empty line must change nothing.
std::vector<Respuesta> Alimentar(CL_ANALIZADOR_MIME& a, const std::string& texto) {
  std::vector<Respuesta> respuestas;
  const auto total = static_cast<uint32_t>(texto.size());
  uint32_t pos = 0;
  for (;;) {
    const uint32_t n = LongitudLinea(pos, total, texto.data());
    const std::string linea(texto.data() + pos, n);
    a.AnalizarLinea(linea.c_str());
    if (n == 0) break;
    respuestas.push_back(Preguntar(a));
    pos += n;
  }
  if (!respuestas.empty()) {
    EXPECT_EQ(Preguntar(a), respuestas.back()) << "the final empty line changed state";
  }
  return respuestas;
}

std::string Unir(const std::vector<std::string>& lineas, const std::string& fin) {
  std::string texto;
  for (const auto& l : lineas) texto += l + fin;
  return texto;
}

std::vector<std::string> Para(const CL_ANALIZADOR_MIME& a) {
  std::vector<std::string> para;
  for (uint32_t i = 0; i < a.Direcciones.NumPara; ++i) para.emplace_back(a.Direcciones.Para[i]);
  return para;
}

std::string De(const CL_ANALIZADOR_MIME& a) { return a.Direcciones.De == nullptr ? "<none>" : a.Direcciones.De; }

constexpr uint32_t kApp = TIPO_APPLICATION, kMsg = TIPO_MESSAGE, kMulti = TIPO_MULTIPART, kText = TIPO_TEXT,
                   kImage = TIPO_IMAGE, kDef = TIPO_POR_DEFECTO;
constexpr uint32_t kLit = CODIF_LITERAL, kB64 = CODIF_BASE64;

struct Caso {
  const char* nombre;
  std::vector<std::string> lineas;  // without their line ends
  std::vector<Respuesta> crlf;      // one answer per line, with CR LF line ends
  std::string de;
  std::vector<std::string> para;
  std::string asunto;
  uint32_t cabeceraVista;
};

const std::vector<Caso>& Casos() {
  static const std::vector<Caso> casos = {
      {"mensaje simple",
       {"From: Ana <ana@x.es>", "To: b@y.es", "Subject: hi", "", "uno", "dos"},
       {{0, 0, 0, 0, 0, 1, ""},
        {0, 0, 0, 0, 0, 1, ""},
        {0, 0, 0, 0, 0, 1, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 1, ""},
        {1, 5, kDef, SUBTIPO_OTRO, kLit, 1, ""},
        {1, 10, kDef, SUBTIPO_OTRO, kLit, 1, ""}},
       "ana@x.es",
       {"b@y.es"},
       "hi",
       1},
      {"multipart/mixed con cuerpo y adjunto",
       {"From: a@x", "MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=\"b1\"", "", "preambulo",
        "--b1", "Content-Type: text/plain", "", "hola", "--b1",
        "Content-Type: application/octet-stream; name=\"x.exe\"", "Content-Transfer-Encoding: base64", "",
        "TVqQ", "--b1--", "epilogo"},
       {{0, 0, 0, 0, 0, 1, ""},
        {0, 0, 0, 0, 0, 1, ""},
        {0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {1, 11, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},  // the first delimiter opens the first child
        {0, 0, kText, SUBTIPO_PLAIN, 0, 2, ""},
        {1, 0, kText, SUBTIPO_PLAIN, kLit, 2, ""},
        {1, 6, kText, SUBTIPO_PLAIN, kLit, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},  // the next one replaces it
        {0, 0, kApp, SUBTIPO_OCTET_STREAM, 0, 2, "x.exe"},
        {0, 0, kApp, SUBTIPO_OCTET_STREAM, kB64, 2, "x.exe"},
        {1, 0, kApp, SUBTIPO_OCTET_STREAM, kB64, 2, "x.exe"},
        {1, 6, kApp, SUBTIPO_OCTET_STREAM, kB64, 2, "x.exe"},
        {1, 17, kMulti, SUBTIPO_MIXED, kLit, 1, ""},  // the closing one pops it
        {1, 26, kMulti, SUBTIPO_MIXED, kLit, 1, ""}},
       "a@x",
       {},
       "",
       1},
      {"frontera sin comillas guarda el CR: no hay cierre",
       {"Content-Type: multipart/mixed; boundary=b2", "", "--b2", "", "uno", "--b2", "", "dos", "--b2--",
        "fin"},
       {{0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 5, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 5, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 13, kDef, SUBTIPO_OTRO, kLit, 2, ""},  // the closing delimiter is body text
        {1, 18, kDef, SUBTIPO_OTRO, kLit, 2, ""}},
       "<none>",
       {},
       "",
       1},
      {"frontera en una linea plegada",
       {"Content-Type: multipart/alternative;", "\tboundary=\"f1\"", "", "--f1", "Content-Type: text/html",
        "", "<p>", "--f1--"},
       {{0, 0, kMulti, SUBTIPO_ALTERNATIVE, 0, 1, ""},
        {0, 0, kMulti, SUBTIPO_ALTERNATIVE, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_ALTERNATIVE, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, kText, SUBTIPO_HTML, 0, 2, ""},
        {1, 0, kText, SUBTIPO_HTML, kLit, 2, ""},
        {1, 5, kText, SUBTIPO_HTML, kLit, 2, ""},
        {1, 6, kMulti, SUBTIPO_ALTERNATIVE, kLit, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"tipo en una linea plegada",
       {"Content-Type:", " text/plain; name=\"a.txt\"", "", "x"},
       {{0, 0, 0, 0, 0, 1, ""},
        {0, 0, kText, SUBTIPO_PLAIN, 0, 1, "a.txt"},
        {1, 0, kText, SUBTIPO_PLAIN, kLit, 1, "a.txt"},
        {1, 3, kText, SUBTIPO_PLAIN, kLit, 1, "a.txt"}},
       "<none>",
       {},
       "",
       1},
      {"hijo de digest sin Content-Type",
       {"Content-Type: multipart/digest; boundary=\"d\"", "", "--d", "", "From: dentro@x", "Subject: dentro",
        "", "texto", "--d--"},
       {{0, 0, kMulti, SUBTIPO_DIGEST, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_DIGEST, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},  // message/rfc822 by default: the encapsulated header block follows
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 2, ""},  // and without a Content-Type it takes a body
        {1, 7, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 5, kMulti, SUBTIPO_DIGEST, kLit, 1, ""}},
       "<none>",  // captures belong to the outer message only
       {},
       "",
       1},
      {"message/rfc822 exterior vuelve a leer cabeceras",
       {"From: fuera@x", "Subject: fuera", "Content-Type: text/plain; name=\"a.txt\"",
        "Content-Type: message/rfc822", "Content-Transfer-Encoding: 7bit", "", "From: Dentro <dentro@y>",
        "Subject: dentro", "Content-Type: text/plain; name=\"n.txt\"", "", "cuerpo"},
       {{0, 0, 0, 0, 0, 1, ""},
        {0, 0, 0, 0, 0, 1, ""},
        {0, 0, kText, SUBTIPO_PLAIN, 0, 1, "a.txt"},
        {0, 0, kMsg, SUBTIPO_RFC822, 0, 1, "a.txt"},
        {0, 0, kMsg, SUBTIPO_RFC822, kLit, 1, "a.txt"},
        {0, 0, 0, 0, 0, 1, ""},  // type, subtype, encoding and name start again
        {0, 0, 0, 0, 0, 1, ""},
        {0, 0, 0, 0, 0, 1, ""},
        {0, 0, kText, SUBTIPO_PLAIN, 0, 1, "n.txt"},
        {1, 0, kText, SUBTIPO_PLAIN, kLit, 1, "n.txt"},
        {1, 8, kText, SUBTIPO_PLAIN, kLit, 1, "n.txt"}},
       "dentro@y",
       {},
       "dentro",
       1},
      {"message/partial tambien encapsula",
       {"Content-Type: message/partial; id=\"x\"", "", "Content-Type: image/gif", "", "GIF"},
       {{0, 0, kMsg, SUBTIPO_PARTIAL, 0, 1, ""},
        {0, 0, 0, 0, 0, 1, ""},
        {0, 0, kImage, SUBTIPO_OTRO, 0, 1, ""},
        {1, 0, kImage, SUBTIPO_OTRO, kLit, 1, ""},
        {1, 5, kImage, SUBTIPO_OTRO, kLit, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"Content-Transfer-Encoding en minusculas no se reconoce",
       {"Content-Type: text/plain", "content-transfer-encoding: base64", "", "aGk="},
       {{0, 0, kText, SUBTIPO_PLAIN, 0, 1, ""},
        {0, 0, kText, SUBTIPO_PLAIN, 0, 1, ""},
        {1, 0, kText, SUBTIPO_PLAIN, kLit, 1, ""},
        {1, 6, kText, SUBTIPO_PLAIN, kLit, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"delimitador durante una cabecera no se reconoce",
       {"Content-Type: multipart/mixed; boundary=\"b\"", "", "--b", "Content-Type: text/plain", "--b", "",
        "x", "--b--"},
       {{0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, kText, SUBTIPO_PLAIN, 0, 2, ""},
        {0, 0, kText, SUBTIPO_PLAIN, 0, 2, ""},
        {1, 0, kText, SUBTIPO_PLAIN, kLit, 2, ""},
        {1, 3, kText, SUBTIPO_PLAIN, kLit, 2, ""},
        {1, 5, kMulti, SUBTIPO_MIXED, kLit, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"multipart sin frontera: cualquier linea con -- abre",
       {"Content-Type: multipart/mixed", "", "texto", "--cualquiera", "", "a"},
       {{0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {1, 7, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 3, kDef, SUBTIPO_OTRO, kLit, 2, ""}},
       "<none>",
       {},
       "",
       1},
      {"multipart anidado",
       {"Content-Type: multipart/mixed; boundary=\"A\"", "", "--A",
        "Content-Type: multipart/alternative; boundary=\"B\"", "", "--B", "", "t", "--B--", "--A", "", "u",
        "--A--"},
       {{0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, kMulti, SUBTIPO_ALTERNATIVE, 0, 2, ""},
        {1, 0, kMulti, SUBTIPO_ALTERNATIVE, kLit, 2, ""},
        {0, 0, 0, 0, 0, 3, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 3, ""},
        {1, 3, kDef, SUBTIPO_OTRO, kLit, 3, ""},
        {1, 5, kMulti, SUBTIPO_ALTERNATIVE, kLit, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 3, kDef, SUBTIPO_OTRO, kLit, 2, ""},
        {1, 5, kMulti, SUBTIPO_MIXED, kLit, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"un multipart antes de su primer delimitador no ve los de su padre",
       {"Content-Type: multipart/mixed; boundary=\"A\"", "", "--A",
        "Content-Type: multipart/alternative; boundary=\"B\"", "", "--A", "--A--", "--B"},
       {{0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, kMulti, SUBTIPO_ALTERNATIVE, 0, 2, ""},
        {1, 0, kMulti, SUBTIPO_ALTERNATIVE, kLit, 2, ""},
        {1, 5, kMulti, SUBTIPO_ALTERNATIVE, kLit, 2, ""},
        {1, 12, kMulti, SUBTIPO_ALTERNATIVE, kLit, 2, ""},
        {0, 0, 0, 0, 0, 3, ""}},
       "<none>",
       {},
       "",
       1},
      {"Content-Type sin tipo ni subtipo toma los valores por defecto",
       {"Content-Type: text", "", "x"},
       {{0, 0, 0, 0, 0, 1, ""}, {1, 0, kDef, SUBTIPO_OTRO, kLit, 1, ""}, {1, 3, kDef, SUBTIPO_OTRO, kLit, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"tipo desconocido con nombre sin comillas: el nombre guarda el CR",
       {"Content-Type: foo/bar; name=x.exe", ""},
       {{0, 0, kApp, SUBTIPO_OCTET_STREAM, 0, 1, "x.exe\r"}, {1, 0, kApp, SUBTIPO_OCTET_STREAM, kLit, 1, "x.exe\r"}},
       "<none>",
       {},
       "",
       1},
      {"imagen con nombre: no se guarda",
       {"Content-Type: image/gif; name=\"a.gif\"", "Content-Transfer-Encoding: base64", "", "R0lG"},
       {{0, 0, kImage, SUBTIPO_OTRO, 0, 1, ""},
        {0, 0, kImage, SUBTIPO_OTRO, kB64, 1, ""},
        {1, 0, kImage, SUBTIPO_OTRO, kB64, 1, ""},
        {1, 6, kImage, SUBTIPO_OTRO, kB64, 1, ""}},
       "<none>",
       {},
       "",
       1},
      {"cabeceras de un hijo no se capturan",
       {"Subject: fuera", "Content-Type: multipart/mixed; boundary=\"b\"", "", "--b", "Subject: dentro",
        "From: dentro@x", "To: dentro@x", "Message-ID: <dentro>", ""},
       {{0, 0, 0, 0, 0, 1, ""},
        {0, 0, kMulti, SUBTIPO_MIXED, 0, 1, ""},
        {1, 0, kMulti, SUBTIPO_MIXED, kLit, 1, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {0, 0, 0, 0, 0, 2, ""},
        {1, 0, kDef, SUBTIPO_OTRO, kLit, 2, ""}},
       "<none>",
       {},
       "fuera",
       1},
  };
  return casos;
}

TEST(AnalizadorMimeTest, CasosConCrLf) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nombre);
    ASSERT_EQ(c.lineas.size(), c.crlf.size());
    CL_ANALIZADOR_MIME a;
    const auto respuestas = Alimentar(a, Unir(c.lineas, "\r\n"));
    for (std::size_t i = 0; i < respuestas.size(); ++i) {
      EXPECT_EQ(respuestas[i], c.crlf[i]) << "after line " << i + 1 << ": " << c.lineas[i];
    }
    EXPECT_EQ(De(a), c.de);
    EXPECT_EQ(Para(a), c.para);
    EXPECT_STREQ(a.Asunto, c.asunto.c_str());
    EXPECT_EQ(a.CabeceraVista, c.cabeceraVista);
  }
}

// With LF alone no header block ever ends: every line of every case is a header line of the
// outer message.
TEST(AnalizadorMimeTest, CasosConLfNuncaSalenDeLaCabecera) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nombre);
    CL_ANALIZADOR_MIME a;
    const auto respuestas = Alimentar(a, Unir(c.lineas, "\n"));
    for (std::size_t i = 0; i < respuestas.size(); ++i) {
      EXPECT_EQ(respuestas[i].enCuerpo, 0u) << "line " << i + 1;
      EXPECT_EQ(respuestas[i].bytes, 0u) << "line " << i + 1;
      EXPECT_EQ(respuestas[i].partes, 1u) << "line " << i + 1;
    }
  }
}

TEST(AnalizadorMimeTest, ConLfLasLineasDelCuerpoSiguenSiendoCabeceras) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "From: a@x\nSubject: uno\n\nSubject: dos\nContent-Type: image/png\n");
  EXPECT_STREQ(a.Asunto, "dos");
  EXPECT_EQ(a.Tipo(), kImage);
  EXPECT_EQ(a.CabeceraVista, 0u);
  EXPECT_EQ(De(a), "a@x");
}

TEST(AnalizadorMimeTest, ParserNuevo) {
  CL_ANALIZADOR_MIME a;
  EXPECT_EQ(Preguntar(a), (Respuesta{0, 0, 0, 0, 0, 1, ""}));
  EXPECT_EQ(a.CabeceraVista, 0u);
  EXPECT_EQ(a.FiltroNivel, 0u);
  for (uint32_t s : {a.ExtraerTextPlain, a.ExtraerTextHtml, a.ExtraerOctetStream, a.ExtraerImage, a.ExtraerAudio,
                     a.ExtraerVideo, a.ExtraerOtros}) {
    EXPECT_EQ(s, 1u);
  }
  EXPECT_EQ(a.Direcciones.De, nullptr);
  EXPECT_EQ(a.Direcciones.NumPara, 0u);
  EXPECT_STREQ(a.Asunto, "");
  EXPECT_STREQ(a.IdMensajeMime, "");
  const PARTE_MIME* p = a.ParteInterior();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->TipoDefecto, kDef);
  EXPECT_EQ(p->SubtipoDefecto, SUBTIPO_OTRO);
  EXPECT_EQ(p->CodificacionDefecto, kLit);
}

TEST(AnalizadorMimeTest, UnaLineaSoloLfNoTerminaLaCabecera) {
  CL_ANALIZADOR_MIME a;
  const auto r = Alimentar(a, "Subject: a\r\n\nContent-Type: text/html\r\n\r\nx\r\n");
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[1].enCuerpo, 0u);
  EXPECT_EQ(r[2], (Respuesta{0, 0, kText, SUBTIPO_HTML, 0, 1, ""}));
  EXPECT_EQ(r[3], (Respuesta{1, 0, kText, SUBTIPO_HTML, kLit, 1, ""}));
}

TEST(AnalizadorMimeTest, MimeVersionFijaCabeceraVistaSoloConToken) {
  struct CasoMv {
    const char* linea;
    uint32_t vista;
    uint32_t tipoCabecera;
  };
  const CasoMv casos[] = {
      {"MIME-Version: 1.0\r\n", 1, CAB_MIME_VERSION},
      {"Mime-Version:1.0\r\n", 1, CAB_MIME_VERSION},
      {"X-Comentario: mime-version: otra\r\n", 1, CAB_MIME_VERSION},
      {"MIME-Version:\r\n", 0, CAB_MIME_VERSION},
      {"MIME-Version: \r\n", 0, CAB_MIME_VERSION},
      {"Subject: x\r\n", 0, CAB_NINGUNA},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linea);
    CL_ANALIZADOR_MIME a;
    a.AnalizarLinea(c.linea);
    EXPECT_EQ(a.CabeceraVista, c.vista);
    EXPECT_EQ(a.ParteInterior()->TipoCabecera, c.tipoCabecera);
  }
}

struct CasoCaptura {
  const char* nombre;
  std::vector<std::string> lineas;
  std::string de;
  std::vector<std::string> para;
  std::string asunto;
  std::string id;
};

TEST(AnalizadorMimeTest, Capturas) {
  const std::vector<CasoCaptura> casos = {
      {"From con nombre y direccion", {"From: Ana Ruiz <ana@x.es>"}, "ana@x.es", {}, "", ""},
      {"From de una palabra", {"From: ana@x.es"}, "ana@x.es", {}, "", ""},
      {"From de dos palabras sin <>", {"From: ana@x.es (Ana)"}, "<none>", {}, "", ""},
      {"From con blanco final", {"From: ana@x.es "}, "<none>", {}, "", ""},
      {"From: el ultimo reconocido gana", {"From: a@x", "From: b@x", "From: c d"}, "b@x", {}, "", ""},
      {"From plegado", {"From: Ruiz,", "  Ana <ana@x.es>"}, "ana@x.es", {}, "", ""},
      // A continuation of one word is taken whole, angle brackets included.
      {"From plegado de una palabra", {"From: Ana Ruiz", "  <ana@x.es>"}, "<ana@x.es>", {}, "", ""},
      {"From: la linea mbox tambien cuenta", {"From ana@x.es Mon Jan 1 12:00:00 2001"}, "<none>", {}, "", ""},
      {"To de dos entradas", {"To: b@y.es, Bea <bea@y.es>"}, "<none>", {"b@y.es", "bea@y.es"}, "", ""},
      {"To con coma en el nombre", {"To: Smith, John <j@x>"}, "<none>", {"Smith", "j@x"}, "", ""},
      {"To con coma inicial pierde la ultima", {"To: ,a@x,b@y"}, "<none>", {"a@x"}, "", ""},
      {"To plegado", {"To: a@x,", "\tb@y"}, "<none>", {"a@x", "b@y"}, "", ""},
      {"Topic cuenta como To", {"Topic: t@x"}, "<none>", {"t@x"}, "", ""},
      {"varios To se acumulan", {"To: a@x", "Cc: c@x", "to: b@x"}, "<none>", {"a@x", "b@x"}, "", ""},
      {"Subject sin fin de linea", {"Subject: hola mundo"}, "<none>", {}, "hola mundo", ""},
      {"Subject plegado no se une", {"Subject: uno", " dos"}, "<none>", {}, "uno", ""},
      {"Subject posterior reemplaza", {"Subject: uno", "SUBJECT:dos"}, "<none>", {}, "dos", ""},
      {"Subject con CR dentro", {"Subject: a\rb"}, "<none>", {}, "a", ""},
      {"Subject de 8 bits", {"Subject: caf\xe9 \xff"}, "<none>", {}, "caf\xe9 \xff", ""},
      {"Message-ID", {"Message-ID: <id@x>"}, "<none>", {}, "", "id@x"},
      {"Message-ID malformado borra el anterior", {"Message-ID: <id@x>", "Message-Id: id@y"}, "<none>", {}, "", ""},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    for (const char* fin : {"\r\n", "\n"}) {
      SCOPED_TRACE(testing::PrintToString(std::string(fin)));
      CL_ANALIZADOR_MIME a;
      Alimentar(a, Unir(c.lineas, fin));
      EXPECT_EQ(De(a), c.de);
      EXPECT_EQ(Para(a), c.para);
      EXPECT_EQ(std::string(a.Asunto), c.asunto);
      EXPECT_EQ(std::string(a.IdMensajeMime), c.id);
    }
  }
}

TEST(AnalizadorMimeTest, ElPrimerContentTransferEncodingGana) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Transfer-Encoding: quoted-printable\r\nContent-Transfer-Encoding: base64\r\n");
  EXPECT_EQ(a.Codificacion(), CODIF_QUOTED_PRINTABLE);
  EXPECT_EQ(a.ParteInterior()->TipoCabecera, CAB_NINGUNA);  // the second is not recognised at all
}

TEST(AnalizadorMimeTest, CodificacionSinTokenCuentaComoLiteral) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Transfer-Encoding:\r\n base64\r\nContent-Transfer-Encoding: base64\r\n");
  EXPECT_EQ(a.Codificacion(), kLit);
}

TEST(AnalizadorMimeTest, SegundoContentTypeReemplazaPeroUnaContinuacionNo) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Type: text/plain\r\n\timage/gif\r\nContent-Type: text/html\r\n");
  EXPECT_EQ(a.Tipo(), kText);
  EXPECT_EQ(a.Subtipo(), SUBTIPO_HTML);
}

TEST(AnalizadorMimeTest, DelimitadorCuentaEnElContenedor) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Type: multipart/mixed; boundary=\"q\"\r\n\r\nx\r\n--q\r\n");
  ASSERT_EQ(a.NumPartes, 2u);
  EXPECT_STREQ(a.Partes[0]->Frontera, "q");
  EXPECT_EQ(a.Partes[0]->FronteraVista, 1u);
  EXPECT_EQ(a.Partes[0]->BytesCuerpo, 8u);  // the delimiter line counts to the multipart
}

TEST(AnalizadorMimeTest, FronteraSinComillasGuardaElCr) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Type: multipart/mixed; boundary=b2\r\n");
  EXPECT_STREQ(a.ParteInterior()->Frontera, "b2\r");
}

TEST(AnalizadorMimeTest, HijosDeDigestTomanMessageRfc822PorDefecto) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n");
  EXPECT_EQ(a.ParteInterior()->TipoDefecto, kMsg);
  EXPECT_EQ(a.ParteInterior()->SubtipoDefecto, SUBTIPO_RFC822);
  EXPECT_EQ(a.ParteInterior()->CodificacionDefecto, kLit);
  a.AnalizarLinea("\r\n");
  EXPECT_EQ(a.CabeceraVista, 0u);
  EXPECT_EQ(a.EnCuerpo(), 0u);
}

TEST(AnalizadorMimeTest, HijoDeDigestConContentTypeExplicito) {
  CL_ANALIZADOR_MIME a;
  const auto r = Alimentar(a, "Content-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n"
                              "Content-Type: text/plain\r\n\r\nhola\r\n--d\r\n\r\n");
  EXPECT_EQ(r[4], (Respuesta{1, 0, kText, SUBTIPO_PLAIN, kLit, 2, ""}));
  EXPECT_EQ(r[7], (Respuesta{0, 0, 0, 0, 0, 2, ""}));  // the next child reads an encapsulated header
}

TEST(AnalizadorMimeTest, LineaConNulCuentaHastaElNul) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, std::string("\r\nab\0cd\r\n", 9));
  EXPECT_EQ(a.BytesCuerpo(), 2u);
}

TEST(AnalizadorMimeTest, LineaNulaEsComoElFinDelTexto) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Subject: s\r\n\r\nx\r\n");
  EXPECT_EQ(a.AnalizarLinea(nullptr), 0u);
  EXPECT_EQ(Preguntar(a), (Respuesta{1, 3, kDef, SUBTIPO_OTRO, kLit, 1, ""}));
}

TEST(AnalizadorMimeTest, ReiniciarParteDejaUnaParteNueva) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nx\r\n");
  ASSERT_EQ(a.NumPartes, 2u);
  EXPECT_EQ(a.ReiniciarParte(), 0u);
  EXPECT_EQ(a.NumPartes, 2u);
  EXPECT_EQ(Preguntar(a), (Respuesta{0, 0, 0, 0, 0, 2, ""}));
}

TEST(AnalizadorMimeTest, PilaVaciaContestaPorDefectoYNoHaceNada) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "From: a@x\r\nSubject: s\r\nMIME-Version: 1.0\r\n\r\nx\r\n");
  a.Vaciar();
  EXPECT_EQ(a.NumPartes, 0u);
  EXPECT_EQ(a.Partes, nullptr);
  EXPECT_EQ(a.Direcciones.De, nullptr);
  EXPECT_EQ(Preguntar(a), (Respuesta{1, 0, 0, 0, 0, 0, "<none>"}));
  EXPECT_EQ(a.AnalizarLinea("Subject: otro\r\n"), 0u);
  EXPECT_EQ(a.AnalizarLinea("--x\r\n"), 0u);
  EXPECT_STREQ(a.Asunto, "s");
  // Reinicializar starts a new parse; the captures and CabeceraVista keep their values.
  a.Reinicializar();
  EXPECT_EQ(Preguntar(a), (Respuesta{0, 0, 0, 0, 0, 1, ""}));
  EXPECT_EQ(a.CabeceraVista, 1u);
  EXPECT_STREQ(a.Asunto, "s");
  a.ReiniciarParte();
  EXPECT_EQ(a.NumPartes, 1u);
}

TEST(AnalizadorMimeTest, ReinicializarSinVaciarNoPierdePartes) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n");
  a.Reinicializar();
  EXPECT_EQ(a.NumPartes, 1u);
}

// --- long and hostile values ---------------------------------------------------------------

TEST(AnalizadorMimeTest, ValoresLargosSeCortan) {
  const std::string mil(5000, 'v');
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Subject: " + mil + "\r\n" + "Message-ID: <" + mil + ">\r\n" + "From: " + mil + "\r\n" +
                   "To: " + mil + ", ok@x, N <" + mil + ">\r\n" + "Content-Type: text/plain; name=\"" + mil +
                   "\"\r\n" + "Content-Transfer-Encoding: base64" + mil + "\r\n" + "X-" + mil + ": " + mil +
                   "\r\n\r\n" + mil + "\r\n");
  EXPECT_EQ(std::string(a.Asunto), std::string(kLongAsunto - 1, 'v'));
  EXPECT_STREQ(a.IdMensajeMime, "");
  EXPECT_EQ(a.Direcciones.De, nullptr);
  EXPECT_EQ(Para(a), std::vector<std::string>{"ok@x"});
  EXPECT_EQ(std::string(a.NombreDeParte()), std::string(kMaxTextoNombre - 6, 'v'));
  EXPECT_EQ(a.Codificacion(), kB64);
  EXPECT_EQ(a.BytesCuerpo(), 5002u);
}

// A boundary longer than its field is cut: its delimiter lines still open parts, and its
// closing delimiter, no longer "--" + boundary + "--" over the kept length, opens one too.
TEST(AnalizadorMimeTest, FronteraDemasiadoLargaSeCorta) {
  const std::string f(300, 'f');
  CL_ANALIZADOR_MIME a;
  const auto r = Alimentar(a, "Content-Type: multipart/mixed; boundary=\"" + f + "\"\r\n\r\n--" + f +
                                  "\r\n\r\nx\r\n--" + f + "--\r\n");
  EXPECT_EQ(std::string(a.Partes[0]->Frontera), std::string(kLongFrontera - 1, 'f'));
  EXPECT_EQ(r[2].partes, 2u);
  EXPECT_EQ(r[5], (Respuesta{0, 0, 0, 0, 0, 2, ""}));
}

TEST(AnalizadorMimeTest, DestinatariosAcotados) {
  std::string to = "To: ";
  for (int i = 0; i < 5000; ++i) to += "d" + std::to_string(i) + "@x,";
  CL_ANALIZADOR_MIME a;
  Alimentar(a, to + "\r\n");
  ASSERT_EQ(a.Direcciones.NumPara, CL_ANALIZADOR_MIME::kMaxDestinatarios);
  EXPECT_STREQ(a.Direcciones.Para[0], "d0@x");
  EXPECT_STREQ(a.Direcciones.Para[999], "d999@x");
}

TEST(AnalizadorMimeTest, OchoBitsYBasura) {
  CL_ANALIZADOR_MIME a;
  const auto r = Alimentar(a, "\xc6rom: a@x\r\n\xff\xfe:\r\nContent-Type: \xc9mage/\xe9t\xe9\r\n\x01\x7f\r\n\r\n"
                              "\x80\x81\r\n");
  EXPECT_EQ(a.Direcciones.De, nullptr);
  EXPECT_EQ(r[2], (Respuesta{0, 0, kApp, SUBTIPO_OCTET_STREAM, 0, 1, ""}));
  EXPECT_EQ(r[5], (Respuesta{1, 4, kApp, SUBTIPO_OCTET_STREAM, kLit, 1, ""}));
}

std::string Anidados(int niveles) {
  std::string texto;
  for (int i = 0; i < niveles; ++i) {
    texto += "Content-Type: multipart/mixed; boundary=\"n" + std::to_string(i) + "\"\r\n\r\n--n" +
             std::to_string(i) + "\r\n";
  }
  texto += "Content-Type: text/plain\r\n\r\nhoja\r\n";
  for (int i = niveles - 1; i >= 0; --i) texto += "--n" + std::to_string(i) + "--\r\n";
  return texto;
}

TEST(AnalizadorMimeTest, AnidamientoModeradoSeDeshaceEntero) {
  CL_ANALIZADOR_MIME a;
  const auto r = Alimentar(a, Anidados(50));
  EXPECT_EQ(r[3 * 50 + 2], (Respuesta{1, 6, kText, SUBTIPO_PLAIN, kLit, 51, ""}));
  EXPECT_EQ(r.back().partes, 1u);
  EXPECT_EQ(r.back().tipo, kMulti);
}

// Deeper nesting than the stack allows is read as body text of the deepest multipart.
TEST(AnalizadorMimeTest, AnidamientoHostilSeAcotaEnProfundidad) {
  CL_ANALIZADOR_MIME a;
  const std::string texto = Anidados(10000);
  const auto total = static_cast<uint32_t>(texto.size());
  uint32_t maxima = 0;
  for (uint32_t pos = 0;;) {
    const uint32_t n = LongitudLinea(pos, total, texto.data());
    const std::string linea(texto.data() + pos, n);
    a.AnalizarLinea(linea.c_str());
    if (a.NumPartes > maxima) maxima = a.NumPartes;
    if (n == 0) break;
    pos += n;
  }
  EXPECT_EQ(maxima, CL_ANALIZADOR_MIME::kProfundidadMaxima);
  // The deepest multipart never opened a child: everything after it, the closing delimiters
  // of all its ancestors included, is its body.
  EXPECT_EQ(a.NumPartes, CL_ANALIZADOR_MIME::kProfundidadMaxima);
  EXPECT_EQ(a.Tipo(), kMulti);
  EXPECT_EQ(a.EnCuerpo(), 1u);
  EXPECT_EQ(a.ParteInterior()->FronteraVista, 0u);
}

TEST(AnalizadorMimeTest, SeCreaConNewYSeDestruyeConDelete) {
  auto a = std::make_unique<CL_ANALIZADOR_MIME>();
  Alimentar(*a, "To: a@x, b@x\r\nFrom: c@x\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n");
  EXPECT_EQ(a->NumPartes, 2u);
  a.reset();  // frees addresses, parts and the array (checked by the sanitizer build)
}

}  // namespace
}  // namespace orvex
