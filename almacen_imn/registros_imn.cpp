#include "almacen_imn/interno_imn.h"
#include "almacen_oe5/reescritura.h"
#include "soporte/memoria.h"

namespace orvex::imn {

void LiberarEntradas(OE_MENSAJE& m) {
  MEM_LiberarSiNoNulo(Entradas(m));
  PonerEntradas(m, nullptr);
}

void LiberarReescrito(OE_MENSAJE& m) { oe5::LiberarReescrito(&m); }

}  // namespace orvex::imn
