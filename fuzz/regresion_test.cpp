// Replays, in the normal builds, every seed and every input a campaign kept
// (pruebas/regresion/<target>/) through its target: a target aborts when a property fails,
// which fails the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "fuzz/objetivos.h"
#include "fuzz/semillas.h"

namespace orvex::fuzz {
namespace {

class RegresionTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RegresionTest, SemillasYEntradasGuardadasPasan) {
  const Objetivo& objetivo = kObjetivos[GetParam()];
  std::vector<Semilla> entradas = Semillas(objetivo.nombre);
  ASSERT_FALSE(entradas.empty());
  const std::filesystem::path carpeta = std::filesystem::path(ORVEX_DIR_REGRESION) / objetivo.nombre;
  // In name order, so that every machine replays them alike; a target may have kept none.
  std::error_code sin_carpeta;
  std::vector<std::filesystem::path> guardadas(std::filesystem::directory_iterator(carpeta, sin_carpeta), {});
  std::sort(guardadas.begin(), guardadas.end());
  for (const std::filesystem::path& ruta : guardadas) {
    std::ifstream f(ruta, std::ios::binary);
    entradas.push_back({ruta.string(), {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()}});
  }
  for (const Semilla& s : entradas) {
    SCOPED_TRACE(s.nombre);
    ASSERT_LE(s.bytes.size(), objetivo.tamano_maximo);
    EXPECT_EQ(objetivo.funcion(reinterpret_cast<const uint8_t*>(s.bytes.data()), s.bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Objetivos, RegresionTest, ::testing::Range<std::size_t>(0, kNumObjetivos),
                         [](const auto& info) { return std::string(kObjetivos[info.param].nombre); });

}  // namespace
}  // namespace orvex::fuzz
