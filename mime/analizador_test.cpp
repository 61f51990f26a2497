#include "mime/analizador.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "soporte/texto.h"

namespace orvex {
namespace {

// What the message object asks about the innermost part after a line, as one text:
// "<parts> h" in a header block, "<parts> b<body bytes>" in a body, then type/subtype/encoding
// when any is set, then the name when there is one.
std::string Resumen(const CL_ANALIZADOR_MIME& a) {
  static const char* const kTipos[] = {"0", "app", "msg", "multi", "text", "image", "audio", "video", "x", "9", "def"};
  static const char* const kSubtipos[] = {"0",     "octet", "ps",     "oda",      "rfc822", "partial", "external",
                                          "mixed", "alt",   "digest", "parallel", "plain",  "html",    "desc", "otro"};
  static const char* const kCodigos[] = {"0", "b64", "qp", "3", "lit"};
  auto texto = [](const auto& nombres, uint32_t v) { return std::string(v < std::size(nombres) ? nombres[v] : "?"); };
  std::string r = std::to_string(a.NumPartes) + (a.EnCuerpo() != 0 ? " b" : " h");
  if (a.EnCuerpo() != 0 || a.BytesCuerpo() != 0) r += std::to_string(a.BytesCuerpo());
  if (a.Tipo() != 0 || a.Subtipo() != 0 || a.Codificacion() != 0) {
    r += " " + texto(kTipos, a.Tipo()) + "/" + texto(kSubtipos, a.Subtipo()) + "/" + texto(kCodigos, a.Codificacion());
  }
  const char* nombre = a.NombreDeParte();
  if (nombre == nullptr || *nombre != 0) r += std::string(" ") + (nombre == nullptr ? "<none>" : nombre);
  return r;
}

// The captured From, To entries, Subject and Message-ID: "de|para,para|asunto|id".
std::string Capturas(const CL_ANALIZADOR_MIME& a) {
  std::string r = a.Direcciones.De == nullptr ? "<none>" : a.Direcciones.De;
  for (uint32_t i = 0; i < a.Direcciones.NumPara; ++i) r += (i == 0 ? "|" : ",") + std::string(a.Direcciones.Para[i]);
  if (a.Direcciones.NumPara == 0) r += "|";
  return r + "|" + a.Asunto + "|" + a.IdMensajeMime;
}

// The message object's loop: LongitudLinea over the text, each line with its line end and a
// NUL, and at last the empty line that the end of the text yields, which must change nothing.
std::vector<std::string> Alimentar(CL_ANALIZADOR_MIME& a, const std::string& texto) {
  std::vector<std::string> respuestas;
  const auto total = static_cast<uint32_t>(texto.size());
  for (uint32_t pos = 0;;) {
    const uint32_t n = LongitudLinea(pos, total, texto.data());
    const std::string linea(texto.data() + pos, n);
    a.AnalizarLinea(linea.c_str());
    if (n == 0) break;
    respuestas.push_back(Resumen(a));
    pos += n;
  }
  if (!respuestas.empty()) {
    EXPECT_EQ(Resumen(a), respuestas.back()) << "the final empty line changed state";
  }
  return respuestas;
}

// Joins lines with a line end; a line that already ends in LF keeps it alone.
std::string Unir(const std::vector<std::string>& lineas, const char* fin) {
  std::string r;
  for (const std::string& l : lineas) r += l + (!l.empty() && l.back() == '\n' ? "" : fin);
  return r;
}

struct Caso {
  const char* nombre;
  std::string capturas;
  uint32_t cabeceraVista;
  std::vector<std::pair<std::string, std::string>> lineas;  // each line (without its end) and the answer after it
};

const std::vector<Caso>& Casos() {
  const std::string f(300, 'f');
  static const std::vector<Caso> casos = {
      {"mensaje simple", "ana@x.es|b@y.es|hi|", 1,
       {{"From: Ana <ana@x.es>", "1 h"}, {"To: b@y.es", "1 h"}, {"Subject: hi", "1 h"}, {"", "1 b0 def/otro/lit"},
        {"uno", "1 b5 def/otro/lit"}, {"dos", "1 b10 def/otro/lit"}}},
      {"multipart/mixed con cuerpo y adjunto", "a@x|||", 1,
       {{"From: a@x", "1 h"}, {"MIME-Version: 1.0", "1 h"},
        {"Content-Type: multipart/mixed; boundary=\"b1\"", "1 h multi/mixed/0"}, {"", "1 b0 multi/mixed/lit"},
        {"preambulo", "1 b11 multi/mixed/lit"}, {"--b1", "2 h"}, {"Content-Type: text/plain", "2 h text/plain/0"},
        {"", "2 b0 text/plain/lit"}, {"hola", "2 b6 text/plain/lit"}, {"--b1", "2 h"},
        {"Content-Type: application/octet-stream; name=\"x.exe\"", "2 h app/octet/0 x.exe"},
        {"Content-Transfer-Encoding: base64", "2 h app/octet/b64 x.exe"}, {"", "2 b0 app/octet/b64 x.exe"},
        {"TVqQ", "2 b6 app/octet/b64 x.exe"}, {"--b1--", "1 b17 multi/mixed/lit"},
        {"epilogo", "1 b26 multi/mixed/lit"}}},
      {"frontera sin comillas guarda el CR: no hay cierre", "<none>|||", 1,
       {{"Content-Type: multipart/mixed; boundary=b2", "1 h multi/mixed/0"}, {"", "1 b0 multi/mixed/lit"},
        {"--b2", "2 h"}, {"", "2 b0 def/otro/lit"}, {"uno", "2 b5 def/otro/lit"}, {"--b2", "2 h"},
        {"", "2 b0 def/otro/lit"}, {"dos", "2 b5 def/otro/lit"}, {"--b2--", "2 b13 def/otro/lit"},
        {"fin", "2 b18 def/otro/lit"}}},
      {"frontera en una linea plegada", "<none>|||", 1,
       {{"Content-Type: multipart/alternative;", "1 h multi/alt/0"}, {"\tboundary=\"f1\"", "1 h multi/alt/0"},
        {"", "1 b0 multi/alt/lit"}, {"--f1", "2 h"},
        {"Content-Type: text/html; name=\"p.htm\"", "2 h text/html/0 p.htm"}, {"", "2 b0 text/html/lit p.htm"},
        {"<p>", "2 b5 text/html/lit p.htm"}, {"--f1--", "1 b6 multi/alt/lit"}}},
      {"tipo en una linea plegada", "<none>|||", 1,
       {{"Content-Type:", "1 h"}, {" text/plain; name=\"a.txt\"", "1 h text/plain/0 a.txt"},
        {"", "1 b0 text/plain/lit a.txt"}, {"x", "1 b3 text/plain/lit a.txt"}}},
      {"hijo de digest sin Content-Type", "<none>|||", 1,
       {{"Content-Type: multipart/digest; boundary=\"d\"", "1 h multi/digest/0"}, {"", "1 b0 multi/digest/lit"},
        {"--d", "2 h"}, {"", "2 h"}, {"From: dentro@x", "2 h"}, {"Subject: dentro", "2 h"},
        {"", "2 b0 def/otro/lit"}, {"texto", "2 b7 def/otro/lit"}, {"--d--", "1 b5 multi/digest/lit"}}},
      {"message/rfc822 exterior vuelve a leer cabeceras", "dentro@y||dentro|", 1,
       {{"From: fuera@x", "1 h"}, {"Subject: fuera", "1 h"},
        {"Content-Type: text/plain; name=\"a.txt\"", "1 h text/plain/0 a.txt"},
        {"Content-Type: message/rfc822", "1 h msg/rfc822/0 a.txt"},
        {"Content-Transfer-Encoding: 7bit", "1 h msg/rfc822/lit a.txt"}, {"", "1 h"},
        {"From: Dentro <dentro@y>", "1 h"}, {"Subject: dentro", "1 h"},
        {"Content-Type: text/plain; name=\"n.txt\"", "1 h text/plain/0 n.txt"}, {"", "1 b0 text/plain/lit n.txt"},
        {"cuerpo", "1 b8 text/plain/lit n.txt"}}},
      {"message/partial tambien encapsula", "<none>|||", 1,
       {{"Content-Type: message/partial; id=\"x\"", "1 h msg/partial/0"}, {"", "1 h"},
        {"Content-Type: image/gif", "1 h image/otro/0"}, {"", "1 b0 image/otro/lit"},
        {"GIF", "1 b5 image/otro/lit"}}},
      {"Content-Transfer-Encoding en minusculas no se reconoce", "<none>|||", 1,
       {{"Content-Type: text/plain", "1 h text/plain/0"}, {"content-transfer-encoding: base64", "1 h text/plain/0"},
        {"", "1 b0 text/plain/lit"}, {"aGk=", "1 b6 text/plain/lit"}}},
      {"delimitador durante una cabecera no se reconoce", "<none>|||", 1,
       {{"Content-Type: multipart/mixed; boundary=\"b\"", "1 h multi/mixed/0"}, {"", "1 b0 multi/mixed/lit"},
        {"--b", "2 h"}, {"Content-Type: text/plain", "2 h text/plain/0"}, {"--b", "2 h text/plain/0"},
        {"", "2 b0 text/plain/lit"}, {"x", "2 b3 text/plain/lit"}, {"--b--", "1 b5 multi/mixed/lit"}}},
      {"multipart sin frontera: cualquier linea con -- abre", "<none>|||", 1,
       {{"Content-Type: multipart/mixed", "1 h multi/mixed/0"}, {"", "1 b0 multi/mixed/lit"},
        {"texto", "1 b7 multi/mixed/lit"}, {"--cualquiera", "2 h"}, {"", "2 b0 def/otro/lit"},
        {"a", "2 b3 def/otro/lit"}}},
      {"multipart anidado", "<none>|||", 1,
       {{"Content-Type: multipart/mixed; boundary=\"A\"", "1 h multi/mixed/0"}, {"", "1 b0 multi/mixed/lit"},
        {"--A", "2 h"}, {"Content-Type: multipart/alternative; boundary=\"B\"", "2 h multi/alt/0"},
        {"", "2 b0 multi/alt/lit"}, {"--B", "3 h"}, {"", "3 b0 def/otro/lit"}, {"t", "3 b3 def/otro/lit"},
        {"--B--", "2 b5 multi/alt/lit"}, {"--A", "2 h"}, {"", "2 b0 def/otro/lit"}, {"u", "2 b3 def/otro/lit"},
        {"--A--", "1 b5 multi/mixed/lit"}}},
      {"un multipart antes de su primer delimitador no ve los de su padre", "<none>|||", 1,
       {{"Content-Type: multipart/mixed; boundary=\"A\"", "1 h multi/mixed/0"}, {"", "1 b0 multi/mixed/lit"},
        {"--A", "2 h"}, {"Content-Type: multipart/alternative; boundary=\"B\"", "2 h multi/alt/0"},
        {"", "2 b0 multi/alt/lit"}, {"--A", "2 b5 multi/alt/lit"}, {"--A--", "2 b12 multi/alt/lit"}, {"--B", "3 h"}}},
      {"Content-Type sin tipo ni subtipo toma los valores por defecto", "<none>|||", 1,
       {{"Content-Type: text", "1 h"}, {"", "1 b0 def/otro/lit"}, {"x", "1 b3 def/otro/lit"}}},
      {"tipo desconocido con nombre sin comillas: el nombre guarda el CR", "<none>|||", 1,
       {{"Content-Type: foo/bar; name=x.exe", "1 h app/octet/0 x.exe\r"}, {"", "1 b0 app/octet/lit x.exe\r"}}},
      {"imagen con nombre: no se guarda", "<none>|||", 1,
       {{"Content-Type: image/gif; name=\"a.gif\"", "1 h image/otro/0"},
        {"Content-Transfer-Encoding: base64", "1 h image/otro/b64"}, {"", "1 b0 image/otro/b64"},
        {"R0lG", "1 b6 image/otro/b64"}}},
      {"cabeceras de un hijo no se capturan", "<none>||fuera|", 1,
       {{"Subject: fuera", "1 h"}, {"Content-Type: multipart/mixed; boundary=\"b\"", "1 h multi/mixed/0"},
        {"", "1 b0 multi/mixed/lit"}, {"--b", "2 h"}, {"Subject: dentro", "2 h"}, {"From: dentro@x", "2 h"},
        {"To: dentro@x", "2 h"}, {"Message-ID: <dentro>", "2 h"}, {"", "2 b0 def/otro/lit"}}},

      {"una linea de solo LF no termina la cabecera", "<none>||a|", 1,
       {{"Subject: a", "1 h"}, {"\n", "1 h"}, {"Content-Type: text/html", "1 h text/html/0"},
        {"", "1 b0 text/html/lit"}, {"x", "1 b3 text/html/lit"}}},
      {"el primer Content-Transfer-Encoding gana", "<none>|||", 0,
       {{"Content-Transfer-Encoding: quoted-printable", "1 h 0/0/qp"},
        {"Content-Transfer-Encoding: base64", "1 h 0/0/qp"}}},
      {"Content-Transfer-Encoding sin token cuenta como literal", "<none>|||", 0,
       {{"Content-Transfer-Encoding:", "1 h 0/0/lit"}, {" base64", "1 h 0/0/lit"},
        {"Content-Transfer-Encoding: base64", "1 h 0/0/lit"}}},
      {"un segundo Content-Type reemplaza, una continuacion no", "<none>|||", 0,
       {{"Content-Type: text/plain", "1 h text/plain/0"}, {"\timage/gif", "1 h text/plain/0"},
        {"Content-Type: text/html", "1 h text/html/0"}}},
      {"hijo de digest con Content-Type", "<none>|||", 0,
       {{"Content-Type: multipart/digest; boundary=\"d\"", "1 h multi/digest/0"}, {"", "1 b0 multi/digest/lit"},
        {"--d", "2 h"}, {"Content-Type: text/plain", "2 h text/plain/0"}, {"", "2 b0 text/plain/lit"},
        {"hola", "2 b6 text/plain/lit"}, {"--d", "2 h"}, {"", "2 h"}}},
      {"una linea con NUL cuenta hasta el NUL", "<none>|||", 1,
       {{"", "1 b0 def/otro/lit"}, {std::string("ab\0cd", 5), "1 b2 def/otro/lit"}}},
      // Cut to its field, a long boundary still opens parts, and its closing delimiter, no
      // longer "--" + boundary + "--" over the kept length, opens one too.
      {"frontera demasiado larga", "<none>|||", 1,
       {{"Content-Type: multipart/mixed; boundary=\"" + f + "\"", "1 h multi/mixed/0"},
        {"", "1 b0 multi/mixed/lit"}, {"--" + f, "2 h"}, {"", "2 b0 def/otro/lit"}, {"x", "2 b3 def/otro/lit"},
        {"--" + f + "--", "2 h"}}},
      {"ocho bits y basura", "<none>|||", 1,
       {{"\xc6rom: a@x", "1 h"}, {"\xff\xfe:", "1 h"}, {"Content-Type: \xc9mage/\xe9t\xe9", "1 h app/octet/0"},
        {"\x01\x7f", "1 h app/octet/0"}, {"", "1 b0 app/octet/lit"}, {"\x80\x81", "1 b4 app/octet/lit"}}},
  };
  return casos;
}

std::vector<std::string> Lineas(const Caso& c) {
  std::vector<std::string> r;
  for (const auto& l : c.lineas) r.push_back(l.first);
  return r;
}

TEST(AnalizadorMimeTest, CasosConCrLf) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nombre);
    CL_ANALIZADOR_MIME a;
    const auto respuestas = Alimentar(a, Unir(Lineas(c), "\r\n"));
    ASSERT_EQ(respuestas.size(), c.lineas.size());
    for (std::size_t i = 0; i < respuestas.size(); ++i) {
      EXPECT_EQ(respuestas[i], c.lineas[i].second) << "after line " << i + 1 << ": " << c.lineas[i].first;
    }
    EXPECT_EQ(Capturas(a), c.capturas);
    EXPECT_EQ(a.CabeceraVista, c.cabeceraVista);
  }
}

