// The save actions. Each one describes its change as edits of the stored text (ranges of
// Texto replaced by new bytes), worked out and checked against the part before anything is
// written, and then splices them into Reescrito. Reescrito always ends with the stored text
// from the last change on, unchanged, so any offset of Texto past that change has its place in
// Reescrito at the offset plus the difference of the two lengths.
#include "mensaje/acciones.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "mensaje/empalme.h"
#include "mensaje/salida_parte.h"

namespace orvex::mensaje {

namespace {

constexpr std::string_view kName = "name=";

// The stored text of the message, read only inside its length.
class TextoGuardado {
 public:
  TextoGuardado(const char* datos, uint32_t longitud) : datos_(datos), longitud_(longitud) {}

  uint32_t Longitud() const { return longitud_; }
  const char* Datos() const { return datos_; }
  std::string_view Tramo(uint32_t desde, uint32_t hasta) const { return {datos_ + desde, hasta - desde}; }
  // End of the line at pos: past its '\n', or the end of the text.
  uint32_t FinLinea(uint32_t pos) const { return mensaje::FinLinea(datos_, pos, longitud_); }
  // Start of the line that ends at fin (fin follows a '\n' or is the end), not before desde.
  uint32_t InicioLineaQueAcabaEn(uint32_t desde, uint32_t fin) const {
    if (fin <= desde) return desde;
    uint32_t i = fin - 1;  // the line's own '\n', when it has one
    while (i > desde && datos_[i - 1] != '\n') --i;
    return i;
  }

