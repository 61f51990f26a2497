// The command end to end: the built orvex and orvex_demo programs run on demo and built stores,
// on damaged input and without a store, as a user would run them.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "herramienta/almacen.h"
#include "almacen_oe5/formato_dbx.h"
#include "herramienta/carpeta_temporal.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/imagen.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/oe4_constructor.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;
using json = nlohmann::json;

std::string Citar(const std::string& s) {
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

std::string Leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<json> Lineas(const std::string& salida) {
  std::vector<json> objetos;
  for (std::size_t pos = 0, fin; pos < salida.size(); pos = fin == std::string::npos ? salida.size() : fin + 1) {
    fin = salida.find('\n', pos);
    objetos.push_back(json::parse(salida.substr(pos, fin - pos)));
  }
  return objetos;
}

struct Resultado {
  int estado = -1;
  std::string salida, error;
  std::vector<json> Json() const { return Lineas(salida); }
};

// Runs a program with ORVEX_REGISTRY cleared unless the caller sets it in entorno.
Resultado Ejecutar(const std::string& programa, const std::vector<std::string>& argumentos,
                   const std::string& entorno = "") {
  CarpetaTemporal tmp;
  std::string orden = "env -u ORVEX_REGISTRY " + entorno + " " + std::string(ORVEX_EMULADOR) + " " + Citar(programa);
  for (const std::string& a : argumentos) orden += " " + Citar(a);
  orden += " 2>" + Citar((tmp.Ruta() / "error").string()) + " </dev/null";
  Resultado r;
  std::FILE* tubo = ::popen(orden.c_str(), "r");
  if (tubo == nullptr) return r;
  std::array<char, 4096> trozo;
  for (std::size_t n; (n = std::fread(trozo.data(), 1, trozo.size(), tubo)) > 0;) r.salida.append(trozo.data(), n);
  const int estado = ::pclose(tubo);
  r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  r.error = Leer(tmp.Ruta() / "error");
  return r;
}

// Arguments name files of the test folder as "@relative" (also inside an argument: "c=@").
class OrvexTest : public ::testing::Test {
 protected:
  void SetUp() override { almacen_ = Demo("demo"); }

  std::string Ruta(const std::string& relativa) const { return (dir_.Ruta() / relativa).string(); }
  std::string Demo(const std::string& carpeta) {
    const Resultado r = Ejecutar(ORVEX_DEMO, {Ruta(carpeta)});
    EXPECT_EQ(r.estado, 0) << r.error;
    EXPECT_EQ(r.salida, Ruta(carpeta + "/store") + "\n");
    return Ruta(carpeta + "/store");
  }
  Resultado Orvex(std::vector<std::string> argumentos, const std::string& entorno = "") const {
    for (std::string& a : argumentos) {
      if (const std::size_t p = a.find('@'); p != std::string::npos) a = a.substr(0, p) + Ruta(a.substr(p + 1));
    }
    return Ejecutar(ORVEX_PROGRAMA, argumentos, entorno);
  }
  // The lines of a walk that went well, without its summary.
  std::vector<json> Json(std::vector<std::string> argumentos, const std::string& almacen = "") const {
    argumentos.insert(argumentos.begin(), {"--store", almacen.empty() ? almacen_ : almacen, "--json"});
    const Resultado r = Orvex(argumentos);
    EXPECT_EQ(r.estado, 0) << r.error;
    std::vector<json> lineas = r.Json();
    std::erase_if(lineas, [](const json& j) { return j["type"] == "summary"; });
    return lineas;
  }

  CarpetaTemporal dir_;
  std::string almacen_;
};

// Text output by its lines; errors exit 2 with the reason on stderr and nothing on stdout.
TEST_F(OrvexTest, SalidaYEstado) {
  fs::create_directory(Ruta("vacia"));
  fs::create_directory(Ruta("ajena"));
  std::ofstream(Ruta("ajena/Folders.dbx")) << "not a folder list at all";
  std::ofstream(Ruta("unidad.reg"), std::ios::binary) << TextoRegistro(5, "C:\\demo\\STORE");
  struct Caso {
    std::vector<std::string> argumentos;
    int estado;
    std::vector<std::string> contiene;
    std::string entorno = "";
    bool resumen = false;  // an error that still ends a scan's summary
  };
  const Caso casos[] = {
      {{"--store", "@demo/store", "folders"}, 0, {"\nLocal Folders ", "\n  Inbox ", "\n    Projects "}},
      {{"--store", "@demo/store", "messages", "Inbox"}, 0, {"Welcome", "Caf\xC3\xA9 menu (quoted-printable)"}},
      {{"--store", "@demo/store", "parts", "Inbox", "5"}, 0, {"(body)", "prize.com"}},
      {{"--store", "@demo/store", "scan", "--hashes", "@demo/eicar.hdb", "--dry-run"}, 1, {"prize.com", "1 found"}},
      {{"--registry", "@demo/registry.reg", "--identity", "Main Identity", "folders"}, 0, {"Sent Items"}},
      {{"info"}, 0, {"Main Identity"}, "ORVEX_REGISTRY=" + Citar(Ruta("demo/registry.reg"))},
      // The drive's folder is found whatever the case of the registry's path.
      {{"--registry", "@unidad.reg", "--drive", "c=@", "folders"}, 0, {"Projects"}},
      {{"--help"}, 0, {"Usage"}},
      {{"scan", "--help"}, 0, {"--action"}},
      {{"folders"}, 2, {"no mail store found", "--store DIR", "orvex_demo"}},
      {{"--store", "@vacia", "folders"}, 2, {"no mail store in"}},
      {{"--store", "@ajena", "folders"}, 2, {"cannot read the folder list"}},
      {{"--store", "@demo/store", "messages", "Nowhere"}, 2, {"no folder is called"}},
      {{"--store", "@demo/store", "messages", "999"}, 2, {}},
      {{"--store", "@demo/store", "parts", "Inbox", "4294967298"}, 2, {}},
      {{"--store", "@demo/store", "parts", "Inbox", "x1"}, 2, {}},
      {{"--store", "@demo/store", "parts", "Inbox", "99"}, 2, {}},
      {{"--store", "@demo/store", "--identity", "Nobody", "folders"}, 2, {"Main Identity"}},
      {{"--store", "@demo/store", "scan", "--command", "exit 3"}, 2, {"exit status 3", "scan stops"}, "", true},
      {{"--registry", "@unidad.reg", "folders"}, 2, {"cannot read the folder list"}},
      {{"--registry", "@unidad.reg", "--drive", "C", "folders"}, 2, {"--drive"}},
      {{"--registry", "@unidad.reg", "--drive", "C:@", "folders"}, 2, {"--drive"}},
      {{"--registry", "@unidad.reg", "--drive", "C=/no/such", "folders"}, 2, {"--drive"}},
      {{"export", "--format", "pst", "--out", "x"}, 2, {}},
      {{"export", "--name", "{size}", "--out", "x"}, 2, {"{size}"}},
      {{"--store", "@demo/store", "export", "--format", "mbox", "--name", "{id}", "--out", "@x"}, 2, {"--name"}},
      {{"parts", "Inbox"}, 2, {}},
      {{"--no-such-option"}, 2, {}},
      {{"frobnicate"}, 2, {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.argumentos.front() + " ... " + c.argumentos.back());
    const Resultado r = Orvex(c.argumentos, c.entorno);
    EXPECT_EQ(r.estado, c.estado) << r.error;
    EXPECT_EQ(r.salida.empty(), c.estado == 2 && !c.resumen) << r.salida;
    const std::string& texto = c.estado == 2 ? r.error : r.salida;
    for (const std::string& t : c.contiene) EXPECT_NE(texto.find(t), std::string::npos) << t << "\n" << texto;
  }
}

TEST_F(OrvexTest, CarpetasInfoYMensajesEnJson) {
  std::vector<std::string> carpetas;
  for (const json& c : Json({"folders"})) {
    EXPECT_EQ(c["type"], "folder");
    carpetas.push_back(c["path"].get<std::string>() + " " + c["id"].dump() + " " + c["depth"].dump() + " " +
                       c["messages"].dump());
  }
  EXPECT_EQ(carpetas, (std::vector<std::string>{"Local Folders 1 0 0", "Local Folders/Inbox 4 1 5",
                                                "Local Folders/Inbox/Projects 8 2 1", "Local Folders/Outbox 5 1 0",
                                                "Local Folders/Sent Items 6 1 1",
                                                "Local Folders/Deleted Items 7 1 0"}));
  const std::vector<json> info = Json({"info"});
  ASSERT_EQ(info.size(), 1u);
  EXPECT_EQ(info[0]["generation"], 5);
  EXPECT_EQ(info[0]["identities"], json::array({"Main Identity"}));
  EXPECT_EQ(info[0]["folders"], 6);
  EXPECT_EQ(info[0]["messages"], 7);
  EXPECT_EQ(fs::path(info[0]["store_root"].get<std::string>()), fs::path(almacen_));

  for (const char* selector : {"Local Folders/Inbox", "local folders\\INBOX", "inbox", "4"}) {
    SCOPED_TRACE(selector);
    EXPECT_EQ(Json({"messages", selector}).size(), 5u);
  }
  EXPECT_EQ(Json({"messages", "Projects"}).size(), 1u);
  const std::vector<json> m = Json({"messages", "Inbox"});
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[0]["subject"], "Welcome");
  EXPECT_EQ(m[0]["date"].get<std::string>().substr(0, 11), "2001-03-05 ");
  EXPECT_EQ(m[2]["subject"], "Caf\xC3\xA9 menu (quoted-printable)");
  for (const json& x : m) EXPECT_GT(x["size"].get<int>(), 0);
}

TEST_F(OrvexTest, ExportarEmlYMbox) {
  const std::vector<json> hechos = Json({"export", "Inbox", "--format", "eml", "--out", Ruta("eml")});
  const std::vector<json> mensajes = Json({"messages", "Inbox"});
  ASSERT_EQ(hechos.size(), 5u);
  for (std::size_t i = 0; i < hechos.size(); ++i) {
    const fs::path archivo = hechos[i]["file"].get<std::string>();
    EXPECT_EQ(archivo.parent_path(), fs::path(Ruta("eml")) / "Local Folders" / "Inbox");
    const std::string texto = Leer(archivo);
    EXPECT_EQ(texto.size(), mensajes[i]["size"].get<std::size_t>());
    EXPECT_TRUE(texto.starts_with("From: "));
  }
  // A second export never overwrites the first.
  for (const json& h : Json({"export", "4", "--out", Ruta("eml")})) {
    EXPECT_NE(h["file"].get<std::string>().find(" (2).eml"), std::string::npos) << h;
  }

  // --name: a template of the message's fields.
  ASSERT_EQ(Orvex({"--store", almacen_, "export", "Inbox", "--name", "{from} - {subject}", "--out", "@nombres"}).estado,
            0);
  EXPECT_TRUE(Leer(Ruta("nombres/Local Folders/Inbox/Ana - Welcome.eml")).starts_with("From: "));

  ASSERT_EQ(Orvex({"--store", almacen_, "export", "--format", "mbox", "--out", "@mbox"}).estado, 0);
  const fs::path mbox = fs::path(Ruta("mbox")) / "Local Folders";
  const std::string enviados = Leer(mbox / "Sent Items.mbox");
  EXPECT_TRUE(enviados.starts_with("From you@example.org Sat Mar 10 ")) << enviados.substr(0, 80);
  EXPECT_NE(enviados.find("\n>From now on we meet on Mondays.\n"), std::string::npos);
  EXPECT_NE(enviados.find("\n>>From the minutes, as quoted.\n"), std::string::npos);
  EXPECT_EQ(enviados.find('\r'), std::string::npos);
  const std::string entrada = "\n" + Leer(mbox / "Inbox.mbox");
  std::size_t separadores = 0;
  for (std::size_t p = 0; (p = entrada.find("\nFrom ", p)) != std::string::npos; ++p) ++separadores;
  EXPECT_EQ(separadores, 5u);
  EXPECT_FALSE(fs::exists(mbox / "Outbox.mbox"));
}

TEST_F(OrvexTest, ExtraerAdjuntos) {
  const Resultado r = Orvex({"--store", almacen_, "extract", "--out", "@adjuntos"});
  ASSERT_EQ(r.estado, 0) << r.error;
  std::set<std::string> nombres;
  for (const auto& e : fs::directory_iterator(Ruta("adjuntos"))) nombres.insert(e.path().filename().string());
  EXPECT_EQ(nombres, (std::set<std::string>{"invoice-march.pdf", "prize.com", "plan.txt", "budget.xls"}));
  EXPECT_EQ(Leer(Ruta("adjuntos/plan.txt")), "1. Start\n2. Finish\n");
  // --by-message: each message's parts in a folder of its own.
  ASSERT_EQ(Orvex({"--store", almacen_, "extract", "Projects", "--by-message", "--out", "@mensajes"}).estado, 0);
  EXPECT_EQ(Leer(Ruta("mensajes/Local Folders/Inbox/Projects/000002 Project plan/plan.txt")), "1. Start\n2. Finish\n");
}

// Each scan on a fresh demo store: the finding, its summary, what became of the attachment,
// every other message unchanged, and the backup holding the store as it was.
TEST_F(OrvexTest, Escanear) {
  // A stand-in scanner with clamscan's conventions: exit 1 and a FOUND line for EICAR.
  std::ofstream(Ruta("escaner.sh")) << "#!/bin/sh\nif grep -q EICAR-STANDARD; then echo 'stdin: Eicar-Test FOUND'; "
                                       "exit 1; fi\nexit 0\n";
  fs::permissions(Ruta("escaner.sh"), fs::perms::owner_all);
  const bool hay_clamscan = std::system("command -v clamscan >/dev/null 2>&1") == 0;
  struct Caso {
    const char* nombre;
    std::vector<std::string> argumentos;
    const char* firma;
    bool aplicada;
    const char* adjunto;  // the attachment's name afterwards, "" when removed
  };
  const Caso casos[] = {
      {"dry run", {"--hashes", "@demo/eicar.hdb", "--action", "rename", "--dry-run"}, "Eicar-Test-Signature", false,
       "prize.com"},
      {"sha256 list, rename, backup elsewhere",
       {"--hashes", "@demo/eicar.hsb", "--action", "rename", "--backup", "@copias"}, "Eicar-Test-Signature", true,
       "prize_com.VIR"},
      {"remove without backup", {"--hashes", "@demo/eicar.hdb", "--action", "remove", "--no-backup"},
       "Eicar-Test-Signature", true, ""},
      {"scanner command, report only", {"--command", "@escaner.sh"}, "Eicar-Test", false, "prize.com"},
      // A real scanner with only our signature for the EICAR string.
      {"clamscan, rename", {"--command", "clamscan --no-summary -d @demo/eicar.hdb -", "--action", "rename"},
       "Eicar-Test-Signature", true, "prize_com.VIR"},
  };
  int n = 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    if (c.argumentos[1].starts_with("clamscan") && !hay_clamscan) continue;
    const std::string almacen = Demo("escaneo" + std::to_string(++n));
    const std::string antes = Leer(fs::path(almacen) / "Inbox.dbx");
    const std::vector<json> m_antes = Json({"messages"}, almacen);
    std::vector<std::string> argumentos = {"--store", almacen, "--json", "scan"};
    argumentos.insert(argumentos.end(), c.argumentos.begin(), c.argumentos.end());
    const Resultado r = Orvex(argumentos);
    const std::vector<json> lineas = r.Json();
    ASSERT_EQ(lineas.size(), 2u) << r.salida << r.error;
    ASSERT_EQ(lineas[0]["error"], nullptr) << "the library refused the rewrite";
    EXPECT_EQ(r.estado, 1) << r.error;
    EXPECT_EQ(lineas[0]["type"], "finding");
    EXPECT_EQ(lineas[0]["name"], "prize.com");
    EXPECT_TRUE(lineas[0]["signature"].get<std::string>().starts_with(c.firma)) << lineas[0];
    EXPECT_EQ(lineas[0]["applied"], c.aplicada);
    EXPECT_EQ(lineas[1]["found"], 1);
    EXPECT_EQ(lineas[1]["changed"], c.aplicada ? 1 : 0);
    EXPECT_EQ(lineas[1]["parts"], 12);
    EXPECT_EQ(lineas[1]["errors"], 0);

    const std::vector<json> partes = Json({"parts", "Inbox", "5"}, almacen);
    ASSERT_EQ(partes.size(), *c.adjunto ? 2u : 1u);
    if (*c.adjunto) {
      EXPECT_EQ(partes[1]["name"].get<std::string>(), c.adjunto);
    }
    const std::vector<json> m_despues = Json({"messages"}, almacen);
    ASSERT_EQ(m_antes.size(), m_despues.size());
    for (std::size_t i = 0; i < m_antes.size(); ++i) {
      if (c.aplicada && m_antes[i]["folder_id"] == 4 && m_antes[i]["id"] == 5) continue;
      EXPECT_EQ(m_antes[i], m_despues[i]);
    }
    if (!c.aplicada) {
      EXPECT_EQ(Leer(fs::path(almacen) / "Inbox.dbx"), antes) << "the store changed";
    }
    if (lineas[1]["backup"].is_string()) {
      EXPECT_EQ(Leer(fs::path(lineas[1]["backup"].get<std::string>()) / "Inbox.dbx"), antes);
    } else {
      for (const auto& e : fs::directory_iterator(fs::path(almacen).parent_path())) {
        EXPECT_EQ(e.path().string().find(".orvex-backup"), std::string::npos) << e.path();
      }
    }
  }
}

