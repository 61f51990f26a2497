// The .dbx builder writes what real files carry: checked here with a plain reader of its own,
// independent of the store's reader.
#include "pruebas/dbx_constructor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "almacen_oe5/formato_dbx.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::dbx;

uint32_t P(const MapaDbx& m, uint32_t pos) { return LeerPalabra(m.bytes, pos); }

// Walks a tree the way the reader is meant to (a node, its entries' children, its +0x08
// child), checking the fields real nodes carry on the way; returns the objects in order.
uint32_t Recorrer(const MapaDbx& m, uint32_t nodo, uint32_t padre, std::vector<uint32_t>* nodos,
                  std::vector<uint32_t>* objetos) {
  EXPECT_EQ(P(m, nodo + kNodoPropio), nodo);
  EXPECT_EQ(P(m, nodo + kNodoPadre), padre);
  nodos->push_back(nodo);
  const uint32_t entradas = P(m, nodo + kNodoCuenta) >> 8;
  EXPECT_EQ(P(m, nodo + kNodoCuenta) & 0xFF, 0u);
  EXPECT_LE(entradas, kMaxEntradasNodo);
  uint32_t total = entradas;
  for (uint32_t i = 0; i < entradas; ++i) objetos->push_back(P(m, nodo + kNodoEntradas + i * kLongEntrada));
  for (uint32_t i = 0; i < kMaxEntradasNodo; ++i) {
    const uint32_t e = nodo + kNodoEntradas + i * kLongEntrada;
    const uint32_t hijo = P(m, e + kEntradaHijo);
    if (hijo == 0) break;
    EXPECT_LT(i, entradas);
    const uint32_t debajo = Recorrer(m, hijo, nodo, nodos, objetos);
    EXPECT_EQ(P(m, e + kEntradaValoresHijo), debajo);
    total += debajo;
  }
  if (const uint32_t hijo = P(m, nodo + kNodoHijo); hijo != 0) {
    const uint32_t debajo = Recorrer(m, hijo, nodo, nodos, objetos);
    EXPECT_EQ(P(m, nodo + kNodoValoresHijo), debajo);
    total += debajo;
  }
  return total;
}

// The text of the chain at bloque, checking each block's head.
std::string Cadena(const MapaDbx& m, uint32_t bloque, uint32_t capacidad) {
  std::string texto;
  for (uint32_t pos = bloque; pos != 0; pos = P(m, pos + kBloqueSiguiente)) {
    EXPECT_EQ(P(m, pos + kBloquePropio), pos);
    EXPECT_EQ(P(m, pos + kBloqueCapacidad), capacidad);
    const uint32_t usado = P(m, pos + kBloqueUsado);
    EXPECT_LE(usado, capacidad);
    texto.append(reinterpret_cast<const char*>(m.bytes.data()) + pos + kLongCabBloque, usado);
  }
  return texto;
}

// Index entries of an object by id.
std::map<uint32_t, uint32_t> Indices(const MapaDbx& m, uint32_t obj) {
  EXPECT_EQ(P(m, obj + kObjPropio), obj);
  const uint32_t n = m.bytes[obj + kObjNumIndices];
  EXPECT_LE(4 * n, P(m, obj + kObjLongCuerpo));
  std::map<uint32_t, uint32_t> r;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t e = P(m, obj + kLongCabObjeto + 4 * i);
    r[e & 0xFF] = e >> 8;
  }
  return r;
}

uint32_t Datos(const MapaDbx& m, uint32_t obj) { return obj + kLongCabObjeto + 4 * m.bytes[obj + kObjNumIndices]; }

