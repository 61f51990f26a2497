// The DLL entry point: keep the module handle and fix the store generation at process attach.
#include <windows.h>

#include "api/estado.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instancia, DWORD motivo, LPVOID) {
  if (motivo == DLL_PROCESS_ATTACH) {
    orvex::IdentidadActual[0] = '\0';
    orvex::ModuloInstancia = instancia;
    orvex::DetectarVersion();
  }
  return TRUE;
}