// One damage at a time in a store of several folders: export walks to the end, writes every
// readable message as the undamaged store gives it, and reports exactly the damaged ones
// ("folder/message", "folder/-" for a whole folder, "-/-" for a folder-list entry).
TEST_F(OrvexTest, DaniosNoDetienenLosRecorridos) {
  using pruebas::AlmacenEscrito;
  const pruebas::AlmacenDbx descripcion = pruebas::AlmacenEjemplo();
  const auto exportar = [&](const std::string& almacen, std::set<std::string>* errores) {
    const Resultado r = Orvex({"--store", almacen, "--json", "export", "--out", almacen + "-eml"});
    std::map<std::string, std::string> textos;
    for (const json& j : r.Json()) {
      const auto clave = [&j](const char* campo) { return j.value(campo, json()).is_null() ? "-" : j[campo].dump(); };
      const std::string mensaje = clave("folder_id") + "/" + clave("message_id");
      if (j["type"] == "exported") textos[mensaje] = Leer(j["file"].get<std::string>());
      if (j["type"] == "error") errores->insert(mensaje);
    }
    EXPECT_EQ(r.estado, errores->empty() ? 0 : 2) << r.error;
    return textos;
  };
  fs::create_directory(Ruta("sano"));
  pruebas::EscribirAlmacen(Ruta("sano"), descripcion);
  std::set<std::string> ninguno;
  const std::map<std::string, std::string> sanos = exportar(Ruta("sano"), &ninguno);
  ASSERT_EQ(sanos.size(), 9u);

  const auto palabra = [](const std::string& archivo, const pruebas::MapaDbx& mapa, uint32_t pos, uint32_t valor) {
    std::vector<uint8_t> b = mapa.bytes;
    pruebas::PonerPalabra(b, pos, valor);
    pruebas::EscribirImagen(archivo, b);
  };
  struct Caso {
    const char* nombre;
    std::function<void(const std::string& dir, const AlmacenEscrito& e)> danar;
    std::set<std::string> errores;
    std::set<std::string> perdidos;
  };
  const Caso casos[] = {
      {"message file cut short",
       [](const std::string& dir, const AlmacenEscrito& e) {
         fs::resize_file(dir + "/Inbox.dbx", e.archivos.at("Inbox.dbx").bloques[4].back());
       },
       {"4/6"}, {"4/6"}},
      {"text chain pointing outside its file",
       [&](const std::string& dir, const AlmacenEscrito& e) {
         const pruebas::MapaDbx& m = e.archivos.at("Inbox.dbx");
         palabra(dir + "/Inbox.dbx", m, m.bloques[1][0] + dbx::kBloqueSiguiente, 0x7FFFFFF0u);
       },
       {"4/3"}, {"4/3"}},
      {"message file missing",
       [](const std::string& dir, const AlmacenEscrito&) { fs::remove(dir + "/Proyectos.dbx"); },
       {"10/-"}, {"10/10", "10/11"}},
      {"folder list entry damaged",
       [&](const std::string& dir, const AlmacenEscrito& e) {
         // The tree entry that leads to the folder "2001" points past the end of the file.
         const pruebas::MapaDbx& m = e.carpetas;
         for (uint32_t nodo : m.nodos) {
           for (uint32_t i = 0; i < dbx::kMaxEntradasNodo; ++i) {
             const uint32_t entrada = nodo + dbx::kNodoEntradas + i * dbx::kLongEntrada + dbx::kEntradaObjeto;
             if (pruebas::LeerPalabra(m.bytes, entrada) == m.objetos[3]) {
               palabra(dir + "/folders.dbx", m, entrada, 0x7FFFFFF0u);
             }
           }
         }
       },
       {"-/-"}, {"11/7"}},
      {"index node pointing at itself",
       [&](const std::string& dir, const AlmacenEscrito& e) {
         const pruebas::MapaDbx& m = e.archivos.at("Inbox.dbx");
         palabra(dir + "/Inbox.dbx", m, m.nodos[0] + dbx::kNodoEntradas + dbx::kEntradaObjeto, m.nodos[0]);
       },
       {"4/-"}, {"4/2"}},
  };
  int n = 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const std::string dir = Ruta("danado" + std::to_string(++n));
    fs::create_directory(dir);
    c.danar(dir, pruebas::EscribirAlmacen(dir, descripcion));
    std::set<std::string> errores;
    const std::map<std::string, std::string> textos = exportar(dir, &errores);
    EXPECT_EQ(errores, c.errores);
    for (const auto& [clave, texto] : sanos) {
      if (c.perdidos.count(clave) == 0) {
        EXPECT_EQ(textos.count(clave) ? textos.at(clave) : "(none)", texto) << clave;
      }
    }
    for (const auto& [clave, texto] : textos) EXPECT_EQ(c.perdidos.count(clave), 0u) << clave;
  }
}

