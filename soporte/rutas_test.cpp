#include "soporte/rutas.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "pruebas/tablas.h"

namespace orvex {
namespace {

TEST(RutasTest, DividirYComponer) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/rutas.inc"
           )) {
    SCOPED_TRACE(fila.at(0) + " / " + fila.at(1));
    std::string p[4];
    std::istringstream unidas(fila[1]);
    for (std::string& parte : p) std::getline(unidas, parte, '|');
    EXPECT_EQ(ComponerRuta(p[0], p[1], p[2], p[3]), fila[0]);
    if (fila.size() > 2) continue;
    const PartesRuta partes = DividirRuta(fila[0]);
    EXPECT_EQ(partes.unidad + "|" + partes.directorio + "|" + partes.nombre + "|" + partes.extension, fila[1]);
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
