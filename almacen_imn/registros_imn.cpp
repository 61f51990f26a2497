#include "almacen_imn/interno_imn.h"
#include "soporte/memoria.h"

namespace orvex::imn {

void LiberarEntradas(OE_MENSAJE& m) {
  MEM_LiberarSiNoNulo(Entradas(m));
  PonerEntradas(m, nullptr);
}

}  // namespace orvex::imn
