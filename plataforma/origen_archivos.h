// Where the library's files come from. By default the disk; a host may install another source
// (a disk image, say) that serves the paths on one drive letter. Archivo::Abrir, ListarArchivos
// and ExisteArchivo ask the installed source first; the units above never know which one
// answered. A source is read-only: opening one of its files for writing fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plataforma/origen_registro.h"  // ORVEX_PLATAFORMA_PUBLICA: handed out by the shared library

namespace orvex::plataforma {

// One open file of a source. Reads may come from several threads at once.
class ORVEX_PLATAFORMA_PUBLICA ArchivoDeOrigen {
 public:
  virtual ~ArchivoDeOrigen() = default;
  // As Archivo::Leer: up to n bytes at pos, *leidos how many came; false on a read error.
  virtual bool Leer(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const = 0;
  virtual uint64_t Tamano() const = 0;
};

class ORVEX_PLATAFORMA_PUBLICA OrigenArchivos {
 public:
  virtual ~OrigenArchivos() = default;
  // True for the paths this source serves (its drive); the others stay with the disk.
  virtual bool Atiende(std::string_view ruta) const = 0;
  // A regular file at ruta; null when there is none or it cannot be read.
  virtual std::unique_ptr<ArchivoDeOrigen> Abrir(const std::string& ruta) = 0;
  // As ListarArchivos: names of the regular files of a folder matching the pattern, sorted.
  virtual std::vector<std::string> Listar(const std::string& directorio, const std::string& patron) = 0;
  virtual bool Existe(const std::string& ruta) = 0;
};

// Installs a source (null: the disk alone again). Files already open keep their source. Named
// like the registry source's installer: the shared library exports exactly these beside its API.
ORVEX_PLATAFORMA_PUBLICA void UsarOrigenArchivos(std::shared_ptr<OrigenArchivos> origen);

// The installed source when it serves ruta; null otherwise.
std::shared_ptr<OrigenArchivos> OrigenPara(std::string_view ruta);

// The components of a path on drive `unidad` ("C:\a\b", "c:/a/b"), with "." dropped and ".."
// taken back; empty for another drive, a path without one, or ".." above the root.
std::optional<std::vector<std::string>> ComponentesEnUnidad(std::string_view ruta, char unidad);

}  // namespace orvex::plataforma
