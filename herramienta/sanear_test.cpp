#include "herramienta/sanear.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "herramienta/carpeta_temporal.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

TEST(SanearNombreTest, NombresHostiles) {
  std::string enes = "x";
  for (int i = 0; i < 400; ++i) enes += "\xC3\xB1";
  struct Caso {
    const char* nombre;
    std::string entrada, esperado;
  };
  const Caso casos[] = {
      {"plain name kept", "informe.pdf", "informe.pdf"},
      {"unix traversal", "../../etc/passwd", "passwd"},
      {"windows path with drive", "C:\\Windows\\x.exe", "x.exe"},
      {"drive without folder", "C:x.exe", "x.exe"},
      {"network path", "\\\\server\\share\\x", "x"},
      {"mixed separators", "a/b\\..\\c.txt", "c.txt"},
      {"ends in a parent", "a/..", "adjunto"},
      {"trailing slash leaves nothing", "carpeta/", "adjunto"},
      {"reserved device any case", "nul", "_nul"},
      {"reserved with double extension", "com1.tar.gz", "_com1.tar.gz"},
      {"reserved with space before dot", "AUX .txt", "_AUX .txt"},
      {"lpt9 reserved", "LPT9", "_LPT9"},
      {"com10 is not reserved", "COM10.txt", "COM10.txt"},
      {"console name reserved", "conout$", "_conout$"},
      {"control chars and NUL dropped", std::string("ev\x01il\x1b[2J\x7f\0.txt", 15), "evil[2J.txt"},
      {"stream syntax neutralised", "a.txt:secreto", "a.txt_secreto"},
      {"windows-refused characters", "a<b>c|d?e*f\"g.txt", "a_b_c_d_e_f_g.txt"},
      {"trailing dots and spaces", "virus.exe. . ", "virus.exe"},
      {"leading dots and spaces", " ..bashrc", "bashrc"},
      {"ansi letters kept", "r\xE9sum\xE9.doc", "r\xE9sum\xE9.doc"},
      {"long name keeps a short extension", std::string(1000, 'a') + ".pdf", std::string(146, 'a') + ".pdf"},
      {"long extension cut", "x." + std::string(1000, 'b'), "x." + std::string(148, 'b')},
      {"a UTF-8 character is never split", enes, enes.substr(0, 149)},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(SanearNombre(c.entrada), c.esperado);
  }
  EXPECT_EQ(SanearNombre("/", "parte-2"), "parte-2");
  EXPECT_EQ(NombreNumerado("x.tar.gz", 2), "x.tar (2).gz");
  EXPECT_EQ(NombreNumerado("README", 3), "README (3)");
}

std::string LeerArchivo(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Both ways of writing a new file: through stdio, and whole into an open folder (dated).
std::optional<fs::path> PorStdio(const fs::path& carpeta, const std::string& nombre, const std::string& datos) {
  std::optional<ArchivoCreado> a = CrearArchivoUnico(carpeta, nombre);
  if (a) std::fputs(datos.c_str(), a->archivo.get());
  return a ? std::optional(a->ruta) : std::nullopt;
}
std::optional<fs::path> Entero(const fs::path& carpeta, const std::string& nombre, const std::string& datos) {
  std::optional<CarpetaDestino> d = CarpetaDestino::Abrir(carpeta);
  std::optional<fs::path> r = d ? EscribirArchivoUnico(*d, nombre, "adjunto", datos, 86400) : std::nullopt;
  const auto dia = std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds(86400)});
  if (r) {
    EXPECT_EQ(fs::last_write_time(*r), dia);
  }
  return r;
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
