// The command end to end: the built orvex and orvex_demo programs run on a demo store, on
// damaged input and without a store, as a user would run them.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "herramienta/almacen.h"
#include "herramienta/carpeta_temporal.h"
#include "herramienta/mbox.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/oe4_constructor.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;
using json = nlohmann::json;

struct Resultado {
  int estado = -1;
  std::string salida;
  std::string error;
};

std::string Citar(const std::string& s) {
  std::string r = "'";
  for (char c : s) {
    if (c == '\'') {
      r += "'\\''";
    } else {
      r += c;
    }
  }
  return r + "'";
}

std::string Leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

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
  std::size_t n;
  while ((n = std::fread(trozo.data(), 1, trozo.size(), tubo)) > 0) r.salida.append(trozo.data(), n);
  const int estado = ::pclose(tubo);
  r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  r.error = Leer(tmp.Ruta() / "error");
  return r;
}

Resultado Orvex(const std::vector<std::string>& argumentos, const std::string& entorno = "") {
  return Ejecutar(ORVEX_PROGRAMA, argumentos, entorno);
}

std::vector<json> Lineas(const std::string& salida) {
  std::vector<json> objetos;
  std::size_t pos = 0;
  while (pos < salida.size()) {
    const std::size_t fin = salida.find('\n', pos);
    objetos.push_back(json::parse(salida.substr(pos, fin - pos)));
    pos = fin == std::string::npos ? salida.size() : fin + 1;
  }
  return objetos;
}

class OrvexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const Resultado r = Ejecutar(ORVEX_DEMO, {(dir_.Ruta() / "demo").string()});
    ASSERT_EQ(r.estado, 0) << r.error;
    almacen_ = (dir_.Ruta() / "demo" / "store").string();
    ASSERT_EQ(r.salida, almacen_ + "\n");
  }
  std::string Ruta(const std::string& relativa) const { return (dir_.Ruta() / relativa).string(); }

  CarpetaTemporal dir_;
  std::string almacen_;
};

TEST_F(OrvexTest, CarpetasEnJson) {
  const Resultado r = Orvex({"--store", almacen_, "folders", "--json"});
  ASSERT_EQ(r.estado, 0) << r.error;
  const std::vector<json> carpetas = Lineas(r.salida);
  struct Esperada {
    const char* ruta;
    int id, profundidad, mensajes;
  };
  const Esperada esperadas[] = {{"Local Folders", 1, 0, 0},        {"Local Folders/Inbox", 4, 1, 5},
                                {"Local Folders/Inbox/Projects", 8, 2, 1}, {"Local Folders/Outbox", 5, 1, 0},
                                {"Local Folders/Sent Items", 6, 1, 1},     {"Local Folders/Deleted Items", 7, 1, 0}};
  ASSERT_EQ(carpetas.size(), std::size(esperadas));
  for (std::size_t i = 0; i < carpetas.size(); ++i) {
    SCOPED_TRACE(esperadas[i].ruta);
    EXPECT_EQ(carpetas[i]["type"], "folder");
    EXPECT_EQ(carpetas[i]["path"], esperadas[i].ruta);
    EXPECT_EQ(carpetas[i]["id"], esperadas[i].id);
    EXPECT_EQ(carpetas[i]["depth"], esperadas[i].profundidad);
    EXPECT_EQ(carpetas[i]["messages"], esperadas[i].mensajes);
  }
}

TEST_F(OrvexTest, ArbolIndentado) {
  const Resultado r = Orvex({"--store", almacen_, "folders"});
  ASSERT_EQ(r.estado, 0) << r.error;
  EXPECT_NE(r.salida.find("\nLocal Folders "), std::string::npos) << r.salida;
  EXPECT_NE(r.salida.find("\n  Inbox "), std::string::npos) << r.salida;
  EXPECT_NE(r.salida.find("\n    Projects "), std::string::npos) << r.salida;
}

TEST_F(OrvexTest, InfoDelAlmacen) {
  const Resultado r = Orvex({"--json", "--store", almacen_, "info"});
  ASSERT_EQ(r.estado, 0) << r.error;
  const json j = json::parse(r.salida);
  EXPECT_EQ(j["generation"], 5);
  EXPECT_EQ(j["identities"], json::array({"Main Identity"}));
  EXPECT_EQ(j["folders"], 6);
  EXPECT_EQ(j["messages"], 7);
  EXPECT_EQ(fs::path(j["store_root"].get<std::string>()), fs::path(almacen_));
}

