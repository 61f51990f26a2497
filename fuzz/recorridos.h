// What a host does with one message record, shared by the targets that make or list
// messages. Each aborts when the library breaks a promise of the exports.
#pragma once

#include <cstdint>

#include "api/orvex.h"

namespace orvex::fuzz {

// Opens the message object, sets the selection switches (flags bits 1-2: FiltroNivel; a set
// bit k of apagados turns the k-th Extraer switch off), hands out every part (only the
// first with flags bit 3), then closes the object if it is still open.
void RecorrerPartes(OE_MENSAJE* mensaje, uint8_t flags = 0, uint8_t apagados = 0);

// Lists the destinations: mode 1, mode 2 until OE_FIN, mode 3.
void RecorrerDestinos(OE_MENSAJE* mensaje);

}  // namespace orvex::fuzz
