#include "herramienta/almacen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "herramienta/carpeta_temporal.h"
#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

// The rows of pruebas/datos/almacenes_reconocidos.txt.
TEST(ReconocerAlmacenTest, PorSusArchivos) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/almacenes_reconocidos.inc"
           )) {
    SCOPED_TRACE(f[0] + " " + f[1]);
    ASSERT_EQ(f.size(), 3u);
    CarpetaTemporal tmp;
    const fs::path base = tmp.Ruta();
    for (const std::string& a : pruebas::Campos(f[0], '|')) {
      if (a.empty()) continue;
      fs::create_directories((base / a).parent_path());
      std::ofstream(base / a).put('x');
    }
    const std::optional<AlmacenReconocido> r = ReconocerAlmacen(base / f[1]);
    const auto relativa = [&base](const fs::path& p) { return p.empty() ? "-" : p.lexically_relative(base).string(); };
    EXPECT_EQ(r ? std::to_string(r->version) + " " + relativa(r->datos) + " " + relativa(r->raiz) : "", f[2]);
  }
}

}  // namespace
}  // namespace orvex::herramienta
