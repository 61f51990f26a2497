#include "almacen_oe4/archivo_oe4.h"

namespace orvex::oe4 {

std::optional<ArchivoOe4> ArchivoOe4::Abrir(const std::string& ruta, Modo modo) {
  auto archivo = plataforma::Archivo::Abrir(ruta, modo);
  if (!archivo) return std::nullopt;
  const auto tamano = archivo->Tamano();
  if (!tamano) return std::nullopt;
  return ArchivoOe4(std::move(*archivo), *tamano);
}

bool ArchivoOe4::Leer(uint64_t pos, void* destino, std::size_t n) const {
  if (!Contiene(pos, n)) return false;
  return n == 0 || archivo_.LeerExacto(pos, destino, n);
}

bool ArchivoOe4::Leer32(uint64_t pos, uint32_t* valor) const {
  uint8_t b[4];
  if (!Leer(pos, b, sizeof b)) return false;
  *valor = Le32(b);
  return true;
}

bool ArchivoOe4::Escribir(uint64_t pos, const void* origen, std::size_t n) {
  if (pos > tamano_) return false;
  if (n != 0 && !archivo_.Escribir(pos, origen, n)) return false;
  if (pos + n > tamano_) tamano_ = pos + n;
  return true;
}

}  // namespace orvex::oe4
