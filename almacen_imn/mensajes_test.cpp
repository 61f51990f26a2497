// Message listings of a built store: through the public exports as a host drives them, through
// the backend where the export's subject refresh would hide what the index says, and over damaged
// files, one field at a time: every listing and write-back ends with a result code, never reads
// outside the files, and a write-back that finds the files changed under it writes nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/mensajes_mime.h"
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

// Each live message with its text and the fields of its index record, the texts cut as the
// stored subject is, and the words of its part entries. The parts mark (the third gen word)
// follows the number of entries and byte 34 of the record: messages 11 on, given their entries
// and byte 34. Dead records at the end: it ends with 2.
TEST(MensajesImnTest, CadaMensajeLlevaSuTextoYLosCamposDeSuRegistro) {
  std::vector<BuzonImn> d = AlmacenImnEjemplo();
  const std::pair<std::size_t, uint8_t> marcas[] = {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 0}, {3, 0}};
  for (const auto& [entradas, byte34] : marcas) {
    d[0].mensajes.push_back(MensajeVivo(static_cast<uint32_t>(d[0].mensajes.size() + 7), MensajeSimple(), "x"));
    d[0].mensajes.back().entradas.assign(entradas, EntradaImn{});
    d[0].mensajes.back().byte_partes = byte34;
  }
  d[0].mensajes.insert(d[0].mensajes.end(), 2, d[0].mensajes[1]);
  AlmacenInstalado almacen(d);
  CarpetaPorId c(1);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(imn::ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_OK);
  std::string visto;
  uint32_t r;
  while ((r = imn::ObtenerMensajes(c.c, &m, OE_SIGUIENTE)) == OE_OK && visto.size() < 100000) {
    visto += Volcar(*m, almacen.Raiz()) + " nombre=" + m->NombreCarpeta + " entradas=";
    for (uint32_t i = 0; imn::Entradas(*m) != nullptr && i < imn::NumEntradas(*m) * kLongEntrada; i += 4) {
      visto += std::to_string(imn::Le32(imn::Entradas(*m) + i)) + ",";
    }
    visto += "\n";
  }
  EXPECT_EQ(imn::ObtenerMensajes(c.c, &m, OE_CERRAR), OE_OK);
  EXPECT_VOLCADO(kVolcados, "volcados_imn", "inbox", visto + "resultado " + std::to_string(r) + "\n");
}

const std::map<std::string, uint32_t> kCampos = {
    {"idx firma", kIdxFirma}, {"idx version", kIdxVersion}, {"idx mensajes", kIdxNumMensajes},
    {"idx fin de registros", kIdxFinRegistros}, {"reg posicion propia", kRegPosPropia},
    {"reg longitud", kRegLongitud}, {"reg entradas", kRegNumEntradas}, {"reg bloque", kRegPosBuzon},
    {"reg asunto", kLongCabRegistro + kLongEntrada + kLongFechas + kLongTrasFechas}, {"mbx firma", kMbxFirma},
    {"mbx version", kMbxVersion}, {"bloque0 longitud del texto", kBloqueLongTexto}, {"bloque0 tamano", kBloqueTam}};

// Writes Inbox back clean with the word of one line of the damage table changed.
void Danar(AlmacenInstalado& almacen, const std::vector<std::string>& fila) {
  const std::string &base = fila[2], &valor = fila[4];
  const MapaImn& m = almacen.Imn("Inbox");
  const bool registro = base == "reg0" || base == "reg2", en_indice = registro || base == "idx";
  almacen.Escribir(en_indice ? "Mail/Inbox.mbx" : "Mail/Inbox.idx", en_indice ? m.mbx : m.idx);
  std::vector<uint8_t> b = en_indice ? m.idx : m.mbx;
  const uint32_t donde = base == "reg0" ? m.registros[0] : base == "reg2" ? m.registros[2] : base == "bloque0" ? m.bloques[0] : 0;
  const uint32_t pos = donde + kCampos.at((registro ? "reg" : base) + " " + fila[3]);
  const int64_t de = valor == "mas"      ? imn::Le32(b.data() + pos)
                     : valor == "tamano" ? static_cast<int64_t>(b.size())
                     : valor == "buzon"  ? static_cast<int64_t>(m.mbx.size())
                                         : 0;
  imn::Pon32(b.data() + pos, static_cast<uint32_t>(valor == "propio" ? pos : de + std::stoll(fila[5], nullptr, 0)));
  almacen.Escribir(en_indice ? "Mail/Inbox.idx" : "Mail/Inbox.mbx", b);
}

// Each damaged word of the table: met by the listing, it gives a code and the listing stays
// inside the files; made between a listing and its write-back, the write-back refuses and writes
// nothing.
TEST(CorrupcionImnTest, UnaPalabraDanadaDaUnCodigoYNoSeSobrescribe) {
  for (const auto& fila : Filas(kDanos)) {
    SCOPED_TRACE(fila[1]);
    AlmacenInstalado almacen(AlmacenImnEjemplo());
    if (fila[0] == "listado") {
      Danar(almacen, fila);
      CarpetaPorId c(1);
      EXPECT_VOLCADO(kVolcados, "volcados_imn", fila[1], VolcarMensajes(c.c, almacen.Raiz()));
      continue;
    }
    CarpetaPorId c(1);
    bool visto = false;
    RecorrerMensajes(c.c, [&](uint32_t modo, uint32_t r, OE_MENSAJE* m) {
      if (modo != OE_SIGUIENTE || r != OE_OK || m->IdMensaje != 3) return;
      visto = true;
      OE_OBJMSG* o = nullptr;
      for (uint32_t modo_obj : {OE_PRIMERO, OE_SIGUIENTE, OE_SIGUIENTE}) {
        ASSERT_EQ(OE_ObtenerObjMsg(m, &o, modo_obj), OE_OK);
      }
      ASSERT_EQ(OE_GuardarObjMsg(m, o, ACCION_BORRAR), OE_OK);
      Danar(almacen, fila);
      const auto antes = std::pair(almacen.Leer("Mail/Inbox.idx"), almacen.Leer("Mail/Inbox.mbx"));
      EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE), OE_FIN);
      EXPECT_EQ(std::pair(almacen.Leer("Mail/Inbox.idx"), almacen.Leer("Mail/Inbox.mbx")), antes);
    });
    EXPECT_TRUE(visto);
  }
}

}  // namespace
}  // namespace orvex::pruebas
