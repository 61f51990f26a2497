// Message listings of a built store: through the public exports as a host drives them, and
// through the backend where the export's subject refresh would hide what the index says.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "almacen_imn/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

class MensajesImnTest : public ::testing::Test {
 protected:
  MensajesImnTest() : descripcion_(AlmacenImnEjemplo()), almacen_(descripcion_) {}
  const MensajeImn& Descrito(std::size_t buzon, std::size_t i) const { return descripcion_[buzon].mensajes[i]; }
  std::vector<BuzonImn> descripcion_;
  AlmacenImnInstalado almacen_;
};

TEST_F(MensajesImnTest, ElListadoSaltaLosMuertosYDaLosVivosEnOrden) {
  uint32_t primero = 0;
  const auto vistos = ListarImn(1, &primero);
  EXPECT_EQ(primero, OE_OK);
  const MapaImn& mapa = almacen_.Mapa("Inbox");
  struct Esperado {
    uint32_t id;
    std::size_t indice;
  };
  const Esperado esperados[] = {{1, 0}, {3, 2}, {5, 3}};
  ASSERT_EQ(vistos.size(), std::size(esperados));
  for (std::size_t i = 0; i < vistos.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(vistos[i].resultado, OE_OK);
    EXPECT_EQ(vistos[i].id, esperados[i].id);
    EXPECT_EQ(vistos[i].pos_registro, mapa.registros[esperados[i].indice]);
    EXPECT_EQ(vistos[i].texto, Descrito(0, esperados[i].indice).texto);
  }
}

TEST_F(MensajesImnTest, CadaMensajeLlevaLosCamposDeSuRegistroYSuBloque) {
  const MapaImn& mapa = almacen_.Mapa("Inbox");
  CarpetaImn c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  // Backend calls: the export would refresh Asunto from the message's own headers.
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
  const Esperado esperados[] = {{0, "Hola", 0}, {2, cortado.c_str(), 0}, {3, "Sin tabla", 1}};
  for (const Esperado& e : esperados) {
    SCOPED_TRACE(e.indice);
    ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_OK);
    const MensajeImn& d = Descrito(0, e.indice);
    EXPECT_EQ(m->Tamano, OE_TAM_MENSAJE);
    EXPECT_EQ(m->IdCarpeta, 1u);
    EXPECT_STREQ(m->NombreCarpeta, "Inbox");
    EXPECT_STREQ(m->RutaBuzon, almacen_.RutaLector("Inbox.mbx").c_str());
    EXPECT_STREQ(m->RutaIndice, almacen_.RutaLector("Inbox.idx").c_str());
    EXPECT_STREQ(m->RutaAlmacen, "");
    EXPECT_EQ(m->IdMensaje, d.id);
    EXPECT_EQ(imn::ContadorIdBuzon(*m), 5u);
    EXPECT_EQ(imn::FlagsIndice(*m), 0x100u);
    EXPECT_EQ(imn::MarcaPartes(*m), e.marca_partes);
    EXPECT_EQ(m->PosRegistro, mapa.registros[e.indice]);
    EXPECT_EQ(m->FinRegistro, e.indice + 1 < mapa.registros.size() ? mapa.registros[e.indice + 1] : mapa.idx.size());
    EXPECT_EQ(m->PosTexto, mapa.bloques[e.indice]);
    EXPECT_EQ(m->TamMsg % 4, 0u);
    EXPECT_EQ(m->TamMsg, (16 + d.texto.size() + 3) / 4 * 4);
    EXPECT_EQ(m->LongTexto, d.texto.size());
    EXPECT_EQ(m->Texto[m->LongTexto], '\0');
    EXPECT_STREQ(m->Asunto, e.asunto);
    EXPECT_STREQ(m->TextoGen, "luis@ejemplo.es");
    EXPECT_STREQ(m->De, "ana@ejemplo.es");
    EXPECT_STREQ(m->Fecha, "05/03/1999  14:07");
    EXPECT_EQ(m->Modificado, 0u);
    EXPECT_EQ(imn::PartesDevueltas(*m), 0u);
    EXPECT_EQ(imn::UltimaEntrada(*m), static_cast<uint32_t>(d.entradas.size()) - 1u);
    if (d.entradas.empty()) {
      EXPECT_EQ(imn::Entradas(*m), nullptr);
    } else {
      ASSERT_NE(imn::Entradas(*m), nullptr);
      const uint8_t* en_archivo = mapa.idx.data() + mapa.registros[e.indice] + imnfmt::kLongCabRegistro;
      EXPECT_EQ(std::memcmp(imn::Entradas(*m), en_archivo, d.entradas.size() * imnfmt::kLongEntrada), 0);
    }
  }
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, 9), OE_OK);
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  EXPECT_EQ(m, nullptr);
}

