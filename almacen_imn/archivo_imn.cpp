#include "almacen_imn/interno_imn.h"
#include "mensaje/buffer_flujo.h"
#include "soporte/memoria.h"

namespace orvex::imn {

std::optional<ArchivoImn> ArchivoImn::Abrir(const std::string& ruta, Modo modo) {
  auto archivo = plataforma::Archivo::Abrir(ruta, modo);
  if (!archivo) return std::nullopt;
  const auto tamano = archivo->Tamano();
  if (!tamano) return std::nullopt;
  return ArchivoImn(std::move(*archivo), *tamano);
}

bool ArchivoImn::Leer(uint64_t pos, void* destino, std::size_t n) const {
  return Contiene(pos, n) && archivo_.LeerExacto(pos, destino, n);
}

bool ArchivoImn::Leer32(uint64_t pos, uint32_t* valor) const {
  uint8_t b[4];
  if (!Leer(pos, b, sizeof b)) return false;
  *valor = Le32(b);
  return true;
}

bool ArchivoImn::Escribir(uint64_t pos, const void* origen, std::size_t n) {
  if (!archivo_.Escribir(pos, origen, n)) return false;
  if (pos + n > tamano_) tamano_ = pos + n;
  return true;
}

void LiberarEntradas(OE_MENSAJE& m) {
  MEM_LiberarSiNoNulo(Entradas(m));
  PonerEntradas(m, nullptr);
}

void LiberarReescrito(OE_MENSAJE& m) {
  delete static_cast<CL_BUFFER_FLUJO*>(m.Reescrito);
  m.Reescrito = nullptr;
}

}  // namespace orvex::imn