// Renaming twice, on the demo store and on one whose message fills its last text block:
// every part decodes as before, the second scan changes nothing, and a rename that cannot fit
// in the message's blocks is undone and reported.
TEST_F(OrvexTest, RenombrarDosVeces) {
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

  // Every part's decoded bytes by folder, message and part number.
  const auto partes = [&](const std::string& almacen) {
    const std::string salida = Ruta("partes" + std::to_string(std::rand()));
    std::map<std::string, std::string> p;
    for (const json& j : Json({"extract", "--bodies", "--out", salida}, almacen)) {
      const std::string clave = j["folder_id"].dump() + "/" + j["message_id"].dump() + "/" + j["part"].dump();
      p[clave] = Leer(j["file"].get<std::string>());
    }
    return p;
  };
  // Another reader of the format, when installed: every message file it writes, by name, with
  // the renamed attachment's name put back.
  const bool hay_undbx = std::system("command -v undbx >/dev/null 2>&1") == 0;
  const auto undbx = [&](const std::string& almacen) {
    const std::string salida = Ruta("undbx" + std::to_string(std::rand()));
    fs::create_directory(salida);
    EXPECT_EQ(std::system(("undbx " + Citar(almacen) + " " + Citar(salida) + " >/dev/null 2>&1").c_str()), 0);
    std::map<std::string, std::string> textos;
    for (const auto& e : fs::recursive_directory_iterator(salida)) {
      std::string t = e.is_regular_file() ? Leer(e.path()) : "";
      for (std::size_t p; (p = t.find("prize_com.VIR")) != std::string::npos;) t.replace(p, 13, "prize.com");
      textos[fs::relative(e.path(), salida).string()] = t;
    }
    return textos;
  };
  for (const auto& [almacen, cabe] : {std::pair{almacen_, true}, std::pair{Ruta("lleno"), false}}) {
    SCOPED_TRACE(almacen);
    const std::string inbox = (fs::path(almacen) / "Inbox.dbx").string();
    const std::string antes = Leer(inbox);
    const auto partes_antes = partes(almacen);
    const auto undbx_antes = hay_undbx ? undbx(almacen) : std::map<std::string, std::string>{};
    std::string primera;
    for (int vez = 1; vez <= 2; ++vez) {
      SCOPED_TRACE(vez);
      const Resultado r = Orvex({"--store", almacen, "--json", "scan", "--hashes", "@demo/eicar.hdb", "--action",
                                 "rename", "--no-backup"});
      const std::vector<json> lineas = r.Json();
      ASSERT_EQ(lineas.size(), 2u) << r.salida << r.error;
      const json& h = lineas[0];
      EXPECT_EQ(h["applied"], cabe && vez == 1) << h;
      EXPECT_EQ(h["error"].is_string(), !cabe) << h;
      EXPECT_NE(h["error"].dump().find(cabe ? "null" : "would not fit"), std::string::npos) << h;
      EXPECT_EQ(h["note"].is_string(), cabe && vez == 2) << h;
      EXPECT_EQ(lineas[1]["errors"], cabe ? 0 : 1);
      EXPECT_EQ(r.estado, cabe ? 1 : 2);
      if (vez == 1) primera = Leer(inbox);
      EXPECT_EQ(Leer(inbox), cabe && vez == 1 ? primera : (cabe ? primera : antes));
    }
    EXPECT_EQ(partes(almacen), partes_antes);
    if (hay_undbx) {
      EXPECT_EQ(undbx(almacen), undbx_antes);
    }
  }
}

