// A careful host's walk over whatever a store holds, through the exports alone: the full folder
// listing, each folder's messages and subfolders, the top-level folders, then every folder found
// again by its entry id with its subfolders two levels down. Every call must answer a result
// code and every walk must end by itself within its bound; the sanitizer build watches the reads.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "api/orvex.h"

namespace orvex::pruebas {

struct CuentaHost {
  int carpetas = 0, mensajes = 0, errores = 0;  // whole folders and messages of the full listing
};

inline constexpr std::size_t kLimiteHost = 1000;

inline bool CodigoHost(uint32_t r) {
  return r == OE_OK || r == OE_ERROR || r == OE_FIN || r == OE_SIN_SUBCARPETAS || r == OE_SIN_MENSAJES;
}

// Lists a folder's messages, going on after a message that fails as a host may.
inline void MensajesHost(OE_CARPETA* c, CuentaHost* cuenta) {
  OE_MENSAJE* m = nullptr;
  uint32_t r = OE_ObtenerMensajes(c, &m, OE_PRIMERO);
  EXPECT_TRUE(CodigoHost(r)) << r;
  if (r != OE_OK) return;
  std::size_t pasos = 0;
  for (; pasos < kLimiteHost && (r = OE_ObtenerMensajes(c, &m, OE_SIGUIENTE)) != OE_FIN; ++pasos) {
    if (r == OE_ERROR_PARAM) break;
    EXPECT_TRUE(CodigoHost(r)) << r;
    if (cuenta != nullptr) ++(r == OE_OK ? cuenta->mensajes : cuenta->errores);
  }
  EXPECT_LT(pasos, kLimiteHost) << "the listing did not end";
  EXPECT_EQ(OE_ObtenerMensajes(c, &m, OE_CERRAR), OE_OK);
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

// A folder by entry id: its messages, and its subfolders down to the given depth.
inline void CarpetaHost(OE_ENTRYID id, int profundidad) {
  OE_CARPETA* c = nullptr;
  const uint32_t r = OE_ObtenerCarpetaDeEntryID(&id, &c, OE_PRIMERO);
  EXPECT_TRUE(CodigoHost(r)) << r;
  if (r != OE_OK) return;
  MensajesHost(c, nullptr);
  if (profundidad > 0) {
    for (OE_ENTRYID h : CarpetasHost([c](OE_CARPETA** x, uint32_t modo) { return OE_ObtenerSubCarpetas(c, x, modo); })) {
      CarpetaHost(h, profundidad - 1);
    }
  }
  OE_ENTRYID nada{};
  OE_ObtenerCarpetaDeEntryID(&nada, &c, OE_CERRAR);
}

// The whole walk; otros: entry ids to look up besides the folders listed (a news account).
inline CuentaHost RecorrerComoHost(std::vector<OE_ENTRYID> otros = {}) {
  CuentaHost cuenta;
  OE_CARPETA* c = nullptr;
  uint32_t r = OE_ObtenerCarpetas(&c, OE_PRIMERO);
  EXPECT_TRUE(CodigoHost(r)) << r;
  const bool abierta = r == OE_OK;
  if (!abierta) {
    EXPECT_EQ(c, nullptr);
  }
  // The full listing goes on after a folder that fails, as a host may, until ten fail in a row.
  std::size_t pasos = 0;
  for (int fallos = 0; abierta && fallos < 10 && pasos < 2 * kLimiteHost; ++pasos) {
    r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
    if (r == OE_FIN) break;
    EXPECT_TRUE(CodigoHost(r)) << r;
    if (r != OE_OK) {
      ++cuenta.errores;
      ++fallos;
      continue;
    }
    fallos = 0;
    ++cuenta.carpetas;
    otros.push_back({c->IdCarpeta, c->PosCarpeta});
    MensajesHost(c, &cuenta);
    OE_CARPETA* padre = c;
    CarpetasHost([padre](OE_CARPETA** x, uint32_t modo) { return OE_ObtenerSubCarpetas(padre, x, modo); });
  }
  EXPECT_LT(pasos, 2 * kLimiteHost) << "the folder listing did not end";
  if (c != nullptr) {
    r = OE_ObtenerCarpetas(&c, OE_CERRAR);
    EXPECT_TRUE(CodigoHost(r)) << r;
  }
  for (OE_ENTRYID id : CarpetasHost(OE_ObtenerCarpetasPrincipales)) otros.push_back(id);
  for (OE_ENTRYID id : otros) CarpetaHost(id, 2);
  return cuenta;
}

}  // namespace orvex::pruebas
