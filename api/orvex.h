/* Orvex: read and repair the mail stores of Outlook Express 5/6, Outlook Express 4
 * and Internet Mail and News.  Plain C; the records below cross the library boundary
 * at fixed byte offsets (pointers are 4 bytes in the shipped 32-bit build). */
#ifndef ORVEX_ORVEX_H
#define ORVEX_ORVEX_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define ORVEX_LLAMADA __stdcall
#define ORVEX_EXPORTA
#elif defined(__i386__)
#define ORVEX_LLAMADA __attribute__((stdcall))
#define ORVEX_EXPORTA __attribute__((visibility("default")))
#else
#define ORVEX_LLAMADA
#define ORVEX_EXPORTA __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Store generations (VersionOE). */
#define VERSION_NINGUNA 0u
#define VERSION_IMN 1u
#define VERSION_OE4 4u
#define VERSION_OE5 5u

/* Result codes. */
#define OE_OK 0u
#define OE_ERROR 1u
#define OE_FIN 2u
#define OE_SIN_SUBCARPETAS 3u
#define OE_SIN_MENSAJES 4u
#define OE_ERROR_PARAM 7u
#define OE_ERROR_MEMORIA 8u

/* Enumeration modes. */
#define OE_PRIMERO 1u
#define OE_SIGUIENTE 2u
#define OE_CERRAR 3u

/* Save actions. */
#define ACCION_CONSERVAR 0u
#define ACCION_RENOMBRAR 1u
#define ACCION_BORRAR 2u
#define ACCION_SUSTITUIR 3u

/* Size tags: every record begins with its own size. */
#define OE_TAM_CARPETA 9132u
#define OE_TAM_MENSAJE 10716u
#define OE_TAM_OBJMSG 592u
#define OE_TAM_DESTINO 272u
#define OE_TAM_ENTRYID 8u
#define OE_TAM_REF_ADJUNTO 276u

typedef struct OE_ENTRYID {
  uint32_t IdCarpeta;
  uint32_t PosCarpeta;
} OE_ENTRYID;

typedef struct OE_CARPETA {
  uint32_t Tamano;
  uint32_t IdCarpeta;
  uint32_t PosCarpeta;
  uint32_t PosSiguiente;
  uint32_t PosAux;
  uint32_t Indice;
  uint32_t IdPadre;
  char Nombre[256];
  char RutaAlmacen[260];
  char RutaIndice[260];
  char RutaBuzon[260];
  uint32_t NumSubCarpetas;
  uint32_t PalabrasGen[2];   /* generation words at 1068 */
  uint32_t NumMensajes;
  uint8_t AreaGen[8052];     /* generation working area, 1080 to 9131 */
} OE_CARPETA;

typedef struct OE_MENSAJE {
  uint32_t Tamano;
  uint32_t IdCarpeta;
  uint32_t PosCarpeta;
  char NombreCarpeta[256];
  char RutaAlmacen[260];
  char RutaIndice[260];
  char RutaBuzon[260];
  uint32_t IdMensaje;
  uint32_t PalabrasGen[3];   /* generation words at 1052 */
  uint32_t PosRegistro;
  uint32_t FinRegistro;
  uint32_t PalabraGen;       /* generation word at 1072 */
  uint32_t TamMsg;
  uint32_t LongTexto;
  uint32_t PosTexto;
  char De[256];
  char DeMime[256];
  char TextoGen[256];        /* generation text at 1600 */
  char Asunto[256];
  char Fecha[256];
  uint32_t Modificado;
  uint32_t PosCopia;
  char* Texto;
  void* Reescrito;           /* stream buffer of the rewritten message */
  uint8_t AreaGen[8292];     /* generation working area; in the 32-bit layout 2384 to 10675 */
  uint32_t PosCuerpo;
  uint32_t FinCuerpo;
  uint32_t PalabrasGenFin[5]; /* generation counters and cursors at 10684 */
  uint32_t PosNextPart;
  uint32_t Reservado;
  uint32_t PosTextHtm;
} OE_MENSAJE;

typedef struct OE_REF_ADJUNTO {
  uint32_t IdCarpeta;
  uint32_t PosCarpeta;
  uint32_t IdMensaje;
  uint32_t NumParte;
  char NombreAdjunto[260];
} OE_REF_ADJUNTO;

