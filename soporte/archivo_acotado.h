// A store file open for the length of one call, with its size taken at open: every read is
// checked against that size, and a write at the end lengthens it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "plataforma/plataforma.h"

namespace orvex {

class ArchivoAcotado {
 public:
  using Modo = plataforma::Archivo::Modo;

  // Empty when the file cannot be opened or its size cannot be learned.
  static std::optional<ArchivoAcotado> Abrir(const std::string& ruta, Modo modo = Modo::kLectura);

  uint64_t Tamano() const { return tamano_; }
  // True when n bytes at pos lie inside the file (written so it cannot overflow).
  bool Contiene(uint64_t pos, uint64_t n) const { return pos <= tamano_ && n <= tamano_ - pos; }
  // Reads exactly n bytes at pos, only when they lie inside the file.
  bool Leer(uint64_t pos, void* destino, std::size_t n) const;
  // Reads what the file holds of the n bytes at pos; *leidos gets the count. False when pos is
  // past the end or the read fails.
  bool LeerParcial(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const;
  bool Leer32(uint64_t pos, uint32_t* valor) const;
  // Writes n bytes at pos; a write at the end lengthens the file and the size follows.
  bool Escribir(uint64_t pos, const void* origen, std::size_t n);

 private:
  ArchivoAcotado(plataforma::Archivo archivo, uint64_t tamano) : archivo_(std::move(archivo)), tamano_(tamano) {}
  plataforma::Archivo archivo_;
  uint64_t tamano_;
};

}  // namespace orvex
