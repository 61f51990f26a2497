// The library as a Windows host meets it: Orvex.dll, loaded by host_windows.exe in a process of
// its own and reached only through GetProcAddress, walks a built store exactly as the library
// linked into this test walks it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/host/host_recorrido.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

// A cross build names its programs by their build paths; under Wine those lie on drive Z:.
std::string RutaWindows(std::string ruta) {
  for (char& c : ruta) c = c == '/' ? '\\' : c;
  return ruta.starts_with('\\') ? "Z:" + ruta : ruta;
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
  const FUNCIONES_ORVEX enlazadas = FUNCIONES_ORVEX_ENLAZADAS;
  std::FILE* esperado = std::fopen(trabajo.RutaDe("enlazada.txt").c_str(), "w");
  ASSERT_NE(esperado, nullptr);
  RecorrerAlmacen(&enlazadas, esperado);
  std::fclose(esperado);
  const std::string enlazada = trabajo.LeerTexto("enlazada.txt");

  // cmd drops the outermost quotes of a command line that has more than two.
  const std::string orden = "\"\"" + RutaWindows(ORVEX_HOST_WINDOWS) + "\" \"" + RutaWindows(ORVEX_DLL) + "\" > \"" +
                            trabajo.RutaDe("host.txt") + "\"\"";
  ASSERT_EQ(std::system(orden.c_str()), 0) << orden;
  EXPECT_EQ(trabajo.LeerTexto("host.txt"), enlazada);
  // And the walk saw the store: generation 5, its folders, messages and an attachment.
  for (const char* linea : {"version 5", "carpeta 4 padre 1 \"Inbox\"", "  mensaje 900 \"Con adjunto\"",
                            "    destino \"eva@example.com\"", "    parte 2 \"informe.pdf\"",
                            "adjunto de nuevo 0 \"informe.pdf\"", "por entryid 2147483632: 1"}) {
    EXPECT_NE(("\n" + enlazada).find("\n" + std::string(linea)), std::string::npos) << linea << " in:\n" << enlazada;
  }
}

}  // namespace
}  // namespace orvex::pruebas
