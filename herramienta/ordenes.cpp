#include "herramienta/ordenes.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <system_error>

#include "almacen_oe5/formato_dbx.h"
#include "escritura/buzon.h"
#include "herramienta/almacen.h"
#include "herramienta/cambio.h"
#include "herramienta/clamd.h"
#include "herramienta/cliente.h"
#include "herramienta/firmas.h"
#include "herramienta/hallazgo.h"
#include "herramienta/maildir.h"
#include "herramienta/mbox.h"
#include "herramienta/plantilla.h"
#include "herramienta/reconstruccion.h"
#include "herramienta/resumen.h"
#include "herramienta/sanear.h"
#include "herramienta/sincronia.h"
#include "herramienta/sistema.h"
#include "herramienta/tabla.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

// Widths of the free-text columns of the tables.
constexpr std::size_t kAnchoRemitente = 32;
constexpr std::size_t kAnchoAsunto = 50;

void Error(const std::string& texto) { std::cerr << "orvex: " << texto << '\n'; }

void EmitirJson(const json& j) {
  std::cout << j.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

// A line about a message: one read by the recovery scanner past the end of the library's listing says so.
void EmitirJson(json linea, uint32_t posicion) {
  if (posicion == kRecuperado) linea["source"] = "recovered";
  EmitirJson(linea);
}

// The message column of a table, marked for a recovered message.
std::string ColumnaMensaje(uint32_t id, uint32_t posicion) {
  return std::to_string(id) + (posicion == kRecuperado ? " (recovered)" : "");
}

const char* NombreGeneracion(uint32_t v) {
  switch (v) {
    case VERSION_OE5: return "Outlook Express 5/6";
    case VERSION_OE4: return "Outlook Express 4";
    case VERSION_IMN: return "Internet Mail and News";
    default: return "none";
  }
}

std::string Carpeta(const std::string& ruta_archivo) {
  const std::size_t corte = ruta_archivo.find_last_of("\\/");
  return corte == std::string::npos ? std::string() : ruta_archivo.substr(0, corte);
}

// Everything set up for one run: the environment the library reads, and the temporary
// registry file (with its folder) that --store writes, removed at the end.
class Sesion {
 public:
  ~Sesion() {
    if (!temporal.empty()) {
      std::error_code ec;
      fs::remove_all(temporal, ec);
    }
  }
  uint32_t version = 0;
  std::string identidad;
  std::vector<CarpetaVista> carpetas;
  std::vector<FalloLista> fallos_lista;  // folder-list entries passed over
  std::string lista;                     // the folder-list file as the library names it, when known
  std::string archivo_lista;             // the same, as --store expects it
  fs::path temporal;
  // "folder list" or "index" when the store is read through one rebuilt in the temporary folder,
  // and the user's folder it was made from.
  std::string reconstruido;
  fs::path origen;
};

// The longest path the library keeps: its records hold 260 bytes with the closing NUL.
constexpr std::size_t kLongRutaBiblioteca = 259;

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

std::string Cuantos(std::size_t n, const std::string& cosa) {
  return std::to_string(n) + " " + cosa + (n == 1 ? "" : "s");
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

std::string MarcaTiempo() {
  const std::time_t ahora = std::time(nullptr);
  const std::tm utc = *std::gmtime(&ahora);
  char b[32];
  std::strftime(b, sizeof b, "%Y%m%dT%H%M%SZ", &utc);
  return b;
}

void Aviso(const std::string& texto) { std::cerr << "orvex: warning: " << texto << '\n'; }

// With --write-index: each index rebuilt from its mailbox is written beside it, after a copy of
// the index it replaces (unless --no-backup). False after an error message.
bool EscribirIndices(const Opciones& o, const AlmacenHallado& h) {
  fs::path destino;
  for (const Buzon& b : h.buzones) {
    if (b.indice_bueno) continue;
    std::error_code ec;
    if (!b.idx.empty() && !o.sin_copia) {
      if (destino.empty()) {
        destino = o.copia.empty() ? fs::path(h.datos.string() + ".orvex-backup-" + MarcaTiempo()) : fs::path(o.copia);
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

std::unique_ptr<Sesion> AbrirSesion(const Opciones& o) {
  auto s = std::make_unique<Sesion>();
  if (!PrepararAlmacen(o, *s)) return nullptr;
  return s;
}

// A command's session and the folders its FOLDER selector names (with their keys for
// RecorrerMensajes); empty after an error message.
struct Eleccion {
  std::unique_ptr<Sesion> sesion;
  std::vector<const CarpetaVista*> carpetas;
  std::set<uint64_t> claves;
};

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

int FalloListado(const Sesion& s, uint32_t r) {
  Error(std::string("cannot read the folder list again (") + NombreResultado(r) + "): " + RutaMostrada(s.lista) +
        ": " + RazonArchivo(s.lista));
  return kSalidaError;
}

// The fields of a message record the command shows, read before a message object is
// opened (opening one empties the sender and subject of the record).
struct MensajeVista {
  uint32_t id;
  std::string fecha, de, asunto;
  uint32_t tamano;
};

std::string_view TextoDe(const OE_MENSAJE& m) {
  if (m.Texto == nullptr) return {};
  return std::string_view(m.Texto, m.LongTexto);
}

// The sender from the message's own From header. The record's sender fields are filled by
// the message object in some generations, so between objects they may hold another message's.
std::string Remitente(const Sesion& s, const OE_MENSAJE& m) {
  std::string de = Cabecera(TextoDe(m), "From");
  if (de.empty() && s.version != VERSION_OE5) de = Campo(m.De);
  return de;
}

// The subject from the message's own header when the text is there: the record's copy keeps
// the previous message's subject when a text has none.
std::string Asunto(const OE_MENSAJE& m) {
  if (m.Texto == nullptr) return Campo(m.Asunto);
  return Cabecera(TextoDe(m), "Subject");
}

// The name a template gives a message, from its own headers (read before its object is opened).
std::string NombreMensaje(const Sesion& s, const OE_MENSAJE& m, std::string_view plantilla) {
  return NombrePorPlantilla(plantilla, {m.IdMensaje, Campo(m.Fecha), Remitente(s, m), Asunto(m)});
}

MensajeVista LeerMensaje(const Sesion& s, const OE_MENSAJE& m) {
  MensajeVista v;
  v.id = m.IdMensaje;
  v.fecha = FechaLegible(Campo(m.Fecha));
  v.de = TextoCabecera(Remitente(s, m));
  v.asunto = TextoCabecera(Asunto(m));
  v.tamano = m.LongTexto;
  return v;
}

// The steps of a walk that were passed over or failed: each told as it happens (an "error"
// line with --json, a warning otherwise) and counted for the walk's summary and exit status.
class Informe {
 public:
  // Tells the folder-list entries the session passed over.
  Informe(const Opciones& o, const Sesion& s) : json_(o.json) {
    for (const FalloLista& f : s.fallos_lista) {
      ++carpetas_omitidas;
      std::string texto = "folder list entry " + std::to_string(f.posicion) + " cannot be read (" +
                          NombreResultado(f.codigo) + "): " + RazonArchivo(s.lista);
      if (f.final) texto += "; the folders after it are not shown";
      Contar(nullptr, s.lista, f.posicion, std::nullopt, texto);
    }
  }

  void Tropiezo(const orvex::herramienta::Tropiezo& t) {
    const std::string archivo = ArchivoDeCarpeta(*t.carpeta);
    std::string texto;
    if (t.en_cabecera != 0) {
      texto = "the listing ends after " + Cuantos(t.posicion - 1, "message") + " but the file's header counts " +
              std::to_string(t.en_cabecera) + " (the library walks at most " + std::to_string(dbx::kMaxNodosMensajes) +
              " index nodes of a file); " +
              (t.recuperados == 0 ? std::string("the rest of the folder is not shown")
                                  : std::to_string(t.recuperados) +
                                        " more are read from the file by the recovery scanner, marked recovered");
    } else if (t.carpeta_entera && t.posicion == 0) {
      texto = std::string("cannot list its messages (") + NombreResultado(t.codigo) + "): " + RazonArchivo(archivo);
    } else if (t.carpeta_entera) {
      texto = "the listing cannot go on past message " + std::to_string(t.posicion) + " (" +
              NombreResultado(t.codigo) + "): " + RazonArchivo(archivo) + "; the rest of the folder is skipped";
    } else {
      texto = std::string("the message cannot be read (") + NombreResultado(t.codigo) +
              "): its text in the file is damaged";
    }
    if (t.en_cabecera != 0) {
      recuperados += t.recuperados;
      mensajes_omitidos += t.en_cabecera - std::min(t.en_cabecera, t.posicion - 1 + t.recuperados);
    } else {
      (t.carpeta_entera ? carpetas_omitidas : mensajes_omitidos)++;
    }
    Contar(t.carpeta, archivo, t.posicion == 0 ? std::optional<uint32_t>() : t.posicion, t.id_mensaje, texto);
  }

  // A message that was listed but could not be handled.
  void Mensaje(const CarpetaVista& c, uint32_t posicion, uint32_t id, const std::string& texto) {
    ++fallos;
    Contar(&c, ArchivoDeCarpeta(c), posicion == kRecuperado ? std::nullopt : std::optional<uint32_t>(posicion), id,
           texto);
  }

  VisitaTropiezo Visita() {
    return [this](const orvex::herramienta::Tropiezo& t) { Tropiezo(t); };
  }

  bool Algo() const { return mensajes_omitidos + carpetas_omitidas + fallos > 0; }

  // The counts of a summary line.
  void Resumir(json& j) const {
    j["skipped_messages"] = mensajes_omitidos;
    j["skipped_folders"] = carpetas_omitidas;
    j["recovered"] = recuperados;
  }

  // "; 3 recovered past the end of the listing" when any were.
  std::string Recuperados() const {
    return recuperados == 0 ? "" : "; " + std::to_string(recuperados) + " recovered past the end of the listing";
  }

  // "; 1 message and 1 folder skipped" when any was.
  std::string Omitidos() const {
    if (mensajes_omitidos + carpetas_omitidas == 0) return "";
    return "; skipped " + Cuantos(mensajes_omitidos, "message") + " and " + Cuantos(carpetas_omitidas, "folder") +
           " that could not be read";
  }

  std::size_t mensajes_omitidos = 0, carpetas_omitidas = 0, fallos = 0, recuperados = 0;

 private:
  void Contar(const CarpetaVista* c, const std::string& archivo, std::optional<uint32_t> posicion,
              std::optional<uint32_t> id, const std::string& texto) {
    if (json_) {
      EmitirJson({{"type", "error"},
                  {"folder_id", c ? json(c->id) : json(nullptr)},
                  {"folder", c ? json(AUtf8(c->ruta)) : json(nullptr)},
                  {"file", RutaMostrada(archivo)},
                  {"position", posicion ? json(*posicion) : json(nullptr)},
                  {"message_id", id ? json(*id) : json(nullptr)},
                  {"error", texto}});
      return;
    }
    std::string donde = c ? AUtf8(c->ruta) : RutaMostrada(archivo);
    if (posicion && c) donde += ", message " + std::to_string(*posicion) + " in the listing";
    if (id) donde += " (id " + std::to_string(*id) + ")";
    if (c) donde += " [" + RutaMostrada(archivo) + "]";
    Error(donde + ": " + texto);
  }

  bool json_;
};

// Counts walked folders, messages and bytes for the progress line.
struct Cuenta {
  std::size_t carpetas = 0, mensajes = 0;
  uint64_t bytes = 0;
  uint32_t ultima = 0;
  bool alguna = false;
  void Mensaje(const CarpetaVista& c, const OE_MENSAJE& m) {
    if (!alguna || c.id != ultima) {
      if (alguna) ++carpetas;
      ultima = c.id;
      alguna = true;
    }
    ++mensajes;
    bytes += m.LongTexto;
  }
};

std::string ExtensionPorTipo(const std::string& tipo) {
  if (tipo == "text/html") return ".html";
  if (tipo.rfind("text/", 0) == 0 || tipo.empty()) return ".txt";
  if (tipo == "message/rfc822") return ".eml";
  return ".bin";
}

// A folder of the output tree for a store folder: each name made safe on its own.
fs::path CarpetaSalida(const fs::path& base, const CarpetaVista& c) {
  fs::path p = base;
  std::size_t inicio = 0;
  while (inicio <= c.ruta.size()) {
    std::size_t fin = c.ruta.find('/', inicio);
    if (fin == std::string::npos) fin = c.ruta.size();
    p /= NombreRuta(SanearNombre(AUtf8(c.ruta.substr(inicio, fin - inicio)), "folder"));
    inicio = fin + 1;
  }
  return p;
}

bool CrearSalida(const std::string& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec)) {
    Error("cannot create the output folder " + dir);
    return false;
  }
  return true;
}

bool EscribirTodo(std::FILE* f, std::string_view datos) {
  return std::fwrite(datos.data(), 1, datos.size(), f) == datos.size();
}

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
void FecharArchivo(const fs::path& archivo, std::optional<int64_t> segundos) {
  constexpr int64_t k2100 = 4102444800;
  if (!segundos || *segundos < 0 || *segundos >= k2100) return;
  std::error_code ec;
  const std::chrono::sys_seconds cuando{std::chrono::seconds(*segundos)};
  fs::last_write_time(archivo, std::chrono::file_clock::from_sys(cuando), ec);
}

}  // namespace

int OrdenInfo(const Opciones& o) {
  const auto s = AbrirSesion(o);
  if (!s) return kSalidaError;
  const Informe informe(o, *s);
  const int bien = informe.Algo() ? kSalidaError : kSalidaBien;
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
  if (o.json) {
    json j = {{"type", "store"},
              {"generation", s->version},
              {"generation_name", NombreGeneracion(s->version)},
              {"identities", identidades},
              {"identity", s->identidad.empty() ? json(nullptr) : json(s->identidad)},
              {"store_root", AUtf8(raiz)},
              {"folders", s->carpetas.size()},
              {"messages", mensajes}};
    EmitirJson(j);
    return bien;
  }
  std::string lista;
  for (const std::string& n : identidades) lista += (lista.empty() ? "" : ", ") + n;
  Tabla t({"Store", ""});
  t.Fila({"generation", std::to_string(s->version) + " (" + NombreGeneracion(s->version) + ")"});
  if (s->version == VERSION_OE5) {
    t.Fila({"identities", lista.empty() ? "(none listed)" : lista});
    t.Fila({"identity", s->identidad});
  }
  t.Fila({"store root", AUtf8(raiz)});
  t.Fila({"folders", std::to_string(s->carpetas.size())});
  t.Fila({"messages", std::to_string(mensajes)});
  t.Imprimir(std::cout);
  return bien;
}

int OrdenCarpetas(const Opciones& o) {
  const auto s = AbrirSesion(o);
  if (!s) return kSalidaError;
  const Informe informe(o, *s);
  const int bien = informe.Algo() ? kSalidaError : kSalidaBien;
  const std::vector<const CarpetaVista*> orden = OrdenArbol(s->carpetas);
  if (o.json) {
    for (const CarpetaVista* c : orden) {
      EmitirJson({{"type", "folder"},
                  {"id", c->id},
                  {"parent", c->padre},
                  {"name", AUtf8(c->nombre)},
                  {"path", AUtf8(c->ruta)},
                  {"depth", c->profundidad},
                  {"messages", c->num_mensajes},
                  {"file", AUtf8(c->archivo)}});
    }
    return bien;
  }
  if (o.plano) {
    Tabla t({">ID", ">Parent", ">Messages", "Folder", "File"});
    for (const CarpetaVista& c : s->carpetas) {
      t.Fila({std::to_string(c.id), std::to_string(c.padre), std::to_string(c.num_mensajes), AUtf8(c.ruta),
              AUtf8(c.archivo)});
    }
    t.Imprimir(std::cout);
    return bien;
  }
  Tabla t({"Folder", ">Messages", ">ID"});
  for (const CarpetaVista* c : orden) {
    t.Fila({std::string(2 * static_cast<std::size_t>(c->profundidad), ' ') + AUtf8(c->nombre),
            std::to_string(c->num_mensajes), std::to_string(c->id)});
  }
  t.Imprimir(std::cout);
  return bien;
}

namespace {

// The end of a walk that is not a scan: a summary line with --json, a warning when something
// was passed over, and the exit status.
int TerminarRecorrido(const Opciones& o, const Informe& informe, const Cuenta& cuenta, std::size_t carpetas,
                      json resumen) {
  if (o.json) {
    resumen["folders"] = carpetas;
    resumen["messages"] = cuenta.mensajes;
    informe.Resumir(resumen);
    resumen["errors"] = informe.fallos;
    EmitirJson(resumen);
  } else if (informe.Algo()) {
    std::string texto = "incomplete: " + Cuantos(informe.mensajes_omitidos, "message") + " and " +
                        Cuantos(informe.carpetas_omitidas, "folder") + " could not be read";
    if (informe.fallos > 0) texto += ", " + Cuantos(informe.fallos, "other error");
    Error(texto + " (see above)");
  }
  return informe.Algo() ? kSalidaError : kSalidaBien;
}

}  // namespace

int OrdenMensajes(const Opciones& o) {
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const auto& [s, elegidas, ids] = *e;

  Informe informe(o, *s);
  Cuenta cuenta;
  Progreso progreso(!o.json && ErrorEsTerminal());
  std::vector<std::vector<std::string>> filas;
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    cuenta.Mensaje(c, *m);
    progreso.Actualizar(cuenta.carpetas, cuenta.mensajes, cuenta.bytes);
    const MensajeVista v = LeerMensaje(*s, *m);
    std::optional<uint32_t> partes;
    uint32_t n = 0;
    const uint32_t rp = RecorrerPartes(m, [&n](OE_OBJMSG*, const ParteVista&) {
      ++n;
      return true;
    });
    if (rp == OE_FIN) {
      partes = n;
    } else {
      informe.Mensaje(c, posicion, v.id, std::string("its parts cannot be read (") + NombreResultado(rp) + ")");
    }
    if (o.json) {
      EmitirJson({{"type", "message"},
                  {"folder_id", c.id},
                  {"folder", AUtf8(c.ruta)},
                  {"id", v.id},
                  {"date", v.fecha},
                  {"from", v.de},
                  {"subject", v.asunto},
                  {"size", v.tamano},
                  {"parts", partes ? json(*partes) : json(nullptr)}}, posicion);
    } else {
      filas.push_back({AUtf8(c.ruta), ColumnaMensaje(v.id, posicion), v.fecha, CortarAncho(v.de, kAnchoRemitente),
                       CortarAncho(v.asunto, kAnchoAsunto), std::to_string(v.tamano),
                       partes ? std::to_string(*partes) : "-"});
    }
    return true;
  };
  const uint32_t r = RecorrerMensajes(s->version, s->carpetas, ids, visita, informe.Visita());
  progreso.Terminar();
  if (!o.json) {
    const bool varias = elegidas.size() > 1;
    Tabla t(varias ? std::vector<std::string>{"Folder", ">ID", "Date", "From", "Subject", ">Size", ">Parts"}
                   : std::vector<std::string>{">ID", "Date", "From", "Subject", ">Size", ">Parts"});
    for (auto& f : filas) {
      if (!varias) f.erase(f.begin());
      t.Fila(std::move(f));
    }
    if (!t.Vacia()) t.Imprimir(std::cout);
  }
  if (r != OE_OK) return FalloListado(*s, r);
  return TerminarRecorrido(o, informe, cuenta, elegidas.size(), {{"type", "summary"}});
}

int OrdenPartes(const Opciones& o) {
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const auto& [s, elegidas, ids] = *e;
  if (elegidas.size() != 1) {
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
  Informe informe(o, *s);
  Tabla t({">Part", "Name", "Type", ">Encoded", ">Decoded"});
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t) {
    if (m->IdMensaje != buscado) return true;
    hallado = true;
    rp = RecorrerPartes(m, [&](OE_OBJMSG*, const ParteVista& p) {
      if (o.json) {
        EmitirJson({{"type", "part"},
                    {"folder_id", c.id},
                    {"folder", AUtf8(c.ruta)},
                    {"message_id", buscado},
                    {"number", p.numero},
                    {"name", AUtf8(p.nombre)},
                    {"content_type", p.tipo},
                    {"encoded_size", p.longitud_codificada},
                    {"decoded_size", p.contenido.size()},
                    {"md5", ResumenMd5(p.contenido)},
                    {"sha256", ResumenSha256(p.contenido)}});
      } else {
        t.Fila({std::to_string(p.numero), p.nombre.empty() ? "(body)" : AUtf8(p.nombre), p.tipo,
                std::to_string(p.longitud_codificada), std::to_string(p.contenido.size())});
      }
      return true;
    });
    return false;
  };
  const uint32_t r = RecorrerMensajes(s->version, s->carpetas, ids, visita, informe.Visita());
  if (r != OE_OK) return FalloListado(*s, r);
  if (!hallado) {
    Error("folder " + AUtf8(elegidas.front()->ruta) + " has no readable message with id " + o.mensaje);
    return kSalidaError;
  }
  if (!o.json) t.Imprimir(std::cout);
  if (rp != OE_FIN) {
    Error(std::string("reading the parts of message ") + o.mensaje + " failed (" + NombreResultado(rp) +
          "): its text in " + RutaMostrada(ArchivoDeCarpeta(*elegidas.front())) + " cannot be taken apart");
    return kSalidaError;
  }
  return informe.Algo() ? kSalidaError : kSalidaBien;
}

int OrdenExtraer(const Opciones& o) {
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const auto& [s, elegidas, ids] = *e;
  if (!CrearSalida(o.salida)) return kSalidaError;

  bool fallo = false;
  std::size_t escritos = 0;
  Informe informe(o, *s);
  Cuenta cuenta;
  Progreso progreso(!o.json && ErrorEsTerminal());
  Tabla t({"Folder", ">Message", ">Part", "File", ">Size"});
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    cuenta.Mensaje(c, *m);
    progreso.Actualizar(cuenta.carpetas, cuenta.mensajes, cuenta.bytes);
    const uint32_t id = m->IdMensaje;
    // --by-message: the message's own folder, made with its first part written.
    fs::path destino = o.salida;
    if (o.por_mensaje) {
      const std::string carpeta_mensaje = SanearNombre(NombreMensaje(*s, *m, kPlantillaDefecto), "message");
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
      if (o.json) {
        EmitirJson({{"type", "extracted"},
                    {"folder_id", c.id},
                    {"folder", AUtf8(c.ruta)},
                    {"message_id", id},
                    {"part", p.numero},
                    {"name", AUtf8(p.nombre)},
                    {"file", TextoRuta(a->ruta)},
                    {"size", p.contenido.size()}}, posicion);
      } else {
        const fs::path mostrado = o.por_mensaje ? destino.filename() / a->ruta.filename() : a->ruta.filename();
        t.Fila({AUtf8(c.ruta), ColumnaMensaje(id, posicion), std::to_string(p.numero), TextoRuta(mostrado),
                std::to_string(p.contenido.size())});
      }
      return true;
    });
    if (!fallo && rp != OE_FIN) {
      informe.Mensaje(c, posicion, id, std::string("its parts cannot be read (") + NombreResultado(rp) + ")");
    }
    return !fallo;
  };
  const uint32_t r = RecorrerMensajes(s->version, s->carpetas, ids, visita, informe.Visita());
  progreso.Terminar();
  if (!o.json && !t.Vacia()) t.Imprimir(std::cout);
  if (r != OE_OK) return FalloListado(*s, r);
  if (fallo) return kSalidaError;
  if (escritos == 0) {
    Error("nothing to extract: " + Cuantos(cuenta.mensajes, "message") + " in " +
          Cuantos(elegidas.size(), "folder") + " hold no " +
          (o.cuerpos ? "parts" : "named attachments (--bodies adds the message bodies)"));
  }
  return TerminarRecorrido(o, informe, cuenta, elegidas.size(), {{"type", "summary"}, {"extracted", escritos}});
}

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
  const auto& [s, elegidas, ids] = *e;
  if (!CrearSalida(o.salida)) return kSalidaError;
  const std::string_view plantilla = o.plantilla.empty() ? kPlantillaDefecto : std::string_view(o.plantilla);

  bool fallo = false;
  std::size_t escritos = 0;
  Informe informe(o, *s);
  Cuenta cuenta;
  Progreso progreso(!o.json && ErrorEsTerminal());
  Tabla t(mbox ? std::vector<std::string>{"Folder", ">Messages", "File"}
               : std::vector<std::string>{"Folder", ">Message", "File"});
  // --sync: the files an earlier export left for each chosen folder, read before writing.
  std::map<uint64_t, ExportadosPrevios> previos;
  if (o.sincronizar) {
    for (const CarpetaVista* c : elegidas) {
      previos.emplace(c->Clave(), ExportadosPrevios(CarpetaSalida(o.salida, *c), maildir));
    }
  }
  std::set<uint64_t> incompletas;  // folders not read whole: --delete leaves their files
  std::size_t sin_cambio = 0, borrados = 0;
  // The mailbox being written: one per folder, created with its first message.
  std::optional<ArchivoCreado> buzon;
  const CarpetaVista* carpeta_buzon = nullptr;
  std::size_t en_buzon = 0;
  const auto cerrar_buzon = [&] {
    if (!buzon) return;
    if (std::fflush(buzon->archivo.get()) != 0) {
      Error("cannot write " + TextoRuta(buzon->ruta));
      fallo = true;
    }
    if (o.json) {
      EmitirJson({{"type", "exported"},
                  {"folder_id", carpeta_buzon->id},
                  {"folder", AUtf8(carpeta_buzon->ruta)},
                  {"messages", en_buzon},
                  {"file", TextoRuta(buzon->ruta)}});
    } else {
      t.Fila({AUtf8(carpeta_buzon->ruta), std::to_string(en_buzon), TextoRuta(buzon->ruta)});
    }
    buzon.reset();
  };
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    cuenta.Mensaje(c, *m);
    progreso.Actualizar(cuenta.carpetas, cuenta.mensajes, cuenta.bytes);
    const std::string_view texto = TextoDe(*m);
    if (mbox) {
      if (carpeta_buzon != &c) {
        cerrar_buzon();
        const fs::path dir = CarpetaSalida(o.salida, c);
        std::error_code ec;
        fs::create_directories(dir.parent_path(), ec);
        buzon = CrearArchivoUnico(dir.parent_path(), TextoRuta(dir.filename()) + ".mbox", "folder.mbox");
        if (!buzon) {
          Error("cannot create a mailbox for " + AUtf8(c.ruta) + " in " + TextoRuta(dir.parent_path()));
          fallo = true;
          return false;
        }
        carpeta_buzon = &c;
        en_buzon = 0;
      }
      std::string bloque = LineaFrom(Remitente(*s, *m), Campo(m->Fecha));
      AnadirCuerpoMboxrd(bloque, texto);
      if (!EscribirTodo(buzon->archivo.get(), bloque)) {
        Error("cannot write " + TextoRuta(buzon->ruta));
        fallo = true;
        return false;
      }
      ++en_buzon;
      ++escritos;
      return true;
    }
    const fs::path dir = CarpetaSalida(o.salida, c);
    std::string en_maildir;
    std::string_view escrito = texto;
    if (maildir) {
      en_maildir = TextoMaildir(texto);
      escrito = en_maildir;
    }
    fs::path archivo;
    if (o.sincronizar && previos[c.Clave()].Tomar(escrito, &archivo)) {
      ++sin_cambio;
      if (o.json) {
        EmitirJson({{"type", "unchanged"},
                    {"folder_id", c.id},
                    {"folder", AUtf8(c.ruta)},
                    {"message_id", m->IdMensaje},
                    {"file", TextoRuta(archivo)}}, posicion);
      }
      return true;
    }
    const std::optional<int64_t> segundos = SegundosDeFecha(Campo(m->Fecha));
    bool bien = false;
    if (maildir) {
      const std::optional<fs::path> entregado =
          EntregarMaildir(dir, escrito, segundos.value_or(static_cast<int64_t>(std::time(nullptr))));
      if (entregado) archivo = *entregado;
      bien = entregado.has_value();
    } else {
      std::error_code ec;
      fs::create_directories(dir, ec);
      char numero[16];
      std::snprintf(numero, sizeof numero, "%06u", m->IdMensaje);
      const std::string nombre = NombreMensaje(*s, *m, plantilla);
      std::optional<ArchivoCreado> a = CrearArchivoUnico(dir, nombre + ".eml", std::string(numero) + ".eml");
      bien = a && EscribirTodo(a->archivo.get(), escrito) && std::fflush(a->archivo.get()) == 0;
      if (a) archivo = a->ruta;
    }
    if (!bien) {
      Error("cannot write message " + std::to_string(m->IdMensaje) + " of " + AUtf8(c.ruta) + " into " +
            TextoRuta(dir));
      fallo = true;
      return false;
    }
    FecharArchivo(archivo, segundos);
    ++escritos;
    if (o.json) {
      EmitirJson({{"type", "exported"},
                  {"folder_id", c.id},
                  {"folder", AUtf8(c.ruta)},
                  {"message_id", m->IdMensaje},
                  {"file", TextoRuta(archivo)}}, posicion);
    } else {
      t.Fila({AUtf8(c.ruta), ColumnaMensaje(m->IdMensaje, posicion), TextoRuta(archivo)});
    }
    return true;
  };
  const auto tropiezo = [&](const Tropiezo& tr) {
    if (tr.carpeta != nullptr) incompletas.insert(tr.carpeta->Clave());
    informe.Tropiezo(tr);
  };
  const uint32_t r = RecorrerMensajes(s->version, s->carpetas, ids, visita, tropiezo);
  cerrar_buzon();
  progreso.Terminar();
  if (!o.json && !t.Vacia()) t.Imprimir(std::cout);
  if (r != OE_OK) return FalloListado(*s, r);
  if (fallo) return kSalidaError;
  // --delete: what the store no longer holds, only where every message could be read.
  for (const CarpetaVista* c : o.borrar ? elegidas : std::vector<const CarpetaVista*>()) {
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
        ++informe.fallos;
        continue;
      }
      ++borrados;
      if (o.json) {
        EmitirJson({{"type", "deleted"}, {"folder_id", c->id}, {"folder", AUtf8(c->ruta)}, {"file", TextoRuta(p)}});
      } else {
        std::cout << "deleted " << TextoRuta(p) << "\n";
      }
    }
  }
  if (o.sincronizar && !o.json) {
    std::cout << "Exported " << Cuantos(escritos, "message") << "; " << sin_cambio
              << " already there were skipped; " << Cuantos(borrados, "file") << " deleted.\n";
  }
  if (escritos == 0 && !o.sincronizar) {
    Error("nothing to export: the " + Cuantos(elegidas.size(), "folder") + " chosen hold no readable messages");
  }
  return TerminarRecorrido(o, informe, cuenta, elegidas.size(),
                           {{"type", "summary"},
                            {"exported", escritos},
                            {"unchanged", sin_cambio},
                            {"deleted", borrados}});
}

