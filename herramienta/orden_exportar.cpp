// orvex export: the raw message texts of the chosen folders as .eml files, one mbox per
// folder or one Maildir per folder; --sync writes into an earlier export only what it lacks.
#include <chrono>
#include <ctime>
#include <map>
#include <set>
#include <system_error>

#include "herramienta/destino.h"
#include "herramienta/maildir.h"
#include "herramienta/mbox.h"
#include "herramienta/ordenes.h"
#include "herramienta/plantilla.h"
#include "herramienta/recorrido.h"
#include "herramienta/registros.h"
#include "herramienta/salida.h"
#include "herramienta/sanear.h"
#include "herramienta/sesion.h"
#include "herramienta/sincronia.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

namespace fs = std::filesystem;

// A record date as seconds since 1970, read as this machine's local time.
std::optional<int64_t> SegundosDeFecha(std::string_view fecha) {
  const std::optional<Fecha> f = LeerFecha(fecha);
  if (!f) return std::nullopt;
  std::tm t{};
  t.tm_year = f->anio - 1900;
  t.tm_mon = f->mes - 1;
  t.tm_mday = f->dia;
  t.tm_hour = f->hora;
  t.tm_min = f->minuto;
  t.tm_isdst = -1;
  const std::time_t segundos = std::mktime(&t);
  if (segundos == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<int64_t>(segundos);
}

// An exported message file dated as its message, so file managers sort it by the mail's date.
// A date outside 1970-2100 (a record without one reads as 1601) is no date for a file: the file
// keeps the time it was written, and the file clock cannot hold such times anyway.
std::optional<int64_t> FechaDeArchivo(std::optional<int64_t> segundos) {
  constexpr int64_t k2100 = 4102444800;
  if (!segundos || *segundos < 0 || *segundos >= k2100) return std::nullopt;
  return segundos;
}

void FecharArchivo(const fs::path& archivo, std::optional<int64_t> segundos) {
  segundos = FechaDeArchivo(segundos);
  if (!segundos) return;
  std::error_code ec;
  const std::chrono::sys_seconds cuando{std::chrono::seconds(*segundos)};
  fs::last_write_time(archivo, std::chrono::file_clock::from_sys(cuando), ec);
}

// The mbox being written: one per folder, created with its first message, told when closed.
class BuzonSalida {
 public:
  explicit BuzonSalida(Salida& salida) : salida_(salida) {}
  // Appends a message of folder c; false after an error message.
  bool Anadir(const fs::path& base, const CarpetaVista& c, const std::string& bloque) {
    if (carpeta_ != &c) {
      Cerrar();
      const fs::path dir = CarpetaSalida(base, c);
      std::error_code ec;
      fs::create_directories(dir.parent_path(), ec);
      archivo_ = CrearArchivoUnico(dir.parent_path(), TextoRuta(dir.filename()) + ".mbox", "folder.mbox");
      if (!archivo_) {
        Error("cannot create a mailbox for " + AUtf8(c.ruta) + " in " + TextoRuta(dir.parent_path()));
        return false;
      }
      carpeta_ = &c;
      mensajes_ = 0;
    }
    if (!EscribirTodo(archivo_->archivo.get(), bloque)) {
      Error("cannot write " + TextoRuta(archivo_->ruta));
      return false;
    }
    ++mensajes_;
    return true;
  }
  // Tells the mailbox written; false when this or an earlier one could not be written whole.
  bool Cerrar() {
    if (!archivo_) return bien_;
    if (std::fflush(archivo_->archivo.get()) != 0) {
      Error("cannot write " + TextoRuta(archivo_->ruta));
      bien_ = false;
    }
    salida_.Escribir(RegistroBuzonExportado(*carpeta_, mensajes_, archivo_->ruta));
    archivo_.reset();
    return bien_;
  }

 private:
  Salida& salida_;
  std::optional<ArchivoCreado> archivo_;
  const CarpetaVista* carpeta_ = nullptr;
  std::size_t mensajes_ = 0;
  bool bien_ = true;
};

}  // namespace

