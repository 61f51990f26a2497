#include "herramienta/textos.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

constexpr std::string_view kCabeceras =
    "Received: x\r\nfrom: Ana\r\n <ana@example.org>\r\nSubject: Hola\r\n\r\nFrom: body@example.org\r\n";

std::string DeCabeceras(std::string_view nombre) { return Cabecera(kCabeceras, nombre); }
std::string AnchoCuatro(std::string_view s) { return CortarAncho(s, 4) + std::to_string(AnchoVisible(s)); }

TEST(TextosTest, Conversiones) {
  struct Caso {
    const char* nombre;
    std::string (*f)(std::string_view);
    std::string entrada, esperado;
  };
  const Caso casos[] = {
      {"latin-1 letter", AUtf8, "Caf\xE9", "Caf\xC3\xA9"},
      {"cp1252 euro and quotes", AUtf8, "\x80 \x93x\x94", "\xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D"},
      {"cp1252 hole", AUtf8, "\x81", "\xEF\xBF\xBD"},
      {"valid utf-8 kept", AUtf8, "Caf\xC3\xA9", "Caf\xC3\xA9"},
      {"overlong utf-8 is not utf-8", AUtf8, "\xC0\xAF", "\xC3\x80\xC2\xAF"},
      {"control chars become spaces", AUtf8, "a\x1b[31mb\tc", "a [31mb c"},
      {"q latin-1", TextoCabecera, "=?iso-8859-1?Q?Caf=E9_solo?=", "Caf\xC3\xA9 solo"},
      {"b utf-8", TextoCabecera, "=?UTF-8?B?Q2Fmw6k=?=", "Caf\xC3\xA9"},
      {"text around", TextoCabecera, "Re: =?iso-8859-1?q?=A1Hola!?= amigo", "Re: \xC2\xA1Hola! amigo"},
      {"adjacent words joined", TextoCabecera, "=?utf-8?q?a?= \r\n =?utf-8?q?b?=", "ab"},
      {"unknown charset kept", TextoCabecera, "=?koi8-r?B?98/M?=", "=?koi8-r?B?98/M?="},
      {"broken word kept", TextoCabecera, "=?utf-8?Q?abc", "=?utf-8?Q?abc"},
      {"bad base64 kept", TextoCabecera, "=?utf-8?B?@@@?=", "=?utf-8?B?@@@?="},
      {"raw ansi outside", TextoCabecera, "Caf\xE9 =?utf-8?q?x?=", "Caf\xC3\xA9 x"},
      {"control chars inside word", TextoCabecera, "=?utf-8?q?a=1Bb?=", "a b"},
      {"width fits", AnchoCuatro, "Caf\xC3\xA9", "Caf\xC3\xA9" "4"},
      {"width cut", AnchoCuatro, "abcdef", "abc\xE2\x80\xA6" "6"},
      {"folded header, any case", DeCabeceras, "From", "Ana <ana@example.org>"},
      {"plain header", DeCabeceras, "Subject", "Hola"},
      {"only the outer block", DeCabeceras, "To", ""},
      {"prefix of another name", DeCabeceras, "Subj", ""},
      {"full date", FechaLegible, "05/12/2026 18:08", "2026-12-05 18:08"},
      {"one-digit fields", FechaLegible, "5/1/1999 8:03", "1999-01-05 08:03"},
      {"two-digit year 19xx", FechaLegible, "01/01/98 00:00", "1998-01-01 00:00"},
      {"not a date kept", FechaLegible, "Mon, 1 Jan", "Mon, 1 Jan"},
      {"month 13 kept", FechaLegible, "01/13/2000 10:00", "01/13/2000 10:00"},
      {"day 0 kept", FechaLegible, "00/12/2000 10:00", "00/12/2000 10:00"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(c.f(c.entrada), c.esperado);
  }
  EXPECT_EQ(Cabecera("From: a@b", "From"), "a@b");
}

}  // namespace
}  // namespace orvex::herramienta
