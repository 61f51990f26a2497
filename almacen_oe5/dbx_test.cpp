// The container operations on files the builder writes, damaged one field at a time.
#include "almacen_oe5/dbx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/volcado.h"
#include "soporte/memoria.h"

namespace orvex::oe5 {
namespace {

using namespace orvex::dbx;
using pruebas::PonerPalabra;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe5.inc"
    ;

// A word to damage.
struct Cambio {
  uint32_t pos;
  uint32_t valor;
};

class DbxTest : public ::testing::Test {
 protected:
  // The image with some words damaged, written out and opened for reading and writing.
  std::optional<ArchivoDbx> Abrir(std::vector<uint8_t> bytes, const std::vector<Cambio>& cambios = {}) {
    for (const Cambio& c : cambios) PonerPalabra(bytes, c.pos, c.valor);
    return ArchivoDbx::AbrirYComprobar(dir_.Escribir("a.dbx", bytes), TipoDbx::kMensajes,
                                       ArchivoDbx::Modo::kLecturaEscritura);
  }

  pruebas::DirectorioTemporal dir_;
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

// A chain read whole: the result, the length and the text.
std::string Leer(const ArchivoDbx& a, uint32_t bloque) {
  char* t = nullptr;
  uint32_t n = 99;
  const uint32_t r = LeerCadena(a, bloque, &t, &n);
  const std::string texto = t == nullptr ? "" : std::string(t, n);
  EXPECT_TRUE(t == nullptr || t[n] == '\0');
  MEM_LiberarSiNoNulo(t);
  return "resultado=" + std::to_string(r) + " longitud=" + std::to_string(n) + " texto=" + pruebas::Resumido(texto);
}

// What the container reads of a message file: its header's tree words, the tree walked from its
// root, each object's id, each text chain (result, length, text, reasons for the text and the
// room); then a rewrite of the first chain, which a damaged chain refuses leaving the file as it was.
std::string Ver(const pruebas::DirectorioTemporal& dir, std::optional<ArchivoDbx> a, const pruebas::MapaDbx& m,
                uint32_t capacidad) {
  if (!a) return "no abre\n";
  const char* const motivos[] = {"valida", "fuera", "cabecera", "ciclo", "solape", "larga"};
  std::ostringstream o;
  o << "cabecera arbol=" << a->Cabecera(kCabArbolMensajes) << " carpetas=" << a->Cabecera(kCabArbolCarpetas)
    << "\narbol";
  for (const uint32_t n : RecorrerArbol(*a, a->Cabecera(kCabArbolMensajes), capacidad)) o << ' ' << n;
  o << "\nobjetos";
  for (const uint32_t p : m.objetos) {
    ObjetoDbx obj;
    o << ' ' << (LeerObjeto(*a, p, &obj) ? std::to_string(obj.TablaIndices[kIdMensaje]) : "-");
  }
  o << '\n';
  for (const auto& bl : m.bloques) {
    std::vector<BloqueCadena> bloques;
    o << "cadena " << bl[0] << " " << Leer(*a, bl[0]) << " motivo=" << motivos[static_cast<int>(RecorrerCadena(*a, bl[0], AlcanceCadena::kTexto, &bloques))] << ","
      << motivos[static_cast<int>(RecorrerCadena(*a, bl[0], AlcanceCadena::kCapacidad, &bloques))] << '\n';
  }
  const std::vector<uint8_t> antes = dir.Leer("a.dbx");
  const std::string nueva(5000, 'n');
  o << "reescritura " << ReescribirCadena(*a, m.bloques[0][0], 5000, nueva.data(), 5000);
  o << " relee " << Leer(*a, m.bloques[0][0]);
  a.reset();
  return o.str() + (dir.Leer("a.dbx") == antes ? " archivo igual\n" : " archivo cambiado\n");
}

// One word (or a few) damaged, or the file cut short, in a tree of six one-message nodes linked
// through +0x08 and in a three-block text that holds a sound block head in its first block.
TEST_F(DbxTest, DaniosDelArchivoDeMensajes) {
  const pruebas::MapaDbx arbol = Construir(std::vector<std::string>(6, "t"), {1, pruebas::FormaArbol::kCadena08});
  const pruebas::MapaDbx texto = Construir({ConCabeceraFalsa(1300, 'q')});
  const pruebas::MapaDbx vacia = Construir({""});
  const pruebas::MapaDbx corta = Construir({std::string(600, 'z')});
  const pruebas::MapaDbx larga = Construir({std::string(40 * 512, 'c')});
  // Blocks with nothing used that point round in a long cycle; then each block's next head
  // inside its own text, so that the text it claims outgrows the file, which ends the read
  // before any buffer is sized by it.
  std::vector<Cambio> ciclo_largo, cabeceras_dentro;
  for (const uint32_t p : larga.bloques[0]) ciclo_largo.push_back({p + kBloqueUsado, 0});
  ciclo_largo.push_back({larga.bloques[0].back() + kBloqueSiguiente, larga.bloques[0][3]});
  for (uint32_t p = larga.bloques[0][0]; p + 2 * kLongCabBloque + 512 < larga.bytes.size(); p += kLongCabBloque) {
    cabeceras_dentro.insert(cabeceras_dentro.end(), {{p + kBloqueCapacidad, 512}, {p + kBloqueUsado, 512}});
    cabeceras_dentro.push_back({p + kBloqueSiguiente, p + kLongCabBloque});
  }
  const auto& n = arbol.nodos;
  const auto& bl = texto.bloques[0];
  ASSERT_EQ(bl.size(), 3u);
  const uint32_t tamano = static_cast<uint32_t>(arbol.bytes.size());
  const uint32_t tam_texto = static_cast<uint32_t>(texto.bytes.size());
  const uint32_t o = arbol.objetos[0];
  const uint32_t indices = 4 * arbol.bytes[o + kObjNumIndices];
  // Child slots are looked at past the entry count, up to an empty one; a repeated child is
  // walked once.
  std::vector<Cambio> sin_hijos;
  for (const uint32_t nodo : n) sin_hijos.push_back({nodo + kNodoHijo, 0});
  const auto huecos = [&](std::vector<uint32_t> hijos) {
    std::vector<Cambio> c = sin_hijos;
    for (uint32_t i = 0; i < hijos.size(); ++i) {
      c.push_back({n[0] + kNodoEntradas + i * kLongEntrada + kEntradaHijo, hijos[i]});
    }
    return c;
  };
  struct Caso {
    const char* nombre;
    const pruebas::MapaDbx& base;
    std::vector<Cambio> cambios;
    std::size_t largo = SIZE_MAX;  // the image cut to this length
    uint32_t capacidad = 100;      // of the tree walk
  };
  const Caso casos[] = {
      {"arbol intacto", arbol, {}},
      {"otro tipo de dbx", arbol, {{4, 0x26FE9D30}}},
      {"cabecera sin su ultimo byte", arbol, {}, kLeidoCabeceraMensajes - 1},
      {"cabecera justa", arbol, {}, kLeidoCabeceraMensajes},
      {"capacidad del arbol", arbol, {}, SIZE_MAX, 4},
      {"+0x08 a si mismo", arbol, {{n[2] + kNodoHijo, n[2]}}},
      {"hijo de entrada a un antecesor", arbol, {{n[3] + kNodoEntradas + kEntradaHijo, n[1]}}},
      {"hijo cuyo final queda fuera", arbol, {{n[1] + kNodoHijo, tamano - kLongCabNodo + 4}}},
      {"raiz 0", arbol, {{kCabArbolMensajes, 0}}},
      {"cuenta enorme en la raiz", arbol, {{n[0] + kNodoCuenta, 0xFFFFFF00u}}},
      {"hijo repetido en los huecos", arbol, huecos({n[1], n[1], n[2]})},
      {"cuerpo un byte mas alla", arbol, {{o + kObjLongCuerpo, tamano - o - kLongCabObjeto + 1}}},
      {"indices mas largos que el cuerpo", arbol, {{o + kObjLongCuerpo, indices - 1}}},
      {"cuerpo de solo indices", arbol, {{o + kObjLongCuerpo, indices}}},
      {"cadena intacta", texto, {}},
      {"capacidad 513", texto, {{bl[0] + kBloqueCapacidad, 513}}},
      {"usado mayor que la capacidad", texto, {{bl[2] + kBloqueUsado, 513}}},
      {"usado igual a la capacidad", texto, {{bl[2] + kBloqueUsado, 512}}},
      {"siguiente al anterior", texto, {{bl[2] + kBloqueSiguiente, bl[1]}}},
      {"siguiente con la cabecera cortada", texto, {{bl[0] + kBloqueSiguiente, tam_texto - 15}}},
      {"siguiente 0 corta la cadena", texto, {{bl[0] + kBloqueSiguiente, 0}}},
      {"siguiente dentro del texto del primero", texto, {{bl[0] + kBloqueSiguiente, bl[0] + kLongCabBloque + kFalsa}}},
      // The last block's room must lie inside the file, although its text is shorter.
      {"sitio del ultimo bloque cortado", texto, {}, bl[2] + kLongCabBloque + 300},
      {"texto vacio", vacia, {}},
      // The last block's text cut by the end of the file, then just whole.
      {"texto del ultimo bloque cortado", corta, {}, corta.bloques[0][1] + kLongCabBloque + 87},
      {"texto del ultimo bloque justo", corta, {}, corta.bloques[0][1] + kLongCabBloque + 88},
      {"ciclo largo sin nada usado", larga, ciclo_largo},
      {"cabeceras dentro del texto", larga, cabeceras_dentro},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = caso.base.bytes;
    b.resize(std::min(b.size(), caso.largo));
    EXPECT_VOLCADO(kVolcados, "volcados_oe5", std::string("dbx ") + caso.nombre,
                   Ver(dir_, Abrir(b, caso.cambios), caso.base, caso.capacidad));
  }
  // An object that starts outside the file, or whose head is cut.
  auto a = Abrir(arbol.bytes);
  ObjetoDbx obj;
  for (const uint32_t p : {0u, tamano, tamano - kLongCabObjeto + 1}) EXPECT_FALSE(LeerObjeto(*a, p, &obj)) << p;
  EXPECT_FALSE(ArchivoDbx::AbrirYComprobar(dir_.RutaDe("no-existe.dbx"), TipoDbx::kMensajes).has_value());
}

}  // namespace
}  // namespace orvex::oe5
