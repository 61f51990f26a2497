// The command end to end: the built orvex and orvex_demo programs run on demo and built stores,
// on damaged input and without a store, as a user would run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>
#include <regex>
#include <string>
#include <vector>

#include "almacen_oe5/formato_dbx.h"
#include "herramienta/almacen.h"
#include "herramienta/carpeta_temporal.h"
#include "herramienta/sistema.h"
#include "pruebas/colmena_constructor.h"
#include "pruebas/dbx_constructor.h"
#include "escritura/imagen.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/oe4_constructor.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/tablas.h"
#include "pruebas/volcado.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

std::string Citar(const std::string& s) {
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

std::string Leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

struct Resultado {
  int estado = -1;
  std::string salida, error;
};

// Runs one of our programs (through the build's emulator, if any) or, with nativo, a program of
// this machine, in UTC and with ORVEX_REGISTRY cleared unless entorno sets it.
Resultado Ejecutar(const std::string& programa, const std::vector<std::string>& argumentos,
                   const std::string& entorno = "", bool nativo = false) {
  CarpetaTemporal tmp;
  std::string orden = "env -u ORVEX_REGISTRY TZ=UTC " + entorno + " " +
                      (nativo ? std::string() : std::string(ORVEX_EMULADOR)) + " " + Citar(programa);
  for (const std::string& a : argumentos) orden += " " + Citar(a);
  orden += " >" + Citar((tmp.Ruta() / "salida").string()) + " 2>" + Citar((tmp.Ruta() / "error").string());
  const int estado = std::system((orden + " </dev/null").c_str());
  return {WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, Leer(tmp.Ruta() / "salida"), Leer(tmp.Ruta() / "error")};
}

// A program on the PATH or in /usr/sbin, or empty.
std::string Programa(const std::string& nombre) {
  for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/usr/local/sbin/", "/usr/local/bin/"}) {
    if (fs::exists(dir + nombre)) return dir + nombre;
  }
  return "";
}

// Arguments name files of the test folder as "@relative" (also inside an argument: "c=@").
class OrvexTest : public ::testing::Test {
 protected:
  void SetUp() override { almacen_ = Demo("demo"); }

  std::string Ruta(const std::string& relativa) const { return (dir_.Ruta() / relativa).string(); }
  std::string Demo(const std::string& carpeta) {
    const Resultado r = Ejecutar(ORVEX_DEMO, {Ruta(carpeta)});
    EXPECT_EQ(r.salida, Ruta(carpeta + "/store") + "\n") << r.error;
    return Ruta(carpeta + "/store");
  }
  std::string Arroba(std::string a) const {
    const std::size_t p = a.find('@');
    return p == std::string::npos ? a : a.substr(0, p) + Ruta(a.substr(p + 1));
  }
  Resultado Orvex(std::vector<std::string> argumentos, const std::string& entorno = "") const {
    for (std::string& a : argumentos) a = Arroba(a);
    return Ejecutar(ORVEX_PROGRAMA, argumentos, Arroba(entorno));
  }

  // What a run shows, machine-free: "@" for the test folder, DEMO for the demo program, and the
  // parts of Maildir and backup names that come from the clock, the process and the machine.
  std::string SinMaquina(std::string texto) const {
    for (const auto& [ruta, marca] : {std::pair{dir_.Ruta().string(), std::string("@")},
                                      std::pair{std::string(ORVEX_DEMO), std::string("DEMO")},
                                      std::pair{"." + NombreMaquina() + ":2,", std::string(".HOST:2,")}}) {
      for (std::size_t p; (p = texto.find(ruta)) != std::string::npos;) texto.replace(p, ruta.size(), marca);
    }
    texto = std::regex_replace(texto, std::regex("\\.M[0-9]+P[0-9]+Q"), ".M_P_Q");
    return std::regex_replace(texto, std::regex("orvex-backup-[0-9]{8}T[0-9]{6}Z"), "orvex-backup-TIME");
  }

