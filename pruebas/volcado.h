// Records as text, for golden comparisons: a folder or message record on one line, a whole
// listing or host walk as lines, compared with a named section of a dump file under
// pruebas/datos/ (compiled in, as every table). A section is the lines after "== <name>" up to
// the next "== " line. Running a test with ORVEX_REGENERAR=1 (and ORVEX_FUENTES, which ctest
// sets) writes what it saw into the source file instead of comparing: review the diff, it
// becomes the expectation. Regenerate with ctest -j1, the sections share files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "api/orvex.h"
#include "pruebas/listado.h"
#include "soporte/buffer_flujo.h"

namespace orvex::pruebas {

// Bytes as one line: \r \n \t \\ and \xHH for the rest of the unprintable ones.
// A run of eight or more of one printable character is written \{N}c, as the tables write it.
inline std::string Escapado(std::string_view s) {
  std::string r;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const auto u = static_cast<unsigned char>(c);
    const bool imprimible = u >= 0x20 && u < 0x7F && c != '\\';
    std::size_t n = 1;
    while (imprimible && i + n < s.size() && s[i + n] == c) ++n;
    const std::size_t corto = std::string_view("\r\n\t\\").find(c);
    if (n >= 8) {
      r += "\\{" + std::to_string(n) + "}" + c;
      i += n - 1;
    } else if (corto != std::string_view::npos) {
      r += std::string("\\") + "rnt\\"[corto];
    } else if (u < 0x20 || u >= 0x7F) {
      char x[5];
      std::snprintf(x, sizeof x, "\\x%02X", u);
      r += x;
    } else {
      r += c;
    }
  }
  return r;
}

