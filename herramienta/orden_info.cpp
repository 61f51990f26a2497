// orvex info and orvex folders: the store and its folder tree.
#include "herramienta/ordenes.h"
#include "herramienta/recorrido.h"
#include "herramienta/registros.h"
#include "herramienta/salida.h"
#include "herramienta/sesion.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

// The folder of a file path, "" when it has none.
std::string Carpeta(const std::string& ruta_archivo) {
  const std::size_t corte = ruta_archivo.find_last_of("\\/");
  return corte == std::string::npos ? std::string() : ruta_archivo.substr(0, corte);
}

}  // namespace

int OrdenInfo(const Opciones& o) {
  const auto s = AbrirSesion(o);
  if (!s) return kSalidaError;
  const Informe informe(o, *s);
  std::vector<std::string> identidades;
  for (const std::string& n : Identidades()) identidades.push_back(AUtf8(n));
  uint64_t mensajes = 0;
  for (const CarpetaVista& c : s->carpetas) mensajes += c.num_mensajes;
  std::string raiz;
  if (!s->carpetas.empty()) {
    const CarpetaVista& c = s->carpetas.front();
    raiz = Carpeta(!c.almacen.empty() ? c.almacen : c.buzon);
  }
  if (!s->origen.empty()) raiz = s->origen.string();
  Salida salida(o.json, kColumnasAlmacen);
  salida.Escribir(RegistroAlmacen(s->version, s->identidad, identidades, raiz, s->carpetas.size(), mensajes));
  salida.Imprimir(true);
  return informe.Algo() ? kSalidaError : kSalidaBien;
}

int OrdenCarpetas(const Opciones& o) {
  const auto s = AbrirSesion(o);
  if (!s) return kSalidaError;
  const Informe informe(o, *s);
  // The tree in its order; the flat table in the library's.
  const bool plano = o.plano && !o.json;
  std::vector<const CarpetaVista*> orden = OrdenArbol(s->carpetas);
  if (plano) {
    orden.clear();
    for (const CarpetaVista& c : s->carpetas) orden.push_back(&c);
  }
  Salida salida(o.json, plano ? kColumnasCarpetas : kColumnasArbol);
  for (const CarpetaVista* c : orden) salida.Escribir(RegistroCarpeta(*c, plano));
  salida.Imprimir(true);
  return informe.Algo() ? kSalidaError : kSalidaBien;
}

}  // namespace orvex::herramienta
