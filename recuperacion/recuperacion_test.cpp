#include "recuperacion/recuperacion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/oe4_constructor.h"

namespace orvex::recuperacion {
namespace {

using pruebas::MapaDbx;
using Bytes = std::vector<uint8_t>;

// A message of n bytes whose every line names it, so that a mixed-up chain shows.
std::string Texto(uint32_t id, std::size_t n) {
  std::string s = "Subject: mensaje " + std::to_string(id) + "\r\n\r\n";
  while (s.size() < n) s += "linea del mensaje " + std::to_string(id) + "\r\n";
  s.resize(n);
  return s;
}

// Each message found, in the order of the passes: how (Indice, Huerfano, Fragmento, Registro),
// its state (Completo, Cortado, Huecos), its size, then any gaps, joins and reason it was cut.
std::vector<std::string> Describir(const std::vector<Recuperado>& hallados) {
  std::vector<std::string> dicho;
  for (const Recuperado& r : hallados) {
    std::string d = {"IHFR"[static_cast<int>(r.origen)], "CTH"[static_cast<int>(r.estado)]};
    d += " " + std::to_string(r.texto.size());
    if (!r.huecos.empty()) d += " huecos " + std::to_string(r.huecos.size());
    if (r.uniones != 0) d += " uniones " + std::to_string(r.uniones);
    if (r.corte != Corte::kNinguno) d += " corte " + std::to_string(static_cast<int>(r.corte));
    dicho.push_back(d);
    // Never a byte that is not the message's: every line names the same message.
    const std::size_t en = r.texto.find("del mensaje ");
    for (std::size_t p = en; p != std::string::npos && p + 12 < r.texto.size();
         p = r.texto.find("del mensaje ", p + 1)) {
      EXPECT_EQ(r.texto[p + 12], r.texto[en + 12]) << p;
    }
  }
  return dicho;
}

// Sizes of the three messages of every case: one block, three blocks, two blocks.
constexpr std::size_t kLongitudes[] = {300, 1300, 700};

MapaDbx Construir() {
  pruebas::ArchivoMensajesDbx d;
  d.arbol.entradas_por_nodo = 2;
  for (uint32_t i = 0; i < 3; ++i) d.mensajes.push_back(pruebas::Mensaje(2 + i, Texto(2 + i, kLongitudes[i])));
  return pruebas::ConstruirArchivoMensajes(d);
}

void Enlazar(MapaDbx& m, uint32_t bloque, uint32_t destino) {
  pruebas::PonerPalabra(m.bytes, bloque + dbx::kBloqueSiguiente, destino);
}
void Borrar(MapaDbx& m, std::size_t k, bool perder_texto) { pruebas::BorrarMensajeDbx(m, k, perder_texto); }

TEST(RecuperarDbxTest, HallaCadaMensajeUnaVezYPorSuCamino) {
  const std::tuple<const char*, std::function<void(MapaDbx&)>, std::vector<std::string>> casos[] = {
      {"intacto", [](MapaDbx&) {}, {"IC 300", "IC 1300", "IC 700"}},
      {"fuera del indice", [](MapaDbx& m) { pruebas::DesindexarMensajeDbx(m, 1); }, {"IC 300", "IC 700", "HC 1300"}},
      {"sin arbol", [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, dbx::kCabArbolMensajes, 0); },
       {"HC 300", "HC 1300", "HC 700"}},
      {"cabecera perdida", [](MapaDbx& m) { std::fill_n(m.bytes.begin(), 0x100, uint8_t{0xFF}); },
       {"HC 300", "HC 1300", "HC 700"}},
      {"borrado", [](MapaDbx& m) { Borrar(m, 1, false); }, {"IC 300", "IC 700", "FC 1300"}},
      // Links reused by the mail client: full blocks are joined to the block right after them.
      {"borrado sin enlaces",
       [](MapaDbx& m) {
         Borrar(m, 1, false);
         for (uint32_t p : m.bloques[1]) Enlazar(m, p, 0);
       },
       {"IC 300", "IC 700", "FC 1300 uniones 2"}},
      // A link from one deleted message into the next is not followed: a message starts there.
      {"borrados enlazados",
       [](MapaDbx& m) {
         Borrar(m, 1, true), Borrar(m, 2, true);
         Enlazar(m, m.bloques[1][2], m.bloques[2][0]);
       },
       {"IC 300", "FH 1288 huecos 3", "FH 692 huecos 2"}},
      {"dos borrados", [](MapaDbx& m) { Borrar(m, 0, true), Borrar(m, 2, false); },
       {"IC 1300", "FH 296 huecos 1", "FC 700"}},
      // The first block of a deleted message taken by other data: the rest is still found.
      {"borrado y sobrescrito",
       [](MapaDbx& m) { Borrar(m, 1, false), std::fill_n(m.bytes.begin() + m.bloques[1][0], 528, uint8_t{0}); },
       {"IC 300", "IC 700", "FC 788"}},
      {"ciclo", [](MapaDbx& m) { Enlazar(m, m.bloques[1][2], m.bloques[1][0]); },
       {"IC 300", "IT 1300 corte 3", "IC 700"}},
      {"cadena que entra en otra", [](MapaDbx& m) { Enlazar(m, m.bloques[2][1], m.bloques[1][1]); },
       {"IC 300", "IC 1300", "IT 700 corte 4"}},
      {"cortado en el segundo bloque", [](MapaDbx& m) { m.bytes.resize(m.bloques[1][1] + 16 + 100); },
       {"IC 300", "IT 612 corte 1"}},
      {"cortado en una cabecera", [](MapaDbx& m) { m.bytes.resize(m.bloques[2][1] + 8); },
       {"IC 300", "IC 1300", "IT 512 corte 1"}},
      {"borrado y cortado", [](MapaDbx& m) { Borrar(m, 1, false), m.bytes.resize(m.bloques[1][1] + 16 + 100); },
       {"IC 300", "FT 612 corte 1"}},
  };
  for (const auto& [nombre, danio, esperado] : casos) {
    SCOPED_TRACE(nombre);
    MapaDbx m = Construir();
    danio(m);
    EXPECT_EQ(Describir(RecuperarDbx(m.bytes)), esperado);
  }
  // Each block lost the first four bytes of its text, and nothing else; the marks show where.
  MapaDbx m = Construir();
  Borrar(m, 1, true);
  const auto hallados = RecuperarDbx(m.bytes);
  ASSERT_EQ(hallados.size(), 3u);
  const std::string original = Texto(3, 1300), marca = "[orvex: 4 bytes lost]";
  EXPECT_EQ(TextoConMarcas(hallados[2]), marca + original.substr(4, 508) + marca + original.substr(516, 508) + marca +
                                             original.substr(1028));
}

TEST(RecuperarMbxTest, CadaRegistroVivoOMuerto) {
  pruebas::CarpetaOe4 carpeta = pruebas::CarpetaCorreo(1, 0, "Inbox", "Inbox");
  pruebas::BuzonImn buzon;
  for (uint32_t i = 0; i < 3; ++i) {
    pruebas::MensajeOe4 msg;
    msg.id = 1 + i;
    msg.texto = Texto(1 + i, kLongitudes[i] + i);  // lengths not a multiple of four
    msg.sustituido = i == 1;                         // a dead record the index skips
    carpeta.mensajes.push_back(msg);
    pruebas::MensajeImn imn;
    imn.id = 1 + i;
    imn.texto = Texto(1 + i, kLongitudes[i]);
    imn.muerto = i == 1;
    if (i < 2) buzon.mensajes.push_back(imn);
  }
  const pruebas::MapaIdxMbx oe4 = pruebas::ConstruirIdxMbx(carpeta);
  const pruebas::MapaImn imn = pruebas::ConstruirBuzonImn(buzon);
  auto cortado = [](Bytes v, std::size_t n) { return v.resize(n), v; };
  auto poner = [](Bytes v, std::size_t pos, uint32_t valor) { return pruebas::PonerPalabra(v, pos, valor), v; };
  const std::tuple<const char*, Bytes, Bytes, std::vector<std::string>> casos[] = {
      {"oe4", oe4.mbx, {}, {"RC 300", "RC 1301", "RC 702"}},
      {"imn", imn.mbx, {}, {"RC 300", "RC 1300"}},
      {"cortado en un texto", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10), {}, {"RC 300", "RT 10 corte 1"}},
      {"cortado en una cabecera", cortado(oe4.mbx, oe4.bloques[2] + 8), {}, {"RC 300", "RC 1301"}},
      {"registro danado", poner(oe4.mbx, oe4.bloques[1] + 8, 7), {}, {"RC 300", "RC 702"}},
      // Size 0 with the length that size 0 minus the head would leave: the walk goes on.
      {"tamano cero", poner(poner(oe4.mbx, oe4.bloques[1] + 8, 0), oe4.bloques[1] + 12, 0xFFFFFFF0u), {},
       {"RC 300", "RC 702"}},
      {"sin cabecera", Bytes(oe4.mbx.begin() + 40, oe4.mbx.end()), {}, {"RC 300", "RC 1301", "RC 702"}},
      // With its index: a record it lists is I, a dead one or one it does not list H.
      {"oe4 con su indice", oe4.mbx, oe4.idx, {"IC 300", "HC 1301", "IC 702"}},
      {"imn con su indice", imn.mbx, imn.idx, {"IC 300", "HC 1300"}},
      {"cortado con su indice", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10), oe4.idx, {"IC 300", "HT 10 corte 1"}},
      {"indice ajeno", oe4.mbx, imn.idx, {"RC 300", "RC 1301", "RC 702"}},
  };
  for (const auto& [nombre, bytes, indice, esperado] : casos) {
    SCOPED_TRACE(nombre);
    EXPECT_EQ(Describir(RecuperarMbx(bytes, indice)), esperado);
  }
}

