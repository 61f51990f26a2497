// Recovery scanners: what a damaged, cut or partly deleted mail file still holds. They work on
// the bytes of one file held in memory and trust none of its counts or pointers: every loop is
// bounded by the file's size, every chain is checked for cycles and for blocks that another
// message already holds. Nothing is repaired: bytes known to be lost are reported as gaps.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::recuperacion {

// How a message was found.
enum class Origen {
  kIndice,     // through the message file's index tree (the normal listing), or listed by a .idx
  kHuerfano,   // a sound text chain that the index does not reach, or a record a .idx does not list
  kFragmento,  // blocks of a deleted message whose heads lost their first word
  kRegistro,   // a message record of an older mailbox (.mbx) read without its index
};

// How much of the message the file still holds.
enum class Estado {
  kCompleto,  // the chain or record ends where it says it ends
  kCortado,   // it runs past the end of the file, or a link leads nowhere
  kHuecos,    // whole, but with bytes known to be lost (see huecos)
};

// Why a message ends before its chain or record says it does.
enum class Corte {
  kNinguno,
  kFinArchivo,  // the file ends inside it, or before the block a link names
  kBloque,      // a link leads to a block that is not one
  kCiclo,       // a link leads back into the chain
  kAjeno,       // a link leads into a block another message holds
};

// Bytes known to be lost: `longitud` bytes missing before position `posicion` of the text.
struct Hueco {
  uint32_t posicion;
  uint32_t longitud;
};

struct Recuperado {
  Origen origen;
  Estado estado;
  uint64_t desplazamiento;     // first block or record in the file
  uint32_t bloques;            // blocks or records read
  uint32_t id = 0;             // message id, when the index or the record gives one
  std::string texto;           // the raw message as far as it was found
  std::vector<Hueco> huecos;   // in text order
  uint32_t uniones = 0;        // deleted blocks joined by their content, not by a link
  Corte corte = Corte::kNinguno;
};

enum class TipoArchivo { kDbxMensajes, kMbx, kOtro };

// The kind of file by its signature.
TipoArchivo Reconocer(std::span<const uint8_t> archivo);

enum class Pasadas { kTodas, kSoloIndice };

// Messages of a .dbx message file: those the index reaches, then (unless kSoloIndice) orphaned
// chains, then fragments of deleted messages, no block taken twice. A file without a sound
// header (cut short, overwritten) is still scanned for chains and fragments.
std::vector<Recuperado> RecuperarDbx(std::span<const uint8_t> archivo, Pasadas pasadas = Pasadas::kTodas);

// Every message record of a .mbx mailbox (Outlook Express 4, Internet Mail and News), in file
// order, whether the index still lists it or not. With the mailbox's .idx, a record it lists is
// kIndice and any other (replaced, deleted, never indexed) kHuerfano; without one, or with an
// index that names records the mailbox does not hold, every record is kRegistro.
std::vector<Recuperado> RecuperarMbx(std::span<const uint8_t> archivo, std::span<const uint8_t> indice = {});

// The text with each gap filled with a visible marker naming the lost bytes.
std::string TextoConMarcas(const Recuperado& r);

// Names used by the command's report.
std::string_view NombreOrigen(Origen o);
std::string_view NombreEstado(Estado e);
std::string_view NombreCorte(Corte c);

}  // namespace orvex::recuperacion
