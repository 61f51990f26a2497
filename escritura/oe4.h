// Writes the mail files of Outlook Express 4 stores in the real format from a short
// description: folders.nch with its folder chain (root first or further down, nested folders,
// the root's IdFin) and a .idx/.mbx pair per mail folder (live and replaced records, long
// counted texts, three FILETIMEs). The command writes the folder list or the index of a store
// whose own is lost; the tests describe their stores with the same structures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvex::escritura {

struct MensajeOe4 {
  uint32_t id = 0;                   // record and block id
  std::string texto;                 // the raw message in the .mbx block
  uint64_t fechas[3] = {0, 0, 0};    // FILETIMEs (UTC); the second is the one shown
  std::string asunto;                // first counted text
  std::string texto2;                // second counted text
  std::string de;                    // third counted text
  bool sustituido = false;           // Marcas bit 0: the listing skips the record
  uint32_t id_sustituto = 0;         // with sustituido: the id of the copy
  uint32_t long_extra = 0;           // bytes between the fixed part and the dates
  uint8_t banderas = 0;              // the flag byte (bit 0 is Marca)
  uint32_t primera_palabra = 0;      // the block head's first word
};

struct CarpetaOe4 {
  uint32_t id = 0;                   // 0 = the root
  uint32_t padre = 0;
  std::string nombre;
  std::string fichero;               // base name of the .idx/.mbx pair ("" for the root)
  uint32_t id_fin = 0;               // in the root: the folder that ends the top-level walk
  uint32_t indice = 0;
  uint32_t extra = 0;
  uint32_t tam_bloques = 0;
  uint32_t tam_mensajes = 0;
  std::optional<uint32_t> num_subcarpetas;  // default: the folders whose padre is this id
  std::optional<uint32_t> num_mensajes;     // default: the live messages
  std::vector<MensajeOe4> mensajes;         // in index order
  bool con_archivos = true;                 // write the .idx/.mbx pair (not for the root)
  std::optional<uint32_t> ultimo_id;        // .mbx header; default the largest id
};

struct AlmacenCorreoOe4 {
  std::vector<CarpetaOe4> carpetas;  // in chain order; one of them has id 0
  // Records lie in the file in the reverse of the chain order, so a reader must follow the
  // chain rather than the file.
  bool orden_inverso = false;
};

// Where the builder put things, so that a test can damage one field at a time.
struct MapaNch {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> registros;  // folders.nch: record offset per folder, description order
};
struct MapaIdxMbx {
  std::vector<uint8_t> idx;
  std::vector<uint8_t> mbx;
  std::vector<uint32_t> registros;  // record offset per message
  std::vector<uint32_t> bloques;    // block offset per message
};
MapaNch ConstruirFoldersNch(const AlmacenCorreoOe4& descripcion);
MapaIdxMbx ConstruirIdxMbx(const CarpetaOe4& carpeta);

// The index of mensajes whose mailbox records lie at bloques (offset and size per message).
std::vector<uint8_t> ConstruirIdxOe4(const std::vector<MensajeOe4>& mensajes,
                                     const std::vector<std::pair<uint32_t, uint32_t>>& bloques);

}  // namespace orvex::escritura