TEST_F(MensajesImnTest, ElAsuntoRefrescadoPorLaExportacionTambienSeCorta) {
  const auto vistos = ListarImn(1);
  ASSERT_EQ(vistos.size(), 3u);
  EXPECT_EQ(vistos[1].asunto, std::string(255, 'S'));
}

TEST_F(MensajesImnTest, LaMarcaDePartesSigueAlNumeroDeEntradasYAlByte34) {
  struct Caso {
    std::size_t entradas;
    uint8_t byte34;
    uint32_t marca;
  };
  const Caso casos[] = {{0, 0, 1}, {1, 0, 0}, {1, 1, 1}, {1, 2, 0}, {2, 0, 0}, {3, 0, 1}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(testing::Message() << caso.entradas << " entries, byte " << int(caso.byte34));
    BuzonImn b;
    b.nombre = "Caso";
    MensajeImn m = MensajeVivo(1, MensajeSimple(), "x");
    m.entradas.assign(caso.entradas, EntradaImn{});
    m.byte_partes = caso.byte34;
    b.mensajes = {m};
    AlmacenImnInstalado almacen({b});
    CarpetaImn c(0);
    ASSERT_EQ(c.resultado, OE_OK);
    ListadoAbierto l(c.c);
    ASSERT_EQ(l.Siguiente(), OE_OK);
    EXPECT_EQ(imn::MarcaPartes(*l.m), caso.marca);
  }
}

TEST_F(MensajesImnTest, SinMensajesEnLaCabeceraNoHayListado) {
  struct Caso {
    uint32_t num_mensajes;
  };
  for (const Caso caso : {Caso{0}, Caso{0xFFFFFFFFu}, Caso{0x80000000u}}) {
    SCOPED_TRACE(caso.num_mensajes);
    BuzonImn b;
    b.nombre = "Vacio";
    b.mensajes = {MensajeVivo(1, MensajeSimple(), "x")};
    b.num_mensajes = caso.num_mensajes;
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

TEST_F(MensajesImnTest, SoloMuertosAlFinalTerminaConFin) {
  BuzonImn b;
  b.nombre = "Muertos";
  MensajeImn vivo = MensajeVivo(1, MensajeSimple(), "vivo");
  MensajeImn muerto = MensajeVivo(2, MensajeSimple(), "muerto");
  muerto.muerto = true;
  b.mensajes = {vivo, muerto, muerto};
  AlmacenImnInstalado almacen({b});
  const auto vistos = ListarImn(0);
  ASSERT_EQ(vistos.size(), 1u);
  EXPECT_EQ(vistos[0].id, 1u);
}

TEST_F(MensajesImnTest, UnRegistroAjenoSeRechaza) {
  CarpetaImn c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_CARPETA otro{};
  OE_MENSAJE* m = reinterpret_cast<OE_MENSAJE*>(&otro);
  otro.Tamano = OE_TAM_CARPETA;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(imn::ObtenerMensajes(nullptr, &m, OE_PRIMERO), OE_ERROR_PARAM);
}

}  // namespace
}  // namespace orvex::pruebas
