// The write-back: a rewritten message never overwrites the old one. It is appended to the
// mailbox file as a new record and to the index's record area as a new index record, both
// headers are raised, and only then is the old index record marked dead. Whatever write
// fails, the folder still shows the old message or its complete copy. Everything is read and
// checked before the first byte is written.
#include <cstring>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "buzon/formato_buzon.h"
#include "buzon/indice_buzon.h"
#include "mensaje/empalme.h"
#include "soporte/buffer_flujo.h"
#include "soporte/memoria.h"

namespace orvex::imn {

namespace {

using namespace imnfmt;
using Modo = ArchivoImn::Modo;

bool CabeceraValida(const uint8_t* cab, uint32_t firma, uint32_t version) {
  return Le32(cab) == firma && Le32(cab + 4) == version;
}

uint32_t Volcar(OE_MENSAJE& m, uint32_t long_antigua) {
  auto* r = static_cast<CL_BUFFER_FLUJO*>(m.Reescrito);
  if (r == nullptr) return OE_ERROR;
  const uint32_t largo = r->Longitud();
  const uint32_t relleno = (kAlineacionBloque - largo % kAlineacionBloque) % kAlineacionBloque;
  const uint64_t tam_bloque = uint64_t{kLongCabBloque} + largo + relleno;

  auto mbx = ArchivoImn::Abrir(m.RutaBuzon, Modo::kLecturaEscritura);
  if (!mbx) return OE_ERROR;
  uint8_t cab_mbx[kLongCabMbx];
  uint8_t bloque[kLongCabBloque];
  if (!mbx->Leer(0, cab_mbx, sizeof cab_mbx) || !CabeceraValida(cab_mbx, kFirmaMbx, kVersionMbx) ||
      !mbx->Leer(m.PosTexto, bloque, sizeof bloque)) {
    return OE_ERROR;
  }
  auto idx = ArchivoImn::Abrir(m.RutaIndice, Modo::kLecturaEscritura);
  if (!idx) return OE_ERROR;
  uint8_t cab_idx[kLongCabIdx];
  uint8_t registro[kLongCabRegistro];
  if (!idx->Leer(0, cab_idx, sizeof cab_idx) || !CabeceraValida(cab_idx, kFirmaIdx, kVersionIdx) ||
      !idx->Leer(m.PosRegistro, registro, sizeof registro)) {
    return OE_ERROR;
  }
  // The old record must be the live one this message came from, with the part table the
  // message holds and the length it was handed out with.
  const uint32_t n = Le32(registro + kRegNumEntradas);
  const uint64_t bytes_entradas = uint64_t{n} * kLongEntrada;
  if ((Le32(registro + kRegFlags) & kFlagMuerto) != 0 || Le32(registro + kRegPosPropia) != m.PosRegistro ||
      Le32(registro + kRegLongitud) != long_antigua || !idx->Contiene(m.PosRegistro, long_antigua) ||
      n != NumEntradas(m) || (n > 0 && Entradas(m) == nullptr) ||
      long_antigua < kLongCabRegistro + bytes_entradas) {
    return OE_ERROR;
  }
  const uint64_t cola = long_antigua - kLongCabRegistro - bytes_entradas;
  // The new index record goes where the record area ends by the header, the only end the
  // listing knows: bytes past it (a record an interrupted write-back left, damage) are not
  // part of the index and are written over. The old record must lie inside that area.
  const uint64_t q = Le32(cab_idx + kIdxFinRegistros);
  if (q < kLongCabIdx || q > idx->Tamano() || m.PosRegistro < kLongCabIdx ||
      uint64_t{m.PosRegistro} + long_antigua > q) {
    return OE_ERROR;
  }
  static_assert(kRegPosPropia == buzonfmt::kRegPosPropia && kRegLongitud == buzonfmt::kRegLongRegistro &&
                kRegPosBuzon == buzonfmt::kRegPosBloque && kRegFlags == buzonfmt::kRegMarcas);
  if (!buzon::IndiceCubiertoPorBuzon(*idx, static_cast<uint32_t>(q), *mbx,
                                     {kLongCabRegistro, kRegNumEntradas, kLongEntrada, kFlagMuerto})) {
    return OE_ERROR;
  }
  const uint64_t p = mbx->Tamano();
  if (p + tam_bloque > UINT32_MAX || q + long_antigua > UINT32_MAX) return OE_ERROR;

  // The new index record: the old one with its new places, then the part table as the
  // actions left it, then the old tail (subject, sender and dates stay those of the old record).
  BloqueMem<uint8_t> nuevo(static_cast<uint8_t*>(MEM_Reservar(long_antigua)));
  if (!nuevo) return OE_ERROR_MEMORIA;
  if (cola > 0 && !idx->Leer(m.PosRegistro + kLongCabRegistro + bytes_entradas,
                            nuevo.get() + kLongCabRegistro + bytes_entradas, static_cast<std::size_t>(cola))) {
    return OE_ERROR;
  }
  // The new mailbox record: the old head with the new id and sizes, the text, the fill.
  BloqueMem<uint8_t> bloque_nuevo(static_cast<uint8_t*>(MEM_Reservar(static_cast<std::size_t>(tam_bloque) + 1)));
  if (!bloque_nuevo) return OE_ERROR_MEMORIA;
  const uint32_t id = Le32(cab_mbx + kMbxUltimoId) + 1;
  Pon32(bloque + kBloqueId, id);
  Pon32(bloque + kBloqueTam, static_cast<uint32_t>(tam_bloque));
  Pon32(bloque + kBloqueLongTexto, largo);
  std::memcpy(bloque_nuevo.get(), bloque, sizeof bloque);
  if (largo > 0) std::memcpy(bloque_nuevo.get() + kLongCabBloque, r->Datos(), largo);

  if (!mbx->Escribir(p, bloque_nuevo.get(), static_cast<std::size_t>(tam_bloque))) return OE_ERROR;
  Pon32(cab_mbx + kMbxNumRegistros, Le32(cab_mbx + kMbxNumRegistros) + 1);
  Pon32(cab_mbx + kMbxTamDatos, Le32(cab_mbx + kMbxTamDatos) + static_cast<uint32_t>(tam_bloque));
  Pon32(cab_mbx + kMbxUltimoId, id + 1);
  if (!mbx->Escribir(0, cab_mbx, sizeof cab_mbx)) return OE_ERROR;

  std::memcpy(nuevo.get(), registro, sizeof registro);
  Pon32(nuevo.get() + kRegPosBuzon, static_cast<uint32_t>(p));
  Pon32(nuevo.get() + kRegIdMensaje, id);
  Pon32(nuevo.get() + kRegLongTexto, largo);
  Pon32(nuevo.get() + kRegPosPropia, static_cast<uint32_t>(q));
  Pon32(nuevo.get() + kRegTamBuzon, static_cast<uint32_t>(tam_bloque));
  if (n > 0) std::memcpy(nuevo.get() + kLongCabRegistro, Entradas(m), static_cast<std::size_t>(bytes_entradas));
  if (!idx->Escribir(q, nuevo.get(), long_antigua)) return OE_ERROR;

  Pon32(cab_idx + kIdxFinRegistros, static_cast<uint32_t>(q + long_antigua));
  Pon32(cab_idx + kIdxNumMensajes, Le32(cab_idx + kIdxNumMensajes) + 1);
  if (!idx->Escribir(0, cab_idx, sizeof cab_idx)) return OE_ERROR;

  // Last: the copy is complete and reachable, so the old record may go.
  uint8_t flags[4];
  Pon32(flags, Le32(registro + kRegFlags) | kFlagMuerto);
  if (!idx->Escribir(m.PosRegistro + kRegFlags, flags, sizeof flags)) return OE_ERROR;
  return OE_OK;
}

}  // namespace

uint32_t Reescribir(OE_MENSAJE* mensaje, uint32_t tamano) {
  if (!EsMensaje(mensaje)) return OE_ERROR_PARAM;
  // The object that built the rewrite has ended: it is stored now or not at all.
  const mensaje::FinReescritura fin(*mensaje);
  return Volcar(*mensaje, tamano);
}

}  // namespace orvex::imn
