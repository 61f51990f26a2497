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

// A message of n bytes whose every line names it, so that a mixed-up chain shows.
std::string Texto(uint32_t id, std::size_t n) {
  std::string s = "Subject: mensaje " + std::to_string(id) + "\r\n\r\n";
  while (s.size() < n) s += "linea del mensaje " + std::to_string(id) + "\r\n";
  s.resize(n);
  return s;
}

// Sizes of the three messages of every .dbx case: one block, three blocks, two blocks.
constexpr std::size_t kLongitudes[] = {300, 1300, 700};

MapaDbx Construir() {
  pruebas::ArchivoMensajesDbx d;
  d.arbol.entradas_por_nodo = 2;
  for (uint32_t i = 0; i < 3; ++i) d.mensajes.push_back(pruebas::Mensaje(2 + i, Texto(2 + i, kLongitudes[i])));
  return pruebas::ConstruirArchivoMensajes(d);
}

void Desindexar(MapaDbx& m, std::size_t k) { pruebas::DesindexarMensajeDbx(m, k); }
void Borrar(MapaDbx& m, std::size_t k, bool perder_texto) { pruebas::BorrarMensajeDbx(m, k, perder_texto); }

struct Esperado {
  Origen origen;
  Estado estado;
  std::size_t bytes;
  std::size_t huecos = 0;
  uint32_t uniones = 0;
  Corte corte = Corte::kNinguno;
};

// What every case expects is counted from the three texts, never from the scanner.
TEST(RecuperarDbxTest, HallaCadaMensajeUnaVezYPorSuCamino) {
  struct Caso {
    const char* nombre;
    std::function<void(MapaDbx&)> danio;
    std::vector<Esperado> esperado;  // in the order of the passes, file order within each
  };
  const std::size_t a = kLongitudes[0], b = kLongitudes[1], c = kLongitudes[2];
  const Caso casos[] = {
      {"intacto", [](MapaDbx&) {},
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, b},
        {Origen::kIndice, Estado::kCompleto, c}}},
      {"fuera del indice", [](MapaDbx& m) { Desindexar(m, 1); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, c},
        {Origen::kHuerfano, Estado::kCompleto, b}}},
      {"sin arbol", [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, dbx::kCabArbolMensajes, 0); },
       {{Origen::kHuerfano, Estado::kCompleto, a}, {Origen::kHuerfano, Estado::kCompleto, b},
        {Origen::kHuerfano, Estado::kCompleto, c}}},
      {"cabecera perdida", [](MapaDbx& m) { std::fill_n(m.bytes.begin(), 0x100, uint8_t{0xFF}); },
       {{Origen::kHuerfano, Estado::kCompleto, a}, {Origen::kHuerfano, Estado::kCompleto, b},
        {Origen::kHuerfano, Estado::kCompleto, c}}},
      {"borrado", [](MapaDbx& m) { Borrar(m, 1, false); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, c},
        {Origen::kFragmento, Estado::kCompleto, b}}},
      // Links reused by the mail client: full blocks are joined to the block right after them.
      {"borrado sin enlaces", [](MapaDbx& m) { Borrar(m, 1, false); for (uint32_t p : m.bloques[1]) pruebas::PonerPalabra(m.bytes, p + dbx::kBloqueSiguiente, 0); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, c},
        {Origen::kFragmento, Estado::kCompleto, b, 0, 2}}},
      // A link from one deleted message into the next is not followed: a message starts there.
      {"borrados enlazados", [](MapaDbx& m) { Borrar(m, 1, true), Borrar(m, 2, true), pruebas::PonerPalabra(m.bytes, m.bloques[1][2] + dbx::kBloqueSiguiente, m.bloques[2][0]); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kFragmento, Estado::kHuecos, b - 12, 3},
        {Origen::kFragmento, Estado::kHuecos, c - 8, 2}}},
      {"borrado con texto perdido", [](MapaDbx& m) { Borrar(m, 1, true); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, c},
        {Origen::kFragmento, Estado::kHuecos, b - 12, 3}}},
      {"dos borrados", [](MapaDbx& m) { Borrar(m, 0, true), Borrar(m, 2, false); },
       {{Origen::kIndice, Estado::kCompleto, b}, {Origen::kFragmento, Estado::kHuecos, a - 4, 1},
        {Origen::kFragmento, Estado::kCompleto, c}}},
      // The first block of a deleted message taken by other data: the rest is still found.
      {"borrado y sobrescrito", [](MapaDbx& m) { Borrar(m, 1, false), std::fill_n(m.bytes.begin() + m.bloques[1][0], 528, uint8_t{0}); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, c},
        {Origen::kFragmento, Estado::kCompleto, b - 512}}},
      {"ciclo", [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, m.bloques[1][2] + dbx::kBloqueSiguiente, m.bloques[1][0]); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCortado, b, 0, 0, Corte::kCiclo},
        {Origen::kIndice, Estado::kCompleto, c}}},
      {"cadena que entra en otra", [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, m.bloques[2][1] + dbx::kBloqueSiguiente, m.bloques[1][1]); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, b},
        {Origen::kIndice, Estado::kCortado, c, 0, 0, Corte::kAjeno}}},
      {"cortado en el segundo bloque", [](MapaDbx& m) { m.bytes.resize(m.bloques[1][1] + 16 + 100); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCortado, 612, 0, 0, Corte::kFinArchivo}}},
      {"cortado en una cabecera", [](MapaDbx& m) { m.bytes.resize(m.bloques[2][1] + 8); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kIndice, Estado::kCompleto, b},
        {Origen::kIndice, Estado::kCortado, 512, 0, 0, Corte::kFinArchivo}}},
      {"borrado y cortado", [](MapaDbx& m) { Borrar(m, 1, false), m.bytes.resize(m.bloques[1][1] + 16 + 100); },
       {{Origen::kIndice, Estado::kCompleto, a}, {Origen::kFragmento, Estado::kCortado, 612, 0, 0, Corte::kFinArchivo}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    MapaDbx m = Construir();
    caso.danio(m);
    const auto hallados = RecuperarDbx(m.bytes);
    ASSERT_EQ(hallados.size(), caso.esperado.size());
    for (std::size_t i = 0; i < hallados.size(); ++i) {
      SCOPED_TRACE(i);
      const Esperado& e = caso.esperado[i];
      EXPECT_EQ(hallados[i].origen, e.origen);
      EXPECT_EQ(hallados[i].estado, e.estado);
      EXPECT_EQ(hallados[i].texto.size(), e.bytes);
      EXPECT_EQ(hallados[i].huecos.size(), e.huecos);
      EXPECT_EQ(hallados[i].uniones, e.uniones);
      EXPECT_EQ(hallados[i].corte, e.corte);
      // Never a byte that is not the message's: every line names the same message.
      const std::string& t = hallados[i].texto;
      const std::size_t en = t.find("del mensaje ");
      ASSERT_NE(en, std::string::npos);
      const char id = t[en + 12];
      for (std::size_t p = t.find("del mensaje "); p != std::string::npos; p = t.find("del mensaje ", p + 1)) {
        if (p + 12 < t.size()) {
          EXPECT_EQ(t[p + 12], id) << p;
        }
      }
    }
  }
}

