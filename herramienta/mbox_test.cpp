#include "herramienta/mbox.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

std::string Mboxrd(std::string_view texto) {
  std::string salida;
  AnadirCuerpoMboxrd(salida, texto);
  EXPECT_EQ(QuitarCitaMboxrd(salida), std::string(texto).append(texto.ends_with('\n') ? "" : "\n"));
  return salida;
}
std::string Sobre(std::string_view de) { return RemitenteSobre(de); }
std::string LineaFromDe(std::string_view fecha) { return LineaFrom("a@b", fecha); }

// Every quoted body also unquotes to its text.
TEST(MboxTest, CuerposRemitentesYFechas) {
  struct Caso {
    const char* nombre;
    std::string (*f)(std::string_view);
    std::string entrada, esperado;
  };
  const Caso casos[] = {
      {"quoted From gets one more", Mboxrd, ">From a\n>>From b\n", ">>From a\n>>>From b\n\n"},
      {"From-like lines untouched", Mboxrd, "Fromage\nFrom:\nfrom x\n From y\n", "Fromage\nFrom:\nfrom x\n From y\n\n"},
      {"missing final line end added", Mboxrd, ">>Fro\nb", ">>Fro\nb\n\n"},
      {"first line From", Mboxrd, "From x\n", ">From x\n\n"},
      {"empty message", Mboxrd, "", "\n"},
      {"angle brackets", Sobre, "Ana <ana@example.com>", "ana@example.com"},
      {"bare address", Sobre, "bob@example.com", "bob@example.com"},
      {"no address", Sobre, "Just a name", "MAILER-DAEMON"},
      {"spaces inside", Sobre, "<a b@c>", "MAILER-DAEMON"},
      {"record date", LineaFromDe, "05/12/2026 18:08", "From a@b Sat Dec  5 18:08:00 2026\n"},
      {"two-digit year", LineaFromDe, "29/02/00 07:05", "From a@b Tue Feb 29 07:05:00 2000\n"},
      {"impossible day gives epoch", LineaFromDe, "31/02/2020 10:00", "From a@b Thu Jan  1 00:00:00 1970\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(c.f(c.entrada), c.esperado);
  }
  std::string salida;
  AnadirCuerpoMboxrd(salida, "a\r\nFrom b\r\n");
  EXPECT_EQ(salida, "a\n>From b\n\n");
}

}  // namespace
}  // namespace orvex::herramienta
