// A careful host's folder enumeration, for the suites that each store generation runs: every
// call answers a result code a host expects and every walk ends by itself.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "api/orvex.h"
#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {

inline constexpr std::size_t kLimiteHost = 1000;

inline bool CodigoHost(uint32_t r) {
  return r == OE_OK || r == OE_ERROR || r == OE_FIN || r == OE_SIN_SUBCARPETAS || r == OE_SIN_MENSAJES;
}

// One enumeration to its first result other than 0; the entry ids it gave.
template <class Paso>
std::vector<OE_ENTRYID> CarpetasHost(Paso paso) {
  std::vector<OE_ENTRYID> ids;
  OE_CARPETA* c = nullptr;
  uint32_t r = paso(&c, OE_PRIMERO);
  EXPECT_TRUE(CodigoHost(r)) << r;
  while (r == OE_OK && ids.size() < kLimiteHost) {
    r = paso(&c, OE_SIGUIENTE);
    EXPECT_TRUE(CodigoHost(r)) << r;
    if (r == OE_OK) ids.push_back({c->IdCarpeta, c->PosCarpeta});
  }
  EXPECT_LT(ids.size(), kLimiteHost) << "the folder walk did not end";
  if (c != nullptr) paso(&c, OE_CERRAR);
  return ids;
}

}  // namespace orvex::pruebas
