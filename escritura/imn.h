// Writes Internet Mail and News mailboxes in the real format from a short description: a
// .mbx/.idx pair (index records with their 58-byte head, 24-byte part entries and a tail of
// dates and counted texts; dead records; mailbox records padded to 4 bytes), or a missing or
// foreign index. The command writes the index of a mailbox whose own is lost; the tests
// describe their mailboxes with the same structures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvex::escritura {

// One part entry of an index record: where a part lies in the message text.
struct EntradaImn {
  uint32_t inicio = 0;
  uint32_t longitud = 0;  // without the 2-byte line end that follows the part
  uint8_t relleno = 0;    // the other 16 bytes are filled with this value
};

struct MensajeImn {
  uint32_t id = 0;                 // mailbox record id
  std::string texto;               // the raw message
  uint64_t fechas[2] = {0, 0};     // FILETIMEs (UTC); the first is the message date
  std::string asunto;              // counted text 1
  std::string texto2;              // counted text 2
  std::string de;                  // counted text 3
  bool muerto = false;             // flags bit 0: the listing skips the record
  uint8_t byte_partes = 0;         // record byte 34
  std::vector<EntradaImn> entradas;
  uint32_t primera_palabra = 0;    // the mailbox record head's first word
};

enum class IndiceImn { kNormal, kAusente, kAjeno };

struct BuzonImn {
  std::string nombre;              // base name of the pair ("Inbox")
  std::vector<MensajeImn> mensajes;  // in index order
  IndiceImn indice = IndiceImn::kNormal;
  std::optional<uint32_t> num_mensajes;  // index header count; default the live messages
  std::optional<uint32_t> ultimo_id;     // mailbox header; default the largest id
};

// Where the builder put things, so that a test can damage one field at a time.
struct MapaImn {
  std::vector<uint8_t> idx;
  std::vector<uint8_t> mbx;
  std::vector<uint32_t> registros;  // index record offset per message
  std::vector<uint32_t> bloques;    // mailbox record offset per message
};

MapaImn ConstruirBuzonImn(const BuzonImn& buzon);

// The index of mensajes whose mailbox records lie at bloques (offset and size per message).
std::vector<uint8_t> ConstruirIdxImn(const std::vector<MensajeImn>& mensajes,
                                     const std::vector<std::pair<uint32_t, uint32_t>>& bloques);

}  // namespace orvex::escritura
