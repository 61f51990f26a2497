#include "almacen_oe5/dbx.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "api/orvex.h"
#include "soporte/bytes.h"
#include "soporte/memoria.h"
#include "soporte/tramos.h"

namespace orvex::oe5 {

using namespace orvex::dbx;

namespace {

// Follows a chain of positions and reports when it comes back to one it has passed (Brent's
// teleporting mark: constant memory, found within twice the cycle's reach).
class DetectorCiclo {
 public:
  explicit DetectorCiclo(uint32_t inicio) : marca_(inicio) {}
  // Registers the next position; true when it closes a cycle.
  bool Avanzar(uint32_t pos) {
    if (pos == marca_) return true;
    if (++pasos_ == limite_) {
      marca_ = pos;
      limite_ *= 2;
      pasos_ = 0;
    }
    return false;
  }

 private:
  uint32_t marca_;
  uint64_t pasos_ = 0;
  uint64_t limite_ = 1;
};

// A sound chain has disjoint blocks of at least a head each, so it cannot have more blocks
// than this.
uint64_t MaxBloques(const ArchivoDbx& archivo) { return archivo.Tamano() / kLongCabBloque + 1; }

}  // namespace

std::optional<ArchivoDbx> ArchivoDbx::Abrir(const std::string& ruta, Modo modo) {
  auto archivo = ArchivoAcotado::Abrir(ruta, modo);
  if (!archivo) return std::nullopt;
  return ArchivoDbx(std::move(*archivo));
}

std::optional<ArchivoDbx> ArchivoDbx::AbrirYComprobar(const std::string& ruta, TipoDbx tipo, Modo modo) {
  auto dbx = Abrir(ruta, modo);
  if (!dbx) return std::nullopt;
  const uint32_t leer = tipo == TipoDbx::kCarpetas ? kLeidoCabeceraCarpetas : kLeidoCabeceraMensajes;
  if (!dbx->Leer(0, dbx->cabecera_.data(), leer)) return std::nullopt;
  dbx->leido_cabecera_ = leer;
  const uint32_t segunda = tipo == TipoDbx::kCarpetas ? kFirmaCarpetas : kFirmaMensajes;
  if (dbx->Cabecera(0) != kFirma0 || dbx->Cabecera(4) != segunda) return std::nullopt;
  return dbx;
}

uint32_t ArchivoDbx::Cabecera(uint32_t desplazamiento) const {
  if (desplazamiento > leido_cabecera_ || leido_cabecera_ - desplazamiento < 4) return 0;
  return Le32(cabecera_.data() + desplazamiento);
}

namespace {
// The first window is small (a header, a node, an object); a read that runs on from the
// window doubles the next one, so a long text chain is read in few large pieces.
constexpr std::size_t kVentanaInicial = 8 * 1024;
constexpr std::size_t kVentanaMaxima = 256 * 1024;
}  // namespace

bool ArchivoDbx::LlenarVentana(uint64_t pos, std::size_t n) const {
  const bool seguida = ventana_len_ > 0 && pos >= ventana_pos_ && pos <= ventana_pos_ + ventana_len_;
  std::size_t tam = seguida ? std::min(ventana_tam_ * 2, kVentanaMaxima) : kVentanaInicial;
  while (tam < n) tam *= 2;
  if (tam > ventana_cap_) {
    ventana_ = std::make_unique_for_overwrite<uint8_t[]>(tam);
    ventana_cap_ = tam;
  }
  ventana_tam_ = tam;
  ventana_len_ = 0;
  std::size_t leidos = 0;
  if (!archivo_.LeerParcial(pos, ventana_.get(), tam, &leidos) || leidos < n) return false;
  ventana_pos_ = pos;
  ventana_len_ = leidos;
  return true;
}

bool ArchivoDbx::Leer(uint64_t pos, void* destino, std::size_t n) const {
  if (!Contiene(pos, n)) return false;
  if (n == 0) return true;
  if (n > kVentanaMaxima / 2) return archivo_.Leer(pos, destino, n);
  const bool dentro = ventana_len_ > 0 && pos >= ventana_pos_ && n <= ventana_len_ &&
                      pos - ventana_pos_ <= ventana_len_ - n;
  if (!dentro && !LlenarVentana(pos, n)) {
    // A window that could not be read whole says nothing of these n bytes: ask for them alone.
    return archivo_.Leer(pos, destino, n);
  }
  std::memcpy(destino, ventana_.get() + (pos - ventana_pos_), n);
  return true;
}

bool ArchivoDbx::Leer32(uint64_t pos, uint32_t* valor) const {
  uint8_t b[4];
  if (!Leer(pos, b, sizeof b)) return false;
  *valor = Le32(b);
  return true;
}

bool ArchivoDbx::Escribir(uint64_t pos, const void* origen, std::size_t n) {
  if (!Contiene(pos, n)) return false;
  ventana_len_ = 0;
  return n == 0 || archivo_.Escribir(pos, origen, n);
}

uint32_t EntradasNodo(const ArchivoDbx& archivo, uint32_t nodo) {
  uint32_t cuenta = 0;
  if (!archivo.Leer32(static_cast<uint64_t>(nodo) + kNodoCuenta, &cuenta)) return 0;
  cuenta = std::min(cuenta >> 8, kMaxEntradasNodo);
  const uint64_t inicio = static_cast<uint64_t>(nodo) + kNodoEntradas;
  if (!archivo.Contiene(inicio, 0)) return 0;
  const uint64_t caben = (archivo.Tamano() - inicio) / kLongEntrada;
  return static_cast<uint32_t>(std::min<uint64_t>(cuenta, caben));
}

namespace {

// A node whose head and counted entries lie inside the file.
bool NodoValido(const ArchivoDbx& archivo, uint32_t nodo) {
  if (nodo == 0) return false;
  uint32_t cuenta = 0;
  if (!archivo.Leer32(static_cast<uint64_t>(nodo) + kNodoCuenta, &cuenta)) return false;
  cuenta = std::min(cuenta >> 8, kMaxEntradasNodo);
  return archivo.Contiene(nodo, kLongCabNodo + static_cast<uint64_t>(cuenta) * kLongEntrada);
}

}  // namespace

std::vector<uint32_t> RecorrerArbol(const ArchivoDbx& archivo, uint32_t raiz, uint32_t capacidad) {
  std::vector<uint32_t> lista;
  if (capacidad == 0 || !NodoValido(archivo, raiz)) return lista;
  std::unordered_set<uint32_t> vistos;
  struct Marco {
    uint32_t nodo;
    uint32_t entrada;  // next entry whose child is looked at; kMaxEntradasNodo once done
    bool hijo08;       // the +0x08 child was looked at
  };
  std::vector<Marco> pila;
  auto visitar = [&](uint32_t nodo) {
    if (lista.size() >= capacidad || !NodoValido(archivo, nodo) || !vistos.insert(nodo).second) return;
    lista.push_back(nodo);
    pila.push_back({nodo, 0, false});
  };
  visitar(raiz);
  while (!pila.empty() && lista.size() < capacidad) {
    Marco& m = pila.back();
    if (m.entrada < kMaxEntradasNodo) {
      uint32_t hijo = 0;
      const uint64_t hueco = static_cast<uint64_t>(m.nodo) + kNodoEntradas + kEntradaHijo +
                             static_cast<uint64_t>(m.entrada) * kLongEntrada;
      ++m.entrada;
      if (!archivo.Leer32(hueco, &hijo) || hijo == 0) {
        m.entrada = kMaxEntradasNodo;
        continue;
      }
      visitar(hijo);  // may move the stack: m is not used after this
    } else if (!m.hijo08) {
      m.hijo08 = true;
      uint32_t hijo = 0;
      if (archivo.Leer32(static_cast<uint64_t>(m.nodo) + kNodoHijo, &hijo) && hijo != 0) visitar(hijo);
    } else {
      pila.pop_back();
    }
  }
  return lista;
}

bool LeerObjeto(const ArchivoDbx& archivo, uint32_t pos, ObjetoDbx* objeto) {
  uint8_t cab[kLongCabObjeto];
  if (pos == 0 || !archivo.Leer(pos, cab, sizeof cab)) return false;
  const uint32_t cuerpo = Le32(cab + kObjLongCuerpo);
  const uint32_t n = cab[kObjNumIndices];
  const uint64_t inicio = static_cast<uint64_t>(pos) + kLongCabObjeto;
  if (4 * n > cuerpo || !archivo.Contiene(inicio, cuerpo)) return false;
  uint8_t indices[4 * 255];
  if (!archivo.Leer(inicio, indices, 4 * n)) return false;
  std::memset(objeto->TablaIndices, 0, sizeof objeto->TablaIndices);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t e = Le32(indices + 4 * i);
    objeto->TablaIndices[e & 0xFF] = e >> 8;
  }
  objeto->inicio_datos = static_cast<uint32_t>(inicio + 4 * n);
  objeto->long_datos = cuerpo - 4 * n;
  return true;
}

