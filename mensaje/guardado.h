// The frame around changing a stored message: the free-space check, the dispatch of a save
// action to the generation in force, and of the write-back when a message object ends.
#pragma once

#include <cstdint>

#include "api/orvex.h"

namespace orvex::mensaje {

// 1 when the disk that holds the message's index has room for TamMsg + 500 bytes, else 0.
// A disk whose free room cannot be learned counts as full: no rewrite is started blind.
uint32_t HayEspacioLibre(const OE_MENSAJE* mensaje);

// After the record checks: the free-space check, then the generation's save action.
uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion);

// Called when a message object ends with Modificado set; the caller ignores the result.
uint32_t DespacharReescritura(OE_MENSAJE* mensaje, uint32_t tamano);

// Size of the message's record in its store's index: FinRegistro - PosRegistro, or 0.
uint32_t TamanoRegistro(const OE_MENSAJE* mensaje);

}  // namespace orvex::mensaje
