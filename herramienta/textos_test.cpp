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

TEST(TextoCabeceraTest, PalabrasCodificadas) {
  const Caso casos[] = {
      {"q latin-1", "=?iso-8859-1?Q?Caf=E9_solo?=", "Caf\xC3\xA9 solo"},
      {"b utf-8", "=?UTF-8?B?Q2Fmw6k=?=", "Caf\xC3\xA9"},
      {"text around", "Re: =?iso-8859-1?q?=A1Hola!?= amigo", "Re: \xC2\xA1Hola! amigo"},
      {"adjacent words joined", "=?utf-8?q?a?= \r\n =?utf-8?q?b?=", "ab"},
      {"cp1252 quote", "=?windows-1252?Q?=93x=94?=", "\xE2\x80\x9Cx\xE2\x80\x9D"},
      {"unknown charset kept", "=?koi8-r?B?98/M?=", "=?koi8-r?B?98/M?="},
      {"broken word kept", "=?utf-8?Q?abc", "=?utf-8?Q?abc"},
      {"bad base64 kept", "=?utf-8?B?@@@?=", "=?utf-8?B?@@@?="},
      {"raw ansi outside", "Caf\xE9 =?utf-8?q?x?=", "Caf\xC3\xA9 x"},
      {"control chars inside word", "=?utf-8?q?a=1Bb?=", "a b"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(TextoCabecera(c.entrada), c.esperado);
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
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(FechaLegible(c.entrada), c.esperado);
  }
}

}  // namespace
}  // namespace orvex::herramienta
