// A folder's message listing walked as a host walks it, for the tests and the fuzz targets alike
// (no GoogleTest here: the callers check what they see).
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/orvex.h"

namespace orvex::pruebas {

// Mode 1; while it gave 0, mode 2 until a result other than 0 or 1 (a message that fails does
// not end the listing) or `limite` steps; then mode 3 when the listing is open or left a record.
// ver(modo, resultado, m) sees every call with the record it left. False when the listing had
// not ended at the bound.
template <class Ver>
bool RecorrerMensajes(OE_CARPETA* carpeta, Ver&& ver, std::size_t limite = 2000) {
  OE_MENSAJE* m = nullptr;
  uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO);
  ver(OE_PRIMERO, r, m);
  const bool abierto = r == OE_OK;
  bool fin = !abierto;
  for (std::size_t pasos = 0; !fin && pasos < limite; ++pasos) {
    r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
    ver(OE_SIGUIENTE, r, m);
    fin = r != OE_OK && r != OE_ERROR;
  }
  if (abierto || m != nullptr) {
    r = OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
    ver(OE_CERRAR, r, m);
  }
  return fin;
}

}  // namespace orvex::pruebas