  // A file or a folder's tree, one line each, sorted: the path below it, then a folder's "/", a
  // link's target, or a file's size and hash (of its text as SinMaquina gives it), and its date
  // when it is older than 2020 (an export dates each file as its message).
  std::string VolcarArbol(const fs::path& raiz) const {
    if (!fs::exists(fs::symlink_status(raiz))) return "  (none)\n";
    std::vector<fs::path> rutas = {raiz};
    if (fs::is_directory(raiz)) rutas.assign(fs::recursive_directory_iterator(raiz), {});
    std::vector<std::string> lineas;
    for (const fs::path& p : rutas) {
      std::string l = "  " + pruebas::Escapado(fs::relative(p, raiz).generic_string());
      if (fs::is_symlink(fs::symlink_status(p))) {
        l += " -> " + fs::read_symlink(p).string();
      } else if (fs::is_directory(p)) {
        l += "/";
      } else {
        const std::string texto = SinMaquina(Leer(p));
        char x[64];
        std::snprintf(x, sizeof x, " %zu #%08x", texto.size(), pruebas::Huella(texto));
        l += x;
        const std::time_t t = std::chrono::system_clock::to_time_t(
            std::chrono::file_clock::to_sys(fs::last_write_time(p)));
        if (t < 1577836800 && std::strftime(x, sizeof x, " %Y-%m-%d %H:%M", std::gmtime(&t)) > 0) l += x;
      }
      lineas.push_back(l + "\n");
    }
    std::sort(lineas.begin(), lineas.end());
    return std::accumulate(lineas.begin(), lineas.end(), std::string());
  }

  // Runs each row of a golden table (see SalidasDeReferencia; arguments starting "!" name a program
  // of this machine instead) and compares its exit status and whole standard output and error, only
  // the rows whose arguments match elegidas; a row with two more fields also compares the folders
  // it names with a section of volcados_orvex.txt, as VolcarArbol writes them.
  void Comparar(std::string_view tabla, const std::string& elegidas = "") const {
    constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_orvex.inc"
        ;
    for (const std::vector<std::string>& f : pruebas::Filas(tabla)) {
      SCOPED_TRACE(f[2]);
      ASSERT_TRUE(f.size() == 5 || f.size() == 7);
      std::vector<std::string> argumentos = pruebas::Campos(f[2], '|');
      // A row run by another reader ("!undbx") or scanning through clamscan needs it installed.
      const auto falta = [&f](const char* p) { return f[2].find(p) != std::string::npos && Programa(p).empty(); };
      if (falta("undbx") || falta("clamscan") || !std::regex_search(f[2], std::regex(elegidas))) continue;
      Resultado r;
      if (argumentos[0].starts_with('!')) {
        for (std::string& a : argumentos) a = Arroba(a);
        r = Ejecutar(argumentos[0].substr(1), {argumentos.begin() + 1, argumentos.end()}, "", true);
      } else {
        r = Orvex(argumentos, f[1]);
      }
      EXPECT_EQ(r.estado, std::stoi(f[0])) << r.error;
      for (auto [dicho, esperado] : {std::pair{SinMaquina(r.salida), f[3]}, std::pair{SinMaquina(r.error), f[4]}}) {
        if (esperado.starts_with('~')) {
          for (const std::string& parte : pruebas::Campos(esperado.substr(1), '~')) {
            EXPECT_NE(dicho.find(parte), std::string::npos) << parte << " not in " << dicho;
          }
        } else {
          EXPECT_EQ(dicho, esperado);
        }
      }
      if (f.size() == 7) {
        std::string volcado;
        for (const std::string& d : pruebas::Campos(f[6], '|')) volcado += d + "\n" + VolcarArbol(Arroba(d));
        EXPECT_VOLCADO(kVolcados, "volcados_orvex", f[5], SinMaquina(volcado));
      }
    }
  }

  CarpetaTemporal dir_;
  std::string almacen_;
};

