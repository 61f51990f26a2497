#include "fuzz/valla.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>

#include "almacen_imn/formato_imn.h"
#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe5/formato_dbx.h"
#include "plataforma/plataforma.h"
#include "pruebas/listado.h"

namespace orvex::fuzz {

namespace {

// A word of the image, when all four bytes are there.
bool Palabra(const Bytes& b, uint64_t pos, uint32_t* v) {
  if (pos > b.size() || b.size() - pos < 4) return false;
  *v = uint32_t{b[pos]} | uint32_t{b[pos + 1]} << 8 | uint32_t{b[pos + 2]} << 16 | uint32_t{b[pos + 3]} << 24;
  return true;
}

bool Cabe(const Bytes& b, uint64_t pos, uint64_t n) { return pos <= b.size() && n <= b.size() - pos; }

// Follows a chain of blocks (a head whose capacity, used count and next pointer are words at
// the given offsets, then its room), keeping each block's room: stops at a next pointer of 0,
// at a block outside the file, past max_capacidad, or overlapping one kept before (that one is
// not kept). True when the chain ended at a 0.
bool RecorrerBloques(const Bytes& b, uint32_t primero, uint32_t largo_cab, uint32_t max_capacidad,
                     std::vector<std::pair<uint64_t, uint64_t>>* espacios, std::string* texto) {
  std::map<uint64_t, uint64_t> vistos;  // inicio -> fin
  for (uint32_t pos = primero; pos != 0;) {
    uint32_t capacidad = 0, usado = 0, siguiente = 0;
    if (!Palabra(b, uint64_t{pos} + 4, &capacidad) || !Palabra(b, uint64_t{pos} + 8, &usado) ||
        !Palabra(b, uint64_t{pos} + 12, &siguiente) ||
        capacidad > max_capacidad || !Cabe(b, pos, uint64_t{largo_cab} + capacidad)) {
      return false;
    }
    const uint64_t fin = uint64_t{pos} + largo_cab + capacidad;
    auto despues = vistos.lower_bound(pos);
    if (despues != vistos.end() && despues->first < fin) return false;
    if (despues != vistos.begin() && std::prev(despues)->second > pos) return false;
    vistos.emplace(pos, fin);
    espacios->emplace_back(pos, fin);
    if (texto != nullptr) {
      if (usado > capacidad) return false;
      texto->append(b.begin() + pos + largo_cab, b.begin() + pos + largo_cab + usado);
    }
    pos = siguiente;
  }
  return true;
}

}  // namespace

void Valla::Permitir(uint64_t inicio, uint64_t largo) {
  tramos_.emplace_back(inicio, largo > UINT64_MAX - inicio ? UINT64_MAX : inicio + largo);
}

bool Valla::Dentro(uint64_t pos) const {
  return std::any_of(tramos_.begin(), tramos_.end(), [&](const auto& t) { return pos >= t.first && pos < t.second; });
}

int64_t Valla::PrimerCambioFuera(const Bytes& antes, const Bytes& despues) const {
  const std::size_t n = std::max(antes.size(), despues.size());
  for (std::size_t i = 0; i < n; ++i) {
    const bool igual = i < antes.size() && i < despues.size() && antes[i] == despues[i];
    if (!igual && !Dentro(i)) return static_cast<int64_t>(i);
  }
  return -1;
}

Valla VallaDbx(const Bytes& dbx, uint32_t primer_bloque, std::string_view texto) {
  std::vector<std::pair<uint64_t, uint64_t>> espacios;
  std::string leido;
  Valla valla;
  if (primer_bloque == 0 ||
      !RecorrerBloques(dbx, primer_bloque, dbx::kLongCabBloque, dbx::kMaxTextoBloque, &espacios, &leido) ||
      leido != texto) {
    return valla;
  }
  for (const auto& [inicio, fin] : espacios) valla.Permitir(inicio, fin - inicio);
  return valla;
}

Valla VallaIdx(const Bytes& idx, uint32_t pos_registro, uint32_t largo_marca) {
  static_assert(imnfmt::kRegPosPropia == oe4fmt::kRegPosPropia && imnfmt::kRegFlags == oe4fmt::kRegMarcas);
  Valla valla;
  valla.Permitir(oe4fmt::kIdxNumRegistros, 4);
  valla.Permitir(oe4fmt::kIdxFinRegistros, 4);
  uint32_t fin = 0;
  valla.PermitirDesde(Palabra(idx, oe4fmt::kIdxFinRegistros, &fin) && fin >= oe4fmt::kLongCabIdx
                          ? std::min<uint64_t>(fin, idx.size())
                          : idx.size());
  uint32_t propia = 0;
  if (Palabra(idx, uint64_t{pos_registro} + oe4fmt::kRegPosPropia, &propia) && propia == pos_registro) {
    valla.Permitir(uint64_t{pos_registro} + oe4fmt::kRegMarcas, largo_marca);
  }
  return valla;
}

Valla VallaMbx(const Bytes& mbx) {
  Valla valla;
  for (uint32_t campo : {oe4fmt::kMbxNumBloques, oe4fmt::kMbxUltimoId, oe4fmt::kMbxTamDatos}) valla.Permitir(campo, 4);
  valla.PermitirDesde(mbx.size());
  return valla;
}

Valla VallaFoldersNch(const Bytes& nch, uint32_t pos_carpeta) {
  Valla valla;
  uint32_t propia = 0;
  if (Palabra(nch, uint64_t{pos_carpeta} + oe4fmt::kCarPosPropia, &propia) && propia == pos_carpeta) {
    valla.Permitir(uint64_t{pos_carpeta} + oe4fmt::kCarTamBloques, 4);
    valla.Permitir(uint64_t{pos_carpeta} + oe4fmt::kCarTamMensajes, 4);
  }
  return valla;
}

Valla VallaGrupoNch(const Bytes& nch, uint32_t pos_item, uint32_t primer_bloque) {
  Valla valla;
  uint32_t propia = 0, bloque = 0;
  if (!Palabra(nch, uint64_t{pos_item} + oe4fmt::kArtPosPropia, &propia) || propia != pos_item ||
      !Palabra(nch, uint64_t{pos_item} + oe4fmt::kArtPosBloque, &bloque) || bloque != primer_bloque) {
    return valla;
  }
  valla.Permitir(oe4fmt::kNchTamTextos, 4);
  valla.Permitir(uint64_t{pos_item} + oe4fmt::kArtLongArticulo, 4);
  std::vector<std::pair<uint64_t, uint64_t>> espacios;
  RecorrerBloques(nch, primer_bloque, oe4fmt::kLongCabBloqueNch, UINT32_MAX, &espacios, nullptr);
  for (const auto& [inicio, fin] : espacios) valla.Permitir(inicio, fin - inicio);
  return valla;
}

std::vector<ArchivoVallado> VallasDbx(const OE_MENSAJE& m) {
  ArchivoVallado dbx{m.RutaIndice, LeerArchivo(m.RutaIndice), {}};
  dbx.valla = VallaDbx(dbx.antes, m.PosTexto, std::string_view(m.Texto != nullptr ? m.Texto : "", m.LongTexto));
  return {std::move(dbx)};
}

namespace {
std::vector<ArchivoVallado> VallasIdxMbx(const OE_MENSAJE& m, uint32_t largo_marca) {
  ArchivoVallado idx{m.RutaIndice, LeerArchivo(m.RutaIndice), {}};
  ArchivoVallado mbx{m.RutaBuzon, LeerArchivo(m.RutaBuzon), {}};
  idx.valla = VallaIdx(idx.antes, m.PosRegistro, largo_marca);
  mbx.valla = VallaMbx(mbx.antes);
  std::vector<ArchivoVallado> v;
  v.push_back(std::move(idx));
  v.push_back(std::move(mbx));
  return v;
}
}  // namespace

std::vector<ArchivoVallado> VallasCorreoOe4(const OE_MENSAJE& m) {
  std::vector<ArchivoVallado> v = VallasIdxMbx(m, 8);  // the replaced mark and the copy's id
  ArchivoVallado folders{m.RutaAlmacen, LeerArchivo(m.RutaAlmacen), {}};
  folders.valla = VallaFoldersNch(folders.antes, m.PosCarpeta);
  v.push_back(std::move(folders));
  return v;
}

std::vector<ArchivoVallado> VallasGrupoOe4(const OE_MENSAJE& m) {
  ArchivoVallado grupo{m.RutaIndice, LeerArchivo(m.RutaIndice), {}};
  grupo.valla = VallaGrupoNch(grupo.antes, m.PosRegistro, m.PosTexto);
  return {std::move(grupo)};
}

std::vector<ArchivoVallado> VallasImn(const OE_MENSAJE& m) { return VallasIdxMbx(m, 4); }

std::string CambioFuera(const std::vector<ArchivoVallado>& archivos) {
  for (const ArchivoVallado& a : archivos) {
    const int64_t pos = a.valla.PrimerCambioFuera(a.antes, LeerArchivo(a.ruta));
    if (pos >= 0) return a.ruta + " at " + std::to_string(pos);
  }
  return "";
}

std::vector<Listado> MensajesListados(uint32_t id_carpeta, uint32_t pos_carpeta) {
  std::vector<Listado> ids;
  OE_ENTRYID e{id_carpeta, pos_carpeta};
  OE_CARPETA* carpeta = nullptr;
  if (OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_PRIMERO) != OE_OK) return ids;
  pruebas::RecorrerMensajes(carpeta, [&](uint32_t modo, uint32_t r, const OE_MENSAJE* m) {
    if (modo != OE_SIGUIENTE || r != OE_OK) return;
    ids.push_back({m->IdMensaje, m->Texto != nullptr ? std::string(m->Texto, m->LongTexto) : ""});
  });
  OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_CERRAR);
  return ids;
}

