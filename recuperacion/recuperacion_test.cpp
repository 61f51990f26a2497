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
#include "pruebas/volcado.h"

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

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_recuperacion.inc"
    ;

// Each message found, in the order of the passes: how (Indice, Huerfano, Fragmento, Registro),
// its state (Completo, Cortado, Huecos), its size, then any gaps (and the text with its marks),
// joins and reason it was cut.
std::string Describir(const std::vector<Recuperado>& hallados) {
  std::string dicho;
  for (const Recuperado& r : hallados) {
    dicho += std::string(dicho.empty() ? "" : ", ") + "IHFR"[static_cast<int>(r.origen)] + "CTH"[static_cast<int>(r.estado)];
    dicho += " " + std::to_string(r.texto.size());
    if (!r.huecos.empty()) dicho += " huecos " + std::to_string(r.huecos.size()) + " " + pruebas::Resumido(TextoConMarcas(r));
    if (r.uniones != 0) dicho += " uniones " + std::to_string(r.uniones);
    if (r.corte != Corte::kNinguno) dicho += " corte " + std::to_string(static_cast<int>(r.corte));
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

void Enlazar(MapaDbx& m, uint32_t bloque, uint32_t destino) {
  pruebas::PonerPalabra(m.bytes, bloque + dbx::kBloqueSiguiente, destino);
}
constexpr auto Borrar = pruebas::BorrarMensajeDbx;

// An intact file, a message out of the index and a deleted one are the command's recover runs.
TEST(RecuperarDbxTest, HallaCadaMensajeUnaVezYPorSuCamino) {
  const std::pair<const char*, std::function<void(MapaDbx&)>> casos[] = {
      {"sin arbol", [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, dbx::kCabArbolMensajes, 0); }},
      {"arbol fuera del archivo",
       [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, dbx::kCabArbolMensajes, 0x7FFFFFF0u); }},
      {"cabecera perdida", [](MapaDbx& m) { std::fill_n(m.bytes.begin(), 0x100, uint8_t{0xFF}); }},
      {"borrado", [](MapaDbx& m) { Borrar(m, 1, false); }},
      // Links reused by the mail client: full blocks are joined to the block right after them.
      {"borrado sin enlaces",
       [](MapaDbx& m) {
         Borrar(m, 1, false);
         for (uint32_t p : m.bloques[1]) Enlazar(m, p, 0);
       }},
      // A link from one deleted message into the next is not followed: a message starts there. Each
      // block lost the first four bytes of its text, and nothing else; the marks show where.
      {"borrados enlazados",
       [](MapaDbx& m) { Borrar(m, 1, true), Borrar(m, 2, true), Enlazar(m, m.bloques[1][2], m.bloques[2][0]); }},
      {"dos borrados", [](MapaDbx& m) { Borrar(m, 0, true), Borrar(m, 2, false); }},
      // The first block of a deleted message taken by other data: the rest is still found.
      {"borrado y sobrescrito",
       [](MapaDbx& m) { Borrar(m, 1, false), std::fill_n(m.bytes.begin() + m.bloques[1][0], 528, uint8_t{0}); }},
      {"ciclo", [](MapaDbx& m) { Enlazar(m, m.bloques[1][2], m.bloques[1][0]); }},
      {"cadena que entra en otra", [](MapaDbx& m) { Enlazar(m, m.bloques[2][1], m.bloques[1][1]); }},
      {"cortado en el segundo bloque", [](MapaDbx& m) { m.bytes.resize(m.bloques[1][1] + 16 + 100); }},
      {"cortado en una cabecera", [](MapaDbx& m) { m.bytes.resize(m.bloques[2][1] + 8); }},
      {"borrado y cortado", [](MapaDbx& m) { Borrar(m, 1, false), m.bytes.resize(m.bloques[1][1] + 16 + 100); }},
  };
  pruebas::ArchivoMensajesDbx d;
  d.arbol.entradas_por_nodo = 2;
  for (uint32_t i = 0; i < 3; ++i) d.mensajes.push_back(pruebas::Mensaje(2 + i, Texto(2 + i, kLongitudes[i])));
  std::string visto;
  for (const auto& [nombre, danio] : casos) {
    MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
    danio(m);
    visto += std::string(nombre) + ": " + Describir(RecuperarDbx(m.bytes)) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_recuperacion", "dbx", visto);
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
  // With its index: a record it lists is I, a dead one or one it does not list H. Size 0 with the
  // length that size 0 minus the head would leave: the walk goes on.
  const std::tuple<const char*, Bytes, Bytes> casos[] = {
      {"imn", imn.mbx, {}},
      {"cortado en un texto", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10), {}},
      {"cortado en una cabecera", cortado(oe4.mbx, oe4.bloques[2] + 8), {}},
      {"registro danado", poner(oe4.mbx, oe4.bloques[1] + 8, 7), {}},
      {"tamano cero", poner(poner(oe4.mbx, oe4.bloques[1] + 8, 0), oe4.bloques[1] + 12, 0xFFFFFFF0u), {}},
      {"sin cabecera", Bytes(oe4.mbx.begin() + 40, oe4.mbx.end()), {}},
      {"oe4 con su indice", oe4.mbx, oe4.idx},
      {"imn con su indice", imn.mbx, imn.idx},
      {"cortado con su indice", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10), oe4.idx},
      {"indice ajeno", oe4.mbx, imn.idx},
  };
  std::string visto;
  for (const auto& [nombre, bytes, indice] : casos) visto += std::string(nombre) + ": " + Describir(RecuperarMbx(bytes, indice)) + "\n";
  EXPECT_VOLCADO(kVolcados, "volcados_recuperacion", "mbx", visto);
}

// The sample files written by the mail client (ORVEX_MUESTRAS): the message sizes are what undbx
// takes out of them.
TEST(RecuperarMuestrasTest, Enteras) {
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
    EXPECT_EQ(Describir(esperado[0] == 'R' ? RecuperarMbx(bytes) : RecuperarDbx(bytes)), esperado);
  }
}

}  // namespace
}  // namespace orvex::recuperacion
