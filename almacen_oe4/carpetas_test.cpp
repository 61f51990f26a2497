// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>


#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/oe4.h"
#include "pruebas/prueba_oe4.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kCuenta = 0x80000001u;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe4.inc"
    ;

// The full listing with each folder's messages. The store has a third account without
// sublist.dat after the one with groups, and names longer than their field (cut to 255; the file
// name stored after a full name is still its own).
TEST(CarpetasOe4Test, ListadoCompletoYCierres) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.cuentas.push_back(d.cuentas[1]);
  d.cuentas[2].subclave = "00000003";
  d.cuentas[2].directorio = "sin.sublist";
  d.cuentas[2].con_sublist = false;
  d.correo.carpetas[0].nombre = std::string(300, 'n');
  d.cuentas[1].grupos[0].nombre = std::string(300, 'g');
  AlmacenOe4Instalado almacen(d);
  const auto& regs = almacen.Escrito().folders.registros;
  EXPECT_VOLCADO(kVolcados, "volcados_oe4", "carpetas", VolcarCarpetas(almacen.Directorio().Ruta()));

  // Closing a subfolder walk gives 0, closing the full listing 2. Without a place for the record
  // the backend refuses, as the export does.
  CarpetaPorId trabajo(3, regs[3]);
  EXPECT_EQ(oe4::ObtenerSubCarpetas(trabajo.Puntero(), nullptr, OE_PRIMERO), OE_ERROR_PARAM);
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_CERRAR), OE_OK);
  EXPECT_EQ(c, nullptr);
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_FIN);
  EXPECT_EQ(c, nullptr);
}

// Positions that are not where a record starts. A failed mail lookup frees its record; a failed
// news lookup leaves it for mode 3.
TEST(CarpetasOe4Test, BusquedasEnPosicionesAjenas) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const auto& regs = almacen.Escrito().folders.registros;
  const auto& entradas = almacen.Escrito().sublists.at("news.example.com").entradas;
  const uint32_t tam = static_cast<uint32_t>(almacen.Escrito().folders.bytes.size());
  // The sublist counts one group fewer than it holds: the last is not found.
  std::vector<uint8_t> sublist = almacen.Escrito().sublists.at("news.example.com").bytes;
  PonerPalabra(sublist, oe4fmt::kSubNumGrupos, 1);
  almacen.Reescribir("News/news.example.com/sublist.dat", sublist);
  const OE_ENTRYID casos[] = {
      {2, regs[0]}, {2, regs[1] + 4}, {2, tam}, {kCuenta, entradas[1] + 1}, {kCuenta, entradas[1]}};
  for (const OE_ENTRYID& id : casos) {
    SCOPED_TRACE(id.PosCarpeta);
    CarpetaPorId c(id.IdCarpeta, id.PosCarpeta);
    EXPECT_EQ(c.Resultado(), OE_ERROR_PARAM);
    ASSERT_EQ(c.Puntero() != nullptr, id.IdCarpeta == kCuenta);
    EXPECT_EQ(c.Cerrar(), id.IdCarpeta == kCuenta ? OE_OK : OE_ERROR_PARAM);
  }
}

// A subfolder whose next record is itself: the walk hands it out once for each record the file
// has room for and once more, then fails. folders.nch holds seven records of 624 bytes.
TEST(CarpetasOe4Test, UnaSubcarpetaQueSeSigueASiMisma) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const auto& regs = almacen.Escrito().folders.registros;
  std::vector<uint8_t> folders = almacen.Escrito().folders.bytes;
  PonerPalabra(folders, regs[4] + oe4fmt::kCarPosSiguiente, regs[4]);
  almacen.Reescribir("mail/folders.nch", folders);
  CarpetaPorId trabajo(3, regs[3]);
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_PRIMERO), OE_OK);
  uint32_t res = OE_OK;
  int dadas = 0;
  while ((res = OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_SIGUIENTE)) == OE_OK && dadas < 100) ++dadas;
  EXPECT_EQ(res, OE_ERROR);
  EXPECT_EQ(dadas, 9);
  EXPECT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_CERRAR), OE_OK);
}

// The registry without the store's root: the store is still this generation's, but every
// folder call fails with 1.
TEST(CarpetasOe4Test, SinLaRaizDelAlmacenEnElRegistro) {
  DirectorioTemporal dir;
  const uint32_t almacen_pos = EscribirAlmacenOe4(dir.Ruta(), AlmacenOe4Ejemplo()).folders.registros[0];
  RegistroPrueba registro;
  DescribirRegistroOe4(registro, RegistroOe4{});
  registro.Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_OE4);
  OE_CARPETA* c = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(CarpetaPorId(1, almacen_pos).Resultado(), OE_ERROR);
}

// A file name in folders.nch that is not one plain name could lead outside the store's
// folder. Such a folder is still listed, but has no index or mailbox path, so its messages
// cannot be listed (1); the folders beside it are unaffected. An empty name names the files
// ".idx" and ".mbx" of the store's folder.
TEST(CarpetasOe4Test, UnNombreDeArchivoQueNoEsSimpleDejaLaCarpetaSinRutas) {
  for (const std::string fichero : {"..\\x.idx", "..\\x", "a\\b", "C:x", "", "..", "Fuera"}) {
    MensajeOe4 m;
    m.id = 3;
    m.texto = "Subject: s\r\n\r\nx\r\n";
    CarpetaOe4 fuera = CarpetaCorreo(1, 0, "Fuera", fichero), bien = CarpetaCorreo(2, 0, "Bien", "Inbox");
    fuera.mensajes = bien.mensajes = {m};
    fuera.con_archivos = false;
    AlmacenOe4 d;
    d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", ""), fuera, bien};
    d.cuenta_por_defecto = false;
    AlmacenOe4Instalado almacen(d);
    const std::string seccion = "fichero \"" + fichero + "\"";
    EXPECT_VOLCADO(kVolcados, "volcados_oe4", seccion, VolcarCarpetas(almacen.Directorio().Ruta()));
  }
}

}  // namespace
}  // namespace orvex::pruebas
