// What the units of this store share: the words and pointers it keeps in the generation
// areas of OE_CARPETA and OE_MENSAJE, the store file opened for one call, and little-endian
// helpers over byte images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "api/orvex.h"
#include "nucleo/palabras.h"
#include "mensaje/empalme.h"
#include "soporte/archivo_acotado.h"
#include "soporte/bytes.h"

namespace orvex::imn {

// The index and mailbox files.
using ArchivoImn = ArchivoAcotado;
using orvex::Le32;
using orvex::Le64;
using orvex::Pon32;

// ---- OE_CARPETA. No pointer precedes the working area, so the word offsets hold on every
// build. The mailbox path list is a pointer: at 9128 where pointers are 4 bytes, and at an
// aligned spot of the working area where they are wider.
inline constexpr std::size_t kCarpetaPalabras = 1080;  // three words cleared with every folder
inline constexpr std::size_t kCarpetaNumBuzones = 1112;
inline constexpr std::size_t kCarpetaSiguienteBuzon = 9120;
inline constexpr std::size_t kCarpetaRutasBuzones = sizeof(void*) == 4 ? 9128 : 9112;
static_assert(offsetof(OE_CARPETA, AreaGen) == kCarpetaPalabras);
static_assert(kCarpetaRutasBuzones % sizeof(void*) == 0);
static_assert(kCarpetaRutasBuzones + sizeof(void*) <= sizeof(OE_CARPETA));
static_assert(kCarpetaRutasBuzones >= kCarpetaSiguienteBuzon + 4 ||
              kCarpetaRutasBuzones + sizeof(void*) <= kCarpetaSiguienteBuzon);

inline char** RutasBuzones(const OE_CARPETA& c) {
  char** v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&c) + kCarpetaRutasBuzones, sizeof v);
  return v;
}
inline void PonerRutasBuzones(OE_CARPETA& c, char** v) {
  std::memcpy(reinterpret_cast<unsigned char*>(&c) + kCarpetaRutasBuzones, &v, sizeof v);
}

// ---- OE_MENSAJE. The words before the two pointers keep their offsets on every build, and so
// do the counters at the end. The part table is a pointer: at 10700 where pointers are 4
// bytes, and where they are wider at an aligned spot of the working area past the text that
// opening an object empties.
inline uint32_t& ContadorIdBuzon(OE_MENSAJE& m) { return m.PalabrasGen[0]; }  // 1052
inline uint32_t& FlagsIndice(OE_MENSAJE& m) { return m.PalabrasGen[1]; }      // 1056
inline uint32_t& MarcaPartes(OE_MENSAJE& m) { return m.PalabrasGen[2]; }      // 1060
inline uint32_t& FinIndice(OE_MENSAJE& m) { return m.PalabraGen; }            // 1072
inline uint32_t& UltimaEntrada(OE_MENSAJE& m) { return m.PalabrasGenFin[2]; }    // 10692
inline uint32_t& PartesDevueltas(OE_MENSAJE& m) { return m.PalabrasGenFin[3]; }  // 10696

inline constexpr std::size_t kMensajeEntradas =
    sizeof(void*) == 4 ? offsetof(OE_MENSAJE, PalabrasGenFin) + 4 * sizeof(uint32_t)
                       : offsetof(OE_MENSAJE, AreaGen) + 272;
static_assert(sizeof(void*) != 4 || kMensajeEntradas == 10700);
static_assert(sizeof(void*) == 4 || (kMensajeEntradas % sizeof(void*) == 0 &&
                                     kMensajeEntradas + sizeof(void*) <= offsetof(OE_MENSAJE, PosCuerpo)));

inline uint8_t* Entradas(const OE_MENSAJE& m) {
  uint8_t* v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&m) + kMensajeEntradas, sizeof v);
  return v;
}
inline void PonerEntradas(OE_MENSAJE& m, uint8_t* v) {
  std::memcpy(reinterpret_cast<unsigned char*>(&m) + kMensajeEntradas, &v, sizeof v);
}
// Entries of the message's index record: UltimaEntrada + 1, as an unsigned 32-bit value.
inline uint32_t NumEntradas(OE_MENSAJE& m) { return UltimaEntrada(m) + 1u; }

inline bool EsCarpeta(const OE_CARPETA* c) { return c != nullptr && c->Tamano == OE_TAM_CARPETA; }
inline bool EsMensaje(const OE_MENSAJE* m) { return m != nullptr && m->Tamano == OE_TAM_MENSAJE; }
inline bool EsObjeto(const OE_OBJMSG* o) { return o != nullptr && o->Tamano == OE_TAM_OBJMSG; }

// Frees the part table and clears the pointer.
void LiberarEntradas(OE_MENSAJE& m);
// Destroys the rewrite buffer, if any, and clears the pointer.
using mensaje::LiberarReescrito;

}  // namespace orvex::imn
