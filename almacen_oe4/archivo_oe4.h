// One store file of this generation, open for the length of one call, with its size taken at
// open, and the words this generation keeps in the records' generation areas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "api/orvex.h"
#include "plataforma/plataforma.h"
#include "soporte/bytes.h"

namespace orvex::oe4 {

class ArchivoOe4 {
 public:
  using Modo = plataforma::Archivo::Modo;

  // Empty when the file cannot be opened or its size cannot be learned.
  static std::optional<ArchivoOe4> Abrir(const std::string& ruta, Modo modo = Modo::kLectura);

  uint64_t Tamano() const { return tamano_; }
  // True when n bytes at pos lie inside the file (written so it cannot overflow).
  bool Contiene(uint64_t pos, uint64_t n) const { return pos <= tamano_ && n <= tamano_ - pos; }
  // Reads exactly n bytes at pos, only when they lie inside the file.
  bool Leer(uint64_t pos, void* destino, std::size_t n) const;
  bool Leer32(uint64_t pos, uint32_t* valor) const;
  // Writes n bytes at pos; a write at the end lengthens the file and the size follows.
  bool Escribir(uint64_t pos, const void* origen, std::size_t n);

 private:
  ArchivoOe4(plataforma::Archivo archivo, uint64_t tamano) : archivo_(std::move(archivo)), tamano_(tamano) {}
  plataforma::Archivo archivo_;
  uint64_t tamano_;
};

using orvex::Le32;
using orvex::Le64;
using orvex::Pon32;

// OE_CARPETA: no pointer precedes the working area, so these offsets hold on every build.
inline constexpr std::size_t kCarpetaIdFinPrincipales = 1068;
inline constexpr std::size_t kCarpetaIdFin = 1072;  // news accounts: sublist.dat's third word
inline constexpr std::size_t kCarpetaExtra = 1080;
inline constexpr std::size_t kCarpetaTamBloques = 1084;
inline constexpr std::size_t kCarpetaTamMensajes = 1088;
inline constexpr std::size_t kCarpetaHayNoticias = 1092;
// Records handed out by the current walk: a chain that loops ends the walk after as many
// steps as the file has room for records.
inline constexpr std::size_t kCarpetaPasos = 1096;
static_assert(offsetof(OE_CARPETA, PalabrasGen) == kCarpetaIdFinPrincipales);
static_assert(offsetof(OE_CARPETA, AreaGen) == kCarpetaExtra);
static_assert(kCarpetaPasos + 4 <= sizeof(OE_CARPETA));

inline uint32_t Palabra(const OE_CARPETA& c, std::size_t pos) {
  uint32_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&c) + pos, sizeof v);
  return v;
}
inline void PonerPalabra(OE_CARPETA& c, std::size_t pos, uint32_t v) {
  std::memcpy(reinterpret_cast<unsigned char*>(&c) + pos, &v, sizeof v);
}

// OE_MENSAJE: the generation words before the pointers keep their offsets on every build.
inline uint32_t& UltimoIdBuzon(OE_MENSAJE& m) { return m.PalabrasGen[0]; }  // 1052
inline uint32_t& Marcas(OE_MENSAJE& m) { return m.PalabrasGen[1]; }         // 1056
inline uint32_t& Marca(OE_MENSAJE& m) { return m.PalabrasGen[2]; }          // 1060
inline uint32_t& FinIndice(OE_MENSAJE& m) { return m.PalabraGen; }          // 1072

inline bool EsCarpeta(const OE_CARPETA* c) { return c != nullptr && c->Tamano == OE_TAM_CARPETA; }
inline bool EsMensaje(const OE_MENSAJE* m) { return m != nullptr && m->Tamano == OE_TAM_MENSAJE; }

}  // namespace orvex::oe4
