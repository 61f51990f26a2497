// Runs when the shared library is loaded, as the Windows entry point does at process attach.
#include "api/estado.h"

namespace {

__attribute__((constructor)) void AlCargarBiblioteca() {
  orvex::IdentidadActual[0] = '\0';
  orvex::ModuloInstancia = reinterpret_cast<void*>(&AlCargarBiblioteca);
  orvex::DetectarVersion();
}

}  // namespace