// recover: every message of a file with one deleted and one unindexed message, each in its
// folder and in the report; the input unchanged, nothing replaced or written outside --out.
TEST_F(OrvexTest, Recuperar) {
  pruebas::ArchivoMensajesDbx d;
  for (uint32_t i = 0; i < 3; ++i) d.mensajes.push_back(pruebas::Mensaje(2 + i, std::string(600 + i, 'a' + i)));
  pruebas::MapaDbx m = pruebas::ConstruirArchivoMensajes(d);
  pruebas::DesindexarMensajeDbx(m, 1);
  pruebas::BorrarMensajeDbx(m, 2, true);
  fs::create_directories(Ruta("in/sub"));
  pruebas::EscribirImagen(Ruta("in/sub/Inbox.dbx"), m.bytes);
  std::ofstream(Ruta("in/notas.txt")) << "not mail";
  fs::permissions(Ruta("in/sub/Inbox.dbx"), fs::perms::owner_read);
  fs::create_directory(Ruta("out"));
  std::ofstream(Ruta("fuera")) << "kept";
  fs::create_symlink(Ruta("fuera"), Ruta("out/report.jsonl"));

  const Resultado r = Orvex({"recover", "@in", "--out", "@out", "--json"});
  ASSERT_EQ(r.estado, 0) << r.error;
  std::vector<json> lineas = r.Json();
  ASSERT_EQ(lineas.size(), 4u);
  EXPECT_EQ(lineas.back()["type"], "summary");
  EXPECT_EQ(lineas.back()["recovered"], 3);
  EXPECT_EQ(lineas.back()["bytes"], 600 + 601 + 594);
  lineas.pop_back();
  const std::pair<const char*, std::size_t> esperado[] = {{"indexed", 600}, {"orphaned", 601}, {"fragments", 594}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lineas[i]["found"], esperado[i].first);
    EXPECT_EQ(lineas[i]["bytes"], esperado[i].second);
    EXPECT_EQ(fs::file_size(Ruta("out/" + lineas[i]["eml"].get<std::string>())), esperado[i].second);
  }
  EXPECT_EQ(lineas[2]["gaps"].size(), 2u);
  EXPECT_EQ(Lineas(Leer(Ruta("out/report.jsonl"))), lineas);
  EXPECT_EQ(Leer(Ruta("fuera")), "kept");
  EXPECT_EQ(Leer(Ruta("in/sub/Inbox.dbx")), std::string(m.bytes.begin(), m.bytes.end()));

  // A second run beside the first numbers its files; --mark-gaps shows the lost bytes.
  const Resultado otra = Orvex({"recover", "@in/sub/Inbox.dbx", "--out", "@out", "--mark-gaps"});
  ASSERT_EQ(otra.estado, 0) << otra.error;
  EXPECT_NE(otra.salida.find("1 indexed (600 bytes), 1 orphaned (601 bytes), 1 fragments (594 bytes)"),
            std::string::npos) << otra.salida;
  const std::vector<json> segunda = Lineas(Leer(Ruta("out/report.jsonl")));
  ASSERT_EQ(segunda.size(), 3u);
  EXPECT_NE(segunda[0]["eml"], lineas[0]["eml"]);
  const std::string marcado = Leer(Ruta("out/" + segunda[2]["eml"].get<std::string>()));
  EXPECT_EQ(marcado.substr(0, 21), "[orvex: 4 bytes lost]");
  EXPECT_EQ(marcado.size(), 594u + 2 * 21);

  EXPECT_EQ(Orvex({"recover", "@in/notas.txt", "--out", "@out2"}).estado, 2);
  EXPECT_EQ(Orvex({"recover", "@nada", "--out", "@out2"}).estado, 2);
}