bool LeerCadenaDatos(const ArchivoDbx& archivo, const ObjetoDbx& objeto, uint32_t desplazamiento, char* destino,
                     std::size_t capacidad) {
  if (capacidad == 0) return false;
  destino[0] = '\0';
  if (desplazamiento >= objeto.long_datos) return false;
  const std::size_t n = std::min<std::size_t>(capacidad - 1, objeto.long_datos - desplazamiento);
  if (!archivo.Leer(static_cast<uint64_t>(objeto.inicio_datos) + desplazamiento, destino, n)) {
    destino[0] = '\0';
    return false;
  }
  destino[n] = '\0';
  return true;
}

std::vector<uint32_t> ListaObjetosCarpetas(const ArchivoDbx& archivo, const std::vector<uint32_t>& nodos) {
  std::vector<uint32_t> objetos;
  for (uint32_t nodo : nodos) {
    const uint32_t entradas = EntradasNodo(archivo, nodo);
    for (uint32_t i = 0; i < entradas && objetos.size() < kMaxObjetosCarpetas; ++i) {
      uint32_t objeto = 0;
      if (!archivo.Leer32(static_cast<uint64_t>(nodo) + kNodoEntradas + static_cast<uint64_t>(i) * kLongEntrada,
                          &objeto)) {
        break;
      }
      if (objeto == 0 || (i == 0 && objeto == kPosObjetoRaiz)) continue;
      objetos.push_back(objeto);
    }
    if (objetos.size() >= kMaxObjetosCarpetas) break;
  }
  return objetos;
}

