// One registry value read whole into a caller's buffer: what the store locators, the
// identities and the generation detection ask of the registry.
#pragma once

#include <cstdint>

#include "plataforma/plataforma.h"

namespace orvex::plataforma {

// Reads a registry value as stored (a string with its NUL) into buffer, never past
// capacidad bytes; a longer value is cut. 1 if the value exists and was read, else 0.
uint32_t LeerValorRegistro(Raiz raiz, const char* clave, const char* valor, void* buffer, uint32_t capacidad);

}  // namespace orvex::plataforma
