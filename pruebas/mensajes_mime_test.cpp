#include "pruebas/mensajes_mime.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvex::pruebas {
namespace {

TEST(MensajesMimeTest, CodificacionesDeReferencia) {
  struct Caso {
    std::string entrada, base64, qp;
  };
  const Caso casos[] = {
      {"", "", ""},
      {"Man", "TWFu\n", "Man"},
      {"Ma", "TWE=\n", "Ma"},
      {"a=b \n", "YT1iIAo=\n", "a=3Db=20\n"},
      {std::string("\0\xff", 2), "AP8=\n", "=00=FF"},
  };
  for (std::size_t i = 0; i < std::size(casos); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Base64(casos[i].entrada), casos[i].base64);
    EXPECT_EQ(QuotedPrintable(casos[i].entrada), casos[i].qp);
  }
  // 57 bytes fill exactly one 76-character line; 58 open a second one.
  EXPECT_EQ(Base64(std::string(57, 'x')).size(), 77u);
  EXPECT_EQ(Base64(std::string(58, 'x')).size(), 77u + 5u);
  // Quoted-printable lines stay under 76 characters with their soft break.
  const std::string qp = QuotedPrintable(std::string(200, '='));
  for (std::size_t inicio = 0, fin; inicio < qp.size(); inicio = fin + 1) {
    fin = qp.find('\n', inicio);
    if (fin == std::string::npos) fin = qp.size();
    EXPECT_LE(fin - inicio, 76u);
  }
}

TEST(MensajesMimeTest, FinesDeLineaYFronteras) {
  const std::string crlf = MensajeConAdjunto("abc");
  const std::string lf = MensajeConAdjunto("abc", FinDeLinea::kLf);
  EXPECT_EQ(lf.find('\r'), std::string::npos);
  EXPECT_EQ(crlf.size(), lf.size() + std::count(lf.begin(), lf.end(), '\n'));
  EXPECT_NE(crlf.find("\r\n\r\n"), std::string::npos);
  EXPECT_NE(crlf.find("name=\"x.exe\""), std::string::npos);
  EXPECT_NE(crlf.find("\r\nYWJj\r\n"), std::string::npos);
  const std::string frontera = "=_frontera_mixed_2";
  EXPECT_NE(crlf.find("\r\n--" + frontera + "\r\n"), std::string::npos);
  EXPECT_NE(crlf.find("\r\n--" + frontera + "--\r\n"), std::string::npos);
  EXPECT_NE(MensajeHtml().find("------=_NextPart_000"), std::string::npos);
}

}  // namespace
}  // namespace orvex::pruebas
