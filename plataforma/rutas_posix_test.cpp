#include "plataforma/rutas_posix.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "pruebas/entorno_prueba.h"
#include "pruebas/tablas.h"

namespace orvex::plataforma::rutas {
namespace {

using pruebas::VariableEntorno;

TEST(RutasPosixTest, RutasDeWindowsSobreUnaCarpeta) {
  pruebas::DirectorioTemporal dir;
  for (const char* nombre : {"Mail/Store/Inbox.dbx", "Dup/a", "dup/b", "Z/archivo"}) dir.Escribir(nombre, "x");
  VariableEntorno c("ORVEX_DRIVE_C", dir.Ruta()), d("ORVEX_DRIVE_D", std::nullopt);
  VariableEntorno e("ORVEX_DRIVE_E", std::nullopt), e_minuscula("ORVEX_DRIVE_e", dir.RutaDe("Mail"));
  VariableEntorno f("ORVEX_DRIVE_F", "");
  auto casos = pruebas::Filas(
#include "pruebas/datos/rutas_posix.inc"
  );
  // The folder's own absolute path, written the Windows way.
  std::string absoluta = dir.Ruta();
  for (char& letra : absoluta) letra = letra == '/' ? '\\' : letra;
  casos.push_back({"file", absoluta + "\\mail\\STORE\\inbox.dbx", "Mail/Store/Inbox.dbx"});
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.at(0) + " " + caso.at(1));
    const auto ruta = caso[0] == "new" ? RutaNativaNueva(caso[1]) : RutaNativa(caso[1]);
    EXPECT_EQ(ruta, caso.at(2) == "-" ? std::nullopt : std::optional(dir.RutaDe(caso[2])));
  }
}

TEST(CoincidePatronTest, ComodinesSinDistinguirMayusculas) {
  for (const auto& caso : pruebas::Filas(
#include "pruebas/datos/patrones.inc"
           )) {
    SCOPED_TRACE(caso.at(0) + " ~ " + caso.at(1));
    EXPECT_EQ(CoincidePatron(caso[0], caso[1]), caso.at(2) == "1");
  }
  // A pathological pattern ends (no exponential backtracking).
  std::string patron;
  for (int i = 0; i < 200; ++i) patron += "*a";
  EXPECT_FALSE(CoincidePatron(std::string(5000, 'a'), patron + "b"));
}

}  // namespace
}  // namespace orvex::plataforma::rutas
