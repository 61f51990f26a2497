// The Outlook Express 4 store (folders.nch, .idx/.mbx, news .nch): what the export layer
// dispatches to.
#pragma once

#include <cstdint>

#include "api/orvex.h"
#include "nucleo/generacion.h"

namespace orvex::oe4 {

// This generation's entry in the table of store generations.
extern const Generacion kGeneracion;

// Store locator: the path of folders.nch into buffer (at least 260 bytes). 1 if the
// "Store Root" value exists, else 0 with an empty buffer.
uint32_t RutaFoldersNch(char* buffer);

uint32_t ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerCarpetasPrincipales(OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerSubCarpetas(OE_CARPETA* padre, OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo);
uint32_t ObtenerUnMensajeMail(OE_CARPETA* carpeta, OE_MENSAJE** mensaje);
uint32_t PosicionarMensaje(const OE_REF_ADJUNTO* referencia, OE_CARPETA* carpeta, OE_MENSAJE* mensaje);
uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion);
uint32_t Reescribir(OE_MENSAJE* mensaje, uint32_t tamano);

}  // namespace orvex::oe4