// The rows of pruebas/datos/orvex_salidas.txt, in order in one folder: the exit status, the
// environment, the arguments ("|" between them) and the whole standard output and error, with
// "@" for the test folder and DEMO for the demo program ("~" before a text: only its parts between
// "~"), then optionally a section of volcados_orvex.txt and the folders it dumps.
TEST_F(OrvexTest, SalidasDeReferencia) {
  for (const char* carpeta : {"vacia", "ajena", "tmp", "corto/Mail"}) fs::create_directories(Ruta(carpeta));
  std::ofstream(Ruta("corto/Mail/Inbox.mbx")) << "JMF6";  // a mailbox cut short after its signature
  std::ofstream(Ruta("ajena/Folders.dbx")) << "not a folder list at all";
  std::ofstream(Ruta("unidad.reg"), std::ios::binary) << TextoRegistro(5, "C:\\demo\\STORE");
  Demo(std::string(240, 'x'));  // a store whose paths the library cannot keep
  pruebas::EscribirAlmacenOe4(Ruta("oe4"), pruebas::AlmacenOe4Ejemplo());
  pruebas::EscribirAlmacenImn(Ruta("imn"), pruebas::AlmacenImnEjemplo());
  fs::rename(Ruta("imn/Mail"), Ruta("imn/buzones"));  // reached through a link the command makes
  // A part type folded onto the next line.
  pruebas::EscribirAlmacenImn(Ruta("plegado"), {pruebas::Buzon("Inbox", {pruebas::MensajeVivo(
                                                   1, "Content-Type:\r\n Text/HTML;\r\n\r\n<p>x</p>\r\n", "s")})});
  fs::copy(Ruta("demo/store"), Ruta("danado"));
  fs::resize_file(Ruta("danado/Inbox.dbx"), 9000);
  // What export writes, read back by Python's email and mailbox modules: the same messages as .eml
  // files, in the mbox (its "From " lines quoted) and in Maildir, named after this machine.
  std::ofstream(Ruta("leer.py")) << R"(import email, mailbox, pathlib, re, socket, sys
def clave(m, rd=False):
    cuerpo = len(m.get_payload()) if m.is_multipart() else m.get_payload().replace('\r\n', '\n').rstrip('\n')
    if rd and not m.is_multipart():
        cuerpo = re.sub(r'(?m)^>(>*From )', r'\1', cuerpo)
    return str((str(m['Subject']), m['From'], m['Date'], cuerpo))
raiz = pathlib.Path(sys.argv[1])
a = sorted(clave(email.message_from_bytes(p.read_bytes())) for p in raiz.glob('eml/**/*.eml'))
b = sorted(clave(m, True) for p in raiz.glob('mbox/**/*.mbox') for m in mailbox.mbox(p, create=False))
c = sorted(clave(m) for p in raiz.glob('maildir/**/cur') for m in mailbox.Maildir(p.parent, factory=None, create=False))
maquina = all(p.name.endswith('.' + socket.gethostname() + ':2,') for p in raiz.glob('maildir/**/cur/*'))
print(len(a), len(b), len(c), a == b == c, maquina)
)";
  Comparar(
#include "pruebas/datos/orvex_salidas.inc"
  );
}

