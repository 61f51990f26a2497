// Message listings of a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <tuple>

#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

// The listing must show every message as the builder wrote it, with the cursor words: the
// record's end is the next object of the same node (0 after a node's last entry).
void ComprobarListado(const Listado& l, const ArchivoMensajesDbx& d, const MapaDbx& mapa) {
  EXPECT_EQ(l.primero, OE_OK);
  EXPECT_EQ(l.fin, OE_FIN);
  const std::size_t n = d.mensajes.size();
  ASSERT_EQ(l.mensajes.size(), n);
  for (uint32_t i = 0; i < n; ++i) {
    const MensajeVisto& v = l.mensajes[i];
    const bool ultimo_del_nodo = (i + 1) % d.arbol.entradas_por_nodo == 0 || i + 1 == n;
    EXPECT_EQ(std::tie(v.resultado, v.id, v.pos_registro, v.fin_registro, v.pos_texto, v.texto),
              std::make_tuple(uint32_t{OE_OK}, d.mensajes[i].id, mapa.objetos[i],
                              ultimo_del_nodo ? 0 : mapa.objetos[i + 1], mapa.bloques[i][0], d.mensajes[i].texto))
        << i;
  }
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
      CarpetaAbierta c(4);
      ComprobarListado(Listar(c.c), a, almacen.Escrito().archivos.at("Inbox.dbx"));
    }
  }
}

}  // namespace
}  // namespace orvex::pruebas
