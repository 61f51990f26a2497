// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <cstdio>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/generaciones.h"
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
      {"Inbox", std::nullopt}, {"Inbox", "Otro.dbx"}, {"Inbox", ""},    {"Inbox", "..\\x.dbx"},
      {"Inbox", "..\\..\\otro\\x.dbx"}, {"Inbox", "a\\b.dbx"}, {"Inbox", "a/b.dbx"}, {"Inbox", "C:x.dbx"},
      {"Inbox", ".."},         {"Inbox", "."},        {"..\\x", std::nullopt},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.archivo.value_or(caso.nombre));
    AlmacenDbx d;
    d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, caso.nombre, caso.archivo)};
    d.carpetas[1].num_mensajes = 0xABCDEF;
    AlmacenInstalado almacen(d);
    CarpetaAbierta c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    const std::string raiz = almacen.Directorio().Ruta();
    EXPECT_VOLCADO(kVolcados, "volcados_oe5", "indice " + caso.archivo.value_or(caso.nombre),
                   Volcar(*c.c, raiz) + "\n" + VolcarMensajes(c.c, raiz));
  }
}

TEST(CarpetasOe5SinAlmacenTest, SinIdentidadOSinFoldersDbx) {
  struct Caso {
    const char* nombre;
    uint32_t pos;  // a word of folders.dbx to change
    uint32_t valor;
    int largo;  // -1: file removed; -2: no identity; 0: not cut
  };
  const Caso casos[] = {
      {"sin identidad", 0, dbx::kFirma0, -2},
      {"sin folders.dbx", 0, dbx::kFirma0, -1},
      {"folders.dbx ajeno", 4, dbx::kFirmaMensajes, 0},
      {"primera firma ajena", 0, 0xFE12ADCE, 0},
      {"arbol vacio", dbx::kCabArbolCarpetas, 0, 0},
      {"mas corto que la cabecera", 0, dbx::kFirma0, dbx::kLeidoCabeceraCarpetas - 1},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenInstalado a(AlmacenEjemplo());
    std::vector<uint8_t> b = a.Escrito().carpetas.bytes;
    PonerPalabra(b, caso.pos, caso.valor);
    if (caso.largo > 0) b.resize(static_cast<std::size_t>(caso.largo));
    a.Reescribir("folders.dbx", b);
    if (caso.largo == -1) std::remove((a.Directorio().Ruta() + "/folders.dbx").c_str());
    if (caso.largo == -2) IdentidadActual[0] = '\0';
    OE_CARPETA* c = nullptr;
    EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_ERROR);
    EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&c, OE_PRIMERO), OE_ERROR);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(CarpetaAbierta(4).resultado, OE_ERROR);
  }
}

}  // namespace
}  // namespace orvex::pruebas
