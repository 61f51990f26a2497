// Damaged stores, one field at a time: every listing, part walk and write-back ends with a
// result code, never reads outside the files, and a write-back that finds the files changed
// under it writes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/tablas.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

using namespace imnfmt;

constexpr std::string_view kDanos =
#include "pruebas/datos/danos_imn.inc"
    ;
constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_imn.inc"
    ;

const std::map<std::string, uint32_t> kCampos = {
    {"idx firma", kIdxFirma}, {"idx version", kIdxVersion}, {"idx mensajes", kIdxNumMensajes},
    {"idx fin de registros", kIdxFinRegistros}, {"reg marcas", kRegFlags}, {"reg posicion propia", kRegPosPropia},
    {"reg longitud", kRegLongitud}, {"reg entradas", kRegNumEntradas}, {"reg bloque", kRegPosBuzon},
    {"reg asunto", kLongCabRegistro + kLongEntrada + kLongFechas + kLongTrasFechas}, {"mbx firma", kMbxFirma},
    {"mbx version", kMbxVersion}, {"bloque0 longitud del texto", kBloqueLongTexto}, {"bloque0 tamano", kBloqueTam}};

// Writes Inbox back clean with the word of one line of the damage table changed.
void Danar(AlmacenImnInstalado& almacen, const std::vector<std::string>& fila) {
  const std::string &base = fila[2], &valor = fila[4];
  const MapaImn& m = almacen.Mapa("Inbox");
  const bool registro = base == "reg0" || base == "reg2", en_indice = registro || base == "idx";
  almacen.Escribir(en_indice ? "Inbox.mbx" : "Inbox.idx", en_indice ? m.mbx : m.idx);
  std::vector<uint8_t> b = en_indice ? m.idx : m.mbx;
  const uint32_t donde = base == "reg0" ? m.registros[0] : base == "reg2" ? m.registros[2] : base == "bloque0" ? m.bloques[0] : 0;
  const uint32_t pos = donde + kCampos.at((registro ? "reg" : base) + " " + fila[3]);
  const int64_t de = valor == "mas"      ? imn::Le32(b.data() + pos)
                     : valor == "tamano" ? static_cast<int64_t>(b.size())
                     : valor == "buzon"  ? static_cast<int64_t>(m.mbx.size())
                                         : 0;
  imn::Pon32(b.data() + pos, static_cast<uint32_t>(valor == "propio" ? pos : de + std::stoll(fila[5], nullptr, 0)));
  almacen.Escribir(en_indice ? "Inbox.idx" : "Inbox.mbx", b);
}

// Inbox listed as a host that goes on after an error: each record with how many parts its
// object walks, and every other result.
std::string ListarYRecorrer(const std::string& raiz) {
  CarpetaAbierta c(1);
  ListadoAbierto l(c.c);
  std::string visto = "primero " + std::to_string(l.primero) + "\n";
  for (uint32_t r = l.primero, n = 0; r != OE_FIN && l.primero == OE_OK && n < 100; ++n) {
    if ((r = l.Siguiente()) != OE_OK) {
      visto += "resultado " + std::to_string(r) + "\n";
      continue;
    }
    OE_OBJMSG* o = nullptr;
    int partes = OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO) == OE_OK ? 0 : -1;
    while (partes >= 0 && partes < 100 && OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE) == OE_OK) ++partes;
    visto += Volcar(*l.m, raiz) + " partes=" + std::to_string(partes) + "\n";
  }
  return visto;
}

TEST(CorrupcionImnTest, ElListadoDaUnCodigoYSigueDentroDelArchivo) {
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  for (const auto& fila : Filas(kDanos)) {
    if (fila[0] != "listado") continue;
    Danar(almacen, fila);
    EXPECT_VOLCADO(kVolcados, "volcados_imn", fila[1], ListarYRecorrer(almacen.Directorio().Ruta()));
  }
}

// The files change between the listing and the write-back: the write-back refuses and writes
// nothing.
TEST(CorrupcionImnTest, UnArchivoCambiadoBajoLaReescrituraNoSeToca) {
  for (const auto& fila : Filas(kDanos)) {
    if (fila[0] != "reescritura") continue;
    SCOPED_TRACE(fila[1]);
    AlmacenImnInstalado almacen(AlmacenImnEjemplo());
    ObjetoEnParte x(1, 3, 2);
    ASSERT_TRUE(x.listo);
    ASSERT_EQ(x.Guardar(ACCION_BORRAR), OE_OK);
    Danar(almacen, fila);
    const auto idx = almacen.Leer("Inbox.idx");
    const auto mbx = almacen.Leer("Inbox.mbx");
    EXPECT_EQ(x.Siguiente(), OE_FIN);
    EXPECT_EQ(almacen.Leer("Inbox.idx"), idx);
    EXPECT_EQ(almacen.Leer("Inbox.mbx"), mbx);
    EXPECT_EQ(x.m()->Reescrito, nullptr);
  }
}

// Objects whose positions do not belong to the message: the actions refuse them.
TEST(CorrupcionImnTest, UnObjetoConPosicionesImposiblesSeRechaza) {
  // Each change to the object (given the text's length), and what the action answers.
  using Cambio = void (*)(OE_OBJMSG&, uint32_t);
  const std::pair<Cambio, uint32_t> casos[] = {
      {[](OE_OBJMSG& o, uint32_t) { o.PosInicioParte = o.PosSigParte + 1; }, OE_ERROR},  // starts after its end
      {[](OE_OBJMSG& o, uint32_t largo) { o.PosSigParte = largo + 1; }, OE_ERROR},       // ends past the text
      {[](OE_OBJMSG& o, uint32_t) { o.LongParte = 0xFFFFFFFFu; }, OE_ERROR},             // longer than its stretch
      {[](OE_OBJMSG& o, uint32_t) { o.LongParte -= 1; }, OE_ERROR},                      // content starts mid-line
      {[](OE_OBJMSG& o, uint32_t) { o.IdMensaje += 1; }, OE_ERROR_PARAM},                // another message's object
      // No parameter name in the part's header; a name that fills its field without a NUL.
      {[](OE_OBJMSG& o, uint32_t) { o.LongParte = o.PosSigParte - o.PosInicioParte; }, OE_ERROR},
      {[](OE_OBJMSG& o, uint32_t) { std::memset(o.NombreParte, 'v', sizeof o.NombreParte); }, OE_ERROR},
  };
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  for (std::size_t i = 0; i < std::size(casos); ++i) {
    SCOPED_TRACE(i);
    const auto& [cambio, resultado] = casos[i];
    ObjetoEnParte x(1, 3, 2);
    ASSERT_TRUE(x.listo);
    cambio(*x.o, x.m()->LongTexto);
    EXPECT_EQ(x.Guardar(ACCION_RENOMBRAR), resultado);
    EXPECT_EQ(x.m()->Reescrito, nullptr);
    EXPECT_EQ(x.m()->Modificado, 0u);
  }
}

}  // namespace
}  // namespace orvex::pruebas
