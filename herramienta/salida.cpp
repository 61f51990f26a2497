#include "herramienta/salida.h"

#include <iostream>

namespace orvex::herramienta {

void Error(const std::string& texto) { std::cerr << "orvex: " << texto << '\n'; }

void Aviso(const std::string& texto) { std::cerr << "orvex: warning: " << texto << '\n'; }

std::string Cuantos(std::size_t n, const std::string& cosa) {
  return std::to_string(n) + " " + cosa + (n == 1 ? "" : "s");
}

Salida::Salida(bool json, std::vector<std::string> columnas) : json_(json), tabla_(std::move(columnas)) {}

void Salida::Escribir(const Registro& r) {
  if (json_) {
    std::cout << r.campos.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    return;
  }
  for (const std::vector<std::string>& f : r.filas) tabla_.Fila(f);
  if (!r.linea.empty()) std::cout << r.linea << '\n';
  if (!r.aviso.empty()) Error(r.aviso);
}

void Salida::Imprimir(bool aun_vacia) {
  if (json_ || (!aun_vacia && tabla_.Vacia())) return;
  tabla_.Imprimir(std::cout);
}

}  // namespace orvex::herramienta
