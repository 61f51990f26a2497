// Recovery from a .mbx mailbox of Outlook Express 4 or Internet Mail and News: the mailbox is
// written by appending, and a message that was replaced or deleted keeps its record, so every
// record head that fits its text is a message, listed or not. Records are walked one after the
// other; where one does not fit, the walk looks for the next head four bytes further on.
#include <algorithm>

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

}  // namespace

std::vector<Recuperado> RecuperarMbx(std::span<const uint8_t> archivo) {
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
    salida.push_back(std::move(r));
    pos += tam;  // at least a head: the walk always moves on
  }
  return salida;
}

}  // namespace orvex::recuperacion
