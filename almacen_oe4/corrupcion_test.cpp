// Damaged stores: one field at a time set to 0, the maximum, one off, the file's size or the
// offset of its own structure; then truncated files. Every walk over folders, subfolders,
// news groups and messages must end by itself with result codes: no crash, no hang, and no
// allocation beyond what the file holds (the sanitizer build runs these).
#include <gtest/gtest.h>

#include <random>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_oe4.h"
#include "pruebas/danios.h"
#include "pruebas/recorrido_host.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

// One field per name at each base offset, named "<prefijo> <i> <name>"; the field's own
// structure starts at the base.
using Nombres = std::initializer_list<std::pair<const char*, uint32_t>>;
void Anadir(std::vector<Campo>& campos, const std::string& prefijo, const std::vector<uint32_t>& bases, Nombres nombres) {
  for (std::size_t i = 0; i < bases.size(); ++i) {
    for (const auto& [nombre, pos] : nombres) {
      campos.push_back({prefijo + " " + std::to_string(i) + " " + nombre, bases[i] + pos, bases[i]});
    }
  }
}

struct ArchivoDanado {
  std::string relativo;
  std::vector<uint8_t> original;
  std::vector<Campo> campos;
};

// The files of the mail folder Inbox and of the first news group, with the fields to damage.
std::vector<ArchivoDanado> Archivos(const AlmacenOe4Escrito& e) {
  const MapaIdxMbx& par = e.pares.at("Inbox");
  const MapaSublist& sub = e.sublists.at("news.example.com");
  const std::string ruta_grupo = "News/news.example.com/" + NombreArchivoGrupo(1);
  const MapaGrupo& grupo = e.grupos.at(ruta_grupo);
  std::vector<ArchivoDanado> a = {
      {"mail/folders.nch", e.folders.bytes, {{"cabecera primero", kNchPrimero, 0}}},
      {"mail/Inbox.idx", par.idx, {{"FinRegistros", kIdxFinRegistros, 0}}},
      {"mail/Inbox.mbx", par.mbx, {{"UltimoId", kMbxUltimoId, 0}}},
      {"News/news.example.com/sublist.dat", sub.bytes, {{"NumGrupos", kSubNumGrupos, 0}}},
      {ruta_grupo, grupo.bytes, {{"PosPrimero", kNchPrimero, 0}, {"LongArea", kNchLongArea, 0}}},
  };
  Anadir(a[0].campos, "carpeta", e.folders.registros,
         {{"PosPropia", kCarPosPropia}, {"PosSiguiente", kCarPosSiguiente}, {"IdCarpeta", kCarIdCarpeta},
          {"IdPadre", kCarIdPadre}, {"IdFin", kCarIdFin}, {"NumSubCarpetas", kCarNumSubCarpetas},
          {"NumMensajes", kCarNumMensajes}});
  Anadir(a[1].campos, "registro", par.registros,
         {{"Marcas", kRegMarcas}, {"IdSustituto", kRegIdSustituto}, {"IdMensaje", kRegIdMensaje},
          {"PosPropia", kRegPosPropia}, {"LongRegistro", kRegLongRegistro}, {"PosBloque", kRegPosBloque},
          {"LongExtra", kRegLongExtra}});
  for (const uint32_t r : par.registros) {  // the counted texts' lengths
    uint32_t t = r + kLongFijoRegistro + LeerPalabra(par.idx, r + kRegLongExtra) + 8 * kNumFechas + kLongTrasFechas;
    for (uint32_t k = 0; k < kNumTextos; ++k, t += 4 + LeerPalabra(par.idx, t)) {
      a[1].campos.push_back({"texto " + std::to_string(k) + " en " + std::to_string(r), t, r});
    }
  }
  Anadir(a[2].campos, "bloque", par.bloques,
         {{"Id", kMbxBloqueId}, {"TamBloque", kMbxBloqueTam}, {"LongTexto", kMbxBloqueLongTexto}});
  Anadir(a[3].campos, "grupo", sub.entradas, {{"NumFichero", kGrpNumFichero}});
  for (uint32_t k = 0; k < kGrpNumTextos; ++k) {
    Anadir(a[3].campos, "long " + std::to_string(k) + " del grupo", sub.entradas, {{"", kGrpLongNombre + 4 * k}});
  }
  Anadir(a[4].campos, "articulo", grupo.articulos,
         {{"PosPropia", kArtPosPropia}, {"PosSiguiente", kArtPosSiguiente}, {"PosBloque", kArtPosBloque},
          {"LongArticulo", kArtLongArticulo}});
  for (const auto& cadena : grupo.bloques) {
    Anadir(a[4].campos, "bloque", cadena,
           {{"Capacidad", kNchBloqueCapacidad}, {"Usados", kNchBloqueUsados}, {"PosSiguiente", kNchBloqueSiguiente}});
  }
  return a;
}

