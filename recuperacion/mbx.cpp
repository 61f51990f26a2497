// Recovery from a .mbx mailbox of Outlook Express 4 or Internet Mail and News: the mailbox is
// written by appending, and a message that was replaced or deleted keeps its record, so every
// record head that fits its text is a message, listed or not. Records are walked one after the
// other; where one does not fit, the walk looks for the next head four bytes further on. The
// mailbox's index, when it belongs to it, tells the live records from the dead.
#include <algorithm>
#include <map>
#include <optional>

#include "almacen_oe4/formato_oe4.h"
#include "recuperacion/recuperacion.h"
#include "soporte/bytes.h"

namespace orvex::recuperacion {

using namespace orvex::oe4fmt;

namespace {

// A record head whose size holds its head, its text and the fill to a multiple of four.
bool CabeceraRegistro(std::span<const uint8_t> a, uint64_t pos, uint32_t* tam, uint32_t* largo) {
  if (pos > a.size() || a.size() - pos < kLongCabBloqueMbx) return false;
  const uint8_t* p = a.data() + pos;
  *tam = Le32(p + kMbxBloqueTam);
  *largo = Le32(p + kMbxBloqueLongTexto);
  if (*largo == 0 || *tam % kAlineacionBloqueMbx != 0 || *tam < kLongCabBloqueMbx ||
      *largo > *tam - kLongCabBloqueMbx) {
    return false;
  }
  return *tam - kLongCabBloqueMbx - *largo < kAlineacionBloqueMbx;
}

// The records indice names, by offset, each with whether the listing takes it (the dead bit is
// the same in both generations' index records); nothing when it is no index or names a record
// the mailbox lacks (another mailbox's index). Records past the end of a cut mailbox are not
// held against it.
std::optional<std::map<uint64_t, bool>> Nombrados(std::span<const uint8_t> indice, std::span<const uint8_t> archivo) {
  if (indice.size() < kLongCabIdx || Le32(indice.data() + kIdxFirma) != kFirmaIdx) return std::nullopt;
  std::map<uint64_t, bool> nombrados;
  const uint64_t fin = std::min<uint64_t>(Le32(indice.data() + kIdxFinRegistros), indice.size());
  for (uint64_t r = kLongCabIdx; r < fin && fin - r >= kLongFijoRegistro;) {
    const uint8_t* p = indice.data() + r;
    const uint32_t largo = Le32(p + kRegLongRegistro);
    if (Le32(p + kRegPosPropia) != r || largo < kLongFijoRegistro || largo > fin - r) break;
    const uint64_t pos = Le32(p + kRegPosBloque);
    uint32_t tam = 0, largo_texto = 0;
    if (pos + kLongCabBloqueMbx <= archivo.size() &&
        (!CabeceraRegistro(archivo, pos, &tam, &largo_texto) || tam != Le32(p + kRegTamBloque) ||
         Le32(archivo.data() + pos + kMbxBloqueId) != Le32(p + kRegIdMensaje))) {
      return std::nullopt;
    }
    nombrados[pos] = (Le32(p + kRegMarcas) & kMarcaSustituido) == 0;
    r += largo;
  }
  return nombrados;
}

}  // namespace

std::vector<Recuperado> RecuperarMbx(std::span<const uint8_t> archivo, std::span<const uint8_t> indice) {
  const auto nombrados = Nombrados(indice, archivo);
  std::vector<Recuperado> salida;
  uint64_t pos = Reconocer(archivo) == TipoArchivo::kMbx ? kLongCabMbx : 0;
  while (pos < archivo.size()) {
    uint32_t tam = 0, largo = 0;
    if (!CabeceraRegistro(archivo, pos, &tam, &largo)) {
      pos += kAlineacionBloqueMbx;
      continue;
    }
    const uint64_t texto = pos + kLongCabBloqueMbx;
    const uint64_t presente = std::min<uint64_t>(largo, archivo.size() - texto);
    Recuperado r{Origen::kRegistro, presente < largo ? Estado::kCortado : Estado::kCompleto, pos, 1,
                 Le32(archivo.data() + pos + kMbxBloqueId), {}, {}, 0,
                 presente < largo ? Corte::kFinArchivo : Corte::kNinguno};
    r.texto.assign(reinterpret_cast<const char*>(archivo.data() + texto), static_cast<std::size_t>(presente));
    if (nombrados) {
      const auto n = nombrados->find(pos);
      r.origen = n != nombrados->end() && n->second ? Origen::kIndice : Origen::kHuerfano;
    }
    salida.push_back(std::move(r));
    pos += tam;  // at least a head: the walk always moves on
  }
  return salida;
}

}  // namespace orvex::recuperacion
