// A disk image (raw, or EnCase .E01 with its .E02... segments) as a file source: drive C: is
// one partition's NTFS or FAT file system, read through The Sleuth Kit. Nothing is ever
// written to the image.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plataforma/origen_archivos.h"

namespace orvex::imagen {

struct Particion {
  unsigned numero = 0;       // 1, 2, ... among the image's data partitions
  uint64_t inicio = 0;       // byte offset in the image
  std::string descripcion;   // as the partition table names it ("NTFS / exFAT (0x07)", ...)
  std::string sistema;       // the file system found there ("ntfs", "fat32"), or "" for none
  bool ventanas = false;     // it holds a Windows-like tree (Windows, Documents and Settings, Users)
};

// Where a file of the image lies: its inode (MFT entry on NTFS) and its path in the image.
struct Ubicacion {
  uint64_t inodo = 0;
  std::string ruta;  // "/Documents and Settings/ana/...", the C: path with "/" separators
};

class OrigenImagen : public plataforma::OrigenArchivos {
 public:
  // Opens the image and the chosen partition (1-based); without one, the first holding a
  // Windows-like tree, else the only one with a file system. Null with *error set when the image
  // cannot be read, has no file system the library reads, or the partition is not there.
  static std::shared_ptr<OrigenImagen> Abrir(const std::string& archivo, std::optional<unsigned> particion,
                                             std::string* error);
  ~OrigenImagen() override;

  const std::vector<Particion>& Particiones() const;
  const Particion& Elegida() const;
  // Where the file at a C: path lies; empty when there is no such regular file.
  std::optional<Ubicacion> Ubicar(const std::string& ruta);
  // Names of the folders (not files) in a C: folder, sorted without regard to case.
  std::vector<std::string> ListarCarpetas(const std::string& directorio);

  bool Atiende(std::string_view ruta) const override;
  std::unique_ptr<plataforma::ArchivoDeOrigen> Abrir(const std::string& ruta) override;
  std::vector<std::string> Listar(const std::string& directorio, const std::string& patron) override;
  bool Existe(const std::string& ruta) override;

  struct Estado;

 private:
  explicit OrigenImagen(std::shared_ptr<Estado> estado);
  std::shared_ptr<Estado> estado_;
};

}  // namespace orvex::imagen
