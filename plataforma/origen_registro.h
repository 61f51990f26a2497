// Where ClaveRegistro reads from. By default that is the regedit export ORVEX_REGISTRY names
// (on Windows without it, the system's registry); a host program may install a source of its
// own (a user's hive files, say) and every key opened afterwards comes from it. The library's
// units never see which source is in use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plataforma/plataforma.h"

// The shared library hands these two types and the installer out to its host program: the
// command links the library as a shared object and installs its source through it.
#if defined(_WIN32)
#define ORVEX_PLATAFORMA_PUBLICA
#else
#define ORVEX_PLATAFORMA_PUBLICA __attribute__((visibility("default")))
#endif

namespace orvex::plataforma {

// One open key of a source. Each method behaves exactly as ClaveRegistro's of the same name:
// names without regard to case, "" the default value, strings as the export gives them (UTF-8
// with the stored NUL), data cut at capacidad, subkeys in upper-cased name order with names
// longer than 99 characters failing at their index. Called from one thread at a time.
class ORVEX_PLATAFORMA_PUBLICA ClaveDeOrigen {
 public:
  virtual ~ClaveDeOrigen() = default;
  virtual bool ConsultarValor(const std::string& nombre, uint32_t* tamano, uint32_t* tipo) const = 0;
  virtual bool LeerValor(const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) const = 0;
  virtual bool EnumerarSubclave(uint32_t indice, std::string* nombre) const = 0;
};

// A whole registry. AbrirClave may be called from several threads at once; a key it returns
// stays usable for as long as it lives, even after the source is replaced (it holds what it
// needs, or the ClaveRegistro holding it keeps the source alive).
class ORVEX_PLATAFORMA_PUBLICA OrigenRegistro {
 public:
  virtual ~OrigenRegistro() = default;
  // The key at ruta ('\' separated, empty components ignored) under raiz; null when absent.
  virtual std::unique_ptr<ClaveDeOrigen> AbrirClave(Raiz raiz, const std::string& ruta) const = 0;
};

// Installs the source every later ClaveRegistro::Abrir reads; null puts the default back.
// Keys already open keep reading the source they came from.
ORVEX_PLATAFORMA_PUBLICA void UsarOrigenRegistro(std::shared_ptr<const OrigenRegistro> origen);

// The installed source; null when none is (the backends then read their default).
std::shared_ptr<const OrigenRegistro> OrigenRegistroInstalado();

}  // namespace orvex::plataforma
