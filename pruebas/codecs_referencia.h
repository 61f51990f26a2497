// Plain one-byte-at-a-time codecs for the tests: the fast codecs must give exactly their bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace orvex::referencia {

inline const char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of a base64 character, or -1.
inline int Valor(unsigned char b) {
  const char* p = b == 0 ? nullptr : std::strchr(kAlfabeto, b);
  return p == nullptr ? -1 : static_cast<int>(p - kAlfabeto);
}

inline int Hex(unsigned char c) {
  static constexpr char kDigitos[] = "0123456789abcdef0123456789ABCDEF";
  const char* p = c == 0 ? nullptr : std::strchr(kDigitos, c);
  return p == nullptr ? -1 : static_cast<int>(p - kDigitos) % 16;
}

// Characters outside the alphabet are skipped; groups of four give three bytes, a partial
// last group what it holds.
inline std::string DecodificarBase64(const std::string& s) {
  std::string r;
  uint32_t v = 0;
  int k = 0;
  for (unsigned char c : s) {
    if (Valor(c) < 0) continue;
    v = v << 6 | static_cast<uint32_t>(Valor(c));
    if (++k < 4) continue;
    r += {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
    k = 0;
  }
  if (k == 1) r += static_cast<char>(v << 2);
  if (k == 2) r += static_cast<char>(v >> 4);
  if (k == 3) r += {static_cast<char>(v >> 10), static_cast<char>(v >> 2)};
  return r;
}

// Groups of four in lines of at most 76, "=" padding, every line ended by CR LF.
inline std::string CodificarBase64(const std::string& s) {
  std::string r;
  std::size_t linea = 0;
  for (std::size_t i = 0; i < s.size(); i += 3) {
    const std::size_t k = std::min<std::size_t>(3, s.size() - i);
    uint32_t v = 0;
    for (std::size_t j = 0; j < 3; ++j) v = v << 8 | (j < k ? static_cast<unsigned char>(s[i + j]) : 0u);
    if (linea + 4 > 76) {
      r += "\r\n";
      linea = 0;
    }
    for (std::size_t j = 0; j < 4; ++j) r += j <= k ? kAlfabeto[v >> (18 - 6 * j) & 63] : '=';
    linea += 4;
  }
  return r + "\r\n";
}

// An escape collects "=" and then only hex digits and line ends; other bytes inside it are
// dropped, and one still open at the end is dropped.
inline std::string DecodificarQP(const std::string& s) {
  auto fin_linea = [](unsigned char c) { return c == '\r' || c == '\n'; };
  std::string r;
  std::string e;
  for (unsigned char c : s) {
    if (e.empty() && c != '=') {
      r += static_cast<char>(c);
      continue;
    }
    if (!e.empty() && Hex(c) < 0 && !fin_linea(c)) continue;
    e += static_cast<char>(c);
    if (e.size() < 3) continue;
    const unsigned char x = e[1];
    const unsigned char y = e[2];
    e.clear();
    if ((x == '\r' && y == '\n') || (x == '\n' && y == '\r')) continue;  // soft break
    if (fin_linea(x)) {
      if (y == '=') e = "=";
      if (y != '=') r += static_cast<char>(y);
    } else {
      // A line end in the second place counts as the hex table's skip marker, 127.
      r += static_cast<char>(Hex(x) << 4 | (fin_linea(y) ? 127 : Hex(y)));
    }
  }
  return r;
}

// Printable bytes but "=" as they are, the rest as "=XX"; a soft break "=" CR LF before a
// line would reach 75, and after the last line.
inline std::string CodificarQP(const std::string& s) {
  std::string r;
  std::size_t linea = 0;
  for (unsigned char c : s) {
    char texto[4] = {static_cast<char>(c), 0, 0, 0};
    if (c < 33 || c == '=' || c > 126) std::snprintf(texto, sizeof texto, "=%02X", c);
    if (linea + std::strlen(texto) >= 75) {
      r += "=\r\n";
      linea = 0;
    }
    r += texto;
    linea += std::strlen(texto);
  }
  return r + "=\r\n";
}

}  // namespace orvex::referencia
