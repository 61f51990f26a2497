// Little-endian words of a byte image read from or written to a file; the caller keeps
// p + width inside the image.
#pragma once

#include <cstdint>

namespace orvex {

inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

inline uint64_t Le64(const uint8_t* p) { return static_cast<uint64_t>(Le32(p + 4)) << 32 | Le32(p); }

inline void Pon32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace orvex