namespace {


// Copies each store file once, before the first change to it.
class Copias {
 public:
  Copias(std::string carpeta, bool activas) : carpeta_(std::move(carpeta)), activas_(activas) {}

  // False (with the reason told) when a file that is about to change could not be copied.
  bool Asegurar(const std::vector<std::string>& rutas) {
    if (!activas_) return true;
    for (const std::string& r : rutas) {
      if (r.empty() || !hechas_.insert(r).second) continue;
      const std::optional<fs::path> local = RutaLocal(r);
      if (!local) continue;  // a file that does not exist is not changed either
      if (destino_.empty()) {
        destino_ = carpeta_.empty() ? fs::path(local->parent_path().string() + ".orvex-backup-" + MarcaTiempo())
                                    : fs::path(carpeta_);
        std::error_code ec;
        fs::create_directories(destino_, ec);
        if (ec) {
          Error("cannot create the backup folder " + destino_.string() + ": " + ec.message());
          return false;
        }
      }
      std::optional<ArchivoCreado> copia = CrearArchivoUnico(destino_, TextoRuta(local->filename()), "store-file");
      std::ifstream origen(*local, std::ios::binary);
      bool bien = copia.has_value() && origen.good();
      char trozo[1 << 16];
      while (bien && origen) {
        origen.read(trozo, sizeof trozo);
        const std::streamsize n = origen.gcount();
        if (n > 0) bien = std::fwrite(trozo, 1, static_cast<std::size_t>(n), copia->archivo.get()) ==
                          static_cast<std::size_t>(n);
      }
      if (bien) bien = std::fflush(copia->archivo.get()) == 0 && !origen.bad();
      if (!bien) {
        Error("cannot back up " + local->string() + " into " + destino_.string() + "; the store was not changed");
        return false;
      }
      copiados_.push_back(copia->ruta);
    }
    return true;
  }
  const fs::path& Destino() const { return destino_; }
  const std::vector<fs::path>& Copiados() const { return copiados_; }

