#include "herramienta/salida.h"

#include <iostream>

#include "herramienta/usuarios.h"

namespace orvex::herramienta {

void Error(const std::string& texto) { std::cerr << "orvex: " << texto << '\n'; }

void Aviso(const std::string& texto) { std::cerr << "orvex: warning: " << texto << '\n'; }

std::string Cuantos(std::size_t n, const std::string& cosa) {
  return std::to_string(n) + " " + cosa + (n == 1 ? "" : "s");
}

Salida::Salida(bool json, std::vector<std::string> columnas) : json_(json), tabla_(std::move(columnas)) {}

void Salida::Escribir(const Registro& r) {
  if (json_) {
    // Walking a Windows volume user by user: every object says whose it is, first.
    const bool de_usuario = !UsuarioEnCurso().empty() && r.campos.is_object();
    nlohmann::ordered_json con_usuario;
    if (de_usuario) {
      con_usuario = {{"user", UsuarioEnCurso()}};
      con_usuario.update(r.campos);
    }
    std::cout << (de_usuario ? con_usuario : r.campos).dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
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
