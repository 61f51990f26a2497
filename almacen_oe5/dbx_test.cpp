// The container operations on files the builder writes, damaged one field at a time.
#include "almacen_oe5/dbx.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "soporte/memoria.h"

namespace orvex::oe5 {
namespace {

using namespace orvex::dbx;
using pruebas::LeerPalabra;
using pruebas::PonerPalabra;

// A word to damage; the default leaves the image as written.
constexpr uint32_t kSinCambio = 0xFFFFFFFFu;
struct Cambio {
  uint32_t pos = kSinCambio;
  uint32_t valor = 0;
};

class DbxTest : public ::testing::Test {
 protected:
  // The image with one word damaged, written out and opened for reading and writing.
  std::optional<ArchivoDbx> Abrir(std::vector<uint8_t> bytes, Cambio c = {}, TipoDbx tipo = TipoDbx::kMensajes) {
    if (c.pos != kSinCambio) PonerPalabra(bytes, c.pos, c.valor);
    ruta_ = dir_.Escribir("a.dbx", bytes);
    return ArchivoDbx::AbrirYComprobar(ruta_, tipo, ArchivoDbx::Modo::kLecturaEscritura);
  }

  pruebas::DirectorioTemporal dir_;
  std::string ruta_;
};

pruebas::MapaDbx Construir(std::vector<std::string> textos, pruebas::OpcionesArbol arbol = {}) {
  pruebas::ArchivoMensajesDbx a;
  a.arbol = arbol;
  for (uint32_t i = 0; i < textos.size(); ++i) a.mensajes.push_back(pruebas::Mensaje(i + 1, textos[i]));
  return pruebas::ConstruirArchivoMensajes(a);
}

// n bytes of c holding, kFalsa bytes in, a sound head of a 32-byte block that ends a chain: a
// next pointer aimed there makes a chain whose second head lies inside the first block's text.
constexpr uint32_t kFalsa = 96;
std::string ConCabeceraFalsa(std::size_t n, char c) {
  std::string s(n, c);
  const char cab[kLongCabBloque] = {0, 0, 0, 0, 32, 0, 0, 0, 32, 0, 0, 0, 0, 0, 0, 0};
  s.replace(kFalsa, sizeof cab, cab, sizeof cab);
  return s;
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

// The signatures of the other file kind are the folder and listing tests' matter.
TEST_F(DbxTest, FirmaYCabeceraCorta) {
  const auto mensajes = Construir({"x"}).bytes;
  struct Caso {
    const char* nombre;
    Cambio cambio;
    std::size_t largo;  // the image cut to this length
    bool abre;
  };
  const Caso casos[] = {
      {"entero", {}, mensajes.size(), true},
      {"otro tipo de dbx", {4, 0x26FE9D30}, mensajes.size(), false},
      {"vacio", {}, 0, false},
      {"8 bytes", {}, 8, false},
      {"cabecera sin su ultimo byte", {}, kLeidoCabeceraMensajes - 1, false},
      {"cabecera justa", {}, kLeidoCabeceraMensajes, true},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const auto a = Abrir({mensajes.begin(), mensajes.begin() + static_cast<std::ptrdiff_t>(caso.largo)}, caso.cambio);
    ASSERT_EQ(a.has_value(), caso.abre);
    if (a) {
      EXPECT_EQ(a->Cabecera(kCabArbolMensajes), LeerPalabra(mensajes, kCabArbolMensajes));
      EXPECT_EQ(a->Cabecera(kCabArbolCarpetas), 0u);  // past what a message file's header holds
    }
  }
  EXPECT_FALSE(ArchivoDbx::AbrirYComprobar(dir_.RutaDe("no-existe.dbx"), TipoDbx::kMensajes).has_value());
}

TEST_F(DbxTest, ArbolAcotadoYSinCiclos) {
  const pruebas::MapaDbx m = Construir(std::vector<std::string>(6, "t"), {1, pruebas::FormaArbol::kCadena08});
  const auto& n = m.nodos;
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    Cambio cambio;
    uint32_t capacidad;
    std::vector<uint32_t> esperado;
  };
  const Caso casos[] = {
      {"capacidad", {}, 4, {n[0], n[1], n[2], n[3]}},
      {"+0x08 a si mismo", {n[2] + kNodoHijo, n[2]}, 100, {n[0], n[1], n[2]}},
      {"+0x08 a la raiz", {n[5] + kNodoHijo, n[0]}, 100, n},
      {"hijo de entrada a un antecesor", {n[3] + kNodoEntradas + kEntradaHijo, n[1]}, 100, n},
      {"hijo fuera del archivo", {n[1] + kNodoHijo, tamano}, 100, {n[0], n[1]}},
      {"hijo cuyo final queda fuera", {n[1] + kNodoHijo, tamano - kLongCabNodo + 4}, 100, {n[0], n[1]}},
      {"raiz 0", {kCabArbolMensajes, 0}, 100, {}},
      {"cuenta enorme en la raiz", {n[0] + kNodoCuenta, 0xFFFFFF00u}, 100, n},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    auto a = Abrir(m.bytes, caso.cambio);
    ASSERT_TRUE(a);
    EXPECT_EQ(RecorrerArbol(*a, a->Cabecera(kCabArbolMensajes), caso.capacidad), caso.esperado);
  }
}

TEST_F(DbxTest, RecorridoSigueHuecosHastaUnHijoCero) {
  const pruebas::MapaDbx m = Construir({"t", "t", "t"}, {1, pruebas::FormaArbol::kCadena08});
  const auto& n = m.nodos;
  std::vector<uint8_t> b = m.bytes;
  for (uint32_t nodo : n) PonerPalabra(b, nodo + kNodoHijo, 0);
  auto hueco = [&](uint32_t i) { return n[0] + kNodoEntradas + i * kLongEntrada + kEntradaHijo; };
  // Child slots are looked at past the entry count, up to an empty one; a repeated child is walked once.
  const std::pair<uint32_t, std::vector<uint32_t>> pasos[] = {
      {hueco(2), {n[0]}}, {hueco(0), {n[0], n[1]}}, {hueco(1), {n[0], n[1], n[2]}}};
  const uint32_t hijos[] = {n[2], n[1], n[1]};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    PonerPalabra(b, pasos[i].first, hijos[i]);
    auto a = Abrir(b);
    ASSERT_TRUE(a);
    EXPECT_EQ(RecorrerArbol(*a, m.raiz, 100), pasos[i].second);
  }
}

TEST_F(DbxTest, ListaDeCarpetasDejaFuera9712SoloEnLaEntrada0) {
  pruebas::AlmacenDbx d;
  for (uint32_t i = 1; i <= 5; ++i) d.carpetas.push_back(pruebas::Carpeta(i, 0, "C" + std::to_string(i)));
  d.arbol = {3, pruebas::FormaArbol::kCadena08};
  const pruebas::MapaDbx m = pruebas::ConstruirFoldersDbx(d);
  const auto& o = m.objetos;
  ASSERT_EQ(LeerPalabra(m.bytes, m.nodos[0] + kNodoEntradas), kPosObjetoRaiz);
  struct Caso {
    const char* nombre;
    Cambio cambio;
    std::vector<uint32_t> esperado;
  };
  const Caso casos[] = {
      {"tal como se escribio", {}, o},
      {"9712 en la entrada 1", {m.nodos[0] + kNodoEntradas + kLongEntrada, kPosObjetoRaiz},
       {kPosObjetoRaiz, o[1], o[2], o[3], o[4]}},
      {"9712 en la entrada 0 del segundo nodo", {m.nodos[1] + kNodoEntradas, kPosObjetoRaiz}, {o[0], o[1], o[3], o[4]}},
      {"entrada a 0", {m.nodos[1] + kNodoEntradas + kLongEntrada, 0}, {o[0], o[1], o[2], o[4]}},
      {"nodo sin entradas", {m.nodos[1] + kNodoCuenta, 0}, {o[0], o[1]}},
      {"cuenta con el byte bajo puesto", {m.nodos[1] + kNodoCuenta, (3u << 8) | 0xFF}, o},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    auto a = Abrir(m.bytes, caso.cambio, TipoDbx::kCarpetas);
    ASSERT_TRUE(a);
    EXPECT_EQ(ListaObjetosCarpetas(*a, RecorrerArbol(*a, m.raiz, kMaxNodosCarpetas)), caso.esperado);
  }
  // The list stops at its capacity.
  d.carpetas.assign(2100, pruebas::Carpeta(1, 0, "C"));
  d.arbol = {51, pruebas::FormaArbol::kMixto};
  const pruebas::MapaDbx grande = pruebas::ConstruirFoldersDbx(d);
  auto a = Abrir(grande.bytes, {}, TipoDbx::kCarpetas);
  ASSERT_TRUE(a);
  const auto lista = ListaObjetosCarpetas(*a, RecorrerArbol(*a, grande.raiz, kMaxNodosCarpetas));
  EXPECT_EQ(lista, std::vector<uint32_t>(grande.objetos.begin(), grande.objetos.begin() + kMaxObjetosCarpetas));
}

TEST_F(DbxTest, ObjetoYCadenasDelAreaDeDatos) {
  pruebas::ArchivoMensajesDbx d;
  d.mensajes = {pruebas::Mensaje(0xABCDEF, "texto", 0x0102030405060708ull)};
  d.mensajes[0].asunto = std::string(300, 'n');
  const pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
  auto a = Abrir(m.bytes);
  ASSERT_TRUE(a);
  ObjetoDbx o;
  ASSERT_TRUE(LeerObjeto(*a, m.objetos[0], &o));
  EXPECT_EQ(o.TablaIndices[kIdMensaje], 0xABCDEFu);
  EXPECT_EQ(o.TablaIndices[kIdBloqueTexto], m.bloques[0][0]);
  EXPECT_EQ(o.TablaIndices[0x55], 0u);
  uint8_t fecha[8];
  ASSERT_TRUE(a->Leer(o.inicio_datos, fecha, 8));
  EXPECT_EQ(fecha[0], 0x08);
  // Strings are cut at the buffer, at the end of the data area, and none starts past it.
  char cadena[256];
  ASSERT_TRUE(LeerCadenaDatos(*a, o, o.TablaIndices[kIdAsunto], cadena, sizeof cadena));
  EXPECT_EQ(std::string(cadena), std::string(255, 'n'));
  EXPECT_FALSE(LeerCadenaDatos(*a, o, o.long_datos, cadena, sizeof cadena));
  EXPECT_STREQ(cadena, "");
  ObjetoDbx corto = o;
  corto.long_datos = o.TablaIndices[kIdAsunto] + 6;
  ASSERT_TRUE(LeerCadenaDatos(*a, corto, o.TablaIndices[kIdAsunto], cadena, sizeof cadena));
  EXPECT_STREQ(cadena, "nnnnnn");
  // A repeated id keeps the last value.
  const uint32_t n = m.bytes[m.objetos[0] + kObjNumIndices];
  a = Abrir(m.bytes, {m.objetos[0] + kLongCabObjeto + 4 * (n - 1), 0xFFFFFF80u});
  ASSERT_TRUE(LeerObjeto(*a, m.objetos[0], &o));
  EXPECT_EQ(o.TablaIndices[kIdMensaje], 0xFFFFFFu);
}

TEST_F(DbxTest, ObjetoQueSaleDelArchivo) {
  const pruebas::MapaDbx m = Construir({"texto"});
  const uint32_t o = m.objetos[0];
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  const uint32_t indices = 4 * m.bytes[o + kObjNumIndices];
  struct Caso {
    const char* nombre;
    uint32_t pos_objeto;
    uint32_t cuerpo;  // 0: as written
    bool valido;
  };
  const Caso casos[] = {
      {"intacto", o, 0, true},
      {"posicion 0", 0, 0, false},
      {"posicion al final", tamano, 0, false},
      {"cabecera cortada", tamano - kLongCabObjeto + 1, 0, false},
      {"cuerpo mayor que el archivo", o, tamano, false},
      {"cuerpo hasta el final justo", o, tamano - o - kLongCabObjeto, true},
      {"cuerpo un byte mas alla", o, tamano - o - kLongCabObjeto + 1, false},
      {"cuerpo maximo", o, 0xFFFFFFFFu, false},
      {"indices mas largos que el cuerpo", o, indices - 1, false},
      {"cuerpo de solo indices", o, indices, true},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    auto a = Abrir(m.bytes, {caso.cuerpo != 0 ? o + kObjLongCuerpo : kSinCambio, caso.cuerpo});
    ASSERT_TRUE(a);
    ObjetoDbx obj;
    EXPECT_EQ(LeerObjeto(*a, caso.pos_objeto, &obj), caso.valido);
  }
}

// A damaged chain reads as an error with its reason, and a rewrite leaves it as it was: with a
// head inside a block's text written over, the rest of the text would go anywhere.
TEST_F(DbxTest, CadenaDeBloques) {
  const pruebas::MapaDbx m = Construir({ConCabeceraFalsa(1300, 'q')});
  const auto& bl = m.bloques[0];
  ASSERT_EQ(bl.size(), 3u);
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    Cambio cambio;
    std::size_t longitud;  // read; 0 with any reason but kValida
    MotivoCadena motivo;
  };
  const Caso casos[] = {
      {"intacta", {}, 1300, MotivoCadena::kValida},
      {"capacidad 513", {bl[0] + kBloqueCapacidad, 513}, 0, MotivoCadena::kCabeceraInvalida},
      {"capacidad maxima", {bl[1] + kBloqueCapacidad, 0xFFFFFFFFu}, 0, MotivoCadena::kCabeceraInvalida},
      {"usado mayor que la capacidad", {bl[2] + kBloqueUsado, 513}, 0, MotivoCadena::kCabeceraInvalida},
      {"usado igual a la capacidad", {bl[2] + kBloqueUsado, 512}, 1024 + 512, MotivoCadena::kValida},
      {"usado 0 en medio", {bl[1] + kBloqueUsado, 0}, 1300 - 512, MotivoCadena::kValida},
      {"siguiente a si mismo", {bl[1] + kBloqueSiguiente, bl[1]}, 0, MotivoCadena::kCiclo},
      {"siguiente al primero", {bl[2] + kBloqueSiguiente, bl[0]}, 0, MotivoCadena::kCiclo},
      {"siguiente al anterior", {bl[2] + kBloqueSiguiente, bl[1]}, 0, MotivoCadena::kCiclo},
      {"siguiente fuera del archivo", {bl[0] + kBloqueSiguiente, tamano}, 0, MotivoCadena::kFueraDelArchivo},
      {"siguiente con la cabecera cortada", {bl[0] + kBloqueSiguiente, tamano - 15}, 0, MotivoCadena::kFueraDelArchivo},
      {"siguiente 0 corta la cadena", {bl[0] + kBloqueSiguiente, 0}, 512, MotivoCadena::kValida},
      {"siguiente dentro del texto del primero", {bl[0] + kBloqueSiguiente, bl[0] + kLongCabBloque + kFalsa}, 0,
       MotivoCadena::kSolape},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    auto a = Abrir(m.bytes, caso.cambio);
    ASSERT_TRUE(a);
    const TextoLeido r = Leer(*a, bl[0]);
    EXPECT_EQ(r.resultado, caso.motivo == MotivoCadena::kValida ? OE_OK : OE_ERROR);
    EXPECT_EQ(r.longitud, caso.longitud);
    EXPECT_EQ(r.texto.size(), caso.longitud);
    std::vector<BloqueCadena> bloques;
    EXPECT_EQ(RecorrerCadena(*a, bl[0], AlcanceCadena::kTexto, &bloques), caso.motivo);
    if (caso.motivo == MotivoCadena::kValida) continue;
    const std::vector<uint8_t> antes = dir_.Leer("a.dbx");
    const std::string nueva(5000, 'n');
    EXPECT_EQ(ReescribirCadena(*a, bl[0], 5000, nueva.data(), 5000), 0u);
    a.reset();
    EXPECT_EQ(dir_.Leer("a.dbx"), antes);
  }
  // The last block's room must lie inside the file, although its text is shorter.
  std::vector<uint8_t> corto = m.bytes;
  corto.resize(bl[2] + kLongCabBloque + 300);
  auto a = Abrir(corto);
  ASSERT_TRUE(a);
  std::vector<BloqueCadena> bloques;
  EXPECT_EQ(RecorrerCadena(*a, bl[0], AlcanceCadena::kTexto, &bloques), MotivoCadena::kValida);
  EXPECT_EQ(RecorrerCadena(*a, bl[0], AlcanceCadena::kCapacidad, &bloques), MotivoCadena::kFueraDelArchivo);
  EXPECT_EQ(ReescribirCadena(*a, bl[0], 1300, "x", 1), 0u);
}

