// What the commands print: each kind of record described once, by its JSON fields and its
// table rows, and one sink that writes it as a JSON line (--json) or into the table.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "herramienta/tabla.h"

namespace orvex::herramienta {

using Json = nlohmann::ordered_json;

// "orvex: TEXT" and "orvex: warning: TEXT" on standard error.
void Error(const std::string& texto);
void Aviso(const std::string& texto);

// "1 message", "2 messages".
std::string Cuantos(std::size_t n, const std::string& cosa);

// One record: its JSON line, and what the table output shows of it.
struct Registro {
  Json campos = {};
  std::vector<std::vector<std::string>> filas = {};  // rows of the command's table
  std::string linea = {};                            // a line of its own on standard output
  std::string aviso = {};                            // an "orvex: " line on standard error
};

class Salida {
 public:
  // The table's columns, as Tabla takes them.
  Salida(bool json, std::vector<std::string> columnas);
  bool Json() const { return json_; }
  // A JSON line now, or the record's rows kept for the table and its lines now.
  void Escribir(const Registro& r);
  // The table, with its header even when it has no row when aun_vacia.
  void Imprimir(bool aun_vacia = false);

 private:
  bool json_;
  Tabla tabla_;
};

}  // namespace orvex::herramienta
