// The container operations on files the builder writes, damaged one field at a time where a
// rule is about damage.
#include "almacen_oe5/dbx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "soporte/memoria.h"

namespace orvex::oe5 {
namespace {

using namespace orvex::dbx;
using pruebas::LeerPalabra;
using pruebas::PonerPalabra;

class DbxTest : public ::testing::Test {
 protected:
  // Writes an image and opens it as the given kind of file.
  std::optional<ArchivoDbx> Abrir(const std::vector<uint8_t>& bytes, TipoDbx tipo,
                                  ArchivoDbx::Modo modo = ArchivoDbx::Modo::kLectura) {
    ruta_ = dir_.Escribir("a.dbx", bytes);
    return ArchivoDbx::AbrirYComprobar(ruta_, tipo, modo);
  }
  std::vector<uint8_t> Contenido() { return dir_.Leer("a.dbx"); }

  pruebas::DirectorioTemporal dir_;
  std::string ruta_;
};

pruebas::ArchivoMensajesDbx UnMensaje(const std::string& texto, uint32_t capacidad = 512) {
  pruebas::ArchivoMensajesDbx a;
  a.mensajes = {pruebas::Mensaje(2, texto)};
  a.mensajes[0].capacidad_bloque = capacidad;
  return a;
}

TEST_F(DbxTest, FirmasPorTipoDeArchivo) {
  const auto carpetas = pruebas::ConstruirFoldersDbx(pruebas::AlmacenEjemplo()).bytes;
  const auto mensajes = pruebas::ConstruirArchivoMensajes(UnMensaje("x")).bytes;
  struct Caso {
    const char* nombre;
    const std::vector<uint8_t>* bytes;
    TipoDbx tipo;
    uint32_t pos;
    uint32_t valor;
    bool abre;
  };
  const Caso casos[] = {
      {"folders.dbx", &carpetas, TipoDbx::kCarpetas, 0, kFirma0, true},
      {"mensajes", &mensajes, TipoDbx::kMensajes, 0, kFirma0, true},
      {"folders.dbx como mensajes", &carpetas, TipoDbx::kMensajes, 0, kFirma0, false},
      {"mensajes como folders.dbx", &mensajes, TipoDbx::kCarpetas, 0, kFirma0, false},
      {"primera palabra", &mensajes, TipoDbx::kMensajes, 0, kFirma0 + 1, false},
      {"otro tipo de dbx", &mensajes, TipoDbx::kMensajes, 4, 0x26FE9D30, false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = *caso.bytes;
    PonerPalabra(b, caso.pos, caso.valor);
    EXPECT_EQ(Abrir(b, caso.tipo).has_value(), caso.abre);
  }
  EXPECT_FALSE(ArchivoDbx::AbrirYComprobar(dir_.RutaDe("no-existe.dbx"), TipoDbx::kMensajes).has_value());
}

TEST_F(DbxTest, CabeceraCortaSeRechaza) {
  const auto mensajes = pruebas::ConstruirArchivoMensajes(UnMensaje("x")).bytes;
  const std::size_t largos[] = {0, 4, 8, kLeidoCabeceraMensajes - 1};
  for (std::size_t largo : largos) {
    SCOPED_TRACE(largo);
    std::vector<uint8_t> b(mensajes.begin(), mensajes.begin() + static_cast<std::ptrdiff_t>(largo));
    EXPECT_FALSE(Abrir(b, TipoDbx::kMensajes).has_value());
  }
  std::vector<uint8_t> justo(mensajes.begin(), mensajes.begin() + kLeidoCabeceraMensajes);
  auto a = Abrir(justo, TipoDbx::kMensajes);
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->Cabecera(kCabArbolMensajes), LeerPalabra(mensajes, kCabArbolMensajes));
  EXPECT_EQ(a->Cabecera(kCabArbolCarpetas), 0u);  // past what a message file's header holds
}

TEST_F(DbxTest, ArbolEnOrdenDeRecorrido) {
  struct Caso {
    pruebas::FormaArbol forma;
    uint32_t por_nodo;
    uint32_t objetos;
  };
  const Caso casos[] = {
      {pruebas::FormaArbol::kCadena08, 1, 10},    {pruebas::FormaArbol::kHijosEntrada, 3, 40},
      {pruebas::FormaArbol::kHijosEntrada, 1, 5}, {pruebas::FormaArbol::kMixto, 1, 50},
      {pruebas::FormaArbol::kMixto, 2, 77},       {pruebas::FormaArbol::kMixto, 51, 51},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.objetos);
    pruebas::ArchivoMensajesDbx d;
    d.arbol = {caso.por_nodo, caso.forma};
    for (uint32_t i = 0; i < caso.objetos; ++i) d.mensajes.push_back(pruebas::Mensaje(i + 1, "t"));
    const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
    auto a = Abrir(m.bytes, TipoDbx::kMensajes);
    ASSERT_TRUE(a);
    EXPECT_EQ(RecorrerArbol(*a, m.raiz, kMaxNodosMensajes), m.nodos);
  }
}

TEST_F(DbxTest, ArbolAcotadoYSinCiclos) {
  pruebas::ArchivoMensajesDbx d;
  d.arbol = {1, pruebas::FormaArbol::kCadena08};
  for (uint32_t i = 0; i < 6; ++i) d.mensajes.push_back(pruebas::Mensaje(i + 1, "t"));
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
  const auto& n = m.nodos;
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    uint32_t pos;
    uint32_t valor;
    uint32_t capacidad;
    std::vector<uint32_t> esperado;
  };
  const Caso casos[] = {
      {"capacidad", 0, 0, 4, {n[0], n[1], n[2], n[3]}},
      {"+0x08 a si mismo", n[2] + kNodoHijo, n[2], 100, {n[0], n[1], n[2]}},
      {"+0x08 a la raiz", n[5] + kNodoHijo, n[0], 100, n},
      {"hijo de entrada a un antecesor", n[3] + kNodoEntradas + kEntradaHijo, n[1], 100, n},
      {"hijo fuera del archivo", n[1] + kNodoHijo, tamano, 100, {n[0], n[1]}},
      {"hijo cuyo final queda fuera", n[1] + kNodoHijo, tamano - kLongCabNodo + 4, 100, {n[0], n[1]}},
      {"raiz 0", kCabArbolMensajes, 0, 100, {}},
      {"cuenta enorme en la raiz", n[0] + kNodoCuenta, 0xFFFFFF00u, 100, n},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    if (caso.pos != 0) PonerPalabra(b, caso.pos, caso.valor);
    auto a = Abrir(b, TipoDbx::kMensajes);
    ASSERT_TRUE(a);
    EXPECT_EQ(RecorrerArbol(*a, a->Cabecera(kCabArbolMensajes), caso.capacidad), caso.esperado);
  }
}

