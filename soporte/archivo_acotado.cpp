#include "soporte/archivo_acotado.h"

#include <algorithm>

#include "soporte/bytes.h"

namespace orvex {

std::optional<ArchivoAcotado> ArchivoAcotado::Abrir(const std::string& ruta, Modo modo) {
  auto archivo = plataforma::Archivo::Abrir(ruta, modo);
  if (!archivo) return std::nullopt;
  const auto tamano = archivo->Tamano();
  if (!tamano) return std::nullopt;
  return ArchivoAcotado(std::move(*archivo), *tamano);
}

bool ArchivoAcotado::Leer(uint64_t pos, void* destino, std::size_t n) const {
  if (!Contiene(pos, n)) return false;
  return n == 0 || archivo_.LeerExacto(pos, destino, n);
}

bool ArchivoAcotado::LeerParcial(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const {
  *leidos = 0;
  if (pos > tamano_) return false;
  return archivo_.Leer(pos, destino, static_cast<std::size_t>(std::min<uint64_t>(n, tamano_ - pos)), leidos);
}

bool ArchivoAcotado::Leer32(uint64_t pos, uint32_t* valor) const {
  uint8_t b[4];
  if (!Leer(pos, b, sizeof b)) return false;
  *valor = Le32(b);
  return true;
}

bool ArchivoAcotado::Escribir(uint64_t pos, const void* origen, std::size_t n) {
  if (pos > tamano_) return false;
  if (n != 0 && !archivo_.Escribir(pos, origen, n)) return false;
  if (pos + n > tamano_) tamano_ = pos + n;
  return true;
}

}  // namespace orvex
