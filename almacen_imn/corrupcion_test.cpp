// Damaged stores, one field at a time: every listing, part walk and write-back ends with a
// result code, never reads outside the files, and a write-back that finds the files changed
// under it writes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "almacen_imn/prueba_imn.h"
#include "mensaje/buffer_flujo.h"

namespace orvex::pruebas {
namespace {

using namespace imnfmt;

enum class Base { kCabIdx, kReg0, kReg2, kCabMbx, kBloque0 };

struct Dano {
  const char* nombre;
  Base base;
  uint32_t desplazamiento;
  // The new value of the 32-bit word, from the built files, the field's own place and its value.
  std::function<uint32_t(const MapaImn& mapa, bool en_indice, uint32_t pos, uint32_t viejo)> valor;
};

uint32_t PosBase(const MapaImn& m, Base b) {
  switch (b) {
    case Base::kCabIdx: return 0;
    case Base::kReg0: return m.registros[0];
    case Base::kReg2: return m.registros[2];
    case Base::kCabMbx: return 0;
    case Base::kBloque0: return m.bloques[0];
  }
  return 0;
}
bool EnIndice(Base b) { return b == Base::kCabIdx || b == Base::kReg0 || b == Base::kReg2; }

auto Fijo(uint32_t v) {
  return [v](const MapaImn&, bool, uint32_t, uint32_t) { return v; };
}
auto Delta(int32_t d) {
  return [d](const MapaImn&, bool, uint32_t, uint32_t viejo) { return viejo + static_cast<uint32_t>(d); };
}
// The size of the damaged file plus d.
auto TamanoMas(int32_t d) {
  return [d](const MapaImn& m, bool en_indice, uint32_t, uint32_t) {
    return static_cast<uint32_t>((en_indice ? m.idx : m.mbx).size()) + static_cast<uint32_t>(d);
  };
}
// The size of the mailbox file plus d (for the index's pointers into it).
auto TamanoBuzonMas(int32_t d) {
  return [d](const MapaImn& m, bool, uint32_t, uint32_t) { return static_cast<uint32_t>(m.mbx.size()) + static_cast<uint32_t>(d); };
}
auto ElMismo() {
  return [](const MapaImn&, bool, uint32_t pos, uint32_t) { return pos; };
}

// Damages one word of the store's Inbox and returns the damaged images.
void Danar(AlmacenImnInstalado& almacen, const Dano& d) {
  const MapaImn& m = almacen.Mapa("Inbox");
  const bool idx = EnIndice(d.base);
  std::vector<uint8_t> bytes = idx ? m.idx : m.mbx;
  const uint32_t pos = PosBase(m, d.base) + d.desplazamiento;
  imn::Pon32(bytes.data() + pos, d.valor(m, idx, pos, imn::Le32(bytes.data() + pos)));
  almacen.Escribir(idx ? "Inbox.idx" : "Inbox.mbx", bytes);
}

struct Salida {
  uint32_t primero = 0;
  std::vector<uint32_t> resultados;  // every mode 2 result up to the end
};

// Lists Inbox as a host that goes on after an error, and walks the parts of each message.
Salida ListarYRecorrer() {
  Salida s;
  CarpetaImn c(1);
  EXPECT_EQ(c.resultado, OE_OK);
  if (c.c == nullptr) return s;
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

struct CasoLectura {
  Dano dano;
  uint32_t primero;
  std::vector<uint32_t> resultados;
};

class CorrupcionImnTest : public ::testing::TestWithParam<CasoLectura> {};

TEST_P(CorrupcionImnTest, ElListadoDaUnCodigoYSigueDentroDelArchivo) {
  const CasoLectura& caso = GetParam();
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  Danar(almacen, caso.dano);
  const Salida s = ListarYRecorrer();
  EXPECT_EQ(s.primero, caso.primero);
  EXPECT_EQ(s.resultados, caso.resultados);
}

constexpr uint32_t kOk = OE_OK, kErr = OE_ERROR, kFin = OE_FIN;
const std::vector<uint32_t> kTresYFin = {kOk, kOk, kOk, kFin};

INSTANTIATE_TEST_SUITE_P(
    CamposDanados, CorrupcionImnTest,
    ::testing::Values(
        // Index header.
        CasoLectura{{"firma del indice", Base::kCabIdx, kIdxFirma, Fijo(0)}, OE_SIN_MENSAJES, {}},
        CasoLectura{{"version del indice", Base::kCabIdx, kIdxVersion, Delta(1)}, OE_SIN_MENSAJES, {}},
        CasoLectura{{"cuenta cero", Base::kCabIdx, kIdxNumMensajes, Fijo(0)}, OE_SIN_MENSAJES, {}},
        CasoLectura{{"cuenta negativa", Base::kCabIdx, kIdxNumMensajes, Fijo(0xFFFFFFFFu)}, OE_SIN_MENSAJES, {}},
        CasoLectura{{"fin de registros cero", Base::kCabIdx, kIdxFinRegistros, Fijo(0)}, OE_OK, {kFin}},
        CasoLectura{{"fin de registros en la cabecera", Base::kCabIdx, kIdxFinRegistros, Fijo(kLongCabIdx)}, OE_OK, {kFin}},
        CasoLectura{{"fin de registros maximo", Base::kCabIdx, kIdxFinRegistros, Fijo(0xFFFFFFFFu)}, OE_OK,
                    {kOk, kOk, kOk, kErr, kFin}},
        CasoLectura{{"fin de registros uno de mas", Base::kCabIdx, kIdxFinRegistros, TamanoMas(1)}, OE_OK,
                    {kOk, kOk, kOk, kErr, kFin}},
        CasoLectura{{"fin de registros en si mismo", Base::kCabIdx, kIdxFinRegistros, ElMismo()}, OE_OK, {kFin}},
        CasoLectura{{"fin de registros uno de menos", Base::kCabIdx, kIdxFinRegistros, TamanoMas(-1)}, OE_OK, kTresYFin},
        // First record's chain link and table.
        CasoLectura{{"posicion propia cero", Base::kReg0, kRegPosPropia, Fijo(0)}, OE_OK, {kErr, kFin}},
        CasoLectura{{"posicion propia desplazada", Base::kReg0, kRegPosPropia, Delta(1)}, OE_OK, {kErr, kFin}},
        CasoLectura{{"longitud cero", Base::kReg0, kRegLongitud, Fijo(0)}, OE_OK, {kErr, kFin}},
        CasoLectura{{"longitud maxima", Base::kReg0, kRegLongitud, Fijo(0xFFFFFFFFu)}, OE_OK, {kErr, kFin}},
        CasoLectura{{"longitud uno de mas", Base::kReg0, kRegLongitud, Delta(1)}, OE_OK, {kOk, kErr, kFin}},
        CasoLectura{{"longitud uno de menos", Base::kReg0, kRegLongitud, Delta(-1)}, OE_OK, {kOk, kErr, kFin}},
        CasoLectura{{"longitud igual a su posicion", Base::kReg0, kRegLongitud, ElMismo()}, OE_OK, {kOk, kErr, kFin}},
        CasoLectura{{"longitud hasta el final", Base::kReg0, kRegLongitud, TamanoMas(-static_cast<int32_t>(kLongCabIdx))},
                    OE_OK, {kOk, kFin}},
        CasoLectura{{"entradas maximas", Base::kReg0, kRegNumEntradas, Fijo(0xFFFFFFFFu)}, OE_OK, {kErr, kFin}},
        CasoLectura{{"entradas que no caben", Base::kReg0, kRegNumEntradas, Fijo(1000)}, OE_OK, {kErr, kFin}},
        CasoLectura{{"una entrada de mas", Base::kReg0, kRegNumEntradas, Delta(1)}, OE_OK, kTresYFin},
        CasoLectura{{"bloque en cero", Base::kReg0, kRegPosBuzon, Fijo(0)}, OE_OK, kTresYFin},
        CasoLectura{{"bloque fuera", Base::kReg0, kRegPosBuzon, Fijo(0xFFFFFFF0u)}, OE_OK, {kErr, kOk, kOk, kFin}},
        CasoLectura{{"bloque al final", Base::kReg0, kRegPosBuzon, TamanoBuzonMas(-16)}, OE_OK, {kOk, kOk, kOk, kFin}},
        CasoLectura{{"bloque cortado", Base::kReg0, kRegPosBuzon, TamanoBuzonMas(-15)}, OE_OK, {kErr, kOk, kOk, kFin}},
        // Counted texts of the first record (subject length at head + table + 18).
        CasoLectura{{"asunto enorme", Base::kReg0, kLongCabRegistro + kLongEntrada + kLongFechas + kLongTrasFechas,
                     Fijo(0xFFFFFFFFu)}, OE_OK, kTresYFin},
        CasoLectura{{"asunto vacio", Base::kReg0, kLongCabRegistro + kLongEntrada + kLongFechas + kLongTrasFechas,
                     Fijo(0)}, OE_OK, kTresYFin},
        // A dead record that points at itself is still a link that does not advance.
        CasoLectura{{"muerto sin longitud", Base::kReg2, kRegLongitud, Fijo(0)}, OE_OK, {kOk, kErr, kFin}},
        // Mailbox.
        CasoLectura{{"firma del buzon", Base::kCabMbx, kMbxFirma, Fijo(0)}, OE_OK, {kErr, kErr, kErr, kFin}},
        CasoLectura{{"version del buzon", Base::kCabMbx, kMbxVersion, Delta(-1)}, OE_OK, {kErr, kErr, kErr, kFin}},
        CasoLectura{{"texto enorme", Base::kBloque0, kBloqueLongTexto, Fijo(0xFFFFFFFFu)}, OE_OK, kTresYFin},
        CasoLectura{{"texto vacio", Base::kBloque0, kBloqueLongTexto, Fijo(0)}, OE_OK, kTresYFin},
        CasoLectura{{"bloque enorme", Base::kBloque0, kBloqueTam, Fijo(0xFFFFFFFFu)}, OE_OK, kTresYFin}),
    [](const ::testing::TestParamInfo<CasoLectura>& info) {
      std::string n = info.param.dano.nombre;
      for (char& c : n) {
        if (c == ' ') c = '_';
      }
      return n;
    });

// Random bytes of either file, a few at a time: whatever the damage, the listing and the part
// walks end with result codes inside their bounds (the sanitizer build watches the reads).
TEST(CorrupcionAleatoriaImnTest, CualquierByteDanadoDaCodigos) {
  const std::vector<BuzonImn> descripcion = AlmacenImnEjemplo();
  const MapaImn limpio = ConstruirBuzonImn(descripcion[0]);
  uint32_t estado = 12345;
  auto azar = [&]() {
    estado = estado * 1103515245u + 12345u;
    return estado >> 8;
  };
  AlmacenImnInstalado almacen(descripcion);
  for (int vuelta = 0; vuelta < 150; ++vuelta) {
    SCOPED_TRACE(vuelta);
    std::vector<uint8_t> idx = limpio.idx;
    std::vector<uint8_t> mbx = limpio.mbx;
    for (int k = 0; k < 3; ++k) {
      std::vector<uint8_t>& b = azar() % 2 == 0 ? idx : mbx;
      b[azar() % b.size()] = static_cast<uint8_t>(azar());
    }
    almacen.Escribir("Inbox.idx", idx);
    almacen.Escribir("Inbox.mbx", mbx);
    const Salida s = ListarYRecorrer();
    EXPECT_LE(s.resultados.size(), 20u);
    if (!s.resultados.empty()) {
      EXPECT_EQ(s.resultados.back(), kFin);
    }
  }
}

// The files change between the listing and the write-back: the write-back refuses and writes
// nothing.
TEST(CorrupcionReescrituraImnTest, UnArchivoCambiadoBajoLaReescrituraNoSeToca) {
  const Dano danos[] = {
      {"registro ya muerto", Base::kReg2, kRegFlags, Delta(1)},
      {"otra tabla", Base::kReg2, kRegNumEntradas, Delta(1)},
      {"otra longitud", Base::kReg2, kRegLongitud, Delta(4)},
      {"registro movido", Base::kReg2, kRegPosPropia, Delta(4)},
      {"firma del indice", Base::kCabIdx, kIdxFirma, Fijo(0)},
      {"fin de registros antes del registro", Base::kCabIdx, kIdxFinRegistros, Fijo(kLongCabIdx)},
      {"fin de registros tras el indice", Base::kCabIdx, kIdxFinRegistros, TamanoMas(1)},
      {"firma del buzon", Base::kCabMbx, kMbxFirma, Fijo(0)},
      {"version del buzon", Base::kCabMbx, kMbxVersion, Fijo(0)},
  };
  for (const Dano& d : danos) {
    SCOPED_TRACE(d.nombre);
    AlmacenImnInstalado almacen(AlmacenImnEjemplo());
    CarpetaImn c(1);
    ListadoAbierto l(c.c);
    ASSERT_TRUE(l.IrA(3));
    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_GuardarObjMsg(l.m, o, ACCION_BORRAR), OE_OK);
    Danar(almacen, d);
    const auto idx = almacen.Leer("Inbox.idx");
    const auto mbx = almacen.Leer("Inbox.mbx");
    EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_FIN);
    EXPECT_EQ(almacen.Leer("Inbox.idx"), idx);
    EXPECT_EQ(almacen.Leer("Inbox.mbx"), mbx);
    EXPECT_EQ(l.m->Reescrito, nullptr);
  }
}

// Objects whose positions do not belong to the message: the actions refuse them.
TEST(CorrupcionAccionesImnTest, UnObjetoConPosicionesImposiblesSeRechaza) {
  struct Caso {
    const char* nombre;
    void (*danar)(OE_OBJMSG&, const OE_MENSAJE&);
    uint32_t resultado;
  };
  const Caso casos[] = {
      {"inicio tras el siguiente", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.PosInicioParte = o.PosSigParte + 1; },
       OE_ERROR},
      {"siguiente fuera del texto", [](OE_OBJMSG& o, const OE_MENSAJE& m) { o.PosSigParte = m.LongTexto + 1; },
       OE_ERROR},
      {"parte mas larga que su tramo", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.LongParte = 0xFFFFFFFFu; }, OE_ERROR},
      {"contenido a media linea", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.LongParte -= 1; }, OE_ERROR},
      {"objeto de otro mensaje", [](OE_OBJMSG& o, const OE_MENSAJE&) { o.IdMensaje += 1; }, OE_ERROR_PARAM},
      {"sin nombre de parametro en la cabecera",
       [](OE_OBJMSG& o, const OE_MENSAJE&) { o.LongParte = o.PosSigParte - o.PosInicioParte; }, OE_ERROR},
      {"nombre que llena su campo sin NUL",
       [](OE_OBJMSG& o, const OE_MENSAJE&) { std::memset(o.NombreParte, 'v', sizeof o.NombreParte); }, OE_ERROR},
  };
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CarpetaImn c(1);
    ListadoAbierto l(c.c);
    ASSERT_TRUE(l.IrA(3));
    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_SIGUIENTE), OE_OK);
    caso.danar(*o, *l.m);
    EXPECT_EQ(OE_GuardarObjMsg(l.m, o, ACCION_RENOMBRAR), caso.resultado);
    EXPECT_EQ(l.m->Reescrito, nullptr);
    EXPECT_EQ(l.m->Modificado, 0u);
    EXPECT_EQ(OE_ObtenerObjMsg(l.m, &o, OE_CERRAR), OE_OK);
  }
}

}  // namespace
}  // namespace orvex::pruebas