// With LF alone no header block ever ends: every line is a header line of the outer message.
TEST(AnalizadorMimeTest, CasosConLfNuncaSalenDeLaCabecera) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nombre);
    CL_ANALIZADOR_MIME a;
    const auto respuestas = Alimentar(a, Unir(Lineas(c), "\n"));
    for (std::size_t i = 0; i < respuestas.size(); ++i) {
      const std::string& r = respuestas[i];
      EXPECT_TRUE(r == "1 h" || r.starts_with("1 h ")) << "line " << i + 1 << ": " << r;
    }
  }
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "From: a@x\nSubject: uno\n\nSubject: dos\nContent-Type: image/png\n");
  EXPECT_EQ(Capturas(a), "a@x||dos|");
  EXPECT_EQ(Resumen(a), "1 h image/otro/0");
  EXPECT_EQ(a.CabeceraVista, 0u);
}

// Captures come from the outer header block, with either line end.
TEST(AnalizadorMimeTest, Capturas) {
  const struct {
    std::vector<std::string> lineas;
    std::string capturas;
  } casos[] = {
      {{"From: Ana Ruiz <ana@x.es>"}, "ana@x.es|||"}, {{"From: ana@x.es"}, "ana@x.es|||"},
      {{"From: ana@x.es (Ana)"}, "<none>|||"}, {{"From: ana@x.es "}, "<none>|||"},
      {{"From: a@x", "From: b@x", "From: c d"}, "b@x|||"},  // the last one recognised wins
      {{"From: Ruiz,", "  Ana <ana@x.es>"}, "ana@x.es|||"},
      {{"From: Ana Ruiz", "  <ana@x.es>"}, "<ana@x.es>|||"},  // a one-word continuation is taken whole
      {{"From ana@x.es Mon Jan 1 12:00:00 2001"}, "<none>|||"},
      {{"To: b@y.es, Bea <bea@y.es>"}, "<none>|b@y.es,bea@y.es||"}, {{"To: Smith, John <j@x>"}, "<none>|Smith,j@x||"},
      {{"To: ,a@x,b@y"}, "<none>|a@x||"}, {{"To: a@x,", "\tb@y"}, "<none>|a@x,b@y||"},
      {{"Topic: t@x"}, "<none>|t@x||"}, {{"To: a@x", "Cc: c@x", "to: b@x"}, "<none>|a@x,b@x||"},
      {{"Subject: hola mundo"}, "<none>||hola mundo|"},
      {{"Subject: uno", " dos"}, "<none>||uno|"},  // a folded subject is not joined
      {{"Subject: uno", "SUBJECT:dos"}, "<none>||dos|"}, {{"Subject: a\rb"}, "<none>||a|"},
      {{"Subject: caf\xe9 \xff"}, "<none>||caf\xe9 \xff|"}, {{"Message-ID: <id@x>"}, "<none>|||id@x"},
      {{"Message-ID: <id@x>", "Message-Id: id@y"}, "<none>|||"},  // a malformed one clears it
  };
  for (const auto& c : casos) {
    for (const char* fin : {"\r\n", "\n"}) {
      SCOPED_TRACE(testing::PrintToString(c.lineas[0] + fin));
      CL_ANALIZADOR_MIME a;
      Alimentar(a, Unir(c.lineas, fin));
      EXPECT_EQ(Capturas(a), c.capturas);
    }
  }
}