// Each file in turn: every field with every damage, cut short, and a few random bytes changed.
TEST(CorrupcionOe4Test, CadaArchivoDanadoDaCodigos) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  std::mt19937 azar(20261205);
  for (const ArchivoDanado& a : Archivos(almacen.Escrito())) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> imagenes;
    for (const Campo& c : a.campos) {
      for (Danio d : kDanios) imagenes.emplace_back(c.nombre + " = " + NombreDanio(d), Danar(a.original, c, d));
    }
    const std::size_t n = a.original.size();
    for (std::size_t largo : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{83}, n / 2, n - 1}) {
      if (largo < n) imagenes.emplace_back("cortado a " + std::to_string(largo), std::vector<uint8_t>(a.original.begin(), a.original.begin() + largo));
    }
    for (int vuelta = 0; vuelta < 40; ++vuelta) {
      std::vector<uint8_t> b = a.original;
      std::string traza = "al azar:";
      for (int k = 0, cambios = 1 + static_cast<int>(azar() % 4); k < cambios; ++k) {
        const std::size_t pos = azar() % b.size();
        b[pos] = static_cast<uint8_t>(azar());
        traza += " " + std::to_string(pos) + "=" + std::to_string(b[pos]);
      }
      imagenes.emplace_back(traza, b);
    }
    for (const auto& [traza, b] : imagenes) {
      SCOPED_TRACE(a.relativo + ": " + traza);
      almacen.Reescribir(a.relativo, b);
      RecorrerComoHost({{0x80000001u, 0}});  // and the news account
    }
    almacen.Reescribir(a.relativo, a.original);
  }
}

TEST(CorrupcionOe4Test, CadenasQueVuelvenSobreSiMismas) {
  // The folder whose PosSiguiente points back at the first record. The root is third in the
  // chain, so a loop before it leaves the folder list without a root.
  for (const auto& [nombre, desde] : {std::pair{"antes de la raiz", 1}, {"despues de la raiz", 4}, {"al final", 6}}) {
    SCOPED_TRACE(nombre);
    AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
    const MapaNch& nch = almacen.Escrito().folders;
    std::vector<uint8_t> b = nch.bytes;
    PonerPalabra(b, nch.registros[desde] + kCarPosSiguiente, nch.registros[0]);
    almacen.Reescribir("mail/folders.nch", b);
    uint32_t fin = 0;
    const auto todas = Recorrer(OE_ObtenerCarpetas, &fin);
    EXPECT_LT(todas.size(), 20u);
    EXPECT_NE(fin, OE_OK);
    EXPECT_LT(Recorrer(OE_ObtenerCarpetasPrincipales, &fin).size(), 20u);
    EXPECT_NE(fin, OE_OK);
  }
}

// A mailbox block that cannot be read gives 1 for its message without a text, and the
// listing moves on to the next record.
TEST(CorrupcionOe4Test, UnBloqueIlegibleDaUnoYElListadoSigue) {
  struct Caso {
    const char* nombre;
    bool en_bloque;  // the word is in the first block, else in the mailbox header
    uint32_t pos;
    uint32_t valor;
    std::vector<uint32_t> ids;  // of each message listed, 0 for each result 1
  };
  const Caso casos[] = {
      {"un texto mas largo que el buzon", true, kMbxBloqueLongTexto, 0xFFFFFFF0u, {0, 3, 4}},
      {"otra firma del buzon", false, kMbxFirma, 0x12345678u, {0, 0, 0}},
  };
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> mbx = par.mbx;
    PonerPalabra(mbx, (caso.en_bloque ? par.bloques[0] : 0) + caso.pos, caso.valor);
    almacen.Reescribir("mail/Inbox.mbx", mbx);
    CarpetaPorId c(1, almacen.Escrito().folders.registros[0]);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
    std::vector<uint32_t> ids;
    uint32_t fin_registro = 0;
    for (uint32_t r; (r = OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE)) != OE_FIN && ids.size() < 10;) {
      EXPECT_GT(m->FinRegistro, fin_registro);  // the cursor moved on
      fin_registro = m->FinRegistro;
      ids.push_back(r == OE_OK ? m->IdMensaje : 0);
      if (r != OE_OK) {
        EXPECT_EQ(r, OE_ERROR);
        EXPECT_EQ(m->Texto, nullptr);
      }
    }
    EXPECT_EQ(ids, caso.ids);
    OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
  }
}

}  // namespace
}  // namespace orvex::pruebas