TEST_F(DbxTest, RecorridoSigueHuecosHastaUnHijoCero) {
  pruebas::ArchivoMensajesDbx d;
  d.arbol = {1, pruebas::FormaArbol::kCadena08};
  for (uint32_t i = 0; i < 3; ++i) d.mensajes.push_back(pruebas::Mensaje(i + 1, "t"));
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
  const auto& n = m.nodos;
  std::vector<uint8_t> b = m.bytes;
  for (uint32_t nodo : n) PonerPalabra(b, nodo + kNodoHijo, 0);
  auto hueco = [&](uint32_t i) { return n[0] + kNodoEntradas + i * kLongEntrada + kEntradaHijo; };
  // The child slots are looked at past the entry count, but not past an empty one.
  PonerPalabra(b, hueco(2), n[2]);
  auto a = Abrir(b, TipoDbx::kMensajes);
  ASSERT_TRUE(a);
  EXPECT_EQ(RecorrerArbol(*a, m.raiz, 100), std::vector<uint32_t>{n[0]});
  PonerPalabra(b, hueco(0), n[1]);
  a = Abrir(b, TipoDbx::kMensajes);
  EXPECT_EQ(RecorrerArbol(*a, m.raiz, 100), (std::vector<uint32_t>{n[0], n[1]}));
  // Entries 0 and 1 both name node 1: it is walked once, then entry 2's child.
  PonerPalabra(b, hueco(1), n[1]);
  a = Abrir(b, TipoDbx::kMensajes);
  EXPECT_EQ(RecorrerArbol(*a, m.raiz, 100), (std::vector<uint32_t>{n[0], n[1], n[2]}));
}

