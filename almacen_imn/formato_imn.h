// Layout of the Internet Mail and News store files: the one place where the reader, the
// rewrite and the test builder take their offsets, signatures and sizes from. The index and
// mailbox headers and the mailbox records are the shared .idx/.mbx layout; the index record
// is read in its own way: a 58-byte head, a table of 24-byte part entries, a tail. Packed,
// little-endian.
#pragma once

#include <cstdint>

#include "buzon/formato_buzon.h"

namespace orvex::imnfmt {

// Index header: the first 80 bytes of a .idx file, read and written as one block.
inline constexpr uint32_t kFirmaIdx = buzonfmt::kFirmaIdx;  // "JMF9"
inline constexpr uint32_t kVersionIdx = buzonfmt::kVersionIdx;
inline constexpr uint32_t kLongCabIdx = buzonfmt::kLongCabIdx;
inline constexpr uint32_t kIdxFirma = buzonfmt::kIdxFirma;
inline constexpr uint32_t kIdxVersion = buzonfmt::kIdxVersion;
inline constexpr uint32_t kIdxNumMensajes = buzonfmt::kIdxNumRegistros;  // taken as signed: 0 or less means none
inline constexpr uint32_t kIdxFinRegistros = buzonfmt::kIdxFinRegistros;  // end of the record area

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
inline constexpr uint32_t kFirmaMbx = buzonfmt::kFirmaMbx;  // "JMF6"
inline constexpr uint32_t kVersionMbx = buzonfmt::kVersionMbx;
inline constexpr uint32_t kLongCabMbx = buzonfmt::kLongCabMbx;
inline constexpr uint32_t kMbxFirma = buzonfmt::kMbxFirma;
inline constexpr uint32_t kMbxVersion = buzonfmt::kMbxVersion;
inline constexpr uint32_t kMbxNumRegistros = buzonfmt::kMbxNumBloques;
inline constexpr uint32_t kMbxUltimoId = buzonfmt::kMbxUltimoId;
inline constexpr uint32_t kMbxTamDatos = buzonfmt::kMbxTamDatos;
inline constexpr uint32_t kLongCabBloque = buzonfmt::kLongCabBloqueMbx;
inline constexpr uint32_t kBloqueId = buzonfmt::kMbxBloqueId;
inline constexpr uint32_t kBloqueTam = buzonfmt::kMbxBloqueTam;  // the whole record, head and fill included
inline constexpr uint32_t kBloqueLongTexto = buzonfmt::kMbxBloqueLongTexto;
inline constexpr uint32_t kAlineacionBloque = buzonfmt::kAlineacionBloqueMbx;

// Registry and directory.
inline constexpr const char* kClaveImn = "Software\\Microsoft\\Internet Mail and News";
inline constexpr const char* kValorRaiz = "Store Root";
inline constexpr const char* kDirectorioCorreo = "Mail";
inline constexpr const char* kPatronBuzones = "*.mbx";
inline constexpr const char* kExtensionIndice = "idx";

}  // namespace orvex::imnfmt