TEST(AnalizadorMimeTest, QueCabeceraSeReconocioYSiSeVioLaVersionMime) {
  const struct {
    std::vector<const char*> lineas;
    uint32_t tipoCabecera, vista;
  } casos[] = {
      {{"MIME-Version: 1.0\r\n"}, CAB_MIME_VERSION, 1},
      {{"X-Comentario: mime-version: otra\r\n"}, CAB_MIME_VERSION, 1},
      {{"MIME-Version:\r\n"}, CAB_MIME_VERSION, 0},  // no token
      {{"MIME-Version: \r\n"}, CAB_MIME_VERSION, 0},
      {{"Subject: x\r\n"}, CAB_NINGUNA, 0},
      // A second transfer encoding is not recognised at all.
      {{"Content-Transfer-Encoding: qp\r\n", "Content-Transfer-Encoding: base64\r\n"}, CAB_NINGUNA, 0},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.lineas.back());
    CL_ANALIZADOR_MIME a;
    for (const char* linea : c.lineas) a.AnalizarLinea(linea);
    EXPECT_EQ(a.ParteInterior()->TipoCabecera, c.tipoCabecera);
    EXPECT_EQ(a.CabeceraVista, c.vista);
  }
}

TEST(AnalizadorMimeTest, ParserNuevoYPartesPorDefecto) {
  CL_ANALIZADOR_MIME a;
  EXPECT_EQ(Resumen(a) + " " + Capturas(a), "1 h <none>|||");
  EXPECT_EQ(a.CabeceraVista + a.FiltroNivel, 0u);
  EXPECT_EQ(std::vector<uint32_t>({a.ExtraerTextPlain, a.ExtraerTextHtml, a.ExtraerOctetStream, a.ExtraerImage,
                                   a.ExtraerAudio, a.ExtraerVideo, a.ExtraerOtros}),
            std::vector<uint32_t>(7, 1));
  auto defectos = [&a] {
    const PARTE_MIME* p = a.ParteInterior();
    return std::vector<uint32_t>({p->TipoDefecto, p->SubtipoDefecto, p->CodificacionDefecto});
  };
  EXPECT_EQ(defectos(), std::vector<uint32_t>({TIPO_POR_DEFECTO, SUBTIPO_OTRO, CODIF_LITERAL}));
  Alimentar(a, "Content-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n");
  EXPECT_EQ(defectos(), std::vector<uint32_t>({TIPO_MESSAGE, SUBTIPO_RFC822, CODIF_LITERAL}));  // a digest child
}

