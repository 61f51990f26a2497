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
#include "pruebas/volcado.h"

namespace orvex::oe5 {
namespace {

using pruebas::RegistroDbx;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe5.inc"
    ;

constexpr const char* kA = "{AAAAAAAA-0000-0000-0000-000000000001}";
constexpr const char* kB = "{BBBBBBBB-0000-0000-0000-000000000002}";
constexpr const char* kC = "{CCCCCCCC-0000-0000-0000-000000000003}";

// Listed out of order: the registry enumerates key names sorted.
const RegistroDbx kTres = {
    {{kC, "Tercera", "C:\\Tres", false}, {kA, "Principal", "C:\\Uno", false}, {kB, "Segunda", "C:\\Dos", false}}, kB};

RegistroDbx Tres(void (*cambiar)(RegistroDbx&)) {
  RegistroDbx d = kTres;
  cambiar(d);
  return d;
}

// One identity, the default, with this store root.
RegistroDbx Una(std::optional<std::string> raiz, bool expandible = false) {
  return {{{kA, "Principal", std::move(raiz), expandible}}, kA};
}

// What a host sees of a registry: the count and the list of names (up to the null that ends it);
// each name selected after "Tercera" was (the result and the current identity after it); last
// the default selected and the path of its folders.dbx.
std::string Ver(const RegistroDbx& d) {
  pruebas::RegistroPrueba registro;
  pruebas::DescribirRegistro(registro, d);
  registro.Instalar();
  OE_ObtenerVersionOE();
  std::string r = "cuenta " + std::to_string(ContarIdentidades()) + "\nlista";
  char** lista = OE_ObtenerIdentities(nullptr);
  r += lista == nullptr ? " (nula)" : "";
  for (char** p = lista; p != nullptr && *p != nullptr; ++p) r += " \"" + std::string(*p) + "\"";
  OE_LiberarIdentities(&lista);
  EXPECT_EQ(lista, nullptr);
  for (const char* usuario :
       {"Tercera", "Principal", "Segunda", "segunda", "Nadie", "", "Principal ", static_cast<const char*>(nullptr)}) {
    const uint32_t tercera = IniciarIdentidad("Tercera");
    r += "\n" + std::string(usuario == nullptr ? "(nulo)" : usuario) + " tras " + std::to_string(tercera) + ": " +
         std::to_string(OE_IniciarIdentities(usuario)) + " " + IdentidadActual;
  }
  // A failed selection of the default empties the current identity, and with it the path.
  r += "\npor defecto " + std::to_string(IniciarIdentidad(nullptr)) + " " + IdentidadActual;
  char ruta[kLongRuta];
  std::memset(ruta, 'x', sizeof ruta);
  const uint32_t res = RutaFoldersDbx(ruta);
  EXPECT_EQ(res == 0, ruta[0] != '\0');
  return r + "\nruta " + std::to_string(res) + " \"" + pruebas::Escapado(ruta) + "\"\n";
}

TEST(IdentidadesTest, ListaSeleccionYRutaDeFoldersDbx) {
  pruebas::VariableEntorno var("ORVEX_RAIZ_PRUEBA", std::string("C:\\Perfil"));
  pruebas::VariableEntorno larga("ORVEX_RAIZ_LARGA", std::string(250, 'L'));
  const std::pair<const char*, RegistroDbx> casos[] = {
      {"tres", kTres},
      {"sin clave de identidades", RegistroDbx{}},
      {"una sin nombre", Tres([](RegistroDbx& d) { d.identidades[2].usuario.reset(); })},
      // A key name too long ends the enumeration.
      {"nombre de clave demasiado largo", Tres([](RegistroDbx& d) {
         d.identidades.push_back({"{B" + std::string(120, 'z') + "}", "Larga", std::nullopt, false});
       })},
      {"sin identidad por defecto", Tres([](RegistroDbx& d) { d.por_defecto.reset(); })},
      {"sin barra final", Una("C:\\Almacen")},
      {"variable al principio", Una("%ORVEX_RAIZ_PRUEBA%\\Correo")},
      {"variable de tipo expandible", Una("%ORVEX_RAIZ_PRUEBA%", true)},
      {"variable en medio no se expande", Una("C:\\x%ORVEX_RAIZ_PRUEBA%")},
      {"variable desconocida se queda", Una("%ORVEX_NO_EXISTE%\\A")},
      {"ausente", Una(std::nullopt)},
      {"demasiado larga", Una("C:\\" + std::string(246, 'a'))},
      {"justo cabe", Una("C:\\" + std::string(244, 'a'))},
      {"expandida demasiado larga", Una("%ORVEX_RAIZ_LARGA%")},
  };
  for (const auto& [nombre, registro] : casos) {
    SCOPED_TRACE(nombre);
    EXPECT_VOLCADO(kVolcados, "volcados_oe5", std::string("identidades ") + nombre, Ver(registro));
  }
}

}  // namespace
}  // namespace orvex::oe5
