#include "plataforma/rutas_posix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma::rutas {
namespace {

using pruebas::DirectorioTemporal;
using pruebas::VariableEntorno;
using Caso = std::pair<std::string, std::optional<std::string>>;

class RutasPosixTest : public ::testing::Test {
 protected:
  RutasPosixTest() {
    for (const char* nombre : {"Mail/Store/Inbox.dbx", "Dup/a", "dup/b", "Z/archivo"}) dir_.Escribir(nombre, "x");
  }
  // Native path of a file inside the test folder, as the mapping must give it.
  std::string En(const std::string& relativo) const { return dir_.RutaDe(relativo); }

  DirectorioTemporal dir_;
  VariableEntorno unidad_c_{"ORVEX_DRIVE_C", dir_.Ruta()};
  VariableEntorno unidad_d_{"ORVEX_DRIVE_D", std::nullopt};
  VariableEntorno unidad_e_{"ORVEX_DRIVE_E", std::nullopt};
  VariableEntorno unidad_e_minuscula_{"ORVEX_DRIVE_e", dir_.RutaDe("Mail")};
  VariableEntorno unidad_f_{"ORVEX_DRIVE_F", ""};
};

TEST_F(RutasPosixTest, ArchivosExistentes) {
  std::string absoluta = dir_.Ruta();
  for (char& c : absoluta) {
    if (c == '/') c = '\\';
  }
  const Caso casos[] = {
      {"C:\\Mail\\Store\\Inbox.dbx", En("Mail/Store/Inbox.dbx")},
      {"c:/MAIL/store/INBOX.DBX", En("Mail/Store/Inbox.dbx")},
      {"C:\\Mail\\\\Store\\.\\Inbox.dbx", En("Mail/Store/Inbox.dbx")},
      {"C:\\Mail\\Store\\..\\Store\\Inbox.dbx", En("Mail/Store/../Store/Inbox.dbx")},
      {"C:\\Mail\\Store\\", En("Mail/Store")}, {"C:", dir_.Ruta()}, {"C:\\", dir_.Ruta()},
      {absoluta + "\\mail\\STORE\\inbox.dbx", En("Mail/Store/Inbox.dbx")},
      {"C:\\dup", En("dup")},  // An exact match wins over a case-insensitive one.
      {"C:\\Dup\\a", En("Dup/a")},
      {"C:\\DUP", En("Dup")},  // Several case-insensitive matches: the smallest in byte order.
      {"E:\\store\\inbox.dbx", En("Mail/Store/Inbox.dbx")},  // Only ORVEX_DRIVE_e is set.
      {"e:\\store\\inbox.dbx", En("Mail/Store/Inbox.dbx")}, {"F:\\x", std::nullopt},  // F: is mapped to "".
      {"C:\\Mail\\Nada.dbx", std::nullopt}, {"C:\\Nada\\Inbox.dbx", std::nullopt},
      {"C:\\Z\\archivo\\debajo", std::nullopt}, {"D:\\Mail", std::nullopt},
      {"\\\\servidor\\recurso\\x", std::nullopt}, {"", std::nullopt},
  };
  for (const auto& [ruta, esperada] : casos) {
    SCOPED_TRACE(ruta);
    EXPECT_EQ(RutaNativa(ruta), esperada);
  }
}

TEST_F(RutasPosixTest, ArchivosPorCrear) {
  const Caso casos[] = {
      {"C:\\mail\\store\\Nuevo.idx", En("Mail/Store/Nuevo.idx")},
      {"C:\\mail\\store\\inbox.DBX", En("Mail/Store/Inbox.dbx")},  // Exists under another case.
      {"C:\\Mail\\Store\\Inbox.dbx", En("Mail/Store/Inbox.dbx")}, {"C:\\nuevo.txt", En("nuevo.txt")},
      {"C:\\falta\\nuevo.idx", std::nullopt}, {"C:\\Mail\\", std::nullopt}, {"C:", std::nullopt},
      {"D:\\nuevo.idx", std::nullopt}, {"C:\\Mail\\..", std::nullopt},
  };
  for (const auto& [ruta, esperada] : casos) {
    SCOPED_TRACE(ruta);
    EXPECT_EQ(RutaNativaNueva(ruta), esperada);
  }
}

TEST_F(RutasPosixTest, RutasRelativasAlDirectorioDeTrabajo) {
  char anterior[4096];
  ASSERT_NE(::getcwd(anterior, sizeof anterior), nullptr);
  ASSERT_EQ(::chdir(dir_.RutaDe("Mail").c_str()), 0);
  auto relativa = RutaNativa("store\\INBOX.dbx");
  auto nueva = RutaNativaNueva("nuevo.idx");
  auto punto = RutaNativa(".");
  ASSERT_EQ(::chdir(anterior), 0);
  EXPECT_EQ(relativa, "Store/Inbox.dbx");
  EXPECT_EQ(nueva, "./nuevo.idx");
  EXPECT_EQ(punto, ".");
}

TEST(CoincidePatronTest, ComodinesSinDistinguirMayusculas) {
  const std::tuple<const char*, const char*, bool> casos[] = {
      {"Inbox.mbx", "*.mbx", true},   {"INBOX.MBX", "*.mbx", true},    {".mbx", "*.mbx", true},
      {"a.b.mbx", "*.mbx", true},     {"Inbox.mbxx", "*.mbx", false},  {"Inbox.mb", "*.mbx", false},
      {"mbx", "*.mbx", false},        {"abc", "a?c", true},            {"ABC", "a?c", true},
      {"ac", "a?c", false},           {"abbc", "a?c", false},          {"aaab", "a*a*b", true},
      {"aaba", "a*a*b", false},       {"sin punto", "*.*", true},      {"", "*", true},
      {"", "", true},                 {"a", "", false},                {"", "?", false},
      {"Inbox.idx", "inbox.*", true}, {"folders.nch", "FOLDERS.NCH", true}, {"x", "**", true},
  };
  for (const auto& [nombre, patron, coincide] : casos) {
    SCOPED_TRACE(std::string(nombre) + " ~ " + patron);
    EXPECT_EQ(CoincidePatron(nombre, patron), coincide);
  }
  // A pathological pattern ends (no exponential backtracking).
  std::string patron;
  for (int i = 0; i < 200; ++i) patron += "*a";
  EXPECT_FALSE(CoincidePatron(std::string(5000, 'a'), patron + "b"));
}

}  // namespace
}  // namespace orvex::plataforma::rutas
