// orvex messages and orvex parts: the messages of the chosen folders, the parts of one.
#include <cctype>

#include "herramienta/ordenes.h"
#include "herramienta/recorrido.h"
#include "herramienta/registros.h"
#include "herramienta/salida.h"
#include "herramienta/sesion.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {

int OrdenMensajes(const Opciones& o) {
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const bool varias = e->carpetas.size() > 1;
  Recorrido recorrido(o, *e);
  Salida salida(o.json, ColumnasMensajes(varias));
  const uint32_t r = recorrido.Recorrer([&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    const MensajeVista v = LeerMensaje(*e->sesion, *m);
    std::optional<uint32_t> partes;
    uint32_t n = 0;
    const uint32_t rp = RecorrerPartes(m, [&n](OE_OBJMSG*, const ParteVista&) {
      ++n;
      return true;
    });
    if (rp == OE_FIN) {
      partes = n;
    } else {
      recorrido.informe.Mensaje(c, posicion, v.id, PartesIlegibles(rp));
    }
    salida.Escribir(Marcado(RegistroMensaje(c, v, partes, varias), posicion, varias ? 1 : 0));
    return true;
  });
  salida.Imprimir();
  if (r != OE_OK) return FalloListado(*e->sesion, r);
  return recorrido.Terminar({{"type", "summary"}});
}

int OrdenPartes(const Opciones& o) {
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  if (e->carpetas.size() != 1) {
    Error("name one folder");
    return kSalidaError;
  }
  uint64_t buscado = 0;
  bool id_valido = !o.mensaje.empty() && o.mensaje.size() <= 10;
  for (char ch : o.mensaje) {
    if (!std::isdigit(static_cast<unsigned char>(ch))) id_valido = false;
    buscado = buscado * 10 + static_cast<uint64_t>(ch - '0');
  }
  if (!id_valido || buscado > 0xFFFFFFFFu) {
    Error("MESSAGE is a message id, as the ID column of `orvex messages` shows it");
    return kSalidaError;
  }
  bool hallado = false;
  uint32_t rp = OE_OK;
  Recorrido recorrido(o, *e, false);
  Salida salida(o.json, kColumnasPartes);
  const uint32_t r = recorrido.Recorrer([&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t) {
    if (m->IdMensaje != buscado) return true;
    hallado = true;
    rp = RecorrerPartes(m, [&](OE_OBJMSG*, const ParteVista& p) {
      salida.Escribir(RegistroParte(c, m->IdMensaje, p));
      return true;
    });
    return false;
  });
  if (r != OE_OK) return FalloListado(*e->sesion, r);
  if (!hallado) {
    Error("folder " + AUtf8(e->carpetas.front()->ruta) + " has no readable message with id " + o.mensaje);
    return kSalidaError;
  }
  salida.Imprimir(true);
  if (rp != OE_FIN) {
    Error(std::string("reading the parts of message ") + o.mensaje + " failed (" + NombreResultado(rp) +
          "): its text in " + RutaMostrada(ArchivoDeCarpeta(*e->carpetas.front())) + " cannot be taken apart");
    return kSalidaError;
  }
  return recorrido.informe.Algo() ? kSalidaError : kSalidaBien;
}

}  // namespace orvex::herramienta
