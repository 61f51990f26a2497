#include "mime/codecs.h"

#include <array>
#include <bit>
#include <cstring>

#include "soporte/buffer_flujo.h"
#include "mime/base64_rapido.h"

namespace orvex {

namespace {

constexpr char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t kSaltar = 127;
constexpr uint32_t kCaracteresLinea = 76;
constexpr uint32_t kGruposLinea = kCaracteresLinea / 4;
constexpr uint32_t kOctetosLinea = kGruposLinea * 3;
// A quoted-printable text that would bring the line to this length goes to the next line.
constexpr uint32_t kLimiteLineaQP = 75;

constexpr std::array<uint8_t, 256> HacerValorBase64() {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = kSaltar;
  for (uint8_t i = 0; i < 64; ++i) t[static_cast<uint8_t>(kAlfabeto[i])] = i;
  return t;
}
constexpr std::array<uint8_t, 256> kValorBase64 = HacerValorBase64();

// One table per position in a group of four, each value already shifted into place; a byte
// outside the alphabet sets bit 24, so one OR tells whether the whole group is clean.
constexpr uint32_t kMalo = 1u << 24;
constexpr std::array<uint32_t, 256> HacerDesplazado(int desplazamiento) {
  std::array<uint32_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    const uint8_t v = kValorBase64[i];
    t[i] = v == kSaltar ? kMalo : uint32_t{v} << desplazamiento;
  }
  return t;
}
constexpr std::array<uint32_t, 256> kD0 = HacerDesplazado(18);
constexpr std::array<uint32_t, 256> kD1 = HacerDesplazado(12);
constexpr std::array<uint32_t, 256> kD2 = HacerDesplazado(6);
constexpr std::array<uint32_t, 256> kD3 = HacerDesplazado(0);

// The two characters for each 12-bit value: a group of three bytes is two lookups.
struct Par {
  char c[2];
};
constexpr std::array<Par, 4096> HacerPares() {
  std::array<Par, 4096> t{};
  for (int i = 0; i < 4096; ++i) t[i] = Par{{kAlfabeto[i >> 6], kAlfabeto[i & 63]}};
  return t;
}
constexpr std::array<Par, 4096> kPares = HacerPares();

constexpr std::array<uint8_t, 256> HacerHex() {
  std::array<uint8_t, 256> t{};
  for (auto& v : t) v = kSaltar;
  for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<uint8_t>(i);
  for (int i = 0; i < 6; ++i) {
    t['A' + i] = static_cast<uint8_t>(10 + i);
    t['a' + i] = static_cast<uint8_t>(10 + i);
  }
  return t;
}
constexpr std::array<uint8_t, 256> kHex = HacerHex();

// Each byte's quoted-printable text, padded to four bytes so it is one fixed-size store.
struct TextoQP {
  char c[4];
  uint8_t longitud;
};
constexpr std::array<TextoQP, 256> HacerTextosQP() {
  constexpr char kDigitos[] = "0123456789ABCDEF";
  std::array<TextoQP, 256> t{};
  for (int c = 0; c < 256; ++c) {
    if ((c >= 33 && c <= 60) || (c >= 62 && c <= 126)) {
      t[c] = TextoQP{{static_cast<char>(c), 0, 0, 0}, 1};
    } else {
      t[c] = TextoQP{{'=', kDigitos[c >> 4], kDigitos[c & 15], 0}, 3};
    }
  }
  return t;
}
constexpr std::array<TextoQP, 256> kTextosQP = HacerTextosQP();

inline uint8_t* AnadirFinLinea(uint8_t* o) {
  o[0] = '\r';
  o[1] = '\n';
  return o + 2;
}

inline uint8_t* AnadirSaltoSuave(uint8_t* o) {
  o[0] = '=';
  o[1] = '\r';
  o[2] = '\n';
  return o + 3;
}

inline uint8_t* AnadirGrupo(uint8_t* o, const uint8_t* b) {
  const uint32_t v = uint32_t{b[0]} << 16 | uint32_t{b[1]} << 8 | b[2];
  std::memcpy(o, kPares[v >> 12].c, 2);
  std::memcpy(o + 2, kPares[v & 0xFFF].c, 2);
  return o + 4;
}

inline bool EsFinLinea(uint8_t c) { return c == '\r' || c == '\n'; }

// Eight bytes at a time: whole-word tests that are exact for every byte of the word.
constexpr uint64_t kUnos = 0x0101010101010101ull;
constexpr uint64_t kAltos = 0x8080808080808080ull;

// Byte i of a text is byte i of the word from its low end: positions come from bit counts.
static_assert(std::endian::native == std::endian::little);
inline uint64_t Palabra(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}
// The high bit of each zero byte of w (bytes above the lowest zero one may be flagged too).
inline uint64_t BytesCero(uint64_t w) { return (w - kUnos) & ~w & kAltos; }
inline bool HayCero(uint64_t w) { return BytesCero(w) != 0; }
inline bool HayByte(uint64_t w, uint8_t b) { return HayCero(w ^ (kUnos * b)); }
// Some byte below b (b <= 128).
inline bool HayMenor(uint64_t w, uint8_t b) { return ((w - kUnos * b) & ~w & kAltos) != 0; }
// Some byte above b (b <= 127).
inline bool HayMayor(uint64_t w, uint8_t b) { return (((w + kUnos * (127 - b)) | w) & kAltos) != 0; }
// All eight bytes stand for themselves in quoted-printable: 33..126 except "=".
inline bool PalabraLiteralQP(uint64_t w) {
  return !HayMenor(w, 33) && !HayMayor(w, 126) && !HayByte(w, '=');
}

}  // namespace