TEST(AnalizadorMimeTest, LineaNulaReiniciarVaciarYReinicializar) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Subject: s\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
               "--b\r\n\r\nx\r\n");
  EXPECT_EQ(a.AnalizarLinea(nullptr), 0u);  // like the end of the text
  EXPECT_EQ(Resumen(a), "2 b3 def/otro/lit");
  EXPECT_EQ(a.ReiniciarParte(), 0u);
  EXPECT_EQ(Resumen(a), "2 h");
  a.Reinicializar();  // without Vaciar no part is lost
  EXPECT_EQ(a.NumPartes, 1u);
  a.Vaciar();
  EXPECT_EQ(a.Partes, nullptr);
  EXPECT_EQ(Resumen(a), "0 b0 <none>");  // an empty stack answers the defaults and takes no line
  EXPECT_EQ(a.AnalizarLinea("Subject: otro\r\n"), 0u);
  EXPECT_EQ(a.AnalizarLinea("--x\r\n"), 0u);
  EXPECT_EQ(Capturas(a), "<none>||s|");
  a.Reinicializar();  // a new parse; the captures and CabeceraVista keep their values
  EXPECT_EQ(Resumen(a), "1 h");
  EXPECT_EQ(a.CabeceraVista, 1u);
  EXPECT_EQ(Capturas(a), "<none>||s|");
  a.ReiniciarParte();
  EXPECT_EQ(a.NumPartes, 1u);
}

