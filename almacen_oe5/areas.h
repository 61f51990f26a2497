// The words this store keeps in the generation working areas of OE_CARPETA and OE_MENSAJE, at
// the byte offsets of the 32-bit layout that hosts see. In OE_MENSAJE the working area follows
// two pointers, so on builds with wider pointers its words move with the area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "api/orvex.h"
#include "nucleo/palabras.h"

namespace orvex::oe5 {

// OE_CARPETA: no pointer precedes the area, so the offsets hold on every build.
inline constexpr std::size_t kCarpeta88 = 1080;            // folder object id 0x88
inline constexpr std::size_t kCarpetaIndiceLista = 1108;   // folders read so far
inline constexpr std::size_t kCarpetaListaObjetos = 1116;  // 2000 folder object offsets
inline constexpr uint32_t kHuecosListaObjetos = 2000;
static_assert(kCarpetaListaObjetos + 4 * kHuecosListaObjetos <= sizeof(OE_CARPETA));
static_assert(offsetof(OE_CARPETA, AreaGen) == kCarpeta88);

using orvex::Palabra;
using orvex::PonerPalabra;
inline uint32_t ObjetoLista(const OE_CARPETA& c, uint32_t i) {
  return i < kHuecosListaObjetos ? Palabra(c, kCarpetaListaObjetos + 4 * static_cast<std::size_t>(i)) : 0;
}

// OE_MENSAJE, by their offsets in the 32-bit layout.
inline constexpr std::size_t kInicioAreaMensaje32 = 2384;
inline constexpr std::size_t kMsgCursorEntrada = 2384;
inline constexpr std::size_t kMsgCursorSiguiente = 2388;
inline constexpr std::size_t kMsgNumNodos = 2652;
inline constexpr std::size_t kMsgListaNodos = 2656;  // 2000 node offsets
inline constexpr std::size_t kMsgNumNodoActual = 10656;
inline constexpr std::size_t kMsgNodoActual = 10660;
inline constexpr std::size_t kMsgNodoSiguiente = 10672;
inline constexpr uint32_t kHuecosListaNodos = 2000;
static_assert(kMsgListaNodos + 4 * kHuecosListaNodos <= kMsgNumNodoActual);
static_assert(kMsgNodoSiguiente + 4 <= kInicioAreaMensaje32 + sizeof(OE_MENSAJE::AreaGen));

// Where a 32-bit-layout offset of the working area lies in this build's record.
constexpr std::size_t PosicionArea(std::size_t pos32) {
  return offsetof(OE_MENSAJE, AreaGen) + (pos32 - kInicioAreaMensaje32);
}

inline uint32_t Palabra(const OE_MENSAJE& m, std::size_t pos32) {
  uint32_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&m) + PosicionArea(pos32), sizeof v);
  return v;
}
inline void PonerPalabra(OE_MENSAJE& m, std::size_t pos32, uint32_t v) {
  std::memcpy(reinterpret_cast<unsigned char*>(&m) + PosicionArea(pos32), &v, sizeof v);
}
inline uint32_t NodoLista(const OE_MENSAJE& m, uint32_t i) {
  return i < kHuecosListaNodos ? Palabra(m, kMsgListaNodos + 4 * static_cast<std::size_t>(i)) : 0;
}

// The generation words before the pointers keep their offsets.
inline uint32_t& MaxIdMensaje(OE_MENSAJE& m) { return m.PalabrasGen[0]; }      // 1052
inline uint32_t& LimiteObjetos(OE_MENSAJE& m) { return m.PalabraGen; }         // 1072

}  // namespace orvex::oe5