// The 32-bit FNV-1a hash of the bytes: what a dump shows of a text too long to show whole.
inline uint32_t Huella(std::string_view s) {
  uint32_t h = 2166136261u;
  for (const char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// A long text as its length, its first bytes and a hash of the whole, so a dump stays readable.
inline std::string Resumido(std::string_view s, std::size_t cabeza = 48) {
  if (s.size() <= cabeza) return "\"" + Escapado(s) + "\"";
  char h[16];
  std::snprintf(h, sizeof h, "%08x", static_cast<unsigned>(Huella(s)));
  return std::to_string(s.size()) + ":\"" + Escapado(s.substr(0, cabeza)) + "\"...#" + h;
}

// A path field with the store's root written as "@".
inline std::string SinRaiz(const char* ruta, const std::string& raiz) {
  std::string r(ruta);
  if (!raiz.empty() && r.compare(0, raiz.size(), raiz) == 0) r = "@" + r.substr(raiz.size());
  return r;
}

inline std::string Volcar(const OE_CARPETA& c, const std::string& raiz) {
  std::ostringstream o;
  o << "carpeta id=" << std::hex << c.IdCarpeta << std::dec << " pos=" << c.PosCarpeta << " sig=" << c.PosSiguiente
    << " aux=" << c.PosAux << " indice=" << c.Indice << " padre=" << std::hex << c.IdPadre << std::dec << " nombre=\""
    << Escapado(c.Nombre) << "\" almacen=" << SinRaiz(c.RutaAlmacen, raiz) << " idx="
    << SinRaiz(c.RutaIndice, raiz) << " buzon=" << SinRaiz(c.RutaBuzon, raiz) << " sub=" << c.NumSubCarpetas
    << " gen=" << c.PalabrasGen[0] << "," << c.PalabrasGen[1] << " msgs=" << c.NumMensajes;
  return o.str();
}

// Texto is what the listing read; LongTexto may say more when the text was cut short.
inline std::string Volcar(const OE_MENSAJE& m, const std::string& raiz) {
  std::ostringstream o;
  o << "mensaje id=" << m.IdMensaje << " carpeta=" << std::hex << m.IdCarpeta << std::dec << " reg=" << m.PosRegistro
    << " fin=" << m.FinRegistro << " tam=" << m.TamMsg << " ptexto=" << m.PosTexto << " gen=" << m.PalabrasGen[0]
    << "," << m.PalabrasGen[1] << "," << m.PalabrasGen[2] << "," << m.PalabraGen << " de=\"" << Escapado(m.De)
    << "\" demime=\"" << Escapado(m.DeMime) << "\" textogen=\"" << Escapado(m.TextoGen) << "\" asunto=\""
    << Escapado(m.Asunto) << "\" fecha=\"" << m.Fecha << "\" mod=" << m.Modificado << " copia=" << m.PosCopia
    << " idx=" << SinRaiz(m.RutaIndice, raiz) << " buzon=" << SinRaiz(m.RutaBuzon, raiz) << " texto=";
  o << (m.Texto == nullptr ? std::string("null") : Resumido(std::string_view(m.Texto, m.LongTexto)));
  return o.str();
}

// A folder's whole message listing: one line per record handed out, a line per other result,
// and the result that ended it.
inline std::string VolcarMensajes(OE_CARPETA* c, const std::string& raiz) {
  std::string r;
  RecorrerMensajes(c, [&](uint32_t modo, uint32_t res, const OE_MENSAJE* m) {
    if (modo == OE_CERRAR) return;
    if (res == OE_OK && m->Texto != nullptr) {
      EXPECT_EQ(m->Texto[m->LongTexto], '\0');  // a host may read the text as a C string
    }
    const std::string linea = res == OE_OK ? Volcar(*m, raiz) : std::to_string(res);
    r += std::string(modo == OE_PRIMERO ? "primero " : res == OE_OK ? "" : "resultado ") + linea + "\n";
  }, 1000);
  return r;
}

// A part object on one line: its cursors, its names (the part's own only when it differs) and
// the content handed out.
inline std::string Volcar(const OE_OBJMSG& o) {
  std::ostringstream r;
  r << "parte " << o.NumParte << " id=" << o.IdMensaje << " carpeta=" << std::hex << o.IdCarpeta << std::dec
    << " pos=" << o.PosCarpeta << " copia=" << o.IdMensajeCopia << " texto=" << o.PosTexto << "-" << o.FinMsg
    << " reg=" << o.PosRegistro << "-" << o.FinRegistro << " inicio=" << o.PosInicioParte << " sig=" << o.PosSigParte
    << " leidos=" << o.BytesLeidos << " long=" << o.LongParte << " nombre=\"" << Escapado(o.NombreAdjunto) << "\"";
  if (std::strcmp(o.NombreParte, o.NombreAdjunto) != 0) r << " nombreparte=\"" << Escapado(o.NombreParte) << "\"";
  const auto* c = static_cast<const CL_BUFFER_FLUJO*>(o.Contenido);
  r << " contenido=" << (c == nullptr ? std::string("null") : Resumido(std::string_view(c->Datos(), c->Longitud())));
  return r.str();
}

// A message's whole part walk: the object as opened, each part handed out and the result that
// ended it; ajustar may change the object once it is open. An object left open is closed.
inline std::string VolcarPartes(OE_MENSAJE* m, const std::function<void(OE_OBJMSG&)>& ajustar = nullptr) {
  OE_OBJMSG* o = nullptr;
  uint32_t res = OE_ObtenerObjMsg(m, &o, OE_PRIMERO);
  if (res != OE_OK || o == nullptr) return "primero " + std::to_string(res) + "\n";
  std::string r = "primero tam=" + std::to_string(o->Tamano) + " " + Volcar(*o) + "\n";
  if (ajustar) ajustar(*o);
  for (int pasos = 0; pasos < 1000 && (res = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK; ++pasos) {
    r += Volcar(*o) + "\n";
  }
  r += "resultado " + std::to_string(res) + (o != nullptr ? " abierto\n" : "\n");
  if (o != nullptr) OE_ObtenerObjMsg(m, &o, OE_CERRAR);
  return r;
}

// Where a section lies in a dump file: from its "== " line to the next one (or the end).
struct LugarSeccion {
  std::size_t marca, cuerpo, fin;
};

inline std::optional<LugarSeccion> BuscarSeccion(std::string_view archivo, std::string_view nombre) {
  const std::string marca = "== " + std::string(nombre) + "\n";
  // A line start is a position after a '\n', or the start of the file.
  const std::size_t a = ("\n" + std::string(archivo)).find("\n" + marca);
  if (a == std::string::npos) return std::nullopt;
  const std::size_t cuerpo = a + marca.size();
  const std::size_t b = archivo.find("\n== ", cuerpo - 1);
  return LugarSeccion{a, cuerpo, b == std::string_view::npos ? archivo.size() : b + 1};
}

// The section of a dump file (its text, as the .inc gives it).
inline std::string Seccion(std::string_view archivo, std::string_view nombre) {
  const std::optional<LugarSeccion> l = BuscarSeccion(archivo, nombre);
  return l ? std::string(archivo.substr(l->cuerpo, l->fin - l->cuerpo)) : "(no section " + std::string(nombre) + ")";
}

// Replaces (or appends) the section in pruebas/datos/<archivo>.txt of the source tree.
inline void RegenerarSeccion(const std::string& archivo, const std::string& nombre, const std::string& texto) {
  const std::string ruta = std::string(std::getenv("ORVEX_FUENTES")) + "/pruebas/datos/" + archivo + ".txt";
  std::ifstream leido(ruta, std::ios::binary);
  std::string todo{std::istreambuf_iterator<char>(leido), std::istreambuf_iterator<char>()};
  const std::string seccion = "== " + nombre + "\n" + texto;
  if (const std::optional<LugarSeccion> l = BuscarSeccion(todo, nombre)) {
    todo.replace(l->marca, l->fin - l->marca, seccion);
  } else {
    todo += (todo.empty() || todo.back() == '\n' ? "" : "\n") + seccion;
  }
  std::ofstream(ruta, std::ios::binary) << todo;
}

// Compares what a test saw with its section, or writes it there when regenerating.
#define EXPECT_VOLCADO(archivo_inc, archivo, nombre, visto)                                        \
  do {                                                                                             \
    const std::string visto_ = (visto);                                                            \
    if (std::getenv("ORVEX_REGENERAR") != nullptr && std::getenv("ORVEX_FUENTES") != nullptr) {     \
      ::orvex::pruebas::RegenerarSeccion((archivo), (nombre), visto_);                              \
    } else {                                                                                       \
      EXPECT_EQ(::orvex::pruebas::Seccion((archivo_inc), (nombre)), visto_) << "section " << (nombre); \
    }                                                                                              \
  } while (0)

}  // namespace orvex::pruebas
