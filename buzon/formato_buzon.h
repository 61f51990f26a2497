// Layout of the .idx/.mbx pair the Outlook Express 4 and Internet Mail and News stores both
// keep: the index and mailbox headers, the head every index record starts with, and the
// mailbox records. Packed, little-endian.
#pragma once

#include <cstdint>

namespace orvex::buzonfmt {

// IDX_CABECERA: the first 80 bytes of a .idx file; records start behind it.
inline constexpr uint32_t kFirmaIdx = 0x39464D4Au;  // "JMF9"
inline constexpr uint32_t kVersionIdx = 0x00010004u;
inline constexpr uint32_t kLongCabIdx = 80;
inline constexpr uint32_t kIdxFirma = 0x00;
inline constexpr uint32_t kIdxVersion = 0x04;
inline constexpr uint32_t kIdxNumRegistros = 0x08;
inline constexpr uint32_t kIdxFinRegistros = 0x0C;

// The head every index record starts with; what follows it is each generation's own.
inline constexpr uint32_t kRegMarcas = 0x00;
inline constexpr uint32_t kRegIdMensaje = 0x08;
inline constexpr uint32_t kRegPosPropia = 0x0C;
inline constexpr uint32_t kRegLongRegistro = 0x10;
inline constexpr uint32_t kRegPosBloque = 0x14;
inline constexpr uint32_t kRegTamBloque = 0x18;

// MBX_CABECERA: the first 84 bytes of a .mbx file.
inline constexpr uint32_t kFirmaMbx = 0x36464D4Au;  // "JMF6"
inline constexpr uint32_t kVersionMbx = 0x00010003u;
inline constexpr uint32_t kLongCabMbx = 84;
inline constexpr uint32_t kMbxFirma = 0x00;
inline constexpr uint32_t kMbxVersion = 0x04;
inline constexpr uint32_t kMbxNumBloques = 0x08;
inline constexpr uint32_t kMbxUltimoId = 0x0C;
inline constexpr uint32_t kMbxTamDatos = 0x10;

// MBX_BLOQUE: a 16-byte head and the raw text.
inline constexpr uint32_t kLongCabBloqueMbx = 16;
inline constexpr uint32_t kMbxBloquePrimera = 0x00;
inline constexpr uint32_t kMbxBloqueId = 0x04;
inline constexpr uint32_t kMbxBloqueTam = 0x08;
inline constexpr uint32_t kMbxBloqueLongTexto = 0x0C;
inline constexpr uint32_t kAlineacionBloqueMbx = 4;

}  // namespace orvex::buzonfmt
