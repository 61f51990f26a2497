#include "herramienta/seleccion.h"

#include <gtest/gtest.h>

namespace orvex::herramienta {
namespace {

CarpetaVista Carpeta(uint32_t id, uint32_t padre, const char* nombre) {
  CarpetaVista c;
  c.id = id;
  c.padre = padre;
  c.nombre = nombre;
  return c;
}

std::vector<CarpetaVista> Arbol() {
  std::vector<CarpetaVista> c = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, "Inbox"),   Carpeta(8, 4, "Projects"),
                                 Carpeta(5, 1, "Outbox"),        Carpeta(9, 0, "Hotmail"), Carpeta(10, 9, "Inbox"),
                                 Carpeta(20, 21, "Loop A"),      Carpeta(21, 20, "Loop B"), Carpeta(30, 77, "Orphan"),
                                 Carpeta(3, 3, "Self"),          Carpeta(6, 1, "Gel\xF6schte Objekte")};
  CompletarRutas(c);
  return c;
}

TEST(CompletarRutasTest, RutasYProfundidad) {
  const std::vector<CarpetaVista> c = Arbol();
  struct Caso {
    std::size_t i;
    const char* ruta;
    int profundidad;
  };
  const Caso casos[] = {{0, "Local Folders", 0}, {2, "Local Folders/Inbox/Projects", 2}, {5, "Hotmail/Inbox", 1},
                        {6, "Loop B/Loop A", 1},  {8, "Orphan", 0},
                        {9, "Self", 0}};
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.ruta);
    EXPECT_EQ(c[k.i].ruta, k.ruta);
    EXPECT_EQ(c[k.i].profundidad, k.profundidad);
  }
}

TEST(ElegirCarpetasTest, Selectores) {
  const std::vector<CarpetaVista> c = Arbol();
  struct Caso {
    const char* selector;
    std::vector<uint32_t> ids;  // empty: an error is expected
  };
  const Caso casos[] = {
      {"", {1, 4, 8, 5, 9, 10, 20, 21, 30, 3, 6}},
      {"gel\xC3\xB6schte objekte", {6}},  // as the command prints it (UTF-8)
      {"Gel\xF6schte Objekte", {6}},       // as the store holds it (Windows-1252)
      {"local folders\\INBOX\\", {4}},
      {"//Local Folders//Inbox", {4}},
      {"Inbox/Projects", {8}},
      {"Inbox", {}},           // two folders end with it
      {"Hotmail/Inbox", {10}},
      {"10", {10}},
      {"0010", {10}},
      {"box", {}},             // a trailing part must be whole names
      {"99999999999", {}},     // too long for an id, and no such name
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.selector);
    std::string error;
    const std::vector<const CarpetaVista*> r = ElegirCarpetas(c, k.selector, &error);
    std::vector<uint32_t> ids;
    for (const CarpetaVista* x : r) ids.push_back(x->id);
    EXPECT_EQ(ids, k.ids);
    EXPECT_EQ(error.empty(), !k.ids.empty());
  }
}

TEST(ElegirCarpetasTest, AmbiguedadNombraLasCandidatas) {
  const std::vector<CarpetaVista> c = Arbol();
  std::string error;
  ElegirCarpetas(c, "inbox", &error);
  EXPECT_NE(error.find("Local Folders/Inbox  (id 4)"), std::string::npos) << error;
  EXPECT_NE(error.find("Hotmail/Inbox  (id 10)"), std::string::npos) << error;
}

TEST(OrdenArbolTest, HijosTrasSuPadreYCiclosAlFinal) {
  const std::vector<CarpetaVista> c = Arbol();
  std::vector<uint32_t> ids;
  for (const CarpetaVista* x : OrdenArbol(c)) ids.push_back(x->id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{1, 4, 8, 5, 6, 9, 10, 30, 3, 20, 21}));
}

}  // namespace
}  // namespace orvex::herramienta
