// Identities of the current user and the store root of the selected one.
#include "almacen_oe5/identidades.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "almacen_oe5/oe5.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::oe5 {
namespace {

using pruebas::IdentidadDbx;
using pruebas::RegistroDbx;

constexpr const char* kA = "{AAAAAAAA-0000-0000-0000-000000000001}";
constexpr const char* kB = "{BBBBBBBB-0000-0000-0000-000000000002}";
constexpr const char* kC = "{CCCCCCCC-0000-0000-0000-000000000003}";

class IdentidadesTest : public ::testing::Test {
 protected:
  void Instalar(const RegistroDbx& d) {
    registro_ = std::make_unique<pruebas::RegistroPrueba>();
    pruebas::DescribirRegistro(*registro_, d);
    registro_->Instalar();
    OE_ObtenerVersionOE();
  }
  static RegistroDbx Tres() {
    RegistroDbx d;
    // Listed out of order: the registry enumerates key names sorted.
    d.identidades = {{kC, "Tercera", "C:\\Tres", false}, {kA, "Principal", "C:\\Uno", false},
                     {kB, "Segunda", "C:\\Dos", false}};
    d.por_defecto = kB;
    return d;
  }
  std::vector<std::string> Nombres() {
    std::vector<std::string> r;
    char** lista = OE_ObtenerIdentities(nullptr);
    if (lista == nullptr) return r;
    // As a host reads it: up to the null that ends the list.
    for (char** p = lista; *p != nullptr; ++p) r.push_back(*p);
    OE_LiberarIdentities(&lista);
    EXPECT_EQ(lista, nullptr);
    return r;
  }
  std::string Ruta() {
    char ruta[kLongRuta];
    std::memset(ruta, 'x', sizeof ruta);
    const uint32_t r = RutaFoldersDbx(ruta);
    EXPECT_EQ(r == 0, ruta[0] != '\0');
    return ruta;
  }

  std::unique_ptr<pruebas::RegistroPrueba> registro_;
};

TEST_F(IdentidadesTest, CuentaYNombresEnOrdenDeEnumeracion) {
  Instalar(Tres());
  EXPECT_EQ(ContarIdentidades(), 3u);
  EXPECT_EQ(Nombres(), (std::vector<std::string>{"Principal", "Segunda", "Tercera"}));
}

TEST_F(IdentidadesTest, SinClaveDeIdentidades) {
  Instalar(RegistroDbx{});
  EXPECT_EQ(ContarIdentidades(), 0u);
  char** lista = OE_ObtenerIdentities(nullptr);
  ASSERT_NE(lista, nullptr);
  EXPECT_EQ(lista[0], nullptr);
  OE_LiberarIdentities(&lista);
  EXPECT_EQ(IniciarIdentidad("Principal"), 1u);
  EXPECT_EQ(IniciarIdentidad(nullptr), 1u);
  EXPECT_STREQ(IdentidadActual, "");
}

TEST_F(IdentidadesTest, UnaIdentidadSinNombreQuedaFueraDeLaLista) {
  RegistroDbx d = Tres();
  d.identidades[2].usuario.reset();
  Instalar(d);
  EXPECT_EQ(Nombres(), (std::vector<std::string>{"Principal", "Tercera"}));
  EXPECT_EQ(LeerNombreIdentidad(1), nullptr);
  EXPECT_EQ(LeerNombreIdentidad(3), nullptr);
}

TEST_F(IdentidadesTest, NombreDeClaveDemasiadoLargoTerminaLaEnumeracion) {
  RegistroDbx d = Tres();
  d.identidades.push_back({"{B" + std::string(120, 'z') + "}", "Larga", std::nullopt, false});
  Instalar(d);
  EXPECT_EQ(ContarIdentidades(), 2u);
  EXPECT_EQ(IniciarIdentidad("Tercera"), 1u);
}

TEST_F(IdentidadesTest, SeleccionDeIdentidad) {
  RegistroDbx d = Tres();
  d.identidades.push_back({"{DDDDDDDD-0000-0000-0000-000000000004}", "Segunda", "C:\\Cuatro", false});
  Instalar(d);
  struct Caso {
    const char* usuario;
    uint32_t resultado;
    const char* actual;  // IdentidadActual afterwards
  };
  // Each case starts from identity C selected.
  const Caso casos[] = {
      {nullptr, 0, kB},        {"Principal", 0, kA}, {"Segunda", 0, kB},  // the lower index of two
      {"segunda", 1, kC},      {"Nadie", 1, kC},     {"", 1, kC},
      {"Principal ", 1, kC},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.usuario == nullptr ? "(nulo)" : caso.usuario);
    ASSERT_EQ(OE_IniciarIdentities("Tercera"), 0u);
    ASSERT_STREQ(IdentidadActual, kC);
    EXPECT_EQ(OE_IniciarIdentities(caso.usuario), caso.resultado);
    EXPECT_STREQ(IdentidadActual, caso.actual);
  }
}

