#include "mensaje/empalme.h"

#include <cctype>
#include <cstring>
#include <limits>
#include <new>

#include "soporte/buffer_flujo.h"
#include "mensaje/salida_parte.h"
#include "soporte/memoria.h"
#include "soporte/rutas.h"
#include "soporte/texto.h"

namespace orvex::mensaje {

namespace {

constexpr std::string_view kVir = ".VIR";

// Places the position of r at p (p may be the end).
void PosicionarEn(CL_BUFFER_FLUJO& r, uint32_t p) {
  if (p < r.Longitud()) {
    r.Posicionar(static_cast<int32_t>(p), 0);
  } else if (r.Longitud() > 0) {
    r.Posicionar(0, 2);
  }
}

void Escribir(CL_BUFFER_FLUJO& r, const char* bytes, uint64_t n) {
  if (n > std::numeric_limits<uint32_t>::max()) throw CL_EXCEPCION_MEMORIA();
  if (n > 0) r.Escribir(bytes, static_cast<uint32_t>(n));
}

// Parameter names are not case-sensitive in a header.
std::size_t BuscarSinCaso(std::string_view texto, std::string_view aguja) {
  if (aguja.size() > texto.size()) return std::string_view::npos;
  for (std::size_t i = 0; i + aguja.size() <= texto.size(); ++i) {
    std::size_t k = 0;
    while (k < aguja.size() && std::tolower(static_cast<unsigned char>(texto[i + k])) ==
                                   std::tolower(static_cast<unsigned char>(aguja[k]))) {
      ++k;
    }
    if (k == aguja.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace

CL_BUFFER_FLUJO* ReescritoDe(const OE_MENSAJE* mensaje) { return static_cast<CL_BUFFER_FLUJO*>(mensaje->Reescrito); }

void LiberarReescrito(OE_MENSAJE* mensaje) {
  delete ReescritoDe(mensaje);
  mensaje->Reescrito = nullptr;
}

FinReescritura::~FinReescritura() {
  LiberarReescrito(m_);
  m_.Modificado = 0;
}

uint32_t Empalmar(OE_MENSAJE& m, uint32_t inicio, uint32_t siguiente, const std::vector<Edicion>& ediciones,
                  AlEscribirParte al_escribir_parte) {
  const char* t = m.Texto;
  // The callers place the edits inside the part; a misplaced one must not read outside Texto.
  uint32_t previo = inicio;
  for (const Edicion& e : ediciones) {
    if (e.desde < previo || e.hasta < e.desde) return OE_ERROR;
    previo = e.hasta;
  }
  if (t == nullptr || previo > siguiente || siguiente > m.LongTexto) return OE_ERROR;
  CL_BUFFER_FLUJO* r = ReescritoDe(&m);
  const bool continuar = m.Modificado == 1 && r != nullptr;
  uint32_t c0 = inicio;
  if (continuar) {
    // The rest of the stored text from here on must still be there, unchanged.
    const int64_t p = int64_t{inicio} + r->Longitud() - m.LongTexto;
    if (p < 0 || p > r->Longitud() || std::memcmp(r->Datos() + p, t + inicio, m.LongTexto - inicio) != 0) {
      return OE_ERROR;
    }
    c0 = static_cast<uint32_t>(p);
  }

  m.Modificado = 0;
  if (!continuar) {
    LiberarReescrito(&m);
    try {
      r = new CL_BUFFER_FLUJO(10000);
    } catch (const CL_EXCEPCION_MEMORIA&) {
      return OE_ERROR_MEMORIA;
    } catch (const std::bad_alloc&) {
      return OE_ERROR_MEMORIA;
    }
    m.Reescrito = r;
    r->FijarEscribible(1);
    Escribir(*r, t, inicio);
  } else {
    r->FijarEscribible(1);
    PosicionarEn(*r, c0);
  }
  uint32_t desde = inicio;
  for (const Edicion& e : ediciones) {
    Escribir(*r, t + desde, e.desde - desde);
    Escribir(*r, e.texto.data(), e.texto.size());
    desde = e.hasta;
  }
  Escribir(*r, t + desde, siguiente - desde);
  if (al_escribir_parte != nullptr) al_escribir_parte(m, c0, r->ObtenerPosicion() - c0);
  m.PosCopia = r->ObtenerPosicion();
  Escribir(*r, t + siguiente, m.LongTexto - siguiente);
  r->FijarLongitud(r->ObtenerPosicion());
  m.Modificado = 1;
  return OE_OK;
}

uint32_t FinLinea(const char* texto, uint32_t pos, uint32_t limite) { return pos + LongitudLinea(pos, limite, texto); }

bool EsLineaVacia(std::string_view linea) { return linea == "\n" || linea == "\r\n"; }

bool BuscarEnLineas(const char* texto, uint32_t desde, uint32_t hasta, std::string_view aguja, Mayusculas mayusculas,
                    uint32_t* en, uint32_t* fin) {
  for (uint32_t a = desde; a < hasta;) {
    const uint32_t b = FinLinea(texto, a, hasta);
    if (b <= a) break;
    const std::string_view linea(texto + a, b - a);
    const std::size_t k = mayusculas == Mayusculas::kIgnorar ? BuscarSinCaso(linea, aguja) : linea.find(aguja);
    if (k != std::string_view::npos) {
      *en = a + static_cast<uint32_t>(k);
      *fin = b;
      return true;
    }
    a = b;
  }
  return false;
}

std::string ParametroNombrado(std::string_view parametro, std::string_view nombre, std::string_view fin_linea) {
  std::string texto;
  texto.reserve(parametro.size() + nombre.size() + 2 + fin_linea.size());
  texto.append(parametro).append("\"").append(nombre).append("\"").append(fin_linea);
  return texto;
}

std::string NombreVir(std::string_view nombre, ExtensionVir extension) {
  const PartesRuta partes = DividirRuta(nombre);
  std::string nuevo = partes.nombre;
  if (extension == ExtensionVir::kConservar) {
    nuevo += '_';
    if (!partes.extension.empty()) nuevo.append(partes.extension, 1, std::string::npos);
  }
  for (char& c : nuevo) {
    if (c == '"' || c == '\r' || c == '\n') c = '_';
  }
  nuevo.append(kVir);
  return nuevo;
}

std::string ContenidoCodificado(CL_SALIDA_PARTE& salida) {
  salida.CodificarContenido();
  if (salida.Datos() == nullptr) return {};
  std::string_view bytes(salida.Datos(), salida.Longitud());
  while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  return std::string(bytes);
}

}  // namespace orvex::mensaje