TEST_F(DbxTest, ListaDeCarpetasDejaFuera9712SoloEnLaEntrada0) {
  pruebas::AlmacenDbx d;
  for (uint32_t i = 1; i <= 5; ++i) d.carpetas.push_back(pruebas::Carpeta(i, 0, "C" + std::to_string(i)));
  d.arbol = {3, pruebas::FormaArbol::kCadena08};
  d.raiz_en_arbol = true;
  const pruebas::MapaDbx m = pruebas::ConstruirFoldersDbx(d);
  const auto& o = m.objetos;
  ASSERT_EQ(LeerPalabra(m.bytes, m.nodos[0] + kNodoEntradas), kPosObjetoRaiz);
  struct Caso {
    const char* nombre;
    uint32_t pos;
    uint32_t valor;
    std::vector<uint32_t> esperado;
  };
  const Caso casos[] = {
      {"tal como se escribio", 0, 0, o},
      {"9712 en la entrada 1", m.nodos[0] + kNodoEntradas + kLongEntrada, kPosObjetoRaiz,
       {kPosObjetoRaiz, o[1], o[2], o[3], o[4]}},
      {"9712 en la entrada 0 del segundo nodo", m.nodos[1] + kNodoEntradas, kPosObjetoRaiz, {o[0], o[1], o[3], o[4]}},
      {"entrada a 0", m.nodos[1] + kNodoEntradas + kLongEntrada, 0, {o[0], o[1], o[2], o[4]}},
      {"nodo sin entradas", m.nodos[1] + kNodoCuenta, 0, {o[0], o[1]}},
      {"cuenta con el byte bajo puesto", m.nodos[1] + kNodoCuenta, (3u << 8) | 0xFF, o},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    if (caso.pos != 0) PonerPalabra(b, caso.pos, caso.valor);
    auto a = Abrir(b, TipoDbx::kCarpetas);
    ASSERT_TRUE(a);
    EXPECT_EQ(ListaObjetosCarpetas(*a, RecorrerArbol(*a, m.raiz, kMaxNodosCarpetas)), caso.esperado);
  }
}

TEST_F(DbxTest, ListaDeCarpetasHasta2000) {
  pruebas::AlmacenDbx d;
  for (uint32_t i = 1; i <= 2100; ++i) d.carpetas.push_back(pruebas::Carpeta(i, 0, "C"));
  d.arbol = {51, pruebas::FormaArbol::kMixto};
  const pruebas::MapaDbx m = pruebas::ConstruirFoldersDbx(d);
  auto a = Abrir(m.bytes, TipoDbx::kCarpetas);
  ASSERT_TRUE(a);
  const auto lista = ListaObjetosCarpetas(*a, RecorrerArbol(*a, m.raiz, kMaxNodosCarpetas));
  ASSERT_EQ(lista.size(), kMaxObjetosCarpetas);
  EXPECT_TRUE(std::equal(lista.begin(), lista.end(), m.objetos.begin()));
}

TEST_F(DbxTest, ObjetoRepartidoEnLaTabla) {
  pruebas::ArchivoMensajesDbx d;
  d.mensajes = {pruebas::Mensaje(0xABCDEF, "texto", 0x0102030405060708ull)};
  d.mensajes[0].asunto = "Hola";
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
  std::vector<uint8_t> b = m.bytes;
  auto a = Abrir(b, TipoDbx::kMensajes);
  ASSERT_TRUE(a);
  ObjetoDbx o;
  ASSERT_TRUE(LeerObjeto(*a, m.objetos[0], &o));
  EXPECT_EQ(o.TablaIndices[kIdMensaje], 0xABCDEFu);
  EXPECT_EQ(o.TablaIndices[kIdBloqueTexto], m.bloques[0][0]);
  EXPECT_EQ(o.TablaIndices[0x55], 0u);
  uint8_t fecha[8];
  ASSERT_TRUE(a->Leer(o.inicio_datos, fecha, 8));
  EXPECT_EQ(fecha[0], 0x08);
  char asunto[16];
  ASSERT_TRUE(LeerCadenaDatos(*a, o, o.TablaIndices[kIdAsunto], asunto, sizeof asunto));
  EXPECT_STREQ(asunto, "Hola");
  // A repeated id keeps the last value.
  const uint32_t n = b[m.objetos[0] + kObjNumIndices];
  PonerPalabra(b, m.objetos[0] + kLongCabObjeto + 4 * (n - 1), 0xFFFFFF80u);
  a = Abrir(b, TipoDbx::kMensajes);
  ASSERT_TRUE(LeerObjeto(*a, m.objetos[0], &o));
  EXPECT_EQ(o.TablaIndices[kIdMensaje], 0xFFFFFFu);
}

