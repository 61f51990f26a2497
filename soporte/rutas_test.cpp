#include "soporte/rutas.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

TEST(DividirRutaTest, SeparaUnidadDirectorioNombreYExtension) {
  struct Caso {
    const char* ruta;
    PartesRuta esperado;
  };
  const Caso casos[] = {
      {"C:\\Dir\\Sub\\Bandeja.dbx", {"C:", "\\Dir\\Sub\\", "Bandeja", ".dbx"}},
      {"C:Bandeja.dbx", {"C:", "", "Bandeja", ".dbx"}},
      {"C:\\", {"C:", "\\", "", ""}},
      {"/home/u/correo.mbx", {"", "/home/u/", "correo", ".mbx"}},
      {"a\\b/c.d", {"", "a\\b/", "c", ".d"}},
      {"copia.tar.gz", {"", "", "copia.tar", ".gz"}},
      {"dir.d\\archivo", {"", "dir.d\\", "archivo", ""}},
      {".perfil", {"", "", "", ".perfil"}},
      {"nombre.", {"", "", "nombre", "."}},
      {"ab:c", {"", "", "ab:c", ""}},
      {"x", {"", "", "x", ""}},
      {"", {"", "", "", ""}},
      {"\\\\servidor\\recurso\\f.idx", {"", "\\\\servidor\\recurso\\", "f", ".idx"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.ruta);
    const PartesRuta p = DividirRuta(c.ruta);
    EXPECT_EQ(p.unidad, c.esperado.unidad);
    EXPECT_EQ(p.directorio, c.esperado.directorio);
    EXPECT_EQ(p.nombre, c.esperado.nombre);
    EXPECT_EQ(p.extension, c.esperado.extension);
    // Splitting loses nothing: joining the parts gives the path back.
    EXPECT_EQ(ComponerRuta(p.unidad, p.directorio, p.nombre, p.extension), c.ruta);
  }
}

TEST(ComponerRutaTest, AnadeLosSeparadoresQueFaltan) {
  struct Caso {
    const char *unidad, *directorio, *nombre, *extension, *esperado;
  };
  const Caso casos[] = {
      {"C:", "\\Dir", "f", "dbx", "C:\\Dir\\f.dbx"},
      {"C", "\\Dir\\", "f", ".dbx", "C:\\Dir\\f.dbx"},
      {"", "dir/", "f", "", "dir/f"},
      {"", "", "f", "txt", "f.txt"},
      {"D:", "", "", "", "D:"},
      {"", "x", "", "", "x\\"},
      {"", "", "", "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.esperado);
    EXPECT_EQ(ComponerRuta(c.unidad, c.directorio, c.nombre, c.extension), c.esperado);
  }
}

}  // namespace
}  // namespace orvex

namespace orvex {
namespace {

TEST(EsNombreDeArchivoSimpleTest, SoloUnNombreDentroDeLaCarpeta) {
  struct Caso {
    const char* nombre;
    bool simple;
  } const casos[] = {
      {"Inbox.dbx", true},       {"Bandeja de entrada.dbx", true}, {"..dbx", true},
      {"", false},               {".", false},                     {"..", false},
      {"..\\x.dbx", false},     {"../x.dbx", false},              {"C:x.dbx", false},
      {"sub\\x.dbx", false},    {"a\tb", false},                  {"\\\\srv\\x", false},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(EsNombreDeArchivoSimple(caso.nombre), caso.simple);
  }
}

}  // namespace
}  // namespace orvex

