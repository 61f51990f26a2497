#include "escritura/oe4.h"

#include <algorithm>

#include "almacen_oe4/formato_oe4.h"
#include "escritura/imagen.h"

namespace orvex::escritura {

namespace {

using namespace orvex::oe4fmt;

uint32_t NumSubcarpetas(const AlmacenCorreoOe4& d, const CarpetaOe4& c) {
  if (c.num_subcarpetas) return *c.num_subcarpetas;
  return static_cast<uint32_t>(std::count_if(d.carpetas.begin(), d.carpetas.end(), [&](const CarpetaOe4& x) {
    return x.id != 0 && x.padre == c.id && &x != &c;
  }));
}

uint32_t Relleno(uint32_t n) { return (kAlineacionBloqueMbx - n % kAlineacionBloqueMbx) % kAlineacionBloqueMbx; }

}  // namespace

MapaNch ConstruirFoldersNch(const AlmacenCorreoOe4& d) {
  ImagenArchivo img(kLongCabFolders);
  img.Palabra(kNchFirma, kFirmaNch);
  img.Palabra(kNchVersion, kVersionFolders);
  MapaNch mapa;
  const std::size_t n = d.carpetas.size();
  mapa.registros.assign(n, 0);
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = d.orden_inverso ? n - 1 - k : k;
    mapa.registros[i] = img.Anadir(kLongCarpeta);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const CarpetaOe4& c = d.carpetas[i];
    const uint32_t p = mapa.registros[i];
    img.Palabra(p + kCarPosPropia, p);
    img.Palabra(p + kCarPosAux, 0);
    img.Palabra(p + kCarPosSiguiente, i + 1 < n ? mapa.registros[i + 1] : 0);
    img.Palabra(p + kCarIdCarpeta, c.id);
    img.Copiar(p + kCarNombre, c.nombre.data(), std::min<std::size_t>(c.nombre.size(), kLongCarNombre));
    img.Copiar(p + kCarNombreFichero, c.fichero.data(), std::min<std::size_t>(c.fichero.size(), kLongCarNombreFichero - 1));
    img.Palabra(p + kCarIdPadre, c.padre);
    img.Palabra(p + kCarIdFin, c.id_fin);
    img.Palabra(p + kCarIndice, c.indice);
    img.Palabra(p + kCarNumSubCarpetas, NumSubcarpetas(d, c));
    const uint32_t vivos = static_cast<uint32_t>(
        std::count_if(c.mensajes.begin(), c.mensajes.end(), [](const MensajeOe4& m) { return !m.sustituido; }));
    img.Palabra(p + kCarNumMensajes, c.num_mensajes.value_or(vivos));
    img.Palabra(p + kCarExtra, c.extra);
    img.Palabra(p + kCarTamBloques, c.tam_bloques);
    img.Palabra(p + kCarTamMensajes, c.tam_mensajes);
  }
  if (n != 0) img.Palabra(kNchPrimero, mapa.registros[0]);
  mapa.bytes = std::move(img.Bytes());
  return mapa;
}

namespace {

// Appends a message's index record; returns its position.
uint32_t AnadirRegistro(ImagenArchivo& idx, const MensajeOe4& m, uint32_t pos_bloque, uint32_t tam_bloque) {
  const uint32_t r = idx.Anadir(kLongFijoRegistro + m.long_extra);
  for (uint64_t f : m.fechas) {
    idx.AnadirPalabra(static_cast<uint32_t>(f));
    idx.AnadirPalabra(static_cast<uint32_t>(f >> 32));
  }
  idx.Anadir(kLongTrasFechas);
  for (const std::string* t : {&m.asunto, &m.texto2, &m.de}) {
    idx.AnadirPalabra(static_cast<uint32_t>(t->size()));
    idx.AnadirTexto(*t);
  }
  idx.Palabra(r + kRegMarcas, m.sustituido ? kMarcaSustituido : 0);
  idx.Palabra(r + kRegIdSustituto, m.id_sustituto);
  idx.Palabra(r + kRegIdMensaje, m.id);
  idx.Palabra(r + kRegPosPropia, r);
  idx.Palabra(r + kRegLongRegistro, idx.Tamano() - r);
  idx.Palabra(r + kRegPosBloque, pos_bloque);
  idx.Palabra(r + kRegTamBloque, tam_bloque);
  idx.Byte(r + kRegBanderas, m.banderas);
  idx.Palabra(r + kRegLongTexto, static_cast<uint32_t>(m.texto.size()));
  idx.Palabra(r + kRegLongExtra, m.long_extra);
  return r;
}

ImagenArchivo IdxVacio() {
  ImagenArchivo idx(kLongCabIdx);
  idx.Palabra(kIdxFirma, kFirmaIdx);
  idx.Palabra(kIdxVersion, kVersionIdx);
  return idx;
}

void CerrarIdx(ImagenArchivo& idx, std::size_t registros) {
  idx.Palabra(kIdxNumRegistros, static_cast<uint32_t>(registros));
  idx.Palabra(kIdxFinRegistros, idx.Tamano());
}

}  // namespace

MapaIdxMbx ConstruirIdxMbx(const CarpetaOe4& c) {
  ImagenArchivo mbx(kLongCabMbx);
  mbx.Palabra(kMbxFirma, kFirmaMbx);
  mbx.Palabra(kMbxVersion, kVersionMbx);
  ImagenArchivo idx = IdxVacio();
  MapaIdxMbx mapa;
  uint32_t ultimo = 0;
  for (const MensajeOe4& m : c.mensajes) {
    const uint32_t largo = static_cast<uint32_t>(m.texto.size());
    const uint32_t tam = kLongCabBloqueMbx + largo + Relleno(largo);
    const uint32_t b = mbx.Anadir(tam);
    mbx.Palabra(b + kMbxBloquePrimera, m.primera_palabra);
    mbx.Palabra(b + kMbxBloqueId, m.id);
    mbx.Palabra(b + kMbxBloqueTam, tam);
    mbx.Palabra(b + kMbxBloqueLongTexto, largo);
    mbx.Copiar(b + kLongCabBloqueMbx, m.texto.data(), largo);
    mapa.bloques.push_back(b);
    ultimo = std::max(ultimo, m.id);
    mapa.registros.push_back(AnadirRegistro(idx, m, b, tam));
  }
  CerrarIdx(idx, c.mensajes.size());
  mbx.Palabra(kMbxNumBloques, static_cast<uint32_t>(c.mensajes.size()));
  mbx.Palabra(kMbxUltimoId, c.ultimo_id.value_or(ultimo));
  mbx.Palabra(kMbxTamDatos, mbx.Tamano() - kLongCabMbx);
  mapa.idx = std::move(idx.Bytes());
  mapa.mbx = std::move(mbx.Bytes());
  return mapa;
}

std::vector<uint8_t> ConstruirIdxOe4(const std::vector<MensajeOe4>& mensajes,
                                     const std::vector<std::pair<uint32_t, uint32_t>>& bloques) {
  ImagenArchivo idx = IdxVacio();
  for (std::size_t i = 0; i < mensajes.size() && i < bloques.size(); ++i) {
    AnadirRegistro(idx, mensajes[i], bloques[i].first, bloques[i].second);
  }
  CerrarIdx(idx, std::min(mensajes.size(), bloques.size()));
  return std::move(idx.Bytes());
}

}  // namespace orvex::escritura
