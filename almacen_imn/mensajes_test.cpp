// Message listings of a built store: through the public exports as a host drives them, and
// through the backend where the export's subject refresh would hide what the index says.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {


// What a host reads of each live message: its text and the fields of its index record, the
// texts cut as the stored subject is.
TEST(MensajesImnTest, CadaMensajeLlevaSuTextoYLosCamposDeSuRegistro) {
  const std::vector<BuzonImn> descripcion = AlmacenImnEjemplo();
  AlmacenImnInstalado almacen(descripcion);
  const MapaImn& mapa = almacen.Mapa("Inbox");
  CarpetaAbierta c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  const std::string cortado(255, 'S');
  const std::pair<std::size_t, const char*> vivos[] = {{0, "Hola"}, {2, cortado.c_str()}, {3, "Sin tabla"}};
  for (const auto& [indice, asunto] : vivos) {
    SCOPED_TRACE(indice);
    ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
    const MensajeImn& d = descripcion[0].mensajes[indice];
    EXPECT_EQ(std::string(m->Texto, m->LongTexto), d.texto);
    EXPECT_EQ(std::tuple(m->PosRegistro, m->PosTexto), std::tuple(mapa.registros[indice], mapa.bloques[indice]));
    EXPECT_EQ(std::vector<std::string>({m->NombreCarpeta, m->RutaBuzon, m->RutaIndice, m->Asunto, m->TextoGen, m->De,
                                        m->Fecha}),
              std::vector<std::string>({"Inbox", almacen.RutaLector("Inbox.mbx"), almacen.RutaLector("Inbox.idx"),
                                        asunto, "luis@ejemplo.es", "ana@ejemplo.es", "05/03/1999  14:07"}));
    const uint8_t* en_archivo = mapa.idx.data() + mapa.registros[indice] + imnfmt::kLongCabRegistro;
    ASSERT_EQ(imn::Entradas(*m) == nullptr, d.entradas.empty());
    if (!d.entradas.empty()) {
      EXPECT_EQ(std::memcmp(imn::Entradas(*m), en_archivo, d.entradas.size() * imnfmt::kLongEntrada), 0);
    }
  }
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
}

TEST(MensajeSueltoImnTest, LaMarcaDePartesSigueAlNumeroDeEntradasYAlByte34) {
  // Entries, byte 34 and the mark.
  const std::tuple<std::size_t, uint8_t, uint32_t> casos[] = {{0, 0, 1}, {1, 0, 0}, {1, 1, 1}, {1, 2, 0}, {2, 0, 0}, {3, 0, 1}};
  for (const auto& [entradas, byte34, marca] : casos) {
    SCOPED_TRACE(testing::Message() << entradas << " entries, byte " << int(byte34));
    MensajeImn m = MensajeVivo(1, MensajeSimple(), "x");
    m.entradas.assign(entradas, EntradaImn{});
    m.byte_partes = byte34;
    AlmacenImnInstalado almacen({Buzon("Caso", {m})});
    CarpetaAbierta c(0);
    ListadoAbierto l(c.c);
    ASSERT_EQ(l.Siguiente(), OE_OK);
    EXPECT_EQ(imn::MarcaPartes(*l.m), marca);
  }
}

TEST(MensajeSueltoImnTest, SinMensajesEnLaCabeceraNoHayListado) {
  for (const uint32_t num : {0u, 0xFFFFFFFFu, 0x80000000u}) {
    SCOPED_TRACE(num);
    BuzonImn b = Buzon("Vacio", {MensajeVivo(1, MensajeSimple(), "x")});
    b.num_mensajes = num;
    AlmacenImnInstalado almacen({b});
    CarpetaAbierta c(0);
    ASSERT_EQ(c.resultado, OE_OK);
    EXPECT_EQ(c.c->NumMensajes, 0u);
    OE_MENSAJE* m = nullptr;
    c.c->NumMensajes = 1;  // past the export's own check, the backend reads the header again
    EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_SIN_MENSAJES);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(c.c->NumMensajes, 0u);
  }
}

TEST(MensajeSueltoImnTest, SoloMuertosAlFinalTerminaConFin) {
  MensajeImn muerto = MensajeVivo(2, MensajeSimple(), "muerto");
  muerto.muerto = true;
  AlmacenImnInstalado almacen({Buzon("Muertos", {MensajeVivo(1, MensajeSimple(), "vivo"), muerto, muerto})});
  CarpetaAbierta c(0);
  ListadoAbierto l(c.c);
  ASSERT_EQ(l.Siguiente(), OE_OK);
  EXPECT_EQ(l.m->IdMensaje, 1u);
  EXPECT_EQ(l.Siguiente(), OE_FIN);
}

}  // namespace
}  // namespace orvex::pruebas