 private:
  const char* datos_;
  uint32_t longitud_;
};

std::string_view FinDeLinea(std::string_view linea) {
  if (linea.size() >= 2 && linea.substr(linea.size() - 2) == "\r\n") return "\r\n";
  if (!linea.empty() && linea.back() == '\n') return "\n";
  return "";
}

// Where the current part lies in the stored text. The part's stretch [inicio, siguiente) runs
// from the line after the previous part to the line that closed this one, inclusive; its
// content [contenido, fin_contenido) is the run of lines handed out; its own header block
// [cabecera, fin_cabecera) ends at the blank line before the content.
struct Parte {
  uint32_t inicio = 0;
  uint32_t siguiente = 0;
  uint32_t contenido = 0;
  uint32_t fin_contenido = 0;
  uint32_t cabecera = 0;
  uint32_t fin_cabecera = 0;
};

bool LineaVaciaAntes(const TextoGuardado& t, uint32_t inicio, uint32_t pos, uint32_t* linea) {
  if (pos <= inicio || t.Datos()[pos - 1] != '\n') return false;
  *linea = t.InicioLineaQueAcabaEn(inicio, pos);
  return EsLineaVacia(t.Tramo(*linea, pos));
}

// The content of a named part: LongParte bytes that end where the closing line starts, or at
// the end of the text when the text ran out inside the part, right after a blank line.
bool LocalizarContenido(const TextoGuardado& t, const OE_OBJMSG& o, const CL_SALIDA_PARTE* salida, Parte* p) {
  const uint32_t largo = o.LongParte;
  if (largo == 0) return false;
  struct Candidato {
    uint32_t contenido, fin, blanca;
  };
  std::vector<Candidato> validos;
  auto probar = [&](uint32_t fin) {
    if (fin < p->inicio || fin - p->inicio <= largo) return;
    Candidato c{fin - largo, fin, 0};
    if (LineaVaciaAntes(t, p->inicio, c.contenido, &c.blanca)) validos.push_back(c);
  };
  if (p->siguiente > p->inicio) probar(t.InicioLineaQueAcabaEn(p->inicio, p->siguiente));
  if (p->siguiente == t.Longitud()) probar(p->siguiente);
  if (validos.empty()) return false;
  Candidato elegido = validos.front();
  // Both readings fit: the part's raw copy, while it is still the one handed out, decides.
  if (validos.size() == 2 && salida != nullptr && salida->Longitud() == largo + 1) {
    for (const Candidato& c : validos) {
      if (std::memcmp(salida->Datos(), t.Datos() + c.contenido, largo) == 0) {
        elegido = c;
        break;
      }
    }
  }
  p->contenido = elegido.contenido;
  p->fin_contenido = elegido.fin;
  p->fin_cabecera = elegido.blanca;
  // The part's own header block starts after the last boundary or blank line before it.
  p->cabecera = p->inicio;
  for (uint32_t a = p->inicio; a < p->fin_cabecera;) {
    const uint32_t b = t.FinLinea(a);
    if (b <= a || b > p->fin_cabecera) break;
    const std::string_view linea = t.Tramo(a, b);
    if (EsLineaVacia(linea) || linea.substr(0, 2) == "--") p->cabecera = b;
    a = b;
  }
  return true;
}

// The body handed out last: PosCuerpo and FinCuerpo, which must agree with the part.
bool LocalizarCuerpo(const OE_MENSAJE& m, const OE_OBJMSG& o, Parte* p) {
  if (m.PosCuerpo < p->inicio || m.FinCuerpo < m.PosCuerpo || m.FinCuerpo > p->siguiente) return false;
  if (m.FinCuerpo - m.PosCuerpo != o.LongParte || o.LongParte == 0) return false;
  p->contenido = m.PosCuerpo;
  p->fin_contenido = m.FinCuerpo;
  return true;
}

// Every header line of the part that names it: from "name=" (which "filename=" ends with, in
// any case) to the end of the line becomes name="<new name>", so both the Content-Type and the
// Content-Disposition lines are renamed, in whichever order they come.
bool EdicionesRenombrar(const TextoGuardado& t, const Parte& p, const std::string& nombre,
                        std::vector<Edicion>* ediciones) {
  uint32_t en = 0;
  for (uint32_t a = p.cabecera, fin = 0;
       BuscarEnLineas(t.Datos(), a, p.fin_cabecera, kName, Mayusculas::kIgnorar, &en, &fin);
       a = fin) {
    ediciones->push_back({en, fin, ParametroNombrado(kName, nombre, FinDeLinea(t.Tramo(en, fin)))});
  }
  return !ediciones->empty();
}

// The part's new content in its own transfer encoding. The byte 0 that closes a handed-out
// content is no message text; content that is followed by more text ends with a line end, so
// that the next boundary still starts a line.
std::string ContenidoNuevo(CL_SALIDA_PARTE& salida, const TextoGuardado& t, const Parte& p) {
  const bool decodificada = salida.Modo() == CL_SALIDA_PARTE::kModoBase64 || salida.Modo() == CL_SALIDA_PARTE::kModoQP;
  // Nothing to encode is no content, not an empty encoded line.
  if (decodificada && salida.Decodificado().Longitud() == 0) return {};
  std::string nuevo = ContenidoCodificado(salida);
  if (!nuevo.empty() && nuevo.back() != '\n' && p.fin_contenido < t.Longitud()) {
    const std::string_view antes = t.Tramo(t.InicioLineaQueAcabaEn(p.inicio, p.fin_contenido), p.fin_contenido);
    const std::string_view fin = FinDeLinea(antes);
    nuevo.append(fin.empty() ? std::string_view("\r\n") : fin);
  }
  return nuevo;
}

// The edits of one action, or false when the part cannot be located safely.
bool Planificar(const OE_MENSAJE& m, OE_OBJMSG& o, uint32_t accion, std::vector<Edicion>* ediciones,
                uint32_t* siguiente) {
  if (m.Texto == nullptr) return false;
  const TextoGuardado t(m.Texto, m.LongTexto);
  Parte p;
  p.inicio = o.PosInicioParte;
  p.siguiente = o.PosSigParte;
  if (p.inicio > p.siguiente || p.siguiente > t.Longitud()) return false;
  *siguiente = p.siguiente;
  auto* salida = static_cast<CL_SALIDA_PARTE*>(o.Salida);
  // A name field without its NUL is no name this action can trust.
  const void* nul = std::memchr(o.NombreParte, 0, sizeof o.NombreParte);
  if (nul == nullptr) return false;
  const std::size_t largo_nombre = static_cast<std::size_t>(static_cast<const char*>(nul) - o.NombreParte);
  const bool con_nombre = largo_nombre > 0;

  if (con_nombre) {
    if (!LocalizarContenido(t, o, salida, &p)) return false;
  } else if (!LocalizarCuerpo(m, o, &p)) {
    return false;
  }
  switch (accion) {
    case ACCION_RENOMBRAR:
      if (!con_nombre) return false;
      return EdicionesRenombrar(t, p, NombreVir(std::string_view(o.NombreParte, largo_nombre)), ediciones);
    case ACCION_BORRAR: {
      uint32_t desde = p.contenido;
      // Removing a body that an HTML alternative opens takes the boundary line before it too,
      // when that line is the one that closed the previous part.
      if (!con_nombre && m.PosNextPart > 0 && m.PosNextPart < p.inicio &&
          t.FinLinea(m.PosNextPart) == p.inicio && t.Tramo(m.PosNextPart, p.inicio).substr(0, 2) == "--") {
        desde = m.PosNextPart;
      }
      ediciones->push_back({desde, p.fin_contenido, {}});
      return true;
    }
    case ACCION_SUSTITUIR:
      if (salida == nullptr) return false;
      ediciones->push_back({p.contenido, p.fin_contenido, ContenidoNuevo(*salida, t, p)});
      return true;
    default:
      return false;
  }
}

}  // namespace

uint32_t AplicarAccion(OE_MENSAJE* m, OE_OBJMSG* o, uint32_t accion, TrasFallo tras_fallo) {
  if (m == nullptr || m->Tamano != OE_TAM_MENSAJE || o == nullptr || o->Tamano != OE_TAM_OBJMSG) {
    return OE_ERROR_PARAM;
  }
  if (accion > ACCION_SUSTITUIR) return OE_OK;
  if (o->IdMensaje != m->IdMensaje || o->PosTexto != m->PosTexto) return OE_ERROR_PARAM;
  if (accion == ACCION_CONSERVAR) {
    if (m->Modificado == 1) m->PosCopia += o->BytesLeidos;
    return OE_OK;
  }
  std::vector<Edicion> ediciones;
  uint32_t siguiente = 0;
  const uint32_t resultado = Planificar(*m, *o, accion, &ediciones, &siguiente)
                                 ? Empalmar(*m, ediciones.front().desde, siguiente, ediciones)
                                 : OE_ERROR;
  if (resultado != OE_OK && tras_fallo == TrasFallo::kAbandonar) m->Modificado = 0;
  return resultado;
}

}  // namespace orvex::mensaje
