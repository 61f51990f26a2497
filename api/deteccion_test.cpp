#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "almacen_imn/imn.h"
#include "almacen_oe4/oe4.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/volcado.h"

namespace orvex {
namespace {

using pruebas::RegistroPrueba;
using pruebas::VariableEntorno;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_api.inc"
    ;

constexpr const char* kVersionInfo = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info";
constexpr const char* kOe4 = "HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express";
constexpr const char* kImn = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News";

// The generation detected (each call detects again) and the Outlook Express 4 and Internet Mail
// and News locators. The version value decides when it is there (5 and 6 are generation 5,
// anything else 4); the store roots decide otherwise. A locator's path is the root, a '\' unless
// it has one, then the store's own name; a root that begins with '%' is expanded (OE 4 only); a
// root or a path that does not fit leaves the path empty, and nothing is written past its room.
TEST(DeteccionTest, GeneracionYRutasDelAlmacen) {
  VariableEntorno var("ORVEX_RAIZ_PRUEBA", std::string("D:\\Perfil"));
  const std::string d250 = "C:\\" + std::string(250, 'd'), d254 = "C:\\" + std::string(254, 'd');
  // The version value, the store roots; nullopt: the key without the value.
  using Opcional = std::optional<std::string>;
  const std::tuple<const char*, Opcional, Opcional, Opcional> casos[] = {
      {"version 6", "6.00.2900.5512", std::nullopt, "C:\\Imn"},
      {"version 4", "4.72.3110.1", std::nullopt, "C:\\Imn"},
      {"con barra final", std::nullopt, "C:\\Almacen\\", "C:\\Almacen\\"},
      {"variable", std::nullopt, "%ORVEX_RAIZ_PRUEBA%\\Correo", "%ORVEX_RAIZ_PRUEBA%\\Correo"},
      {"solo imn", std::nullopt, std::nullopt, "C:\\Imn"},
      {"ninguna", std::nullopt, std::nullopt, std::nullopt},
      // The root fits but the file beneath it does not: the store exists, its path stays empty.
      {"rutas demasiado largas", std::nullopt, d250, d254},
  };
  for (const auto& [nombre, version, oe4, imn] : casos) {
    SCOPED_TRACE(nombre);
    RegistroPrueba registro;
    registro.Clave(kOe4).Clave(kImn);
    if (version) registro.Cadena(kVersionInfo, "Current", *version);
    if (oe4) registro.Cadena(kOe4, "Store Root", *oe4);
    if (imn) registro.Cadena(kImn, "Store Root", *imn);
    registro.Instalar();
    char ruta[270];
    std::memset(ruta, '#', sizeof ruta);
    std::string r = "oe4 " + std::to_string(oe4::RutaFoldersNch(ruta)) + " \"" + ruta + "\"\n";
    EXPECT_EQ(ruta[260], '#');
    std::memset(ruta, '#', sizeof ruta);
    r += "imn " + std::to_string(imn::ObtenerRaizIMN(ruta)) + " \"" + ruta + "\"\n";
    EXPECT_EQ(ruta[260], '#');
    r += "version " + std::to_string(OE_ObtenerVersionOE());
    r += " " + std::to_string(VersionOE) + "\n";
    EXPECT_VOLCADO(kVolcados, "volcados_api", std::string("deteccion ") + nombre, r);
  }
}

}  // namespace
}  // namespace orvex
