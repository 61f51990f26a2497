// Save actions and the write-back of a rewritten message into its text chain. The chain is
// overwritten in place: it is never moved, lengthened or given new blocks, and no node or
// object of the file changes. A text longer than the chain can hold is cut at its end.
#include "almacen_oe5/reescritura.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_set>
#include <vector>

#include "almacen_oe5/dbx.h"
#include "almacen_oe5/oe5.h"
#include "soporte/buffer_flujo.h"
#include "soporte/bytes.h"
#include "soporte/memoria.h"
#include "soporte/tramos.h"

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

// The first text block an object names: its index entry, else the word in its data area.
uint32_t PrimerBloque(const ArchivoDbx& archivo, const ObjetoDbx& objeto) {
  if (objeto.TablaIndices[kIdBloqueTexto] != 0) return objeto.TablaIndices[kIdBloqueTexto];
  uint8_t datos[kAreaBloqueTexto + 4] = {};
  archivo.Leer(objeto.inicio_datos, datos, std::min<uint32_t>(sizeof datos, objeto.long_datos));
  return Le32(datos + kAreaBloqueTexto);
}

// True when the chain's rooms hold nothing else that a listing reads: the header, an index
// node, a message object, or a block of another message's text (the object at pos_objeto is the
// message's own). The other chains are walked with one step bound: a sound file's blocks are
// disjoint, so more steps than it has room for mean chains that loop or share blocks.
bool SoloDelMensaje(const ArchivoDbx& archivo, const std::vector<CopiaBloque>& cadena, uint32_t pos_objeto) {
  TramosDisjuntos propios;
  for (const CopiaBloque& b : cadena) propios.Anadir(b.pos, static_cast<uint32_t>(b.bytes.size()));
  if (!propios.Disjuntos() || propios.Toca(0, kLongCabecera)) return false;
  uint64_t pasos = archivo.Tamano() / kLongCabBloque + 1;
  for (uint32_t nodo : RecorrerArbol(archivo, archivo.Cabecera(kCabArbolMensajes), kMaxNodosMensajes)) {
    const uint32_t entradas = EntradasNodo(archivo, nodo);
    if (propios.Toca(nodo, kLongCabNodo + uint64_t{kLongEntrada} * entradas)) return false;
    for (uint32_t i = 0; i < entradas; ++i) {
      uint32_t pos = 0;
      ObjetoDbx objeto;
      if (!archivo.Leer32(uint64_t{nodo} + kNodoEntradas + uint64_t{i} * kLongEntrada, &pos) ||
          !LeerObjeto(archivo, pos, &objeto)) {
        continue;
      }
      if (propios.Toca(pos, uint64_t{objeto.inicio_datos} - pos + objeto.long_datos)) return false;
      if (pos == pos_objeto) continue;
      for (uint32_t b = PrimerBloque(archivo, objeto); b != 0;) {
        uint8_t cab[kLongCabBloque];
        if (pasos-- == 0) return false;
        if (!archivo.Leer(b, cab, sizeof cab)) break;
        if (propios.Toca(b, kLongCabBloque + uint64_t{Le32(cab + kBloqueUsado)})) return false;
        b = Le32(cab + kBloqueSiguiente);
      }
    }
  }
  return true;
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
  // Text written into a room that holds anything else would change what the folder lists.
  if (!copia || !SoloDelMensaje(*archivo, *copia, m->PosRegistro)) return OE_ERROR;

  const uint32_t esperado = BytesQueCaben(*copia, m->LongTexto, longitud);
  const uint32_t escrito = ReescribirCadena(*archivo, m->PosTexto, m->LongTexto, nuevo.get(), longitud);
  if (escrito == esperado && CadenaContiene(*archivo, m->PosTexto, nuevo.get(), escrito)) return OE_OK;

  // A write failed part-way: the blocks go back as they were, so the message keeps its old text.
  for (const CopiaBloque& b : *copia) archivo->Escribir(b.pos, b.bytes.data(), b.bytes.size());
  return OE_ERROR;
}

}  // namespace orvex::oe5
