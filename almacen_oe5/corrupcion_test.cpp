// Damaged .dbx files: what a host gets for the message or folder a damaged field belongs to,
// and how the listing goes on after it.
#include <gtest/gtest.h>

#include <cstring>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/generaciones.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::dbx;

class CorrupcionOe5Test : public ::testing::Test {
 protected:
  CorrupcionOe5Test() : almacen_(AlmacenEjemplo()) {}
  const MapaDbx& Carpetas() const { return almacen_.Escrito().carpetas; }
  const MapaDbx& Entrada() const { return almacen_.Escrito().archivos.at("Inbox.dbx"); }

  AlmacenInstalado almacen_;
};

// Lists Inbox with a damaged image and reports each message's result.
std::vector<uint32_t> ResultadosEntrada(AlmacenInstalado& almacen, const std::vector<uint8_t>& bytes) {
  almacen.Reescribir("Inbox.dbx", bytes);
  CarpetaAbierta c(4);
  EXPECT_EQ(c.resultado, OE_OK);
  std::vector<uint32_t> r;
  for (const MensajeVisto& m : Listar(c.c, 50).mensajes) r.push_back(m.resultado);
  return r;
}

TEST_F(CorrupcionOe5Test, UnMensajeDanadoDa1YElListadoSigue) {
  const MapaDbx& m = Entrada();
  const uint32_t tamano = static_cast<uint32_t>(m.bytes.size());
  struct Caso {
    const char* nombre;
    uint32_t pos;
    uint32_t valor;
    std::vector<uint32_t> resultados;
  };
  const std::vector<uint32_t> segundo_roto = {OE_OK, OE_ERROR, OE_OK, OE_OK, OE_OK};
  const Caso casos[] = {
      // An entry at or past the object bound ends its node: the message is passed over.
      {"objeto fuera del archivo", m.nodos[0] + kNodoEntradas + kLongEntrada, tamano, {OE_OK, OE_OK, OE_OK, OE_OK}},
      {"objeto a 0", m.nodos[0] + kNodoEntradas + kLongEntrada, 0, {OE_OK, OE_OK, OE_OK, OE_OK}},
      {"cuerpo del objeto hasta pasado el final", m.objetos[1] + kObjLongCuerpo, tamano - m.objetos[1], segundo_roto},
      {"bloque con capacidad 513", m.bloques[1][0] + kBloqueCapacidad, 513, segundo_roto},
      {"bloque que apunta a si mismo", m.bloques[1][1] + kBloqueSiguiente, m.bloques[1][1], segundo_roto},
      {"ciclo entre bloques", m.bloques[4][5] + kBloqueSiguiente, m.bloques[4][1],
       {OE_OK, OE_OK, OE_OK, OE_OK, OE_ERROR}},
      {"texto en el limite de la cabecera", kCabLimiteTexto, m.bloques[4][0], {OE_OK, OE_OK, OE_OK, OE_OK, OE_ERROR}},
      {"texto justo antes del limite", kCabLimiteTexto, m.bloques[4][0] + 1, {OE_OK, OE_OK, OE_OK, OE_OK, OE_OK}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::vector<uint8_t> b = m.bytes;
    PonerPalabra(b, caso.pos, caso.valor);
    EXPECT_EQ(ResultadosEntrada(almacen_, b), caso.resultados);
  }
}

TEST_F(CorrupcionOe5Test, UnaCarpetaDanadaDa1YElRecorridoSigue) {
  const MapaDbx& m = Carpetas();
  std::vector<uint8_t> b = m.bytes;
  // Inbox's object claims a body past the end of the file.
  PonerPalabra(b, m.objetos[1] + kObjLongCuerpo, 0x7FFFFFFF);
  almacen_.Reescribir("folders.dbx", b);
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  std::vector<uint32_t> resultados;
  std::vector<std::string> nombres;
  for (uint32_t r = OE_OK; r != OE_FIN && resultados.size() < 20;) {
    resultados.push_back(r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE));
    if (r == OE_OK) nombres.push_back(c->Nombre);
  }
  OE_ObtenerCarpetas(&c, OE_CERRAR);
  EXPECT_EQ(resultados, (std::vector<uint32_t>{OE_OK, OE_ERROR, OE_OK, OE_OK, OE_OK, OE_OK, OE_OK, OE_FIN}));
  EXPECT_EQ(nombres,
            (std::vector<std::string>{"Local Folders", "Proyectos", "2001", "Outbox", "Sent Items", "Hotmail"}));
  // The filtered walks pass over it; the search by id ends at it, so a folder behind it is not
  // found, and neither is the damaged one.
  CarpetaAbierta local(1);
  ASSERT_EQ(local.resultado, OE_OK);
  std::vector<uint32_t> hijas;
  for (const OE_ENTRYID& h : CarpetasHost(Hijas(local.c))) hijas.push_back(h.IdCarpeta);
  EXPECT_EQ(hijas, (std::vector<uint32_t>{5, 6}));  // Outbox, Sent Items
  const std::pair<uint32_t, uint32_t> busquedas[] = {{1, OE_OK}, {6, OE_ERROR}, {4, OE_ERROR}, {99, OE_ERROR}};
  for (const auto& [id, resultado] : busquedas) {
    CarpetaAbierta buscada(id);
    EXPECT_EQ(buscada.resultado, resultado) << id;
    EXPECT_EQ(buscada.c != nullptr && buscada.c->IdCarpeta == id, resultado == OE_OK) << id;
  }
}

TEST_F(CorrupcionOe5Test, NombresSinTerminadorSeCortan) {
  AlmacenDbx d = AlmacenEjemplo();
  d.carpetas[1].nombre = std::string(400, 'N');
  d.carpetas[1].archivo = std::string(400, 'F');
  d.carpetas[1].num_mensajes = 5;
  d.carpetas[1].mensajes.reset();
  AlmacenInstalado a(d);
  CarpetaAbierta c(4);
  ASSERT_EQ(c.resultado, OE_OK);
  EXPECT_EQ(std::string(c.c->Nombre), std::string(255, 'N'));
  EXPECT_EQ(std::strlen(c.c->RutaIndice), 259u);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_ERROR);
}

TEST_F(CorrupcionOe5Test, MuchosNodosSeCortanEnLaCapacidadDeLaLista) {
  // 1100 nodes of one message each: the walk keeps the first 1000.
  AlmacenDbx d;
  ArchivoMensajesDbx a;
  a.arbol = {1, FormaArbol::kMixto};
  for (uint32_t i = 0; i < 1100; ++i) a.mensajes.push_back(Mensaje(i + 1, "x"));
  d.carpetas = {Carpeta(4, 1, "Inbox", "Inbox.dbx", a)};
  AlmacenInstalado almacen(d);
  CarpetaAbierta c(4);
  const Listado l = Listar(c.c, 2000);
  ASSERT_EQ(l.mensajes.size(), kMaxNodosMensajes);
  for (uint32_t i = 0; i < l.mensajes.size(); ++i) ASSERT_EQ(l.mensajes[i].id, i + 1);
}

}  // namespace
}  // namespace orvex::pruebas
