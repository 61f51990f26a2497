// Damaged stores of each generation: one field at a time set to 0, the maximum, one off, the
// file's size or its own structure; then cut short (random bytes are the fuzzers' part). Every
// walk must end with result codes: no crash, no hang, and no read or allocation beyond what the
// file holds (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pruebas/generaciones.h"

namespace orvex::pruebas {
namespace {

struct FilaCorrupcion {
  const char* nombre;
  AlmacenDeGeneracion (*instalar)();
};

class CorrupcionTest : public ::testing::TestWithParam<FilaCorrupcion> {
 protected:
  CorrupcionTest() : almacen_(GetParam().instalar()) {}
  AlmacenDeGeneracion almacen_;
};

TEST_P(CorrupcionTest, CadaCampoDanadoOCortadoDaCodigos) {
  for (const ArchivoDanable& a : almacen_.archivos) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> imagenes;
    for (const Campo& c : a.campos) {
      for (auto& d : Danios(a.bytes, c)) imagenes.push_back(std::move(d));
    }
    const std::size_t n = a.bytes.size();
    std::vector<std::size_t> largos = {0, 1, 4, 8, 31, 83, 231, 240, 1000, n / 2, n - 1};
    for (std::size_t l = 97; l < n; l += 397) largos.push_back(l);
    for (const std::size_t largo : largos) {
      if (largo >= n) continue;
      imagenes.emplace_back("cut to " + std::to_string(largo),
                            std::vector<uint8_t>(a.bytes.begin(), a.bytes.begin() + static_cast<std::ptrdiff_t>(largo)));
    }
    for (const auto& [traza, b] : imagenes) {
      SCOPED_TRACE(a.relativo + ": " + traza);
      almacen_.Reescribir(a, b);
      RecorrerComoHost();
    }
    almacen_.Reescribir(a, a.bytes);
  }
}

const FilaCorrupcion kFilas[] = {
    {"oe5", [] { return InstalarOe5(AlmacenEjemplo()); }},
    {"oe4", [] { return InstalarOe4(AlmacenOe4Ejemplo()); }},
    {"imn", [] { return InstalarImn(AlmacenImnEjemplo()); }},
};
INSTANTIATE_TEST_SUITE_P(Generaciones, CorrupcionTest, ::testing::ValuesIn(kFilas),
                         [](const auto& i) { return std::string(i.param.nombre); });

}  // namespace
}  // namespace orvex::pruebas
