// Runs when the shared library is loaded, as the Windows entry point does at process attach.
#include "api/estado.h"
#include "api/orvex.h"

namespace {

__attribute__((constructor)) void AlCargarBiblioteca() {
  orvex::IdentidadActual[0] = '\0';
  orvex::ModuloInstancia = reinterpret_cast<void*>(&AlCargarBiblioteca);
  // Nothing may escape a load-time constructor: a failed detection leaves no store.
  try {
    orvex::DetectarVersion();
  } catch (...) {
    orvex::VersionOE = VERSION_NINGUNA;
  }
}

}  // namespace
