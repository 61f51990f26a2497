/* A host's walk over the store, in the order a host follows: identities, every folder with its
 * messages, parts and destinations, the top-level folders and their subfolders, each folder
 * again by its entry id, and one attachment reopened from its reference. */
#include "pruebas/host/host_recorrido.h"

#include <stddef.h>
#include <string.h>

#define MAX_CARPETAS 1000u
#define MAX_PASOS 100000u

typedef struct RECORRIDO {
  const FUNCIONES_ORVEX* f;
  FILE* salida;
  int fallos;
  OE_REF_ADJUNTO referencia;
  int hay_referencia;
} RECORRIDO;

static void Esperado(RECORRIDO* r, const char* que, uint32_t resultado, uint32_t esperado) {
  if (resultado == esperado) return;
  fprintf(r->salida, "FALLO %s: %u, se esperaba %u\n", que, resultado, esperado);
  r->fallos++;
}

static void Carpeta(RECORRIDO* r, const char* que, const OE_CARPETA* c) {
  fprintf(r->salida, "%s %u padre %u \"%s\" subcarpetas %u mensajes %u\n", que, c->IdCarpeta, c->IdPadre, c->Nombre,
          c->NumSubCarpetas, c->NumMensajes);
}

static void Partes(RECORRIDO* r, OE_MENSAJE* m) {
  const FUNCIONES_ORVEX* f = r->f;
  OE_OBJMSG* o = NULL;
  uint32_t res = f->ObtenerObjMsg(m, &o, OE_PRIMERO);
  uint32_t pasos = 0;
  Esperado(r, "ObtenerObjMsg 1", res, OE_OK);
  if (res != OE_OK) return;
  while (pasos++ < MAX_PASOS && (res = f->ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK) {
    fprintf(r->salida, "    parte %u \"%s\" adjunto \"%s\" bytes %u\n", o->NumParte, o->NombreParte,
            o->NombreAdjunto, o->LongParte);
    /* Keeping a part unchanged is a save too: it checks the disk and changes nothing. */
    Esperado(r, "GuardarObjMsg", f->GuardarObjMsg(m, o, ACCION_CONSERVAR), OE_OK);
    if (!r->hay_referencia && o->NombreAdjunto[0] != '\0') {
      memcpy(&r->referencia, (const char*)o + offsetof(OE_OBJMSG, IdCarpeta), sizeof r->referencia);
      r->hay_referencia = 1;
    }
  }
  Esperado(r, "ObtenerObjMsg 2", res, OE_FIN);
  /* At the end the object frees itself. */
  if (o != NULL) {
    fprintf(r->salida, "FALLO el objeto sigue abierto\n");
    r->fallos++;
    f->ObtenerObjMsg(m, &o, OE_CERRAR);
  }
}

static void Destinos(RECORRIDO* r, OE_MENSAJE* m) {
  const FUNCIONES_ORVEX* f = r->f;
  OE_DESTINO* d = NULL;
  uint32_t res = f->ObtenerDestinoMsg(m, &d, OE_PRIMERO);
  uint32_t pasos = 0;
  Esperado(r, "ObtenerDestinoMsg 1", res, OE_OK);
  if (res != OE_OK) return;
  while (pasos++ < MAX_PASOS && f->ObtenerDestinoMsg(m, &d, OE_SIGUIENTE) == OE_OK) {
    fprintf(r->salida, "    destino \"%s\"\n", d->Destino);
  }
  Esperado(r, "ObtenerDestinoMsg 3", f->ObtenerDestinoMsg(m, &d, OE_CERRAR), OE_OK);
}

static void Mensajes(RECORRIDO* r, OE_CARPETA* c) {
  const FUNCIONES_ORVEX* f = r->f;
  OE_MENSAJE* m = NULL;
  uint32_t res = f->ObtenerMensajes(c, &m, OE_PRIMERO);
  uint32_t pasos = 0;
  Esperado(r, "ObtenerMensajes 1", res, OE_OK);
  if (res != OE_OK) return;
  while (pasos++ < MAX_PASOS && (res = f->ObtenerMensajes(c, &m, OE_SIGUIENTE)) == OE_OK) {
    fprintf(r->salida, "  mensaje %u \"%s\" de \"%s\" fecha \"%s\" bytes %u\n", m->IdMensaje, m->Asunto, m->De,
            m->Fecha, m->LongTexto);
    Destinos(r, m);
    Partes(r, m);
  }
  Esperado(r, "ObtenerMensajes 2", res, OE_FIN);
  Esperado(r, "ObtenerMensajes 3", f->ObtenerMensajes(c, &m, OE_CERRAR), OE_OK);
}

static void Subcarpetas(RECORRIDO* r, OE_CARPETA* padre) {
  const FUNCIONES_ORVEX* f = r->f;
  OE_CARPETA* s = NULL;
  uint32_t pasos = 0;
  uint32_t res = f->ObtenerSubCarpetas(padre, &s, OE_PRIMERO);
  fprintf(r->salida, "  subcarpetas de %u: %u\n", padre->IdCarpeta, res);
  if (res != OE_OK) return;
  do {
    Carpeta(r, "  sub", s);
  } while (pasos++ < MAX_PASOS && f->ObtenerSubCarpetas(padre, &s, OE_SIGUIENTE) == OE_OK);
  f->ObtenerSubCarpetas(padre, &s, OE_CERRAR);
}

int RecorrerAlmacen(const FUNCIONES_ORVEX* f, FILE* salida) {
  RECORRIDO r;
  OE_CARPETA* c = NULL;
  uint32_t ids[MAX_CARPETAS];
  uint32_t n = 0, i, res, pasos = 0;
  char** identidades;

  memset(&r, 0, sizeof r);
  r.f = f;
  r.salida = salida;

  res = f->ObtenerVersionOE();
  fprintf(salida, "version %u\n", res);
  /* No store on this machine: nothing to walk, which is no failure for a host. */
  if (res == VERSION_NINGUNA) return 0;
  identidades = f->ObtenerIdentities(NULL);
  for (i = 0; identidades != NULL && identidades[i] != NULL; ++i) fprintf(salida, "identidad \"%s\"\n", identidades[i]);
  f->LiberarIdentities(&identidades);
  if (identidades != NULL) Esperado(&r, "LiberarIdentities", 1, 0);
  fprintf(salida, "identidad por defecto %u\n", f->IniciarIdentities(NULL));

  res = f->ObtenerCarpetas(&c, OE_PRIMERO);
  Esperado(&r, "ObtenerCarpetas 1", res, OE_OK);
  if (res != OE_OK) return r.fallos;
  Carpeta(&r, "raiz", c);
  while (pasos++ < MAX_PASOS && (res = f->ObtenerCarpetas(&c, OE_SIGUIENTE)) == OE_OK) {
    OE_MENSAJE* intacto = NULL;
    Carpeta(&r, "carpeta", c);
    if (n < MAX_CARPETAS) ids[n++] = c->IdCarpeta;
    if (c->NumMensajes != 0) Mensajes(&r, c);
    fprintf(salida, "  un mensaje %u %s\n", f->ObtenerUnMensajeMail(c, &intacto), intacto ? "abierto" : "nulo");
  }
  Esperado(&r, "ObtenerCarpetas 2", res, OE_FIN);
  f->ObtenerCarpetas(&c, OE_CERRAR);

  res = f->ObtenerCarpetasPrincipales(&c, OE_PRIMERO);
  fprintf(salida, "principales %u\n", res);
  pasos = 0;
  while (res == OE_OK && pasos++ < MAX_PASOS && f->ObtenerCarpetasPrincipales(&c, OE_SIGUIENTE) == OE_OK) {
    Carpeta(&r, "principal", c);
    if (c->NumSubCarpetas != 0) Subcarpetas(&r, c);
  }
  if (c != NULL) f->ObtenerCarpetasPrincipales(&c, OE_CERRAR);

  for (i = 0; i < n; ++i) {
    OE_ENTRYID e;
    OE_CARPETA* x = NULL;
    e.IdCarpeta = ids[i];
    e.PosCarpeta = 0;
    res = f->ObtenerCarpetaDeEntryID(&e, &x, OE_PRIMERO);
    Esperado(&r, "ObtenerCarpetaDeEntryID", res, OE_OK);
    if (res == OE_OK) Carpeta(&r, "por entryid", x);
    if (x != NULL) f->ObtenerCarpetaDeEntryID(NULL, &x, OE_CERRAR);
  }
  {
    /* An id no folder has is not found; a record the lookup left is the host's to free. */
    OE_ENTRYID e;
    OE_CARPETA* x = NULL;
    e.IdCarpeta = 0x7FFFFFF0u;
    e.PosCarpeta = 0;
    res = f->ObtenerCarpetaDeEntryID(&e, &x, OE_PRIMERO);
    fprintf(salida, "por entryid inexistente %u %s\n", res, x != NULL ? "registro" : "nulo");
    if (res == OE_OK) Esperado(&r, "ObtenerCarpetaDeEntryID inexistente", res, OE_ERROR);
    if (x != NULL) Esperado(&r, "ObtenerCarpetaDeEntryID 3", f->ObtenerCarpetaDeEntryID(NULL, &x, OE_CERRAR), OE_OK);
    if (x != NULL) Esperado(&r, "ObtenerCarpetaDeEntryID 3 deja el puntero", 1, 0);
  }

  if (r.hay_referencia) {
    OE_MENSAJE* m = NULL;
    OE_OBJMSG* o = NULL;
    res = f->ObtenerAttachMensaje(&r.referencia, &m, &o, OE_PRIMERO);
    Esperado(&r, "ObtenerAttachMensaje 1", res, OE_OK);
    if (res == OE_OK) {
      fprintf(salida, "adjunto de nuevo \"%s\" bytes %u del mensaje \"%s\"\n", o->NombreAdjunto, o->LongParte,
              m->Asunto);
    }
    f->ObtenerAttachMensaje(&r.referencia, &m, &o, OE_CERRAR);
  }
  fprintf(salida, "fallos %d\n", r.fallos);
  return r.fallos;
}
