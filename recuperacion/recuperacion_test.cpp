#include "recuperacion/recuperacion.h"

#include <gtest/gtest.h>

#include <functional>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/oe4_constructor.h"
#include "pruebas/volcado.h"

namespace orvex::recuperacion {
namespace {

using pruebas::MapaDbx;
using Bytes = std::vector<uint8_t>;

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

void Enlazar(MapaDbx& m, uint32_t bloque, uint32_t destino) {
  pruebas::PonerPalabra(m.bytes, bloque + dbx::kBloqueSiguiente, destino);
}
constexpr auto Borrar = pruebas::BorrarMensajeDbx;

TEST(RecuperarTest, DbxYMbxDanados) {
  const std::pair<const char*, std::function<void(MapaDbx&)>> dbx[] = {
      {"sin arbol", [](MapaDbx& m) { pruebas::PonerPalabra(m.bytes, dbx::kCabArbolMensajes, 0); }},
      // A link from one deleted message into the next is not followed: a message starts there. Each
      // block lost the first four bytes of its text, and nothing else; the marks show where.
      {"borrados enlazados",
       [](MapaDbx& m) { Borrar(m, 1, true), Borrar(m, 2, true), Enlazar(m, m.bloques[1][2], m.bloques[2][0]); }},
      {"ciclo", [](MapaDbx& m) { Enlazar(m, m.bloques[1][2], m.bloques[1][0]); }},
      {"cadena que entra en otra", [](MapaDbx& m) { Enlazar(m, m.bloques[2][1], m.bloques[1][1]); }},
  };
  pruebas::ArchivoMensajesDbx d;
  d.arbol.entradas_por_nodo = 2;
  pruebas::CarpetaOe4 carpeta = pruebas::CarpetaCorreo(1, 0, "Inbox", "Inbox");
  // Three messages of one, three and two blocks whose every line names its message, so that a
  // mixed-up chain shows.
  for (std::size_t n : {300, 1300, 700}) {
    const std::string id = std::to_string(d.mensajes.size() + 2);
    std::string texto = "Subject: mensaje " + id + "\r\n\r\n";
    while (texto.size() < n + 2) texto += "linea del mensaje " + id + "\r\n";
    d.mensajes.push_back(pruebas::Mensaje(2 + d.mensajes.size(), texto.substr(0, n)));
    pruebas::MensajeOe4 msg;
    msg.id = 1 + carpeta.mensajes.size();
    msg.texto = texto.substr(0, n + carpeta.mensajes.size());  // lengths not a multiple of four
    msg.sustituido = msg.id == 2;                                     // a dead record the index skips
    carpeta.mensajes.push_back(msg);
  }
  std::string visto;
  for (const auto& [nombre, danio] : dbx) {
    MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
    danio(m);
    visto += std::string(nombre) + ": " + Describir(RecuperarDbx(m.bytes)) + "\n";
  }
  EXPECT_VOLCADO(kVolcados, "volcados_recuperacion", "dbx", visto);
  // With its index: a record it lists is I, a dead one or one it does not list H. Size 0 with the
  // length that size 0 minus the head would leave: the walk goes on.
  const pruebas::MapaIdxMbx oe4 = pruebas::ConstruirIdxMbx(carpeta);
  auto cortado = [](Bytes v, std::size_t n) { return v.resize(n), v; };
  auto poner = [](Bytes v, std::size_t pos, uint32_t valor) { return pruebas::PonerPalabra(v, pos, valor), v; };
  const std::tuple<const char*, Bytes, Bytes> mbx[] = {
      {"cortado en un texto", cortado(oe4.mbx, oe4.bloques[1] + 16 + 10), {}},
      {"tamano cero", poner(poner(oe4.mbx, oe4.bloques[1] + 8, 0), oe4.bloques[1] + 12, 0xFFFFFFF0u), {}},
      {"oe4 con su indice", oe4.mbx, oe4.idx},
  };
  visto.clear();
  for (const auto& [nombre, bytes, indice] : mbx) visto += std::string(nombre) + ": " + Describir(RecuperarMbx(bytes, indice)) + "\n";
  EXPECT_VOLCADO(kVolcados, "volcados_recuperacion", "mbx", visto);
}

}  // namespace
}  // namespace orvex::recuperacion