 private:
  std::string carpeta_;
  bool activas_;
  fs::path destino_;
  std::set<std::string> hechas_;
  std::vector<fs::path> copiados_;
};

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

}  // namespace

int OrdenEscanear(const Opciones& o) {
  if (int(!o.firmas.empty()) + int(!o.orden.empty()) + int(!o.clamd.empty()) != 1) {
    Error("scan needs exactly one of --hashes FILE, --command CMD and --clamd unix:PATH|tcp:HOST:PORT");
    return kSalidaError;
  }
  std::optional<ClienteClamd> clamd;
  if (!o.clamd.empty()) {
    std::string error;
    std::optional<DestinoRed> destino = LeerDestino(o.clamd, &error);
    if (destino) {
      clamd.emplace(std::move(*destino), o.espera_clamd);
      error = clamd->Probar();
    }
    if (!error.empty()) {
      Error("--clamd " + o.clamd + ": " + error);
      return kSalidaError;
    }
  }
  static const std::map<std::string, uint32_t> kAcciones = {
      {"keep", ACCION_CONSERVAR}, {"rename", ACCION_RENOMBRAR}, {"remove", ACCION_BORRAR}};
  const auto accion = kAcciones.find(o.accion);
  if (accion == kAcciones.end()) {
    Error("--action is keep, rename or remove");
    return kSalidaError;
  }
  ListaFirmas firmas;
  if (!o.firmas.empty()) {
    std::ifstream f(o.firmas, std::ios::binary);
    if (!f) {
      Error("--hashes " + o.firmas + ": cannot read the file");
      return kSalidaError;
    }
    const std::string texto((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    firmas = LeerFirmas(texto);
    for (const std::string& a : firmas.avisos) Error(o.firmas + ": " + a);
    if (firmas.firmas.empty()) {
      Error(o.firmas + ": no signatures");
      return kSalidaError;
    }
  }
  const auto e = AbrirYElegir(o);
  if (!e) return kSalidaError;
  const auto& [s, elegidas, ids] = *e;

  const bool cambiar = accion->second != ACCION_CONSERVAR && !o.simulacion;
  if (cambiar && !s->reconstruido.empty()) {
    Error("this store is read through a rebuilt " + s->reconstruido + " in a temporary folder, so --action " +
          o.accion + " is refused; look first with --dry-run" +
          (s->reconstruido == "index" ? ", or keep the rebuilt index beside the mailbox with --write-index" : ""));
    return kSalidaError;
  }
  Copias copias(o.copia, cambiar && !o.sin_copia);
  std::size_t partes = 0, hallazgos = 0, cambios = 0, errores = 0;
  bool detenido = false;  // the scanner failed: the scan ends after this message
  Informe informe(o, *s);
  Cuenta cuenta;
  Progreso progreso(!o.json && ErrorEsTerminal());
  Tabla t({"Folder", ">Message", ">Part", "Name", "Found", "Action"});
  // A finding, told once its message has been written back and checked.
  struct Hallazgo {
    uint32_t parte;
    std::string nombre, firma, hecho, fallo, nota;
    std::size_t tamano;
    bool aplicada;
  };
  const auto visita = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    cuenta.Mensaje(c, *m);
    progreso.Actualizar(cuenta.carpetas, cuenta.mensajes, cuenta.bytes);
    const uint32_t id = m->IdMensaje;
    const std::vector<std::string> archivos = {Campo(m->RutaIndice), Campo(m->RutaBuzon), Campo(m->RutaAlmacen)};
    std::vector<Hallazgo> hallados;
    std::vector<ParteEscaneada> vistas;
    std::optional<Deshacer> deshacer;  // taken before the message's first change
    std::string cola;                  // the text after the last part acted on
    std::string texto_antes;
    bool sin_deshacer = false;
    const uint32_t rp = RecorrerPartes(m, [&](OE_OBJMSG* objeto, const ParteVista& p) {
      vistas.push_back({p.nombre, p.contenido, ACCION_CONSERVAR});
      std::string hallado;
      if (!detenido) {
        ++partes;
        if (clamd) {
          // A part the daemon cannot judge is an error of its own; the walk goes on.
          const VeredictoClamd v = clamd->Escanear(p.contenido);
          if (v.tipo == VeredictoClamd::Tipo::kHallado) hallado = v.texto;
          if (v.tipo == VeredictoClamd::Tipo::kError) {
            informe.Mensaje(c, posicion, id, "part " + std::to_string(p.numero) + " was not scanned: " + v.texto);
          }
        } else if (!o.orden.empty()) {
          std::string informe_escaner;
          const int estado = EjecutarConEntrada(o.orden, p.contenido, &informe_escaner);
          if (estado == 1) {
            hallado = NombreDelInforme(informe_escaner);
          } else if (estado != 0) {
            Error("the scanner failed on part " + std::to_string(p.numero) + " of message " + std::to_string(id) +
                  " in " + AUtf8(c.ruta) + " (exit status " + std::to_string(estado) + "); the scan stops here");
            ++errores;
            detenido = true;
          }
        } else {
          const Firma* f = firmas.Buscar(p.contenido.size(), firmas.UsaMd5() ? ResumenMd5(p.contenido) : "",
                                         firmas.UsaSha256() ? ResumenSha256(p.contenido) : "");
          if (f != nullptr) hallado = f->nombre;
        }
      }
      if (hallado.empty()) {
        // A kept part after a change is taken over unchanged by the rewrite.
        if (deshacer) OE_GuardarObjMsg(m, objeto, ACCION_CONSERVAR);
        return true;
      }
      ++hallazgos;
      Hallazgo h{p.numero, p.nombre, hallado, o.accion, "", "", p.contenido.size(), false};
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
      } else if (!copias.Asegurar(archivos)) {
        h.fallo = "no backup";
      } else {
        if (!deshacer) {
          deshacer.emplace();
          texto_antes = std::string(TextoDe(*m));
          sin_deshacer = !deshacer->Guardar(archivos);
        }
        if (sin_deshacer) {
          h.fallo = "no private copy of the store files to undo the change";
        } else {
          const uint32_t rg = OE_GuardarObjMsg(m, objeto, accion->second);
          if (rg == OE_OK) {
            h.aplicada = true;
            h.hecho = accion->second == ACCION_RENOMBRAR ? "renamed" : "removed";
            vistas.back().accion = accion->second;
            cola = ColaIntacta(texto_antes, objeto->PosSigParte);
          } else {
            h.fallo = rg == OE_SIN_MENSAJES ? "no room on the disk" : NombreResultado(rg);
          }
        }
      }
      hallados.push_back(std::move(h));
      return true;
    });
    if (rp != OE_FIN) {
      informe.Mensaje(c, posicion, id, std::string("its parts cannot be read (") + NombreResultado(rp) + ")");
    }
    // A failed action drops the message's earlier changes too: only a check of what the
    // store now holds tells what was done.
    std::size_t aplicadas = 0;
    for (const Hallazgo& h : hallados) aplicadas += h.aplicada ? 1 : 0;
    bool restaurado_mal = false;
    // Without a successful action the library has nothing to write back.
    if (aplicadas > 0) {
      std::string problema = Comprobar(vistas, cola, Releer(s->version, s->carpetas, c, id));
      if (!problema.empty() || rp != OE_FIN) {
        if (problema.empty()) problema = "the change was not completed";
        restaurado_mal = !deshacer->Restaurar();
        problema += restaurado_mal ? "; putting the store files back FAILED" : "; left unchanged";
        for (Hallazgo& h : hallados) {
          if (!h.aplicada) continue;
          h.aplicada = false;
          h.fallo = problema;
        }
      }
    }
    for (Hallazgo& h : hallados) {
      if (h.aplicada) {
        ++cambios;
      } else if (!h.fallo.empty()) {
        ++errores;
        h.hecho = o.accion + " (not done: " + h.fallo + ")";
      }
      if (o.json) {
        EmitirJson({{"type", "finding"},
                    {"folder_id", c.id},
                    {"folder", AUtf8(c.ruta)},
                    {"message_id", id},
                    {"part", h.parte},
                    {"name", AUtf8(h.nombre)},
                    {"size", h.tamano},
                    {"signature", AUtf8(h.firma)},
                    {"action", o.accion},
                    {"applied", h.aplicada},
                    {"dry_run", o.simulacion},
                    {"error", h.fallo.empty() ? json(nullptr) : json(h.fallo)},
                    {"note", h.nota.empty() ? json(nullptr) : json(h.nota)}}, posicion);
      } else {
        t.Fila({AUtf8(c.ruta), ColumnaMensaje(id, posicion), std::to_string(h.parte),
                h.nombre.empty() ? "(body)" : AUtf8(h.nombre), AUtf8(h.firma), h.hecho});
      }
    }
    if (restaurado_mal) {
      Error("the store files of " + AUtf8(c.ruta) + " could not be put back after a failed change; restore them from " +
            (copias.Destino().empty() ? std::string("a copy of your own") : copias.Destino().string()) +
            "; the scan stops here");
      detenido = true;
    }
    return !detenido;
  };
  const uint32_t r = RecorrerMensajes(s->version, s->carpetas, ids, visita, informe.Visita());
  progreso.Terminar();
  if (r != OE_OK) {
    FalloListado(*s, r);
    ++errores;
  }
  errores += informe.fallos;
  if (o.json) {
    json resumen = {{"type", "summary"}, {"folders", elegidas.size()}, {"messages", cuenta.mensajes},
                    {"parts", partes},   {"found", hallazgos},         {"changed", cambios},
                    {"errors", errores}, {"backup", nullptr}};
    if (!copias.Destino().empty()) resumen["backup"] = copias.Destino().string();
    informe.Resumir(resumen);
    resumen["complete"] = !detenido;
    EmitirJson(resumen);
  } else {
    if (!t.Vacia()) t.Imprimir(std::cout);
    std::cout << (detenido ? "Scan STOPPED before the end; up to then scanned " : "Scanned ")
              << Cuantos(cuenta.mensajes, "message") << " (" << Cuantos(partes, "part") << ") in "
              << Cuantos(elegidas.size(), "folder") << ": " << hallazgos << " found, " << cambios << " changed, "
              << Cuantos(errores, "error") << informe.Omitidos() << informe.Recuperados() << ".\n";
    if (!copias.Destino().empty()) std::cout << "Store files backed up in " << copias.Destino().string() << "\n";
  }
  if (errores > 0 || informe.Algo() || detenido) return kSalidaError;
  return hallazgos > 0 ? kSalidaHallazgo : kSalidaBien;
}

}  // namespace orvex::herramienta
