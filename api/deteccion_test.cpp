#include <cstring>
#include <optional>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "almacen_imn/imn.h"
#include "almacen_oe4/oe4.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "plataforma/plataforma.h"
#include "pruebas/entorno_prueba.h"

namespace orvex {
namespace {

using pruebas::RegistroPrueba;
using pruebas::VariableEntorno;

constexpr const char* kVersionInfo = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info";
constexpr const char* kOe4 = "HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express";
constexpr const char* kImn = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News";

TEST(DeteccionTest, EligeLaGeneracionDelRegistro) {
  struct Caso {
    const char* version;  // nullptr: no version value
    bool raiz_oe4, raiz_imn;
    uint32_t esperado;
  };
  const Caso casos[] = {
      {"6.00.2900.5512", false, false, VERSION_OE5}, {"5.50.4133.2400", false, false, VERSION_OE5},
      {"4.72.3110.1", false, false, VERSION_OE4},    {"", false, false, VERSION_OE4},
      {"x", false, false, VERSION_OE4},              {"6.0", false, true, VERSION_OE5},
      {nullptr, true, false, VERSION_OE4},           {nullptr, true, true, VERSION_OE4},
      {nullptr, false, true, VERSION_IMN},           {nullptr, false, false, VERSION_NINGUNA},
  };
  for (const auto& caso : casos) {
    for (auto formato : {RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5}) {
      SCOPED_TRACE(std::string(caso.version ? caso.version : "-") + " " + std::to_string(caso.raiz_oe4) +
                   std::to_string(caso.raiz_imn) + " formato " + std::to_string(static_cast<int>(formato)));
      RegistroPrueba registro;
      registro.Clave("HKEY_CURRENT_USER\\Software");
      if (caso.version) registro.Cadena(kVersionInfo, "Current", caso.version);
      if (caso.raiz_oe4) registro.Cadena(kOe4, "Store Root", "C:\\Almacen");
      if (caso.raiz_imn) registro.Cadena(kImn, "Store Root", "C:\\Imn");
      registro.Instalar(formato);
      EXPECT_EQ(OE_ObtenerVersionOE(), caso.esperado);
      EXPECT_EQ(VersionOE, caso.esperado);
    }
  }
  // A change of the registry changes the calls that follow.
  RegistroPrueba registro;
  registro.Cadena(kImn, "Store Root", "C:\\Imn").Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_IMN);
  registro.Quitar(kImn).Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_NINGUNA);
  OE_CARPETA* carpeta = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&carpeta, OE_PRIMERO), OE_ERROR);
}

TEST(DeteccionTest, SinArchivoOArchivoRotoNoHayAlmacen) {
  pruebas::DirectorioTemporal dir;
  const std::string roto = dir.Escribir("roto.reg", std::string("\xff\xfe\x00garbage[[[\n\"=", 16));
  for (const std::string& ruta : {std::string("/nonexistent/orvex.reg"), roto, std::string()}) {
    SCOPED_TRACE(ruta);
    VariableEntorno var("ORVEX_REGISTRY", ruta);
    EXPECT_EQ(OE_ObtenerVersionOE(), VERSION_NINGUNA);
  }
}

