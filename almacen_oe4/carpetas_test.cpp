// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/oe4.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kCuenta = 0x80000001u;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_oe4.inc"
    ;

// The full folder listing, each folder followed by its messages indented.
std::string VolcarCarpetas(const std::string& raiz) {
  std::string r;
  OE_CARPETA* c = nullptr;
  uint32_t res = OE_ObtenerCarpetas(&c, OE_PRIMERO);
  if (res != OE_OK) return "primero " + std::to_string(res) + "\n";
  for (int pasos = 0, fallos = 0; pasos < 1000 && fallos < 10; ++pasos) {
    if ((res = OE_ObtenerCarpetas(&c, OE_SIGUIENTE)) == OE_FIN) break;
    fallos = res == OE_OK ? 0 : fallos + 1;
    r += res == OE_OK ? Volcar(*c, raiz) + "\n" : "resultado " + std::to_string(res) + "\n";
    std::istringstream lineas(res == OE_OK ? VolcarMensajes(c, raiz) : "");
    for (std::string l; std::getline(lineas, l);) r += "  " + l + "\n";
  }
  if (c != nullptr) OE_ObtenerCarpetas(&c, OE_CERRAR);
  return r + "fin " + std::to_string(res) + "\n";
}

// The full listing with each folder's messages. The store has a third account without
// sublist.dat after the one with groups, and names longer than their field (cut to 255; the file
// name stored after a full name is still its own). A file name that is not one plain name could
// lead outside the store's folder: that folder is listed without index or mailbox path, so its
// messages cannot be listed (1). An empty name names the files ".idx" and ".mbx".
TEST(CarpetasOe4Test, ListadoCompletoCierresYBusquedas) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  for (const std::string fichero : {"..\\x", ""}) {
    d.correo.carpetas.push_back(CarpetaCorreo(static_cast<uint32_t>(8 + fichero.size()), 0, "Fichero " + fichero, fichero));
    d.correo.carpetas.back().num_mensajes = 1;
    d.correo.carpetas.back().con_archivos = false;
  }
  d.cuentas.push_back(d.cuentas[1]);
  d.cuentas[2].subclave = "00000003";
  d.cuentas[2].directorio = "sin.sublist";
  d.cuentas[2].con_sublist = false;
  d.correo.carpetas[0].nombre = std::string(300, 'n');
  d.cuentas[1].grupos[0].nombre = std::string(300, 'g');
  AlmacenInstalado almacen(d);
  const auto& regs = almacen.Oe4().folders.registros;
  EXPECT_VOLCADO(kVolcados, "volcados_oe4", "carpetas", VolcarCarpetas(almacen.Raiz()));

  // Closing the full listing gives 2, closing a subfolder walk 0. A subfolder whose next record
  // is itself is handed out once for each record the file has room for and once more, then the
  // walk fails. Without a place for the record the backend refuses, as the export does.
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_FIN);
  std::vector<uint8_t> folders = almacen.Oe4().folders.bytes;
  PonerPalabra(folders, regs[4] + oe4fmt::kCarPosSiguiente, regs[4]);
  almacen.Escribir("mail/folders.nch", folders);
  CarpetaPorId trabajo(3, regs[3]);
  EXPECT_EQ(oe4::ObtenerSubCarpetas(trabajo.Puntero(), nullptr, OE_PRIMERO), OE_ERROR_PARAM);
  ASSERT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_PRIMERO), OE_OK);
  uint32_t res = OE_OK;
  int dadas = 0;
  while ((res = OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_SIGUIENTE)) == OE_OK && dadas < 100) ++dadas;
  EXPECT_EQ(std::pair(res, dadas), std::pair(OE_ERROR, 11));
  EXPECT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &c, OE_CERRAR), OE_OK);
  EXPECT_EQ(c, nullptr);

  // Lookups at positions that are not where a record starts, and of the last group while the
  // sublist counts one group fewer than it holds. A failed mail lookup frees its record; a failed
  // news lookup leaves it for mode 3.
  const MapaSublist& sub = almacen.Oe4().sublists.at("news.example.com");
  std::vector<uint8_t> sublist = sub.bytes;
  PonerPalabra(sublist, oe4fmt::kSubNumGrupos, 1);
  almacen.Escribir("News/news.example.com/sublist.dat", sublist);
  const OE_ENTRYID casos[] = {{2, regs[0]}, {2, regs[1] + 4}, {2, static_cast<uint32_t>(folders.size())},
                              {kCuenta, sub.entradas[1] + 1}, {kCuenta, sub.entradas[1]}};
  for (const OE_ENTRYID& id : casos) {
    SCOPED_TRACE(id.PosCarpeta);
    CarpetaPorId b(id.IdCarpeta, id.PosCarpeta);
    EXPECT_EQ(b.resultado, OE_ERROR_PARAM);
    EXPECT_EQ(b.Cerrar(), id.IdCarpeta == kCuenta ? OE_OK : OE_ERROR_PARAM);
  }
}

}  // namespace
}  // namespace orvex::pruebas
