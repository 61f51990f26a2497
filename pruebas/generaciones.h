// Stores of every generation behind one face, for the suites that each generation runs: an
// example store installed with the registry that leads to it, the 32-bit fields of its files
// that a damage test changes one at a time, and a careful host's walk over the exports.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe5/formato_dbx.h"
#include "api/orvex.h"
#include "pruebas/host/host_recorrido.h"
#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {

// A 32-bit field of a file image; "pointing at itself" sets it to the structure that holds it.
struct Campo {
  std::string nombre;
  uint32_t pos;
  uint32_t propio;
};

// The image with the field set to 0, the maximum, one off either way, the file's size, itself.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> Danios(const std::vector<uint8_t>& b,
                                                                      const Campo& c) {
  const uint32_t v = LeerPalabra(b, c.pos);
  const std::pair<const char*, uint32_t> valores[] = {
      {"0", 0}, {"max", 0xFFFFFFFFu}, {"+1", v + 1}, {"-1", v - 1}, {"size", static_cast<uint32_t>(b.size())},
      {"self", c.propio}};
  std::vector<std::pair<std::string, std::vector<uint8_t>>> imagenes;
  for (const auto& [nombre, valor] : valores) {
    imagenes.emplace_back(c.nombre + " = " + nombre, b);
    PonerPalabra(imagenes.back().second, c.pos, valor);
  }
  return imagenes;
}

struct ArchivoDanable {
  std::string relativo;  // below the store root
  std::vector<uint8_t> bytes;
  std::vector<Campo> campos;
};

// One field per (name, offset) at each base, named "<prefijo> <i> <name>".
inline void Anadir(std::vector<Campo>& campos, const std::string& prefijo, const std::vector<uint32_t>& bases,
                   std::initializer_list<std::pair<const char*, uint32_t>> nombres) {
  for (std::size_t i = 0; i < bases.size(); ++i) {
    for (const auto& [nombre, pos] : nombres) {
      campos.push_back({prefijo + " " + std::to_string(i) + " " + nombre, bases[i] + pos, bases[i]});
    }
  }
}

// An installed store of any generation; the store and its registry stay while this lives.
struct AlmacenDeGeneracion {
  std::shared_ptr<void> instalado;
  std::string raiz;
  std::vector<ArchivoDanable> archivos;
  void Reescribir(const ArchivoDanable& a, const std::vector<uint8_t>& b) const {
    EscribirImagen(raiz + "/" + a.relativo, b);
  }
};

// folders.dbx and Inbox.dbx: header words, every tree node and entry, object and text block.
inline AlmacenDeGeneracion InstalarOe5(const AlmacenDbx& d) {
  using namespace dbx;
  auto a = std::make_shared<AlmacenInstalado>(d);
  AlmacenDeGeneracion g{a, a->Directorio().Ruta(), {}};
  const MapaDbx& carpetas = a->Escrito().carpetas;
  const MapaDbx& entrada = a->Escrito().archivos.at("Inbox.dbx");
  g.archivos = {{"folders.dbx", carpetas.bytes, {}}, {"Inbox.dbx", entrada.bytes, {}}};
  Anadir(g.archivos[0].campos, "cabecera", {0},
         {{"raiz", kCabAreaRaiz}, {"subcarpetas", kCabNumSubCarpetas}, {"arbol", kCabArbolCarpetas}});
  Anadir(g.archivos[0].campos, "area raiz", {carpetas.area_raiz}, {{"longitud", 4}});
  Anadir(g.archivos[1].campos, "cabecera", {0},
         {{"inicio", kCabInicioObjetos}, {"long", kCabLongObjetos}, {"max id", kCabMaxIdMensaje},
          {"limite", kCabLimiteTexto}, {"num", kCabNumMensajes}, {"arbol", kCabArbolMensajes}});
  for (std::size_t k = 0; k < 2; ++k) {
    const MapaDbx& m = k == 0 ? carpetas : entrada;
    std::vector<Campo>& campos = g.archivos[k].campos;
    for (const uint32_t nodo : m.nodos) {
      std::vector<uint32_t> entradas;
      for (uint32_t i = 0; i < LeerPalabra(m.bytes, nodo + kNodoCuenta) >> 8; ++i) {
        entradas.push_back(nodo + kNodoEntradas + i * kLongEntrada);
      }
      Anadir(campos, "nodo", {nodo}, {{"+0x08", kNodoHijo}, {"cuenta", kNodoCuenta}});
      Anadir(campos, "entrada", entradas, {{"objeto", kEntradaObjeto}, {"hijo", kEntradaHijo}});
    }
    for (const uint32_t obj : m.objetos) {
      const uint32_t datos = kLongCabObjeto + 4 * m.bytes[obj + kObjNumIndices];
      Anadir(campos, "objeto", {obj},
             {{"cuerpo", kObjLongCuerpo}, {"+8", 8}, {"datos", datos}, {"datos+8", datos + 8}});
      for (uint32_t i = 0; i < m.bytes[obj + kObjNumIndices]; ++i) {
        Anadir(campos, "objeto indice", {obj}, {{"", kLongCabObjeto + 4 * i}});
      }
    }
    for (const auto& cadena : m.bloques) {
      Anadir(campos, "bloque", cadena,
             {{"capacidad", kBloqueCapacidad}, {"usado", kBloqueUsado}, {"siguiente", kBloqueSiguiente}});
    }
  }
  return g;
}

