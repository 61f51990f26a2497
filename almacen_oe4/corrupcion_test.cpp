// Damaged stores: one field at a time set to 0, the maximum, one off, the file's size or the
// offset of its own structure; then truncated files. Every walk over folders, subfolders,
// news groups and messages must end by itself with result codes: no crash, no hang, and no
// allocation beyond what the file holds (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/prueba_oe4.h"
#include "pruebas/danios.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

constexpr std::size_t kLimite = 1000;

struct Campo {
  std::string nombre;
  uint32_t pos;
  uint32_t propio;
};


std::vector<uint8_t> Danar(std::vector<uint8_t> b, const Campo& c, Danio d) {
  const uint32_t v = LeerPalabra(b, c.pos);
  uint32_t nuevo = v;
  switch (d) {
    case Danio::kCero: nuevo = 0; break;
    case Danio::kMaximo: nuevo = 0xFFFFFFFFu; break;
    case Danio::kMasUno: nuevo = v + 1; break;
    case Danio::kMenosUno: nuevo = v - 1; break;
    case Danio::kFinal: nuevo = static_cast<uint32_t>(b.size()); break;
    case Danio::kPropio: nuevo = c.propio; break;
  }
  PonerPalabra(b, c.pos, nuevo);
  return b;
}

// Lists a folder's messages, then its subfolders and theirs, by entry id. False when a walk
// did not end by itself.
bool RecorrerCarpeta(uint32_t id, uint32_t pos, int profundidad) {
  CarpetaPorId c(id, pos);
  if (c.Resultado() != OE_OK) return true;
  uint32_t fin = 0;
  if (Mensajes(c.Puntero(), &fin).size() >= kLimite) return false;
  if (profundidad == 0) return true;
  std::vector<std::pair<uint32_t, uint32_t>> hijas;
  OE_CARPETA* h = nullptr;
  uint32_t r = OE_ObtenerSubCarpetas(c.Puntero(), &h, OE_PRIMERO);
  if (r == OE_OK) r = OE_ObtenerSubCarpetas(c.Puntero(), &h, OE_SIGUIENTE);
  while (r == OE_OK && hijas.size() < kLimite) {
    hijas.emplace_back(h->IdCarpeta, h->PosCarpeta);
    r = OE_ObtenerSubCarpetas(c.Puntero(), &h, OE_SIGUIENTE);
  }
  if (h != nullptr) OE_ObtenerSubCarpetas(c.Puntero(), &h, OE_CERRAR);
  if (hijas.size() >= kLimite) return false;
  for (const auto& [hid, hpos] : hijas) {
    if (!RecorrerCarpeta(hid, hpos, profundidad - 1)) return false;
  }
  return true;
}

// Every walk a host can make over the store.
void RecorrerTodo() {
  uint32_t fin = 0;
  EXPECT_LT(Recorrer(OE_ObtenerCarpetasPrincipales, &fin, kLimite).size(), kLimite);
  std::vector<std::pair<uint32_t, uint32_t>> ids;
  OE_CARPETA* c = nullptr;
  uint32_t r = OE_ObtenerCarpetas(&c, OE_PRIMERO);
  while (r == OE_OK && ids.size() < kLimite) {
    ids.emplace_back(c->IdCarpeta, c->PosCarpeta);
    r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
  }
  if (c != nullptr) OE_ObtenerCarpetas(&c, OE_CERRAR);
  ASSERT_LT(ids.size(), kLimite);
  // The news account and the mail folders, whatever the walk reached.
  ids.emplace_back(0x80000001u, 0);
  for (const auto& [id, pos] : ids) EXPECT_TRUE(RecorrerCarpeta(id, pos, 2));
}

std::vector<Campo> CamposFolders(const AlmacenOe4Escrito& e) {
  std::vector<Campo> campos = {{"cabecera primero", kNchPrimero, 0}};
  for (std::size_t i = 0; i < e.folders.registros.size(); ++i) {
    const uint32_t r = e.folders.registros[i];
    const std::string n = "carpeta " + std::to_string(i) + " ";
    for (auto [nombre, pos] : {std::pair{"PosPropia", kCarPosPropia}, {"PosSiguiente", kCarPosSiguiente},
                               {"IdCarpeta", kCarIdCarpeta}, {"IdPadre", kCarIdPadre}, {"IdFin", kCarIdFin},
                               {"NumSubCarpetas", kCarNumSubCarpetas}, {"NumMensajes", kCarNumMensajes}}) {
      campos.push_back({n + nombre, r + pos, r});
    }
  }
  return campos;
}

