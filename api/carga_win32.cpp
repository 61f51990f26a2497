// The DLL entry point: keep the module handle and fix the store generation at process attach.
#include <windows.h>

#include "api/estado.h"
#include "api/orvex.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instancia, DWORD motivo, LPVOID) {
  if (motivo == DLL_PROCESS_ATTACH) {
    orvex::IdentidadActual[0] = '\0';
    orvex::ModuloInstancia = instancia;
    // An exception cannot cross the loader: running out of memory here leaves no store found,
    // and the host can run the detection again with OE_ObtenerVersionOE.
    try {
      orvex::DetectarVersion();
    } catch (...) {
      orvex::VersionOE = VERSION_NINGUNA;
    }
  }
  return TRUE;
}
