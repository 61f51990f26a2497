// The generation words of a folder record: each store keeps 32-bit values of its own at fixed
// byte offsets of OE_CARPETA, read and written without regard to alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "api/orvex.h"

namespace orvex {

inline uint32_t Palabra(const OE_CARPETA& c, std::size_t pos) {
  uint32_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&c) + pos, sizeof v);
  return v;
}
inline void PonerPalabra(OE_CARPETA& c, std::size_t pos, uint32_t v) {
  std::memcpy(reinterpret_cast<unsigned char*>(&c) + pos, &v, sizeof v);
}

}  // namespace orvex