// A value longer than the buffer counts as absent: cut short it would name another folder.
TEST(LeerValorRegistroTest, SoloLoQueCabeConSuNul) {
  RegistroPrueba registro;
  registro.Cadena(kOe4, "Largo", std::string(300, 'a'))
      .Cadena(kOe4, "Justo", std::string(15, 'b'))
      .Cadena(kOe4, "Corto", "abc")
      .Dword(kOe4, "Numero", 0x01020304u)
      .Instalar();
  const std::tuple<const char*, const char*, uint32_t, uint32_t, std::string> casos[] = {
      {"Software\\Microsoft\\Outlook Express", "Largo", 16, 0, "#"},
      {"Software\\Microsoft\\Outlook Express", "Justo", 16, 1, std::string(15, 'b') + '\0'},
      {"Software\\Microsoft\\Outlook Express", "Corto", 64, 1, std::string("abc", 4)},
      {"Software\\Microsoft\\Outlook Express", "Numero", 8, 1, "\x04\x03\x02\x01"},
      {"Software\\Microsoft\\Outlook Express", "Falta", 64, 0, ""},
      {"Software\\Nada", "Corto", 64, 0, ""},
  };
  for (const auto& [clave, valor, capacidad, esperado, bytes] : casos) {
    SCOPED_TRACE(valor);
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, clave, valor, buffer, capacidad), esperado);
    EXPECT_EQ(std::string(buffer, bytes.size()), bytes);
    EXPECT_EQ(buffer[capacidad], '#');
  }
}

// The Outlook Express 4 and Internet Mail and News locators: the root, a '\' unless it has
// one, then the store's own name; a root that begins with '%' is expanded (OE 4 only); a root
// or a path that does not fit leaves the path empty.
TEST(LocalizadoresTest, ConstruyenLasRutasDelAlmacen) {
  VariableEntorno var("ORVEX_RAIZ_PRUEBA", std::string("D:\\Perfil"));
  const std::string d250 = "C:\\" + std::string(250, 'd'), d254 = "C:\\" + std::string(254, 'd');
  const std::string d400 = "C:\\" + std::string(400, 'd');
  struct Caso {
    std::optional<std::string> oe4, imn;  // Store roots; nullopt: the key without the value.
    uint32_t resultado_oe4;
    const char* ruta_oe4;
    uint32_t resultado_imn;
    const char* ruta_imn;
    uint32_t version;
  };
  const Caso casos[] = {
      {"C:\\Almacen", "C:\\Almacen", 1, "C:\\Almacen\\mail\\folders.nch", 0, "C:\\Almacen\\Mail", VERSION_OE4},
      {"C:\\Almacen\\", "C:\\Almacen\\", 1, "C:\\Almacen\\mail\\folders.nch", 0, "C:\\Almacen\\Mail", VERSION_OE4},
      {"%ORVEX_RAIZ_PRUEBA%\\Correo", "%ORVEX_RAIZ_PRUEBA%\\Correo", 1, "D:\\Perfil\\Correo\\mail\\folders.nch", 0,
       "%ORVEX_RAIZ_PRUEBA%\\Correo\\Mail", VERSION_OE4},
      {std::nullopt, "C:\\Imn", 0, "", 0, "C:\\Imn\\Mail", VERSION_IMN},
      {std::nullopt, std::nullopt, 0, "", 1, "", VERSION_NINGUNA},
      {d400, d400, 0, "", 1, "", VERSION_NINGUNA},
      // The root fits but the file beneath it does not: the store exists, its path stays empty.
      {d250, d254, 1, "", 1, "", VERSION_OE4},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.oe4.value_or("-").substr(0, 30));
    RegistroPrueba registro;
    registro.Clave(kOe4).Clave(kImn);
    if (caso.oe4) registro.Cadena(kOe4, "Store Root", *caso.oe4);
    if (caso.imn) registro.Cadena(kImn, "Store Root", *caso.imn);
    registro.Instalar();
    char ruta[270];
    std::memset(ruta, '#', sizeof ruta);
    EXPECT_EQ(oe4::RutaFoldersNch(ruta), caso.resultado_oe4);
    EXPECT_STREQ(ruta, caso.ruta_oe4);
    EXPECT_EQ(ruta[260], '#');
    std::memset(ruta, '#', sizeof ruta);
    EXPECT_EQ(imn::ObtenerRaizIMN(ruta), caso.resultado_imn);
    EXPECT_STREQ(ruta, caso.ruta_imn);
    EXPECT_EQ(OE_ObtenerVersionOE(), caso.version);
  }
}

}  // namespace
}  // namespace orvex
