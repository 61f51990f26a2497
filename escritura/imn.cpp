#include "escritura/imn.h"

#include <algorithm>

#include "almacen_imn/formato_imn.h"
#include "escritura/imagen.h"

namespace orvex::escritura {

namespace {

using namespace imnfmt;

// Appends a message's index record; returns its position.
uint32_t AnadirRegistro(ImagenArchivo& idx, const MensajeImn& m, uint32_t pos_bloque, uint32_t tam_bloque) {
  const uint32_t r = idx.Anadir(kLongCabRegistro);
  // Bytes nobody interprets get a recognisable value, so a test sees them carried.
  for (uint32_t i : {4u, 5u, 6u, 7u, 28u, 29u, 30u, 31u, 32u, 33u, 46u, 47u, 54u, 55u}) idx.Byte(r + i, 0xA5);
  idx.Palabra(r + kRegFlags, m.muerto ? kFlagMuerto | 0x100u : 0x100u);
  idx.Palabra(r + kRegIdMensaje, m.id);
  idx.Palabra(r + kRegPosPropia, r);
  idx.Palabra(r + kRegPosBuzon, pos_bloque);
  idx.Palabra(r + kRegTamBuzon, tam_bloque);
  idx.Byte(r + kRegBytePartes, m.byte_partes);
  idx.Palabra(r + kRegLongTexto, static_cast<uint32_t>(m.texto.size()));
  idx.Palabra(r + kRegNumEntradas, static_cast<uint32_t>(m.entradas.size()));
  for (const EntradaImn& e : m.entradas) {
    const uint32_t base = idx.Anadir(kLongEntrada);
    for (uint32_t i = 0; i < kLongEntrada; ++i) idx.Byte(base + i, e.relleno);
    idx.Palabra(base + kEntInicio, e.inicio);
    idx.Palabra(base + kEntLongitud, e.longitud);
  }
  for (uint64_t f : m.fechas) {
    idx.AnadirPalabra(static_cast<uint32_t>(f));
    idx.AnadirPalabra(static_cast<uint32_t>(f >> 32));
  }
  idx.AnadirTexto("\x5A\x5A");
  // Counted texts: the length with the NUL, then the bytes and the NUL.
  for (const std::string* t : {&m.asunto, &m.texto2, &m.de}) {
    idx.AnadirPalabra(static_cast<uint32_t>(t->size() + 1));
    idx.AnadirTexto(*t);
    idx.Anadir(1);
  }
  idx.Palabra(r + kRegLongitud, idx.Tamano() - r);
  return r;
}

}  // namespace

MapaImn ConstruirBuzonImn(const BuzonImn& buzon) {
  MapaImn mapa;
  ImagenArchivo mbx(kLongCabMbx), idx(kLongCabIdx);
  uint32_t ultimo = 0;
  uint32_t vivos = 0;
  for (const MensajeImn& m : buzon.mensajes) {
    const uint32_t largo = static_cast<uint32_t>(m.texto.size());
    const uint32_t tam = kLongCabBloque + largo + (kAlineacionBloque - largo % kAlineacionBloque) % kAlineacionBloque;
    mapa.bloques.push_back(mbx.AnadirPalabra(m.primera_palabra));
    mbx.AnadirPalabra(m.id);
    mbx.AnadirPalabra(tam);
    mbx.AnadirPalabra(largo);
    mbx.AnadirTexto(m.texto);
    mbx.Anadir(tam - kLongCabBloque - largo);
    mapa.registros.push_back(AnadirRegistro(idx, m, mapa.bloques.back(), tam));
    ultimo = std::max(ultimo, m.id);
    if (!m.muerto) ++vivos;
  }
  mbx.Palabra(kMbxFirma, kFirmaMbx);
  mbx.Palabra(kMbxVersion, kVersionMbx);
  mbx.Palabra(kMbxNumRegistros, static_cast<uint32_t>(buzon.mensajes.size()));
  mbx.Palabra(kMbxUltimoId, buzon.ultimo_id.value_or(ultimo));
  mbx.Palabra(kMbxTamDatos, mbx.Tamano() - kLongCabMbx);
  idx.Palabra(kIdxFirma, buzon.indice == IndiceImn::kAjeno ? 0x12345678u : kFirmaIdx);
  idx.Palabra(kIdxVersion, kVersionIdx);
  idx.Palabra(kIdxNumMensajes, buzon.num_mensajes.value_or(vivos));
  idx.Palabra(kIdxFinRegistros, idx.Tamano());
  mapa.mbx = std::move(mbx.Bytes());
  mapa.idx = std::move(idx.Bytes());
  return mapa;
}

std::vector<uint8_t> ConstruirIdxImn(const std::vector<MensajeImn>& mensajes,
                                     const std::vector<std::pair<uint32_t, uint32_t>>& bloques) {
  ImagenArchivo idx(kLongCabIdx);
  uint32_t vivos = 0;
  for (std::size_t i = 0; i < mensajes.size() && i < bloques.size(); ++i) {
    AnadirRegistro(idx, mensajes[i], bloques[i].first, bloques[i].second);
    if (!mensajes[i].muerto) ++vivos;
  }
  idx.Palabra(kIdxFirma, kFirmaIdx);
  idx.Palabra(kIdxVersion, kVersionIdx);
  idx.Palabra(kIdxNumMensajes, vivos);
  idx.Palabra(kIdxFinRegistros, idx.Tamano());
  return std::move(idx.Bytes());
}

}  // namespace orvex::escritura
