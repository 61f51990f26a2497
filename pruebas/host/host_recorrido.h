/* A host's walk over the store through the fourteen exports, whichever way they were reached
 * (GetProcAddress on the loaded library, or linked in): every identity, folder, message, part
 * and destination, and every call's result, written one line each so that two walks, or a walk
 * and the listing expected of a store, can be compared. */
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

/* The exports linked into the calling program, in the order of the fields above. */
#define FUNCIONES_ORVEX_ENLAZADAS                                                          \
  {OE_ObtenerVersionOE,     OE_IniciarIdentities,          OE_ObtenerIdentities,           \
   OE_LiberarIdentities,    OE_ObtenerCarpetas,            OE_ObtenerCarpetasPrincipales,  \
   OE_ObtenerSubCarpetas,   OE_ObtenerCarpetaDeEntryID,    OE_ObtenerMensajes,             \
   OE_ObtenerObjMsg,        OE_GuardarObjMsg,              OE_ObtenerDestinoMsg,           \
   OE_ObtenerAttachMensaje, OE_ObtenerUnMensajeMail}

/* Walks the store and writes what it sees to salida. */
void RecorrerAlmacen(const FUNCIONES_ORVEX* f, FILE* salida);

#ifdef __cplusplus
}
#endif

#endif /* ORVEX_HOST_RECORRIDO_H */