// scan --clamd against a real clamd run in the foreground on a socket of the test folder with
// only the demo's EICAR lists and a small StreamMaxLength, then against a stand-in daemon that
// judges one part and then falls silent: every part it leaves unjudged is an error line and the
// walk goes on to the end.
TEST_F(OrvexTest, EscanearConClamd) {
  const std::string clamd = Programa("clamd");
  if (clamd.empty()) GTEST_SKIP() << "clamd is not installed (Debian: clamav-daemon); scan --clamd is not tested";
  fs::create_directories(Ruta("db"));
  fs::copy_file(Ruta("demo/eicar.hdb"), Ruta("db/eicar.hdb"));
  fs::copy_file(Ruta("demo/eicar.hsb"), Ruta("db/eicar.hsb"));
  std::ofstream(Ruta("clamd.conf")) << "LocalSocket " << Ruta("clamd.sock") << "\nDatabaseDirectory " << Ruta("db")
                                    << "\nForeground yes\nStreamMaxLength 300\n";
  // The stand-in answers the first part in two pieces and falls silent on the second.
  std::ofstream(Ruta("falso.py")) << R"(import os, socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1] + '.tmp')
s.listen(50)
os.rename(sys.argv[1] + '.tmp', sys.argv[1])
s.settimeout(20)
for n in range(3):
    c, _ = s.accept()
    datos = b''
    while n == 1 and not datos.endswith(b'\0\0\0\0'):
        datos += c.recv(65536)
    c.sendall(b'PONG\0' if n == 0 else b'stream: ' if n == 1 else b'')
    time.sleep(0.2 if n == 1 else 3 if n == 2 else 0)
    if n == 1:
        c.sendall(b'OK\0')
s.close()
os.unlink(sys.argv[1])
)";
  const std::string demonios[] = {Citar(clamd) + " --foreground --config-file=" + Citar(Ruta("clamd.conf")),
                                  "python3 " + Citar(Ruta("falso.py")) + " " + Citar(Ruta("clamd.sock"))};
  constexpr std::string_view kFilas =
#include "pruebas/datos/orvex_clamd.inc"
      ;
  for (int n = 1; n <= 2; ++n) {
    SCOPED_TRACE(demonios[n - 1]);
    const std::string pid = Ruta("demonio" + std::to_string(n)), caso = "clamd" + std::to_string(n);
    Demo(caso);
    std::system(("(" + demonios[n - 1] + ") >" + Citar(pid + ".log") + " 2>&1 & echo $! >" + Citar(pid)).c_str());
    for (int i = 0; i < 600 && !fs::exists(Ruta("clamd.sock")); ++i) std::system("sleep 0.1");
    std::system("sleep 0.3");  // clamd makes its socket a moment before it listens on it
    Comparar(kFilas, "@" + caso + "/");
    const std::string id = std::to_string(std::atoi(Leer(pid).c_str()));
    std::system(("kill " + id + " 2>/dev/null; while kill -0 " + id + " 2>/dev/null; do sleep 0.1; done").c_str());
    fs::remove(Ruta("clamd.sock"));
  }
}