TEST_F(DbxTest, CadenasVaciasCortadasYQueNoSeCierran) {
  {
    const pruebas::MapaDbx vacia = Construir({""});
    const TextoLeido r = Leer(*Abrir(vacia.bytes), vacia.bloques[0][0]);
    EXPECT_EQ(r.resultado, OE_OK);
    EXPECT_EQ(r.longitud, 0u);
  }
  // The last block's text cut by the end of the file, then just whole.
  const pruebas::MapaDbx m = Construir({std::string(600, 'z')});
  std::vector<uint8_t> b = m.bytes;
  b.resize(m.bloques[0][1] + kLongCabBloque + 87);
  EXPECT_EQ(Leer(*Abrir(b), m.bloques[0][0]).resultado, OE_ERROR);
  b.resize(m.bloques[0][1] + kLongCabBloque + 88);
  EXPECT_EQ(Leer(*Abrir(b), m.bloques[0][0]).longitud, 600u);

  const pruebas::MapaDbx larga = Construir({std::string(40 * 512, 'c')});
  const auto& bl = larga.bloques[0];
  // Blocks with nothing used that point round in a long cycle.
  b = larga.bytes;
  for (uint32_t p : bl) PonerPalabra(b, p + kBloqueUsado, 0);
  PonerPalabra(b, bl.back() + kBloqueSiguiente, bl[3]);
  EXPECT_EQ(Leer(*Abrir(b), bl[0]).resultado, OE_ERROR);
  // Each block's next head inside its own text: the text it claims outgrows the file, which
  // ends the read before any buffer is sized by it.
  b = larga.bytes;
  for (uint32_t p = bl[0]; p + 2 * kLongCabBloque + 512 < b.size(); p += kLongCabBloque) {
    PonerPalabra(b, p + kBloqueCapacidad, 512);
    PonerPalabra(b, p + kBloqueUsado, 512);
    PonerPalabra(b, p + kBloqueSiguiente, p + kLongCabBloque);
  }
  const TextoLeido r = Leer(*Abrir(b), bl[0]);
  EXPECT_EQ(r.resultado, OE_ERROR);
  EXPECT_EQ(r.longitud, 0u);
}

