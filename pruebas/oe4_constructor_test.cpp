// The Outlook Express 4 builder's layout options really change the bytes: the reader's results
// are the same either way, so its tests cannot tell.
#include "pruebas/oe4_constructor.h"

#include <gtest/gtest.h>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/dbx_constructor.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

TEST(ConstructorOe4Test, OpcionesDeDisposicion) {
  const AlmacenOe4 ejemplo = AlmacenOe4Ejemplo();
  // Records against the chain order: the header still names the first of the chain.
  for (bool inverso : {false, true}) {
    AlmacenCorreoOe4 d = ejemplo.correo;
    d.orden_inverso = inverso;
    const MapaNch m = ConstruirFoldersNch(d);
    EXPECT_EQ(LeerPalabra(m.bytes, kNchPrimero), m.registros.front());
    EXPECT_EQ(m.registros.front() < m.registros.back(), !inverso);
  }
  // Extra bytes before the dates: the shown date still follows them.
  const CarpetaOe4& c = ejemplo.correo.carpetas[0];
  const MapaIdxMbx p = ConstruirIdxMbx(c);
  bool con_extra = false;
  for (std::size_t i = 0; i < c.mensajes.size(); ++i) {
    SCOPED_TRACE(i);
    const uint32_t f = p.registros[i] + kLongFijoRegistro + c.mensajes[i].long_extra + 8;
    EXPECT_EQ(LeerPalabra(p.idx, f) | uint64_t{LeerPalabra(p.idx, f + 4)} << 32, c.mensajes[i].fechas[1]);
    EXPECT_EQ(LeerPalabra(p.idx, p.registros[i] + kRegMarcas), c.mensajes[i].sustituido ? 1u : 0u);
    con_extra |= c.mensajes[i].long_extra != 0;
  }
  EXPECT_TRUE(con_extra);
  // Small blocks: an article over several of them, one without a body over none.
  const MapaGrupo g = ConstruirGrupoNch(Grupo("g", 1, {Articulo("0123456789", 4), Articulo(std::nullopt)}));
  EXPECT_EQ(g.bloques[0].size(), 3u);
  EXPECT_EQ(LeerPalabra(g.bytes, g.articulos[1] + kArtPosBloque), 0u);
}

}  // namespace
}  // namespace orvex::pruebas
