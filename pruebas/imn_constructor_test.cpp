// The Internet Mail and News builder: headers, record layout, padding, part entries and the
// registry entry, checked byte by byte against the format's constants.
#include "pruebas/imn_constructor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"

namespace orvex::pruebas {
namespace {

using namespace imnfmt;

uint32_t Le32(const std::vector<uint8_t>& b, std::size_t p) {
  return b[p] | b[p + 1] << 8 | b[p + 2] << 16 | static_cast<uint32_t>(b[p + 3]) << 24;
}

TEST(ConstructorImnTest, CabecerasYRegistrosSiguenElFormato) {
  BuzonImn b;
  b.nombre = "Inbox";
  MensajeImn m1 = MensajeVivo(4, "abc", "uno");
  MensajeImn m2 = MensajeVivo(9, "0123", "dos");
  m2.muerto = true;
  m2.primera_palabra = 0xCAFE;
  b.mensajes = {m1, m2};
  const MapaImn mapa = ConstruirBuzonImn(b);

  EXPECT_EQ(Le32(mapa.idx, kIdxFirma), kFirmaIdx);
  EXPECT_EQ(Le32(mapa.idx, kIdxVersion), kVersionIdx);
  EXPECT_EQ(Le32(mapa.idx, kIdxNumMensajes), 1u);  // live records only
  EXPECT_EQ(Le32(mapa.idx, kIdxFinRegistros), mapa.idx.size());
  EXPECT_EQ(Le32(mapa.mbx, kMbxFirma), kFirmaMbx);
  EXPECT_EQ(Le32(mapa.mbx, kMbxVersion), kVersionMbx);
  EXPECT_EQ(Le32(mapa.mbx, kMbxNumRegistros), 2u);
  EXPECT_EQ(Le32(mapa.mbx, kMbxUltimoId), 9u);
  EXPECT_EQ(Le32(mapa.mbx, kMbxTamDatos), mapa.mbx.size() - kLongCabMbx);

  // Mailbox records: 16-byte head, text, fill to a multiple of 4.
  ASSERT_EQ(mapa.bloques, (std::vector<uint32_t>{kLongCabMbx, kLongCabMbx + 20}));
  EXPECT_EQ(Le32(mapa.mbx, mapa.bloques[0] + kBloqueTam), 20u);
  EXPECT_EQ(Le32(mapa.mbx, mapa.bloques[0] + kBloqueLongTexto), 3u);
  EXPECT_EQ(mapa.mbx[mapa.bloques[0] + 19], 0);
  EXPECT_EQ(Le32(mapa.mbx, mapa.bloques[1]), 0xCAFEu);
  EXPECT_EQ(Le32(mapa.mbx, mapa.bloques[1] + kBloqueId), 9u);
  EXPECT_EQ(Le32(mapa.mbx, mapa.bloques[1] + kBloqueTam), 20u);
  EXPECT_EQ(mapa.mbx.size(), kLongCabMbx + 40u);

  // Index records chain by their own offset and length.
  ASSERT_EQ(mapa.registros.size(), 2u);
  EXPECT_EQ(mapa.registros[0], kLongCabIdx);
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const uint32_t r = mapa.registros[i];
    EXPECT_EQ(Le32(mapa.idx, r + kRegPosPropia), r);
    EXPECT_EQ(Le32(mapa.idx, r + kRegPosBuzon), mapa.bloques[i]);
    EXPECT_EQ(Le32(mapa.idx, r + kRegFlags) & kFlagMuerto, i == 1 ? 1u : 0u);
    EXPECT_EQ(Le32(mapa.idx, r + kRegNumEntradas), 1u);
    const uint32_t fin = i == 0 ? mapa.registros[1] : static_cast<uint32_t>(mapa.idx.size());
    EXPECT_EQ(r + Le32(mapa.idx, r + kRegLongitud), fin);
    // Tail: dates, 2 bytes, then subject, second text and sender as counted texts with NUL.
    const uint32_t cola = r + kLongCabRegistro + kLongEntrada;
    EXPECT_EQ(Le32(mapa.idx, cola), static_cast<uint32_t>(FileTimeUtc(1999, 3, 5, 14, 7)));
    const uint32_t asunto = cola + kLongFechas + kLongTrasFechas;
    EXPECT_EQ(Le32(mapa.idx, asunto), 4u);
    EXPECT_EQ(std::string(mapa.idx.begin() + asunto + 4, mapa.idx.begin() + asunto + 8), i == 0 ? std::string("uno\0", 4) : std::string("dos\0", 4));
  }
}

TEST(ConstructorImnTest, LasEntradasMidenLasPartesDesdeSusDelimitadores) {
  const std::string t = "H: v\r\n\r\n--F\r\nA\r\n\r\nx\r\n--F\r\nB\r\n\r\ny\r\n--F--\r\n";
  const auto e = EntradasPorFronteras(t, "F");
  const uint32_t d2 = static_cast<uint32_t>(t.find("--F\r\nB"));
  const uint32_t cierre = static_cast<uint32_t>(t.find("--F--"));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].inicio, 0u);
  EXPECT_EQ(e[0].longitud, d2 - 2);
  EXPECT_EQ(e[1].inicio, d2);
  EXPECT_EQ(e[1].longitud, cierre - 2 - d2);
  // Without its boundary the text is no multipart: no part entries.
  EXPECT_TRUE(EntradasPorFronteras("no boundary\r\n", "F").empty());
}

TEST(ConstructorImnTest, FileTimeDeFechasConocidas) {
  struct Caso {
    int anio, mes, dia, hora, minuto;
    uint64_t esperado;
  };
  const Caso casos[] = {{1601, 1, 1, 0, 0, 0},
                        {1970, 1, 1, 0, 0, 116444736000000000ull},
                        {2000, 3, 1, 12, 30, 125963874000000000ull}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.anio);
    EXPECT_EQ(FileTimeUtc(c.anio, c.mes, c.dia, c.hora, c.minuto), c.esperado);
  }
}

TEST(ConstructorImnTest, UnIndiceAusenteOAjenoSeEscribeAsi) {
  DirectorioTemporal dir;
  BuzonImn ausente;
  ausente.nombre = "A";
  ausente.indice = IndiceImn::kAusente;
  BuzonImn ajeno;
  ajeno.nombre = "B";
  ajeno.indice = IndiceImn::kAjeno;
  EscribirAlmacenImn(dir.Ruta(), {ausente, ajeno});
  EXPECT_NO_THROW(dir.Leer("Mail/A.mbx"));
  EXPECT_THROW(dir.Leer("Mail/A.idx"), std::exception);
  EXPECT_NE(Le32(dir.Leer("Mail/B.idx"), 0), kFirmaIdx);
  RegistroPrueba registro;
  DescribirRegistroImn(registro, std::string("C:\\Stores"));
  const std::string texto = registro.Texto(RegistroPrueba::Formato::kRegedit4);
  EXPECT_NE(texto.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]"), std::string::npos);
  EXPECT_NE(texto.find("\"Store Root\"=\"C:\\\\Stores\""), std::string::npos);
}

}  // namespace
}  // namespace orvex::pruebas
