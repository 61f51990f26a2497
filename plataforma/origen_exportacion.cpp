#include "plataforma/origen_exportacion.h"

#include <utility>
#include <vector>

namespace orvex::plataforma {
namespace {

class ClaveExportada final : public ClaveDeOrigen {
 public:
  ClaveExportada(std::shared_ptr<const registro::Registro> arbol, const registro::Clave* clave)
      : arbol_(std::move(arbol)), clave_(clave) {}

  bool ConsultarValor(const std::string& nombre, uint32_t* tamano, uint32_t* tipo) const override {
    return registro::ConsultarValor(*clave_, nombre, tamano, tipo);
  }
  bool LeerValor(const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) const override {
    return registro::LeerValor(*clave_, nombre, destino, capacidad, tamano);
  }
  bool EnumerarSubclave(uint32_t indice, std::string* nombre) const override {
    // The names are listed once per key, so walking all n subkeys costs n, not n squared.
    if (!listadas_) {
      for (const auto& [mayus, clave] : clave_->subclaves) subclaves_.push_back(&clave->nombre);
      listadas_ = true;
    }
    if (indice >= subclaves_.size()) return false;
    const std::string& encontrado = *subclaves_[indice];
    if (encontrado.size() > registro::kNombreSubclaveMaximo) return false;
    *nombre = encontrado;
    return true;
  }

 private:
  std::shared_ptr<const registro::Registro> arbol_;
  const registro::Clave* clave_;
  mutable std::vector<const std::string*> subclaves_;
  mutable bool listadas_ = false;
};

class OrigenExportacion final : public OrigenRegistro {
 public:
  explicit OrigenExportacion(std::shared_ptr<const registro::Registro> arbol) : arbol_(std::move(arbol)) {}

  std::unique_ptr<ClaveDeOrigen> AbrirClave(Raiz raiz, const std::string& ruta) const override {
    const registro::Clave* clave = arbol_->Buscar(raiz, ruta);
    if (clave == nullptr) return nullptr;
    return std::make_unique<ClaveExportada>(arbol_, clave);
  }

 private:
  std::shared_ptr<const registro::Registro> arbol_;
};

}  // namespace

std::shared_ptr<const OrigenRegistro> OrigenDeExportacion(std::shared_ptr<const registro::Registro> arbol) {
  if (!arbol) arbol = std::make_shared<const registro::Registro>();
  return std::make_shared<const OrigenExportacion>(std::move(arbol));
}

}  // namespace orvex::plataforma
