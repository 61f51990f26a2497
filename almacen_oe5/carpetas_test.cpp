// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include "pruebas/prueba_almacen.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe5.inc"
    ;

TEST(CarpetasOe5IndiceTest, ValoresYArchivoDeLaCarpeta) {
  struct Caso {
    const char* nombre;
    std::optional<std::string> archivo;
  };
  // From the fourth on, names that would leave the store's folder: no path, and nothing to list.
  const Caso casos[] = {
      {"Inbox", std::nullopt}, {"Inbox", "Otro.dbx"}, {"Inbox", ""},       {"Inbox", "..\\x.dbx"},
      {"Inbox", "a/b.dbx"},    {"Inbox", "C:x.dbx"},  {"Inbox", ".."}, {"..\\x", std::nullopt},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.archivo.value_or(caso.nombre));
    AlmacenDbx d;
    d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, caso.nombre, caso.archivo)};
    d.carpetas[1].num_mensajes = 0xABCDEF;
    AlmacenInstalado almacen(d);
    CarpetaPorId c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    const std::string raiz = almacen.Raiz();
    EXPECT_VOLCADO(kVolcados, "volcados_oe5", "indice " + caso.archivo.value_or(caso.nombre),
                   Volcar(*c.c, raiz) + "\n" + VolcarMensajes(c.c, raiz));
  }
}

}  // namespace
}  // namespace orvex::pruebas
