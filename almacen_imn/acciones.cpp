// The save actions of this store. Each one works out its change as edits of the stored text
// inside the current part, checked before anything is written, and splices them into
// Reescrito. Reescrito always ends with the stored text from the current part on, unchanged,
// so the place where the part begins in Reescrito follows from the two lengths. The part
// table of the message's index record is kept in step with the rewritten text.
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "mensaje/buffer_flujo.h"
#include "mensaje/guardado.h"
#include "mensaje/salida_parte.h"
#include "soporte/memoria.h"
#include "soporte/rutas.h"
#include "soporte/texto.h"

namespace orvex::imn {

namespace {

constexpr std::string_view kName = "; name=";
constexpr std::string_view kFilename = "; filename=";
constexpr std::string_view kVir = ".VIR";
constexpr std::string_view kCrLf = "\r\n";

struct Edicion {
  uint32_t desde;
  uint32_t hasta;
  std::string texto;
};

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

// End of the line at pos, never past limite.
uint32_t FinLinea(const OE_MENSAJE& m, uint32_t pos, uint32_t limite) {
  const uint32_t n = LongitudLinea(pos, limite, m.Texto);
  return pos + n;
}

// First line of [desde, hasta) that holds aguja: its start, the match's offset and the line's end.
bool BuscarEnLineas(const OE_MENSAJE& m, uint32_t desde, uint32_t hasta, std::string_view aguja, uint32_t* en,
                    uint32_t* fin) {
  for (uint32_t a = desde; a < hasta;) {
    const uint32_t b = FinLinea(m, a, hasta);
    if (b <= a) break;
    const std::size_t k = std::string_view(m.Texto + a, b - a).find(aguja);
    if (k != std::string_view::npos) {
      *en = a + static_cast<uint32_t>(k);
      *fin = b;
      return true;
    }
    a = b;
  }
  return false;
}

// Where the part's header lines end: before the blank line that closes the header.
uint32_t FinCabecera(const OE_MENSAJE& m, const Parte& p) {
  uint32_t ultima = p.inicio;
  for (uint32_t a = p.inicio; a < p.contenido;) {
    const uint32_t b = FinLinea(m, a, p.contenido);
    if (b <= a) break;
    ultima = a;
    a = b;
  }
  const std::string_view linea(m.Texto + ultima, p.contenido - ultima);
  return (linea == "\r\n" || linea == "\n") ? ultima : p.contenido;
}

// The renamed attachment: its base name with the extension .VIR; quotes and line ends would
// break the header line, so they become '_'.
std::string NombreVir(std::string_view nombre) {
  std::string nuevo = DividirRuta(nombre).nombre;
  for (char& c : nuevo) {
    if (c == '"' || c == '\r' || c == '\n') c = '_';
  }
  nuevo.append(kVir);
  return nuevo;
}

// The first line holding "; name=" and the first holding "; filename=" in the part's header
// each lose the parameter's old value and the rest of the line.
bool EdicionesRenombrar(const OE_MENSAJE& m, const OE_OBJMSG& o, const Parte& p, std::vector<Edicion>* e) {
  const std::string nombre = NombreVir(std::string_view(o.NombreParte, strnlen(o.NombreParte, sizeof o.NombreParte)));
  for (const std::string_view aguja : {kName, kFilename}) {
    uint32_t en = 0;
    uint32_t fin = 0;
    if (!BuscarEnLineas(m, p.inicio, p.contenido, aguja, &en, &fin)) continue;
    std::string texto(aguja);
    texto.append("\"").append(nombre).append("\"").append(kCrLf);
    e->push_back({en, fin, std::move(texto)});
  }
  if (e->size() == 2) {
    if ((*e)[1].desde < (*e)[0].desde) std::swap((*e)[0], (*e)[1]);
    if ((*e)[1].desde < (*e)[0].hasta) e->pop_back();  // both on one line: the first one wins
  }
  return !e->empty();
}

// The part's new content in its own transfer encoding, without the 0 that closes a content
// handed out.
std::string ContenidoNuevo(CL_SALIDA_PARTE& salida) {
  salida.CodificarContenido();
  std::string_view bytes(salida.Datos() != nullptr ? salida.Datos() : "", salida.Longitud());
  while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  return std::string(bytes);
}

void PosicionarEn(CL_BUFFER_FLUJO& r, uint32_t p) {
  if (p < r.Longitud()) {
    r.Posicionar(static_cast<int32_t>(p), 0);
  } else if (r.Longitud() > 0) {
    r.Posicionar(0, 2);
  }
}

void Escribir(CL_BUFFER_FLUJO& r, const char* bytes, std::size_t n) {
  if (n > std::numeric_limits<uint32_t>::max()) throw CL_EXCEPCION_MEMORIA();
  if (n > 0) r.Escribir(bytes, static_cast<uint32_t>(n));
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

// Splices the edits (in text order, inside [p.inicio, p.siguiente)) into Reescrito.
uint32_t Empalmar(OE_MENSAJE& m, const Parte& p, const std::vector<Edicion>& ediciones) {
  const char* t = m.Texto;
  auto* r = static_cast<CL_BUFFER_FLUJO*>(m.Reescrito);
  const bool continuar = m.Modificado == 1 && r != nullptr;
  uint32_t c0 = p.inicio;
  if (continuar) {
    // The rest of the stored text from this part on must still be there, unchanged.
    const int64_t pos = int64_t{p.inicio} + r->Longitud() - m.LongTexto;
    if (pos < 0 || pos > r->Longitud() ||
        std::memcmp(r->Datos() + pos, t + p.inicio, m.LongTexto - p.inicio) != 0) {
      return OE_ERROR;
    }
    c0 = static_cast<uint32_t>(pos);
  }

  // A rewrite cut short by an allocation failure is never written back.
  m.Modificado = 0;
  if (!continuar) {
    LiberarReescrito(m);
    try {
      r = new CL_BUFFER_FLUJO(10000);
    } catch (const CL_EXCEPCION_MEMORIA&) {
      return OE_ERROR_MEMORIA;
    } catch (const std::bad_alloc&) {
      return OE_ERROR_MEMORIA;
    }
    m.Reescrito = r;
    r->FijarEscribible(1);
    Escribir(*r, t, p.inicio);
  } else {
    r->FijarEscribible(1);
    PosicionarEn(*r, c0);
  }
  uint32_t desde = p.inicio;
  for (const Edicion& e : ediciones) {
    Escribir(*r, t + desde, e.desde - desde);
    Escribir(*r, e.texto.data(), e.texto.size());
    desde = e.hasta;
  }
  Escribir(*r, t + desde, p.siguiente - desde);
  ActualizarEntradas(m, c0, r->ObtenerPosicion() - c0);
  m.PosCopia = r->ObtenerPosicion();
  Escribir(*r, t + p.siguiente, m.LongTexto - p.siguiente);
  r->FijarLongitud(r->ObtenerPosicion());
  m.Modificado = 1;
  return OE_OK;
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
      texto += ContenidoNuevo(*static_cast<CL_SALIDA_PARTE*>(o.Salida));
    }
    texto.append(kCrLf);
    ediciones.push_back({FinCabecera(m, p), p.siguiente, std::move(texto)});
  }
  return Empalmar(m, p, ediciones);
}

}  // namespace orvex::imn