// Runs that change files, in order in one folder (pruebas/datos/orvex_cambios.txt: the fields of
// orvex_salidas.txt and a dump of the folders each run leaves): export --sync after a scan removed
// an attachment; each scan on a fresh demo store, the store and its backup afterwards; renaming
// twice, also where the new name cannot fit, every part read back by the command and by undbx;
// recover beside a planted link; and one damage at a time in a store of several folders, which
// export walks to the end, writing every readable message as the undamaged store gives it.
TEST_F(OrvexTest, CambiosEnDisco) {
  for (const char* d : {"sync-eml", "sync-maildir", "escaneo1", "escaneo2", "escaneo3", "escaneo4", "escaneo5",
                        "renombrar"}) {
    Demo(d);
    fs::remove(Ruta(d + std::string("/registry.reg")));  // it names the test folder
  }
  // A stand-in scanner with clamscan's conventions: exit 1 and a FOUND line for EICAR.
  std::ofstream(Ruta("escaner.sh")) << "#!/bin/sh\nif grep -q EICAR-STANDARD; then echo 'stdin: Eicar-Test FOUND'; "
                                       "exit 1; fi\nexit 0\n";
  fs::permissions(Ruta("escaner.sh"), fs::perms::owner_all);
  // A message whose EICAR attachment ends exactly at the end of its last text block.
  const std::string eicar = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*";
  pruebas::MensajeDbx lleno = pruebas::Mensaje(2, pruebas::MensajeConAdjunto(eicar));
  lleno.capacidad_bloque = 512;
  while (lleno.texto.size() % lleno.capacidad_bloque != 0) --lleno.capacidad_bloque;
  pruebas::ArchivoMensajesDbx archivo;
  archivo.mensajes = {lleno};
  pruebas::AlmacenDbx d;
  d.carpetas = {pruebas::Carpeta(1, 0, "Local Folders"), pruebas::Carpeta(4, 1, "Inbox", "Inbox.dbx", archivo)};
  fs::create_directory(Ruta("lleno"));
  pruebas::EscribirAlmacen(Ruta("lleno"), d);
  for (int i = 1; i <= 4; ++i) fs::create_directory(Ruta("undbx" + std::to_string(i)));
  // For recover: a read-only file with one deleted and one unindexed message, and a link planted
  // where the report goes.
  pruebas::ArchivoMensajesDbx perdidos;
  for (uint32_t i = 0; i < 3; ++i) perdidos.mensajes.push_back(pruebas::Mensaje(2 + i, std::string(600 + i, 'a' + i)));
  pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(perdidos);
  pruebas::DesindexarMensajeDbx(m, 1);
  pruebas::BorrarMensajeDbx(m, 2, true);
  fs::create_directories(Ruta("in/sub"));
  pruebas::EscribirImagen(Ruta("in/sub/Inbox.dbx"), m.bytes);
  std::ofstream(Ruta("in/notas.txt")) << "not mail";
  fs::permissions(Ruta("in/sub/Inbox.dbx"), fs::perms::owner_read);
  fs::create_directory(Ruta("out"));
  std::ofstream(Ruta("fuera")) << "kept";
  fs::create_symlink(Ruta("fuera"), Ruta("out/report.jsonl"));
  // Damaged copies of a store of several folders: a message file cut short (its message 6), a
  // missing message file (folder 10), and the folder-list entry that leads to the folder "2001"
  // (message 7 of folder 11) pointing past the end of the file.
  pruebas::AlmacenEscrito e;
  for (const char* dir : {"sano", "danado1", "danado2", "danado3"}) {
    fs::create_directory(Ruta(dir));
    e = pruebas::EscribirAlmacen(Ruta(dir), pruebas::AlmacenEjemplo());
  }
  fs::resize_file(Ruta("danado1/Inbox.dbx"), e.archivos.at("Inbox.dbx").bloques[4].back());
  fs::remove(Ruta("danado2/Proyectos.dbx"));
  std::vector<uint8_t> b = e.carpetas.bytes;
  for (uint32_t nodo : e.carpetas.nodos) {
    for (uint32_t i = 0; i < dbx::kMaxEntradasNodo; ++i) {
      const uint32_t entrada = nodo + dbx::kNodoEntradas + i * dbx::kLongEntrada + dbx::kEntradaObjeto;
      if (pruebas::LeerPalabra(b, entrada) == e.carpetas.objetos[3]) pruebas::PonerPalabra(b, entrada, 0x7FFFFFF0u);
    }
  }
  pruebas::EscribirImagen(Ruta("danado3/folders.dbx"), b);
  Comparar(
#include "pruebas/datos/orvex_cambios.inc"
  );
}