TEST_F(OrvexTest, MensajesDeUnaCarpeta) {
  struct Caso {
    const char* selector;
    std::size_t mensajes;
  };
  const Caso casos[] = {{"Local Folders/Inbox", 5}, {"local folders\\INBOX", 5}, {"inbox", 5}, {"4", 5},
                        {"Sent Items", 1},          {"Projects", 1}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.selector);
    const Resultado r = Orvex({"--store", almacen_, "messages", c.selector, "--json"});
    ASSERT_EQ(r.estado, 0) << r.error;
    EXPECT_EQ(Lineas(r.salida).size(), c.mensajes);
  }
  const Resultado r = Orvex({"--store", almacen_, "--json", "messages", "Inbox"});
  const std::vector<json> m = Lineas(r.salida);
  ASSERT_EQ(m.size(), 5u);
  EXPECT_EQ(m[0]["subject"], "Welcome");
  EXPECT_EQ(m[0]["date"], "2001-03-05 " + m[0]["date"].get<std::string>().substr(11));
  EXPECT_EQ(m[2]["subject"], "Caf\xC3\xA9 menu (quoted-printable)");
  EXPECT_EQ(m[3]["subject"], "Your prize is attached");
  for (const json& x : m) EXPECT_GT(x["size"].get<int>(), 0);
}

TEST_F(OrvexTest, CarpetaDesconocidaOAmbigua) {
  const Resultado r = Orvex({"--store", almacen_, "messages", "Nowhere"});
  EXPECT_EQ(r.estado, 2);
  EXPECT_NE(r.error.find("no folder is called"), std::string::npos) << r.error;
  const Resultado r2 = Orvex({"--store", almacen_, "messages", "999"});
  EXPECT_EQ(r2.estado, 2);
  for (const char* id : {"4294967298", "x1", "99"}) {
    SCOPED_TRACE(id);
    const Resultado r3 = Orvex({"--store", almacen_, "parts", "Inbox", id});
    EXPECT_EQ(r3.estado, 2);
    EXPECT_TRUE(r3.salida.empty()) << r3.salida;
  }
}

TEST_F(OrvexTest, ExportarEml) {
  const std::string salida = Ruta("eml");
  const Resultado r = Orvex({"--store", almacen_, "export", "Inbox", "--format", "eml", "--out", salida, "--json"});
  ASSERT_EQ(r.estado, 0) << r.error;
  const std::vector<json> hechos = Lineas(r.salida);
  ASSERT_EQ(hechos.size(), 5u);
  const Resultado lista = Orvex({"--store", almacen_, "--json", "messages", "Inbox"});
  const std::vector<json> mensajes = Lineas(lista.salida);
  for (std::size_t i = 0; i < hechos.size(); ++i) {
    const fs::path archivo = hechos[i]["file"].get<std::string>();
    EXPECT_EQ(archivo.parent_path(), fs::path(salida) / "Local Folders" / "Inbox");
    const std::string texto = Leer(archivo);
    EXPECT_EQ(texto.size(), mensajes[i]["size"].get<std::size_t>());
    EXPECT_EQ(texto.rfind("From: ", 0), 0u);
  }
  // A second export never overwrites the first.
  const Resultado otra = Orvex({"--store", almacen_, "export", "4", "--out", salida, "--json"});
  for (const json& h : Lineas(otra.salida)) {
    EXPECT_NE(h["file"].get<std::string>().find(" (2).eml"), std::string::npos);
  }
}

TEST_F(OrvexTest, ExportarMboxCitaLineasFrom) {
  const std::string salida = Ruta("mbox");
  const Resultado r = Orvex({"--store", almacen_, "export", "--format", "mbox", "--out", salida});
  ASSERT_EQ(r.estado, 0) << r.error;
  const std::string enviados = Leer(fs::path(salida) / "Local Folders" / "Sent Items.mbox");
  EXPECT_EQ(enviados.rfind("From you@example.org Sat Mar 10 ", 0), 0u) << enviados.substr(0, 80);
  EXPECT_NE(enviados.find("\n>From now on we meet on Mondays.\n"), std::string::npos);
  EXPECT_NE(enviados.find("\n>>From the minutes, as quoted.\n"), std::string::npos);
  EXPECT_EQ(enviados.find('\r'), std::string::npos);
  const std::string entrada = Leer(fs::path(salida) / "Local Folders" / "Inbox.mbox");
  std::size_t mensajes = 0;
  for (std::size_t p = 0; (p = entrada.find("From ", p)) != std::string::npos; ++p) {
    if (p == 0 || entrada[p - 1] == '\n') ++mensajes;
  }
  EXPECT_EQ(mensajes, 5u);
  EXPECT_FALSE(fs::exists(fs::path(salida) / "Local Folders" / "Outbox.mbox"));
}

