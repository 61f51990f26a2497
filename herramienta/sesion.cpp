#include "herramienta/sesion.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

#include "escritura/buzon.h"
#include "herramienta/almacen.h"
#include "herramienta/cambio.h"
#include "herramienta/hallazgo.h"
#include "herramienta/reconstruccion.h"
#include "herramienta/salida.h"
#include "herramienta/sistema.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;

Sesion::~Sesion() {
  if (!temporal.empty()) {
    std::error_code ec;
    fs::remove_all(temporal, ec);
  }
}

const char* NombreGeneracion(uint32_t v) {
  switch (v) {
    case VERSION_OE5: return "Outlook Express 5/6";
    case VERSION_OE4: return "Outlook Express 4";
    case VERSION_IMN: return "Internet Mail and News";
    default: return "none";
  }
}

// Why the library could not read a file it names, as far as this command can see: the file
// is missing, its path is too long for the library, it cannot be opened, or it is damaged.
std::string RazonArchivo(const std::string& ruta) {
  if (ruta.empty()) return "the library names no file for it";
  if (ruta.size() >= kLongRutaBiblioteca) {
    return "its path is too long for the library (" + std::to_string(ruta.size()) + " characters; it keeps at most " +
           std::to_string(kLongRutaBiblioteca) + ")";
  }
  const std::optional<fs::path> local = RutaLocal(ruta);
  if (!local) return "the file is missing";
  std::ifstream f(*local, std::ios::binary);
  if (!f) return "the file cannot be read";
  return "the file is damaged";
}

// The file of a folder to name in an error: the first of its files that is missing or
// unreadable, else its message file.
std::string ArchivoDeCarpeta(const CarpetaVista& c) {
  for (const std::string* r : {&c.archivo, &c.buzon}) {
    if (!r->empty() && RazonArchivo(*r) != "the file is damaged") return *r;
  }
  return c.archivo.empty() ? c.buzon : c.archivo;
}

// A library path as the user can find it: the local file when there is one.
std::string RutaMostrada(const std::string& ruta) {
  const std::optional<fs::path> local = ruta.empty() ? std::nullopt : RutaLocal(ruta);
  // A store set up in a temporary folder links to the user's files: name those.
  std::error_code ec;
  if (local && fs::is_symlink(*local, ec)) return AUtf8(fs::read_symlink(*local, ec).string());
  if (local) return AUtf8(local->string());
  std::string r = ruta;
  // A store given with --store on this system: its paths are local ones with '\\' added.
  if (fs::path::preferred_separator == '/' && r.starts_with('/')) std::replace(r.begin(), r.end(), '\\', '/');
  return AUtf8(r);
}

int FalloListado(const Sesion& s, uint32_t r) {
  Error(std::string("cannot read the folder list again (") + NombreResultado(r) + "): " + RutaMostrada(s.lista) +
        ": " + RazonArchivo(s.lista));
  return kSalidaError;
}