TEST_F(DbxTest, ObjetoQueSaleDelArchivo) {
  pruebas::ArchivoMensajesDbx d;
  d.mensajes = {pruebas::Mensaje(2, "texto")};
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
  const uint32_t o = m.objetos[0];
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  const uint32_t cuerpo = LeerPalabra(m.bytes, o + kObjLongCuerpo);
  struct Caso {
    const char* nombre;
    uint32_t pos_objeto;
    uint32_t campo;
    uint32_t valor;
    bool valido;
  };
  const Caso casos[] = {
      {"intacto", o, 0, 0, true},
      {"posicion 0", 0, 0, 0, false},
      {"posicion al final", tamano, 0, 0, false},
      {"cabecera cortada", tamano - kLongCabObjeto + 1, 0, 0, false},
      {"cuerpo mayor que el archivo", o, kObjLongCuerpo, tamano, false},
      {"cuerpo hasta el final justo", o, kObjLongCuerpo, tamano - o - kLongCabObjeto, true},
      {"cuerpo un byte mas alla", o, kObjLongCuerpo, tamano - o - kLongCabObjeto + 1, false},
      {"cuerpo maximo", o, kObjLongCuerpo, 0xFFFFFFFFu, false},
      {"indices mas largos que el cuerpo", o, kObjLongCuerpo, 4 * 3 - 1, false},
      {"cuerpo de solo indices", o, kObjLongCuerpo, cuerpo - (cuerpo - 4 * 3), true},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    if (caso.campo != 0) PonerPalabra(b, o + caso.campo, caso.valor);
    auto a = Abrir(b, TipoDbx::kMensajes);
    ASSERT_TRUE(a);
    ObjetoDbx obj;
    EXPECT_EQ(LeerObjeto(*a, caso.pos_objeto, &obj), caso.valido);
  }
}

TEST_F(DbxTest, CadenasDelAreaDeDatos) {
  pruebas::AlmacenDbx d;
  d.carpetas = {pruebas::Carpeta(4, 1, std::string(300, 'n'), "f.dbx")};
  const pruebas::MapaDbx m = pruebas::ConstruirFoldersDbx(d);
  auto a = Abrir(m.bytes, TipoDbx::kCarpetas);
  ASSERT_TRUE(a);
  ObjetoDbx o;
  ASSERT_TRUE(LeerObjeto(*a, m.objetos[0], &o));
  char nombre[256];
  ASSERT_TRUE(LeerCadenaDatos(*a, o, 0, nombre, sizeof nombre));
  EXPECT_EQ(std::string(nombre), std::string(255, 'n'));
  char archivo[260];
  ASSERT_TRUE(LeerCadenaDatos(*a, o, o.TablaIndices[kIdArchivoCarpeta], archivo, sizeof archivo));
  EXPECT_STREQ(archivo, "f.dbx");
  EXPECT_FALSE(LeerCadenaDatos(*a, o, o.long_datos, archivo, sizeof archivo));
  EXPECT_STREQ(archivo, "");
  // A string that runs to the end of the data area without a NUL ends there.
  ObjetoDbx corto = o;
  corto.long_datos = 10;
  ASSERT_TRUE(LeerCadenaDatos(*a, corto, 4, nombre, sizeof nombre));
  EXPECT_EQ(std::string(nombre), "nnnnnn");
}

struct TextoLeido {
  uint32_t resultado;
  uint32_t longitud;
  std::string texto;
};