TEST_F(OrvexTest, RegistroEIdentidad) {
  const Resultado r = Orvex({"--registry", Ruta("demo/registry.reg"), "--identity", "Main Identity", "folders"});
  EXPECT_EQ(r.estado, 0) << r.error;
  const Resultado nadie = Orvex({"--store", almacen_, "--identity", "Nobody", "folders"});
  EXPECT_EQ(nadie.estado, 2);
  EXPECT_NE(nadie.error.find("Main Identity"), std::string::npos) << nadie.error;
  const Resultado entorno = Orvex({"info"}, "ORVEX_REGISTRY=" + Citar(Ruta("demo/registry.reg")));
  EXPECT_EQ(entorno.estado, 0) << entorno.error;
}

TEST_F(OrvexTest, UnidadDelRegistro) {
  const std::string registro = Ruta("unidad.reg");
  std::ofstream(registro, std::ios::binary) << TextoRegistro(5, "C:\\demo\\STORE");
  const Resultado r = Orvex({"--registry", registro, "--drive", "c=" + dir_.Ruta().string(), "--json", "folders"});
  ASSERT_EQ(r.estado, 0) << r.error;
  EXPECT_EQ(Lineas(r.salida).size(), 6u);
  const Resultado sin_unidad = Orvex({"--registry", registro, "folders"});
  EXPECT_EQ(sin_unidad.estado, 2);
  EXPECT_NE(sin_unidad.error.find("cannot read the folder list"), std::string::npos) << sin_unidad.error;
  for (const std::string& mala : {std::string("C"), std::string("C:") + dir_.Ruta().string(), std::string("C=/no/such")}) {
    SCOPED_TRACE(mala);
    const Resultado r2 = Orvex({"--registry", registro, "--drive", mala, "folders"});
    EXPECT_EQ(r2.estado, 2);
    EXPECT_NE(r2.error.find("--drive"), std::string::npos) << r2.error;
  }
}

// Parts, extraction and scanning need the message object; a library without it says so.
bool SinObjeto(const Resultado& r) { return r.estado == 2 && r.error.find("not available") != std::string::npos; }

TEST_F(OrvexTest, EscanearRenombraEicar) {
  const Resultado simulado =
      Orvex({"--store", almacen_, "scan", "--hashes", Ruta("demo/eicar.hdb"), "--action", "rename", "--dry-run"});
  ASSERT_FALSE(SinObjeto(simulado)) << "the library refused the message object";
  EXPECT_EQ(simulado.estado, 1) << simulado.error;
  EXPECT_NE(simulado.salida.find("prize.com"), std::string::npos) << simulado.salida;

  const std::string antes = Leer(fs::path(almacen_) / "Inbox.dbx");
  EXPECT_EQ(Leer(fs::path(almacen_) / "Inbox.dbx"), antes) << "a dry run changed the store";
  const Resultado mensajes_antes = Orvex({"--store", almacen_, "--json", "messages"});
  const std::string copias = Ruta("copias");
  const Resultado r = Orvex({"--store", almacen_, "--json", "scan", "--hashes", Ruta("demo/eicar.hsb"), "--action",
                             "rename", "--backup", copias});
  const std::vector<json> lineas = Lineas(r.salida);
  ASSERT_EQ(lineas.size(), 2u) << r.salida << r.error;
  ASSERT_EQ(lineas[0].dump().find("OE_ERROR"), std::string::npos) << "the library refused the rewrite";
  EXPECT_EQ(r.estado, 1) << r.error;
  EXPECT_EQ(lineas[0]["type"], "finding");
  EXPECT_EQ(lineas[0]["name"], "prize.com");
  EXPECT_EQ(lineas[0]["signature"], "Eicar-Test-Signature");
  EXPECT_EQ(lineas[0]["applied"], true);
  EXPECT_EQ(lineas[1]["found"], 1);
  EXPECT_EQ(lineas[1]["changed"], 1);
  EXPECT_EQ(Leer(fs::path(copias) / "Inbox.dbx"), antes);

  // The attachment now carries a .VIR name; every other message reads as before.
  const Resultado partes = Orvex({"--store", almacen_, "--json", "parts", "Inbox", "5"});
  ASSERT_EQ(partes.estado, 0) << partes.error;
  const std::vector<json> p = Lineas(partes.salida);
  ASSERT_EQ(p.size(), 2u);
  const std::string nombre = p[1]["name"];
  EXPECT_EQ(nombre.substr(nombre.size() - 4), ".VIR") << nombre;
  const std::vector<json> m_antes = Lineas(mensajes_antes.salida);
  const std::vector<json> m_despues = Lineas(Orvex({"--store", almacen_, "--json", "messages"}).salida);
  ASSERT_EQ(m_antes.size(), m_despues.size());
  for (std::size_t i = 0; i < m_antes.size(); ++i) {
    if (m_antes[i]["folder_id"] == 4 && m_antes[i]["id"] == 5) continue;
    EXPECT_EQ(m_antes[i], m_despues[i]);
  }
}

