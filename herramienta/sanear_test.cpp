#include "herramienta/sanear.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "herramienta/carpeta_temporal.h"
#include "pruebas/tablas.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

// The rows of pruebas/datos/nombres_adjuntos.txt: the case, the name, the name kept.
TEST(SanearNombreTest, NombresHostiles) {
  for (const std::vector<std::string>& f : pruebas::Filas(
#include "pruebas/datos/nombres_adjuntos.inc"
           )) {
    SCOPED_TRACE(f[0]);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(SanearNombre(f[1]), f[2]);
  }
  EXPECT_EQ(SanearNombre("/", "parte-2"), "parte-2");
  EXPECT_EQ(NombreNumerado("x.tar.gz", 2), "x.tar (2).gz");
  EXPECT_EQ(NombreNumerado("README", 3), "README (3)");
}

std::string LeerArchivo(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Both ways of writing a new file: through stdio, and whole into an open folder (its date is
// pinned by the command's export runs).
std::optional<fs::path> PorStdio(const fs::path& carpeta, const std::string& nombre, const std::string& datos) {
  std::optional<ArchivoCreado> a = CrearArchivoUnico(carpeta, nombre);
  if (a) std::fputs(datos.c_str(), a->archivo.get());
  return a ? std::optional(a->ruta) : std::nullopt;
}
std::optional<fs::path> Entero(const fs::path& carpeta, const std::string& nombre, const std::string& datos) {
  std::optional<CarpetaDestino> d = CarpetaDestino::Abrir(carpeta);
  return d ? EscribirArchivoUnico(*d, nombre, "adjunto", datos, 86400) : std::nullopt;
}

// Whatever the name, the file is new and directly inside the folder; a taken name or a planted
// link is numbered around, never followed.
TEST(CrearArchivoUnicoTest, NuevoYDentroDeLaCarpeta) {
  for (auto escribir : {PorStdio, Entero}) {
    CarpetaTemporal dir;
    const fs::path carpeta = dir.Ruta() / "salida";
    fs::create_directory(carpeta);
    std::ofstream(dir.Ruta() / "victima") << "intacto";
    fs::create_symlink(dir.Ruta() / "victima", carpeta / "a.txt");
    const std::pair<std::string, const char*> casos[] = {
        {"../x.txt", "x.txt"}, {"..\\x.txt", "x (2).txt"}, {"/tmp/a.txt", "a (2).txt"}, {"", "adjunto"},
        {"CON.txt", "_CON.txt"},
    };
    for (const auto& [nombre, creado] : casos) {
      SCOPED_TRACE(nombre);
      std::optional<fs::path> a = escribir(carpeta, nombre, nombre);
      ASSERT_TRUE(a.has_value());
      EXPECT_EQ(*a, carpeta / creado);
      EXPECT_EQ(LeerArchivo(*a), nombre);
    }
    EXPECT_EQ(LeerArchivo(dir.Ruta() / "victima"), "intacto");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Ruta()), fs::directory_iterator()), 2);
    EXPECT_FALSE(escribir(dir.Ruta() / "no-existe", "a.txt", "").has_value());
  }
}

}  // namespace
}  // namespace orvex::herramienta
