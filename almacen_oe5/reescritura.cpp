// Save actions and the write-back of a rewritten message into its text chain.
#include "almacen_oe5/oe5.h"

namespace orvex::oe5 {

uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) {
  (void)mensaje;
  (void)objeto;
  (void)accion;
  return OE_ERROR;
}

uint32_t Reescribir(OE_MENSAJE* mensaje, uint32_t tamano) {
  (void)mensaje;
  (void)tamano;
  return OE_ERROR;
}

}  // namespace orvex::oe5
