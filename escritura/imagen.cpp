#include "escritura/imagen.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

#include "soporte/bytes.h"

namespace orvex::escritura {

uint32_t LeerPalabra(const std::vector<uint8_t>& bytes, uint32_t pos) {
  if (static_cast<std::size_t>(pos) + 4 > bytes.size()) throw std::out_of_range("palabra fuera de la imagen");
  return Le32(bytes.data() + pos);
}

void PonerPalabra(std::vector<uint8_t>& bytes, uint32_t pos, uint32_t valor) {
  if (static_cast<std::size_t>(pos) + 4 > bytes.size()) throw std::out_of_range("palabra fuera de la imagen");
  Pon32(bytes.data() + pos, valor);
}

void EscribirImagen(const std::string& ruta, const std::vector<uint8_t>& bytes) {
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("no se pudo escribir " + ruta);
}

void ImagenArchivo::Copiar(uint32_t pos, const void* origen, std::size_t n) {
  if (static_cast<std::size_t>(pos) + n > bytes_.size()) throw std::logic_error("copia fuera de la imagen");
  if (n != 0) std::memcpy(bytes_.data() + pos, origen, n);
}

}  // namespace orvex::escritura
