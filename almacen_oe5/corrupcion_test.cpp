// Damaged .dbx files: what a host gets for a damaged folder record and how the walks go on after
// it, names without their terminator, and more nodes than a listing keeps.
#include <gtest/gtest.h>

#include <string>

#include "almacen_oe5/formato_dbx.h"
#include "pruebas/generaciones.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::dbx;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe5.inc"
    ;

class CorrupcionOe5Test : public ::testing::Test {
 protected:
  CorrupcionOe5Test() : almacen_(AlmacenEjemplo()) {}
  const MapaDbx& Carpetas() const { return almacen_.Escrito().carpetas; }
  std::string Raiz() const { return almacen_.Directorio().Ruta(); }

  AlmacenInstalado almacen_;
};

// Inbox's object claims a body past the end of the file. The filtered walks pass over it; the
// search by id ends at it, so a folder behind it is not found, and neither is the damaged one.
TEST_F(CorrupcionOe5Test, UnaCarpetaDanadaDa1YElRecorridoSigue) {
  std::vector<uint8_t> b = Carpetas().bytes;
  PonerPalabra(b, Carpetas().objetos[1] + kObjLongCuerpo, 0x7FFFFFFF);
  almacen_.Reescribir("folders.dbx", b);
  std::string r = VolcarCarpetas(Raiz());
  for (const uint32_t id : {1, 6, 4, 99}) {
    CarpetaAbierta c(id);
    r += "por id " + std::to_string(id) + " " + std::to_string(c.resultado);
    r += c.c == nullptr ? "\n" : " " + Volcar(*c.c, Raiz()) + "\n";
    for (const OE_ENTRYID& h : id == 1 ? CarpetasHost(Hijas(c.c)) : std::vector<OE_ENTRYID>{}) {
      r += "  hija " + std::to_string(h.IdCarpeta) + "\n";
    }
  }
  EXPECT_VOLCADO(kVolcados, "volcados_oe5", "carpeta danada", r);
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
  EXPECT_EQ(std::string(c.c->RutaIndice).size(), 259u);
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
  EXPECT_EQ(l.fin, OE_FIN);
  for (uint32_t i = 0; i < l.mensajes.size(); ++i) ASSERT_EQ(l.mensajes[i].id, i + 1);
}

}  // namespace
}  // namespace orvex::pruebas
