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

class MensajesImnTest : public ::testing::Test {
 protected:
  MensajesImnTest() : descripcion_(AlmacenImnEjemplo()), almacen_(descripcion_) {}
  std::vector<BuzonImn> descripcion_;
  AlmacenImnInstalado almacen_;
};

TEST_F(MensajesImnTest, ElListadoSaltaLosMuertosYDaLosVivosEnOrden) {
  uint32_t primero = 0;
  const auto vistos = ListarImn(1, &primero);
  EXPECT_EQ(primero, OE_OK);
  const std::size_t indices[] = {0, 2, 3};  // id 2 is dead
  ASSERT_EQ(vistos.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const MensajeImn& d = descripcion_[0].mensajes[indices[i]];
    EXPECT_EQ(vistos[i].resultado, OE_OK);
    EXPECT_EQ(vistos[i].id, d.id);
    EXPECT_EQ(vistos[i].pos_registro, almacen_.Mapa("Inbox").registros[indices[i]]);
    EXPECT_EQ(vistos[i].texto, d.texto);
  }
  // The subject the export refreshes from the headers is cut as the stored one is.
  EXPECT_EQ(vistos[1].asunto, std::string(255, 'S'));
}

TEST_F(MensajesImnTest, CadaMensajeLlevaLosCamposDeSuRegistroYSuBloque) {
  const MapaImn& mapa = almacen_.Mapa("Inbox");
  CarpetaImn c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  EXPECT_EQ(m->FinRegistro, imnfmt::kLongCabIdx);
  EXPECT_EQ(imn::FinIndice(*m), mapa.idx.size());
  EXPECT_EQ(m->Texto, nullptr);
  struct Esperado {
    std::size_t indice;
    const char* asunto;
    uint32_t marca_partes;
  };
  const std::string cortado(255, 'S');
  for (const Esperado& e : {Esperado{0, "Hola", 0}, Esperado{2, cortado.c_str(), 0}, Esperado{3, "Sin tabla", 1}}) {
    SCOPED_TRACE(e.indice);
    ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
    const MensajeImn& d = descripcion_[0].mensajes[e.indice];
    const uint32_t fin = e.indice + 1 < mapa.registros.size() ? mapa.registros[e.indice + 1] : static_cast<uint32_t>(mapa.idx.size());
    EXPECT_EQ(std::tuple(m->Tamano, m->IdCarpeta, m->IdMensaje, m->PosRegistro, m->FinRegistro, m->PosTexto, m->TamMsg, m->LongTexto),
              std::tuple(OE_TAM_MENSAJE, 1u, d.id, mapa.registros[e.indice], fin, mapa.bloques[e.indice],
                         static_cast<uint32_t>(16 + d.texto.size() + 3) / 4 * 4, static_cast<uint32_t>(d.texto.size())));
    EXPECT_EQ(std::tuple(imn::ContadorIdBuzon(*m), imn::FlagsIndice(*m), imn::MarcaPartes(*m), m->Modificado,
                         imn::PartesDevueltas(*m), imn::UltimaEntrada(*m)),
              std::tuple(5u, 0x100u, e.marca_partes, 0u, 0u, static_cast<uint32_t>(d.entradas.size()) - 1u));
    EXPECT_EQ(std::vector<std::string>({m->NombreCarpeta, m->RutaBuzon, m->RutaIndice, m->RutaAlmacen, m->Asunto, m->TextoGen,
                                        m->De, m->Fecha}),
              std::vector<std::string>({"Inbox", almacen_.RutaLector("Inbox.mbx"), almacen_.RutaLector("Inbox.idx"), "",
                                        e.asunto, "luis@ejemplo.es", "ana@ejemplo.es", "05/03/1999  14:07"}));
    EXPECT_EQ(m->Texto[m->LongTexto], '\0');
    const uint8_t* en_archivo = mapa.idx.data() + mapa.registros[e.indice] + imnfmt::kLongCabRegistro;
    EXPECT_EQ(imn::Entradas(*m) == nullptr, d.entradas.empty());
    if (!d.entradas.empty()) {
      EXPECT_EQ(std::memcmp(imn::Entradas(*m), en_archivo, d.entradas.size() * imnfmt::kLongEntrada), 0);
    }
  }
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, 9), OE_OK);
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  EXPECT_EQ(m, nullptr);
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
    CarpetaImn c(0);
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
    CarpetaImn c(0);
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
  const auto vistos = ListarImn(0);
  ASSERT_EQ(vistos.size(), 1u);
  EXPECT_EQ(vistos[0].id, 1u);
}

}  // namespace
}  // namespace orvex::pruebas