typedef struct OE_OBJMSG {
  uint32_t Tamano;
  uint32_t IdCarpeta;
  uint32_t PosCarpeta;
  uint32_t IdMensaje;
  uint32_t NumParte;
  char NombreAdjunto[260];
  uint32_t IdMensajeCopia;
  uint32_t PosTexto;
  uint32_t FinMsg;
  uint32_t PosRegistro;
  uint32_t FinRegistro;
  uint32_t PosInicioParte;
  uint32_t PosSigParte;
  uint32_t BytesLeidos;
  uint32_t LongParte;
  char NombreParte[260];
  void* Parser;              /* MIME parser object */
  void* Salida;              /* part output object */
  void* Contenido;           /* stream buffer with the current part's content */
  uint32_t Reservado;
} OE_OBJMSG;

typedef struct OE_DESTINO {
  uint32_t Tamano;
  uint32_t NumDestinos;
  uint32_t Indice;
  char Destino[256];
  void* Parser;
} OE_DESTINO;

ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerVersionOE(void);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_IniciarIdentities(const char* usuario);
ORVEX_EXPORTA char** ORVEX_LLAMADA OE_ObtenerIdentities(char** identidades);
ORVEX_EXPORTA void ORVEX_LLAMADA OE_LiberarIdentities(char*** identidades);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerCarpetasPrincipales(OE_CARPETA** carpeta, uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerSubCarpetas(OE_CARPETA* padre, OE_CARPETA** carpeta,
                                                           uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta,
                                                                uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje,
                                                        uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_GuardarObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerDestinoMsg(OE_MENSAJE* mensaje, OE_DESTINO** destino,
                                                          uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerAttachMensaje(OE_REF_ADJUNTO* referencia, OE_MENSAJE** mensaje,
                                                             OE_OBJMSG** objeto, uint32_t modo);
ORVEX_EXPORTA uint32_t ORVEX_LLAMADA OE_ObtenerUnMensajeMail(OE_CARPETA* carpeta, OE_MENSAJE** mensaje);

#ifdef __cplusplus
}
#endif

/* The layouts hosts rely on, checked wherever pointers are 4 bytes. */
#ifdef __cplusplus
#define ORVEX_AFIRMA(c, m) static_assert(c, m)
#else
#define ORVEX_AFIRMA(c, m) _Static_assert(c, m)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
ORVEX_AFIRMA(sizeof(OE_ENTRYID) == 8, "OE_ENTRYID size");
ORVEX_AFIRMA(sizeof(OE_CARPETA) == 9132, "OE_CARPETA size");
ORVEX_AFIRMA(offsetof(OE_CARPETA, IdPadre) == 24, "OE_CARPETA.IdPadre");
ORVEX_AFIRMA(offsetof(OE_CARPETA, Nombre) == 28, "OE_CARPETA.Nombre");
ORVEX_AFIRMA(offsetof(OE_CARPETA, RutaAlmacen) == 284, "OE_CARPETA.RutaAlmacen");
ORVEX_AFIRMA(offsetof(OE_CARPETA, RutaIndice) == 544, "OE_CARPETA.RutaIndice");
ORVEX_AFIRMA(offsetof(OE_CARPETA, RutaBuzon) == 804, "OE_CARPETA.RutaBuzon");
ORVEX_AFIRMA(offsetof(OE_CARPETA, NumSubCarpetas) == 1064, "OE_CARPETA.NumSubCarpetas");
ORVEX_AFIRMA(offsetof(OE_CARPETA, PalabrasGen) == 1068, "OE_CARPETA.PalabrasGen");
ORVEX_AFIRMA(offsetof(OE_CARPETA, NumMensajes) == 1076, "OE_CARPETA.NumMensajes");
ORVEX_AFIRMA(offsetof(OE_CARPETA, AreaGen) == 1080, "OE_CARPETA.AreaGen");

ORVEX_AFIRMA(sizeof(OE_MENSAJE) == 10716, "OE_MENSAJE size");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, NombreCarpeta) == 12, "OE_MENSAJE.NombreCarpeta");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, RutaAlmacen) == 268, "OE_MENSAJE.RutaAlmacen");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, RutaIndice) == 528, "OE_MENSAJE.RutaIndice");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, RutaBuzon) == 788, "OE_MENSAJE.RutaBuzon");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, IdMensaje) == 1048, "OE_MENSAJE.IdMensaje");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PalabrasGen) == 1052, "OE_MENSAJE.PalabrasGen");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PosRegistro) == 1064, "OE_MENSAJE.PosRegistro");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, FinRegistro) == 1068, "OE_MENSAJE.FinRegistro");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, TamMsg) == 1076, "OE_MENSAJE.TamMsg");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, LongTexto) == 1080, "OE_MENSAJE.LongTexto");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PosTexto) == 1084, "OE_MENSAJE.PosTexto");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, De) == 1088, "OE_MENSAJE.De");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, DeMime) == 1344, "OE_MENSAJE.DeMime");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, TextoGen) == 1600, "OE_MENSAJE.TextoGen");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, Asunto) == 1856, "OE_MENSAJE.Asunto");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, Fecha) == 2112, "OE_MENSAJE.Fecha");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, Modificado) == 2368, "OE_MENSAJE.Modificado");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PosCopia) == 2372, "OE_MENSAJE.PosCopia");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, Texto) == 2376, "OE_MENSAJE.Texto");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, Reescrito) == 2380, "OE_MENSAJE.Reescrito");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, AreaGen) == 2384, "OE_MENSAJE.AreaGen");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PosCuerpo) == 10676, "OE_MENSAJE.PosCuerpo");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, FinCuerpo) == 10680, "OE_MENSAJE.FinCuerpo");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PalabrasGenFin) == 10684, "OE_MENSAJE.PalabrasGenFin");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PosNextPart) == 10704, "OE_MENSAJE.PosNextPart");
ORVEX_AFIRMA(offsetof(OE_MENSAJE, PosTextHtm) == 10712, "OE_MENSAJE.PosTextHtm");

