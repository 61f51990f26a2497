/* A Windows host as the scanners that use the library are written: load Orvex.dll by path,
 * resolve each export by its decorated name, and walk the store the registry leads to.
 * Usage: host_windows [path\Orvex.dll]
 * Exit: 0 walked cleanly; 1 some call gave an unexpected result; 3 the library or one of its
 * exports could not be found. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "pruebas/host/host_recorrido.h"

/* GetProcAddress hands out a generic pointer; the detour through void (*)(void) says the cast
 * to the real type is meant. */
typedef void (*Generica)(void);

static int Resolver(HMODULE dll, const char* nombre, Generica* destino) {
  FARPROC p = GetProcAddress(dll, nombre);
  if (p == NULL) {
    fprintf(stderr, "host_windows: %s not exported\n", nombre);
    return 0;
  }
  *destino = (Generica)p;
  printf("export %s\n", nombre);
  return 1;
}

/* Function pointers share one representation on Windows: copy the generic one into the field. */
#define RESOLVER(campo, nombre)                         \
  do {                                                  \
    Generica g = NULL;                                  \
    ok &= Resolver(dll, nombre, &g);                    \
    _Static_assert(sizeof f.campo == sizeof g, #campo); \
    memcpy(&f.campo, &g, sizeof g);                     \
  } while (0)

int main(int argc, char** argv) {
  const char* ruta = argc > 1 ? argv[1] : "Orvex.dll";
  FUNCIONES_ORVEX f;
  HMODULE dll;
  int ok = 1, fallos;

  dll = LoadLibraryA(ruta);
  if (dll == NULL) {
    fprintf(stderr, "host_windows: LoadLibraryA(%s) failed, error %lu\n", ruta, (unsigned long)GetLastError());
    return 3;
  }
  RESOLVER(ObtenerVersionOE, "_OE_ObtenerVersionOE@0");
  RESOLVER(IniciarIdentities, "_OE_IniciarIdentities@4");
  RESOLVER(ObtenerIdentities, "_OE_ObtenerIdentities@4");
  RESOLVER(LiberarIdentities, "_OE_LiberarIdentities@4");
  RESOLVER(ObtenerCarpetas, "_OE_ObtenerCarpetas@8");
  RESOLVER(ObtenerCarpetasPrincipales, "_OE_ObtenerCarpetasPrincipales@8");
  RESOLVER(ObtenerSubCarpetas, "_OE_ObtenerSubCarpetas@12");
  RESOLVER(ObtenerCarpetaDeEntryID, "_OE_ObtenerCarpetaDeEntryID@12");
  RESOLVER(ObtenerMensajes, "_OE_ObtenerMensajes@12");
  RESOLVER(ObtenerObjMsg, "_OE_ObtenerObjMsg@12");
  RESOLVER(GuardarObjMsg, "_OE_GuardarObjMsg@12");
  RESOLVER(ObtenerDestinoMsg, "_OE_ObtenerDestinoMsg@12");
  RESOLVER(ObtenerAttachMensaje, "_OE_ObtenerAttachMensaje@16");
  RESOLVER(ObtenerUnMensajeMail, "_OE_ObtenerUnMensajeMail@8");
  if (!ok) {
    FreeLibrary(dll);
    return 3;
  }
  fallos = RecorrerAlmacen(&f, stdout);
  fflush(stdout);
  FreeLibrary(dll);
  return fallos == 0 ? 0 : 1;
}
