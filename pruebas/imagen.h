// The file images of the store writers, under the names the tests use.
#pragma once

#include "escritura/imagen.h"

namespace orvex::pruebas {
using escritura::EscribirImagen;
using escritura::ImagenArchivo;
using escritura::LeerPalabra;
using escritura::PonerPalabra;
}  // namespace orvex::pruebas
