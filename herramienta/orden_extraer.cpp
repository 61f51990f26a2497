// orvex extract: the attachments (and with --bodies the body parts) of the chosen folders
// written into a folder.
#include <system_error>

#include "herramienta/destino.h"
#include "herramienta/ordenes.h"
#include "herramienta/plantilla.h"
#include "herramienta/recorrido.h"
#include "herramienta/registros.h"
#include "herramienta/salida.h"
#include "herramienta/sanear.h"
#include "herramienta/sesion.h"

namespace orvex::herramienta {
namespace {

namespace fs = std::filesystem;

std::string ExtensionPorTipo(const std::string& tipo) {
  if (tipo == "text/html") return ".html";
  if (tipo.rfind("text/", 0) == 0 || tipo.empty()) return ".txt";
  if (tipo == "message/rfc822") return ".eml";
  return ".bin";
}

}  // namespace

int OrdenExtraer(const Opciones& o) {
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  if (!CrearSalida(o.salida)) return kSalidaError;

  bool fallo = false;
  std::size_t escritos = 0;
  Recorrido recorrido(o, *e);
  Salida salida(o.json, kColumnasExtraidos);
  const uint32_t r = recorrido.Recorrer([&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    const uint32_t id = m->IdMensaje;
    // --by-message: the message's own folder, made with its first part written.
    fs::path destino = o.salida;
    if (o.por_mensaje) {
      const std::string carpeta_mensaje = SanearNombre(NombreMensaje(*e->sesion, *m, kPlantillaDefecto), "message");
      destino = CarpetaSalida(o.salida, c) / NombreRuta(carpeta_mensaje);
    }
    const uint32_t rp = RecorrerPartes(m, [&](OE_OBJMSG*, const ParteVista& p) {
      if (p.nombre.empty() && !o.cuerpos) return true;
      const std::string respaldo = "folder-" + std::to_string(c.id) + "-message-" + std::to_string(id) + "-part-" +
                                   std::to_string(p.numero) + ExtensionPorTipo(p.tipo);
      std::error_code ec;
      if (o.por_mensaje) fs::create_directories(destino, ec);
      std::optional<ArchivoCreado> a = CrearArchivoUnico(destino, p.nombre, respaldo);
      if (!a || !EscribirTodo(a->archivo.get(), p.contenido)) {
        Error("cannot write " + (a ? TextoRuta(a->ruta) : respaldo) + " in " + TextoRuta(destino));
        fallo = true;
        return false;
      }
      ++escritos;
      const fs::path mostrado = o.por_mensaje ? destino.filename() / a->ruta.filename() : a->ruta.filename();
      salida.Escribir(Marcado(RegistroExtraido(c, id, p, a->ruta, mostrado), posicion, 1));
      return true;
    });
    if (!fallo && rp != OE_FIN) recorrido.informe.Mensaje(c, posicion, id, PartesIlegibles(rp));
    return !fallo;
  });
  salida.Imprimir();
  if (r != OE_OK) return FalloListado(*e->sesion, r);
  if (fallo) return kSalidaError;
  if (escritos == 0) {
    Error("nothing to extract: " + Cuantos(recorrido.cuenta.mensajes, "message") + " in " +
          Cuantos(e->carpetas.size(), "folder") + " hold no " +
          (o.cuerpos ? "parts" : "named attachments (--bodies adds the message bodies)"));
  }
  return recorrido.Terminar({{"type", "summary"}, {"extracted", escritos}});
}

}  // namespace orvex::herramienta
