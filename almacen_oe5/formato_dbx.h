// Layout of the Outlook Express 5/6 .dbx container: the one place where the reader and the
// test builder take their offsets, signatures and limits from.
#pragma once

#include <cstdint>

namespace orvex::dbx {

// Signature words at the start of every .dbx file (the second one tells the kind of file).
inline constexpr uint32_t kFirma0 = 0xFE12ADCFu;
inline constexpr uint32_t kFirmaCarpetas = 0x6F74FDC6u;  // folders.dbx
inline constexpr uint32_t kFirmaMensajes = 0x6F74FDC5u;  // one folder's message file
inline constexpr uint32_t kFirma2 = 0x11D1E366u;
inline constexpr uint32_t kFirma3 = 0xC0004E9Au;
inline constexpr uint32_t kFirma4 = 0xD409A34Fu;

// Bytes of the header that the reader takes in at open.
inline constexpr uint32_t kLeidoCabeceraCarpetas = 240;
inline constexpr uint32_t kLeidoCabeceraMensajes = 232;
// Room the mail client keeps for the header before the first allocation.
inline constexpr uint32_t kLongCabecera = 0x24BC;

// Header fields.
inline constexpr uint32_t kCabInicioObjetos = 0x24;    // base of the object-offset bound
inline constexpr uint32_t kCabLongObjetos = 0x2C;      // base + this = bound
inline constexpr uint32_t kCabMaxIdMensaje = 0x5C;
inline constexpr uint32_t kCabLimiteTexto = 0x7C;      // text chains start below this
inline constexpr uint32_t kCabAreaRaiz = 0x8C;         // folders.dbx: root-folder area
inline constexpr uint32_t kCabNumMensajes = 0xC4;
inline constexpr uint32_t kCabNumSubCarpetas = 0xCC;   // folders.dbx
inline constexpr uint32_t kCabArbolMensajes = 0xE4;    // message file; folders.dbx: first tree
inline constexpr uint32_t kCabArbolSegundo = 0xE8;     // folders.dbx: second tree (not walked)
inline constexpr uint32_t kCabArbolCarpetas = 0xEC;    // folders.dbx: the folder tree

// NODO_DBX: a 24-byte head and 12-byte entries.
inline constexpr uint32_t kNodoPropio = 0x00;          // the node's own offset
inline constexpr uint32_t kNodoHijo = 0x08;            // walked after the entries' subtrees
inline constexpr uint32_t kNodoPadre = 0x0C;
inline constexpr uint32_t kNodoCuenta = 0x10;          // entries in bits 8-31
inline constexpr uint32_t kNodoValoresHijo = 0x14;     // objects under the +0x08 child
inline constexpr uint32_t kNodoEntradas = 0x18;
inline constexpr uint32_t kLongEntrada = 12;
inline constexpr uint32_t kEntradaObjeto = 0x00;
inline constexpr uint32_t kEntradaHijo = 0x04;
inline constexpr uint32_t kEntradaValoresHijo = 0x08;  // objects under the entry's child
inline constexpr uint32_t kLongCabNodo = 0x18;
// Nodes are allocated with room for this many entries.
inline constexpr uint32_t kMaxEntradasNodo = 51;
inline constexpr uint32_t kLongNodo = kLongCabNodo + kMaxEntradasNodo * kLongEntrada;  // 0x27C

// OBJETO_DBX: a 12-byte head, N four-byte index entries, then the data area.
inline constexpr uint32_t kObjPropio = 0x00;
inline constexpr uint32_t kObjLongCuerpo = 0x04;
inline constexpr uint32_t kObjNumIndices = 0x0A;  // one byte
inline constexpr uint32_t kLongCabObjeto = 12;
inline constexpr uint32_t kNumIndices = 256;
// Index ids with bit 7 carry their value; the others an offset into the data area.
inline constexpr uint32_t kIndiceDirecto = 0x80;

// Folder object ids.
inline constexpr uint8_t kIdCarpeta = 0x80;
inline constexpr uint8_t kIdPadre = 0x81;
inline constexpr uint8_t kIdNombreCarpeta = 0x02;  // offset; the reader takes offset 0
inline constexpr uint8_t kIdArchivoCarpeta = 0x03;
inline constexpr uint8_t kIdNumMensajesCarpeta = 0x87;
inline constexpr uint8_t kIdCarpeta88 = 0x88;

// Message object ids and data-area positions.
inline constexpr uint8_t kIdMensaje = 0x80;
inline constexpr uint8_t kIdBloqueTexto = 0x84;
inline constexpr uint8_t kIdBloqueTextoEnArea = 0x04;  // offset of a 32-bit block offset
inline constexpr uint8_t kIdFechaMensaje = 0x02;       // offset of the FILETIME
inline constexpr uint8_t kIdAsunto = 0x08;
inline constexpr uint8_t kIdNombreRemitente = 0x0D;
inline constexpr uint8_t kIdDireccionRemitente = 0x0E;
inline constexpr uint32_t kAreaFecha = 0;
inline constexpr uint32_t kAreaBloqueTexto = 8;

// BLOQUE_DBX: a 16-byte head and at most 512 bytes of text.
inline constexpr uint32_t kBloquePropio = 0x00;
inline constexpr uint32_t kBloqueCapacidad = 0x04;
inline constexpr uint32_t kBloqueUsado = 0x08;
inline constexpr uint32_t kBloqueSiguiente = 0x0C;
inline constexpr uint32_t kLongCabBloque = 16;
inline constexpr uint32_t kMaxTextoBloque = 512;

// folders.dbx: the root folder's object, which the folder list leaves out when a node
// starts with it.
inline constexpr uint32_t kPosObjetoRaiz = 9712;

// Capacities of the lists that receive a walk.
inline constexpr uint32_t kMaxNodosCarpetas = 2000;
inline constexpr uint32_t kMaxNodosMensajes = 1000;
inline constexpr uint32_t kMaxObjetosCarpetas = 2000;
inline constexpr uint32_t kHuecosNodosMensaje = 2000;  // slots of the list in OE_MENSAJE

}  // namespace orvex::dbx