ORVEX_AFIRMA(sizeof(OE_OBJMSG) == 592, "OE_OBJMSG size");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, NumParte) == 16, "OE_OBJMSG.NumParte");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, NombreAdjunto) == 20, "OE_OBJMSG.NombreAdjunto");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, IdMensajeCopia) == 280, "OE_OBJMSG.IdMensajeCopia");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, FinMsg) == 288, "OE_OBJMSG.FinMsg");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, PosInicioParte) == 300, "OE_OBJMSG.PosInicioParte");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, PosSigParte) == 304, "OE_OBJMSG.PosSigParte");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, BytesLeidos) == 308, "OE_OBJMSG.BytesLeidos");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, LongParte) == 312, "OE_OBJMSG.LongParte");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, NombreParte) == 316, "OE_OBJMSG.NombreParte");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, Parser) == 576, "OE_OBJMSG.Parser");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, Salida) == 580, "OE_OBJMSG.Salida");
ORVEX_AFIRMA(offsetof(OE_OBJMSG, Contenido) == 584, "OE_OBJMSG.Contenido");

ORVEX_AFIRMA(sizeof(OE_DESTINO) == 272, "OE_DESTINO size");
ORVEX_AFIRMA(offsetof(OE_DESTINO, Destino) == 12, "OE_DESTINO.Destino");
ORVEX_AFIRMA(offsetof(OE_DESTINO, Parser) == 268, "OE_DESTINO.Parser");

ORVEX_AFIRMA(sizeof(OE_REF_ADJUNTO) == 276, "OE_REF_ADJUNTO size");
ORVEX_AFIRMA(offsetof(OE_REF_ADJUNTO, NombreAdjunto) == 16, "OE_REF_ADJUNTO.NombreAdjunto");
#endif

/* The reference is bytes 4 to 279 of the message object, on every build. */
ORVEX_AFIRMA(offsetof(OE_OBJMSG, NombreAdjunto) - offsetof(OE_OBJMSG, IdCarpeta) ==
                 offsetof(OE_REF_ADJUNTO, NombreAdjunto),
             "OE_REF_ADJUNTO mirrors OE_OBJMSG");

#endif /* ORVEX_ORVEX_H */