// folders.nch, Inbox's .idx/.mbx pair, the news account's sublist.dat and its first group.
inline AlmacenDeGeneracion InstalarOe4(const AlmacenOe4& d) {
  using namespace oe4fmt;
  auto a = std::make_shared<AlmacenOe4Instalado>(d);
  AlmacenDeGeneracion g{a, a->Directorio().Ruta(), {}};
  const AlmacenOe4Escrito& e = a->Escrito();
  const MapaIdxMbx& par = e.pares.at("Inbox");
  const MapaSublist& sub = e.sublists.at("news.example.com");
  const std::string ruta_grupo = "News/news.example.com/" + NombreArchivoGrupo(1);
  const MapaGrupo& grupo = e.grupos.at(ruta_grupo);
  g.archivos = {
      {"mail/folders.nch", e.folders.bytes, {{"cabecera primero", kNchPrimero, 0}}},
      {"mail/Inbox.idx", par.idx, {{"FinRegistros", kIdxFinRegistros, 0}}},
      {"mail/Inbox.mbx", par.mbx, {{"UltimoId", kMbxUltimoId, 0}}},
      {"News/news.example.com/sublist.dat", sub.bytes, {{"NumGrupos", kSubNumGrupos, 0}}},
      {ruta_grupo, grupo.bytes, {{"PosPrimero", kNchPrimero, 0}, {"LongArea", kNchLongArea, 0}}},
  };
  Anadir(g.archivos[0].campos, "carpeta", e.folders.registros,
         {{"PosPropia", kCarPosPropia}, {"PosSiguiente", kCarPosSiguiente}, {"IdCarpeta", kCarIdCarpeta},
          {"IdPadre", kCarIdPadre}, {"IdFin", kCarIdFin}, {"NumSubCarpetas", kCarNumSubCarpetas},
          {"NumMensajes", kCarNumMensajes}});
  Anadir(g.archivos[1].campos, "registro", par.registros,
         {{"Marcas", kRegMarcas}, {"IdSustituto", kRegIdSustituto}, {"IdMensaje", kRegIdMensaje},
          {"PosPropia", kRegPosPropia}, {"LongRegistro", kRegLongRegistro}, {"PosBloque", kRegPosBloque},
          {"LongExtra", kRegLongExtra}});
  for (const uint32_t r : par.registros) {  // the counted texts' lengths
    uint32_t t = r + kLongFijoRegistro + LeerPalabra(par.idx, r + kRegLongExtra) + 8 * kNumFechas + kLongTrasFechas;
    for (uint32_t k = 0; k < kNumTextos; ++k, t += 4 + LeerPalabra(par.idx, t)) {
      g.archivos[1].campos.push_back({"texto " + std::to_string(k) + " en " + std::to_string(r), t, r});
    }
  }
  Anadir(g.archivos[2].campos, "bloque", par.bloques,
         {{"Id", kMbxBloqueId}, {"TamBloque", kMbxBloqueTam}, {"LongTexto", kMbxBloqueLongTexto}});
  for (uint32_t k = 0; k < kGrpNumTextos; ++k) {
    Anadir(g.archivos[3].campos, "grupo", sub.entradas,
           {{"NumFichero", kGrpNumFichero}, {"long de un texto", kGrpLongNombre + 4 * k}});
  }
  Anadir(g.archivos[4].campos, "articulo", grupo.articulos,
         {{"PosPropia", kArtPosPropia}, {"PosSiguiente", kArtPosSiguiente}, {"PosBloque", kArtPosBloque},
          {"LongArticulo", kArtLongArticulo}});
  for (const auto& cadena : grupo.bloques) {
    Anadir(g.archivos[4].campos, "bloque", cadena,
           {{"Capacidad", kNchBloqueCapacidad}, {"Usados", kNchBloqueUsados}, {"PosSiguiente", kNchBloqueSiguiente}});
  }
  return g;
}

// Inbox's .idx/.mbx pair, cut short or with random bytes; what each of their fields does when
// damaged has its own table of results beside this store.
inline AlmacenDeGeneracion InstalarImn(const std::vector<BuzonImn>& buzones) {
  auto a = std::make_shared<AlmacenImnInstalado>(buzones);
  const MapaImn& m = a->Mapa("Inbox");
  return {a, a->Directorio().Ruta(), {{"Mail/Inbox.idx", m.idx, {}}, {"Mail/Inbox.mbx", m.mbx, {}}}};
}

// A host's enumerations: every call answers a result code and every walk ends by itself.

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

inline bool Contiene(const std::vector<OE_ENTRYID>& ids, OE_ENTRYID id) {
  return std::any_of(ids.begin(), ids.end(),
                     [&](const OE_ENTRYID& x) { return x.IdCarpeta == id.IdCarpeta && x.PosCarpeta == id.PosCarpeta; });
}

inline auto Hijas(OE_CARPETA* padre) {
  return [padre](OE_CARPETA** x, uint32_t modo) { return OE_ObtenerSubCarpetas(padre, x, modo); };
}

// The host walk of pruebas/host over every export, through the linked library (what it writes
// is not kept: the walk must end, and the sanitizer build checks every call it makes), then the
// folder listing once more, whose every answer must be a code a host expects.
inline void RecorrerComoHost() {
  static const DirectorioTemporal dir;
  const FUNCIONES_ORVEX enlazadas = FUNCIONES_ORVEX_ENLAZADAS;
  std::FILE* salida = std::fopen(dir.RutaDe("recorrido.txt").c_str(), "wb");
  ASSERT_NE(salida, nullptr);
  RecorrerAlmacen(&enlazadas, salida);
  std::fclose(salida);
  CarpetasHost(OE_ObtenerCarpetas);
}

}  // namespace orvex::pruebas
