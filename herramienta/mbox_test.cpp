#include "herramienta/mbox.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

struct Caso {
  const char* nombre;
  std::string entrada;
  std::string esperado;
};

TEST(MboxrdTest, CitaLineasFrom) {
  const Caso casos[] = {
      {"quoted From gets one more", ">From a\n>>From b\n", ">>From a\n>>>From b\n\n"},
      {"From without space untouched", "Fromage\nFrom:\n", "Fromage\nFrom:\n\n"},
      {"lower case or indented untouched", "from x\n From y\n", "from x\n From y\n\n"},
      {"CR LF becomes LF", "a\r\nFrom b\r\n", "a\n>From b\n\n"},
      {"missing final line end added", ">>Fro\nb", ">>Fro\nb\n\n"},
      {"first line From", "From x\n", ">From x\n\n"},
      {"empty message", "", "\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::string salida;
    AnadirCuerpoMboxrd(salida, c.entrada);
    EXPECT_EQ(salida, c.esperado);
  }
}

TEST(MboxrdTest, CitarYDescitarDevuelveElTexto) {
  const std::string textos[] = {"From a\n>From b\n>>From c\nFrom\nx\n", "a\n\nb\n", ">\n>>\nFrom \n"};
  for (const std::string& t : textos) {
    SCOPED_TRACE(t);
    std::string salida;
    AnadirCuerpoMboxrd(salida, t);
    EXPECT_EQ(QuitarCitaMboxrd(salida), t);
  }
}

TEST(RemitenteSobreTest, Direcciones) {
  const Caso casos[] = {
      {"angle brackets", "Ana <ana@example.com>", "ana@example.com"},
      {"bare address", "bob@example.com", "bob@example.com"},
      {"no address", "Just a name", "MAILER-DAEMON"},
      {"spaces inside", "<a b@c>", "MAILER-DAEMON"},
      {"control char", "a\n@b", "MAILER-DAEMON"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(RemitenteSobre(c.entrada), c.esperado);
  }
}

TEST(LineaFromTest, FechaEnFormatoAsctime) {
  const Caso casos[] = {
      {"record date", "05/12/2026 18:08", "From a@b Sat Dec  5 18:08:00 2026\n"},
      {"two-digit year", "29/02/00 07:05", "From a@b Tue Feb 29 07:05:00 2000\n"},
      {"unreadable date gives epoch", "ayer", "From a@b Thu Jan  1 00:00:00 1970\n"},
      {"impossible day gives epoch", "31/02/2020 10:00", "From a@b Thu Jan  1 00:00:00 1970\n"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(LineaFrom("a@b", c.entrada), c.esperado);
  }
}

}  // namespace
}  // namespace orvex::herramienta