std::vector<Campo> CamposIdx(const MapaIdxMbx& par) {
  std::vector<Campo> campos = {{"FinRegistros", kIdxFinRegistros, 0}};
  for (std::size_t i = 0; i < par.registros.size(); ++i) {
    const uint32_t r = par.registros[i];
    const std::string n = "registro " + std::to_string(i) + " ";
    for (auto [nombre, pos] : {std::pair{"Marcas", kRegMarcas}, {"IdSustituto", kRegIdSustituto},
                               {"IdMensaje", kRegIdMensaje}, {"PosPropia", kRegPosPropia},
                               {"LongRegistro", kRegLongRegistro}, {"PosBloque", kRegPosBloque},
                               {"LongExtra", kRegLongExtra}}) {
      campos.push_back({n + nombre, r + pos, r});
    }
    uint32_t t = r + kLongFijoRegistro + LeerPalabra(par.idx, r + kRegLongExtra) + 8 * kNumFechas + kLongTrasFechas;
    for (uint32_t k = 0; k < kNumTextos; ++k) {
      campos.push_back({n + "texto " + std::to_string(k), t, r});
      t += 4 + LeerPalabra(par.idx, t);
    }
  }
  return campos;
}

std::vector<Campo> CamposMbx(const MapaIdxMbx& par) {
  std::vector<Campo> campos = {{"UltimoId", kMbxUltimoId, 0}};
  for (std::size_t i = 0; i < par.bloques.size(); ++i) {
    const uint32_t b = par.bloques[i];
    const std::string n = "bloque " + std::to_string(i) + " ";
    campos.push_back({n + "Id", b + kMbxBloqueId, b});
    campos.push_back({n + "TamBloque", b + kMbxBloqueTam, b});
    campos.push_back({n + "LongTexto", b + kMbxBloqueLongTexto, b});
  }
  return campos;
}

std::vector<Campo> CamposSublist(const MapaSublist& s) {
  std::vector<Campo> campos = {{"NumGrupos", kSubNumGrupos, 0}};
  for (std::size_t i = 0; i < s.entradas.size(); ++i) {
    const uint32_t e = s.entradas[i];
    const std::string n = "grupo " + std::to_string(i) + " ";
    for (uint32_t k = 0; k < kGrpNumTextos; ++k) campos.push_back({n + "long " + std::to_string(k), e + kGrpLongNombre + 4 * k, e});
    campos.push_back({n + "NumFichero", e + kGrpNumFichero, e});
  }
  return campos;
}

std::vector<Campo> CamposGrupo(const MapaGrupo& g) {
  std::vector<Campo> campos = {{"PosPrimero", kNchPrimero, 0}, {"LongArea", kNchLongArea, 0}};
  for (std::size_t i = 0; i < g.articulos.size(); ++i) {
    const uint32_t a = g.articulos[i];
    const std::string n = "articulo " + std::to_string(i) + " ";
    for (auto [nombre, pos] : {std::pair{"PosPropia", kArtPosPropia}, {"PosSiguiente", kArtPosSiguiente},
                               {"PosBloque", kArtPosBloque}, {"LongArticulo", kArtLongArticulo}}) {
      campos.push_back({n + nombre, a + pos, a});
    }
    for (std::size_t k = 0; k < g.bloques[i].size(); ++k) {
      const uint32_t b = g.bloques[i][k];
      const std::string m = n + "bloque " + std::to_string(k) + " ";
      campos.push_back({m + "Capacidad", b + kNchBloqueCapacidad, b});
      campos.push_back({m + "Usados", b + kNchBloqueUsados, b});
      campos.push_back({m + "PosSiguiente", b + kNchBloqueSiguiente, b});
    }
  }
  return campos;
}

struct ArchivoDanado {
  std::string relativo;
  std::vector<uint8_t> original;
  std::vector<Campo> campos;
};