TEST_F(OrvexTest, EscanearBorraElContenido) {
  const Resultado r = Orvex({"--store", almacen_, "scan", "Inbox", "--hashes", Ruta("demo/eicar.hdb"), "--action",
                             "remove", "--no-backup"});
  ASSERT_FALSE(SinObjeto(r)) << "the library refused the message object";
  ASSERT_EQ(r.salida.find("failed: OE_ERROR"), std::string::npos) << "the library refused the rewrite";
  EXPECT_EQ(r.estado, 1) << r.salida << r.error;
  EXPECT_FALSE(fs::exists(almacen_ + ".orvex-backup")) << "--no-backup still made a copy";
  for (const auto& e : fs::directory_iterator(fs::path(almacen_).parent_path())) {
    EXPECT_EQ(e.path().string().find(".orvex-backup-"), std::string::npos) << e.path();
  }
  const Resultado otra = Orvex({"--store", almacen_, "scan", "--hashes", Ruta("demo/eicar.hdb")});
  EXPECT_EQ(otra.estado, 0) << otra.salida << otra.error;
}

TEST_F(OrvexTest, EscanearConUnaOrden) {
  // A stand-in scanner with clamscan's conventions: exit 1 and a FOUND line for EICAR.
  const std::string escaner = Ruta("escaner.sh");
  std::ofstream(escaner) << "#!/bin/sh\nif grep -q EICAR-STANDARD; then echo 'stdin: Eicar-Test FOUND'; exit 1; fi\n"
                            "exit 0\n";
  fs::permissions(escaner, fs::perms::owner_all);
  const Resultado r = Orvex({"--store", almacen_, "--json", "scan", "--command", escaner});
  ASSERT_FALSE(SinObjeto(r)) << "the library refused the message object";
  EXPECT_EQ(r.estado, 1) << r.error;
  const std::vector<json> lineas = Lineas(r.salida);
  ASSERT_EQ(lineas.size(), 2u) << r.salida;
  EXPECT_EQ(lineas[0]["signature"], "Eicar-Test");
  EXPECT_EQ(lineas[0]["applied"], false);
  EXPECT_EQ(lineas[1]["parts"], 12);

  const Resultado roto = Orvex({"--store", almacen_, "scan", "--command", "exit 3"});
  EXPECT_EQ(roto.estado, 2);
  EXPECT_NE(roto.error.find("exit status 3"), std::string::npos) << roto.error;
}

