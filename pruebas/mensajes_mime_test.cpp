#include "pruebas/mensajes_mime.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvex::pruebas {
namespace {

// The library's decoders are checked against these encoders, so they are pinned on their own.
TEST(MensajesMimeTest, CodificacionesDeReferencia) {
  struct Caso {
    std::string entrada, base64, qp;
  };
  const Caso casos[] = {
      {"Man", "TWFu\n", "Man"},
      {"Ma", "TWE=\n", "Ma"},
      {"a=b \n", "YT1iIAo=\n", "a=3Db=20\n"},
      {std::string("\0\xff", 2), "AP8=\n", "=00=FF"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.base64);
    EXPECT_EQ(Base64(c.entrada), c.base64);
    EXPECT_EQ(QuotedPrintable(c.entrada), c.qp);
  }
  // 57 bytes fill one 76-character line exactly; quoted-printable lines stay within 76.
  EXPECT_EQ(Base64(std::string(57, 'x')).size(), 77u);
  EXPECT_EQ(Base64(std::string(58, 'x')).size(), 77u + 5u);
  const std::string qp = QuotedPrintable(std::string(200, '='));
  for (std::size_t inicio = 0, fin; inicio < qp.size(); inicio = fin + 1) {
    fin = std::min(qp.find('\n', inicio), qp.size());
    EXPECT_LE(fin - inicio, 76u);
  }
}

TEST(MensajesMimeTest, FinesDeLineaYFronteras) {
  const std::string crlf = MensajeConAdjunto("abc");
  const std::string lf = MensajeConAdjunto("abc", FinDeLinea::kLf);
  EXPECT_EQ(lf.find('\r'), std::string::npos);
  EXPECT_EQ(crlf.size(), lf.size() + std::count(lf.begin(), lf.end(), '\n'));
  for (const char* trozo :
       {"\r\n\r\n", "\r\nYWJj\r\n", "\r\n--=_frontera_mixed_2\r\n", "\r\n--=_frontera_mixed_2--\r\n"}) {
    EXPECT_NE(crlf.find(trozo), std::string::npos) << trozo;
  }
  EXPECT_NE(MensajeHtml().find("------=_NextPart_000"), std::string::npos);
}

}  // namespace
}  // namespace orvex::pruebas