// Every generation's store is recognised from its folder; a sample store when the samples are there.
TEST_F(OrvexTest, Generaciones) {
  const fs::path oe4 = Ruta("oe4"), imn = Ruta("imn");
  pruebas::EscribirAlmacenOe4(oe4.string(), pruebas::AlmacenOe4Ejemplo());
  pruebas::EscribirAlmacenImn(imn.string(), pruebas::AlmacenImnEjemplo());
  // A mail folder under another name is reached through a link the command makes.
  fs::rename(imn / "Mail", imn / "buzones");
  const char* muestras = std::getenv("ORVEX_MUESTRAS");
  struct Caso {
    fs::path almacen;
    int generacion;
    std::vector<std::string> rutas;
    const char* carpeta;
    std::size_t mensajes;
  };
  const Caso casos[] = {
      {oe4, 4, {"Bandeja de entrada", "Trabajo/Proyecto/Detalle"}, "bandeja de entrada", 3},
      {oe4 / "mail", 4, {"news.example.com/comp.lang.c", "news.example.com/alt.test"}, "comp.lang.c", 2},
      {imn / "buzones", 1, {"Inbox", "Sent"}, "Inbox", 3},
      {fs::path(muestras ? muestras : "") / "oe6_dbx_mit", 5, {"Local Folders/Inbox", "Hotmail"}, "Inbox", 1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.almacen.string());
    if (!fs::exists(c.almacen)) continue;  // no sample stores
    const std::vector<json> info = Json({"info"}, c.almacen.string());
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0]["generation"], c.generacion);
    std::set<std::string> rutas;
    for (const json& x : Json({"folders"}, c.almacen.string())) rutas.insert(x["path"]);
    for (const std::string& r : c.rutas) EXPECT_TRUE(rutas.count(r)) << r;
    EXPECT_FALSE(rutas.count("Outlook Express")) << "the root record is no folder";
    EXPECT_EQ(Json({"messages", c.carpeta}, c.almacen.string()).size(), c.mensajes);
  }
  EXPECT_EQ(Orvex({"--store", "@oe4", "export", "--format", "mbox", "--out", "@mbox"}).estado, 0);
  EXPECT_TRUE(fs::exists(Ruta("mbox/Bandeja de entrada.mbox")));
  EXPECT_EQ(Orvex({"--store", "@imn/buzones", "extract", "Sent", "--out", "@adjuntos"}).estado, 0);
  EXPECT_TRUE(fs::exists(Ruta("adjuntos/a.exe")));
  EXPECT_TRUE(fs::exists(Ruta("adjuntos/b.txt")));
}

}  // namespace
}  // namespace orvex::herramienta
