// Aligned text tables and the progress line, the command's output for people.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace orvex::herramienta {

class Tabla {
 public:
  // Columns whose name starts with '>' are aligned right (the '>' is not shown).
  explicit Tabla(std::vector<std::string> columnas);
  void Fila(std::vector<std::string> celdas);
  bool Vacia() const { return filas_.empty(); }
  // The header, then the rows; cells are UTF-8, the last column is not padded.
  void Imprimir(std::ostream& salida) const;

 private:
  std::vector<std::string> columnas_;
  std::vector<bool> derecha_;
  std::vector<std::vector<std::string>> filas_;
};

// "folders done, messages, MB, MB/s" on standard error, rewritten in place, only when
// standard error is a terminal and at most ten times a second.
class Progreso {
 public:
  explicit Progreso(bool activo);
  ~Progreso();
  void Actualizar(std::size_t carpetas, std::size_t mensajes, uint64_t bytes);
  // Clears the line.
  void Terminar();

 private:
  bool activo_;
  bool mostrado_ = false;
  std::chrono::steady_clock::time_point inicio_, ultimo_;
};

}  // namespace orvex::herramienta