// A real scanner: Debian's clamscan with only our signature for the EICAR string (no download).
TEST_F(OrvexTest, EscanearConClamscan) {
  if (std::system("command -v clamscan >/dev/null 2>&1") != 0) GTEST_SKIP() << "clamscan is not installed";
  const std::string orden = "clamscan --no-summary -d " + Citar(Ruta("demo/eicar.hdb")) + " -";
  const Resultado antes = Orvex({"--store", almacen_, "--json", "messages"});
  const Resultado r = Orvex({"--store", almacen_, "--json", "scan", "--command", orden, "--action", "rename"});
  ASSERT_FALSE(SinObjeto(r)) << "the library refused the message object";
  const std::vector<json> lineas = Lineas(r.salida);
  ASSERT_EQ(lineas.size(), 2u) << r.salida << r.error;
  ASSERT_EQ(lineas[0].dump().find("OE_ERROR"), std::string::npos) << "the library refused the rewrite";
  EXPECT_EQ(r.estado, 1) << r.error;
  EXPECT_EQ(lineas[0]["name"], "prize.com");
  EXPECT_EQ(lineas[0]["signature"].get<std::string>().rfind("Eicar-Test-Signature", 0), 0u) << lineas[0];
  EXPECT_EQ(lineas[0]["applied"], true);
  EXPECT_EQ(lineas[1]["errors"], 0);
  const std::vector<json> m_antes = Lineas(antes.salida);
  const std::vector<json> m_despues = Lineas(Orvex({"--store", almacen_, "--json", "messages"}).salida);
  ASSERT_EQ(m_antes.size(), m_despues.size());
  for (std::size_t i = 0; i < m_antes.size(); ++i) {
    if (m_antes[i]["folder_id"] == 4 && m_antes[i]["id"] == 5) continue;
    EXPECT_EQ(m_antes[i], m_despues[i]);
  }
}

TEST_F(OrvexTest, ExtraerAdjuntos) {
  const std::string salida = Ruta("adjuntos");
  const Resultado r = Orvex({"--store", almacen_, "extract", "--out", salida, "--json"});
  ASSERT_FALSE(SinObjeto(r)) << "the library refused the message object";
  ASSERT_EQ(r.estado, 0) << r.error;
  std::set<std::string> nombres;
  for (const auto& e : fs::directory_iterator(salida)) nombres.insert(e.path().filename().string());
  EXPECT_EQ(nombres, (std::set<std::string>{"invoice-march.pdf", "prize.com", "plan.txt", "budget.xls"}));
  EXPECT_EQ(Leer(fs::path(salida) / "plan.txt"), "1. Start\n2. Finish\n");
}

TEST(OrvexSinAlmacenTest, ExplicaComoApuntarAUnAlmacen) {
  const Resultado r = Orvex({"folders"});
  EXPECT_EQ(r.estado, 2);
  EXPECT_NE(r.error.find("no mail store found"), std::string::npos) << r.error;
  EXPECT_NE(r.error.find("--store DIR"), std::string::npos);
  EXPECT_NE(r.error.find("orvex_demo"), std::string::npos);
  EXPECT_TRUE(r.salida.empty());
}

TEST(OrvexSinAlmacenTest, CarpetaQueNoEsAlmacen) {
  CarpetaTemporal vacia;
  const Resultado r = Orvex({"--store", vacia.Ruta().string(), "folders"});
  EXPECT_EQ(r.estado, 2);
  EXPECT_NE(r.error.find("no mail store in"), std::string::npos) << r.error;
}

TEST(OrvexSinAlmacenTest, FoldersDbxAjeno) {
  CarpetaTemporal dir;
  std::ofstream(dir.Ruta() / "Folders.dbx") << "not a folder list at all";
  const Resultado r = Orvex({"--store", dir.Ruta().string(), "folders"});
  EXPECT_EQ(r.estado, 2);
  EXPECT_NE(r.error.find("cannot read the folder list"), std::string::npos) << r.error;
}

TEST(OrvexSinAlmacenTest, ErroresDeUso) {
  const std::vector<std::string> usos[] = {
      {"export", "--format", "pst", "--out", "x"}, {"parts", "Inbox"}, {"--no-such-option"}, {"frobnicate"}};
  for (const auto& u : usos) {
    SCOPED_TRACE(u[0]);
    EXPECT_EQ(Orvex(u).estado, 2);
  }
  EXPECT_EQ(Orvex({"--help"}).estado, 0);
  EXPECT_EQ(Orvex({"scan", "--help"}).estado, 0);
}

std::set<std::string> Rutas(const std::string& salida) {
  std::set<std::string> rutas;
  for (const json& c : Lineas(salida)) rutas.insert(c["path"]);
  return rutas;
}