// The sample files written by the mail client (ORVEX_MUESTRAS), whole and cut: the message sizes
// are what undbx takes out of them.
TEST(RecuperarMuestrasTest, EnteraYCortada) {
  const char* muestras = std::getenv("ORVEX_MUESTRAS");
  if (muestras == nullptr) GTEST_SKIP() << "ORVEX_MUESTRAS no apunta a las muestras";
  const std::pair<const char*, const char*> casos[] = {
      {"oe6_dbx_mit/Inbox.dbx", "IC 10139"},
      {"oe6_dbx_perl/test1.dbx", "IC 2710"},
      {"oe4_mbx_kde/test1.mbx", "RT 613 corte 1"},  // its text runs past the end
  };
  for (const auto& [archivo, esperado] : casos) {
    SCOPED_TRACE(archivo);
    std::ifstream f(std::string(muestras) + "/" + archivo, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(f), {}};
    const bool mbx = esperado[0] == 'R';
    const auto entera = mbx ? RecuperarMbx(bytes) : RecuperarDbx(bytes);
    EXPECT_EQ(Describir(entera), std::vector<std::string>{esperado});
    if (mbx) continue;
    // Half the file keeps the text but not the index; a quarter keeps neither.
    const auto mitad = RecuperarDbx(std::span(bytes).first(bytes.size() / 2));
    ASSERT_EQ(mitad.size(), 1u);
    EXPECT_EQ(mitad[0].origen, Origen::kHuerfano);
    EXPECT_EQ(mitad[0].texto, entera[0].texto);
    EXPECT_TRUE(RecuperarDbx(std::span(bytes).first(bytes.size() / 4)).empty());
  }
}

}  // namespace
}  // namespace orvex::recuperacion
