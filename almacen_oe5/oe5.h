// The Outlook Express 5/6 (.dbx) store: what the export layer dispatches to.
#pragma once

#include <cstdint>

#include "api/orvex.h"
#include "nucleo/generacion.h"

namespace orvex::oe5 {

// This generation's entry in the table of store generations.
extern const Generacion kGeneracion;

// Identities and store root.
uint32_t IniciarIdentidad(const char* usuario);  // null: default identity; 0 done, 1 not found
uint32_t ContarIdentidades();
char* LeerNombreIdentidad(uint32_t indice);  // page-allocator copy, or null

// Folders.
uint32_t ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerCarpetasPrincipales(OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerSubCarpetas(OE_CARPETA* padre, OE_CARPETA** carpeta, uint32_t modo);
uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo);

// Messages.
uint32_t ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo);
// Advances a message record prepared by mode 1 until its IdMensaje equals the reference's.
uint32_t PosicionarMensaje(const OE_REF_ADJUNTO* referencia, OE_CARPETA* carpeta, OE_MENSAJE* mensaje);

// Save actions and the write-back at the end of a message object.
uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion);
uint32_t Reescribir(OE_MENSAJE* mensaje, uint32_t tamano);

}  // namespace orvex::oe5
