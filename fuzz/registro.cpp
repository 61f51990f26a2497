// Registry file reader: any bytes parse into a registry (empty when they are no export);
// the tree stays within its depth bound, and every key found by walking is found again by
// looking its path up. The text conversions take any bytes.
#include <span>
#include <string>
#include <string_view>

#include "fuzz/objetivos.h"
#include "plataforma/registro_archivo.h"

namespace orvex::fuzz {
namespace {

using plataforma::registro::Clave;

constexpr std::size_t kMaxBusquedas = 64;

// Walks the tree; looks up (by full path, case changed) a bounded number of the keys met.
void Recorrer(const plataforma::registro::Registro& r, plataforma::Raiz raiz, const Clave& clave,
              const std::string& ruta, std::size_t profundidad, std::size_t& busquedas) {
  Exigir(profundidad <= plataforma::registro::kProfundidadMaxima);
  for (const auto& [nombre, valor] : clave.valores) {
    Exigir(plataforma::registro::Mayusculas(valor.nombre) == nombre);
  }
  for (const auto& [nombre, hija] : clave.subclaves) {
    Exigir(hija != nullptr);
    const std::string ruta_hija = ruta.empty() ? hija->nombre : ruta + "\\" + hija->nombre;
    if (busquedas < kMaxBusquedas && hija->nombre.find('\\') == std::string::npos && !hija->nombre.empty()) {
      ++busquedas;
      Exigir(r.Buscar(raiz, plataforma::registro::Mayusculas(ruta_hija)) == hija.get());
    }
    Recorrer(r, raiz, *hija, ruta_hija, profundidad + 1, busquedas);
  }
}

}  // namespace

int Registro(const uint8_t* datos, std::size_t n) {
  const std::span<const uint8_t> bytes(datos, n);
  const plataforma::registro::Registro r = plataforma::registro::AnalizarRegistro(bytes);
  std::size_t busquedas = 0;
  for (uint32_t k = 0; k < 4; ++k) {
    const auto raiz = static_cast<plataforma::Raiz>(0x80000000u + k);
    Recorrer(r, raiz, r.raices[k], "", 0, busquedas);
    // A lookup by the input's own text must answer too.
    (void)r.Buscar(raiz, std::string_view(reinterpret_cast<const char*>(datos), n > 512 ? 512 : n));
  }
  const std::string utf8 = plataforma::registro::Utf16LeAUtf8(bytes);
  (void)plataforma::registro::Utf8AUtf16Le(utf8);
  (void)plataforma::registro::Utf8AUtf16Le(std::string_view(reinterpret_cast<const char*>(datos), n));
  return 0;
}

}  // namespace orvex::fuzz