TEST(OrvexOe4Test, AlmacenConstruido) {
  CarpetaTemporal dir;
  pruebas::EscribirAlmacenOe4(dir.Ruta().string(), pruebas::AlmacenOe4Ejemplo());
  // The store root and its mail folder are both recognised.
  for (const fs::path& almacen : {dir.Ruta(), dir.Ruta() / "mail"}) {
    SCOPED_TRACE(almacen.string());
    const Resultado info = Orvex({"--store", almacen.string(), "--json", "info"});
    ASSERT_EQ(info.estado, 0) << info.error;
    EXPECT_EQ(json::parse(info.salida)["generation"], 4);
    const Resultado carpetas = Orvex({"--store", almacen.string(), "--json", "folders"});
    ASSERT_EQ(carpetas.estado, 0) << carpetas.error;
    const std::set<std::string> rutas = Rutas(carpetas.salida);
    EXPECT_TRUE(rutas.count("Bandeja de entrada")) << carpetas.salida;
    EXPECT_TRUE(rutas.count("Trabajo/Proyecto/Detalle")) << carpetas.salida;
    EXPECT_FALSE(rutas.count("Outlook Express")) << "the root record is no folder";
  }
  const Resultado mensajes = Orvex({"--store", dir.Ruta().string(), "--json", "messages", "bandeja de entrada"});
  ASSERT_EQ(mensajes.estado, 0) << mensajes.error;
  EXPECT_FALSE(Lineas(mensajes.salida).empty());
  const Resultado exportado =
      Orvex({"--store", dir.Ruta().string(), "export", "--format", "mbox", "--out", (dir.Ruta() / "mbox").string()});
  EXPECT_EQ(exportado.estado, 0) << exportado.error;
  EXPECT_TRUE(fs::exists(dir.Ruta() / "mbox" / "Bandeja de entrada.mbox"));
}

TEST(OrvexImnTest, AlmacenConstruido) {
  CarpetaTemporal dir;
  pruebas::EscribirAlmacenImn(dir.Ruta().string(), pruebas::AlmacenImnEjemplo());
  // The mail folder under another name is reached through a link the command makes.
  fs::rename(dir.Ruta() / "Mail", dir.Ruta() / "buzones");
  const std::string almacen = (dir.Ruta() / "buzones").string();
  const Resultado info = Orvex({"--store", almacen, "--json", "info"});
  ASSERT_EQ(info.estado, 0) << info.error;
  EXPECT_EQ(json::parse(info.salida)["generation"], 1);
  const Resultado carpetas = Orvex({"--store", almacen, "--json", "folders"});
  ASSERT_EQ(carpetas.estado, 0) << carpetas.error;
  EXPECT_TRUE(Rutas(carpetas.salida).count("Inbox")) << carpetas.salida;
  EXPECT_TRUE(Rutas(carpetas.salida).count("Sent")) << carpetas.salida;
  const Resultado mensajes = Orvex({"--store", almacen, "--json", "messages", "Inbox"});
  ASSERT_EQ(mensajes.estado, 0) << mensajes.error;
  EXPECT_FALSE(Lineas(mensajes.salida).empty());

  const std::string salida = (dir.Ruta() / "adjuntos").string();
  const Resultado extraido = Orvex({"--store", almacen, "extract", "Sent", "--out", salida});
  ASSERT_FALSE(SinObjeto(extraido)) << "the library refused the message object";
  EXPECT_EQ(extraido.estado, 0) << extraido.error;
  EXPECT_TRUE(fs::exists(fs::path(salida) / "a.exe")) << extraido.salida;
  EXPECT_TRUE(fs::exists(fs::path(salida) / "b.txt")) << extraido.salida;
}

TEST(OrvexMuestrasTest, AlmacenReal) {
  const char* muestras = std::getenv("ORVEX_MUESTRAS");
  if (muestras == nullptr || !fs::exists(fs::path(muestras) / "oe6_dbx_mit")) GTEST_SKIP() << "no sample stores";
  const std::string almacen = (fs::path(muestras) / "oe6_dbx_mit").string();
  const Resultado carpetas = Orvex({"--store", almacen, "--json", "folders"});
  ASSERT_EQ(carpetas.estado, 0) << carpetas.error;
  std::set<std::string> nombres;
  for (const json& c : Lineas(carpetas.salida)) nombres.insert(c["name"]);
  EXPECT_TRUE(nombres.count("Inbox")) << carpetas.salida;
  const Resultado mensajes = Orvex({"--store", almacen, "--json", "messages", "Inbox"});
  ASSERT_EQ(mensajes.estado, 0) << mensajes.error;
  EXPECT_EQ(Lineas(mensajes.salida).size(), 1u);
}

}  // namespace
}  // namespace orvex::herramienta