TEST(DbxConstructorTest, ArchivoDeMensajesConCabeceraArbolesYCadenas) {
  const FormaArbol formas[] = {FormaArbol::kCadena08, FormaArbol::kHijosEntrada, FormaArbol::kMixto};
  for (FormaArbol forma : formas) {
    for (uint32_t por_nodo : {1u, 3u, 51u}) {
      SCOPED_TRACE(static_cast<int>(forma) * 100 + por_nodo);
      ArchivoMensajesDbx d;
      d.arbol = {por_nodo, forma};
      for (uint32_t i = 0; i < 70; ++i) {
        d.mensajes.push_back(Mensaje(1000 - i, std::string(i * 23, static_cast<char>('a' + i % 26)), 1234567 + i));
        d.mensajes.back().bloque_en_area = i % 2 == 0;
        d.mensajes.back().capacidad_bloque = i % 5 == 0 ? 100 : 512;
      }
      const MapaDbx m = ConstruirArchivoMensajes(d);
      EXPECT_EQ(P(m, 0), kFirma0);
      EXPECT_EQ(P(m, 4), kFirmaMensajes);
      EXPECT_EQ(P(m, 8), kFirma2);
      EXPECT_EQ(P(m, 12), kFirma3);
      EXPECT_EQ(P(m, kCabNumMensajes), 70u);
      EXPECT_EQ(P(m, kCabMaxIdMensaje), 1000u);
      EXPECT_EQ(P(m, kCabLimiteTexto), m.bytes.size());
      EXPECT_EQ(P(m, kCabArbolMensajes), m.raiz);

      std::vector<uint32_t> nodos, objetos;
      EXPECT_EQ(Recorrer(m, m.raiz, 0, &nodos, &objetos), 70u);
      EXPECT_EQ(nodos, m.nodos);
      EXPECT_EQ(objetos, m.objetos);
      EXPECT_EQ(nodos.size(), (70 + por_nodo - 1) / por_nodo);

      const uint32_t inicio = P(m, kCabInicioObjetos), limite = inicio + P(m, kCabLongObjetos);
      for (uint32_t i = 0; i < 70; ++i) {
        const uint32_t o = m.objetos[i];
        EXPECT_GE(o, inicio);
        EXPECT_LT(o, limite);
        EXPECT_LE(o + kLongCabObjeto + P(m, o + kObjLongCuerpo), limite);
        auto indices = Indices(m, o);
        EXPECT_EQ(indices[kIdMensaje], 1000 - i);
        const uint32_t datos = Datos(m, o);
        EXPECT_EQ(indices[kIdFechaMensaje], kAreaFecha);
        EXPECT_EQ(P(m, datos + kAreaFecha), 1234567 + i);
        uint32_t bloque;
        if (d.mensajes[i].bloque_en_area) {
          EXPECT_EQ(indices.count(kIdBloqueTexto), 0u);
          EXPECT_EQ(indices[kIdBloqueTextoEnArea], kAreaBloqueTexto);
          bloque = P(m, datos + kAreaBloqueTexto);
        } else {
          bloque = indices[kIdBloqueTexto];
        }
        EXPECT_EQ(bloque, m.bloques[i][0]);
        EXPECT_EQ(Cadena(m, bloque, d.mensajes[i].capacidad_bloque), d.mensajes[i].texto);
      }
    }
  }
}

TEST(DbxConstructorTest, CarpetaVaciaSinArbolOConNodoVacio) {
  ArchivoMensajesDbx d;
  MapaDbx m = ConstruirArchivoMensajes(d);
  EXPECT_EQ(P(m, kCabArbolMensajes), 0u);
  EXPECT_EQ(P(m, kCabNumMensajes), 0u);
  d.nodo_sin_mensajes = true;
  m = ConstruirArchivoMensajes(d);
  ASSERT_NE(m.raiz, 0u);
  EXPECT_EQ(P(m, m.raiz + kNodoCuenta), 0u);
}