// Inputs built by the writers and damaged as users bring them (pruebas/datos/orvex_reconstruidos.txt):
// each reads through a folder list or an index rebuilt in a temporary folder (or, past the
// library's listing, the recovery scanner), says so, and lists, scans and exports every message
// record of the folder once; find names each store's generation.
TEST_F(OrvexTest, ListasEIndicesPerdidos) {
  // A folder over more index nodes than the library walks (one message a node).
  pruebas::ArchivoMensajesDbx grande;
  grande.arbol.entradas_por_nodo = 1;
  for (uint32_t id = 1; id <= dbx::kMaxNodosMensajes + 3; ++id) {
    grande.mensajes.push_back(pruebas::Mensaje(
        id, "Date: Mon, 5 Mar 2001 13:07:00 +0000\r\nSubject: " + std::to_string(id) + "\r\n\r\nx\r\n"));
  }
  pruebas::AlmacenDbx oe5_grande;
  oe5_grande.carpetas = {pruebas::Carpeta(1, 0, "Local Folders"),
                         pruebas::Carpeta(2, 1, "Grande", "Grande.dbx", grande)};
  for (const char* caso : {"caso1", "caso2", "caso3", "caso8"}) {
    fs::create_directories(Ruta(caso));
    pruebas::EscribirAlmacen(Ruta(caso), caso[4] == '8' ? oe5_grande : pruebas::AlmacenEjemplo());
  }
  fs::remove(Ruta("caso2/folders.dbx"));
  std::ofstream(Ruta("caso3/folders.dbx")) << std::string(9000, '\x5A');
  for (const char* caso : {"caso4", "caso5", "caso6"}) {
    pruebas::EscribirAlmacenOe4(Ruta(caso), pruebas::AlmacenOe4Ejemplo());
  }
  fs::remove(Ruta("caso4/mail/folders.nch"));
  fs::remove(Ruta("caso5/mail/Inbox.idx"));
  fs::resize_file(Ruta("caso6/mail/Inbox.idx"), 0);
  pruebas::EscribirAlmacenImn(Ruta("caso7"), pruebas::AlmacenImnEjemplo());
  fs::remove(Ruta("caso7/Mail/Inbox.idx"));
  std::ofstream(Ruta("x.hdb")) << "cb30fc9cec9a2d04ef49b22e2066c264:3:x\n";  // the body "x\r\n"
  Comparar(
#include "pruebas/datos/orvex_reconstruidos.inc"
  );
}

// Disk images made with the file systems' own tools, without mounting (pruebas/datos/orvex_imagenes.txt):
// a FAT one with two users' profiles (an Outlook Express 5/6 and a 4 store) and an NTFS one behind
// a partition table, each also as a split EnCase image. Every read gives what the same store gives
// from a folder; a change is refused and the image's bytes never change; a damaged image is
// refused with its name.
TEST_F(OrvexTest, ImagenesDeDisco) {
  for (const char* p : {"mkfs.fat", "mcopy", "mkntfs", "ntfscp", "ewfacquire"}) {
    if (Programa(p).empty()) GTEST_SKIP() << p << " is missing (Debian: dosfstools mtools ntfs-3g ewf-tools)";
  }
  if (Orvex({"--image", "@nada", "folders"}).error.find("without disk image") != std::string::npos) {
    GTEST_SKIP() << "built without The Sleuth Kit";
  }
  const std::string oe5 = "Documents and Settings/Ana/Local Settings/Application Data/Identities/"
                          "{11111111-2222-3333-4444-555555555555}/Microsoft/Outlook Express";
  const std::string oe4 = "Documents and Settings/Luis/Application Data/Microsoft/Outlook Express";
  fs::create_directories(Ruta("fat/Windows"));
  fs::create_directories(Ruta("fat/" + oe5));
  fs::copy(almacen_, Ruta("fat/" + oe5));
  pruebas::EscribirAlmacenOe4(Ruta("fat/" + oe4), pruebas::AlmacenOe4Ejemplo());
  const std::string h = Citar(dir_.Ruta().string());
  const std::string guion =
      "set -e; cd " + h + "; export MTOOLS_SKIP_CHECK=1; truncate -s 16M fat.img; mkfs.fat -F 16 fat.img;"
      "mcopy -s -i fat.img fat/* ::/; truncate -s 16M ntfs.part; mkntfs -F -f -q ntfs.part;"
      "for f in " + Citar(almacen_) + "/*.dbx; do ntfscp -q ntfs.part \"$f\" \"/$(basename \"$f\")\"; done;"
      "ewfacquire -u -S 1MiB -t fat fat.img; ";
  ASSERT_EQ(std::system(("(" + guion + ") >" + h + "/guion.log 2>&1").c_str()), 0) << Leer(Ruta("guion.log"));
  // The NTFS volume as the first partition of a disk: one MBR entry (type 7) at sector 2048, of
  // its 32768 sectors.
  std::string disco(2048 * 512, '\0');
  disco.replace(446, 16, std::string("\0\0\0\0\x07\0\0\0\0\x08\0\0\0\x80\0\0", 16));
  disco.replace(510, 2, "\x55\xAA");
  const std::string volumen = Leer(Ruta("ntfs.part"));
  std::ofstream(Ruta("ntfs.img"), std::ios::binary) << disco << volumen;
  ASSERT_EQ(std::system(("cd " + h + " && ewfacquire -u -S 1MiB -t ntfs ntfs.img >/dev/null 2>&1").c_str()), 0);
  const auto huella = [&] {
    std::string todo;
    for (const char* f : {"fat.img", "fat.E01", "fat.E02", "ntfs.img", "ntfs.E01", "ntfs.E02"}) todo += Leer(Ruta(f));
    return std::hash<std::string>{}(todo);
  };
  const std::size_t antes = huella();
  // Damaged images: cut short, and a partition table pointing past the end.
  std::ofstream(Ruta("corta.img"), std::ios::binary) << disco << volumen.substr(0, 4096);
  disco[446 + 8 + 3] = '\x7f';
  std::ofstream(Ruta("tabla.img"), std::ios::binary) << disco << volumen;
  Comparar(
#include "pruebas/datos/orvex_imagenes.inc"
  );
  EXPECT_EQ(huella(), antes) << "an image changed";
}

