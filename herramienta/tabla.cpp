#include "herramienta/tabla.h"

#include <algorithm>
#include <cstdio>

#include "herramienta/textos.h"

namespace orvex::herramienta {

Tabla::Tabla(std::vector<std::string> columnas) {
  for (std::string& c : columnas) {
    const bool derecha = !c.empty() && c.front() == '>';
    if (derecha) c.erase(0, 1);
    derecha_.push_back(derecha);
    columnas_.push_back(std::move(c));
  }
}

void Tabla::Fila(std::vector<std::string> celdas) {
  celdas.resize(columnas_.size());
  filas_.push_back(std::move(celdas));
}

void Tabla::Imprimir(std::ostream& salida) const {
  std::vector<std::size_t> anchos(columnas_.size());
  for (std::size_t i = 0; i < columnas_.size(); ++i) anchos[i] = AnchoVisible(columnas_[i]);
  for (const auto& fila : filas_) {
    for (std::size_t i = 0; i < fila.size(); ++i) anchos[i] = std::max(anchos[i], AnchoVisible(fila[i]));
  }
  const auto linea = [&](const std::vector<std::string>& celdas) {
    std::string texto;
    for (std::size_t i = 0; i < celdas.size(); ++i) {
      const std::size_t relleno = anchos[i] - AnchoVisible(celdas[i]);
      const bool ultima = i + 1 == celdas.size();
      if (derecha_[i]) texto.append(relleno, ' ');
      texto += celdas[i];
      if (!derecha_[i] && !ultima) texto.append(relleno, ' ');
      if (!ultima) texto += "  ";
    }
    while (!texto.empty() && texto.back() == ' ') texto.pop_back();
    salida << texto << '\n';
  };
  linea(columnas_);
  for (const auto& fila : filas_) linea(fila);
}

Progreso::Progreso(bool activo)
    : activo_(activo), inicio_(std::chrono::steady_clock::now()), ultimo_(inicio_) {}

Progreso::~Progreso() { Terminar(); }

void Progreso::Actualizar(std::size_t carpetas, std::size_t mensajes, uint64_t bytes) {
  if (!activo_) return;
  const auto ahora = std::chrono::steady_clock::now();
  if (ahora - ultimo_ < std::chrono::milliseconds(100)) return;
  ultimo_ = ahora;
  const double segundos = std::chrono::duration<double>(ahora - inicio_).count();
  const double mb = static_cast<double>(bytes) / 1e6;
  std::fprintf(stderr, "\r%zu folders done, %zu messages, %.1f MB, %.1f MB/s\x1b[K", carpetas, mensajes, mb,
               segundos > 0 ? mb / segundos : 0.0);
  std::fflush(stderr);
  mostrado_ = true;
}

void Progreso::Terminar() {
  if (mostrado_) std::fputs("\r\x1b[K", stderr);
  mostrado_ = false;
}

}  // namespace orvex::herramienta