TEST(AnalizadorMimeTest, ValoresLargosYDestinatariosSeAcotan) {
  const std::string v(5000, 'v');
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Subject: " + v + "\r\nMessage-ID: <" + v + ">\r\nFrom: " + v + "\r\nTo: " + v + ", ok@x, N <" + v +
                   ">\r\nContent-Type: text/plain; name=\"" + v + "\"\r\nContent-Transfer-Encoding: base64" + v +
                   "\r\nX-" + v + ": " + v + "\r\n\r\n" + v + "\r\n");
  EXPECT_EQ(Capturas(a), "<none>|ok@x|" + std::string(kLongAsunto - 1, 'v') + "|");
  EXPECT_EQ(Resumen(a), "1 b5002 text/plain/b64 " + std::string(kMaxTextoNombre - 6, 'v'));
  std::string to = "To: ";
  for (int i = 0; i < 5000; ++i) to += "d" + std::to_string(i) + "@x,";
  CL_ANALIZADOR_MIME b;
  Alimentar(b, to + "\r\n");
  ASSERT_EQ(b.Direcciones.NumPara, CL_ANALIZADOR_MIME::kMaxDestinatarios);
  EXPECT_STREQ(b.Direcciones.Para[999], "d999@x");
}

std::string Anidados(int niveles) {
  std::string texto;
  for (int i = 0; i < niveles; ++i) {
    const std::string n = std::to_string(i);
    texto += "Content-Type: multipart/mixed; boundary=\"n" + n + "\"\r\n\r\n--n" + n + "\r\n";
  }
  texto += "Content-Type: text/plain\r\n\r\nhoja\r\n";
  for (int i = niveles - 1; i >= 0; --i) texto += "--n" + std::to_string(i) + "--\r\n";
  return texto;
}

// Nesting unwinds whole; deeper than the stack allows, the deepest multipart reads the rest,
// its ancestors' closing delimiters included, as its body.
TEST(AnalizadorMimeTest, AnidamientoSeDeshaceYSeAcotaEnProfundidad) {
  CL_ANALIZADOR_MIME a;
  const auto r = Alimentar(a, Anidados(50));
  EXPECT_EQ(r[3 * 50 + 2], "51 b6 text/plain/lit");
  EXPECT_EQ(r.back(), "1 b6 multi/mixed/lit");
  CL_ANALIZADOR_MIME b;
  const auto hostil = Alimentar(b, Anidados(10000));
  uint32_t maxima = 0;
  for (const std::string& x : hostil) maxima = std::max<uint32_t>(maxima, std::stoul(x));
  EXPECT_EQ(maxima, CL_ANALIZADOR_MIME::kProfundidadMaxima);
  EXPECT_TRUE(hostil.back().starts_with("1000 b") && hostil.back().ends_with(" multi/mixed/lit")) << hostil.back();
  EXPECT_EQ(b.ParteInterior()->FronteraVista, 0u);
}

}  // namespace
}  // namespace orvex
