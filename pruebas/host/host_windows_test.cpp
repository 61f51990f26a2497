// The library as a Windows host meets it: Orvex.dll, loaded by host_windows.exe in a process of
// its own and reached only through GetProcAddress, walks a built store exactly as the library
// linked into this test walks it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pruebas/prueba_almacen.h"
#include "pruebas/host/host_recorrido.h"
#include "api/orvex.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// A cross build names its programs by their build paths; under Wine those lie on drive Z:.
std::string RutaWindows(std::string ruta) {
  if (ruta.empty() || ruta[0] != '/') return ruta;
  for (char& c : ruta) c = c == '/' ? '\\' : c;
  return "Z:" + ruta;
}

// The file's lines, without their CRs.
std::vector<std::string> Lineas(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::vector<std::string> lineas;
  for (std::string l; std::getline(f, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lineas.push_back(l);
  }
  return lineas;
}

TEST(HostWindowsTest, RecorreElAlmacenComoLaBibliotecaEnlazada) {
  // The sample store, and in its Inbox a message with two recipients and an attachment.
  AlmacenDbx d = AlmacenEjemplo();
  const std::string texto = Componer(Mensaje(
      "Ana <ana@example.com>", "Luis <luis@example.com>, eva@example.com", "Con adjunto",
      Multiparte("mixed", {TextoPlano("Hola.\n"), Adjunto("informe.pdf", std::string(3000, '\x25'))})));
  for (CarpetaDbx& c : d.carpetas) {
    if (c.nombre == "Inbox" && c.mensajes) {
      c.mensajes->mensajes.push_back(pruebas::Mensaje(900, texto));
      c.num_mensajes.reset();
    }
  }
  AlmacenInstalado almacen(d);
  DirectorioTemporal trabajo;

  // The same walk through the linked exports.
  const FUNCIONES_ORVEX enlazadas = {
      OE_ObtenerVersionOE,     OE_IniciarIdentities,    OE_ObtenerIdentities,     OE_LiberarIdentities,
      OE_ObtenerCarpetas,      OE_ObtenerCarpetasPrincipales, OE_ObtenerSubCarpetas, OE_ObtenerCarpetaDeEntryID,
      OE_ObtenerMensajes,      OE_ObtenerObjMsg,        OE_GuardarObjMsg,         OE_ObtenerDestinoMsg,
      OE_ObtenerAttachMensaje, OE_ObtenerUnMensajeMail,
  };
  std::FILE* esperado = std::fopen(trabajo.RutaDe("enlazada.txt").c_str(), "wb");
  ASSERT_NE(esperado, nullptr);
  EXPECT_EQ(RecorrerAlmacen(&enlazadas, esperado), 0);
  std::fclose(esperado);
  const std::vector<std::string> enlazada = Lineas(trabajo.RutaDe("enlazada.txt"));

  // cmd drops the outermost quotes of a command line that has more than two.
  const std::string orden = "\"\"" + RutaWindows(ORVEX_HOST_WINDOWS) + "\" \"" + RutaWindows(ORVEX_DLL) + "\" > \"" +
                            trabajo.RutaDe("host.txt") + "\"\"";
  ASSERT_EQ(std::system(orden.c_str()), 0) << orden << "\n" << trabajo.LeerTexto("host.txt");
  std::vector<std::string> host = Lineas(trabajo.RutaDe("host.txt"));

  // First the fourteen decorated names it resolved, then the walk.
  std::vector<std::string> exportadas;
  std::istringstream nombres(
      "_OE_ObtenerVersionOE@0 _OE_IniciarIdentities@4 _OE_ObtenerIdentities@4 _OE_LiberarIdentities@4 "
      "_OE_ObtenerCarpetas@8 _OE_ObtenerCarpetasPrincipales@8 _OE_ObtenerSubCarpetas@12 "
      "_OE_ObtenerCarpetaDeEntryID@12 _OE_ObtenerMensajes@12 _OE_ObtenerObjMsg@12 _OE_GuardarObjMsg@12 "
      "_OE_ObtenerDestinoMsg@12 _OE_ObtenerAttachMensaje@16 _OE_ObtenerUnMensajeMail@8");
  for (std::string n; nombres >> n;) exportadas.push_back("export " + n);
  ASSERT_GE(host.size(), exportadas.size());
  EXPECT_EQ(std::vector<std::string>(host.begin(), host.begin() + 14), exportadas);
  EXPECT_EQ(std::vector<std::string>(host.begin() + 14, host.end()), enlazada);

  // And the walk saw the store: generation 5, its folders, messages and an attachment.
  std::string todo = "\n";
  for (const std::string& l : enlazada) todo += l + "\n";
  for (const char* inicio : {"version 5", "carpeta 4 padre 1 \"Inbox\"", "  mensaje 900 \"Con adjunto\"",
                             "    destino \"eva@example.com\"", "    parte 2 \"informe.pdf\"",
                             "adjunto de nuevo \"informe.pdf\"", "por entryid inexistente 1 registro",
                             "fallos 0"}) {
    EXPECT_NE(todo.find("\n" + std::string(inicio)), std::string::npos) << inicio << " in:" << todo;
  }
}

}  // namespace
}  // namespace orvex::pruebas
