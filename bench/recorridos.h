// Walks through the exports, as a host drives them: every part of one message, and every
// message (and optionally every part) of the store the registry leads to.
#pragma once

#include <cstdint>

#include "api/orvex.h"

namespace orvex::bench {

struct ResumenPartes {
  uint64_t partes = 0;
  uint64_t bytes_decodificados = 0;  // Contenido of every part
  uint64_t bytes_crudos = 0;         // LongParte of every part
};

// Opens the message object and takes every part until OE_FIN. Adds to resumen.
uint32_t TomarPartes(OE_MENSAJE* mensaje, ResumenPartes* resumen);

struct ResumenAlmacen {
  uint64_t carpetas = 0;
  uint64_t mensajes = 0;
  uint64_t errores = 0;       // messages the listing reported unreadable
  uint64_t bytes_texto = 0;   // LongTexto of every message
  ResumenPartes partes;
};

// Every folder of the selected identity's store, every message of each (its text loaded by
// the listing), and with partes every part of every message.
ResumenAlmacen RecorrerAlmacen(bool partes);

// Peak resident set of this process in bytes (VmHWM), and a reset of that peak to the
// current resident set (false where the kernel does not allow it).
uint64_t PicoMemoria();
bool ReiniciarPicoMemoria();
uint64_t MemoriaActual();

}  // namespace orvex::bench
