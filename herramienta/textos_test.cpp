#include "herramienta/textos.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

struct Caso {
  const char* nombre;
  std::string entrada;
  std::string esperado;
};

TEST(AUtf8Test, Conversion) {
  const Caso casos[] = {
      {"ascii", "Hola", "Hola"},
      {"latin-1 letter", "Caf\xE9", "Caf\xC3\xA9"},
      {"cp1252 euro and quotes", "\x80 \x93x\x94", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D"},
      {"cp1252 hole", "\x81", "\xEF\xBF\xBD"},
      {"valid utf-8 kept", "Caf\xC3\xA9", "Caf\xC3\xA9"},
      {"overlong utf-8 is not utf-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
      {"control chars become spaces", "a\x1b[31mb\tc", "a [31mb c"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(AUtf8(c.entrada), c.esperado);
  }
}

TEST(CortarAnchoTest, CuentaPuntosDeCodigo) {
  EXPECT_EQ(AnchoVisible("Caf\xC3\xA9"), 4u);
  EXPECT_EQ(CortarAncho("abcdef", 6), "abcdef");
  EXPECT_EQ(CortarAncho("abcdef", 4), "abc\xE2\x80\xA6");
  EXPECT_EQ(CortarAncho("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xE2\x80\xA6");
}

TEST(CabeceraTest, BloqueExterior) {
  const std::string texto =
      "Received: x\r\nfrom: Ana\r\n <ana@example.org>\r\nSubject: Hola\r\n\r\nFrom: body@example.org\r\n";
  const Caso casos[] = {
      {"folded, any case", "From", "Ana <ana@example.org>"},
      {"plain", "Subject", "Hola"},
      {"only the outer block", "To", ""},
      {"prefix of another name", "Subj", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(Cabecera(texto, c.entrada), c.esperado);
  }
  EXPECT_EQ(Cabecera("From: a@b", "From"), "a@b");
  EXPECT_EQ(Cabecera("", "From"), "");
}

TEST(LeerFechaTest, Formas) {
  const Caso casos[] = {
      {"full", "05/12/2026 18:08", "2026-12-05 18:08"},
      {"one-digit fields", "5/1/1999 8:03", "1999-01-05 08:03"},
      {"two-digit year 19xx", "01/01/98 00:00", "1998-01-01 00:00"},
      {"not a date kept", "Mon, 1 Jan", "Mon, 1 Jan"},
      {"month 13 kept", "01/13/2000 10:00", "01/13/2000 10:00"},
      {"empty", "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(FechaLegible(c.entrada), c.esperado);
  }
}

}  // namespace
}  // namespace orvex::herramienta
