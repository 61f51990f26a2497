// The Internet Mail and News store (.idx/.mbx pairs in one directory): what the export
// layer dispatches to.
#pragma once

#include <cstdint>

#include "api/orvex.h"
#include "nucleo/generacion.h"

namespace orvex::imn {

// This generation's entry in the table of store generations.
extern const Generacion kGeneracion;

// Store locator: the mail directory into buffer (at least 260 bytes). 0 when the
// "Store Root" value exists, else 1 with an empty buffer.
uint32_t ObtenerRaizIMN(char* buffer);

uint32_t ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo);
// The message object of this generation: every mode of OE_ObtenerObjMsg.
uint32_t ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo);
uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion);
uint32_t Reescribir(OE_MENSAJE* mensaje, uint32_t tamano);

}  // namespace orvex::imn
