// The test environment on POSIX: setenv, and the registry is the file ORVEX_REGISTRY names.
#include <cstdlib>

#include "pruebas/entorno_prueba.h"
#include "pruebas/entorno_sistema.h"

namespace orvex::pruebas::sistema {

bool PonerVariable(const std::string& nombre, const std::optional<std::string>& valor) {
  return (valor ? ::setenv(nombre.c_str(), valor->c_str(), 1) : ::unsetenv(nombre.c_str())) == 0;
}

struct RegistroInstalado::Impl {
  std::unique_ptr<VariableEntorno> variable;
};

RegistroInstalado::RegistroInstalado() : impl_(std::make_unique<Impl>()) {}
RegistroInstalado::~RegistroInstalado() = default;

void RegistroInstalado::Instalar(const std::string& ruta, const std::vector<ClaveArchivo>&) {
  // The platform layer rereads the file at every open, so a rewritten file is enough.
  if (!impl_->variable) impl_->variable = std::make_unique<VariableEntorno>("ORVEX_REGISTRY", ruta);
}

}  // namespace orvex::pruebas::sistema
