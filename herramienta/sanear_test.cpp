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
  struct Caso {
    const char* nombre;
    std::string entrada, esperado;
  };
  const Caso casos[] = {
      {"plain name kept", "informe.pdf", "informe.pdf"},
      {"unix traversal", "../../etc/passwd", "passwd"},
      {"windows traversal", "..\\..\\boot.ini", "boot.ini"},
      {"windows path with drive", "C:\\Windows\\x.exe", "x.exe"},
      {"drive without folder", "C:x.exe", "x.exe"},
      {"network path", "\\\\server\\share\\x", "x"},
      {"mixed separators", "a/b\\..\\c.txt", "c.txt"},
      {"many separators", std::string(1000, '/') + "x", "x"},
      {"only dots", "..", "adjunto"},
      {"ends in a parent", "a/..", "adjunto"},
      {"drive only", "C:\\", "adjunto"},
      {"trailing slash leaves nothing", "carpeta/", "adjunto"},
      {"empty", "", "adjunto"},
      {"reserved device any case", "nul", "_nul"},
      {"reserved with double extension", "com1.tar.gz", "_com1.tar.gz"},
      {"reserved with space before dot", "AUX .txt", "_AUX .txt"},
      {"lpt9 reserved", "LPT9", "_LPT9"},
      {"com10 is not reserved", "COM10.txt", "COM10.txt"},
      {"console name reserved", "conout$", "_conout$"},
      {"control chars dropped", "ev\x01il\x1b[2J\x7f.txt", "evil[2J.txt"},
      {"embedded NUL dropped", std::string("a\0b.exe", 7), "ab.exe"},
      {"newline in name", "fact\r\nura.pdf", "factura.pdf"},
      {"stream syntax neutralised", "a.txt:secreto", "a.txt_secreto"},
      {"windows-refused characters", "a<b>c|d?e*f\"g.txt", "a_b_c_d_e_f_g.txt"},
      {"trailing dots and spaces", "virus.exe. . ", "virus.exe"},
      {"leading dots and spaces", " ..bashrc", "bashrc"},
      {"ansi letters kept", "r\xE9sum\xE9.doc", "r\xE9sum\xE9.doc"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(SanearNombre(c.entrada), c.esperado);
  }
  EXPECT_EQ(SanearNombre("/", "parte-2"), "parte-2");
}

TEST(SanearNombreTest, NombresLargosSeCortan) {
  std::string enes = "x";
  for (int i = 0; i < 400; ++i) enes += "\xC3\xB1";
  struct Caso {
    std::string entrada;
    std::size_t largo;
    std::string final;
  };
  const Caso casos[] = {
      {std::string(1000, 'a') + ".pdf", kMaximoNombre, "a.pdf"},  // a short extension is kept
      {"x." + std::string(1000, 'b'), kMaximoNombre, "bbb"},
      {enes, kMaximoNombre - 1, "\xC3\xB1"},  // a UTF-8 character is never split
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.final);
    const std::string r = SanearNombre(c.entrada);
    EXPECT_EQ(r.size(), c.largo);
    EXPECT_TRUE(r.ends_with(c.final)) << r;
  }
}

TEST(NombreNumeradoTest, NumeraAntesDeLaExtension) {
  EXPECT_EQ(NombreNumerado("a.txt", 1), "a.txt");
  EXPECT_EQ(NombreNumerado("a.txt", 2), "a (2).txt");
  EXPECT_EQ(NombreNumerado("README", 3), "README (3)");
  EXPECT_EQ(NombreNumerado("x.tar.gz", 2), "x.tar (2).gz");
}

std::string LeerArchivo(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Both ways of writing a new file: through stdio, and whole into an open folder (dated).
using Escritor = std::optional<fs::path> (*)(const fs::path&, const std::string&, const std::string&);
std::optional<fs::path> PorStdio(const fs::path& carpeta, const std::string& nombre, const std::string& datos) {
  std::optional<ArchivoCreado> a = CrearArchivoUnico(carpeta, nombre);
  if (!a) return std::nullopt;
  std::fputs(datos.c_str(), a->archivo.get());
  return a->ruta;
}
std::optional<fs::path> Entero(const fs::path& carpeta, const std::string& nombre, const std::string& datos) {
  std::optional<CarpetaDestino> d = CarpetaDestino::Abrir(carpeta);
  if (!d) return std::nullopt;
  std::optional<fs::path> r = EscribirArchivoUnico(*d, nombre, "adjunto", datos, 86400);
  if (r) {
    const std::chrono::sys_seconds dia{std::chrono::seconds(86400)};
    EXPECT_EQ(fs::last_write_time(*r), std::chrono::file_clock::from_sys(dia));
  }
  return r;
}
constexpr Escritor kEscritores[] = {PorStdio, Entero};

// Whatever the name, the file is new and directly inside the folder; a taken name is numbered.
TEST(CrearArchivoUnicoTest, NuevoYDentroDeLaCarpeta) {
  for (Escritor escribir : kEscritores) {
    CarpetaTemporal dir;
    const fs::path carpeta = dir.Ruta() / "salida";
    fs::create_directory(carpeta);
    struct Caso {
      std::string nombre;
      const char* creado;
    };
    const Caso casos[] = {
        {"../x.txt", "x.txt"},       {"..\\x.txt", "x (2).txt"}, {"C:\\Windows\\x.txt", "x (3).txt"},
        {"/tmp/abs.txt", "abs.txt"}, {"..", "adjunto"},          {"", "adjunto (2)"},
        {"CON.txt", "_CON.txt"},     {std::string(1000, 'n') + ".bin", nullptr},
    };
    for (const Caso& c : casos) {
      SCOPED_TRACE(c.nombre.substr(0, 20));
      std::optional<fs::path> a = escribir(carpeta, c.nombre, c.nombre);
      ASSERT_TRUE(a.has_value());
      EXPECT_EQ(a->parent_path(), carpeta);
      if (c.creado != nullptr) {
        EXPECT_EQ(a->filename().string(), c.creado);
      }
    }
    EXPECT_EQ(LeerArchivo(carpeta / "x.txt"), "../x.txt");
    EXPECT_EQ(LeerArchivo(carpeta / "x (2).txt"), "..\\x.txt");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Ruta()), fs::directory_iterator()), 1);
    EXPECT_FALSE(escribir(dir.Ruta() / "no-existe", "a.txt", "").has_value());
  }
}

TEST(CrearArchivoUnicoTest, NoSigueUnEnlacePlantado) {
  for (Escritor escribir : kEscritores) {
    CarpetaTemporal dir;
    std::ofstream(dir.Ruta() / "victima") << "intacto";
    fs::create_symlink(dir.Ruta() / "victima", dir.Ruta() / "a.txt");
    std::optional<fs::path> a = escribir(dir.Ruta(), "a.txt", "nuevo");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(*a, dir.Ruta() / "a (2).txt");
    EXPECT_EQ(LeerArchivo(*a), "nuevo");
    EXPECT_EQ(LeerArchivo(dir.Ruta() / "victima"), "intacto");
  }
}

}  // namespace
}  // namespace orvex::herramienta
