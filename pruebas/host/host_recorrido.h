/* A host's walk over the store through the fourteen exports, whichever way they were reached
 * (GetProcAddress on the loaded library, or linked in): every identity, folder, message, part
 * and destination, written one line each so that two walks can be compared. */
#ifndef ORVEX_HOST_RECORRIDO_H
#define ORVEX_HOST_RECORRIDO_H

#include <stdio.h>

#include "api/orvex.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FUNCIONES_ORVEX {
  uint32_t(ORVEX_LLAMADA* ObtenerVersionOE)(void);
  uint32_t(ORVEX_LLAMADA* IniciarIdentities)(const char*);
  char**(ORVEX_LLAMADA* ObtenerIdentities)(char**);
  void(ORVEX_LLAMADA* LiberarIdentities)(char***);
  uint32_t(ORVEX_LLAMADA* ObtenerCarpetas)(OE_CARPETA**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerCarpetasPrincipales)(OE_CARPETA**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerSubCarpetas)(OE_CARPETA*, OE_CARPETA**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerCarpetaDeEntryID)(OE_ENTRYID*, OE_CARPETA**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerMensajes)(OE_CARPETA*, OE_MENSAJE**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerObjMsg)(OE_MENSAJE*, OE_OBJMSG**, uint32_t);
  uint32_t(ORVEX_LLAMADA* GuardarObjMsg)(OE_MENSAJE*, OE_OBJMSG*, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerDestinoMsg)(OE_MENSAJE*, OE_DESTINO**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerAttachMensaje)(OE_REF_ADJUNTO*, OE_MENSAJE**, OE_OBJMSG**, uint32_t);
  uint32_t(ORVEX_LLAMADA* ObtenerUnMensajeMail)(OE_CARPETA*, OE_MENSAJE**);
} FUNCIONES_ORVEX;

/* Walks the store and writes what it sees to salida. Returns the number of calls whose result
 * was not one a host expects at that step: 0 for a sound store, and when no store is found. */
int RecorrerAlmacen(const FUNCIONES_ORVEX* f, FILE* salida);

#ifdef __cplusplus
}
#endif

#endif /* ORVEX_HOST_RECORRIDO_H */
