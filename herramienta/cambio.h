// Changing a stored message safely: a copy of each store file before its first change (the
// backup folder), a private copy of its files to undo the change, the message read back through
// the exports, and the check that it is the message intended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "herramienta/cliente.h"

namespace orvex::herramienta {

// A new empty folder under the system's temporary folder; empty when none could be made.
std::filesystem::path CarpetaTemporalNueva();

// The backup folder: the one chosen (--backup), else beside junto_a, named after it with
// ".orvex-backup-" and the UTC time.
std::filesystem::path CarpetaCopias(const std::string& elegida, const std::filesystem::path& junto_a);

// Copies each store file once, before the first change to it.
class Copias {
 public:
  Copias(std::string carpeta, bool activas) : carpeta_(std::move(carpeta)), activas_(activas) {}

  // False (with the reason told) when a file that is about to change could not be copied.
  bool Asegurar(const std::vector<std::string>& rutas);
  const std::filesystem::path& Destino() const { return destino_; }

 private:
  std::string carpeta_;
  bool activas_;
  std::filesystem::path destino_;
  std::set<std::string> hechas_;
};

// A private copy of the files one write-back may change, put back when the changed message
// fails its check; removed with the object.
class Deshacer {
 public:
  Deshacer() = default;
  ~Deshacer();
  Deshacer(const Deshacer&) = delete;
  Deshacer& operator=(const Deshacer&) = delete;

  // Copies each of these library paths that names an existing file, once. False when one
  // could not be copied.
  bool Guardar(const std::vector<std::string>& rutas);
  // Puts every copied file back as it was. False when one could not be.
  bool Restaurar() const;

 private:
  std::filesystem::path dir_;
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> archivos_;  // original, copy
};

// A name that a rename already gave: it ends in ".VIR", in any case.
bool TerminaEnVir(std::string_view nombre);

// A part of a message as the scan saw it, and what it asked the library to do with it.
struct ParteEscaneada {
  std::string nombre, contenido;
  uint32_t accion = ACCION_CONSERVAR;
};

// A message as the store holds it now.
struct MensajeReleido {
  bool hallado = false;
  uint32_t partes_resultado = OE_ERROR;
  std::string texto;
  std::vector<ParteEscaneada> partes;
};

// Reads message id of folder c again: the message of that id, or else the last one listed under
// a higher id (the older generations store a rewritten message anew, under the next id).
MensajeReleido Releer(uint32_t version, const std::vector<CarpetaVista>& carpetas, const CarpetaVista& c,
                      uint32_t id);

// The end of a message text that a change of its parts up to fin leaves as it is: the text
// from fin on, or from the closing boundary line ("--boundary--") when that starts earlier.
std::string ColaIntacta(const std::string& texto, std::size_t fin);

// Empty when the message read back is the one intended: the same parts in the same order, a
// renamed part with the same content under a .VIR name, a removed part empty (or gone), every
// other part unchanged, and the text after the last changed part as it was, so that the
// message still ends where it should. Else why not.
std::string Comprobar(const std::vector<ParteEscaneada>& antes, std::string_view cola, const MensajeReleido& ahora);

}  // namespace orvex::herramienta
