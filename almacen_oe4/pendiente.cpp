// Placeholder until this store's rewrite lands: saving fails cleanly.
#include "almacen_oe4/oe4.h"

namespace orvex::oe4 {

uint32_t Guardar(OE_MENSAJE*, OE_OBJMSG*, uint32_t) { return OE_ERROR; }
uint32_t Reescribir(OE_MENSAJE*, uint32_t) { return OE_ERROR; }

}  // namespace orvex::oe4
