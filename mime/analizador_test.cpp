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

// Each case of pruebas/datos/analizador_mime.txt with CR LF line ends; then with LF alone, where no
// header block ever ends: every line is a header line of the outer message, and a case that never
// leaves the outer header block captures the same.
TEST(AnalizadorMimeTest, CasosConCrLfYConLf) {
  const auto filas = pruebas::Filas(
#include "pruebas/datos/analizador_mime.inc"
  );
  int casos = 0;
  for (std::size_t i = 0; i < filas.size(); ++casos) {
    SCOPED_TRACE(filas[i].at(0));
    const std::vector<std::string>& capturas = filas.at(i + 1);
    std::vector<std::string> lineas, respuestas;  // each line (without its end) and the answer after it
    for (i += 2; i < filas.size() && !filas[i][0].starts_with("== "); ++i) {
      lineas.push_back(filas[i][0]);
      respuestas.push_back(filas[i].at(1));
    }
    CL_ANALIZADOR_MIME a, lf;
    EXPECT_EQ(Alimentar(a, Unir(lineas, "\r\n")), respuestas);
    EXPECT_EQ(Capturas(a), capturas[0]);
    EXPECT_EQ(std::to_string(a.CabeceraVista), capturas.at(1));
    for (const std::string& r : Alimentar(lf, Unir(lineas, "\n"))) {
      EXPECT_TRUE(r == "1 h" || r.starts_with("1 h ")) << r;
    }
    if (std::ranges::all_of(respuestas, [](const std::string& r) { return r == "1 h"; })) {
      EXPECT_EQ(Capturas(lf), capturas[0]);
    }
  }
  EXPECT_GE(casos, 45);
}

TEST(AnalizadorMimeTest, LineaNulaReiniciarYVaciar) {
  CL_ANALIZADOR_MIME a;
  Alimentar(a, "Subject: s\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
               "--b\r\n\r\nx\r\n");
  EXPECT_EQ(a.AnalizarLinea(nullptr), 0u);  // like the end of the text
  EXPECT_EQ(Resumen(a), "2 b3 def/otro/lit");
  EXPECT_EQ(a.ReiniciarParte(), 0u);
  EXPECT_EQ(Resumen(a), "2 h");
  a.Vaciar();
  EXPECT_EQ(a.Partes, nullptr);
  EXPECT_EQ(Resumen(a), "0 b0 <none>");  // an empty stack answers the defaults and takes no line
  EXPECT_EQ(a.AnalizarLinea("--x\r\n"), 0u);
}

}  // namespace
}  // namespace orvex
