// orvex: lists, exports, extracts and scans the mail of Outlook Express 5/6, Outlook Express 4
// and Internet Mail and News stores through the library's exports.
#include <CLI/CLI.hpp>
#include <iostream>

#include "herramienta/imagen.h"
#include "herramienta/ordenes.h"
#include "herramienta/plantilla.h"
#include "herramienta/recuperar.h"
#include "herramienta/usuarios.h"

using orvex::herramienta::Opciones;

int main(int argc, char** argv) {
  CLI::App app{
      "orvex: read the mail stores of Outlook Express 5/6, Outlook Express 4 and Internet Mail and News.\n"
      "Exit status: 0 done (scan: nothing found), 1 scan found something, 2 error.",
      "orvex"};
  app.fallthrough();
  app.set_version_flag("--version", "orvex " ORVEX_VERSION, "Print the version and exit");
  app.require_subcommand(0, 1);
  Opciones o;
  o.programa = argc > 0 ? argv[0] : "";

  auto* store = app.add_option("--store,STORE", o.almacen,
                               "A store folder (the one with folders.dbx, mail/folders.nch or Mail/*.mbx), one "
                               "message file (.dbx, .mbx, .idx), or any folder with one store below it; a lost "
                               "folder list or index is rebuilt in a temporary folder. Without it the store comes "
                               "from the registry (ORVEX_REGISTRY).");
  app.add_option("--registry", o.registro, "A regedit export to read as the registry (sets ORVEX_REGISTRY)")
      ->excludes(store);
  app.add_option("--drive", o.unidades, "Map a drive letter of the registry's paths to a folder, as C=DIR")
      ->type_name("C=DIR");
  auto* imagen = app.add_option("--image", o.imagen,
                                "A raw or EnCase (.E01) disk image: its partition is drive C:, read without "
                                "mounting and never written; with --store a path inside it, without one the "
                                "single store below its profile folders")
                     ->excludes("--drive");
  app.add_option("--partition", o.particion,
                 "With --image: the partition to read, 1 for the first (default: the one with a Windows tree)")
      ->needs(imagen)
      ->check(CLI::Range(1u, 128u));
#ifdef ORVEX_CON_COLMENA
  auto* raiz_windows =
      app.add_option("--windows-root", o.raiz_windows,
                     "A Windows volume as a folder (mounted or copied out): drive C:, each user of Documents and "
                     "Settings/ and Users/ read with their own NTUSER.DAT and the SOFTWARE hive; commands run once "
                     "per user")
          ->excludes(store)
          ->excludes("--registry")
          ->excludes(imagen);
  app.add_option("--user", o.usuario, "With --windows-root or --image: only this user (profile folder name or SID)")
      ->check([&](const std::string&) {
        return raiz_windows->count() + imagen->count() > 0 ? std::string() : "--user needs --windows-root or --image";
      });
  auto* users = app.add_subcommand("users", "With --windows-root or --image: each user (profile, SID) and the mail client "
                                            "version, identities and stores their registry names");
#endif
  app.add_option("--identity", o.identidad, "The Outlook Express 5/6 identity to open (default: the default one)");
  app.add_flag("--json", o.json, "JSON Lines on standard output, one object per folder, message, part or finding");

  const char* ayuda_carpeta =
      "A folder: its path (\"Local Folders/Inbox\"), a trailing part of it that only one folder has "
      "(\"Inbox\"), or its numeric id; without regard to case. Default: every folder.";

  auto* info = app.add_subcommand("info", "The store: generation, identities, store root, folders");
  auto* folders = app.add_subcommand("folders", "The folder tree with message counts");
  folders->add_flag("--flat", o.plano, "One row per folder with its whole path, parent id and file");
  auto* messages = app.add_subcommand("messages", "Date, sender, subject, size and parts of each message");
  messages->add_option("FOLDER", o.carpeta, ayuda_carpeta);
  auto* parts = app.add_subcommand("parts", "The parts of one message: number, name, type, sizes");
  parts->add_option("FOLDER", o.carpeta, "The folder (path, name or id)")->required();
  parts->add_option("MESSAGE", o.mensaje, "The message id (the ID column of `orvex messages`)")->required();
  auto* extract = app.add_subcommand("extract", "Write every attachment into a folder");
  extract->add_option("FOLDER", o.carpeta, ayuda_carpeta);
  extract->add_option("--out", o.salida, "Output folder (created if missing)")->required();
  extract->add_flag("--bodies", o.cuerpos, "Also write the unnamed body parts");
  extract->add_flag("--by-message", o.por_mensaje,
                    "Each message's parts in a folder of its own, FOLDER-PATH/ID SUBJECT/, below the output folder");
  auto* exportar = app.add_subcommand("export", "Write the raw messages as .eml files or one mbox per folder");
  exportar->add_option("FOLDER", o.carpeta, ayuda_carpeta);
  exportar->add_option("--format", o.formato,
                       "eml: one file per message; mbox: one mboxrd file per folder; maildir: one Maildir per folder")
      ->check(CLI::IsMember({"eml", "mbox", "maildir"}))
      ->default_str("eml");
  exportar->add_option("--out", o.salida, "Output folder (created if missing)")->required();
  exportar->add_option("--name", o.plantilla,
                       "eml file names from a template of {id} {date} {time} {from} {subject}, as "
                       "\"{date} {from} {subject}\" (default: \"{id} {subject}\")")
      ->check([](const std::string& t) { return orvex::herramienta::ErrorPlantilla(t); });
  auto* sync = exportar->add_flag("--sync", o.sincronizar,
                                  "Into an earlier export: write only the messages not already there (known by "
                                  "content) and report the rest as unchanged (eml, maildir)");
  exportar->add_flag("--delete", o.borrar, "With --sync: delete the files of messages no longer in the store")
      ->needs(sync);
  auto* scan = app.add_subcommand("scan", "Check every part against a hash list or a scanner");
  scan->add_option("FOLDER", o.carpeta, ayuda_carpeta);
  auto* hashes = scan->add_option("--hashes", o.firmas, "Known-bad contents: .hdb (md5:size:name) or .hsb "
                                                        "(sha256:size:name) lines");
  scan->add_option("--command", o.orden,
                   "A scanner run once per part with the decoded content on standard input; exit status 1 "
                   "means infected (as `clamscan -`)")
      ->excludes(hashes);
  scan->add_option("--clamd", o.clamd,
                   "ClamAV's daemon, unix:PATH or tcp:HOST:PORT: each part is streamed to it (INSTREAM)")
      ->excludes(hashes)
      ->excludes("--command");
  scan->add_option("--clamd-timeout", o.espera_clamd, "Seconds to wait for the daemon at each step (default 30)")
      ->check(CLI::Range(1, 3600));
  scan->add_option("--action", o.accion, "What to do with a found part: keep, rename (to a .VIR name), remove")
      ->check(CLI::IsMember({"keep", "rename", "remove"}))
      ->default_str("keep");
  scan->add_flag("--dry-run", o.simulacion, "Report what would be done; change nothing");
  scan->add_flag("--write-index", o.escribir_indice,
                 "A mailbox whose index is missing or damaged: write the index rebuilt from it beside it (after "
                 "copying the old one to the backup folder), so that the scan can change it");
  auto* backup = scan->add_option("--backup", o.copia,
                                  "Where to copy each store file before its first change (default: a folder "
                                  "beside the store, named after it with .orvex-backup-TIME)");
  scan->add_flag("--no-backup", o.sin_copia, "Change the store without copying its files first")->excludes(backup);

  // Finding the stores below any path.
  auto* find = app.add_subcommand("find", "The mail stores at or below PATH: generation, message count, path, "
                                          "and what a read would rebuild");
  find->add_option("PATH", o.buscar, "A folder to look below (a profile, Identities, Documents and Settings) or a file");
  // recover: reads files, not a store through the library.
  orvex::herramienta::OpcionesRecuperar rec;
  auto* recover = app.add_subcommand(
      "recover", "Every message a damaged, cut or partly deleted .dbx or .mbx file still holds, as .eml files");
  recover->add_option("PATH", rec.ruta, "A .dbx message file, a .mbx mailbox, or a folder of them")->required();
  recover->add_option("--out", rec.salida, "Output folder (created if missing): FILE/indexed, orphaned, "
                                           "fragments, records and report.jsonl")
      ->required();
  recover->add_flag("--mark-gaps", rec.marcar_huecos, "Write a visible marker where bytes of a message are lost");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int estado = app.exit(e);
    return estado == 0 ? 0 : orvex::herramienta::kSalidaError;
  }

  using namespace orvex::herramienta;
  if (!ImagenPermite(o, scan->parsed(), recover->parsed())) return kSalidaError;
  if (find->parsed() && !o.imagen.empty()) return OrdenBuscarImagen(o);
  if (*recover) {
    rec.json = o.json;
    return OrdenRecuperar(rec);
  }
  if (*find) return OrdenBuscar(o);
  const auto orden = [&](const Opciones& op) {
    if (*folders) return OrdenCarpetas(op);
    if (*messages) return OrdenMensajes(op);
    if (*parts) return OrdenPartes(op);
    if (*extract) return OrdenExtraer(op);
    if (*exportar) return OrdenExportar(op);
    if (*scan) return OrdenEscanear(op);
    (void)info;
    return OrdenInfo(op);
  };
#ifdef ORVEX_CON_COLMENA
  if (*users) {
    if (o.raiz_windows.empty() && o.imagen.empty()) {
      std::cerr << "orvex: users needs --windows-root DIR or --image FILE\n";
      return kSalidaError;
    }
    return OrdenUsuarios(o);
  }
  if (!o.raiz_windows.empty() || UsuariosEnImagen(o)) return EnCadaUsuario(o, orden);
#endif
  return orden(o);
}
