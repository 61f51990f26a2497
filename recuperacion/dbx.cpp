// Recovery from a .dbx message file in three passes over the same bytes: the messages the index
// tree reaches, the sound text chains it does not reach, and the blocks of deleted messages.
// Each pass leaves alone the blocks that an earlier one took.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "almacen_oe5/formato_dbx.h"
#include "recuperacion/ocupacion.h"
#include "recuperacion/recuperacion.h"
#include "soporte/bytes.h"

namespace orvex::recuperacion {

using namespace orvex::dbx;

namespace {

// The first word of the text that a deleted block may have lost with its head.
constexpr uint32_t kPalabraPerdida = 4;

class Lector {
 public:
  explicit Lector(std::span<const uint8_t> a) : a_(a) {}
  uint64_t Tamano() const { return a_.size(); }
  bool Contiene(uint64_t pos, uint64_t n) const { return pos <= a_.size() && n <= a_.size() - pos; }
  // The word at pos, or false when it is not wholly inside the file.
  bool Palabra(uint64_t pos, uint32_t* v) const {
    if (!Contiene(pos, 4)) return false;
    *v = Le32(a_.data() + pos);
    return true;
  }
  const uint8_t* Datos(uint64_t pos) const { return a_.data() + pos; }

 private:
  std::span<const uint8_t> a_;
};

struct Bloque {
  uint32_t propio, capacidad, usado, siguiente;
};

enum class Regla {
  kIndice,     // any head word: the index vouches for the chain
  kHuerfano,   // the head names its own offset
  kFragmento,  // the head lost its first word: room of a whole block, and text that reads as text
};

bool LeerBloque(const Lector& l, uint64_t pos, Bloque* b) {
  if (!l.Contiene(pos, kLongCabBloque)) return false;
  const uint8_t* p = l.Datos(pos);
  b->propio = Le32(p + kBloquePropio);
  b->capacidad = Le32(p + kBloqueCapacidad);
  b->usado = Le32(p + kBloqueUsado);
  b->siguiente = Le32(p + kBloqueSiguiente);
  return b->capacidad <= kMaxTextoBloque && b->usado <= b->capacidad && b->siguiente != pos;
}

// Bytes that mail text does not carry: what the mail client writes over a deleted block's first
// word shows up as these.
bool ByteAjeno(uint8_t c) { return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F; }

bool SinNulos(const uint8_t* p, std::size_t n) { return std::find(p, p + n, uint8_t{0}) == p + n; }

// The used text of a block, as far as the file holds it.
uint32_t TextoPresente(const Lector& l, uint64_t pos, const Bloque& b) {
  const uint64_t inicio = pos + kLongCabBloque;
  return static_cast<uint32_t>(std::min<uint64_t>(b.usado, l.Tamano() - std::min(inicio, l.Tamano())));
}

bool Cumple(const Lector& l, uint64_t pos, const Bloque& b, Regla regla) {
  switch (regla) {
    case Regla::kIndice: return true;
    case Regla::kHuerfano: return b.propio == pos && b.capacidad > 0;
    case Regla::kFragmento: {
      if (b.propio == pos || b.capacidad != kMaxTextoBloque || b.usado == 0) return false;
      // A link may lead past the end of a cut file, but never to an unaligned block.
      if (b.siguiente % 4 != 0) return false;
      const uint32_t n = TextoPresente(l, pos, b);
      if (n <= kPalabraPerdida) return n > 0;
      return SinNulos(l.Datos(pos + kLongCabBloque + kPalabraPerdida), n - kPalabraPerdida);
    }
  }
  return false;
}

// The range of the file a block holds: its head and its room, as far as the file goes.
uint64_t FinBloque(const Lector& l, uint64_t pos, const Bloque& b) {
  return std::min<uint64_t>(pos + kLongCabBloque + std::max(b.capacidad, b.usado), l.Tamano());
}

bool CaracterDeCampo(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

// A header line: a field name, its colon and a blank; the name may be empty when the line
// lost its start. Returns the length of the name, or -1.
int CampoCabecera(const uint8_t* t, uint32_t n, bool sin_nombre) {
  uint32_t i = 0;
  while (i < n && i < 76 && CaracterDeCampo(t[i])) ++i;
  if (i + 1 >= n || t[i] != ':' || (t[i + 1] != ' ' && t[i + 1] != '\t') || (i == 0 && !sin_nombre)) return -1;
  return static_cast<int>(i);
}

// A block whose text opens like a message: a header line, then another header line, a folded
// line or the blank line that ends the header.
bool PareceInicio(const Lector& l, uint32_t pos) {
  Bloque b;
  if (!LeerBloque(l, pos, &b)) return false;
  const uint32_t n = TextoPresente(l, pos, b);
  const uint8_t* t = l.Datos(static_cast<uint64_t>(pos) + kLongCabBloque);
  const bool perdida = n >= kPalabraPerdida && std::any_of(t, t + kPalabraPerdida, ByteAjeno);
  const uint32_t inicio = perdida ? kPalabraPerdida : 0;
  if (CampoCabecera(t + inicio, n - std::min(n, inicio), perdida) < 0) return false;
  const uint8_t* fin = std::find(t + inicio, t + n, uint8_t{'\n'});
  if (fin == t + n) return false;
  const uint8_t* linea = fin + 1;
  const uint32_t resto = static_cast<uint32_t>(t + n - linea);
  return resto == 0 || linea[0] == '\r' || linea[0] == '\n' || linea[0] == ' ' || linea[0] == '\t' ||
         CampoCabecera(linea, resto, false) >= 0;
}

// Where the text of each deleted block goes on: its own link when that leads to another
// deleted block that does not open a message; else, for a full block, the block right after
// it when nothing else leads there and it does not open a message (chained by content).
struct Enlaces {
  std::unordered_map<uint32_t, uint32_t> siguiente;
  std::unordered_set<uint32_t> por_contenido;
};

Enlaces EnlazarFragmentos(const Lector& l, const std::vector<uint32_t>& candidatos) {
  const std::unordered_set<uint32_t> es(candidatos.begin(), candidatos.end());
  Enlaces e;
  std::unordered_set<uint32_t> destinos;
  for (uint32_t pos : candidatos) {
    Bloque b;
    LeerBloque(l, pos, &b);
    if (b.siguiente != 0 && es.count(b.siguiente) != 0 && !PareceInicio(l, b.siguiente) &&
        destinos.insert(b.siguiente).second) {
      e.siguiente[pos] = b.siguiente;
    }
  }
  for (uint32_t pos : candidatos) {
    Bloque b;
    LeerBloque(l, pos, &b);
    const uint64_t junto = static_cast<uint64_t>(pos) + kLongCabBloque + kMaxTextoBloque;
    if (e.siguiente.count(pos) != 0 || b.usado != kMaxTextoBloque || junto > UINT32_MAX) continue;
    const auto j = static_cast<uint32_t>(junto);
    if (es.count(j) != 0 && destinos.count(j) == 0 && !PareceInicio(l, j)) {
      destinos.insert(j);
      e.siguiente[pos] = j;
      e.por_contenido.insert(pos);
    }
  }
  return e;
}

// Why a chain cannot go on at pos (kNinguno: it can); *b gets the block's head.
Corte Impide(const Lector& l, uint32_t pos, Regla regla, const Ocupacion& ocupado,
             const std::unordered_set<uint32_t>& vistos, Bloque* b) {
  if (!l.Contiene(pos, kLongCabBloque)) return Corte::kFinArchivo;
  if (!LeerBloque(l, pos, b) || !Cumple(l, pos, *b, regla)) return Corte::kBloque;
  if (vistos.count(pos) != 0) return Corte::kCiclo;
  if (!ocupado.Libre(pos, FinBloque(l, pos, *b))) return Corte::kAjeno;
  return Corte::kNinguno;
}

// Follows a chain from primero, taking its blocks: by each block's link, or by enlaces when
// given. Stops at the end of the chain, at a block that breaks the rule, at one seen before or
// held by another message, or at the end of the file. Empty (no blocks) when primero itself is
// not a block under the rule.
Recuperado Seguir(const Lector& l, uint32_t primero, Regla regla, Ocupacion& ocupado, Origen origen,
                  const Enlaces* enlaces = nullptr) {
  Recuperado r{origen, Estado::kCompleto, primero, 0, 0, {}, {}, 0, Corte::kNinguno};
  std::unordered_set<uint32_t> vistos;
  const uint64_t max_bloques = l.Tamano() / kLongCabBloque + 1;
  uint32_t pos = primero;
  while (r.bloques < max_bloques) {
    Bloque b;
    const Corte corte = Impide(l, pos, regla, ocupado, vistos, &b);
    if (corte != Corte::kNinguno) {
      r.estado = Estado::kCortado;
      r.corte = corte;
      break;
    }
    vistos.insert(pos);
    ocupado.Tomar(pos, FinBloque(l, pos, b));
    ++r.bloques;
    const uint32_t n = TextoPresente(l, pos, b);
    const uint8_t* texto = l.Datos(pos + kLongCabBloque);
    uint32_t desde = 0;
    if (regla == Regla::kFragmento && n >= kPalabraPerdida &&
        std::any_of(texto, texto + kPalabraPerdida, ByteAjeno)) {
      r.huecos.push_back({static_cast<uint32_t>(r.texto.size()), kPalabraPerdida});
      desde = kPalabraPerdida;
    }
    r.texto.append(reinterpret_cast<const char*>(texto) + desde, n - desde);
    if (n < b.usado) {
      r.estado = Estado::kCortado;
      r.corte = Corte::kFinArchivo;
      break;
    }
    if (enlaces == nullptr) {
      if (b.siguiente == 0) break;
      pos = b.siguiente;
      continue;
    }
    const auto it = enlaces->siguiente.find(pos);
    if (it == enlaces->siguiente.end()) {
      // A partly filled block ends its message; a full one whose link leads nowhere lost the rest.
      if (b.siguiente != 0 && b.usado == b.capacidad) {
        r.estado = Estado::kCortado;
        r.corte = Corte::kBloque;
      }
      break;
    }
    if (enlaces->por_contenido.count(pos) != 0) ++r.uniones;
    pos = it->second;
  }
  if (r.estado == Estado::kCompleto && !r.huecos.empty()) r.estado = Estado::kHuecos;
  return r;
}

// Pass 1: the index tree from header 0xE4, walked node, entries' children, +0x08 child; every
// node once, at most as many as the file has room for.
void PorIndice(const Lector& l, Ocupacion& ocupado, std::vector<Recuperado>& salida) {
  uint32_t firma0 = 0, firma1 = 0, raiz = 0;
  if (!l.Palabra(0, &firma0) || !l.Palabra(4, &firma1) || firma0 != kFirma0 || firma1 != kFirmaMensajes ||
      !l.Palabra(kCabArbolMensajes, &raiz) || raiz == 0) {
    return;
  }
  std::unordered_set<uint32_t> vistos;
  std::vector<uint32_t> pila{raiz};
  const uint64_t max_nodos = l.Tamano() / kLongCabNodo + 1;
  while (!pila.empty() && vistos.size() < max_nodos) {
    const uint32_t nodo = pila.back();
    pila.pop_back();
    uint32_t cuenta = 0, hijo08 = 0;
    if (!l.Contiene(nodo, kLongCabNodo) || !vistos.insert(nodo).second) continue;
    l.Palabra(static_cast<uint64_t>(nodo) + kNodoCuenta, &cuenta);
    l.Palabra(static_cast<uint64_t>(nodo) + kNodoHijo, &hijo08);
    cuenta = std::min(cuenta >> 8, kMaxEntradasNodo);
    if (hijo08 != 0) pila.push_back(hijo08);
    std::vector<uint32_t> hijos;
    for (uint32_t i = 0; i < cuenta; ++i) {
      const uint64_t entrada = static_cast<uint64_t>(nodo) + kNodoEntradas + static_cast<uint64_t>(i) * kLongEntrada;
      uint32_t objeto = 0, hijo = 0;
      if (!l.Palabra(entrada + kEntradaObjeto, &objeto) || !l.Palabra(entrada + kEntradaHijo, &hijo)) break;
      if (hijo != 0) hijos.push_back(hijo);
      // The message object: its id, and its first block through id 0x84 or the data area.
      uint8_t cab[kLongCabObjeto];
      if (objeto == 0 || !l.Contiene(objeto, sizeof cab)) continue;
      std::copy_n(l.Datos(objeto), sizeof cab, cab);
      const uint32_t cuerpo = Le32(cab + kObjLongCuerpo);
      const uint32_t n = cab[kObjNumIndices];
      const uint64_t indices = static_cast<uint64_t>(objeto) + kLongCabObjeto;
      if (4 * n > cuerpo || !l.Contiene(indices, cuerpo)) continue;
      uint32_t id = 0, bloque = 0;
      for (uint32_t k = 0; k < n; ++k) {
        const uint32_t e = Le32(l.Datos(indices + 4 * k));
        if ((e & 0xFF) == kIdMensaje) id = e >> 8;
        if ((e & 0xFF) == kIdBloqueTexto) bloque = e >> 8;
      }
      if (bloque == 0 && cuerpo - 4 * n >= kAreaBloqueTexto + 4) {
        l.Palabra(indices + 4 * n + kAreaBloqueTexto, &bloque);
      }
      if (bloque == 0) continue;
      Recuperado r = Seguir(l, bloque, Regla::kIndice, ocupado, Origen::kIndice);
      if (r.bloques == 0) continue;
      r.id = id;
      salida.push_back(std::move(r));
    }
    // Entries' children are walked before the +0x08 child, in entry order.
    pila.insert(pila.end(), hijos.rbegin(), hijos.rend());
  }
}

// Passes 2 and 3: the blocks under the rule that no earlier pass took, chained from those no
// other candidate points at, in file order.
void PorBarrido(const Lector& l, Regla regla, Origen origen, Ocupacion& ocupado, std::vector<Recuperado>& salida) {
  std::vector<uint32_t> candidatos;
  std::unordered_set<uint32_t> apuntados;
  const uint64_t limite = std::min<uint64_t>(l.Tamano(), UINT32_MAX);
  for (uint64_t pos = kLongCabBloque; pos + kLongCabBloque <= limite; pos += 4) {
    Bloque b;
    if (!LeerBloque(l, pos, &b) || !Cumple(l, pos, b, regla) || !ocupado.Libre(pos, FinBloque(l, pos, b))) continue;
    candidatos.push_back(static_cast<uint32_t>(pos));
    if (b.siguiente != 0) apuntados.insert(b.siguiente);
  }
  Enlaces enlaces;
  if (regla == Regla::kFragmento) {
    enlaces = EnlazarFragmentos(l, candidatos);
    apuntados.clear();
    for (const auto& [desde, hacia] : enlaces.siguiente) apuntados.insert(hacia);
  }
  for (uint32_t pos : candidatos) {
    // A chain opens with text: a first block that is empty or holds NULs is some other structure.
    Bloque b;
    LeerBloque(l, pos, &b);
    const uint32_t n = TextoPresente(l, pos, b);
    if (apuntados.count(pos) != 0 || n == 0 ||
        (regla == Regla::kHuerfano && !SinNulos(l.Datos(static_cast<uint64_t>(pos) + kLongCabBloque), n))) {
      continue;
    }
    Recuperado r = Seguir(l, pos, regla, ocupado, origen, regla == Regla::kFragmento ? &enlaces : nullptr);
    if (r.bloques != 0 && !r.texto.empty()) salida.push_back(std::move(r));
  }
}

}  // namespace

std::vector<Recuperado> RecuperarDbx(std::span<const uint8_t> archivo, Pasadas pasadas) {
  const Lector l(archivo);
  Ocupacion ocupado;
  std::vector<Recuperado> salida;
  // The header is never a block: the room the mail client keeps for it, when the file says it
  // is a message file, else the part the reader takes in.
  const bool firmado = Reconocer(archivo) == TipoArchivo::kDbxMensajes;
  ocupado.Tomar(0, std::min<uint64_t>(firmado ? kLongCabecera : kLeidoCabeceraMensajes, l.Tamano()));
  PorIndice(l, ocupado, salida);
  if (pasadas == Pasadas::kSoloIndice) return salida;
  PorBarrido(l, Regla::kHuerfano, Origen::kHuerfano, ocupado, salida);
  PorBarrido(l, Regla::kFragmento, Origen::kFragmento, ocupado, salida);
  return salida;
}

}  // namespace orvex::recuperacion
