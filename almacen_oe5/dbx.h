// The .dbx container: open and check, the index-tree walk, indexed objects, and the text
// chains of 512-byte blocks. Every offset read from a file is checked against the file's size
// before it is followed; a walk is bounded by the list that receives it and by a node's room.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "almacen_oe5/formato_dbx.h"
#include "api/orvex.h"
#include "soporte/archivo_acotado.h"

namespace orvex::oe5 {

enum class TipoDbx { kCarpetas, kMensajes };

// One .dbx file, open for the length of one call: a bounded store file with the header read at
// open and a read-ahead window.
class ArchivoDbx {
 public:
  using Modo = ArchivoAcotado::Modo;

  // Opens the file and checks its signature pair for the kind of file; empty when the file
  // cannot be opened, is shorter than the header or bears another signature.
  static std::optional<ArchivoDbx> AbrirYComprobar(const std::string& ruta, TipoDbx tipo,
                                                   Modo modo = Modo::kLectura);
  // Opens the file without looking at its header.
  static std::optional<ArchivoDbx> Abrir(const std::string& ruta, Modo modo = Modo::kLectura);

  uint64_t Tamano() const { return archivo_.Tamano(); }
  // True when n bytes at pos lie inside the file.
  bool Contiene(uint64_t pos, uint64_t n) const { return archivo_.Contiene(pos, n); }
  // A word of the header read at open (0 after Abrir, or past what was read).
  uint32_t Cabecera(uint32_t desplazamiento) const;
  // Reads exactly n bytes at pos, only when they lie inside the file. Small reads are served
  // from a window of the file read ahead in one go, so a node, an object or a run of text
  // blocks costs one system call; the window lives only as long as this open file.
  bool Leer(uint64_t pos, void* destino, std::size_t n) const;
  bool Leer32(uint64_t pos, uint32_t* valor) const;
  // Writes n bytes at pos, only inside the file (a rewrite never lengthens it).
  bool Escribir(uint64_t pos, const void* origen, std::size_t n);

 private:
  explicit ArchivoDbx(ArchivoAcotado archivo) : archivo_(std::move(archivo)) {}
  bool LlenarVentana(uint64_t pos, std::size_t n) const;
  ArchivoAcotado archivo_;
  // Read-ahead window: ventana_len_ bytes of the file from ventana_pos_; dropped by every write.
  mutable std::unique_ptr<uint8_t[]> ventana_;
  mutable std::size_t ventana_cap_ = 0;  // bytes allocated
  mutable std::size_t ventana_tam_ = 0;  // bytes the last fill asked for
  mutable uint64_t ventana_pos_ = 0;
  mutable std::size_t ventana_len_ = 0;
  std::array<uint8_t, dbx::kLeidoCabeceraCarpetas> cabecera_{};
  uint32_t leido_cabecera_ = 0;
};

// Node offsets of the tree at raiz in walk order: a node, the subtrees of its entries' children
// (until a zero child or the node's room), then the subtree of its +0x08 child. At most
// capacidad nodes; a node seen before or one whose head or entries run past the end of the
// file is left out. Empty when raiz is 0 or not a node inside the file.
std::vector<uint32_t> RecorrerArbol(const ArchivoDbx& archivo, uint32_t raiz, uint32_t capacidad);

// Entries of a node, bounded by its room and by the end of the file.
uint32_t EntradasNodo(const ArchivoDbx& archivo, uint32_t nodo);

// An indexed object: its index entries spread by id, and where its data area lies.
struct ObjetoDbx {
  uint32_t TablaIndices[dbx::kNumIndices];
  uint32_t inicio_datos;
  uint32_t long_datos;
};

// Reads the object at pos. False when pos is 0 or the object runs past the end of the file.
bool LeerObjeto(const ArchivoDbx& archivo, uint32_t pos, ObjetoDbx* objeto);

// Copies the NUL-terminated string at desplazamiento in the object's data area into destino
// (capacidad bytes, always terminated); the string ends at its NUL, at the end of the data
// area or at capacidad - 1 bytes. False (and "" in destino) when desplazamiento is not inside
// the data area or the bytes cannot be read.
bool LeerCadenaDatos(const ArchivoDbx& archivo, const ObjetoDbx& objeto, uint32_t desplazamiento, char* destino,
                     std::size_t capacidad);

// Up to 2000 folder object offsets from the nodes of folders.dbx, in node order and entry
// order; entry 0 of a node is left out when it holds the root folder's object (9712). Zero
// offsets name no object and are left out.
std::vector<uint32_t> ListaObjetosCarpetas(const ArchivoDbx& archivo, const std::vector<uint32_t>& nodos);

// Why a text chain was refused; kValida when it was not.
enum class MotivoCadena {
  kValida,
  kFueraDelArchivo,   // a head, the text it declares or its room runs past the end of the file
  kCabeceraInvalida,  // a room over 512 bytes, or more used than the room holds
  kCiclo,             // a block reached twice
  kSolape,            // one block's head inside another block's text or room
  kDemasiadoLarga,    // more blocks, or more text, than the file has room for
};

// What each block of a chain must keep inside the file and apart from the others: the text it
// holds (reading) or its whole room (rewriting in place).
enum class AlcanceCadena { kTexto, kCapacidad };

// One block as its head was read: where it is, and the head's four words.
struct BloqueCadena {
  uint32_t pos, propio, capacidad, usado, siguiente;
};

// Follows the chain at primer_bloque once and checks it whole: every head, the span alcance
// names of every block, cycles, overlaps, and the block count against the file's size. The
// blocks in chain order into *bloques (emptied first); anything but kValida leaves it partial.
MotivoCadena RecorrerCadena(const ArchivoDbx& archivo, uint32_t primer_bloque, AlcanceCadena alcance,
                            std::vector<BloqueCadena>* bloques);

// Reads the text chain starting at primer_bloque into a new page-allocator buffer of
// *longitud + 1 bytes, NUL-terminated. OE_OK; OE_ERROR for a chain RecorrerCadena refuses for
// its texts, or a short read (*longitud 0, *texto null); OE_ERROR_MEMORIA when the buffer
// cannot be had.
uint32_t LeerCadena(const ArchivoDbx& archivo, uint32_t primer_bloque, char** texto, uint32_t* longitud);

// Overwrites the chain at primer_bloque in place with nuevo (longitud_nueva bytes). The chain
// is never moved or lengthened: a shorter text ends the chain at the block where it ends, and
// what does not fit in the old chain is not written. longitud_vieja is the old text length.
// A chain RecorrerCadena refuses for its blocks' rooms is left untouched (0). Returns the
// number of text bytes written.
uint32_t ReescribirCadena(ArchivoDbx& archivo, uint32_t primer_bloque, uint32_t longitud_vieja, const char* nuevo,
                          uint32_t longitud_nueva);

}  // namespace orvex::oe5
