// Save actions and the write-back of a rewritten message into its text chain. The chain is
// overwritten in place: it is never moved, lengthened or given new blocks, and no node or
// object of the file changes. A text longer than the chain can hold is cut at its end.
#include "almacen_oe5/reescritura.h"

#include <cstring>
#include <optional>
#include <unordered_set>
#include <vector>

#include "almacen_oe5/dbx.h"
#include "almacen_oe5/oe5.h"
#include "mensaje/buffer_flujo.h"
#include "soporte/bytes.h"
#include "soporte/memoria.h"

namespace orvex::oe5 {

using namespace orvex::dbx;

namespace {

// A block of the chain as it was before the write-back: its head and its whole room.
struct CopiaBloque {
  uint32_t pos;
  std::vector<uint8_t> bytes;
};

// The blocks of the chain at primer_bloque with what each holds; empty when the chain is broken.
std::optional<std::vector<CopiaBloque>> CopiarCadena(const ArchivoDbx& archivo, uint32_t primer_bloque) {
  std::vector<CopiaBloque> cadena;
  std::unordered_set<uint32_t> vistos;
  const uint64_t max_bloques = archivo.Tamano() / kLongCabBloque + 1;
  for (uint32_t pos = primer_bloque;;) {
    if (cadena.size() >= max_bloques || !vistos.insert(pos).second) return std::nullopt;
    uint8_t cab[kLongCabBloque];
    if (!archivo.Leer(pos, cab, sizeof cab)) return std::nullopt;
    const uint32_t capacidad = Le32(cab + kBloqueCapacidad);
    if (capacidad > kMaxTextoBloque || Le32(cab + kBloqueUsado) > capacidad) return std::nullopt;
    CopiaBloque b{pos, std::vector<uint8_t>(kLongCabBloque + capacidad)};
    if (!archivo.Leer(pos, b.bytes.data(), b.bytes.size())) return std::nullopt;
    cadena.push_back(std::move(b));
    const uint32_t siguiente = Le32(cab + kBloqueSiguiente);
    if (siguiente == 0) break;
    pos = siguiente;
  }
  return cadena;
}

// Bytes of a new text of `nueva` bytes that the in-place rewrite stores in this chain, whose old
// text was `vieja` bytes: blocks are filled to their room until the new text ends, the chain
// ends, or the old length has been reached.
uint32_t BytesQueCaben(const std::vector<CopiaBloque>& cadena, uint32_t vieja, uint32_t nueva) {
  uint32_t escrito = 0;
  for (const CopiaBloque& b : cadena) {
    const uint32_t capacidad = Le32(b.bytes.data() + kBloqueCapacidad);
    const uint32_t resto = nueva - escrito;
    if (resto < capacidad) return escrito + resto;
    escrito += capacidad;
    if (escrito >= vieja) break;
  }
  return escrito;
}

// True when the chain reads back as exactly these n bytes.
bool CadenaContiene(const ArchivoDbx& archivo, uint32_t primer_bloque, const char* texto, uint32_t n) {
  char* leido = nullptr;
  uint32_t largo = 0;
  if (LeerCadena(archivo, primer_bloque, &leido, &largo) != OE_OK) return false;
  BloqueMem<char> propio(leido);
  return largo == n && (n == 0 || std::memcmp(leido, texto, n) == 0);
}

// Reescrito's whole contents, read the way a write-back reads a stream buffer.
uint32_t LeerReescrito(CL_BUFFER_FLUJO& r, BloqueMem<char>* destino, uint32_t* longitud) {
  *longitud = 0;
  if (r.Posicionar(0, 2) == 0) *longitud = r.ObtenerPosicion();
  destino->reset(static_cast<char*>(MEM_Reservar(static_cast<std::size_t>(*longitud) + 1)));
  if (!*destino) return OE_ERROR_MEMORIA;
  uint32_t leido = 0;
  if (*longitud > 0 && r.Posicionar(0, 0) == 0) {
    while (leido < *longitud) {
      uint32_t n = 0;
      if (r.Leer(destino->get() + leido, *longitud - leido, &n) != 0 || n == 0) break;
      leido += n;
    }
  }
  return leido == *longitud ? OE_OK : OE_ERROR;
}

}  // namespace

uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) {
  return AplicarAccion(mensaje, objeto, accion);
}

uint32_t Reescribir(OE_MENSAJE* m, uint32_t tamano) {
  (void)tamano;  // the record length matters only to stores that copy the index record
  if (m == nullptr || m->Tamano != OE_TAM_MENSAJE) return OE_ERROR_PARAM;
  const mensaje::FinReescritura fin(*m);
  CL_BUFFER_FLUJO* r = ReescritoDe(m);
  if (r == nullptr || m->Texto == nullptr) return OE_ERROR;

  auto archivo = ArchivoDbx::AbrirYComprobar(m->RutaIndice, TipoDbx::kMensajes, ArchivoDbx::Modo::kLecturaEscritura);
  if (!archivo) return OE_ERROR;
  BloqueMem<char> nuevo;
  uint32_t longitud = 0;
  const uint32_t leido = LeerReescrito(*r, &nuevo, &longitud);
  if (leido != OE_OK) return leido;

  // The chain must still hold the text the actions worked on: a folder that was compacted or
  // changed since the listing is not written over.
  if (!CadenaContiene(*archivo, m->PosTexto, m->Texto, m->LongTexto)) return OE_ERROR;
  const auto copia = CopiarCadena(*archivo, m->PosTexto);
  if (!copia) return OE_ERROR;

  const uint32_t esperado = BytesQueCaben(*copia, m->LongTexto, longitud);
  const uint32_t escrito = ReescribirCadena(*archivo, m->PosTexto, m->LongTexto, nuevo.get(), longitud);
  if (escrito == esperado && CadenaContiene(*archivo, m->PosTexto, nuevo.get(), escrito)) return OE_OK;

  // A write failed part-way: the blocks go back as they were, so the message keeps its old text.
  for (const CopiaBloque& b : *copia) archivo->Escribir(b.pos, b.bytes.data(), b.bytes.size());
  return OE_ERROR;
}

}  // namespace orvex::oe5