bool MismosOtros(const std::vector<Listado>& antes, std::size_t posicion, const std::vector<Listado>& despues) {
  std::vector<Listado> otros = antes;
  if (posicion < otros.size()) otros.erase(otros.begin() + static_cast<std::ptrdiff_t>(posicion));
  std::vector<Listado> ahora = despues;
  std::sort(otros.begin(), otros.end());
  std::sort(ahora.begin(), ahora.end());
  std::vector<Listado> nuevos;
  std::set_difference(ahora.begin(), ahora.end(), otros.begin(), otros.end(), std::back_inserter(nuevos));
  return std::includes(ahora.begin(), ahora.end(), otros.begin(), otros.end()) && nuevos.size() == 1;
}

Bytes LeerArchivo(const std::string& ruta) {
  // Through the platform layer, which knows the store's path forms (drives, '\\').
  auto archivo = plataforma::Archivo::Abrir(ruta, plataforma::Archivo::Modo::kLectura);
  const auto tamano = archivo ? archivo->Tamano() : std::nullopt;
  if (!tamano) return {};
  Bytes b(static_cast<std::size_t>(*tamano));
  if (!b.empty() && !archivo->LeerExacto(0, b.data(), b.size())) return {};
  return b;
}

}  // namespace orvex::fuzz
