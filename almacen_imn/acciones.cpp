// The save actions of this store. Each one works out its change as edits of the stored text
// inside the current part, checked before anything is written, and splices them into
// Reescrito. Reescrito always ends with the stored text from the current part on, unchanged,
// so the place where the part begins in Reescrito follows from the two lengths. The part
// table of the message's index record is kept in step with the rewritten text.
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "mensaje/empalme.h"
#include "mensaje/guardado.h"
#include "mensaje/salida_parte.h"

namespace orvex::imn {

namespace {

using mensaje::Edicion;

constexpr std::string_view kName = "; name=";
constexpr std::string_view kFilename = "; filename=";
constexpr std::string_view kCrLf = "\r\n";

// The current part in the stored text: [inicio, siguiente) runs from the line that opened its
// scan to the line end before the line that completed it; its content is the last LongParte
// bytes of that stretch, and everything before the content is its header.
struct Parte {
  uint32_t inicio = 0;
  uint32_t contenido = 0;
  uint32_t siguiente = 0;
};

bool LocalizarParte(const OE_MENSAJE& m, const OE_OBJMSG& o, Parte* p) {
  if (m.Texto == nullptr || o.PosInicioParte > o.PosSigParte || o.PosSigParte > m.LongTexto) return false;
  if (o.LongParte > o.PosSigParte - o.PosInicioParte) return false;
  p->inicio = o.PosInicioParte;
  p->siguiente = o.PosSigParte;
  p->contenido = o.PosSigParte - o.LongParte;
  // The content is made of whole lines.
  return p->contenido == p->inicio || m.Texto[p->contenido - 1] == '\n';
}

// Where the part's header lines end: before the blank line that closes the header.
uint32_t FinCabecera(const OE_MENSAJE& m, const Parte& p) {
  uint32_t ultima = p.inicio;
  for (uint32_t a = p.inicio; a < p.contenido;) {
    const uint32_t b = mensaje::FinLinea(m.Texto, a, p.contenido);
    if (b <= a) break;
    ultima = a;
    a = b;
  }
  return mensaje::EsLineaVacia(std::string_view(m.Texto + ultima, p.contenido - ultima)) ? ultima : p.contenido;
}

// The first line holding "; name=" and the first holding "; filename=" in the part's header
// each lose the parameter's old value and the rest of the line.
bool EdicionesRenombrar(const OE_MENSAJE& m, const OE_OBJMSG& o, const Parte& p, std::vector<Edicion>* e) {
  // The old extension goes: a part named virus.exe becomes virus.VIR.
  const std::string_view viejo(o.NombreParte, strnlen(o.NombreParte, sizeof o.NombreParte));
  const std::string nombre = mensaje::NombreVir(viejo, mensaje::ExtensionVir::kQuitar);
  for (const std::string_view aguja : {kName, kFilename}) {
    uint32_t en = 0;
    uint32_t fin = 0;
    if (!mensaje::BuscarEnLineas(m.Texto, p.inicio, p.contenido, aguja, mensaje::Mayusculas::kDistinguir, &en, &fin)) {
      continue;
    }
    e->push_back({en, fin, mensaje::ParametroNombrado(aguja, nombre, kCrLf)});
  }
  if (e->size() == 2) {
    if ((*e)[1].desde < (*e)[0].desde) std::swap((*e)[0], (*e)[1]);
    if ((*e)[1].desde < (*e)[0].hasta) e->pop_back();  // both on one line: the first one wins
  }
  return !e->empty();
}

// Entry k - 1 (k the parts handed out) takes the part's new place; the later ones follow it.
// A part beyond the table leaves it as it is: the entries before it still describe their parts.
void ActualizarEntradas(OE_MENSAJE& m, uint32_t c0, uint32_t w) {
  const uint32_t k = PartesDevueltas(m);
  const uint32_t n = NumEntradas(m);
  uint8_t* entradas = Entradas(m);
  if (entradas == nullptr || k < 1 || k > n) return;
  auto entrada = [&](uint32_t i) { return entradas + std::size_t{i} * imnfmt::kLongEntrada; };
  Pon32(entrada(k - 1) + imnfmt::kEntInicio, c0);
  Pon32(entrada(k - 1) + imnfmt::kEntLongitud, w >= 2 ? w - 2 : 0);
  for (uint32_t i = k; i < n; ++i) {
    const uint8_t* previa = entrada(i - 1);
    Pon32(entrada(i) + imnfmt::kEntInicio,
          Le32(previa + imnfmt::kEntInicio) + Le32(previa + imnfmt::kEntLongitud) + 2);
  }
}

}  // namespace

uint32_t Guardar(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) {
  if (!EsMensaje(mensaje) || !EsObjeto(objeto)) return OE_ERROR_PARAM;
  OE_MENSAJE& m = *mensaje;
  const OE_OBJMSG& o = *objeto;
  if (!mensaje::HayEspacioLibre(mensaje)) {
    m.Modificado = 0;
    return OE_SIN_MENSAJES;
  }
  if (accion > ACCION_SUSTITUIR) return OE_OK;
  if (accion == ACCION_CONSERVAR) {
    // Over the part's own stretch: its scan also read the line that opens the next part,
    // which the next part's action copies itself.
    if (m.Modificado == 1 && o.PosSigParte >= o.PosInicioParte) m.PosCopia += o.PosSigParte - o.PosInicioParte;
    return OE_OK;
  }
  if (o.NombreParte[0] == 0) return OE_OK;
  // The host may fill the whole name field: without its NUL it is no name to act on.
  if (strnlen(o.NombreParte, sizeof o.NombreParte) == sizeof o.NombreParte) return OE_ERROR;
  if (o.IdMensaje != m.IdMensaje || o.PosTexto != m.PosTexto) return OE_ERROR_PARAM;

  Parte p;
  if (!LocalizarParte(m, o, &p)) return OE_ERROR;
  std::vector<Edicion> ediciones;
  if (accion == ACCION_RENOMBRAR) {
    if (!EdicionesRenombrar(m, o, p, &ediciones)) return OE_ERROR;
  } else {
    // The whole header stays, then an empty line and the new content (none when removing).
    std::string texto(kCrLf);
    if (accion == ACCION_SUSTITUIR) {
      if (o.Salida == nullptr) return OE_ERROR;
      texto += mensaje::ContenidoCodificado(*static_cast<CL_SALIDA_PARTE*>(o.Salida));
    }
    texto.append(kCrLf);
    ediciones.push_back({FinCabecera(m, p), p.siguiente, std::move(texto)});
  }
  return mensaje::Empalmar(m, p.inicio, p.siguiente, ediciones, ActualizarEntradas);
}

}  // namespace orvex::imn
