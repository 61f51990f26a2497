// A built store in a temporary folder, with the registry file that leads to it, made once per
// process. Each input replaces some of its files; they are put back after the input, so that
// every input starts from the built store whatever the previous one (or another target in the
// same process) did to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "api/orvex.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::fuzz {

class AlmacenFuzz {
 public:
  // escribir writes the store under the folder it is given and describes its registry.
  using Escritor = std::function<void(const std::string& raiz, pruebas::RegistroPrueba& registro)>;
  AlmacenFuzz(const Escritor& escribir, bool con_identidades);
  AlmacenFuzz(const AlmacenFuzz&) = delete;
  AlmacenFuzz& operator=(const AlmacenFuzz&) = delete;

  // Points the platform at this store's registry and runs the detection again (and selects
  // the default identity); the generation is module-wide, so every input starts with this.
  void Preparar();
  // Writes bytes over the file at relativo ('/' separated, below the store root).
  void Reemplazar(const std::string& relativo, const uint8_t* datos, std::size_t n);
  // Puts back every file written by Reemplazar (or changed by a write-back) since the last call.
  void Restaurar();
  // Also restores, on Restaurar, a file that a write-back may change.
  void Vigilar(const std::string& relativo);

  const std::string& Raiz() const { return dir_.Ruta(); }

 private:
  pruebas::VariableEntorno zona_;
  pruebas::DirectorioTemporal dir_;
  pruebas::RegistroPrueba registro_;
  std::string ruta_registro_;
  bool con_identidades_;
  std::map<std::string, std::vector<uint8_t>> originales_;
  std::vector<std::string> cambiados_;
};

// Restores the store when an input is done with it.
class UsoAlmacen {
 public:
  explicit UsoAlmacen(AlmacenFuzz& almacen) : almacen_(almacen) { almacen_.Preparar(); }
  ~UsoAlmacen() { almacen_.Restaurar(); }
  UsoAlmacen(const UsoAlmacen&) = delete;
  UsoAlmacen& operator=(const UsoAlmacen&) = delete;
  AlmacenFuzz* operator->() const { return &almacen_; }

 private:
  AlmacenFuzz& almacen_;
};

// Folder walks, checked record by record. Enumerar: mode 1, mode 2 until a result other than
// 0 (each folder checked and handed to al_cada_una), then mode 3 while the record is held.
void ComprobarCarpeta(const OE_CARPETA& c);
void Enumerar(const std::function<uint32_t(OE_CARPETA**, uint32_t)>& paso,
              const std::function<void(OE_CARPETA&)>& al_cada_una);
// The four walks: every folder, the subfolders of up to 16 of them, the top-level folders,
// and a lookup by entry id of each folder met and of the extra (id, position) pairs.
void RecorrerCarpetas(const std::vector<std::pair<uint32_t, uint32_t>>& extra);

// Lists a folder (mode 1, mode 2 until it gives neither 0 nor 1, mode 3) and does with every
// message what a host does: checks its text, walks its parts and its destinations.
void RecorrerMensajes(OE_CARPETA* carpeta);
// The folder with that entry id, listed as above; found is required when obligatoria.
void RecorrerMensajesDe(uint32_t id, uint32_t pos, bool obligatoria);

// Input split in two files: a 32-bit little-endian length, that many bytes (cut to what
// there is), then the rest.
struct Par {
  const uint8_t* primero;
  std::size_t n_primero;
  const uint8_t* segundo;
  std::size_t n_segundo;
};
Par Partir(const uint8_t* datos, std::size_t n);
std::string UnirPar(const std::vector<uint8_t>& primero, const std::vector<uint8_t>& segundo);

}  // namespace orvex::fuzz