int OrdenExportar(const Opciones& o) {
  const bool mbox = o.formato == "mbox";
  const bool maildir = o.formato == "maildir";
  if (!o.plantilla.empty() && o.formato != "eml") {
    Error("--name names .eml files; an mbox is named after its folder, Maildir files by the Maildir rules");
    return kSalidaError;
  }
  if (mbox && o.sincronizar) {
    Error("--sync works with the eml and maildir formats: an mbox file holds a whole folder");
    return kSalidaError;
  }
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const Sesion& s = *e->sesion;
  if (!CrearSalida(o.salida)) return kSalidaError;
  const std::string_view plantilla = o.plantilla.empty() ? kPlantillaDefecto : std::string_view(o.plantilla);

  bool fallo = false;
  std::size_t escritos = 0;
  Recorrido recorrido(o, *e);
  Salida salida(o.json, ColumnasExportados(mbox));
  // --sync: the files an earlier export left for each chosen folder, read before writing.
  std::map<uint64_t, ExportadosPrevios> previos;
  if (o.sincronizar) {
    for (const CarpetaVista* c : e->carpetas) {
      previos.emplace(c->Clave(), ExportadosPrevios(CarpetaSalida(o.salida, *c), maildir));
    }
  }
  std::set<uint64_t> incompletas;  // folders not read whole: --delete leaves their files
  std::size_t sin_cambio = 0, borrados = 0;
  BuzonSalida buzon(salida);
  std::optional<CarpetaDestino> carpeta_eml;  // where the last .eml went
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    const std::string_view texto = TextoDe(*m);
    if (mbox) {
      std::string bloque = LineaFrom(Remitente(s, *m), Campo(m->Fecha));
      AnadirCuerpoMboxrd(bloque, texto);
      fallo = !buzon.Anadir(o.salida, c, bloque);
      escritos += fallo ? 0 : 1;
      return !fallo;
    }
    const fs::path dir = CarpetaSalida(o.salida, c);
    const std::string en_maildir = maildir ? TextoMaildir(texto) : std::string();
    const std::string_view escrito = maildir ? std::string_view(en_maildir) : texto;
    fs::path archivo;
    if (o.sincronizar && previos[c.Clave()].Tomar(escrito, &archivo)) {
      ++sin_cambio;
      salida.Escribir(Marcado(RegistroSinCambio(c, m->IdMensaje, archivo), posicion, 1));
      return true;
    }
    const std::optional<int64_t> segundos = SegundosDeFecha(Campo(m->Fecha));
    bool bien = false;
    if (maildir) {
      const std::optional<fs::path> entregado =
          EntregarMaildir(dir, escrito, segundos.value_or(static_cast<int64_t>(std::time(nullptr))));
      if (entregado) archivo = *entregado;
      bien = entregado.has_value();
      if (bien) FecharArchivo(archivo, segundos);
    } else {
      // The folder is made and opened once for all its messages.
      if (!carpeta_eml || carpeta_eml->Ruta() != dir) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        carpeta_eml = CarpetaDestino::Abrir(dir);
      }
      char numero[16];
      std::snprintf(numero, sizeof numero, "%06u", m->IdMensaje);
      const std::string nombre = NombreMensaje(s, *m, plantilla);
      std::optional<fs::path> a;
      if (carpeta_eml) {
        a = EscribirArchivoUnico(*carpeta_eml, nombre + ".eml", std::string(numero) + ".eml", escrito,
                                 FechaDeArchivo(segundos));
      }
      bien = a.has_value();
      if (a) archivo = *a;
    }
    if (!bien) {
      Error("cannot write message " + std::to_string(m->IdMensaje) + " of " + AUtf8(c.ruta) + " into " +
            TextoRuta(dir));
      fallo = true;
      return false;
    }
    ++escritos;
    salida.Escribir(Marcado(RegistroExportado(c, m->IdMensaje, archivo), posicion, 1));
    return true;
  };
  const uint32_t r = recorrido.Recorrer(visita, [&](const Tropiezo& tr) {
    if (tr.carpeta != nullptr) incompletas.insert(tr.carpeta->Clave());
  });
  if (!buzon.Cerrar()) fallo = true;
  salida.Imprimir();
  if (r != OE_OK) return FalloListado(s, r);
  if (fallo) return kSalidaError;
  // --delete: what the store no longer holds, only where every message could be read.
  for (const CarpetaVista* c : o.borrar ? e->carpetas : std::vector<const CarpetaVista*>()) {
    const std::vector<fs::path> sobrantes = previos[c->Clave()].Sobrantes();
    if (sobrantes.empty()) continue;
    if (incompletas.contains(c->Clave())) {
      Error(AUtf8(c->ruta) + ": not read whole, so its " + Cuantos(sobrantes.size(), "file") +
            " of messages not found are kept");
      continue;
    }
    for (const fs::path& p : sobrantes) {
      std::error_code ec;
      if (!fs::remove(p, ec)) {
        Error("cannot delete " + TextoRuta(p) + (ec ? ": " + ec.message() : ""));
        ++recorrido.informe.fallos;
        continue;
      }
      ++borrados;
      salida.Escribir(RegistroBorrado(*c, p));
    }
  }
  if (escritos == 0 && !o.sincronizar) {
    Error("nothing to export: the " + Cuantos(e->carpetas.size(), "folder") + " chosen hold no readable messages");
  }
  const std::string linea = o.sincronizar ? "Exported " + Cuantos(escritos, "message") + "; " +
                                                std::to_string(sin_cambio) + " already there were skipped; " +
                                                Cuantos(borrados, "file") + " deleted."
                                          : std::string();
  return recorrido.Terminar(
      {{"type", "summary"}, {"exported", escritos}, {"unchanged", sin_cambio}, {"deleted", borrados}}, linea);
}

}  // namespace orvex::herramienta