namespace {

void ExplicarSinAlmacen(const Opciones& o) {
  std::string demo = "orvex_demo";
  std::error_code ec;
  const fs::path junto = fs::path(o.programa).parent_path() / "orvex_demo";
  if (!o.programa.empty() && fs::exists(junto, ec)) demo = junto.string();
  std::cerr << "orvex: no mail store found.\n"
               "The library finds a store through the registry entries of the mail client;\n"
               "here they come from the regedit export file named by ORVEX_REGISTRY, which is "
            << (std::getenv("ORVEX_REGISTRY") ? "set but names no store." : "not set.")
            << "\n\n"
               "  Point at a store folder:  orvex --store DIR folders\n"
               "                            (DIR holds folders.dbx, mail\\folders.nch, or Mail\\*.mbx)\n"
               "  Or at a registry export:  orvex --registry FILE.reg folders\n"
               "  Or try the demo store:    "
            << demo << " /tmp/orvex-demo && orvex --store /tmp/orvex-demo/store folders\n";
}

// With --write-index: each index rebuilt from its mailbox is written beside it, after a copy of
// the index it replaces (unless --no-backup). False after an error message.
bool EscribirIndices(const Opciones& o, const AlmacenHallado& h) {
  fs::path destino;
  for (const Buzon& b : h.buzones) {
    if (b.indice_bueno) continue;
    std::error_code ec;
    if (!b.idx.empty() && !o.sin_copia) {
      if (destino.empty()) {
        destino = CarpetaCopias(o.copia, h.datos);
        fs::create_directories(destino, ec);
      }
      if (ec || !fs::copy_file(b.idx, destino / b.idx.filename(), ec)) {
        Error("cannot back up " + b.idx.string() + " into " + destino.string() + "; its index was not written");
        return false;
      }
    }
    const fs::path idx = b.idx.empty() ? fs::path(b.mbx).replace_extension(".idx") : b.idx;
    std::ifstream f(b.mbx, std::ios::binary);
    const std::vector<uint8_t> mbx((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> nuevo = escritura::IndiceDeBuzon(h.version, mbx);
    std::ofstream salida(idx, std::ios::binary | std::ios::trunc);
    salida.write(reinterpret_cast<const char*>(nuevo.data()), static_cast<std::streamsize>(nuevo.size()));
    if (!salida.flush()) {
      Error("cannot write the rebuilt index " + idx.string());
      return false;
    }
    Aviso(idx.string() + ": written from the message records of " + b.mbx.filename().string() +
          (destino.empty() ? std::string() : "; the old index is in " + destino.string()));
  }
  return true;
}

// The store that PATH (--store) names: the one store at or below it, as it is when its folder list
// and indexes are sound, else set up in the session's temporary folder with what is lost rebuilt.
std::optional<AlmacenReconocido> AlmacenDeEntrada(const Opciones& o, Sesion& s) {
  std::string aviso;
  std::vector<AlmacenHallado> hallados = BuscarAlmacenes(o.almacen, {}, &aviso);
  if (!aviso.empty()) Aviso(aviso);
  if (hallados.empty()) {
    Error("no mail store in " + o.almacen +
          ": expected folders.dbx or .dbx message files (Outlook Express 5/6), mail/folders.nch\n"
          "(Outlook Express 4) or .mbx mailboxes (Internet Mail and News)");
    return std::nullopt;
  }
  if (hallados.size() > 1) {
    std::string texto = Cuantos(hallados.size(), "mail store") + " in " + o.almacen + "; give one of them:";
    for (const AlmacenHallado& h : hallados) texto += "\n  " + h.datos.string();
    Error(texto + "\n(`orvex find " + o.almacen + "` lists them)");
    return std::nullopt;
  }
  if (o.escribir_indice && hallados.front().SinIndice() && !o.simulacion) {
    if (!EscribirIndices(o, hallados.front())) return std::nullopt;
    hallados = BuscarAlmacenes(o.almacen, {}, nullptr);
    if (hallados.size() != 1) return std::nullopt;
  }
  const AlmacenHallado& h = hallados.front();
  s.temporal = CarpetaTemporalNueva();
  if (s.temporal.empty()) {
    Error("cannot create a temporary folder for the registry file");
    return std::nullopt;
  }
  if (!h.solo_archivo && !h.SinLista() && !h.SinIndice()) {
    if (std::optional<AlmacenReconocido> a = ReconocerAlmacen(h.datos)) return a;
  }
  AlmacenTemporal t;
  std::string error;
  if (!PrepararTemporal(h, s.temporal / "store", &t, &error)) {
    Error(error);
    return std::nullopt;
  }
  for (const std::string& a : t.avisos) Aviso(a);
  s.reconstruido = t.lista_reconstruida ? "folder list" : "index";
  s.origen = h.datos;
  return t.almacen;
}

bool PrepararAlmacen(const Opciones& o, Sesion& s) {
  for (const std::string& u : o.unidades) {
    if (u.size() < 3 || !std::isalpha(static_cast<unsigned char>(u[0])) || u[1] != '=') {
      Error("--drive wants LETTER=DIR, as in C=/mnt/windows; got \"" + u + "\"");
      return false;
    }
    std::error_code ec;
    const fs::path dir = fs::absolute(u.substr(2), ec);
    if (ec || !fs::is_directory(dir, ec)) {
      Error("--drive " + u + ": not a folder");
      return false;
    }
    const char letra = static_cast<char>(std::toupper(static_cast<unsigned char>(u[0])));
    FijarEntorno(std::string("ORVEX_DRIVE_") + letra, dir.string());
  }
  if (!o.registro.empty()) {
    std::error_code ec;
    const fs::path archivo = fs::absolute(o.registro, ec);
    if (ec || !fs::is_regular_file(archivo, ec)) {
      Error("--registry " + o.registro + ": no such file");
      return false;
    }
    FijarEntorno("ORVEX_REGISTRY", archivo.string());
  }
  if (!o.almacen.empty()) {
    std::optional<AlmacenReconocido> a = AlmacenDeEntrada(o, s);
    if (!a) return false;
    fs::path raiz = a->raiz;
    if (raiz.empty()) {
      // The client finds these files in a subfolder of a fixed name: lend it one.
      std::error_code ec;
      fs::create_directory_symlink(a->datos, s.temporal / a->subcarpeta, ec);
      if (ec) {
        Error("the store files must be in a folder named " + a->subcarpeta + " (cannot link one: " + ec.message() +
              ")");
        return false;
      }
      raiz = s.temporal;
    }
    // Paths for the library in its own code page.
    if (a->version == VERSION_OE5) s.archivo_lista = RutaAnsi(raiz / "folders.dbx");
    if (a->version == VERSION_OE4) s.archivo_lista = RutaAnsi(raiz / "mail" / "folders.nch");
    const fs::path archivo = s.temporal / "store.reg";
    std::ofstream(archivo, std::ios::binary) << TextoRegistro(a->version, RutaAnsi(raiz), kUsuarioDemo,
                                                              a->cuentas_noticias);
    FijarEntorno("ORVEX_REGISTRY", RutaAnsi(archivo));
  }
  s.version = OE_ObtenerVersionOE();
  if (s.version == VERSION_NINGUNA && s.archivo_lista.size() >= kLongRutaBiblioteca) {
    Error("cannot read the store in " + o.almacen + ": " + s.archivo_lista + ": " + RazonArchivo(s.archivo_lista));
    return false;
  }
  if (s.version == VERSION_NINGUNA) {
    ExplicarSinAlmacen(o);
    return false;
  }
  if (s.version == VERSION_OE5) {
    const uint32_t r = OE_IniciarIdentities(o.identidad.empty() ? nullptr : o.identidad.c_str());
    if (r != OE_OK) {
      std::string texto = o.identidad.empty() ? "the registry names no default identity"
                                              : "no identity is called \"" + o.identidad + "\"";
      const std::vector<std::string> nombres = Identidades();
      if (!nombres.empty()) {
        texto += "; the identities are:";
        for (const std::string& n : nombres) texto += "\n  " + AUtf8(n);
        texto += "\nchoose one with --identity NAME";
      }
      Error(texto);
      return false;
    }
    s.identidad = o.identidad.empty() ? "(default)" : o.identidad;
  } else if (!o.identidad.empty()) {
    Error(std::string("--identity is ignored: ") + NombreGeneracion(s.version) + " stores have no identities");
  }
  const uint32_t r = ListarCarpetas(s.version, &s.carpetas, &s.fallos_lista);
  if (!s.carpetas.empty()) s.lista = s.carpetas.front().almacen;
  if (r != OE_OK || (s.carpetas.empty() && !s.fallos_lista.empty())) {
    std::string texto = std::string("cannot read the folder list of the ") + NombreGeneracion(s.version) +
                        " store (" + NombreResultado(r == OE_OK ? s.fallos_lista.front().codigo : r) + ")";
    if (s.lista.empty()) s.lista = s.archivo_lista;
    if (!s.lista.empty()) {
      texto += ": " + RutaMostrada(s.lista) + ": " + RazonArchivo(s.lista);
    } else {
      texto += ": its file is missing, unreadable or damaged";
    }
    Error(texto);
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<Sesion> AbrirSesion(const Opciones& o) {
  auto s = std::make_unique<Sesion>();
  if (!PrepararAlmacen(o, *s)) return nullptr;
  return s;
}

std::optional<Eleccion> AbrirYElegir(const Opciones& o) {
  Eleccion e{AbrirSesion(o), {}, {}};
  if (!e.sesion) return std::nullopt;
  std::string error;
  e.carpetas = ElegirCarpetas(e.sesion->carpetas, o.carpeta, &error);
  if (!error.empty()) {
    Error(error);
    return std::nullopt;
  }
  for (const CarpetaVista* c : e.carpetas) e.claves.insert(c->Clave());
  return e;
}

}  // namespace orvex::herramienta