TEST_F(IdentidadesTest, SinIdentidadPorDefectoSeVacia) {
  RegistroDbx d = Tres();
  d.por_defecto.reset();
  Instalar(d);
  ASSERT_EQ(IniciarIdentidad("Principal"), 0u);
  EXPECT_EQ(IniciarIdentidad(nullptr), 1u);
  EXPECT_STREQ(IdentidadActual, "");
  EXPECT_EQ(Ruta(), "");
}

TEST_F(IdentidadesTest, RutaDeFoldersDbx) {
  pruebas::VariableEntorno var("ORVEX_RAIZ_PRUEBA", std::string("C:\\Perfil"));
  pruebas::VariableEntorno larga("ORVEX_RAIZ_LARGA", std::string(250, 'L'));
  struct Caso {
    const char* nombre;
    std::optional<std::string> raiz;
    bool expandible;
    std::string esperado;
  };
  const Caso casos[] = {
      {"sin barra final", "C:\\Almacen", false, "C:\\Almacen\\folders.dbx"},
      {"con barra final", "C:\\Almacen\\", false, "C:\\Almacen\\folders.dbx"},
      {"variable al principio", "%ORVEX_RAIZ_PRUEBA%\\Correo", false, "C:\\Perfil\\Correo\\folders.dbx"},
      {"variable de tipo expandible", "%ORVEX_RAIZ_PRUEBA%", true, "C:\\Perfil\\folders.dbx"},
      {"variable en medio no se expande", "C:\\x%ORVEX_RAIZ_PRUEBA%", false, "C:\\x%ORVEX_RAIZ_PRUEBA%\\folders.dbx"},
      {"variable desconocida se queda", "%ORVEX_NO_EXISTE%\\A", false, "%ORVEX_NO_EXISTE%\\A\\folders.dbx"},
      {"vacia", "", false, ""},
      {"ausente", std::nullopt, false, ""},
      {"demasiado larga", "C:\\" + std::string(246, 'a'), false, ""},
      {"justo cabe", "C:\\" + std::string(244, 'a'), false, "C:\\" + std::string(244, 'a') + "\\folders.dbx"},
      {"expandida demasiado larga", "%ORVEX_RAIZ_LARGA%", false, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroDbx d;
    d.identidades = {{kA, "Principal", caso.raiz, caso.expandible}};
    d.por_defecto = kA;
    Instalar(d);
    ASSERT_EQ(IniciarIdentidad(nullptr), 0u);
    EXPECT_EQ(Ruta(), caso.esperado);
  }
}

TEST_F(IdentidadesTest, SinIdentidadSeleccionadaNoHayRuta) {
  Instalar(Tres());
  IdentidadActual[0] = '\0';
  EXPECT_EQ(Ruta(), "");
  ASSERT_EQ(IniciarIdentidad(nullptr), 0u);
  EXPECT_EQ(Ruta(), "C:\\Dos\\folders.dbx");
}

}  // namespace
}  // namespace orvex::oe5