std::vector<ArchivoDanado> Archivos(const AlmacenOe4Escrito& e) {
  const std::string grupo = "News/news.example.com/" + NombreArchivoGrupo(1);
  return {
      {"mail/folders.nch", e.folders.bytes, CamposFolders(e)},
      {"mail/Inbox.idx", e.pares.at("Inbox").idx, CamposIdx(e.pares.at("Inbox"))},
      {"mail/Inbox.mbx", e.pares.at("Inbox").mbx, CamposMbx(e.pares.at("Inbox"))},
      {"News/news.example.com/sublist.dat", e.sublists.at("news.example.com").bytes,
       CamposSublist(e.sublists.at("news.example.com"))},
      {grupo, e.grupos.at(grupo).bytes, CamposGrupo(e.grupos.at(grupo))},
  };
}

TEST(CorrupcionOe4Test, UnCampoCadaVez) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  for (const ArchivoDanado& a : Archivos(almacen.Escrito())) {
    for (const Campo& c : a.campos) {
      for (Danio d : kDanios) {
        SCOPED_TRACE(a.relativo + ": " + c.nombre + " = " + NombreDanio(d));
        almacen.Reescribir(a.relativo, Danar(a.original, c, d));
        RecorrerTodo();
      }
    }
    almacen.Reescribir(a.relativo, a.original);
  }
}

TEST(CorrupcionOe4Test, ArchivosCortados) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  for (const ArchivoDanado& a : Archivos(almacen.Escrito())) {
    const std::size_t n = a.original.size();
    for (std::size_t largo : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{83}, n / 2, n - 1}) {
      if (largo >= n) continue;
      SCOPED_TRACE(a.relativo + " cortado a " + std::to_string(largo));
      almacen.Reescribir(a.relativo, std::vector<uint8_t>(a.original.begin(), a.original.begin() + largo));
      RecorrerTodo();
    }
    almacen.Reescribir(a.relativo, a.original);
  }
}

TEST(CorrupcionOe4Test, BytesAlAzar) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  std::mt19937 azar(20261205);
  for (const ArchivoDanado& a : Archivos(almacen.Escrito())) {
    for (int vuelta = 0; vuelta < 40; ++vuelta) {
      std::vector<uint8_t> b = a.original;
      const int cambios = 1 + static_cast<int>(azar() % 4);
      std::string traza = a.relativo;
      for (int k = 0; k < cambios; ++k) {
        const std::size_t pos = azar() % b.size();
        b[pos] = static_cast<uint8_t>(azar());
        traza += " " + std::to_string(pos) + "=" + std::to_string(b[pos]);
      }
      SCOPED_TRACE(traza);
      almacen.Reescribir(a.relativo, b);
      RecorrerTodo();
    }
    almacen.Reescribir(a.relativo, a.original);
  }
}

TEST(CorrupcionOe4Test, CadenasQueVuelvenSobreSiMismas) {
  struct Caso {
    const char* nombre;
    std::size_t desde;  // this folder's PosSiguiente points back at the first record
  };
  // The root is third in the chain, so a loop before it leaves the folder list without a root.
  const Caso casos[] = {{"antes de la raiz", 1}, {"despues de la raiz", 4}, {"al final", 6}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
    const MapaNch& nch = almacen.Escrito().folders;
    std::vector<uint8_t> b = nch.bytes;
    PonerPalabra(b, nch.registros[caso.desde] + kCarPosSiguiente, nch.registros[0]);
    almacen.Reescribir("mail/folders.nch", b);
    uint32_t fin = 0;
    const auto todas = Recorrer(OE_ObtenerCarpetas, &fin, kLimite);
    EXPECT_LT(todas.size(), 20u);
    EXPECT_NE(fin, OE_OK);
    EXPECT_LT(Recorrer(OE_ObtenerCarpetasPrincipales, &fin, kLimite).size(), 20u);
    EXPECT_NE(fin, OE_OK);
  }
}

TEST(CorrupcionOe4Test, UnTextoLargoNoPideMasMemoriaQueElArchivo) {
  // LongTexto of the first block at the maximum: the text cannot lie inside the mailbox.
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
  std::vector<uint8_t> mbx = par.mbx;
  PonerPalabra(mbx, par.bloques[0] + kMbxBloqueLongTexto, 0xFFFFFFF0u);
  almacen.Reescribir("mail/Inbox.mbx", mbx);
  CarpetaPorId c(1, almacen.Escrito().folders.registros[0]);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE), OE_ERROR);
  EXPECT_EQ(m->Texto, nullptr);
  // The listing goes on with the next message.
  EXPECT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(m->IdMensaje, 3u);
  OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
}

}  // namespace
}  // namespace orvex::pruebas
