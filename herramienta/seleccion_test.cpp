#include "herramienta/seleccion.h"

#include <gtest/gtest.h>

#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {

// Two trees, a loop, an orphan, a folder its own parent and a name in Windows-1252.
std::vector<CarpetaVista> Arbol() {
  const std::tuple<uint32_t, uint32_t, const char*> filas[] = {
      {1, 0, "Local Folders"}, {4, 1, "Inbox"},   {8, 4, "Projects"},  {5, 1, "Outbox"},
      {9, 0, "Hotmail"},       {10, 9, "Inbox"},  {20, 21, "Loop A"},  {21, 20, "Loop B"},
      {30, 77, "Orphan"},      {3, 3, "Self"},    {6, 1, "Gel\xF6schte Objekte"}};
  std::vector<CarpetaVista> c;
  for (const auto& [id, padre, nombre] : filas) {
    c.emplace_back();
    c.back().id = id;
    c.back().padre = padre;
    c.back().nombre = nombre;
  }
  CompletarRutas(c);
  return c;
}

// Children after their parent, loops at the end, each with its path and depth.
TEST(SeleccionTest, OrdenRutasYProfundidad) {
  const std::vector<CarpetaVista> c = Arbol();
  std::vector<std::string> vistas;
  for (const CarpetaVista* x : OrdenArbol(c)) {
    vistas.push_back(std::to_string(x->id) + " " + x->ruta + " " + std::to_string(x->profundidad));
  }
  EXPECT_EQ(vistas, (std::vector<std::string>{
                        "1 Local Folders 0", "4 Local Folders/Inbox 1", "8 Local Folders/Inbox/Projects 2",
                        "5 Local Folders/Outbox 1", "6 Local Folders/Gel\xF6schte Objekte 1", "9 Hotmail 0",
                        "10 Hotmail/Inbox 1", "30 Orphan 0", "3 Self 0", "20 Loop B/Loop A 1",
                        "21 Loop A/Loop B 1"}));
}

// The rows of pruebas/datos/selectores_carpetas.txt: the first as the command prints names (UTF-8),
// the second as the store holds them; a trailing part must be whole names; too long for an id.
TEST(SeleccionTest, Selectores) {
  const std::vector<CarpetaVista> c = Arbol();
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/selectores_carpetas.inc"
           )) {
    SCOPED_TRACE(f[0]);
    ASSERT_EQ(f.size(), 2u);
    std::string error, ids;
    for (const CarpetaVista* x : ElegirCarpetas(c, f[0], &error)) {
      ids += (ids.empty() ? "" : " ") + std::to_string(x->id);
    }
    EXPECT_EQ(ids, f[1]);
    EXPECT_EQ(error.empty(), !ids.empty());
  }
  // Two folders end with the name: the error names both.
  std::string error;
  EXPECT_TRUE(ElegirCarpetas(c, "inbox", &error).empty());
  EXPECT_NE(error.find("Local Folders/Inbox  (id 4)"), std::string::npos) << error;
  EXPECT_NE(error.find("Hotmail/Inbox  (id 10)"), std::string::npos) << error;
}

}  // namespace
}  // namespace orvex::herramienta
