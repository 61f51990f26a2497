// A vector path for the base64 decoder: whole blocks of 16 alphabet characters at a time,
// chosen at run time when the processor has it. The plain decoder handles every other byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex::codec {

// Decodes consecutive blocks of 16 characters from origen (n bytes) while every character of
// a block is in the base64 alphabet ('=' is not), 12 bytes to salida per block. Returns the
// characters consumed, a multiple of 16; 0 when the processor has no vector path.
std::size_t DecodificarBloquesBase64(const uint8_t* origen, std::size_t n, uint8_t* salida);

// True when DecodificarBloquesBase64 has a vector path on this processor.
bool HayBloquesBase64();

}  // namespace orvex::codec
