#include "mime/analizador.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "pruebas/tablas.h"
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
  std::string nombre;
  std::string capturas;
  uint32_t cabeceraVista;
  std::vector<std::pair<std::string, std::string>> lineas;  // each line (without its end) and the answer after it
};

// The golden table (pruebas/datos/analizador_mime.txt), and one case too long to keep there.
const std::vector<Caso>& Casos() {
  static const std::vector<Caso> casos = [] {
    std::vector<Caso> r;
    for (std::vector<std::string>& fila : pruebas::Filas(
#include "pruebas/datos/analizador_mime.inc"
             )) {
      if (fila[0].starts_with("== ")) {
        r.push_back({fila[0].substr(3), "", 0, {}});
      } else if (r.back().capturas.empty()) {
        r.back().capturas = fila.at(0);
        r.back().cabeceraVista = static_cast<uint32_t>(std::stoul(fila.at(1)));
      } else {
        r.back().lineas.emplace_back(fila[0], fila.at(1));
      }
    }
    // Cut to its field, a long boundary still opens parts, and its closing delimiter, no
    // longer "--" + boundary + "--" over the kept length, opens one too.
    const std::string f(300, 'f');
    r.push_back({"frontera demasiado larga", "<none>|||", 1,
                 {{"Content-Type: multipart/mixed; boundary=\"" + f + "\"", "1 h multi/mixed/0"},
                  {"", "1 b0 multi/mixed/lit"}, {"--" + f, "2 h"}, {"", "2 b0 def/otro/lit"},
                  {"x", "2 b3 def/otro/lit"}, {"--" + f + "--", "2 h"}}});
    return r;
  }();
  return casos;
}

std::vector<std::string> Lineas(const Caso& c) {
  std::vector<std::string> r;
  for (const auto& l : c.lineas) r.push_back(l.first);
  return r;
}

TEST(AnalizadorMimeTest, CasosConCrLf) {
  ASSERT_GE(Casos().size(), 25u);
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
