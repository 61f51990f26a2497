#include "herramienta/resumen.h"

#include <algorithm>
#include <cstring>

namespace orvex::herramienta {
namespace {

uint32_t RotarIzq(uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }
uint32_t RotarDer(uint32_t x, unsigned n) { return (x >> n) | (x << (32 - n)); }

std::string Hex(const uint8_t* b, std::size_t n) {
  static constexpr char kDigitos[] = "0123456789abcdef";
  std::string r;
  r.reserve(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    r += kDigitos[b[i] >> 4];
    r += kDigitos[b[i] & 15];
  }
  return r;
}

// Shared block feeding of both digests.
template <typename F>
void Alimentar(std::array<uint8_t, 64>& pendiente, std::size_t& usados, uint64_t& total, const void* datos,
               std::size_t n, F bloque) {
  const uint8_t* p = static_cast<const uint8_t*>(datos);
  total += n;
  if (usados > 0) {
    const std::size_t toma = std::min(n, 64 - usados);
    std::memcpy(pendiente.data() + usados, p, toma);
    usados += toma;
    p += toma;
    n -= toma;
    if (usados < 64) return;
    bloque(pendiente.data());
    usados = 0;
  }
  for (; n >= 64; n -= 64, p += 64) bloque(p);
  std::memcpy(pendiente.data(), p, n);
  usados = n;
}

constexpr uint32_t kMd5K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr unsigned kMd5R[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSha256K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

}  // namespace

Md5::Md5() : h_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Bloque(const uint8_t* b) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = uint32_t{b[i * 4]} | uint32_t{b[i * 4 + 1]} << 8 | uint32_t{b[i * 4 + 2]} << 16 |
           uint32_t{b[i * 4 + 3]} << 24;
  }
  uint32_t a = h_[0], bb = h_[1], c = h_[2], d = h_[3];
  for (unsigned i = 0; i < 64; ++i) {
    uint32_t f;
    unsigned g;
    if (i < 16) {
      f = (bb & c) | (~bb & d);
      g = i;
    } else if (i < 32) {
      f = (d & bb) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = bb ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (bb | ~d);
      g = (7 * i) % 16;
    }
    const uint32_t t = d;
    d = c;
    c = bb;
    bb = bb + RotarIzq(a + f + kMd5K[i] + m[g], kMd5R[i]);
    a = t;
  }
  h_[0] += a;
  h_[1] += bb;
  h_[2] += c;
  h_[3] += d;
}

void Md5::Actualizar(const void* datos, std::size_t n) {
  Alimentar(pendiente_, usados_, total_, datos, n, [this](const uint8_t* b) { Bloque(b); });
}

std::string Md5::Final() {
  const uint64_t bits = total_ * 8;
  const uint8_t uno = 0x80, cero = 0;
  Actualizar(&uno, 1);
  while (usados_ != 56) Actualizar(&cero, 1);
  uint8_t longitud[8];
  for (int i = 0; i < 8; ++i) longitud[i] = static_cast<uint8_t>(bits >> (8 * i));
  Actualizar(longitud, 8);
  uint8_t salida[16];
  for (int i = 0; i < 16; ++i) salida[i] = static_cast<uint8_t>(h_[i / 4] >> (8 * (i % 4)));
  return Hex(salida, 16);
}

Sha256::Sha256()
    : h_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Bloque(const uint8_t* b) {
  uint32_t w[64];
  for (int i = 0; i < 16; ++i) {
    w[i] = uint32_t{b[i * 4]} << 24 | uint32_t{b[i * 4 + 1]} << 16 | uint32_t{b[i * 4 + 2]} << 8 |
           uint32_t{b[i * 4 + 3]};
  }
  for (int i = 16; i < 64; ++i) {
    const uint32_t s0 = RotarDer(w[i - 15], 7) ^ RotarDer(w[i - 15], 18) ^ (w[i - 15] >> 3);
    const uint32_t s1 = RotarDer(w[i - 2], 17) ^ RotarDer(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t a = h_[0], bb = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6], h = h_[7];
  for (int i = 0; i < 64; ++i) {
    const uint32_t s1 = RotarDer(e, 6) ^ RotarDer(e, 11) ^ RotarDer(e, 25);
    const uint32_t ch = (e & f) ^ (~e & g);
    const uint32_t t1 = h + s1 + ch + kSha256K[i] + w[i];
    const uint32_t s0 = RotarDer(a, 2) ^ RotarDer(a, 13) ^ RotarDer(a, 22);
    const uint32_t may = (a & bb) ^ (a & c) ^ (bb & c);
    const uint32_t t2 = s0 + may;
    h = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = bb;
    bb = a;
    a = t1 + t2;
  }
  h_[0] += a;
  h_[1] += bb;
  h_[2] += c;
  h_[3] += d;
  h_[4] += e;
  h_[5] += f;
  h_[6] += g;
  h_[7] += h;
}

void Sha256::Actualizar(const void* datos, std::size_t n) {
  Alimentar(pendiente_, usados_, total_, datos, n, [this](const uint8_t* b) { Bloque(b); });
}

std::string Sha256::Final() {
  const uint64_t bits = total_ * 8;
  const uint8_t uno = 0x80, cero = 0;
  Actualizar(&uno, 1);
  while (usados_ != 56) Actualizar(&cero, 1);
  uint8_t longitud[8];
  for (int i = 0; i < 8; ++i) longitud[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  Actualizar(longitud, 8);
  uint8_t salida[32];
  for (int i = 0; i < 32; ++i) salida[i] = static_cast<uint8_t>(h_[i / 4] >> (24 - 8 * (i % 4)));
  return Hex(salida, 32);
}

std::string ResumenMd5(std::string_view datos) {
  Md5 m;
  m.Actualizar(datos.data(), datos.size());
  return m.Final();
}

std::string ResumenSha256(std::string_view datos) {
  Sha256 s;
  s.Actualizar(datos.data(), datos.size());
  return s.Final();
}

}  // namespace orvex::herramienta
