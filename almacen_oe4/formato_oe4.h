// Layout of the Outlook Express 4 store files (folders.nch, .idx, .mbx, sublist.dat and the
// newsgroup .nch files): the one place where the reader and the test builder take their
// offsets, signatures and sizes from. Every structure is packed and little-endian.
#pragma once

#include <cstdint>

#include "buzon/formato_buzon.h"

namespace orvex::oe4fmt {

// The .idx/.mbx pair: the layout this generation shares.
using namespace buzonfmt;

// NCH_CABECERA: shared by folders.nch and the newsgroup files.
inline constexpr uint32_t kFirmaNch = 0xFE12ADCFu;
inline constexpr uint32_t kVersionFolders = 0x00020002u;
inline constexpr uint32_t kVersionGrupo = 0x00020009u;
inline constexpr uint32_t kNchFirma = 0x00;
inline constexpr uint32_t kNchVersion = 0x04;
inline constexpr uint32_t kNchPrimero = 0x14;      // first folder record / first article item
inline constexpr uint32_t kNchLongArea = 0x1C;     // newsgroup files: length of the item area
inline constexpr uint32_t kNchTamTextos = 0x138;   // newsgroup files: text byte count
inline constexpr uint32_t kLongCabFolders = 32;    // what is read of folders.nch
inline constexpr uint32_t kLongCabGrupo = 328;     // what is read of a newsgroup file

// NCH_CARPETA: one folder of folders.nch, at any offset (note the odd offsets).
inline constexpr uint32_t kLongCarpeta = 0x270;  // 624
inline constexpr uint32_t kCarPosPropia = 0x000;
inline constexpr uint32_t kCarPosAux = 0x008;
inline constexpr uint32_t kCarPosSiguiente = 0x00C;
inline constexpr uint32_t kCarIdCarpeta = 0x010;
inline constexpr uint32_t kCarNombre = 0x014;
inline constexpr uint32_t kLongCarNombre = 259;
inline constexpr uint32_t kCarNombreFichero = 0x117;
inline constexpr uint32_t kLongCarNombreFichero = 260;
inline constexpr uint32_t kCarIdPadre = 0x21B;
inline constexpr uint32_t kCarIdFin = 0x21F;
inline constexpr uint32_t kCarIndice = 0x223;
inline constexpr uint32_t kCarNumSubCarpetas = 0x22B;
inline constexpr uint32_t kCarNumMensajes = 0x22F;
inline constexpr uint32_t kCarExtra = 0x233;
inline constexpr uint32_t kCarTamBloques = 0x237;
inline constexpr uint32_t kCarTamMensajes = 0x23B;

// IDX_REGISTRO: the shared head in a 50-byte fixed part, LongExtra bytes, three FILETIMEs,
// 2 bytes and three counted texts (subject, a second header text, sender).
inline constexpr uint32_t kLongFijoRegistro = 50;
inline constexpr uint32_t kRegIdSustituto = 0x04;
inline constexpr uint32_t kRegBanderas = 0x22;  // one byte; bit 0 is Marca
inline constexpr uint32_t kRegLongTexto = 0x2A;
inline constexpr uint32_t kRegLongExtra = 0x2E;
inline constexpr uint32_t kMarcaSustituido = 1;
inline constexpr uint32_t kNumFechas = 3;
inline constexpr uint32_t kFechaMostrada = 1;  // the second FILETIME
inline constexpr uint32_t kLongTrasFechas = 2;
inline constexpr uint32_t kNumTextos = 3;

// NCH_ARTICULO: one item of a newsgroup file.
inline constexpr uint32_t kLongArticulo = 0x34;  // 52
inline constexpr uint32_t kArtPosPropia = 0x00;
inline constexpr uint32_t kArtTamArticulo = 0x04;
inline constexpr uint32_t kArtPosSiguiente = 0x0C;
inline constexpr uint32_t kArtPosBloque = 0x24;
inline constexpr uint32_t kArtLongArticulo = 0x28;

// NCH_BLOQUE: a 16-byte head and the text bytes.
inline constexpr uint32_t kLongCabBloqueNch = 16;
inline constexpr uint32_t kNchBloqueCapacidad = 0x04;
inline constexpr uint32_t kNchBloqueUsados = 0x08;
inline constexpr uint32_t kNchBloqueSiguiente = 0x0C;

// sublist.dat: a 12-byte header, then one entry per subscribed group.
inline constexpr uint32_t kFirmaSublist = 0xFFEAEA05u;
inline constexpr uint32_t kLongCabSublist = 12;
inline constexpr uint32_t kSubFirma = 0x00;
inline constexpr uint32_t kSubNumGrupos = 0x04;
inline constexpr uint32_t kSubTercera = 0x08;
inline constexpr uint32_t kLongFijoGrupo = 0x3C;  // 60
inline constexpr uint32_t kGrpNumMensajes = 0x10;
inline constexpr uint32_t kGrpLongNombre = 0x24;  // then the four other lengths
inline constexpr uint32_t kGrpNumTextos = 5;
inline constexpr uint32_t kGrpNumFichero = 0x38;

// Registry.
inline constexpr const char* kClaveOe4 = "Software\\Microsoft\\Outlook Express";
inline constexpr const char* kValorRaiz = "Store Root";
inline constexpr const char* kClaveCuentas = "Software\\Microsoft\\Internet Account Manager";
inline constexpr const char* kValorCuentaNoticias = "Default News Account";
inline constexpr const char* kSubclaveCuentas = "Software\\Microsoft\\Internet Account Manager\\Accounts";
inline constexpr const char* kValorDirectorioNntp = "NNTP Data Directory";
inline constexpr const char* kArchivoFolders = "mail\\folders.nch";
inline constexpr const char* kDirectorioNoticias = "\\News\\";
inline constexpr const char* kArchivoSublist = "sublist.dat";

// News folders carry bit 31 in their id.
inline constexpr uint32_t kBitNoticias = 0x80000000u;

}  // namespace orvex::oe4fmt
