#include <cstring>
#include <string>

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

struct CasoDeteccion {
  const char* nombre;
  const char* version;  // nullptr: no version value
  bool raiz_oe4;
  bool raiz_imn;
  uint32_t esperado;
};

TEST(DeteccionTest, EligeLaGeneracionDelRegistro) {
  const CasoDeteccion casos[] = {
      {"version 6", "6.00.2900.5512", false, false, VERSION_OE5},
      {"version 5", "5.50.4133.2400", false, false, VERSION_OE5},
      {"version 4", "4.72.3110.1", false, false, VERSION_OE4},
      {"version vacia", "", false, false, VERSION_OE4},
      {"version rara", "x", false, false, VERSION_OE4},
      {"version gana a imn", "6.0", false, true, VERSION_OE5},
      {"version 4 sin raiz oe4", "4", false, false, VERSION_OE4},
      {"raiz oe4", nullptr, true, false, VERSION_OE4},
      {"raiz oe4 gana a imn", nullptr, true, true, VERSION_OE4},
      {"raiz imn", nullptr, false, true, VERSION_IMN},
      {"nada", nullptr, false, false, VERSION_NINGUNA},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    for (auto formato : {RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5}) {
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
}

TEST(DeteccionTest, SinArchivoOArchivoRotoNoHayAlmacen) {
  pruebas::DirectorioTemporal dir;
  const std::string roto = dir.Escribir("roto.reg", std::string("\xff\xfe\x00garbage[[[\n\"=", 16));
  const char* rutas[] = {"/nonexistent/orvex.reg", roto.c_str(), ""};
  for (const char* ruta : rutas) {
    SCOPED_TRACE(ruta);
    VariableEntorno var("ORVEX_REGISTRY", std::string(ruta));
    EXPECT_EQ(OE_ObtenerVersionOE(), VERSION_NINGUNA);
  }
}

TEST(DeteccionTest, UnCambioDelRegistroCambiaLasLlamadasSiguientes) {
  RegistroPrueba registro;
  registro.Cadena(kImn, "Store Root", "C:\\Imn").Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_IMN);
  OE_CARPETA* carpeta = nullptr;
  registro.Quitar(kImn).Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_NINGUNA);
  EXPECT_EQ(OE_ObtenerCarpetas(&carpeta, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(carpeta, nullptr);
}

TEST(LeerValorRegistroTest, UnValorQueNoCabeCuentaComoAusente) {
  RegistroPrueba registro;
  registro.Cadena(kOe4, "Largo", std::string(300, 'a'))
      .Cadena(kOe4, "Justo", std::string(15, 'b'))
      .Cadena(kOe4, "Corto", "abc")
      .Dword(kOe4, "Numero", 0x01020304u)
      .Instalar();
  char buffer[64];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Outlook Express", "Largo",
                              buffer, 16),
            0u);
  EXPECT_EQ(buffer[0], '#');
  ASSERT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Outlook Express", "Justo",
                              buffer, 16),
            1u);
  EXPECT_EQ(std::string(buffer), std::string(15, 'b'));
  EXPECT_EQ(buffer[16], '#');

  ASSERT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Outlook Express", "Corto",
                              buffer, 64),
            1u);
  EXPECT_STREQ(buffer, "abc");

  uint8_t numero[8] = {};
  ASSERT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Outlook Express", "Numero",
                              numero, sizeof numero),
            1u);
  EXPECT_EQ(numero[0], 4);
  EXPECT_EQ(numero[3], 1);

  EXPECT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Microsoft\\Outlook Express", "Falta",
                              buffer, 64),
            0u);
  EXPECT_EQ(LeerValorRegistro(plataforma::Raiz::kCurrentUser, "Software\\Nada", "Corto", buffer, 64), 0u);
}

TEST(LocalizadoresTest, ConstruyenLasRutasDelAlmacen) {
  VariableEntorno var("ORVEX_RAIZ_PRUEBA", std::string("D:\\Perfil"));
  struct Caso {
    const char* raiz;
    const char* oe4;
    const char* imn;
  };
  const Caso casos[] = {
      {"C:\\Almacen", "C:\\Almacen\\mail\\folders.nch", "C:\\Almacen\\Mail"},
      {"C:\\Almacen\\", "C:\\Almacen\\mail\\folders.nch", "C:\\Almacen\\Mail"},
      {"%ORVEX_RAIZ_PRUEBA%\\Correo", "D:\\Perfil\\Correo\\mail\\folders.nch", "%ORVEX_RAIZ_PRUEBA%\\Correo\\Mail"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.raiz);
    RegistroPrueba registro;
    registro.Cadena(kOe4, "Store Root", caso.raiz).Cadena(kImn, "Store Root", caso.raiz).Instalar();
    char ruta[260];
    ASSERT_EQ(oe4::RutaFoldersNch(ruta), 1u);
    EXPECT_STREQ(ruta, caso.oe4);
    ASSERT_EQ(imn::ObtenerRaizIMN(ruta), 0u);
    EXPECT_STREQ(ruta, caso.imn);
  }
  RegistroPrueba vacio;
  vacio.Clave(kOe4).Instalar();
  char ruta[260] = "x";
  EXPECT_EQ(oe4::RutaFoldersNch(ruta), 0u);
  EXPECT_STREQ(ruta, "");
  std::strcpy(ruta, "x");
  EXPECT_EQ(imn::ObtenerRaizIMN(ruta), 1u);
  EXPECT_STREQ(ruta, "");
}

TEST(LocalizadoresTest, UnaRutaQueNoCabeNoNombraOtroArchivo) {
  char ruta[270];
  {
    // The value itself does not fit: no store root.
    RegistroPrueba registro;
    registro.Cadena(kOe4, "Store Root", "C:\\" + std::string(400, 'd'))
        .Cadena(kImn, "Store Root", "C:\\" + std::string(400, 'd'))
        .Instalar();
    std::memset(ruta, '#', sizeof ruta);
    EXPECT_EQ(oe4::RutaFoldersNch(ruta), 0u);
    EXPECT_STREQ(ruta, "");
    EXPECT_EQ(imn::ObtenerRaizIMN(ruta), 1u);
    EXPECT_STREQ(ruta, "");
    EXPECT_EQ(OE_ObtenerVersionOE(), VERSION_NINGUNA);
  }
  {
    // The root fits but the file beneath it does not: the store exists, its path stays empty.
    RegistroPrueba registro;
    registro.Cadena(kOe4, "Store Root", "C:\\" + std::string(250, 'd'))
        .Cadena(kImn, "Store Root", "C:\\" + std::string(254, 'd'))
        .Instalar();
    std::memset(ruta, '#', sizeof ruta);
    EXPECT_EQ(oe4::RutaFoldersNch(ruta), 1u);
    EXPECT_STREQ(ruta, "");
    EXPECT_EQ(ruta[260], '#');
    EXPECT_EQ(imn::ObtenerRaizIMN(ruta), 1u);
    EXPECT_STREQ(ruta, "");
    EXPECT_EQ(OE_ObtenerVersionOE(), VERSION_OE4);
  }
}

}  // namespace
}  // namespace orvex
