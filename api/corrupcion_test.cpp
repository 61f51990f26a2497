// Damaged stores of each generation: one field at a time set to 0, the maximum, one off, the
// file's size or its own structure; then cut short and random bytes. Every walk must end with
// result codes: no crash, no hang, and no read or allocation beyond what the file holds (the
// sanitizer build runs these).
#include <gtest/gtest.h>

#include <random>
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

TEST_P(CorrupcionTest, CadaCampoDanadoCortadoOAlAzarDaCodigos) {
  std::mt19937 azar(20261206);
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
    // A few random bytes anywhere, or many random words behind the file's signature words.
    for (int vuelta = 0; vuelta < 60; ++vuelta) {
      std::vector<uint8_t> b = a.bytes;
      const bool palabras = vuelta % 2 == 1 && n > 16;
      const int cambios = palabras ? static_cast<int>(n / 16) : 1 + static_cast<int>(azar() % 4);
      for (int k = 0; k < cambios; ++k) {
        if (!palabras) {
          b[azar() % n] = static_cast<uint8_t>(azar());
          continue;
        }
        const uint32_t clase = azar() % 3;  // small values, offsets inside the file, or anything
        PonerPalabra(b, 8 + static_cast<uint32_t>(azar() % ((n - 8) / 4)) * 4,
                     clase == 0 ? azar() % 600 : clase == 1 ? azar() % n : static_cast<uint32_t>(azar()));
      }
      imagenes.emplace_back("random " + std::to_string(vuelta), std::move(b));
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
