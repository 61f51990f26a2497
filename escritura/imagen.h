// File images for the store writers: little-endian words over a byte vector and an image
// that grows at its end, shared by the .dbx, Outlook Express 4 and Internet Mail and News writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::escritura {

// Little-endian words in a file image, for damaging one field; std::out_of_range past the end.
uint32_t LeerPalabra(const std::vector<uint8_t>& bytes, uint32_t pos);
void PonerPalabra(std::vector<uint8_t>& bytes, uint32_t pos, uint32_t valor);
// Writes an image at a POSIX path; throws std::runtime_error on failure.
void EscribirImagen(const std::string& ruta, const std::vector<uint8_t>& bytes);

// A file image that grows by zero-filled pieces at its end: 4-aligned (Reservar) or packed (Anadir).
class ImagenArchivo {
 public:
  explicit ImagenArchivo(uint32_t tamano_inicial = 0) : bytes_(tamano_inicial, 0) {}

  uint32_t Reservar(uint32_t n) {
    bytes_.resize((bytes_.size() + 3) & ~std::size_t{3}, 0);
    return Anadir(n);
  }
  uint32_t Anadir(uint32_t n) {
    const uint32_t pos = Tamano();
    bytes_.resize(bytes_.size() + n, 0);
    return pos;
  }
  uint32_t AnadirPalabra(uint32_t v) {
    const uint32_t pos = Anadir(4);
    Palabra(pos, v);
    return pos;
  }
  uint32_t AnadirTexto(const std::string& s) {
    const uint32_t pos = Anadir(static_cast<uint32_t>(s.size()));
    Copiar(pos, s.data(), s.size());
    return pos;
  }
  void Palabra(uint32_t pos, uint32_t v) { PonerPalabra(bytes_, pos, v); }
  void Byte(uint32_t pos, uint8_t v) { bytes_.at(pos) = v; }
  void Copiar(uint32_t pos, const void* origen, std::size_t n);
  uint32_t Tamano() const { return static_cast<uint32_t>(bytes_.size()); }
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace orvex::escritura