TEST(RecuperarDbxTest, MarcaLosHuecosSoloAlPedirlo) {
  MapaDbx m = Construir();
  Borrar(m, 1, true);
  const auto hallados = RecuperarDbx(m.bytes);
  ASSERT_EQ(hallados.size(), 3u);
  const Recuperado& r = hallados[2];
  const std::string original = Texto(3, kLongitudes[1]);
  // Each block lost the first four bytes of its text, and nothing else.
  EXPECT_EQ(r.texto, original.substr(4, 508) + original.substr(516, 508) + original.substr(1028));
  EXPECT_EQ(TextoConMarcas(r), "[orvex: 4 bytes lost]" + original.substr(4, 508) + "[orvex: 4 bytes lost]" +
                                   original.substr(516, 508) + "[orvex: 4 bytes lost]" + original.substr(1028));
}

TEST(RecuperarMbxTest, CadaRegistroVivoOMuerto) {
  pruebas::CarpetaOe4 carpeta = pruebas::CarpetaCorreo(1, 0, "Inbox", "Inbox");
  for (uint32_t i = 0; i < 3; ++i) {
    pruebas::MensajeOe4 msg;
    msg.id = 1 + i;
    msg.texto = Texto(1 + i, kLongitudes[i] + i);  // lengths not a multiple of four
    msg.sustituido = i == 1;                         // a dead record the index skips
    carpeta.mensajes.push_back(msg);
  }
  const pruebas::MapaIdxMbx oe4 = pruebas::ConstruirIdxMbx(carpeta);
  pruebas::BuzonImn buzon;
  for (uint32_t i = 0; i < 2; ++i) {
    pruebas::MensajeImn msg;
    msg.id = 1 + i;
    msg.texto = Texto(1 + i, kLongitudes[i]);
    msg.muerto = i == 1;
    buzon.mensajes.push_back(msg);
  }
  const pruebas::MapaImn imn = pruebas::ConstruirBuzonImn(buzon);
  const std::size_t a = kLongitudes[0], b = kLongitudes[1] + 1, c = kLongitudes[2] + 2;
  struct Caso {
    const char* nombre;
    std::vector<uint8_t> bytes;
    std::vector<std::pair<Estado, std::size_t>> esperado;
    std::vector<uint8_t> indice = {};
    std::string vivos = "";  // per record, I live in the index, H dead or not in it; "" none is marked
  };
  auto cortado = [](std::vector<uint8_t> v, std::size_t n) { return v.resize(n), v; };
  auto poner = [](std::vector<uint8_t> v, std::size_t pos, uint32_t valor) {
    return pruebas::PonerPalabra(v, pos, valor), v;
  };
  const Caso casos[] = {
      {"oe4", oe4.mbx, {{Estado::kCompleto, a}, {Estado::kCompleto, b}, {Estado::kCompleto, c}}},
      {"imn", imn.mbx, {{Estado::kCompleto, a}, {Estado::kCompleto, kLongitudes[1]}}},
      {"cortado en un texto", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10),
       {{Estado::kCompleto, a}, {Estado::kCortado, 10}}},
      {"cortado en una cabecera", cortado(oe4.mbx, oe4.bloques[2] + 8), {{Estado::kCompleto, a}, {Estado::kCompleto, b}}},
      {"registro danado", poner(oe4.mbx, oe4.bloques[1] + 8, 7), {{Estado::kCompleto, a}, {Estado::kCompleto, c}}},
      // Size 0 with the length that size 0 minus the head would leave: the walk goes on.
      {"tamano cero", poner(poner(oe4.mbx, oe4.bloques[1] + 8, 0), oe4.bloques[1] + 12, 0xFFFFFFF0u),
       {{Estado::kCompleto, a}, {Estado::kCompleto, c}}},
      {"sin cabecera", cortado(std::vector<uint8_t>(oe4.mbx.begin() + 40, oe4.mbx.end()), oe4.mbx.size() - 40),
       {{Estado::kCompleto, a}, {Estado::kCompleto, b}, {Estado::kCompleto, c}}},
      {"oe4 con su indice", oe4.mbx, {{Estado::kCompleto, a}, {Estado::kCompleto, b}, {Estado::kCompleto, c}},
       oe4.idx, "IHI"},
      {"imn con su indice", imn.mbx, {{Estado::kCompleto, a}, {Estado::kCompleto, kLongitudes[1]}}, imn.idx, "IH"},
      {"cortado con su indice", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10),
       {{Estado::kCompleto, a}, {Estado::kCortado, 10}}, oe4.idx, "IH"},
      {"indice ajeno", oe4.mbx, {{Estado::kCompleto, a}, {Estado::kCompleto, b}, {Estado::kCompleto, c}}, imn.idx},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const auto hallados = RecuperarMbx(caso.bytes, caso.indice);
    ASSERT_EQ(hallados.size(), caso.esperado.size());
    for (std::size_t i = 0; i < hallados.size(); ++i) {
      const char vivo = caso.vivos.empty() ? 'R' : caso.vivos[i];
      EXPECT_EQ(hallados[i].origen, vivo == 'I' ? Origen::kIndice : vivo == 'H' ? Origen::kHuerfano : Origen::kRegistro);
      EXPECT_EQ(hallados[i].estado, caso.esperado[i].first) << i;
      EXPECT_EQ(hallados[i].texto.size(), caso.esperado[i].second) << i;
    }
  }
}

