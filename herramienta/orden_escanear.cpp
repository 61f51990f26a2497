// orvex scan: every part of the chosen folders checked against a hash list, a scanner
// command or ClamAV's daemon; a found part kept, renamed or removed, each change backed up,
// checked and undone when the check fails.
#include <fstream>
#include <iterator>
#include <map>

#include "herramienta/cambio.h"
#include "herramienta/clamd.h"
#include "herramienta/firmas.h"
#include "herramienta/ordenes.h"
#include "herramienta/recorrido.h"
#include "herramienta/registros.h"
#include "herramienta/resumen.h"
#include "herramienta/salida.h"
#include "herramienta/sesion.h"
#include "herramienta/sistema.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

// The scanner's own name for what it found: the text before " FOUND" on its report line.
std::string NombreDelInforme(const std::string& informe) {
  const std::size_t hallado = informe.find(" FOUND");
  if (hallado == std::string::npos) return "found by the scanner";
  std::size_t inicio = informe.rfind('\n', hallado);
  inicio = inicio == std::string::npos ? 0 : inicio + 1;
  std::string linea = informe.substr(inicio, hallado - inicio);
  const std::size_t dos_puntos = linea.find(": ");
  if (dos_puntos != std::string::npos) linea.erase(0, dos_puntos + 2);
  return linea.empty() ? "found by the scanner" : linea;
}


