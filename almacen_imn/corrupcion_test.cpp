// Damaged stores, one field at a time: every listing, part walk and write-back ends with a
// result code, never reads outside the files, and a write-back that finds the files changed
// under it writes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"

namespace orvex::pruebas {
namespace {

using namespace imnfmt;

enum class Base { kCabIdx, kReg0, kReg2, kCabMbx, kBloque0 };
// The new value of the word: n itself, the old value + n, the damaged file's size + n, the
// mailbox's size + n (for the index's pointers into it), or the word's own offset.
enum class Valor { kFijo, kMas, kTamano, kTamanoBuzon, kPropio };
using enum Base;
using enum Valor;

struct Dano {
  const char* nombre;
  Base base;
  uint32_t desplazamiento;
  Valor valor;
  int64_t n;
};

// Writes Inbox back clean with one word of one of its files damaged.
void Danar(AlmacenImnInstalado& almacen, const Dano& d) {
  const MapaImn& m = almacen.Mapa("Inbox");
  const bool en_indice = d.base == kCabIdx || d.base == kReg0 || d.base == kReg2;
  almacen.Escribir(en_indice ? "Inbox.mbx" : "Inbox.idx", en_indice ? m.mbx : m.idx);
  std::vector<uint8_t> b = en_indice ? m.idx : m.mbx;
  const uint32_t bases[] = {0, m.registros[0], m.registros[2], 0, m.bloques[0]};
  const uint32_t pos = bases[static_cast<int>(d.base)] + d.desplazamiento;
  const int64_t de[] = {0, imn::Le32(b.data() + pos), static_cast<int64_t>(b.size()),
                        static_cast<int64_t>(m.mbx.size()), pos};
  imn::Pon32(b.data() + pos, static_cast<uint32_t>(de[static_cast<int>(d.valor)] + (d.valor == kPropio ? 0 : d.n)));
  almacen.Escribir(en_indice ? "Inbox.idx" : "Inbox.mbx", b);
}

struct Salida {
  uint32_t primero = 0;
  std::vector<uint32_t> resultados;  // every mode 2 result up to the end
};

// Lists Inbox as a host that goes on after an error, and walks the parts of each message.
Salida ListarYRecorrer() {
  Salida s;
  CarpetaAbierta c(1);
  EXPECT_EQ(c.resultado, OE_OK);
  ListadoAbierto l(c.c);
  s.primero = l.primero;
  if (l.primero != OE_OK) return s;
  for (int i = 0; i < 100; ++i) {
    const uint32_t r = l.Siguiente();
    s.resultados.push_back(r);
    if (r == OE_FIN) break;
    if (r != OE_OK) continue;
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
    int partes = 0;
    while (OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE) == OE_OK) ++partes;
    EXPECT_LT(partes, 100);
  }
  return s;
}

constexpr uint32_t kOk = OE_OK, kErr = OE_ERROR, kFin = OE_FIN;
constexpr uint32_t kAsunto = kLongCabRegistro + kLongEntrada + kLongFechas + kLongTrasFechas;  // in record 0

TEST(CorrupcionImnTest, ElListadoDaUnCodigoYSigueDentroDelArchivo) {
  struct Caso {
    Dano dano;
    uint32_t primero;
    std::vector<uint32_t> resultados;
  };
  const std::vector<uint32_t> tres = {kOk, kOk, kOk, kFin};
  const Caso casos[] = {
      {{"firma del indice", kCabIdx, kIdxFirma, kFijo, 0}, OE_SIN_MENSAJES, {}},
      {{"version del indice", kCabIdx, kIdxVersion, kMas, 1}, OE_SIN_MENSAJES, {}},
      {{"cuenta cero", kCabIdx, kIdxNumMensajes, kFijo, 0}, OE_SIN_MENSAJES, {}},
      {{"cuenta negativa", kCabIdx, kIdxNumMensajes, kFijo, 0xFFFFFFFF}, OE_SIN_MENSAJES, {}},
      {{"fin de registros cero", kCabIdx, kIdxFinRegistros, kFijo, 0}, kOk, {kFin}},
      {{"fin de registros en la cabecera", kCabIdx, kIdxFinRegistros, kFijo, kLongCabIdx}, kOk, {kFin}},
      {{"fin de registros maximo", kCabIdx, kIdxFinRegistros, kFijo, 0xFFFFFFFF}, kOk, {kOk, kOk, kOk, kErr, kFin}},
      {{"fin de registros uno de mas", kCabIdx, kIdxFinRegistros, kTamano, 1}, kOk, {kOk, kOk, kOk, kErr, kFin}},
      {{"fin de registros en si mismo", kCabIdx, kIdxFinRegistros, kPropio, 0}, kOk, {kFin}},
      {{"fin de registros uno de menos", kCabIdx, kIdxFinRegistros, kTamano, -1}, kOk, tres},
      {{"posicion propia cero", kReg0, kRegPosPropia, kFijo, 0}, kOk, {kErr, kFin}},
      {{"posicion propia desplazada", kReg0, kRegPosPropia, kMas, 1}, kOk, {kErr, kFin}},
      {{"longitud cero", kReg0, kRegLongitud, kFijo, 0}, kOk, {kErr, kFin}},
      {{"longitud maxima", kReg0, kRegLongitud, kFijo, 0xFFFFFFFF}, kOk, {kErr, kFin}},
      {{"longitud uno de mas", kReg0, kRegLongitud, kMas, 1}, kOk, {kOk, kErr, kFin}},
      {{"longitud uno de menos", kReg0, kRegLongitud, kMas, -1}, kOk, {kOk, kErr, kFin}},
      {{"longitud igual a su posicion", kReg0, kRegLongitud, kPropio, 0}, kOk, {kOk, kErr, kFin}},
      {{"longitud hasta el final", kReg0, kRegLongitud, kTamano, -int64_t{kLongCabIdx}}, kOk, {kOk, kFin}},
      {{"entradas maximas", kReg0, kRegNumEntradas, kFijo, 0xFFFFFFFF}, kOk, {kErr, kFin}},
      {{"entradas que no caben", kReg0, kRegNumEntradas, kFijo, 1000}, kOk, {kErr, kFin}},
      {{"una entrada de mas", kReg0, kRegNumEntradas, kMas, 1}, kOk, tres},
      {{"bloque en cero", kReg0, kRegPosBuzon, kFijo, 0}, kOk, tres},
      {{"bloque fuera", kReg0, kRegPosBuzon, kFijo, 0xFFFFFFF0}, kOk, {kErr, kOk, kOk, kFin}},
      {{"bloque al final", kReg0, kRegPosBuzon, kTamanoBuzon, -16}, kOk, tres},
      {{"bloque cortado", kReg0, kRegPosBuzon, kTamanoBuzon, -15}, kOk, {kErr, kOk, kOk, kFin}},
      {{"asunto enorme", kReg0, kAsunto, kFijo, 0xFFFFFFFF}, kOk, tres},
      {{"asunto vacio", kReg0, kAsunto, kFijo, 0}, kOk, tres},
      // A dead record that points at itself is still a link that does not advance.
      {{"muerto sin longitud", kReg2, kRegLongitud, kFijo, 0}, kOk, {kOk, kErr, kFin}},
      {{"firma del buzon", kCabMbx, kMbxFirma, kFijo, 0}, kOk, {kErr, kErr, kErr, kFin}},
      {{"version del buzon", kCabMbx, kMbxVersion, kMas, -1}, kOk, {kErr, kErr, kErr, kFin}},
      {{"texto enorme", kBloque0, kBloqueLongTexto, kFijo, 0xFFFFFFFF}, kOk, tres},
      {{"texto vacio", kBloque0, kBloqueLongTexto, kFijo, 0}, kOk, tres},
      {{"bloque enorme", kBloque0, kBloqueTam, kFijo, 0xFFFFFFFF}, kOk, tres},
  };
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.dano.nombre);
    Danar(almacen, caso.dano);
    const Salida s = ListarYRecorrer();
    EXPECT_EQ(s.primero, caso.primero);
    EXPECT_EQ(s.resultados, caso.resultados);
  }
}