TextoLeido Leer(const ArchivoDbx& a, uint32_t bloque) {
  char* t = nullptr;
  uint32_t n = 99;
  TextoLeido r{LeerCadena(a, bloque, &t, &n), n, ""};
  if (t != nullptr) {
    r.texto.assign(t, n);
    EXPECT_EQ(t[n], '\0');
    MEM_Liberar(t);
  }
  return r;
}

TEST_F(DbxTest, CadenaDeBloques) {
  const std::string texto(1300, 'q');
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(texto));
  const auto& bl = m.bloques[0];
  ASSERT_EQ(bl.size(), 3u);
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    uint32_t pos;
    uint32_t valor;
    uint32_t resultado;
    std::size_t longitud;
  };
  const Caso casos[] = {
      {"intacta", 0, 0, OE_OK, 1300},
      {"capacidad 513", bl[0] + kBloqueCapacidad, 513, OE_ERROR, 0},
      {"capacidad maxima", bl[1] + kBloqueCapacidad, 0xFFFFFFFFu, OE_ERROR, 0},
      {"usado mayor que la capacidad", bl[2] + kBloqueUsado, 513, OE_ERROR, 0},
      {"usado igual a la capacidad", bl[2] + kBloqueUsado, 512, OE_OK, 1024 + 512},
      {"usado 0 en medio", bl[1] + kBloqueUsado, 0, OE_OK, 1300 - 512},
      {"siguiente a si mismo", bl[1] + kBloqueSiguiente, bl[1], OE_ERROR, 0},
      {"siguiente al primero", bl[2] + kBloqueSiguiente, bl[0], OE_ERROR, 0},
      {"siguiente fuera del archivo", bl[0] + kBloqueSiguiente, tamano, OE_ERROR, 0},
      {"siguiente con la cabecera cortada", bl[0] + kBloqueSiguiente, tamano - 15, OE_ERROR, 0},
      {"siguiente 0 corta la cadena", bl[0] + kBloqueSiguiente, 0, OE_OK, 512},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    if (caso.pos != 0) PonerPalabra(b, caso.pos, caso.valor);
    auto a = Abrir(b, TipoDbx::kMensajes);
    ASSERT_TRUE(a);
    const TextoLeido r = Leer(*a, bl[0]);
    EXPECT_EQ(r.resultado, caso.resultado);
    EXPECT_EQ(r.longitud, caso.longitud);
    if (caso.resultado != OE_OK) {
      EXPECT_TRUE(r.texto.empty());
    }
  }
}

TEST_F(DbxTest, CadenaVaciaYTextoQueSaleDelArchivo) {
  const pruebas::MapaDbx vacia = pruebas::ConstruirArchivoMensajes(UnMensaje(""));
  auto a = Abrir(vacia.bytes, TipoDbx::kMensajes);
  ASSERT_TRUE(a);
  const TextoLeido r = Leer(*a, vacia.bloques[0][0]);
  EXPECT_EQ(r.resultado, OE_OK);
  EXPECT_EQ(r.longitud, 0u);

  // The last block's text cut by the end of the file.
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(std::string(600, 'z')));
  std::vector<uint8_t> b = m.bytes;
  b.resize(m.bloques[0][1] + kLongCabBloque + 50);
  a = Abrir(b, TipoDbx::kMensajes);
  ASSERT_TRUE(a);
  EXPECT_EQ(Leer(*a, m.bloques[0][0]).resultado, OE_ERROR);
  b.resize(m.bloques[0][1] + kLongCabBloque + 88);
  a = Abrir(b, TipoDbx::kMensajes);
  EXPECT_EQ(Leer(*a, m.bloques[0][0]).longitud, 600u);
}

TEST_F(DbxTest, CicloLargoDeBloquesVacios) {
  // Blocks with nothing used that point round in a long cycle end with an error.
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(std::string(40 * 512, 'c')));
  std::vector<uint8_t> b = m.bytes;
  const auto& bl = m.bloques[0];
  for (uint32_t p : bl) PonerPalabra(b, p + kBloqueUsado, 0);
  PonerPalabra(b, bl.back() + kBloqueSiguiente, bl[3]);
  auto a = Abrir(b, TipoDbx::kMensajes);
  ASSERT_TRUE(a);
  EXPECT_EQ(Leer(*a, bl[0]).resultado, OE_ERROR);
}