namespace codec {

uint64_t TamanoBase64(uint64_t n) {
  const uint64_t grupos = (n + 2) / 3;
  const uint64_t saltos = grupos == 0 ? 0 : (grupos - 1) / kGruposLinea;
  return 4 * grupos + 2 * saltos + 2;
}

uint64_t TamanoMaximoDecodificadoBase64(uint64_t n) { return n / 4 * 3 + 2; }

// Every line before a soft break holds at least 72 characters, and each byte gives at most
// three; the last text may store one padding byte past itself.
uint64_t TamanoMaximoQP(uint64_t n) { return 3 * n + 3 * (n / 24) + 3 + 1; }

uint64_t TamanoMaximoDecodificadoQP(uint64_t n) { return n; }

std::size_t CodificarBase64(const uint8_t* origen, std::size_t n, uint8_t* salida,
                            ESTADO_BASE64& estado) {
  estado = ESTADO_BASE64{};
  uint8_t* o = salida;
  std::size_t i = 0;
  bool primera = true;
  while (n - i >= kOctetosLinea) {
    if (!primera) o = AnadirFinLinea(o);
    primera = false;
    for (uint32_t g = 0; g < kGruposLinea; ++g, i += 3) o = AnadirGrupo(o, origen + i);
  }
  const std::size_t resto = n - i;
  if (resto > 0) {
    if (!primera) o = AnadirFinLinea(o);
    for (; n - i >= 3; i += 3) o = AnadirGrupo(o, origen + i);
    if (i < n) {
      uint8_t b[3] = {origen[i], 0, 0};
      if (n - i == 2) b[1] = origen[i + 1];
      estado.NumOctetos = static_cast<uint32_t>(n - i);
      std::memcpy(estado.Octetos, b, estado.NumOctetos);
      o = AnadirGrupo(o, b);
      o[-1] = '=';
      if (estado.NumOctetos == 1) o[-2] = '=';
    }
  }
  return static_cast<std::size_t>(AnadirFinLinea(o) - salida);
}

std::size_t DecodificarBase64(const uint8_t* origen, std::size_t n, uint8_t* salida,
                              ESTADO_BASE64& estado) {
  estado = ESTADO_BASE64{};
  uint8_t* o = salida;
  uint8_t g[4] = {};
  uint32_t k = 0;
  std::size_t i = 0;
  while (i < n) {
    if (k == 0) {
      // Clean blocks of sixteen through the vector path, then clean groups of four, as in
      // the body of any well-formed line.
      const std::size_t bloques = DecodificarBloquesBase64(origen + i, n - i, o);
      i += bloques;
      o += bloques / 4 * 3;
      while (n - i >= 4) {
        const uint32_t x =
            kD0[origen[i]] | kD1[origen[i + 1]] | kD2[origen[i + 2]] | kD3[origen[i + 3]];
        if (x & kMalo) break;
        o[0] = static_cast<uint8_t>(x >> 16);
        o[1] = static_cast<uint8_t>(x >> 8);
        o[2] = static_cast<uint8_t>(x);
        o += 3;
        i += 4;
      }
      if (i >= n) break;
    }
    const uint8_t v = kValorBase64[origen[i++]];
    if (v == kSaltar) continue;
    g[k++] = v;
    if (k == 4) {
      o[0] = static_cast<uint8_t>(g[0] << 2 | g[1] >> 4);
      o[1] = static_cast<uint8_t>(g[1] << 4 | g[2] >> 2);
      o[2] = static_cast<uint8_t>(g[2] << 6 | g[3]);
      o += 3;
      k = 0;
    }
  }
  estado.NumGrupo = k;
  std::memcpy(estado.Grupo, g, k);
  switch (k) {
    case 3:
      o[0] = static_cast<uint8_t>(g[0] << 2 | g[1] >> 4);
      o[1] = static_cast<uint8_t>(g[1] << 4 | g[2] >> 2);
      o += 2;
      break;
    case 2:
      *o++ = static_cast<uint8_t>(g[0] << 2 | g[1] >> 4);
      break;
    case 1:
      *o++ = static_cast<uint8_t>(g[0] << 2);
      break;
    default:
      break;
  }
  return static_cast<std::size_t>(o - salida);
}

std::size_t CodificarQP(const uint8_t* origen, std::size_t n, uint8_t* salida,
                        ESTADO_QP& estado) {
  estado = ESTADO_QP{};
  uint8_t* o = salida;
  uint32_t linea = 0;
  for (std::size_t i = 0; i < n; ++i) {
    // Runs of plain text go eight at a time while they fit on the line.
    while (linea + 8 < kLimiteLineaQP && n - i >= 8) {
      const uint64_t w = Palabra(origen + i);
      if (!PalabraLiteralQP(w)) break;
      std::memcpy(o, &w, 8);
      o += 8;
      i += 8;
      linea += 8;
    }
    if (i >= n) break;
    const TextoQP& t = kTextosQP[origen[i]];
    if (linea + t.longitud >= kLimiteLineaQP) {
      o = AnadirSaltoSuave(o);
      linea = 0;
    }
    std::memcpy(o, t.c, 4);
    o += t.longitud;
    linea += t.longitud;
  }
  if (n > 0) {
    const TextoQP& t = kTextosQP[origen[n - 1]];
    std::memcpy(estado.Escape, t.c, 4);
    estado.NumEscape = t.longitud;
  }
  return static_cast<std::size_t>(AnadirSaltoSuave(o) - salida);
}

std::size_t DecodificarQP(const uint8_t* origen, std::size_t n, uint8_t* salida,
                          ESTADO_QP& estado) {
  estado = ESTADO_QP{};
  uint8_t* o = salida;
  uint8_t e[3] = {};
  uint32_t k = 0;
  std::size_t i = 0;
  while (i < n) {
    if (k == 0) {
      // Everything up to the next "=" passes through unchanged. The output never runs
      // ahead of the input, so a whole word fits.
      bool visto = false;
      while (n - i >= 8) {
        const uint64_t w = Palabra(origen + i);
        std::memcpy(o, &w, 8);
        const uint64_t iguales = BytesCero(w ^ (kUnos * '='));
        if (iguales != 0) {
          // The lowest flagged byte is exact: the bytes before it are the run's last ones.
          const auto antes = static_cast<std::size_t>(std::countr_zero(iguales) / 8);
          o += antes;
          i += antes;
          visto = true;
          break;
        }
        o += 8;
        i += 8;
      }
      const void* igual = visto ? origen + i : std::memchr(origen + i, '=', n - i);
      const std::size_t tramo =
          igual == nullptr ? n - i : static_cast<std::size_t>(static_cast<const uint8_t*>(igual) - (origen + i));
      std::memcpy(o, origen + i, tramo);
      o += tramo;
      i += tramo;
      // Whole escapes "=XY" and soft breaks "=" CR LF in a row, read as the escape steps
      // below would read them.
      while (n - i >= 3 && origen[i] == '=') {
        const uint8_t x = origen[i + 1];
        const uint8_t y = origen[i + 2];
        if (kHex[x] != kSaltar && kHex[y] != kSaltar) {
          estado.Octeto = static_cast<uint8_t>(kHex[x] << 4 | kHex[y]);
          *o++ = estado.Octeto;
        } else if (x != '\r' || y != '\n') {
          break;
        }
        i += 3;
      }
      if (i >= n) break;
      if (origen[i] != '=') continue;
      e[0] = '=';
      k = 1;
      ++i;
      continue;
    }
    const uint8_t c = origen[i++];
    // Inside an open escape only hex digits and line ends count; anything else is noise.
    if (kHex[c] == kSaltar && !EsFinLinea(c)) continue;
    e[k++] = c;
    if (k < 3) continue;
    const uint8_t x = e[1];
    const uint8_t y = e[2];
    k = 0;
    if ((x == '\r' && y == '\n') || (x == '\n' && y == '\r')) continue;  // soft line break
    if (EsFinLinea(x)) {
      // The escape is abandoned and y starts afresh.
      if (y == '=') {
        k = 1;
      } else {
        *o++ = y;
      }
      continue;
    }
    // One hex digit then a line end still makes one byte: the line end's table value is the
    // skip marker, which fills the low four bits.
    estado.Octeto = static_cast<uint8_t>(kHex[x] << 4 | kHex[y]);
    *o++ = estado.Octeto;
  }
  estado.NumEscape = k;
  std::memcpy(estado.Escape, e, k);
  return static_cast<std::size_t>(o - salida);
}

}  // namespace codec

