// The OE4 store builder checked on its own bytes, independently of the store's reader.
#include "pruebas/oe4_constructor.h"

#include <gtest/gtest.h>

#include <set>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/dbx_constructor.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

TEST(ConstructorOe4Test, CadenaDeCarpetas) {
  struct Caso {
    const char* nombre;
    bool orden_inverso;
  };
  for (const Caso& caso : {Caso{"en orden", false}, Caso{"al reves", true}}) {
    SCOPED_TRACE(caso.nombre);
    AlmacenCorreoOe4 d = AlmacenOe4Ejemplo().correo;
    d.orden_inverso = caso.orden_inverso;
    const MapaNch m = ConstruirFoldersNch(d);
    ASSERT_EQ(m.bytes.size(), kLongCabFolders + d.carpetas.size() * kLongCarpeta);
    EXPECT_EQ(LeerPalabra(m.bytes, kNchFirma), kFirmaNch);
    EXPECT_EQ(LeerPalabra(m.bytes, kNchVersion), kVersionFolders);
    // Following the chain from the header visits every record once, in description order.
    uint32_t pos = LeerPalabra(m.bytes, kNchPrimero);
    for (std::size_t i = 0; i < d.carpetas.size(); ++i) {
      ASSERT_EQ(pos, m.registros[i]);
      EXPECT_EQ(LeerPalabra(m.bytes, pos + kCarPosPropia), pos);
      EXPECT_EQ(LeerPalabra(m.bytes, pos + kCarIdCarpeta), d.carpetas[i].id);
      EXPECT_EQ(LeerPalabra(m.bytes, pos + kCarIdPadre), d.carpetas[i].padre);
      pos = LeerPalabra(m.bytes, pos + kCarPosSiguiente);
    }
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(m.registros.front() < m.registros.back(), !caso.orden_inverso);
  }
}

TEST(ConstructorOe4Test, SubcarpetasYMensajesContados) {
  const AlmacenCorreoOe4 d = AlmacenOe4Ejemplo().correo;
  const MapaNch m = ConstruirFoldersNch(d);
  struct Caso {
    std::size_t carpeta;
    uint32_t subcarpetas;
    uint32_t mensajes;
  };
  // Inbox holds a replaced record, which is not counted; the root's children are top-level.
  for (const Caso& c : {Caso{0, 0, 3}, Caso{2, 4, 0}, Caso{3, 1, 0}, Caso{4, 1, 1}}) {
    SCOPED_TRACE(c.carpeta);
    EXPECT_EQ(LeerPalabra(m.bytes, m.registros[c.carpeta] + kCarNumSubCarpetas), c.subcarpetas);
    EXPECT_EQ(LeerPalabra(m.bytes, m.registros[c.carpeta] + kCarNumMensajes), c.mensajes);
  }
}

TEST(ConstructorOe4Test, ParIdxMbx) {
  const AlmacenOe4 ejemplo = AlmacenOe4Ejemplo();
  const CarpetaOe4& c = ejemplo.correo.carpetas[0];
  const MapaIdxMbx p = ConstruirIdxMbx(c);
  EXPECT_EQ(LeerPalabra(p.idx, kIdxFinRegistros), p.idx.size());
  EXPECT_EQ(LeerPalabra(p.idx, kIdxNumRegistros), c.mensajes.size());
  EXPECT_EQ(LeerPalabra(p.mbx, kMbxUltimoId), 4u);
  EXPECT_EQ(LeerPalabra(p.mbx, kMbxTamDatos), p.mbx.size() - kLongCabMbx);
  ASSERT_EQ(p.registros.size(), c.mensajes.size());
  for (std::size_t i = 0; i < c.mensajes.size(); ++i) {
    SCOPED_TRACE(i);
    const uint32_t r = p.registros[i], b = p.bloques[i];
    const uint32_t fin = i + 1 < p.registros.size() ? p.registros[i + 1] : static_cast<uint32_t>(p.idx.size());
    EXPECT_EQ(LeerPalabra(p.idx, r + kRegLongRegistro), fin - r);
    EXPECT_EQ(LeerPalabra(p.idx, r + kRegPosBloque), b);
    EXPECT_EQ(LeerPalabra(p.idx, r + kRegMarcas), c.mensajes[i].sustituido ? 1u : 0u);
    EXPECT_EQ(LeerPalabra(p.mbx, b + kMbxBloqueId), c.mensajes[i].id);
    EXPECT_EQ(LeerPalabra(p.mbx, b + kMbxBloqueLongTexto), c.mensajes[i].texto.size());
    EXPECT_EQ(LeerPalabra(p.mbx, b + kMbxBloqueTam) % 4, 0u);
    // The second FILETIME, after the extra bytes.
    const uint32_t f = r + kLongFijoRegistro + c.mensajes[i].long_extra + 8;
    const uint64_t fecha = LeerPalabra(p.idx, f) | uint64_t{LeerPalabra(p.idx, f + 4)} << 32;
    EXPECT_EQ(fecha, c.mensajes[i].fechas[1]);
  }
}

