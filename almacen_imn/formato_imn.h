// Layout of the Internet Mail and News store files: the one place where the reader, the
// rewrite and the test builder take their offsets, signatures and sizes from. The index and
// mailbox headers and the mailbox records are those of Outlook Express 4 (taken from its
// layout); the index record is read differently: a 58-byte head, a table of 24-byte part
// entries, a tail. Packed, little-endian.
#pragma once

#include <cstdint>

#include "almacen_oe4/formato_oe4.h"

namespace orvex::imnfmt {

// Index header: the first 80 bytes of a .idx file, read and written as one block.
inline constexpr uint32_t kFirmaIdx = oe4fmt::kFirmaIdx;  // "JMF9"
inline constexpr uint32_t kVersionIdx = oe4fmt::kVersionIdx;
inline constexpr uint32_t kLongCabIdx = oe4fmt::kLongCabIdx;
inline constexpr uint32_t kIdxFirma = oe4fmt::kIdxFirma;
inline constexpr uint32_t kIdxVersion = oe4fmt::kIdxVersion;
inline constexpr uint32_t kIdxNumMensajes = oe4fmt::kIdxNumRegistros;  // taken as signed: 0 or less means none
inline constexpr uint32_t kIdxFinRegistros = oe4fmt::kIdxFinRegistros;  // end of the record area

// Index record: the head, then NumEntradas part entries, then the tail.
inline constexpr uint32_t kLongCabRegistro = 58;
inline constexpr uint32_t kRegFlags = 0;
inline constexpr uint32_t kRegIdMensaje = 8;
inline constexpr uint32_t kRegPosPropia = 12;
inline constexpr uint32_t kRegLongitud = 16;      // head, entries and tail
inline constexpr uint32_t kRegPosBuzon = 20;      // the message's record in the mailbox
inline constexpr uint32_t kRegTamBuzon = 24;
inline constexpr uint32_t kRegBytePartes = 34;    // one byte; bit 0 feeds MarcaPartes
inline constexpr uint32_t kRegLongTexto = 42;
inline constexpr uint32_t kRegNumEntradas = 50;
inline constexpr uint32_t kFlagMuerto = 1;        // the listing skips the record

// A part entry: where one part lies in the message text.
inline constexpr uint32_t kLongEntrada = 24;
inline constexpr uint32_t kEntInicio = 12;
inline constexpr uint32_t kEntLongitud = 16;      // without the 2-byte line end after it

// The tail: two FILETIMEs (the first is the message date), 2 bytes, three counted texts
// (subject, a second header text, sender), each a uint32 length and that many bytes.
inline constexpr uint32_t kLongFechas = 16;
inline constexpr uint32_t kLongTrasFechas = 2;
inline constexpr uint32_t kNumTextos = 3;
inline constexpr uint32_t kMaxTexto = 255;        // characters kept of each text

// Mailbox header and records: the first 84 bytes of a .mbx file, then records of a 16-byte
// head, the text and 0 to 3 zero bytes to a multiple of 4.
inline constexpr uint32_t kFirmaMbx = oe4fmt::kFirmaMbx;  // "JMF6"
inline constexpr uint32_t kVersionMbx = oe4fmt::kVersionMbx;
inline constexpr uint32_t kLongCabMbx = oe4fmt::kLongCabMbx;
inline constexpr uint32_t kMbxFirma = oe4fmt::kMbxFirma;
inline constexpr uint32_t kMbxVersion = oe4fmt::kMbxVersion;
inline constexpr uint32_t kMbxNumRegistros = oe4fmt::kMbxNumBloques;
inline constexpr uint32_t kMbxUltimoId = oe4fmt::kMbxUltimoId;
inline constexpr uint32_t kMbxTamDatos = oe4fmt::kMbxTamDatos;
inline constexpr uint32_t kLongCabBloque = oe4fmt::kLongCabBloqueMbx;
inline constexpr uint32_t kBloqueId = oe4fmt::kMbxBloqueId;
inline constexpr uint32_t kBloqueTam = oe4fmt::kMbxBloqueTam;  // the whole record, head and fill included
inline constexpr uint32_t kBloqueLongTexto = oe4fmt::kMbxBloqueLongTexto;
inline constexpr uint32_t kAlineacionBloque = oe4fmt::kAlineacionBloqueMbx;

// Registry and directory.
inline constexpr const char* kClaveImn = "Software\\Microsoft\\Internet Mail and News";
inline constexpr const char* kValorRaiz = "Store Root";
inline constexpr const char* kDirectorioCorreo = "Mail";
inline constexpr const char* kPatronBuzones = "*.mbx";
inline constexpr const char* kExtensionIndice = "idx";

}  // namespace orvex::imnfmt