namespace {

// Runs a core from the whole of origen onto the end of destino, with room reserved once.
template <class Nucleo>
int Ejecutar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino, uint64_t (*cota)(uint64_t),
             Nucleo nucleo) {
  if (&origen == &destino) {
    // Growing destino could move the block being read: work from a copy.
    CL_BUFFER_FLUJO copia;
    copia.AnadirBuffer(origen);
    return Ejecutar(copia, destino, cota, nucleo);
  }
  const uint8_t* datos = reinterpret_cast<const uint8_t*>(origen.Datos());
  const uint32_t n = datos == nullptr ? 0 : origen.Longitud();
  uint8_t* salida = reinterpret_cast<uint8_t*>(destino.PrepararAnadido(cota(n)));
  const std::size_t escritos = nucleo(datos, n, salida);
  destino.ConfirmarAnadido(static_cast<uint32_t>(escritos));
  return 0;
}

}  // namespace

int CL_CODIFICADOR_BASE64::Codificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino) {
  return Ejecutar(origen, destino, codec::TamanoBase64,
                  [this](const uint8_t* d, std::size_t n, uint8_t* s) {
                    return codec::CodificarBase64(d, n, s, *this);
                  });
}

int CL_DECODIFICADOR_BASE64::Decodificar(const CL_BUFFER_FLUJO& origen,
                                         CL_BUFFER_FLUJO& destino) {
  return Ejecutar(origen, destino, codec::TamanoMaximoDecodificadoBase64,
                  [this](const uint8_t* d, std::size_t n, uint8_t* s) {
                    return codec::DecodificarBase64(d, n, s, *this);
                  });
}

int CL_CODIFICADOR_QP::Codificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino) {
  return Ejecutar(origen, destino, codec::TamanoMaximoQP,
                  [this](const uint8_t* d, std::size_t n, uint8_t* s) {
                    return codec::CodificarQP(d, n, s, *this);
                  });
}

int CL_DECODIFICADOR_QP::Decodificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino) {
  return Ejecutar(origen, destino, codec::TamanoMaximoDecodificadoQP,
                  [this](const uint8_t* d, std::size_t n, uint8_t* s) {
                    return codec::DecodificarQP(d, n, s, *this);
                  });
}

}  // namespace orvex
