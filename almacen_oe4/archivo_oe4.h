// The store files of this generation, and the words it keeps in the records' generation areas.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/orvex.h"
#include "nucleo/palabras.h"
#include "soporte/archivo_acotado.h"
#include "soporte/bytes.h"

namespace orvex::oe4 {

using ArchivoOe4 = ArchivoAcotado;

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

// OE_MENSAJE: the generation words before the pointers keep their offsets on every build.
inline uint32_t& UltimoIdBuzon(OE_MENSAJE& m) { return m.PalabrasGen[0]; }  // 1052
inline uint32_t& Marcas(OE_MENSAJE& m) { return m.PalabrasGen[1]; }         // 1056
inline uint32_t& Marca(OE_MENSAJE& m) { return m.PalabrasGen[2]; }          // 1060
inline uint32_t& FinIndice(OE_MENSAJE& m) { return m.PalabraGen; }          // 1072

inline bool EsCarpeta(const OE_CARPETA* c) { return c != nullptr && c->Tamano == OE_TAM_CARPETA; }
inline bool EsMensaje(const OE_MENSAJE* m) { return m != nullptr && m->Tamano == OE_TAM_MENSAJE; }

}  // namespace orvex::oe4