// The files change between the listing and the write-back: the write-back refuses and writes
// nothing.
TEST(CorrupcionImnTest, UnArchivoCambiadoBajoLaReescrituraNoSeToca) {
  const Dano danos[] = {
      {"registro ya muerto", kReg2, kRegFlags, kMas, 1},
      {"otra tabla", kReg2, kRegNumEntradas, kMas, 1},
      {"otra longitud", kReg2, kRegLongitud, kMas, 4},
      {"registro movido", kReg2, kRegPosPropia, kMas, 4},
      {"firma del indice", kCabIdx, kIdxFirma, kFijo, 0},
      {"fin de registros antes del registro", kCabIdx, kIdxFinRegistros, kFijo, kLongCabIdx},
      {"fin de registros tras el indice", kCabIdx, kIdxFinRegistros, kTamano, 1},
      {"firma del buzon", kCabMbx, kMbxFirma, kFijo, 0},
      {"version del buzon", kCabMbx, kMbxVersion, kFijo, 0},
      // The copy appended to the mailbox would complete another message's cut block.
      {"otro bloque pasado el final del buzon", kReg0, kRegPosBuzon, kTamanoBuzon, -8},
  };
  for (const Dano& d : danos) {
    SCOPED_TRACE(d.nombre);
    AlmacenImnInstalado almacen(AlmacenImnEjemplo());
    ObjetoEnParte x(1, 3, 2);
    ASSERT_TRUE(x.listo);
    ASSERT_EQ(x.Guardar(ACCION_BORRAR), OE_OK);
    Danar(almacen, d);
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
  struct Caso {
    const char* nombre;
    void (*danar)(OE_OBJMSG&, const OE_MENSAJE&);
    uint32_t resultado;
  };
  const Caso casos[] = {
      {"inicio tras el siguiente", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.PosInicioParte = o.PosSigParte + 1; }, kErr},
      {"siguiente fuera del texto", [](OE_OBJMSG& o, const OE_MENSAJE& m) { o.PosSigParte = m.LongTexto + 1; }, kErr},
      {"parte mas larga que su tramo", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.LongParte = 0xFFFFFFFFu; }, kErr},
      {"contenido a media linea", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.LongParte -= 1; }, kErr},
      {"objeto de otro mensaje", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.IdMensaje += 1; }, OE_ERROR_PARAM},
      {"sin nombre de parametro en la cabecera",
       [](OE_OBJMSG& o, const OE_MENSAJE&) { o.LongParte = o.PosSigParte - o.PosInicioParte; }, kErr},
      {"nombre que llena su campo sin NUL",
       [](OE_OBJMSG& o, const OE_MENSAJE&) { std::memset(o.NombreParte, 'v', sizeof o.NombreParte); }, kErr},
  };
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    ObjetoEnParte x(1, 3, 2);
    ASSERT_TRUE(x.listo);
    caso.danar(*x.o, *x.m());
    EXPECT_EQ(x.Guardar(ACCION_RENOMBRAR), caso.resultado);
    EXPECT_EQ(x.m()->Reescrito, nullptr);
    EXPECT_EQ(x.m()->Modificado, 0u);
  }
}

}  // namespace
}  // namespace orvex::pruebas