TEST(ConstructorOe4Test, ArticulosEnBloquesEncadenados) {
  const GrupoOe4 g = Grupo("g", 1, {Articulo("0123456789", 4), Articulo(std::nullopt), Articulo("ab", 8)});
  const MapaGrupo m = ConstruirGrupoNch(g);
  EXPECT_EQ(LeerPalabra(m.bytes, kNchLongArea), 3 * kLongArticulo);
  EXPECT_EQ(LeerPalabra(m.bytes, kNchTamTextos), 12u);
  struct Caso {
    std::size_t articulo;
    std::string texto;
    std::size_t bloques;
  };
  for (const Caso& c : {Caso{0, "0123456789", 3}, Caso{1, "", 0}, Caso{2, "ab", 1}}) {
    SCOPED_TRACE(c.articulo);
    ASSERT_EQ(m.bloques[c.articulo].size(), c.bloques);
    const uint32_t a = m.articulos[c.articulo];
    EXPECT_EQ(LeerPalabra(m.bytes, a + kArtLongArticulo), c.texto.size());
    std::string leido;
    uint32_t b = LeerPalabra(m.bytes, a + kArtPosBloque);
    while (b != 0) {
      const uint32_t usados = LeerPalabra(m.bytes, b + kNchBloqueUsados);
      leido.append(m.bytes.begin() + b + 16, m.bytes.begin() + b + 16 + usados);
      b = LeerPalabra(m.bytes, b + kNchBloqueSiguiente);
    }
    EXPECT_EQ(leido, c.texto);
  }
}

TEST(ConstructorOe4Test, EntradasDeSublist) {
  const CuentaOe4 c = Cuenta("00000002", "news", {Grupo("uno", 1, {}), Grupo(std::string(300, 'n'), 42, {})});
  const MapaSublist s = ConstruirSublist(c);
  EXPECT_EQ(LeerPalabra(s.bytes, kSubFirma), kFirmaSublist);
  EXPECT_EQ(LeerPalabra(s.bytes, kSubNumGrupos), 2u);
  uint32_t pos = kLongCabSublist;
  for (std::size_t i = 0; i < c.grupos.size(); ++i) {
    ASSERT_EQ(pos, s.entradas[i]);
    EXPECT_EQ(LeerPalabra(s.bytes, pos + kGrpNumFichero), c.grupos[i].num_fichero);
    uint32_t largo = kLongFijoGrupo;
    for (uint32_t k = 0; k < kGrpNumTextos; ++k) largo += LeerPalabra(s.bytes, pos + kGrpLongNombre + 4 * k);
    pos += largo;
  }
  EXPECT_EQ(pos, s.bytes.size());
  EXPECT_EQ(NombreArchivoGrupo(42), "00000042.nch");
}

TEST(ConstructorOe4Test, EntradasDelRegistro) {
  RegistroPrueba registro;
  RegistroOe4 r;
  r.raiz = "C:\\Almacen";
  r.cuenta_por_defecto = "00000002";
  r.cuentas = {Cuenta("00000001", std::nullopt), Cuenta("00000002", "news")};
  DescribirRegistroOe4(registro, r);
  const std::string texto = registro.Texto(RegistroPrueba::Formato::kRegedit4);
  for (const char* esperado : {"\"Store Root\"=\"C:\\\\Almacen\"", "\"Default News Account\"=\"00000002\"",
                               "\"NNTP Data Directory\"=\"news\"", "Accounts\\00000001]", "\"Current\"=\"4.72"}) {
    SCOPED_TRACE(esperado);
    EXPECT_NE(texto.find(esperado), std::string::npos);
  }
}

}  // namespace
}  // namespace orvex::pruebas
