#include "herramienta/sanear.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "herramienta/carpeta_temporal.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

struct Caso {
  const char* nombre;
  std::string entrada;
  std::string esperado;
};

TEST(SanearNombreTest, NombresHostiles) {
  const Caso casos[] = {
      {"plain name kept", "informe.pdf", "informe.pdf"},
      {"unix traversal", "../../etc/passwd", "passwd"},
      {"windows path with drive", "C:\\Windows\\x.exe", "x.exe"},
      {"drive without folder", "C:x.exe", "x.exe"},
      {"mixed separators", "a/b\\..\\c.txt", "c.txt"},
      {"only dots", "..", "adjunto"},
      {"trailing slash leaves nothing", "carpeta/", "adjunto"},
      {"empty", "", "adjunto"},
      {"reserved device", "CON.txt", "_CON.txt"},
      {"reserved device any case", "nul", "_nul"},
      {"reserved with double extension", "com1.tar.gz", "_com1.tar.gz"},
      {"reserved with space before dot", "AUX .txt", "_AUX .txt"},
      {"lpt9 reserved", "LPT9", "_LPT9"},
      {"com10 is not reserved", "COM10.txt", "COM10.txt"},
      {"console name reserved", "conout$", "_conout$"},
      {"control chars dropped", std::string("ev\x01il\x1b[2J\x7f.txt"), "evil[2J.txt"},
      {"embedded NUL dropped", std::string("a\0b.exe", 7), "ab.exe"},
      {"newline in name", "fact\r\nura.pdf", "factura.pdf"},
      {"stream syntax neutralised", "a.txt:secreto", "a.txt_secreto"},
      {"windows-refused characters", "a<b>c|d?e*f\"g.txt", "a_b_c_d_e_f_g.txt"},
      {"trailing dots and spaces", "virus.exe. . ", "virus.exe"},
      {"leading dots and spaces", " ..bashrc", "bashrc"},
      {"spaces only", "   ", "adjunto"},
      {"ansi letters kept", "r\xE9sum\xE9.doc", "r\xE9sum\xE9.doc"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    EXPECT_EQ(SanearNombre(c.entrada), c.esperado);
  }
}

TEST(SanearNombreTest, RespaldoParaNombreVacio) { EXPECT_EQ(SanearNombre("/", "parte-2"), "parte-2"); }

TEST(SanearNombreTest, NombreLargoSeCortaConservandoExtension) {
  const std::string largo = std::string(1000, 'a') + ".pdf";
  const std::string r = SanearNombre(largo);
  EXPECT_EQ(r.size(), kMaximoNombre);
  EXPECT_EQ(r.substr(r.size() - 4), ".pdf");
}

TEST(SanearNombreTest, NombreLargoSinExtensionUtil) {
  const std::string largo = "x." + std::string(1000, 'b');
  EXPECT_EQ(SanearNombre(largo).size(), kMaximoNombre);
}

TEST(SanearNombreTest, CorteNoPartaUnCaracterUtf8) {
  std::string largo;
  for (int i = 0; i < 400; ++i) largo += "\xC3\xB1";  // ñ
  const std::string r = SanearNombre(largo);
  ASSERT_LE(r.size(), kMaximoNombre);
  EXPECT_EQ(r.size() % 2, 0u);
}

TEST(SanearNombreTest, ResultadoSiempreEsUnSoloComponente) {
  const std::string hostiles[] = {"../../etc/passwd", "..\\..\\boot.ini", "C:\\", "\\\\server\\share\\x",
                                  "/", ".", "a/..", std::string(1000, '/') + "x"};
  for (const std::string& h : hostiles) {
    SCOPED_TRACE(h);
    const std::string r = SanearNombre(h);
    EXPECT_FALSE(r.empty());
    EXPECT_EQ(r.find('/'), std::string::npos);
    EXPECT_EQ(r.find('\\'), std::string::npos);
    EXPECT_NE(r, "..");
    EXPECT_NE(r, ".");
  }
}

TEST(NombreNumeradoTest, NumeraAntesDeLaExtension) {
  const Caso casos[] = {
      {"first is unchanged", "a.txt", "a.txt"},
      {"second", "a.txt", "a (2).txt"},
      {"no extension", "README", "README (3)"},
      {"last dot wins", "x.tar.gz", "x.tar (2).gz"},
  };
  const unsigned n[] = {1, 2, 3, 2};
  for (std::size_t i = 0; i < std::size(casos); ++i) {
    SCOPED_TRACE(casos[i].nombre);
    EXPECT_EQ(NombreNumerado(casos[i].entrada, n[i]), casos[i].esperado);
  }
}

std::string LeerArchivo(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(CrearArchivoUnicoTest, NumeraDuplicadosSinSobrescribir) {
  CarpetaTemporal dir;
  const fs::path carpeta = dir.Ruta();
  for (const char* contenido : {"uno", "dos", "tres"}) {
    std::optional<ArchivoCreado> a = CrearArchivoUnico(carpeta, "../x.txt");
    ASSERT_TRUE(a.has_value());
    std::fputs(contenido, a->archivo.get());
  }
  EXPECT_EQ(LeerArchivo(carpeta / "x.txt"), "uno");
  EXPECT_EQ(LeerArchivo(carpeta / "x (2).txt"), "dos");
  EXPECT_EQ(LeerArchivo(carpeta / "x (3).txt"), "tres");
}

TEST(CrearArchivoUnicoTest, NuncaEscribeFueraDeLaCarpeta) {
  CarpetaTemporal dir;
  const fs::path carpeta = fs::path(dir.Ruta()) / "salida";
  fs::create_directory(carpeta);
  const std::string hostiles[] = {"../../etc/passwd", "..\\fuera.txt", "C:\\Windows\\x.exe", "/tmp/abs.txt",
                                  "..", std::string(1000, 'n') + ".bin", "", "CON.txt"};
  for (const std::string& h : hostiles) {
    SCOPED_TRACE(h);
    std::optional<ArchivoCreado> a = CrearArchivoUnico(carpeta, h);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->ruta.parent_path(), carpeta);
  }
  std::size_t fuera = 0;
  for (const auto& e : fs::directory_iterator(dir.Ruta())) {
    if (e.path() != carpeta) ++fuera;
  }
  EXPECT_EQ(fuera, 0u);
}

TEST(CrearArchivoUnicoTest, NoSigueUnEnlacePlantado) {
  CarpetaTemporal dir;
  const fs::path carpeta = fs::path(dir.Ruta()) / "salida";
  fs::create_directory(carpeta);
  const fs::path victima = fs::path(dir.Ruta()) / "victima";
  { std::ofstream(victima) << "intacto"; }
  fs::create_symlink(victima, carpeta / "a.txt");
  std::optional<ArchivoCreado> a = CrearArchivoUnico(carpeta, "a.txt");
  ASSERT_TRUE(a.has_value());
  std::fputs("nuevo", a->archivo.get());
  a->archivo.reset();
  EXPECT_EQ(a->ruta, carpeta / "a (2).txt");
  EXPECT_EQ(LeerArchivo(victima), "intacto");
}

TEST(CrearArchivoUnicoTest, CarpetaInexistenteFalla) {
  CarpetaTemporal dir;
  EXPECT_FALSE(CrearArchivoUnico(fs::path(dir.Ruta()) / "no-existe", "a.txt").has_value());
}

}  // namespace
}  // namespace orvex::herramienta
