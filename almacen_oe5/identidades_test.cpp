// Identities of the current user and the store root of the selected one.
#include "almacen_oe5/identidades.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "almacen_oe5/oe5.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::oe5 {
namespace {

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
  // The list as a host reads it: up to the null that ends it.
  static std::vector<std::string> Nombres() {
    std::vector<std::string> r;
    char** lista = OE_ObtenerIdentities(nullptr);
    EXPECT_NE(lista, nullptr);
    if (lista == nullptr) return r;
    for (char** p = lista; *p != nullptr; ++p) r.push_back(*p);
    OE_LiberarIdentities(&lista);
    EXPECT_EQ(lista, nullptr);
    return r;
  }
  static std::string Ruta() {
    char ruta[kLongRuta];
    std::memset(ruta, 'x', sizeof ruta);
    const uint32_t r = RutaFoldersDbx(ruta);
    EXPECT_EQ(r == 0, ruta[0] != '\0');
    return ruta;
  }

  std::unique_ptr<pruebas::RegistroPrueba> registro_;
};

TEST_F(IdentidadesTest, ListaYSeleccionPorDefecto) {
  struct Caso {
    const char* nombre;
    std::function<void(RegistroDbx&)> cambiar;
    uint32_t cuenta;
    std::vector<std::string> nombres;
    bool tercera;             // "Tercera" can be selected
    const char* por_defecto;  // IdentidadActual after selecting the default ("": none)
  };
  const Caso casos[] = {
      {"tres", [](RegistroDbx&) {}, 3, {"Principal", "Segunda", "Tercera"}, true, kB},
      {"sin clave de identidades", [](RegistroDbx& d) { d = RegistroDbx{}; }, 0, {}, false, ""},
      {"una sin nombre", [](RegistroDbx& d) { d.identidades[2].usuario.reset(); }, 3, {"Principal", "Tercera"}, true, kB},
      // A key name too long ends the enumeration.
      {"nombre de clave demasiado largo",
       [](RegistroDbx& d) { d.identidades.push_back({"{B" + std::string(120, 'z') + "}", "Larga", std::nullopt, false}); },
       2, {"Principal", "Segunda"}, false, kB},
      {"sin identidad por defecto", [](RegistroDbx& d) { d.por_defecto.reset(); }, 3, {"Principal", "Segunda", "Tercera"},
       true, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroDbx d = Tres();
    caso.cambiar(d);
    Instalar(d);
    EXPECT_EQ(ContarIdentidades(), caso.cuenta);
    EXPECT_EQ(Nombres(), caso.nombres);
    EXPECT_EQ(IniciarIdentidad("Tercera"), caso.tercera ? 0u : 1u);
    // A failed selection of the default empties the current identity, and with it the path.
    EXPECT_EQ(IniciarIdentidad(nullptr), caso.por_defecto[0] != '\0' ? 0u : 1u);
    EXPECT_STREQ(IdentidadActual, caso.por_defecto);
    EXPECT_EQ(Ruta(), caso.por_defecto[0] != '\0' ? "C:\\Dos\\folders.dbx" : "");
  }
}

TEST_F(IdentidadesTest, SeleccionPorNombre) {
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
      {nullptr, 0, kB},   {"Principal", 0, kA}, {"Segunda", 0, kB},  // the lower index of two
      {"segunda", 1, kC}, {"Nadie", 1, kC},     {"", 1, kC},
      {"Principal ", 1, kC},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.usuario == nullptr ? "(nulo)" : caso.usuario);
    ASSERT_EQ(OE_IniciarIdentities("Tercera"), 0u);
    EXPECT_EQ(OE_IniciarIdentities(caso.usuario), caso.resultado);
    EXPECT_STREQ(IdentidadActual, caso.actual);
  }
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

}  // namespace
}  // namespace orvex::oe5
