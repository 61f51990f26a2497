#include "soporte/rutas.h"

#include <gtest/gtest.h>

#include <tuple>

namespace orvex {
namespace {

TEST(DividirRutaTest, SeparaUnidadDirectorioNombreYExtension) {
  struct Caso {
    const char* ruta;
    PartesRuta esperado;
  };
  const Caso casos[] = {
      {"C:\\Dir\\Sub\\Bandeja.dbx", {"C:", "\\Dir\\Sub\\", "Bandeja", ".dbx"}},
      {"C:Bandeja.dbx", {"C:", "", "Bandeja", ".dbx"}}, {"C:\\", {"C:", "\\", "", ""}},
      {"/home/u/correo.mbx", {"", "/home/u/", "correo", ".mbx"}}, {"a\\b/c.d", {"", "a\\b/", "c", ".d"}},
      {"copia.tar.gz", {"", "", "copia.tar", ".gz"}}, {"dir.d\\archivo", {"", "dir.d\\", "archivo", ""}},
      {".perfil", {"", "", "", ".perfil"}}, {"nombre.", {"", "", "nombre", "."}}, {"ab:c", {"", "", "ab:c", ""}},
      {"x", {"", "", "x", ""}}, {"", {"", "", "", ""}},
      {"\\\\servidor\\recurso\\f.idx", {"", "\\\\servidor\\recurso\\", "f", ".idx"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.ruta);
    const PartesRuta p = DividirRuta(c.ruta);
    const PartesRuta& e = c.esperado;
    EXPECT_EQ(std::tie(p.unidad, p.directorio, p.nombre, p.extension),
              std::tie(e.unidad, e.directorio, e.nombre, e.extension));
    // Splitting loses nothing: joining the parts gives the path back.
    EXPECT_EQ(ComponerRuta(p.unidad, p.directorio, p.nombre, p.extension), c.ruta);
  }
}

TEST(ComponerRutaTest, AnadeLosSeparadoresQueFaltan) {
  struct Caso {
    const char *unidad, *directorio, *nombre, *extension, *esperado;
  };
  const Caso casos[] = {
      {"C:", "\\Dir", "f", "dbx", "C:\\Dir\\f.dbx"}, {"C", "\\Dir\\", "f", ".dbx", "C:\\Dir\\f.dbx"},
      {"", "dir/", "f", "", "dir/f"},             {"", "", "f", "txt", "f.txt"},
      {"D:", "", "", "", "D:"},                   {"", "x", "", "", "x\\"},
      {"", "", "", "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.esperado);
    EXPECT_EQ(ComponerRuta(c.unidad, c.directorio, c.nombre, c.extension), c.esperado);
  }
}

TEST(EsNombreDeArchivoSimpleTest, SoloUnNombreDentroDeLaCarpeta) {
  for (const char* nombre : {"Inbox.dbx", "Bandeja de entrada.dbx", "..dbx"}) {
    EXPECT_TRUE(EsNombreDeArchivoSimple(nombre)) << nombre;
  }
  for (const char* nombre :
       {"", ".", "..", "..\\x.dbx", "../x.dbx", "C:x.dbx", "sub\\x.dbx", "a\tb", "\\\\srv\\x"}) {
    EXPECT_FALSE(EsNombreDeArchivoSimple(nombre)) << nombre;
  }
}

}  // namespace
}  // namespace orvex

