// Replays, in the normal builds, every input a campaign kept (pruebas/regresion/<target>/)
// and every seed through its target: a target aborts when a property fails, which fails
// the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/objetivos.h"
#include "fuzz/semillas.h"

namespace orvex::fuzz {
namespace {

std::vector<std::string> NombresObjetivos() {
  std::vector<std::string> nombres;
  for (std::size_t k = 0; k < kNumObjetivos; ++k) nombres.emplace_back(kObjetivos[k].nombre);
  return nombres;
}

void Ejecutar(const Objetivo& objetivo, const std::string& bytes) {
  ASSERT_LE(bytes.size(), objetivo.tamano_maximo);
  EXPECT_EQ(objetivo.funcion(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
}

class RegresionTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RegresionTest, LasEntradasGuardadasPasan) {
  const Objetivo* objetivo = BuscarObjetivo(GetParam().c_str());
  ASSERT_NE(objetivo, nullptr);
  const std::filesystem::path carpeta = std::filesystem::path(ORVEX_DIR_REGRESION) / GetParam();
  if (!std::filesystem::is_directory(carpeta)) return;  // nothing kept for this target yet
  std::vector<std::filesystem::path> archivos;
  for (const auto& e : std::filesystem::directory_iterator(carpeta)) {
    if (e.is_regular_file()) archivos.push_back(e.path());
  }
  std::sort(archivos.begin(), archivos.end());
  for (const auto& archivo : archivos) {
    SCOPED_TRACE(archivo.string());
    std::ifstream f(archivo, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    Ejecutar(*objetivo, bytes);
  }
}

TEST_P(RegresionTest, LasSemillasPasan) {
  const Objetivo* objetivo = BuscarObjetivo(GetParam().c_str());
  ASSERT_NE(objetivo, nullptr);
  const auto semillas = Semillas(GetParam());
  ASSERT_FALSE(semillas.empty());
  for (const Semilla& s : semillas) {
    SCOPED_TRACE(s.nombre);
    Ejecutar(*objetivo, s.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(Objetivos, RegresionTest, ::testing::ValuesIn(NombresObjetivos()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace orvex::fuzz