// The sample files written by the mail client (ORVEX_MUESTRAS), whole and cut: the message sizes
// are what undbx takes out of them.
TEST(RecuperarMuestrasTest, EnteraYCortada) {
  const char* muestras = std::getenv("ORVEX_MUESTRAS");
  if (muestras == nullptr) GTEST_SKIP() << "ORVEX_MUESTRAS no apunta a las muestras";
  struct Caso {
    const char* archivo;
    std::size_t bytes;
    Origen entera;
    Estado estado;
  };
  const Caso casos[] = {
      {"oe6_dbx_mit/Inbox.dbx", 10139, Origen::kIndice, Estado::kCompleto},
      {"oe6_dbx_perl/test1.dbx", 2710, Origen::kIndice, Estado::kCompleto},
      {"oe4_mbx_kde/test1.mbx", 613, Origen::kRegistro, Estado::kCortado},  // its text runs past the end
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.archivo);
    std::ifstream f(std::string(muestras) + "/" + c.archivo, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
    ASSERT_FALSE(bytes.empty());
    const bool mbx = c.entera == Origen::kRegistro;
    const auto entera = mbx ? RecuperarMbx(bytes) : RecuperarDbx(bytes);
    ASSERT_EQ(entera.size(), 1u);
    EXPECT_EQ(entera[0].origen, c.entera);
    EXPECT_EQ(entera[0].estado, c.estado);
    EXPECT_EQ(entera[0].texto.size(), c.bytes);
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