// A Windows volume as a folder (pruebas/datos/orvex_usuarios.txt): each user read through their own
// hive, listings equal to the same store read with --store, every JSON object naming its user, a
// damaged hive refused.
TEST_F(OrvexTest, RaizDeWindows) {
  if (Programa("hivexregedit").empty() || Orvex({"--help"}).salida.find("--windows-root") == std::string::npos) {
    GTEST_SKIP() << "built without hivex, or hivexregedit missing";
  }
  const fs::path xp = Ruta("xp"), nt = Ruta("nt");
  const std::string oe = "Local Settings/Application Data/Identities/" + std::string(kIdentidadDemo) +
                         "/Microsoft/Outlook Express";
  const fs::path ana = xp / "Documents and Settings/Ana", carlos = nt / "Users/Carlos";
  fs::create_directories((ana / oe).parent_path());
  fs::rename(almacen_, ana / oe);
  pruebas::EscribirAlmacenOe4((carlos / "Correo").string(), pruebas::AlmacenOe4Ejemplo());
  // Ana's store root as the client writes it, through her profile's variable; Carlos's plain.
  std::string raiz_ana = "%UserProfile%\\" + oe;
  std::replace(raiz_ana.begin(), raiz_ana.end(), '/', '\\');
  std::string ana_reg = TextoRegistro(5, raiz_ana);
  ana_reg += "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-9-1001]"
             "\r\n\"ProfileImagePath\"=\"%SystemDrive%\\\\Documents and Settings\\\\Ana\"\r\n";
  fs::create_directories(xp / "WINDOWS/system32/config");
  fs::create_directories(xp / "Documents and Settings/Bruno");
  ASSERT_TRUE(pruebas::EscribirColmena((xp / "WINDOWS/system32/config/software").string(), ana_reg,
                                       "HKEY_LOCAL_MACHINE\\Software"));
  ASSERT_TRUE(pruebas::EscribirColmena((ana / "NTUSER.DAT").string(), ana_reg, "HKEY_CURRENT_USER"));
  ASSERT_TRUE(pruebas::EscribirColmena((carlos / "ntuser.dat").string(),
                                       TextoRegistro(4, "C:\\Users\\Carlos\\Correo", kUsuarioDemo,
                                                     ReconocerAlmacen(carlos / "Correo")->cuentas_noticias),
                                       "HKEY_CURRENT_USER"));
  // Bruno's hive is cut short.
  std::ofstream(xp / "Documents and Settings/Bruno/NTUSER.DAT", std::ios::binary)
      << Leer(ana / "NTUSER.DAT").substr(0, 6000);
  Comparar(
#include "pruebas/datos/orvex_usuarios.inc"
  );
}

}  // namespace
}  // namespace orvex::herramienta