MotivoCadena RecorrerCadena(const ArchivoDbx& archivo, uint32_t primer_bloque, AlcanceCadena alcance,
                            std::vector<BloqueCadena>* bloques) {
  bloques->clear();
  uint32_t pos = primer_bloque;
  DetectorCiclo ciclo(pos);
  TramosDisjuntos tramos;
  uint64_t total = 0;
  const uint64_t max_bloques = MaxBloques(archivo);
  for (;;) {
    if (bloques->size() >= max_bloques) return MotivoCadena::kDemasiadoLarga;
    uint8_t b[kLongCabBloque];
    if (!archivo.Leer(pos, b, sizeof b)) return MotivoCadena::kFueraDelArchivo;
    const BloqueCadena bloque{pos, Le32(b + kBloquePropio), Le32(b + kBloqueCapacidad), Le32(b + kBloqueUsado),
                              Le32(b + kBloqueSiguiente)};
    if (bloque.capacidad > kMaxTextoBloque || bloque.usado > bloque.capacidad) return MotivoCadena::kCabeceraInvalida;
    if (bloque.siguiente == pos) return MotivoCadena::kCiclo;
    const uint32_t alcanzado = alcance == AlcanceCadena::kTexto ? bloque.usado : bloque.capacidad;
    if (!archivo.Contiene(static_cast<uint64_t>(pos) + kLongCabBloque, bloque.usado) ||
        !archivo.Contiene(static_cast<uint64_t>(pos) + kLongCabBloque, alcanzado)) {
      return MotivoCadena::kFueraDelArchivo;
    }
    tramos.Anadir(pos, kLongCabBloque + alcanzado);
    total += bloque.usado;
    if (alcance == AlcanceCadena::kTexto && (total > archivo.Tamano() || total >= UINT32_MAX)) {
      return MotivoCadena::kDemasiadoLarga;
    }
    bloques->push_back(bloque);
    if (bloque.siguiente == 0) break;
    pos = bloque.siguiente;
    if (ciclo.Avanzar(pos)) return MotivoCadena::kCiclo;
  }
  // A head inside an earlier block's text would be read as text and as a head; written over,
  // it would send the rest of the text anywhere.
  return tramos.Disjuntos() ? MotivoCadena::kValida : MotivoCadena::kSolape;
}

