// What the store tests cannot prove about the .dbx builder: the offsets and counts real
// nodes, objects and blocks carry that the reader passes over, and that each layout option
// really shapes the file (otherwise the reader's tests of that layout would pass on any).
#include "pruebas/dbx_constructor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "almacen_oe5/formato_dbx.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::dbx;

struct Recorrido {
  std::vector<uint32_t> nodos, objetos;
  uint32_t por_entrada = 0, por_08 = 0;  // nodes reached through an entry's child, through +0x08
};

// Walks a tree as the reader does (a node, its entries' children, its +0x08 child) checking
// each node's own and parent offsets and the object counts under its children.
uint32_t Recorrer(const MapaDbx& m, uint32_t nodo, uint32_t padre, Recorrido* r) {
  const auto p = [&m](uint32_t pos) { return LeerPalabra(m.bytes, pos); };
  EXPECT_EQ(p(nodo + kNodoPropio), nodo);
  EXPECT_EQ(p(nodo + kNodoPadre), padre);
  EXPECT_EQ(p(nodo + kNodoCuenta) & 0xFF, 0u);
  const uint32_t entradas = std::min(p(nodo + kNodoCuenta) >> 8, kMaxEntradasNodo);
  r->nodos.push_back(nodo);
  for (uint32_t i = 0; i < entradas; ++i) r->objetos.push_back(p(nodo + kNodoEntradas + i * kLongEntrada));
  uint32_t total = entradas;
  for (uint32_t i = 0; i <= entradas; ++i) {
    const uint32_t hijo = i < entradas ? nodo + kNodoEntradas + i * kLongEntrada + kEntradaHijo : nodo + kNodoHijo;
    if (p(hijo) == 0) continue;
    ++(i < entradas ? r->por_entrada : r->por_08);
    const uint32_t debajo = Recorrer(m, p(hijo), nodo, r);
    EXPECT_EQ(p(i < entradas ? hijo - kEntradaHijo + kEntradaValoresHijo : nodo + kNodoValoresHijo), debajo);
    total += debajo;
  }
  return total;
}

TEST(DbxConstructorTest, ArbolesObjetosYBloques) {
  // Each shape over 70 messages: the nodes reached through entries and through +0x08.
  struct Caso {
    FormaArbol forma;
    uint32_t por_nodo, por_entrada, por_08;
  };
  const Caso casos[] = {
      {FormaArbol::kCadena08, 1, 0, 69},   {FormaArbol::kCadena08, 3, 0, 23},   {FormaArbol::kCadena08, 51, 0, 1},
      {FormaArbol::kHijosEntrada, 1, 1, 68}, {FormaArbol::kHijosEntrada, 3, 3, 20},
      {FormaArbol::kHijosEntrada, 51, 1, 0}, {FormaArbol::kMixto, 1, 38, 31},
      {FormaArbol::kMixto, 3, 19, 4},      {FormaArbol::kMixto, 51, 1, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(static_cast<int>(c.forma) * 100 + c.por_nodo);
    ArchivoMensajesDbx d;
    d.arbol = {c.por_nodo, c.forma};
    for (uint32_t i = 0; i < 70; ++i) {
      d.mensajes.push_back(Mensaje(1000 - i, std::string(i * 23 + 1, static_cast<char>('a' + i % 26))));
      d.mensajes.back().bloque_en_area = i % 2 == 0;
      d.mensajes.back().capacidad_bloque = i % 5 == 0 ? 100 : 512;
    }
    const MapaDbx m = ConstruirArchivoMensajes(d);
    const uint32_t firmas[] = {kFirma0, kFirmaMensajes, kFirma2, kFirma3};
    for (uint32_t k = 0; k < 4; ++k) EXPECT_EQ(LeerPalabra(m.bytes, 4 * k), firmas[k]);
    Recorrido r;
    EXPECT_EQ(Recorrer(m, m.raiz, 0, &r), 70u);
    EXPECT_EQ(r.nodos, m.nodos);
    EXPECT_EQ(r.objetos, m.objetos);
    EXPECT_EQ(r.por_entrada, c.por_entrada);
    EXPECT_EQ(r.por_08, c.por_08);
    for (uint32_t i = 0; i < 70; ++i) {
      const uint32_t o = m.objetos[i];
      EXPECT_EQ(LeerPalabra(m.bytes, o + kObjPropio), o);
      bool directo = false;
      for (uint32_t k = 0; k < m.bytes[o + kObjNumIndices]; ++k) {
        directo |= m.bytes[o + kLongCabObjeto + 4 * k] == kIdBloqueTexto;
      }
      EXPECT_EQ(directo, !d.mensajes[i].bloque_en_area);
      EXPECT_EQ(m.bloques[i].size(), (i * 23 + d.mensajes[i].capacidad_bloque) / d.mensajes[i].capacidad_bloque);
      for (uint32_t b : m.bloques[i]) {
        EXPECT_EQ(LeerPalabra(m.bytes, b + kBloquePropio), b);
        EXPECT_EQ(LeerPalabra(m.bytes, b + kBloqueCapacidad), d.mensajes[i].capacidad_bloque);
      }
    }
  }
}

// folders.dbx carries three trees over the same folders; the reader walks one.
TEST(DbxConstructorTest, FoldersDbxConTresArboles) {
  const MapaDbx m = ConstruirFoldersDbx(AlmacenEjemplo());
  EXPECT_EQ(LeerPalabra(m.bytes, 4), kFirmaCarpetas);
  for (uint32_t cab : {kCabArbolMensajes, kCabArbolSegundo, kCabArbolCarpetas}) {
    SCOPED_TRACE(cab);
    Recorrido r;
    Recorrer(m, LeerPalabra(m.bytes, cab), 0, &r);
    if (cab == kCabArbolCarpetas) {
      ASSERT_FALSE(r.objetos.empty());
      EXPECT_EQ(r.objetos.front(), kPosObjetoRaiz);
      r.objetos.erase(r.objetos.begin());
      EXPECT_EQ(r.nodos, m.nodos);
    }
    EXPECT_EQ(r.objetos, m.objetos);
  }
}

}  // namespace
}  // namespace orvex::pruebas
