// What the Internet Mail and News builder writes that the store's reader passes over or
// cannot tell apart, and the dates every builder converts.
#include "pruebas/imn_constructor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "pruebas/dbx_constructor.h"

namespace orvex::pruebas {
namespace {

using namespace imnfmt;

TEST(ConstructorImnTest, CabecerasRellenoYRegistroMuerto) {
  BuzonImn b;
  b.nombre = "Inbox";
  b.mensajes = {MensajeVivo(4, "abc", "uno"), MensajeVivo(9, "0123", "dos")};
  b.mensajes[1].muerto = true;
  b.mensajes[1].primera_palabra = 0xCAFE;
  const MapaImn m = ConstruirBuzonImn(b);
  EXPECT_EQ(LeerPalabra(m.mbx, kMbxFirma), kFirmaMbx);
  EXPECT_EQ(LeerPalabra(m.mbx, kMbxVersion), kVersionMbx);
  EXPECT_EQ(LeerPalabra(m.idx, kIdxNumMensajes), 1u);  // live records only
  // Mailbox records: a 16-byte head, the text, zeros to a multiple of 4.
  ASSERT_EQ(m.bloques, (std::vector<uint32_t>{kLongCabMbx, kLongCabMbx + 20}));
  EXPECT_EQ(std::vector<uint8_t>(m.mbx.begin() + kLongCabMbx + 16, m.mbx.begin() + kLongCabMbx + 20),
            (std::vector<uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_EQ(LeerPalabra(m.mbx, m.bloques[1]), 0xCAFEu);
  EXPECT_EQ(LeerPalabra(m.idx, m.registros[1] + kRegFlags) & kFlagMuerto, kFlagMuerto);

  DirectorioTemporal dir;
  BuzonImn ausente, ajeno;
  ausente.nombre = "A";
  ausente.indice = IndiceImn::kAusente;
  ajeno.nombre = "B";
  ajeno.indice = IndiceImn::kAjeno;
  EscribirAlmacenImn(dir.Ruta(), {ausente, ajeno});
  EXPECT_NO_THROW(dir.Leer("Mail/A.mbx"));
  EXPECT_THROW(dir.Leer("Mail/A.idx"), std::exception);
  EXPECT_NE(LeerPalabra(dir.Leer("Mail/B.idx"), 0), kFirmaIdx);
}

// A part entry runs from its delimiter line to the line end before the next one.
TEST(ConstructorImnTest, EntradasDesdeLosDelimitadores) {
  const std::string t = "H: v\r\n\r\n--F\r\nA\r\n\r\nx\r\n--F\r\nB\r\n\r\ny\r\n--F--\r\n";
  const auto e = EntradasPorFronteras(t, "F");
  const uint32_t d2 = static_cast<uint32_t>(t.find("--F\r\nB")), cierre = static_cast<uint32_t>(t.find("--F--"));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].inicio, 0u);
  EXPECT_EQ(e[0].longitud, d2 - 2);
  EXPECT_EQ(e[1].inicio, d2);
  EXPECT_EQ(e[1].longitud, cierre - 2 - d2);
  EXPECT_TRUE(EntradasPorFronteras("no boundary\r\n", "F").empty());
}

TEST(ConstructorImnTest, FileTimeDeFechasConocidas) {
  struct Caso {
    int anio, mes, dia, hora, minuto;
    uint64_t esperado;
  };
  const Caso casos[] = {{1601, 1, 1, 0, 0, 0},
                        {1970, 1, 1, 0, 0, 116444736000000000ull},
                        {2000, 2, 29, 0, 0, (951782400ull + 11644473600ull) * 10000000ull},
                        {2001, 3, 5, 13, 7, kFechaPorDefecto}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.anio);
    EXPECT_EQ(FileTimeUtc(c.anio, c.mes, c.dia, c.hora, c.minuto), c.esperado);
    EXPECT_EQ(FileTime(c.anio, c.mes, c.dia, c.hora, c.minuto, 0), c.esperado);
  }
}

}  // namespace
}  // namespace orvex::pruebas