TEST(DbxConstructorTest, FoldersDbxConRaizEn9712YTresArboles) {
  const AlmacenDbx d = AlmacenEjemplo();
  const MapaDbx m = ConstruirFoldersDbx(d);
  EXPECT_EQ(P(m, 4), kFirmaCarpetas);
  EXPECT_EQ(m.pos_raiz, kPosObjetoRaiz);
  const uint32_t area = P(m, kCabAreaRaiz);
  EXPECT_EQ(area + 8 + P(m, area + 4), kPosObjetoRaiz);
  EXPECT_EQ(P(m, area), area);
  EXPECT_EQ(P(m, kCabNumSubCarpetas), d.carpetas.size());
  auto raiz = Indices(m, kPosObjetoRaiz);
  EXPECT_EQ(raiz[kIdCarpeta], 0u);
  EXPECT_STREQ(reinterpret_cast<const char*>(m.bytes.data()) + Datos(m, kPosObjetoRaiz), "Outlook Express");

  for (uint32_t cab : {kCabArbolMensajes, kCabArbolSegundo, kCabArbolCarpetas}) {
    SCOPED_TRACE(cab);
    std::vector<uint32_t> nodos, objetos;
    Recorrer(m, P(m, cab), 0, &nodos, &objetos);
    if (cab == kCabArbolCarpetas) {
      ASSERT_FALSE(objetos.empty());
      EXPECT_EQ(objetos.front(), kPosObjetoRaiz);
      objetos.erase(objetos.begin());
      EXPECT_EQ(nodos, m.nodos);
    }
    EXPECT_EQ(objetos, m.objetos);
  }

  for (std::size_t i = 0; i < d.carpetas.size(); ++i) {
    const CarpetaDbx& c = d.carpetas[i];
    SCOPED_TRACE(c.nombre);
    auto indices = Indices(m, m.objetos[i]);
    const char* datos = reinterpret_cast<const char*>(m.bytes.data()) + Datos(m, m.objetos[i]);
    EXPECT_EQ(indices[kIdCarpeta], c.id);
    EXPECT_EQ(indices.count(kIdPadre), c.padre != 0 ? 1u : 0u);
    EXPECT_EQ(indices[kIdPadre], c.padre);
    EXPECT_STREQ(datos, c.nombre.c_str());
    EXPECT_EQ(indices.count(kIdArchivoCarpeta), c.archivo ? 1u : 0u);
    if (c.archivo) {
      EXPECT_STREQ(datos + indices[kIdArchivoCarpeta], c.archivo->c_str());
    }
  }
}

TEST(DbxConstructorTest, FileTimeDelCalendario) {
  struct Caso {
    int anio, mes, dia, hora, minuto, segundo;
    uint64_t esperado;
  };
  const Caso casos[] = {
      {1601, 1, 1, 0, 0, 0, 0},
      {1970, 1, 1, 0, 0, 0, 116444736000000000ull},
      {2000, 2, 29, 0, 0, 0, (951782400ull + 11644473600ull) * 10000000ull},
      {2001, 3, 5, 13, 7, 0, (983797620ull + 11644473600ull) * 10000000ull},
      {2001, 3, 5, 13, 7, 0, kFechaPorDefecto},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(FileTime(c.anio, c.mes, c.dia, c.hora, c.minuto, c.segundo), c.esperado) << c.anio;
  }
}

TEST(DbxConstructorTest, RegistroDeIdentidades) {
  RegistroDbx d;
  d.identidades = {{"{A}", "Ana", "%USERPROFILE%\\Correo", true}, {"{B}", std::nullopt, std::nullopt, false}};
  d.por_defecto = "{A}";
  RegistroPrueba r;
  DescribirRegistro(r, d);
  const std::string t = r.Texto(RegistroPrueba::Formato::kRegedit4);
  EXPECT_NE(t.find("[HKEY_CURRENT_USER\\Identities]"), std::string::npos);
  EXPECT_NE(t.find("\"Default User ID\"=\"{A}\""), std::string::npos);
  EXPECT_NE(t.find("\"Username\"=\"Ana\""), std::string::npos);
  EXPECT_NE(t.find("[HKEY_CURRENT_USER\\Identities\\{A}\\Software\\Microsoft\\Outlook Express\\5.0]"),
            std::string::npos);
  EXPECT_NE(t.find("\"Store Root\"=hex(2):"), std::string::npos);
  EXPECT_NE(t.find("[HKEY_CURRENT_USER\\Identities\\{B}]"), std::string::npos);
  EXPECT_NE(t.find("\"Current\"=\"6.00.2900.5512\""), std::string::npos);
}

}  // namespace
}  // namespace orvex::pruebas
