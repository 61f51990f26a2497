// Changing a stored message. The save actions are the shared ones that build Reescrito from
// the stored text; what this store adds is where the result goes. A mail message is never
// overwritten: its copy is appended to the mailbox as a new block under a new id, a copy of
// its index record pointing there is appended to the index, and only then is the old record
// marked replaced, so that the original stays reachable until its copy is complete. A news
// article is overwritten in place inside its own block chain, and put back as it was when a
// write fails part-way.
#include <cstring>
#include <unordered_set>
#include <vector>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/interno.h"
#include "almacen_oe4/oe4.h"
#include "buzon/indice_buzon.h"
#include "mensaje/acciones.h"
#include "mensaje/empalme.h"
#include "soporte/buffer_flujo.h"
#include "soporte/memoria.h"
#include "soporte/tramos.h"

namespace orvex::oe4 {

using namespace orvex::oe4fmt;
using buzon::IndiceCubiertoPorBuzon;

namespace {

bool EsNoticias(uint32_t id) { return (id & kBitNoticias) != 0; }

// The mailbox the first action of a mail rewrite needs: its header and the old block's head.
bool BuzonLegible(const OE_MENSAJE& m) {
  auto buzon = ArchivoOe4::Abrir(m.RutaBuzon);
  uint8_t cab[kLongCabMbx];
  uint8_t bloque[kLongCabBloqueMbx];
  return buzon && buzon->Leer(0, cab, sizeof cab) && Le32(cab + kMbxFirma) == kFirmaMbx &&
         Le32(cab + kMbxVersion) == kVersionMbx && m.PosTexto >= kLongCabMbx &&
         buzon->Leer(m.PosTexto, bloque, sizeof bloque);
}

uint32_t Relleno(uint32_t n) { return (kAlineacionBloqueMbx - n % kAlineacionBloqueMbx) % kAlineacionBloqueMbx; }

uint32_t VolcarCorreo(OE_MENSAJE& m, const CL_BUFFER_FLUJO& reescrito, uint32_t largo_registro) {
  const uint32_t largo = reescrito.Longitud();
  const uint64_t tam_bloque = uint64_t{kLongCabBloqueMbx} + largo + Relleno(largo);
  if (tam_bloque > UINT32_MAX) return OE_ERROR;

  // Everything is read and checked before the first write, so a store that does not match the
  // message is left as it was.
  auto buzon = ArchivoOe4::Abrir(m.RutaBuzon, ArchivoOe4::Modo::kLecturaEscritura);
  if (!buzon) return OE_ERROR;
  uint8_t cab_mbx[kLongCabMbx];
  uint8_t viejo[kLongCabBloqueMbx];
  if (!buzon->Leer(0, cab_mbx, sizeof cab_mbx) || Le32(cab_mbx + kMbxFirma) != kFirmaMbx ||
      Le32(cab_mbx + kMbxVersion) != kVersionMbx || m.PosTexto < kLongCabMbx ||
      !buzon->Leer(m.PosTexto, viejo, sizeof viejo)) {
    return OE_ERROR;
  }
  auto indice = ArchivoOe4::Abrir(m.RutaIndice, ArchivoOe4::Modo::kLecturaEscritura);
  if (!indice) return OE_ERROR;
  uint8_t cab_idx[kLongCabIdx];
  if (!indice->Leer(0, cab_idx, sizeof cab_idx) || Le32(cab_idx + kIdxFirma) != kFirmaIdx ||
      Le32(cab_idx + kIdxVersion) != kVersionIdx) {
    return OE_ERROR;
  }
  // The old record must still be this message's live record, whole inside the index.
  if (largo_registro < kLongFijoRegistro || m.PosRegistro < kLongCabIdx ||
      !indice->Contiene(m.PosRegistro, largo_registro)) {
    return OE_ERROR;
  }
  std::vector<uint8_t> registro(largo_registro);
  if (!indice->Leer(m.PosRegistro, registro.data(), registro.size())) return OE_ERROR;
  if (Le32(registro.data() + kRegPosPropia) != m.PosRegistro ||
      Le32(registro.data() + kRegLongRegistro) != largo_registro ||
      Le32(registro.data() + kRegPosBloque) != m.PosTexto ||
      (Le32(registro.data() + kRegMarcas) & kMarcaSustituido) != 0) {
    return OE_ERROR;
  }
  // The new record goes where the index ends by its header: a tail left behind by an
  // interrupted write-back is not part of the index and is written over.
  const uint32_t fin_registros = Le32(cab_idx + kIdxFinRegistros);
  if (fin_registros < kLongCabIdx || fin_registros > indice->Tamano() ||
      uint64_t{fin_registros} + largo_registro > UINT32_MAX) {
    return OE_ERROR;
  }
  if (!IndiceCubiertoPorBuzon(*indice, fin_registros, *buzon,
                              {kLongFijoRegistro, 0, 0, kMarcaSustituido})) {
    return OE_ERROR;
  }
  auto folders = ArchivoOe4::Abrir(m.RutaAlmacen, ArchivoOe4::Modo::kLecturaEscritura);
  RegistroNch carpeta;
  if (!folders || !LeerRegistroNch(*folders, m.PosCarpeta, &carpeta) || carpeta.IdCarpeta != m.IdCarpeta) {
    return OE_ERROR;
  }
  uint8_t nch[kLongCarpeta];
  if (!folders->Leer(m.PosCarpeta, nch, sizeof nch)) return OE_ERROR;
  if (buzon->Tamano() > UINT32_MAX - tam_bloque) return OE_ERROR;

  // 1. The new block at the end of the mailbox, then the mailbox header that counts it.
  const uint32_t id_nuevo = Le32(cab_mbx + kMbxUltimoId) + 1;
  const uint32_t p = static_cast<uint32_t>(buzon->Tamano());
  BloqueMem<uint8_t> bloque(static_cast<uint8_t*>(MEM_Reservar(static_cast<std::size_t>(tam_bloque))));
  if (!bloque) return OE_ERROR_MEMORIA;
  Pon32(bloque.get() + kMbxBloquePrimera, Le32(viejo + kMbxBloquePrimera));
  Pon32(bloque.get() + kMbxBloqueId, id_nuevo);
  Pon32(bloque.get() + kMbxBloqueTam, static_cast<uint32_t>(tam_bloque));
  Pon32(bloque.get() + kMbxBloqueLongTexto, largo);
  if (largo != 0) std::memcpy(bloque.get() + kLongCabBloqueMbx, reescrito.Datos(), largo);
  if (!buzon->Escribir(p, bloque.get(), static_cast<std::size_t>(tam_bloque))) return OE_ERROR;
  Pon32(cab_mbx + kMbxNumBloques, Le32(cab_mbx + kMbxNumBloques) + 1);
  Pon32(cab_mbx + kMbxUltimoId, id_nuevo);
  Pon32(cab_mbx + kMbxTamDatos, Le32(cab_mbx + kMbxTamDatos) + static_cast<uint32_t>(tam_bloque));
  if (!buzon->Escribir(0, cab_mbx, sizeof cab_mbx)) return OE_ERROR;

  // 2. The copy of the record, then the index header that takes it in.
  const uint32_t q = fin_registros;
  std::vector<uint8_t> nuevo = registro;
  Pon32(nuevo.data() + kRegIdMensaje, id_nuevo);
  Pon32(nuevo.data() + kRegPosPropia, q);
  Pon32(nuevo.data() + kRegPosBloque, p);
  Pon32(nuevo.data() + kRegTamBloque, static_cast<uint32_t>(tam_bloque));
  Pon32(nuevo.data() + kRegLongTexto, largo);
  if (!indice->Escribir(q, nuevo.data(), nuevo.size())) return OE_ERROR;
  Pon32(cab_idx + kIdxFinRegistros, q + largo_registro);
  Pon32(cab_idx + kIdxNumRegistros, Le32(cab_idx + kIdxNumRegistros) + 1);
  if (!indice->Escribir(0, cab_idx, sizeof cab_idx)) return OE_ERROR;

  // 3. Only now the old record is marked replaced, pointing at its copy.
  uint8_t marca[8];
  Pon32(marca, Le32(registro.data() + kRegMarcas) | kMarcaSustituido);
  Pon32(marca + 4, id_nuevo);
  if (!indice->Escribir(m.PosRegistro, marca, sizeof marca)) return OE_ERROR;

  // 4. The folder's byte counters.
  Pon32(nch + kCarTamBloques, carpeta.TamBloques + static_cast<uint32_t>(tam_bloque));
  Pon32(nch + kCarTamMensajes, carpeta.TamMensajes + static_cast<uint32_t>(tam_bloque) - m.TamMsg);
  if (!folders->Escribir(m.PosCarpeta, nch, sizeof nch)) return OE_ERROR;
  return OE_OK;
}

// A block of the article's chain as it was before the write-back: its head and its whole room.
struct CopiaBloque {
  uint32_t pos;
  std::vector<uint8_t> bytes;
};

// True when the article, read now the way a listing reads it, is exactly these n bytes.
bool ArticuloContiene(const ArchivoOe4& grupo, const OE_MENSAJE& m, const char* texto, uint32_t n) {
  uint8_t item[kLongArticulo];
  if (!grupo.Leer(m.PosRegistro, item, sizeof item) || Le32(item + kArtPosPropia) != m.PosRegistro ||
      Le32(item + kArtPosBloque) != m.PosTexto) {
    return false;
  }
  const uint32_t largo = Le32(item + kArtLongArticulo);
  if (largo > grupo.Tamano()) return false;
  std::vector<char> leido(largo);
  uint32_t n_leido = 0;
  return LeerCadenaArticulo(grupo, m.PosTexto, largo, leido.data(), &n_leido) && n_leido == n &&
         (n == 0 || std::memcmp(leido.data(), texto, n) == 0);
}

// Overwrites the chain with the new text and updates the item and the header; false at the
// first write that fails. Returns the bytes stored in *escrito.
bool EscribirArticulo(ArchivoOe4& grupo, const OE_MENSAJE& m, const std::vector<CopiaBloque>& cadena,
                      const CL_BUFFER_FLUJO& reescrito, const uint8_t* cab_viejo, const uint8_t* item_viejo,
                      uint32_t* escrito) {
  const uint32_t largo = reescrito.Longitud();
  *escrito = 0;
  for (std::size_t i = 0; i < cadena.size(); ++i) {
    uint8_t cab[kLongCabBloqueNch];
    std::memcpy(cab, cadena[i].bytes.data(), sizeof cab);
    const uint32_t capacidad = Le32(cab + kNchBloqueCapacidad);
    const uint32_t resto = largo - *escrito;
    const uint32_t n = resto < capacidad ? resto : capacidad;
    // The block where the text ends closes the chain; every block says what it holds.
    if (n < capacidad || i + 1 == cadena.size()) {
      if (n < capacidad) Pon32(cab + kNchBloqueCapacidad, n);
      Pon32(cab + kNchBloqueSiguiente, 0);
    }
    Pon32(cab + kNchBloqueUsados, n);
    if (!grupo.Escribir(cadena[i].pos, cab, sizeof cab)) return false;
    if (n != 0 && !grupo.Escribir(uint64_t{cadena[i].pos} + kLongCabBloqueNch, reescrito.Datos() + *escrito, n)) {
      return false;
    }
    *escrito += n;
  }
  uint8_t cab[kLongCabGrupo];
  uint8_t item[kLongArticulo];
  std::memcpy(cab, cab_viejo, sizeof cab);
  std::memcpy(item, item_viejo, sizeof item);
  Pon32(item + kArtLongArticulo, *escrito);
  Pon32(cab + kNchTamTextos, Le32(cab + kNchTamTextos) + *escrito - Le32(item_viejo + kArtLongArticulo));
  return grupo.Escribir(0, cab, sizeof cab) && grupo.Escribir(m.PosRegistro, item, sizeof item);
}

// True when the group's header, every article item, the rooms the rewrite writes (propios)
// and every block of the other articles' chains share no byte. The rewrite writes its chain's
// rooms, its item's length and the header's text count: in a group laid out this way none of
// them is read as part of another article, and no two articles share a text, so each article
// lists after the rewrite as it did before. The item chain and the other chains are walked with
// one step bound: a sound group's blocks are disjoint, so more steps than the file has room for
// mean chains that loop.
bool GrupoDisjunto(const ArchivoOe4& grupo, const uint8_t* cab, uint32_t pos_item, TramosDisjuntos propios) {
  propios.Anadir(0, kLongCabGrupo);
  const uint64_t fin_area = uint64_t{Le32(cab + kNchPrimero)} + Le32(cab + kNchLongArea);
  uint64_t pasos = grupo.Tamano() / kLongCabBloqueNch + 1;
  for (uint32_t pos = Le32(cab + kNchPrimero); pos != 0 && pos < fin_area;) {
    uint8_t item[kLongArticulo];
    if (pasos-- == 0) return false;
    // An item that cannot be read ends the listing there too.
    if (!grupo.Leer(pos, item, sizeof item) || Le32(item + kArtPosPropia) != pos) break;
    propios.Anadir(pos, kLongArticulo);
    for (uint32_t b = Le32(item + kArtPosBloque); pos != pos_item && b != 0;) {
      uint8_t bloque[kLongCabBloqueNch];
      if (pasos-- == 0) return false;
      if (!grupo.Leer(b, bloque, sizeof bloque)) break;
      const uint32_t usados = Le32(bloque + kNchBloqueUsados);
      propios.Anadir(b, usados > UINT32_MAX - kLongCabBloqueNch ? UINT32_MAX : kLongCabBloqueNch + usados);
      b = Le32(bloque + kNchBloqueSiguiente);
    }
    pos = Le32(item + kArtPosSiguiente);
  }
  return propios.Disjuntos();
}

uint32_t VolcarArticulo(OE_MENSAJE& m, const CL_BUFFER_FLUJO& reescrito) {
  if (m.Texto == nullptr) return OE_ERROR;
  auto grupo = ArchivoOe4::Abrir(m.RutaIndice, ArchivoOe4::Modo::kLecturaEscritura);
  if (!grupo) return OE_ERROR;
  uint8_t cab[kLongCabGrupo];
  if (!grupo->Leer(0, cab, sizeof cab) || Le32(cab + kNchFirma) != kFirmaNch ||
      Le32(cab + kNchVersion) != kVersionGrupo) {
    return OE_ERROR;
  }
  uint8_t item[kLongArticulo];
  if (m.PosRegistro < kLongCabGrupo || m.PosTexto == 0 || !grupo->Leer(m.PosRegistro, item, sizeof item)) {
    return OE_ERROR;
  }
  // The article must still be the text the actions worked on: one changed on disk since the
  // listing is not written over.
  if (!ArticuloContiene(*grupo, m, m.Texto, m.LongTexto)) return OE_ERROR;

  // The blocks the new text goes into, copied whole before anything is written. The chain is
  // never moved or lengthened, so a longer text is cut where the chain ends.
  const uint32_t largo = reescrito.Longitud();
  std::vector<CopiaBloque> cadena;
  std::unordered_set<uint32_t> vistos;
  TramosDisjuntos tramos;
  const uint64_t max_bloques = grupo->Tamano() / kLongCabBloqueNch + 1;
  uint64_t cabe = 0;
  for (uint32_t b = m.PosTexto; b != 0 && cabe < largo;) {
    uint8_t cab_bloque[kLongCabBloqueNch];
    if (cadena.size() >= max_bloques || !vistos.insert(b).second || !grupo->Leer(b, cab_bloque, sizeof cab_bloque)) {
      return OE_ERROR;
    }
    const uint32_t capacidad = Le32(cab_bloque + kNchBloqueCapacidad);
    if (!grupo->Contiene(b, uint64_t{kLongCabBloqueNch} + capacidad)) return OE_ERROR;
    CopiaBloque copia{b, std::vector<uint8_t>(std::size_t{kLongCabBloqueNch} + capacidad)};
    if (!grupo->Leer(b, copia.bytes.data(), copia.bytes.size())) return OE_ERROR;
    cadena.push_back(std::move(copia));
    tramos.Anadir(b, kLongCabBloqueNch + capacidad);
    cabe += capacidad;
    b = Le32(cab_bloque + kNchBloqueSiguiente);
  }
  // Blocks whose rooms overlap would take each other's text as their head, and a byte written
  // that another part of the group reads would change what the group lists.
  if (!GrupoDisjunto(*grupo, cab, m.PosRegistro, tramos)) return OE_ERROR;

  uint32_t escrito = 0;
  if (EscribirArticulo(*grupo, m, cadena, reescrito, cab, item, &escrito) &&
      ArticuloContiene(*grupo, m, reescrito.Datos(), escrito)) {
    return OE_OK;
  }
  // A write failed part-way: the blocks, the header and the item go back as they were, so the
  // article keeps its old text.
  for (const CopiaBloque& b : cadena) grupo->Escribir(b.pos, b.bytes.data(), b.bytes.size());
  grupo->Escribir(0, cab, sizeof cab);
  grupo->Escribir(m.PosRegistro, item, sizeof item);
  return OE_ERROR;
}

}  // namespace

uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) {
  if (!EsMensaje(mensaje) || objeto == nullptr || objeto->Tamano != OE_TAM_OBJMSG) return OE_ERROR_PARAM;
  if (accion > ACCION_SUSTITUIR) return OE_OK;
  const bool con_nombre = objeto->NombreParte[0] != '\0';
  // Renaming or removing a part without a name is no change here.
  if (!con_nombre && (accion == ACCION_RENOMBRAR || accion == ACCION_BORRAR)) return OE_OK;
  if (accion != ACCION_CONSERVAR && mensaje->Modificado == 0 && !EsNoticias(mensaje->IdCarpeta) &&
      !BuzonLegible(*mensaje)) {
    return OE_ERROR;
  }
  // A failed action leaves the changes made so far to be written back.
  return mensaje::AplicarAccion(mensaje, objeto, accion, mensaje::TrasFallo::kConservar);
}

uint32_t Reescribir(OE_MENSAJE* mensaje, uint32_t tamano) {
  if (!EsMensaje(mensaje)) return OE_ERROR_PARAM;
  const mensaje::FinReescritura fin(*mensaje);
  const CL_BUFFER_FLUJO* reescrito = mensaje::ReescritoDe(mensaje);
  if (reescrito == nullptr) return OE_ERROR;
  return EsNoticias(mensaje->IdCarpeta) ? VolcarArticulo(*mensaje, *reescrito)
                                        : VolcarCorreo(*mensaje, *reescrito, tamano);
}

}  // namespace orvex::oe4
