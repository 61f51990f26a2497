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
  std::vector<std::string> lineas, respuestas;  // each line (without its end) and the answer after it
};

// The golden table, pruebas/datos/analizador_mime.txt.
const std::vector<Caso>& Casos() {
  static const std::vector<Caso> casos = [] {
    std::vector<Caso> r;
    for (std::vector<std::string>& fila : pruebas::Filas(
#include "pruebas/datos/analizador_mime.inc"
             )) {
      if (fila[0].starts_with("== ")) {
        r.push_back({fila[0].substr(3), "", 0, {}, {}});
      } else if (r.back().capturas.empty()) {
        r.back().capturas = fila.at(0);
        r.back().cabeceraVista = static_cast<uint32_t>(std::stoul(fila.at(1)));
      } else {
        r.back().lineas.push_back(fila[0]);
        r.back().respuestas.push_back(fila.at(1));
      }
    }
    return r;
  }();
  return casos;
}

// Each case with CR LF line ends; then with LF alone, where no header block ever ends: every line
// is a header line of the outer message, and a case that never leaves the outer header block
// captures the same.
TEST(AnalizadorMimeTest, CasosConCrLfYConLf) {
  ASSERT_GE(Casos().size(), 45u);
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nombre);
    CL_ANALIZADOR_MIME a, lf;
    EXPECT_EQ(Alimentar(a, Unir(c.lineas, "\r\n")), c.respuestas);
    EXPECT_EQ(Capturas(a), c.capturas);
    EXPECT_EQ(a.CabeceraVista, c.cabeceraVista);
    for (const std::string& r : Alimentar(lf, Unir(c.lineas, "\n"))) {
      EXPECT_TRUE(r == "1 h" || r.starts_with("1 h ")) << r;
    }
    if (std::ranges::all_of(c.respuestas, [](const std::string& r) { return r == "1 h"; })) {
      EXPECT_EQ(Capturas(lf), c.capturas);
    }
  }
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
  a.Reinicializar();  // a new parse; the captures and CabeceraVista keep their values
  EXPECT_EQ(Resumen(a), "1 h");
  EXPECT_EQ(a.CabeceraVista, 1u);
  EXPECT_EQ(Capturas(a), "<none>||s|");
}

}  // namespace
}  // namespace orvex
