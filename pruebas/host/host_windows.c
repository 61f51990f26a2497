/* A Windows host as the scanners that use the library are written: load Orvex.dll by path,
 * resolve each export by its decorated name, and walk the store the registry leads to.
 * Usage: host_windows [path\Orvex.dll]: the resolved names on stderr ("export NAME"), the walk on stdout.
 * Exit: 0 walked; 3 the library or one of its exports could not be found. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "pruebas/host/host_recorrido.h"

/* GetProcAddress hands out a generic pointer; the detour through void (*)(void) says the cast
 * to the real type is meant. */
typedef void (*Generica)(void);

/* In the order of the fields of FUNCIONES_ORVEX. */
static const char* const kExportadas[] = {
    "_OE_ObtenerVersionOE@0",         "_OE_IniciarIdentities@4",         "_OE_ObtenerIdentities@4",
    "_OE_LiberarIdentities@4",        "_OE_ObtenerCarpetas@8",           "_OE_ObtenerCarpetasPrincipales@8",
    "_OE_ObtenerSubCarpetas@12",      "_OE_ObtenerCarpetaDeEntryID@12",  "_OE_ObtenerMensajes@12",
    "_OE_ObtenerObjMsg@12",           "_OE_GuardarObjMsg@12",            "_OE_ObtenerDestinoMsg@12",
    "_OE_ObtenerAttachMensaje@16",    "_OE_ObtenerUnMensajeMail@8",
};

int main(int argc, char** argv) {
  const char* ruta = argc > 1 ? argv[1] : "Orvex.dll";
  Generica funciones[sizeof kExportadas / sizeof kExportadas[0]];
  FUNCIONES_ORVEX f;
  size_t i;
  HMODULE dll = LoadLibraryA(ruta);

  /* Function pointers share one representation on Windows: the table is the struct's fields. */
  _Static_assert(sizeof funciones == sizeof f, "one decorated name per export");
  if (dll == NULL) {
    fprintf(stderr, "host_windows: LoadLibraryA(%s) failed, error %lu\n", ruta, (unsigned long)GetLastError());
    return 3;
  }
  for (i = 0; i < sizeof funciones / sizeof funciones[0]; ++i) {
    funciones[i] = (Generica)GetProcAddress(dll, kExportadas[i]);
    if (funciones[i] == NULL) {
      fprintf(stderr, "host_windows: %s not exported\n", kExportadas[i]);
      FreeLibrary(dll);
      return 3;
    }
    fprintf(stderr, "export %s\n", kExportadas[i]);
  }
  memcpy(&f, funciones, sizeof f);
  RecorrerAlmacen(&f, stdout);
  fflush(stdout);
  FreeLibrary(dll);
  return 0;
}
