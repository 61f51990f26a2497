// Module-wide state: the store generation served and the selected identity.
#pragma once

#include <cstdint>

#include "plataforma/plataforma.h"

namespace orvex {

// Written at load and by OE_ObtenerVersionOE / OE_IniciarIdentities; read without a lock.
extern uint32_t VersionOE;
extern char IdentidadActual[256];
extern void* ModuloInstancia;

// Runs the store-generation detection and stores the outcome in VersionOE.
uint32_t DetectarVersion();

// Reads a registry value as stored (a string with its NUL) into buffer, never past
// capacidad bytes; a longer value is cut. 1 if the value exists and was read, else 0.
uint32_t LeerValorRegistro(plataforma::Raiz raiz, const char* clave, const char* valor, void* buffer,
                           uint32_t capacidad);

}  // namespace orvex