TEST_F(DbxTest, ReescribirEnSuSitio) {
  struct Caso {
    std::size_t vieja;
    std::size_t nueva;
    uint32_t usado_segundo;  // used count given to the second block first (0xFF: as written)
    uint32_t escritos;
    // Heads (capacity, used, next-is-zero) of the old chain's blocks afterwards.
    std::vector<std::array<uint32_t, 3>> cabeceras;
  };
  const Caso casos[] = {
      {700, 800, 0xFF, 800, {{512, 512, 0}, {288, 288, 1}}},
      {700, 300, 0xFF, 300, {{300, 300, 1}, {512, 188, 1}}},
      {700, 700, 0xFF, 700, {{512, 512, 0}, {188, 188, 1}}},
      {1024, 512, 0xFF, 512, {{512, 512, 0}, {0, 0, 1}}},
      {1024, 1024, 0xFF, 1024, {{512, 512, 0}, {512, 512, 1}}},
      // Past the old chain's room: cut there, the last block's head full.
      {700, 1100, 0xFF, 1024, {{512, 512, 0}, {512, 512, 1}}},
      {1020, 1030, 0xFF, 1024, {{512, 512, 0}, {512, 512, 1}}},
      {700, 0, 0xFF, 0, {{0, 0, 1}, {512, 188, 1}}},
      // Blocks after the one where the new text ends stay in the file, unreferenced.
      {1300, 512, 0xFF, 512, {{512, 512, 0}, {0, 0, 1}, {512, 276, 1}}},
      // Blocks not full: the old text reaching into the third block takes all three whole; an
      // old length reached in the second ends the chain there although the third holds text.
      {1300, 2000, 300, 1536, {}},
      {1300, 2000, 0, 1024, {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(std::to_string(caso.vieja) + " -> " + std::to_string(caso.nueva) + " / " +
                 std::to_string(caso.usado_segundo));
    const pruebas::MapaDbx m = Construir({std::string(caso.vieja, 'v')});
    const auto& bl = m.bloques[0];
    const Cambio cambio = {caso.usado_segundo != 0xFF ? bl[1] + kBloqueUsado : kSinCambio, caso.usado_segundo};
    auto a = Abrir(m.bytes, cambio);
    ASSERT_TRUE(a);
    const uint32_t vieja = Leer(*a, bl[0]).longitud;
    std::string nueva(caso.nueva, 'a');
    for (std::size_t i = 0; i < nueva.size(); ++i) nueva[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(ReescribirCadena(*a, bl[0], vieja, nueva.data(), static_cast<uint32_t>(nueva.size())), caso.escritos);
    a.reset();
    const std::vector<uint8_t> b = dir_.Leer("a.dbx");
    ASSERT_EQ(b.size(), m.bytes.size());
    for (std::size_t i = 0; i < caso.cabeceras.size(); ++i) {
      SCOPED_TRACE(i);
      const uint32_t p = bl[i];
      EXPECT_EQ(LeerPalabra(b, p + kBloquePropio), p);
      EXPECT_EQ(LeerPalabra(b, p + kBloqueCapacidad), caso.cabeceras[i][0]);
      EXPECT_EQ(LeerPalabra(b, p + kBloqueUsado), caso.cabeceras[i][1]);
      EXPECT_EQ(LeerPalabra(b, p + kBloqueSiguiente) == 0, caso.cabeceras[i][2] == 1);
    }
    a = ArchivoDbx::AbrirYComprobar(ruta_, TipoDbx::kMensajes);
    const TextoLeido r = Leer(*a, bl[0]);
    ASSERT_EQ(r.resultado, OE_OK);
    EXPECT_EQ(r.texto, nueva.substr(0, caso.escritos));
  }
}

}  // namespace
}  // namespace orvex::oe5
