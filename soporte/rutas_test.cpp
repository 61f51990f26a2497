#include "soporte/rutas.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

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
  const std::pair<const char*, bool> casos[] = {
      {"Inbox.dbx", true}, {"Bandeja de entrada.dbx", true}, {"..dbx", true}, {"", false},
      {".", false}, {"..", false}, {"..\\x.dbx", false}, {"../x.dbx", false},
      {"C:x.dbx", false}, {"sub\\x.dbx", false}, {"a\tb", false}, {"\\\\srv\\x", false}};
  for (const auto& [nombre, simple] : casos) EXPECT_EQ(EsNombreDeArchivoSimple(nombre), simple) << nombre;
}

}  // namespace
}  // namespace orvex