uint32_t LeerCadena(const ArchivoDbx& archivo, uint32_t primer_bloque, char** texto, uint32_t* longitud) {
  *texto = nullptr;
  *longitud = 0;
  std::vector<BloqueCadena> bloques;
  if (RecorrerCadena(archivo, primer_bloque, AlcanceCadena::kTexto, &bloques) != MotivoCadena::kValida) {
    return OE_ERROR;
  }
  uint64_t total = 0;
  for (const BloqueCadena& bloque : bloques) total += bloque.usado;

  auto* buffer = static_cast<char*>(MEM_Reservar(static_cast<std::size_t>(total) + 1));
  if (buffer == nullptr) return OE_ERROR_MEMORIA;
  BloqueMem<char> propio(buffer);
  uint64_t reunido = 0;
  for (const BloqueCadena& bloque : bloques) {
    if (!archivo.Leer(static_cast<uint64_t>(bloque.pos) + kLongCabBloque, buffer + reunido, bloque.usado)) {
      return OE_ERROR;
    }
    reunido += bloque.usado;
  }
  buffer[reunido] = '\0';
  *texto = propio.release();
  *longitud = static_cast<uint32_t>(total);
  return OE_OK;
}

uint32_t ReescribirCadena(ArchivoDbx& archivo, uint32_t primer_bloque, uint32_t longitud_vieja, const char* nuevo,
                          uint32_t longitud_nueva) {
  // The chain is checked whole before anything is written: a broken one is left as it is. Its
  // blocks' rooms must not overlap, or the text written into one block would become the head
  // the next step reads.
  std::vector<BloqueCadena> bloques;
  if (RecorrerCadena(archivo, primer_bloque, AlcanceCadena::kCapacidad, &bloques) != MotivoCadena::kValida) {
    return 0;
  }
  uint32_t escrito = 0;
  for (const BloqueCadena& bloque : bloques) {
    uint8_t b[kLongCabBloque];
    Pon32(b + kBloquePropio, bloque.propio);
    Pon32(b + kBloqueCapacidad, bloque.capacidad);
    Pon32(b + kBloqueUsado, bloque.usado);
    Pon32(b + kBloqueSiguiente, bloque.siguiente);
    uint32_t capacidad = bloque.capacidad;
    uint32_t siguiente = bloque.siguiente;
    const uint32_t resto = longitud_nueva - escrito;
    if (resto < capacidad) {
      capacidad = resto;
      siguiente = 0;
      Pon32(b + kBloqueCapacidad, resto);
      Pon32(b + kBloqueUsado, resto);
      Pon32(b + kBloqueSiguiente, 0);
      if (!archivo.Escribir(bloque.pos, b, sizeof b)) break;
    } else if (const bool ultimo = siguiente == 0 || escrito + capacidad >= longitud_vieja;
               bloque.usado != capacidad || (ultimo && siguiente != 0)) {
      // A block filled to its room says so, and the one where a cut text stops ends the chain:
      // the chain then reads back as exactly what was written.
      Pon32(b + kBloqueUsado, capacidad);
      if (ultimo) {
        siguiente = 0;
        Pon32(b + kBloqueSiguiente, 0);
      }
      if (!archivo.Escribir(bloque.pos, b, sizeof b)) break;
    }
    const uint32_t n = std::min(capacidad, resto);
    if (!archivo.Escribir(static_cast<uint64_t>(bloque.pos) + kLongCabBloque, nuevo + escrito, n)) break;
    escrito += n;
    if (siguiente == 0 || escrito >= longitud_vieja) break;
  }
  return escrito;
}

}  // namespace orvex::oe5
