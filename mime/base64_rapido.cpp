#include "mime/base64_rapido.h"

#include <cstring>

// Instruction-set choice, not an operating-system one: other processors get the plain path.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ORVEX_BASE64_SSSE3 1
#endif

namespace orvex::codec {

#ifdef ORVEX_BASE64_SSSE3

namespace {

// Classifies by nibbles (a byte is outside the alphabet when its low-nibble and high-nibble
// classes share a bit), then adds the offset its range needs to become its 6-bit value.
__attribute__((target("ssse3"))) std::size_t BloquesSsse3(const uint8_t* origen, std::size_t n,
                                                          uint8_t* salida) {
  const __m128i clase_baja =
      _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m128i clase_alta =
      _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  const __m128i desplazamiento = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m128i barra = _mm_set1_epi8(0x2F);
  const __m128i cero = _mm_setzero_si128();
  const __m128i juntar_pares = _mm_set1_epi32(0x01400140);
  const __m128i juntar_cuartetos = _mm_set1_epi32(0x00011000);
  const __m128i orden = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  std::size_t i = 0;
  uint8_t* o = salida;
  while (n - i >= 16) {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(origen + i));
    const __m128i alto = _mm_and_si128(_mm_srli_epi32(s, 4), barra);
    const __m128i bajo = _mm_and_si128(s, barra);
    const __m128i choque = _mm_and_si128(_mm_shuffle_epi8(clase_baja, bajo), _mm_shuffle_epi8(clase_alta, alto));
    if (_mm_movemask_epi8(_mm_cmpgt_epi8(choque, cero)) != 0) break;
    const __m128i es_barra = _mm_cmpeq_epi8(s, barra);
    s = _mm_add_epi8(s, _mm_shuffle_epi8(desplazamiento, _mm_add_epi8(es_barra, alto)));
    // Four 6-bit values into 24 bits per lane, then the three bytes of each lane in order.
    const __m128i pares = _mm_maddubs_epi16(s, juntar_pares);
    const __m128i bytes = _mm_shuffle_epi8(_mm_madd_epi16(pares, juntar_cuartetos), orden);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), bytes);
    const auto cola = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
    std::memcpy(o + 8, &cola, 4);
    o += 12;
    i += 16;
  }
  return i;
}

bool TieneSsse3() {
  static const bool tiene = __builtin_cpu_supports("ssse3");
  return tiene;
}

}  // namespace

std::size_t DecodificarBloquesBase64(const uint8_t* origen, std::size_t n, uint8_t* salida) {
  return TieneSsse3() ? BloquesSsse3(origen, n, salida) : 0;
}

bool HayBloquesBase64() { return TieneSsse3(); }

#else

std::size_t DecodificarBloquesBase64(const uint8_t*, std::size_t, uint8_t*) { return 0; }
bool HayBloquesBase64() { return false; }

#endif

}  // namespace orvex::codec