TEST_F(DbxTest, CadenaDeBloquesSolapadosNoPasaDelTamanoDelArchivo) {
  // Each block's next head lies inside its own text: the chain never closes, but the text it
  // claims outgrows the file, which ends the read before any buffer is sized by it.
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(std::string(40 * 512, 's')));
  std::vector<uint8_t> b = m.bytes;
  const uint32_t inicio = m.bloques[0][0];
  for (uint32_t p = inicio; p + 2 * kLongCabBloque + 512 < b.size(); p += kLongCabBloque) {
    PonerPalabra(b, p + kBloqueCapacidad, 512);
    PonerPalabra(b, p + kBloqueUsado, 512);
    PonerPalabra(b, p + kBloqueSiguiente, p + kLongCabBloque);
  }
  auto a = Abrir(b, TipoDbx::kMensajes);
  ASSERT_TRUE(a);
  const TextoLeido r = Leer(*a, inicio);
  EXPECT_EQ(r.resultado, OE_ERROR);
  EXPECT_EQ(r.longitud, 0u);
}

struct Reescritura {
  std::size_t vieja;
  std::size_t nueva;
  uint32_t escritos;
  // Heads (capacity, used, next-is-zero) of the old chain's blocks afterwards.
  std::vector<std::array<uint32_t, 3>> cabeceras;
  std::size_t leida;  // length of the chain read back
};

TEST_F(DbxTest, ReescribirEnSuSitio) {
  const Reescritura casos[] = {
      {700, 800, 800, {{512, 512, 0}, {288, 288, 1}}, 800},
      {700, 300, 300, {{300, 300, 1}, {512, 188, 1}}, 300},
      {700, 700, 700, {{512, 512, 0}, {188, 188, 1}}, 700},
      {1024, 512, 512, {{512, 512, 0}, {0, 0, 1}}, 512},
      {1024, 1024, 1024, {{512, 512, 0}, {512, 512, 1}}, 1024},
      // More than the old chain holds: the text is cut at the chain's room and the last block's
      // head says it is full, so the chain reads back as what was written.
      {700, 1100, 1024, {{512, 512, 0}, {512, 512, 1}}, 1024},
      {1020, 1030, 1024, {{512, 512, 0}, {512, 512, 1}}, 1024},
      {1024, 2000, 1024, {{512, 512, 0}, {512, 512, 1}}, 1024},
      {700, 0, 0, {{0, 0, 1}, {512, 188, 1}}, 0},
      // Blocks after the one where the new text ends stay in the file, unreferenced.
      {1300, 512, 512, {{512, 512, 0}, {0, 0, 1}, {512, 276, 1}}, 512},
  };
  for (const Reescritura& caso : casos) {
    SCOPED_TRACE(std::to_string(caso.vieja) + " -> " + std::to_string(caso.nueva));
    const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(std::string(caso.vieja, 'v')));
    auto a = Abrir(m.bytes, TipoDbx::kMensajes, ArchivoDbx::Modo::kLecturaEscritura);
    ASSERT_TRUE(a);
    std::string nueva;
    for (std::size_t i = 0; i < caso.nueva; ++i) nueva += static_cast<char>('a' + i % 26);
    const uint32_t bloque = m.bloques[0][0];
    EXPECT_EQ(ReescribirCadena(*a, bloque, static_cast<uint32_t>(caso.vieja), nueva.data(),
                               static_cast<uint32_t>(nueva.size())),
              caso.escritos);
    a.reset();
    const std::vector<uint8_t> b = Contenido();
    ASSERT_EQ(b.size(), m.bytes.size());
    for (std::size_t i = 0; i < caso.cabeceras.size(); ++i) {
      SCOPED_TRACE(i);
      const uint32_t p = m.bloques[0][i];
      EXPECT_EQ(LeerPalabra(b, p + kBloquePropio), p);
      EXPECT_EQ(LeerPalabra(b, p + kBloqueCapacidad), caso.cabeceras[i][0]);
      EXPECT_EQ(LeerPalabra(b, p + kBloqueUsado), caso.cabeceras[i][1]);
      EXPECT_EQ(LeerPalabra(b, p + kBloqueSiguiente) == 0, caso.cabeceras[i][2] == 1);
    }
    a = ArchivoDbx::AbrirYComprobar(ruta_, TipoDbx::kMensajes);
    const TextoLeido r = Leer(*a, bloque);
    ASSERT_EQ(r.resultado, OE_OK);
    ASSERT_EQ(r.longitud, caso.leida);
    EXPECT_EQ(r.texto.substr(0, std::min(caso.leida, nueva.size())),
              nueva.substr(0, std::min(caso.leida, nueva.size())));
  }
}

