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

// Changes the listing's current message part by part: part k gets the action in bits 2k..2k+1
// of acciones (cycling over 16 parts); a replaced part gets a short new content, or nothing.
void CambiarPartes(OE_MENSAJE* mensaje, uint32_t acciones, bool sustituir_por_nada);

// Lists the destinations: mode 1, mode 2 until OE_FIN, mode 3.
void RecorrerDestinos(OE_MENSAJE* mensaje);

}  // namespace orvex::fuzz