// What judges a part: a hash list, a scanner command run on it, or ClamAV's daemon.
class Juez {
 public:
  // From the options; false after an error message.
  bool Preparar(const Opciones& o) {
    if (int(!o.firmas.empty()) + int(!o.orden.empty()) + int(!o.clamd.empty()) != 1) {
      Error("scan needs exactly one of --hashes FILE, --command CMD and --clamd unix:PATH|tcp:HOST:PORT");
      return false;
    }
    orden_ = o.orden;
    if (!o.clamd.empty()) {
      std::string error;
      std::optional<DestinoRed> destino = LeerDestino(o.clamd, &error);
      if (destino) {
        clamd_.emplace(std::move(*destino), o.espera_clamd);
        error = clamd_->Probar();
      }
      if (!error.empty()) {
        Error("--clamd " + o.clamd + ": " + error);
        return false;
      }
    }
    if (o.firmas.empty()) return true;
    std::ifstream f(o.firmas, std::ios::binary);
    if (!f) {
      Error("--hashes " + o.firmas + ": cannot read the file");
      return false;
    }
    const std::string texto((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    firmas_ = LeerFirmas(texto);
    for (const std::string& a : firmas_.avisos) Error(o.firmas + ": " + a);
    if (firmas_.firmas.empty()) {
      Error(o.firmas + ": no signatures");
      return false;
    }
    return true;
  }

  // What was found ("" when nothing); a part the daemon could not judge (why, in
  // sin_juicio); a scanner that failed (its exit status in fallo).
  struct Veredicto {
    std::string hallado, sin_juicio;
    int fallo = 0;
  };
  Veredicto Juzgar(const std::string& contenido) {
    Veredicto v;
    if (clamd_) {
      const VeredictoClamd d = clamd_->Escanear(contenido);
      if (d.tipo == VeredictoClamd::Tipo::kHallado) v.hallado = d.texto;
      if (d.tipo == VeredictoClamd::Tipo::kError) v.sin_juicio = d.texto;
    } else if (!orden_.empty()) {
      std::string informe;
      const int estado = EjecutarConEntrada(orden_, contenido, &informe);
      if (estado == 1) v.hallado = NombreDelInforme(informe);
      if (estado != 0 && estado != 1) v.fallo = estado;
    } else {
      const Firma* f = firmas_.Buscar(contenido.size(), firmas_.UsaMd5() ? ResumenMd5(contenido) : "",
                                      firmas_.UsaSha256() ? ResumenSha256(contenido) : "");
      if (f != nullptr) v.hallado = f->nombre;
    }
    return v;
  }

 private:
  std::string orden_;
  std::optional<ClienteClamd> clamd_;
  ListaFirmas firmas_;
};

// The changes the scan makes to one message: each through the library after the backup and a
// private copy of its files, then all checked together against what the store holds and
// undone when the check fails.
class CambiosDeMensaje {
 public:
  CambiosDeMensaje(OE_MENSAJE* m, Copias& copias)
      : m_(m),
        id_(m->IdMensaje),
        archivos_{Campo(m->RutaIndice), Campo(m->RutaBuzon), Campo(m->RutaAlmacen)},
        copias_(copias) {}

  // Each part as the scan saw it, before anything is done with it.
  void Vista(const ParteVista& p) { vistas_.push_back({p.nombre, p.contenido, ACCION_CONSERVAR}); }

  // A part left as it is: after a change the rewrite takes it over unchanged.
  void Conservar(OE_OBJMSG* objeto) {
    if (deshacer_) OE_GuardarObjMsg(m_, objeto, ACCION_CONSERVAR);
  }

  // Does accion to the part seen last; h tells what was done or why not.
  void Aplicar(OE_OBJMSG* objeto, uint32_t accion, HallazgoParte& h) {
    if (!copias_.Asegurar(archivos_)) {
      h.fallo = "no backup";
      return;
    }
    if (!deshacer_) {
      deshacer_.emplace();
      texto_antes_ = std::string(TextoDe(*m_));
      sin_deshacer_ = !deshacer_->Guardar(archivos_);
    }
    if (sin_deshacer_) {
      h.fallo = "no private copy of the store files to undo the change";
      return;
    }
    const uint32_t rg = OE_GuardarObjMsg(m_, objeto, accion);
    if (rg != OE_OK) {
      h.fallo = rg == OE_SIN_MENSAJES ? "no room on the disk" : NombreResultado(rg);
      return;
    }
    h.aplicada = true;
    h.hecho = accion == ACCION_RENOMBRAR ? "renamed" : "removed";
    vistas_.back().accion = accion;
    cola_ = ColaIntacta(texto_antes_, objeto->PosSigParte);
  }

  // After the walk of the parts (rp its result). A failed action drops the message's earlier
  // changes too: only a check of what the store now holds tells what was done. When the check
  // fails the files are put back and the applied findings become errors. False when the files
  // could not be put back.
  bool Comprobar(const Sesion& s, const CarpetaVista& c, uint32_t rp, std::vector<HallazgoParte>& hallados) {
    std::size_t aplicadas = 0;
    for (const HallazgoParte& h : hallados) aplicadas += h.aplicada ? 1 : 0;
    // Without a successful action the library has nothing to write back.
    if (aplicadas == 0) return true;
    std::string problema = herramienta::Comprobar(vistas_, cola_, Releer(s.version, s.carpetas, c, id_));
    if (problema.empty() && rp == OE_FIN) return true;
    if (problema.empty()) problema = "the change was not completed";
    const bool restaurado = deshacer_->Restaurar();
    problema += restaurado ? "; left unchanged" : "; putting the store files back FAILED";
    for (HallazgoParte& h : hallados) {
      if (!h.aplicada) continue;
      h.aplicada = false;
      h.fallo = problema;
    }
    return restaurado;
  }

 private:
  OE_MENSAJE* m_;
  uint32_t id_;
  std::vector<std::string> archivos_;
  Copias& copias_;
  std::vector<ParteEscaneada> vistas_;
  std::optional<Deshacer> deshacer_;  // taken before the message's first change
  std::string texto_antes_;
  std::string cola_;                  // the text after the last part acted on
  bool sin_deshacer_ = false;
};

}  // namespace

int OrdenEscanear(const Opciones& o) {
  Juez juez;
  if (!juez.Preparar(o)) return kSalidaError;
  static const std::map<std::string, uint32_t> kAcciones = {
      {"keep", ACCION_CONSERVAR}, {"rename", ACCION_RENOMBRAR}, {"remove", ACCION_BORRAR}};
  const auto accion = kAcciones.find(o.accion);
  if (accion == kAcciones.end()) {
    Error("--action is keep, rename or remove");
    return kSalidaError;
  }
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const Sesion& s = *e->sesion;

  const bool cambiar = accion->second != ACCION_CONSERVAR && !o.simulacion;
  if (cambiar && !s.reconstruido.empty()) {
    Error("this store is read through a rebuilt " + s.reconstruido + " in a temporary folder, so --action " +
          o.accion + " is refused; look first with --dry-run" +
          (s.reconstruido == "index" ? ", or keep the rebuilt index beside the mailbox with --write-index" : ""));
    return kSalidaError;
  }
  Copias copias(o.copia, cambiar && !o.sin_copia);
  std::size_t partes = 0, hallazgos = 0, cambios = 0, errores = 0;
  bool detenido = false;  // the scanner failed: the scan ends after this message
  Recorrido recorrido(o, *e);
  Informe& informe = recorrido.informe;
  Salida salida(o.json, kColumnasHallazgos);
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    const uint32_t id = m->IdMensaje;
    std::vector<HallazgoParte> hallados;
    CambiosDeMensaje cambios_mensaje(m, copias);
    const uint32_t rp = RecorrerPartes(m, [&](OE_OBJMSG* objeto, const ParteVista& p) {
      cambios_mensaje.Vista(p);
      std::string hallado;
      if (!detenido) {
        ++partes;
        const Juez::Veredicto v = juez.Juzgar(p.contenido);
        hallado = v.hallado;
        // A part the daemon cannot judge is an error of its own; the walk goes on.
        if (!v.sin_juicio.empty()) {
          informe.Mensaje(c, posicion, id, "part " + std::to_string(p.numero) + " was not scanned: " + v.sin_juicio);
        }
        if (v.fallo != 0) {
          Error("the scanner failed on part " + std::to_string(p.numero) + " of message " + std::to_string(id) +
                " in " + AUtf8(c.ruta) + " (exit status " + std::to_string(v.fallo) + "); the scan stops here");
          ++errores;
          detenido = true;
        }
      }
      if (hallado.empty()) {
        cambios_mensaje.Conservar(objeto);
        return true;
      }
      ++hallazgos;
      HallazgoParte h{p.numero, p.nombre, hallado, o.accion, "", "", p.contenido.size(), false};
      if (posicion == kRecuperado && accion->second != ACCION_CONSERVAR) {
        h.nota = "recovered past the end of the listing: report only";
        h.hecho += " (not done: recovered, report only)";
      } else if (!cambiar) {
        if (o.simulacion && accion->second != ACCION_CONSERVAR) h.hecho += " (dry run)";
      } else if (accion->second == ACCION_RENOMBRAR && TerminaEnVir(p.nombre)) {
        h.nota = "already renamed";
        h.hecho += " (not needed: already .VIR)";
      } else if (accion->second == ACCION_RENOMBRAR && p.nombre.empty()) {
        h.fallo = "a message body has no name to change";
      } else {
        cambios_mensaje.Aplicar(objeto, accion->second, h);
      }
      hallados.push_back(std::move(h));
      return true;
    });
    if (rp != OE_FIN) informe.Mensaje(c, posicion, id, PartesIlegibles(rp));
    const bool restaurado = cambios_mensaje.Comprobar(s, c, rp, hallados);
    for (HallazgoParte& h : hallados) {
      if (h.aplicada) {
        ++cambios;
      } else if (!h.fallo.empty()) {
        ++errores;
        h.hecho = o.accion + " (not done: " + h.fallo + ")";
      }
      salida.Escribir(Marcado(RegistroHallazgo(c, id, h, o.accion, o.simulacion), posicion, 1));
    }
    if (!restaurado) {
      Error("the store files of " + AUtf8(c.ruta) + " could not be put back after a failed change; restore them from " +
            (copias.Destino().empty() ? std::string("a copy of your own") : copias.Destino().string()) +
            "; the scan stops here");
      detenido = true;
    }
    return !detenido;
  };
  const uint32_t r = recorrido.Recorrer(visita);
  if (r != OE_OK) {
    FalloListado(s, r);
    ++errores;
  }
  errores += informe.fallos;
  Registro resumen{{{"type", "summary"},
                    {"folders", e->carpetas.size()},
                    {"messages", recorrido.cuenta.mensajes},
                    {"parts", partes},
                    {"found", hallazgos},
                    {"changed", cambios},
                    {"errors", errores},
                    {"backup", nullptr}}};
  if (!copias.Destino().empty()) resumen.campos["backup"] = copias.Destino().string();
  informe.Resumir(resumen.campos);
  resumen.campos["complete"] = !detenido;
  resumen.linea = (detenido ? "Scan STOPPED before the end; up to then scanned " : "Scanned ") +
                  Cuantos(recorrido.cuenta.mensajes, "message") + " (" + Cuantos(partes, "part") + ") in " +
                  Cuantos(e->carpetas.size(), "folder") + ": " + std::to_string(hallazgos) + " found, " +
                  std::to_string(cambios) + " changed, " + Cuantos(errores, "error") + informe.Omitidos() + informe.Recuperados() + ".";
  if (!copias.Destino().empty()) resumen.linea += "\nStore files backed up in " + copias.Destino().string();
  salida.Imprimir();
  salida.Escribir(resumen);
  if (errores > 0 || informe.Algo() || detenido) return kSalidaError;
  return hallazgos > 0 ? kSalidaHallazgo : kSalidaBien;
}

}  // namespace orvex::herramienta