TEST_F(DbxTest, UnCorteConBloquesNoLlenosSeLeeComoSeEscribio) {
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(std::string(1300, 'v')));
  const auto& bl = m.bloques[0];
  struct Caso {
    const char* nombre;
    uint32_t usado_segundo;  // used count given to the second of three blocks
    uint32_t vieja;          // what the chain then reads as
    uint32_t escritos;
  };
  const Caso casos[] = {
      // The old text reaches into the third block: all three take a full block.
      {"hueco en medio", 300, 1088, 1536},
      // The old length is reached in the second block while the third still holds text: the
      // chain ends at the second.
      {"la cadena sigue tras el corte", 0, 788, 1024},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    PonerPalabra(b, bl[1] + kBloqueUsado, caso.usado_segundo);
    auto a = Abrir(b, TipoDbx::kMensajes, ArchivoDbx::Modo::kLecturaEscritura);
    ASSERT_TRUE(a);
    ASSERT_EQ(Leer(*a, bl[0]).longitud, caso.vieja);
    std::string nueva;
    for (std::size_t i = 0; i < 2000; ++i) nueva += static_cast<char>('a' + i % 26);
    EXPECT_EQ(ReescribirCadena(*a, bl[0], caso.vieja, nueva.data(), static_cast<uint32_t>(nueva.size())),
              caso.escritos);
    a.reset();
    a = ArchivoDbx::AbrirYComprobar(ruta_, TipoDbx::kMensajes);
    ASSERT_TRUE(a);
    const TextoLeido r = Leer(*a, bl[0]);
    ASSERT_EQ(r.resultado, OE_OK);
    EXPECT_EQ(r.texto, nueva.substr(0, caso.escritos));
  }
}

TEST_F(DbxTest, ReescribirDejaIntactaUnaCadenaDanada) {
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(UnMensaje(std::string(1300, 'v')));
  const auto& bl = m.bloques[0];
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    uint32_t pos;
    uint32_t valor;
  };
  const Caso casos[] = {
      {"capacidad 513", bl[1] + kBloqueCapacidad, 513},
      {"usado mayor que la capacidad", bl[2] + kBloqueUsado, 600},
      {"siguiente fuera", bl[0] + kBloqueSiguiente, tamano},
      {"siguiente a si mismo", bl[1] + kBloqueSiguiente, bl[1]},
      {"ciclo", bl[1] + kBloqueSiguiente, bl[0]},
      {"ciclo en el ultimo", bl[2] + kBloqueSiguiente, bl[1]},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    PonerPalabra(b, caso.pos, caso.valor);
    auto a = Abrir(b, TipoDbx::kMensajes, ArchivoDbx::Modo::kLecturaEscritura);
    ASSERT_TRUE(a);
    const std::string nueva(5000, 'n');
    EXPECT_EQ(ReescribirCadena(*a, bl[0], 5000, nueva.data(), 5000), 0u);
    a.reset();
    EXPECT_EQ(Contenido(), b);
  }
  // The last block's room must lie inside the file, although its text is shorter.
  std::vector<uint8_t> corto = m.bytes;
  corto.resize(bl[2] + kLongCabBloque + 300);
  auto a = Abrir(corto, TipoDbx::kMensajes, ArchivoDbx::Modo::kLecturaEscritura);
  ASSERT_TRUE(a);
  EXPECT_EQ(ReescribirCadena(*a, bl[0], 1300, "x", 1), 0u);
}

}  // namespace
}  // namespace orvex::oe5
