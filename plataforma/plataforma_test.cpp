// The platform layer's contract, run against whichever backend the build picked.
#include "plataforma/plataforma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pruebas/entorno_prueba.h"
#include "pruebas/tablas.h"
#include "pruebas/volcado.h"
#include "pruebas/volcado_registro.h"

namespace orvex::plataforma {
namespace {

using pruebas::RegistroPrueba;
using pruebas::VariableEntorno;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_soporte.inc"
    ;

// Every test has a folder holding Store\Inbox.dbx.
class PlataformaTest : public ::testing::Test {
 protected:
  PlataformaTest() { dir_.Escribir("Store/Inbox.dbx", "0123456789"); }
  pruebas::DirectorioTemporal dir_;
  const std::string ruta_ = dir_.Ruta() + "\\store\\INBOX.dbx";  // Spelled unlike the file on disk.
};

// Each export format, read as ORVEX_REGISTRY names it.
class RegistroTest : public ::testing::TestWithParam<RegistroPrueba::Formato> {
 protected:
  RegistroTest() {
    pruebas::LlenarRegistroDeEjemplo(registro_);
    registro_.Instalar(GetParam());
  }
  RegistroPrueba registro_;
};

std::string Describir(Raiz raiz, const std::string& ruta, const std::vector<std::string>& valores) {
  auto clave = ClaveRegistro::Abrir(raiz, ruta);
  return ruta + ":" + pruebas::VolcarClave(clave ? &*clave : nullptr, valores);
}

// Sizes and types as stored; subkeys come sorted without regard to case, a name that does not
// fit the 100-byte buffer refused where it stands. Every format reads alike.
TEST_P(RegistroTest, ValoresYSubclavesComoWindows) {
  const std::vector<std::string> valores = {"Default User ID", "USERNAME", "",      "Store Root",
                                            "Flags",           "Blob",     "Multi", "current"};
  const std::string oe = "Software\\Microsoft\\Outlook Express";
  EXPECT_VOLCADO(kVolcados, "volcados_soporte", "registro",
                 Describir(Raiz::kCurrentUser, "identities\\{guid-1}", valores) +
                     Describir(Raiz::kCurrentUser, "Identities", valores) +
                     Describir(Raiz::kCurrentUser, "Identities\\{GUID-2}", valores) +
                     Describir(Raiz::kCurrentUser, "Identities\\{GUID-1}\\" + oe + "\\5.0", valores) +
                     Describir(Raiz::kLocalMachine, oe + "\\Version Info", valores) +
                     Describir(Raiz::kLocalMachine, "Identities", valores));
}

INSTANTIATE_TEST_SUITE_P(Formatos, RegistroTest,
                         ::testing::Values(RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5));

TEST_F(PlataformaTest, LecturaPorPosicion) {
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
  ASSERT_TRUE(archivo.has_value());
  EXPECT_EQ(archivo->Tamano(), 10u);
  const std::tuple<uint64_t, std::size_t, std::string, bool> casos[] = {
      {0, 4, "0123", true}, {6, 4, "6789", true},  {8, 4, "89", false},           {10, 4, "", false},
      {0, 0, "", true},     {1000, 4, "", false},  {UINT64_MAX - 1, 4, "", false},
  };
  for (const auto& [pos, n, esperado, exacto] : casos) {
    SCOPED_TRACE(pos);
    char buffer[16] = {};
    std::size_t leidos = 99;
    EXPECT_TRUE(archivo->Leer(pos, buffer, n, &leidos) || pos > INT64_MAX);
    EXPECT_EQ(std::string(buffer, leidos), esperado);
    EXPECT_EQ(archivo->LeerExacto(pos, buffer, n), exacto);
  }
}

TEST_F(PlataformaTest, EscrituraSoloConPermiso) {
  auto lectura = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(lectura && archivo);
  EXPECT_FALSE(lectura->Escribir(0, "X", 1));
  EXPECT_TRUE(archivo->Escribir(2, "ab", 2));
  EXPECT_TRUE(archivo->Escribir(10, "END", 3));  // Appending grows the file.
  EXPECT_EQ(archivo->Tamano(), 13u);
  EXPECT_EQ(dir_.LeerTexto("Store/Inbox.dbx"), "01ab456789END");
  // Opening never creates a file, nor opens a folder.
  for (const std::string& ruta : {dir_.Ruta() + "\\Store\\Nuevo.dbx", dir_.Ruta() + "\\Store", std::string("Q:\\x")}) {
    SCOPED_TRACE(ruta);
    EXPECT_FALSE(Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura).has_value());
    EXPECT_FALSE(ExisteArchivo(ruta));
  }
  EXPECT_TRUE(ExisteArchivo(ruta_));
}

TEST_F(PlataformaTest, ListarArchivosPorPatron) {
  for (const char* nombre : {"Inbox.mbx", "Sent Items.MBX", "d.idx", "notas.mbx.bak", "a.mb"}) {
    dir_.Escribir(std::string("Mail/") + nombre, "x");
  }
  dir_.CrearCarpeta("Mail/carpeta.mbx");
  const std::string mail = dir_.Ruta() + "\\mail";
  const std::tuple<std::string, const char*, std::vector<std::string>> casos[] = {
      {mail + "\\", "*.MBX", {"Inbox.mbx", "Sent Items.MBX"}}, {mail, "?.IDX", {"d.idx"}},
      {mail, "*.dbx", {}}, {mail + "\\falta", "*.mbx", {}},
  };
  for (const auto& [directorio, patron, esperados] : casos) {
    SCOPED_TRACE(directorio + " " + patron);
    std::vector<std::string> nombres = ListarArchivos(directorio, patron);
    std::sort(nombres.begin(), nombres.end());
    EXPECT_EQ(nombres, esperados);
  }
}

TEST_F(PlataformaTest, ExpandirEntorno) {
  VariableEntorno perfil("ORVEX_PERFIL", "C:\\Datos"), vacia("ORVEX_VACIA", "");
  VariableEntorno falta("ORVEX_NO_EXISTE", std::nullopt), larga("ORVEX_LARGA", std::string(400, 'x'));
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/entorno.inc"
           )) {
    EXPECT_EQ(ExpandirEntorno(fila.at(0)), fila.at(1)) << fila[0];
  }
}

// Committed bytes read zero and stay as written when more is committed; a region takes no more
// than was reserved and is released once.
TEST_F(PlataformaTest, RegionesCeroYCrecimiento) {
  constexpr std::size_t kReservado = 1 << 20;
  auto* bytes = static_cast<unsigned char*>(ReservarRegion(kReservado));
  ASSERT_TRUE(bytes != nullptr && ConfirmarRegion(bytes, 100));
  std::memset(bytes, 0xAB, 100);
  ASSERT_TRUE(ConfirmarRegion(bytes, 300000));
  EXPECT_EQ(std::count(bytes, bytes + 300000, 0xAB), 100);
  EXPECT_FALSE(ConfirmarRegion(bytes, kReservado + 1));
  EXPECT_TRUE(LiberarRegion(bytes));
  EXPECT_FALSE(LiberarRegion(bytes));
  EXPECT_EQ(ReservarRegion(0), nullptr);
}

}  // namespace
}  // namespace orvex::plataforma
