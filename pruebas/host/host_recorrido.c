/* A host's walk over the store, in the order a host follows: identities, every folder with its
 * messages, their destinations and parts, the top-level folders and their subfolders, each
 * folder again by its entry id, and one attachment reopened from its reference. */
#include "pruebas/host/host_recorrido.h"

#include <stddef.h>
#include <string.h>

#define MAX_CARPETAS 1000u
#define MAX_PASOS 100000u

/* FNV-1a of a message's text: two walks that agree on it loaded the same bytes. */
static uint32_t Huella(const char* texto, uint32_t n) {
  uint32_t h = 2166136261u;
  while (texto != NULL && n-- > 0) h = (h ^ (uint8_t)*texto++) * 16777619u;
  return h;
}

static void Carpeta(FILE* s, const char* que, const OE_CARPETA* c) {
  /* The message file's name: the folder above it differs from one walk to another. */
  const char* archivo = strrchr(c->RutaIndice, '\\');
  fprintf(s, "%s %u padre %u \"%s\" subcarpetas %u mensajes %u archivo \"%s\"\n", que, c->IdCarpeta, c->IdPadre,
          c->Nombre, c->NumSubCarpetas, c->NumMensajes, archivo != NULL ? archivo + 1 : c->RutaIndice);
}

static void Partes(const FUNCIONES_ORVEX* f, FILE* s, OE_MENSAJE* m, OE_REF_ADJUNTO* ref) {
  OE_OBJMSG* o = NULL;
  uint32_t res = f->ObtenerObjMsg(m, &o, OE_PRIMERO), pasos = 0;
  fprintf(s, "    partes %u\n", res);
  while (res == OE_OK && pasos++ < MAX_PASOS && (res = f->ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK) {
    /* Keeping a part unchanged is a save too: it checks the disk and changes nothing. */
    fprintf(s, "    parte %u \"%s\" adjunto \"%s\" bytes %u guardada %u\n", o->NumParte, o->NombreParte,
            o->NombreAdjunto, o->LongParte, f->GuardarObjMsg(m, o, ACCION_CONSERVAR));
    if (ref->NumParte == 0 && o->NombreAdjunto[0] != '\0') {
      memcpy(ref, (const char*)o + offsetof(OE_OBJMSG, IdCarpeta), sizeof *ref);
    }
  }
  /* At the end the object frees itself. */
  fprintf(s, "    fin de partes %u %s\n", res, o != NULL ? "abierto" : "cerrado");
  if (o != NULL) f->ObtenerObjMsg(m, &o, OE_CERRAR);
}

static void Mensajes(const FUNCIONES_ORVEX* f, FILE* s, OE_CARPETA* c, OE_REF_ADJUNTO* ref) {
  OE_MENSAJE* m = NULL;
  OE_DESTINO* d = NULL;
  uint32_t res = f->ObtenerMensajes(c, &m, OE_PRIMERO), pasos = 0;
  fprintf(s, "  mensajes %u\n", res);
  if (res != OE_OK) return;
  /* A message that fails does not end the listing. */
  while (pasos++ < MAX_PASOS &&
         ((res = f->ObtenerMensajes(c, &m, OE_SIGUIENTE)) == OE_OK || res == OE_ERROR)) {
    if (res == OE_ERROR) {
      fprintf(s, "  mensaje fallido\n");
      continue;
    }
    fprintf(s, "  mensaje %u \"%s\" de \"%s\" fecha \"%s\" bytes %u huella %08x\n", m->IdMensaje, m->Asunto, m->De,
            m->Fecha, m->LongTexto, (unsigned)Huella(m->Texto, m->LongTexto));
    if (f->ObtenerDestinoMsg(m, &d, OE_PRIMERO) == OE_OK) {
      while (f->ObtenerDestinoMsg(m, &d, OE_SIGUIENTE) == OE_OK) fprintf(s, "    destino \"%s\"\n", d->Destino);
      fprintf(s, "    destinos cerrados %u\n", f->ObtenerDestinoMsg(m, &d, OE_CERRAR));
    }
    Partes(f, s, m, ref);
  }
  fprintf(s, "  fin de mensajes %u cierre %u\n", res, f->ObtenerMensajes(c, &m, OE_CERRAR));
}

/* A folder's subfolders, each with its messages and, below the given depth, its own subfolders. */
static void Subcarpetas(const FUNCIONES_ORVEX* f, FILE* s, OE_CARPETA* padre, OE_REF_ADJUNTO* ref,
                        int profundidad) {
  OE_CARPETA* c = NULL;
  uint32_t res = f->ObtenerSubCarpetas(padre, &c, OE_PRIMERO), pasos = 0;
  for (; res == OE_OK && pasos++ < MAX_PASOS; res = f->ObtenerSubCarpetas(padre, &c, OE_SIGUIENTE)) {
    Carpeta(s, "  sub", c);
    Mensajes(f, s, c, ref);
    if (profundidad > 1) Subcarpetas(f, s, c, ref, profundidad - 1);
  }
  fprintf(s, "  fin de subcarpetas %u\n", res);
  if (c != NULL) f->ObtenerSubCarpetas(padre, &c, OE_CERRAR);
}

void RecorrerAlmacen(const FUNCIONES_ORVEX* f, FILE* s) {
  OE_REF_ADJUNTO ref;
  OE_CARPETA* c = NULL;
  uint32_t ids[MAX_CARPETAS + 1];
  uint32_t n = 0, i, res, pasos = 0, fallos = 0;
  char** identidades;

  memset(&ref, 0, sizeof ref);
  res = f->ObtenerVersionOE();
  fprintf(s, "version %u\n", res);
  if (res == VERSION_NINGUNA) return;
  identidades = f->ObtenerIdentities(NULL);
  for (i = 0; identidades != NULL && identidades[i] != NULL; ++i) fprintf(s, "identidad \"%s\"\n", identidades[i]);
  f->LiberarIdentities(&identidades);
  fprintf(s, "identidades %s, por defecto %u\n", identidades ? "abiertas" : "liberadas", f->IniciarIdentities(NULL));

  res = f->ObtenerCarpetas(&c, OE_PRIMERO);
  fprintf(s, "carpetas %u\n", res);
  if (res != OE_OK) return;
  Carpeta(s, "raiz", c);
  /* A folder that fails does not end the listing either, until ten fail in a row. */
  while (pasos++ < MAX_PASOS && fallos < 10 &&
         ((res = f->ObtenerCarpetas(&c, OE_SIGUIENTE)) == OE_OK || res == OE_ERROR)) {
    OE_MENSAJE* intacto = NULL;
    if (res == OE_ERROR) {
      fprintf(s, "carpeta fallida\n");
      ++fallos;
      continue;
    }
    fallos = 0;
    Carpeta(s, "carpeta", c);
    if (n < MAX_CARPETAS) ids[n++] = c->IdCarpeta;
    Mensajes(f, s, c, &ref);
    fprintf(s, "  un mensaje %u %s\n", f->ObtenerUnMensajeMail(c, &intacto), intacto ? "abierto" : "nulo");
  }
  fprintf(s, "fin de carpetas %u cierre %u\n", res, f->ObtenerCarpetas(&c, OE_CERRAR));

  res = f->ObtenerCarpetasPrincipales(&c, OE_PRIMERO);
  fprintf(s, "principales %u\n", res);
  pasos = 0;
  while (res == OE_OK && pasos++ < MAX_PASOS && f->ObtenerCarpetasPrincipales(&c, OE_SIGUIENTE) == OE_OK) {
    Carpeta(s, "principal", c);
    Subcarpetas(f, s, c, &ref, 1);
  }
  if (c != NULL) f->ObtenerCarpetasPrincipales(&c, OE_CERRAR);

  /* Every folder again by its id with its subfolders, then an id no folder has; a record left is
   * the host's to free. */
  ids[n++] = 0x7FFFFFF0u;
  for (i = 0; i < n; ++i) {
    OE_ENTRYID e;
    OE_CARPETA* x = NULL;
    e.IdCarpeta = ids[i];
    e.PosCarpeta = 0;
    res = f->ObtenerCarpetaDeEntryID(&e, &x, OE_PRIMERO);
    fprintf(s, "por entryid %u: %u\n", ids[i], res);
    if (res == OE_OK) {
      Carpeta(s, " ", x);
      Subcarpetas(f, s, x, &ref, 2);
    }
    if (x != NULL) fprintf(s, "  cierre %u\n", f->ObtenerCarpetaDeEntryID(NULL, &x, OE_CERRAR));
    if (x != NULL) fprintf(s, "  el cierre deja el puntero\n");
  }

  if (ref.NumParte != 0) {
    OE_MENSAJE* m = NULL;
    OE_OBJMSG* o = NULL;
    res = f->ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO);
    fprintf(s, "adjunto de nuevo %u", res);
    if (res == OE_OK) fprintf(s, " \"%s\" bytes %u del mensaje \"%s\"", o->NombreAdjunto, o->LongParte, m->Asunto);
    fprintf(s, "\n");
    f->ObtenerAttachMensaje(&ref, &m, &o, OE_CERRAR);
  }
}
