// The file entry points every backend shares: the failure hook, then an installed source (a disk
// image, an archive) before the file system.
#include <memory>
#include <utility>

#include "plataforma/disco.h"
#include "plataforma/origen_archivos.h"
#include "plataforma/plataforma.h"

namespace orvex::plataforma {

std::optional<Archivo> Archivo::Abrir(const std::string& ruta, Modo modo) {
  if (DebeFallar(Operacion::kAbrir)) return std::nullopt;
  // An installed source's files never enter the open-file cache, which holds disk files only.
  if (std::shared_ptr<OrigenArchivos> origen = OrigenPara(ruta)) {
    std::unique_ptr<ArchivoDeOrigen> f = modo == Modo::kLectura ? origen->Abrir(ruta) : nullptr;
    if (!f) return std::nullopt;
    return Archivo(std::move(f));
  }
  return AbrirEnDisco(ruta, modo);
}

bool Archivo::Leer(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const {
  std::size_t total = 0;
  if (leidos == nullptr) leidos = &total;
  if (DebeFallar(Operacion::kLeer)) {
    *leidos = 0;
    return false;
  }
  return externo_ ? externo_->Leer(pos, destino, n, leidos) : LeerEnDisco(pos, destino, n, leidos);
}

bool Archivo::LeerExacto(uint64_t pos, void* destino, std::size_t n) const {
  std::size_t leidos = 0;
  return Leer(pos, destino, n, &leidos) && leidos == n;
}

std::vector<std::string> ListarArchivos(const std::string& directorio, const std::string& patron) {
  if (std::shared_ptr<OrigenArchivos> origen = OrigenPara(directorio)) return origen->Listar(directorio, patron);
  return ListarEnDisco(directorio, patron);
}

bool ExisteArchivo(const std::string& ruta) {
  if (std::shared_ptr<OrigenArchivos> origen = OrigenPara(ruta)) return origen->Existe(ruta);
  return ExisteEnDisco(ruta);
}

}  // namespace orvex::plataforma
