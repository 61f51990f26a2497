// Message listings of a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

// The listing must show every message as the builder wrote it, with the cursor words: the
// record's end is the next object of the same node (0 after a node's last entry). Then it ends.
void ComprobarListado(OE_CARPETA* c, const ArchivoMensajesDbx& d, const MapaDbx& mapa) {
  using Visto = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, std::optional<std::string>>;
  std::vector<Visto> esperado, visto;
  const std::size_t n = d.mensajes.size();
  for (uint32_t i = 0; i < n; ++i) {
    const bool ultimo_del_nodo = (i + 1) % d.arbol.entradas_por_nodo == 0 || i + 1 == n;
    esperado.emplace_back(OE_OK, d.mensajes[i].id, mapa.objetos[i], ultimo_del_nodo ? 0 : mapa.objetos[i + 1],
                          mapa.bloques[i][0], d.mensajes[i].texto);
  }
  esperado.emplace_back(OE_FIN, 0, 0, 0, 0, std::nullopt);
  RecorrerMensajes(c, [&](uint32_t modo, uint32_t r, const OE_MENSAJE* m) {
    if (modo == OE_SIGUIENTE && r != OE_OK) visto.emplace_back(r, 0, 0, 0, 0, std::nullopt);
    if (modo != OE_SIGUIENTE || r != OE_OK) return;
    std::optional<std::string> texto;
    if (m->Texto != nullptr) texto.emplace(m->Texto, m->LongTexto);
    visto.emplace_back(r, m->IdMensaje, m->PosRegistro, m->FinRegistro, m->PosTexto, texto);
  });
  EXPECT_EQ(visto, esperado);
}

TEST(MensajesOe5FormasTest, ArbolesDeCadaFormaYTextosEnLosBordesDeLosBloques) {
  // Text length and block room of the first messages; the others are short.
  const std::pair<std::size_t, uint32_t> bordes[] = {{0, 512},    {1, 512},    {511, 512}, {512, 512}, {513, 512},
                                                     {1024, 512}, {1025, 512}, {5000, 512}, {7, 1},     {100, 33}};
  for (FormaArbol forma : {FormaArbol::kCadena08, FormaArbol::kHijosEntrada, FormaArbol::kMixto}) {
    for (uint32_t k : {1, 2, 7, 51}) {
      SCOPED_TRACE(static_cast<int>(forma) * 100 + k);
      ArchivoMensajesDbx a;
      a.arbol = {k, forma};
      for (uint32_t i = 0; i < 60; ++i) {
        const bool borde = i < std::size(bordes);
        std::string texto = borde ? "" : "Subject: " + std::to_string(i) + "\r\n\r\ncuerpo\r\n";
        for (std::size_t j = 0; borde && j < bordes[i].first; ++j) texto += static_cast<char>('A' + j % 26);
        a.mensajes.push_back(Mensaje(i + 2, texto, FileTime(2004, 1, 1, 0, 0)));
        a.mensajes.back().capacidad_bloque = borde ? bordes[i].second : 512;
        a.mensajes.back().bloque_en_area = i % 2 == 1;
      }
      AlmacenDbx d;
      d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
      AlmacenInstalado almacen(d);
      CarpetaPorId c(4);
      ComprobarListado(c.c, a, almacen.Dbx().archivos.at("Inbox.dbx"));
    }
  }
}

}  // namespace
}  // namespace orvex::pruebas
