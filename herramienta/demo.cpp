// orvex_demo DIR: writes a small Outlook Express 5/6 store into DIR/store, with a hash list
// (DIR/eicar.hdb, DIR/eicar.hsb) that knows its EICAR test attachment, and a registry export
// (DIR/registry.reg) that leads to the store. Prints the store folder on standard output.
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "herramienta/almacen.h"
#include "herramienta/resumen.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/mensajes_mime.h"

namespace {
namespace fs = std::filesystem;
using namespace orvex::pruebas;

// The anti-virus test file: every scanner reports it, and it harms nothing.
const std::string kEicar = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$EICAR-STANDARD-ANTIVIRUS-TEST-FILE!$H+H*";

// FILETIME of a UTC calendar time.
uint64_t FileTime(int anio, unsigned mes, unsigned dia, int hora, int minuto) {
  const std::chrono::sys_days d{std::chrono::year{anio} / std::chrono::month{mes} / std::chrono::day{dia}};
  const int64_t segundos = d.time_since_epoch().count() * 86400LL + hora * 3600LL + minuto * 60LL;
  return static_cast<uint64_t>(segundos + 11644473600LL) * 10000000ULL;
}

MensajeDbx Correo(uint32_t id, const std::string& de, const std::string& asunto, ParteMime cuerpo,
                   uint64_t fecha) {
  MensajeDbx m;
  m.id = id;
  m.asunto = asunto;
  m.direccion_remitente = de;
  m.fecha = fecha;
  m.texto = Componer(orvex::pruebas::Mensaje(de, "you@example.org", asunto, std::move(cuerpo)));
  return m;
}

std::string Binario(std::size_t n) {
  std::string b;
  for (std::size_t i = 0; i < n; ++i) b += static_cast<char>((i * 37 + 11) & 0xFF);
  return "%PDF-1.3\n" + b;
}

AlmacenDbx Descripcion() {
  ArchivoMensajesDbx entrada;
  ParteMime plano;
  plano.Cabecera("Content-Type", "text/plain; charset=\"us-ascii\"");
  plano.cuerpo =
      "Welcome to the Orvex demo store.\n\nThis message has a plain body and nothing else.\n"
      "From here on, every message shows something else the library reads.\n";
  entrada.mensajes.push_back(
      Correo(2, "Ana <ana@example.org>", "Welcome", plano, FileTime(2001, 3, 5, 9, 15)));
  entrada.mensajes.push_back(Correo(
      3, "Luis <luis@example.org>", "Invoice for March",
      Multiparte("mixed", {TextoPlano("The invoice is attached.\n"), Adjunto("invoice-march.pdf", Binario(3000))}),
      FileTime(2001, 3, 6, 11, 2)));
  entrada.mensajes.push_back(Correo(
      4, "Marta <marta@example.net>", "Caf\xE9 menu (quoted-printable)",
      TextoQP("Men\xFA del d\xED" "a: caf\xE9 y t\xE9 =10 euros.\nA line long enough to need a soft line break "
              "in quoted-printable, which wraps at seventy-six characters.\n"),
      FileTime(2001, 3, 7, 16, 45)));
  entrada.mensajes.push_back(Correo(
      5, "Unknown <offers@example.com>", "Your prize is attached",
      Multiparte("mixed", {TextoPlano("Open the attached program to claim your prize.\n"), Adjunto("prize.com", kEicar)}),
      FileTime(2001, 3, 8, 3, 33)));
  entrada.mensajes.push_back(Correo(
      6, "Pedro <pedro@example.com>", "Newsletter (HTML)",
      Multiparte("alternative",
                 {TextoPlano("Hello in plain text.\n"),
                  Html("<HTML><BODY><P>Hello in <B>HTML</B>.</P></BODY></HTML>\n", true)},
                 "----=_NextPart_000_0001_01C0A1B2.C3D4E5F6"),
      FileTime(2001, 3, 9, 8, 0)));

  ArchivoMensajesDbx enviados;
  ParteMime con_from;
  con_from.cuerpo = "Notes from the meeting:\nFrom now on we meet on Mondays.\n>From the minutes, as quoted.\n";
  enviados.mensajes.push_back(
      Correo(2, "You <you@example.org>", "Meeting notes", con_from, FileTime(2001, 3, 10, 18, 20)));

  ArchivoMensajesDbx proyectos;
  proyectos.mensajes.push_back(Correo(
      2, "Ines <ines@example.org>", "Project plan",
      Multiparte("mixed", {TextoPlano("Plan and budget attached.\n"), Adjunto("plan.txt", "1. Start\n2. Finish\n"),
                           Adjunto("budget.xls", Binario(700))}),
      FileTime(2001, 4, 2, 10, 30)));

  AlmacenDbx a;
  a.carpetas = {
      {1, 0, "Local Folders", std::nullopt, std::nullopt, 0, std::nullopt},
      {4, 1, "Inbox", "Inbox.dbx", std::nullopt, 0, entrada},
      {8, 4, "Projects", "Projects.dbx", std::nullopt, 0, proyectos},
      {5, 1, "Outbox", "Outbox.dbx", std::nullopt, 0, ArchivoMensajesDbx{}},
      {6, 1, "Sent Items", "Sent Items.dbx", std::nullopt, 0, enviados},
      {7, 1, "Deleted Items", "Deleted Items.dbx", std::nullopt, 0, ArchivoMensajesDbx{}},
  };
  return a;
}

void Escribir(const fs::path& ruta, const std::string& texto) {
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f << texto;
  if (!f.flush()) throw std::runtime_error("cannot write " + ruta.string());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]).rfind("-", 0) == 0) {
    std::cerr << "usage: orvex_demo DIR\n"
                 "Writes a small Outlook Express 5/6 demo store into DIR/store, the hash lists DIR/eicar.hdb\n"
                 "and DIR/eicar.hsb for its EICAR test attachment, and DIR/registry.reg; prints the store folder.\n";
    return 2;
  }
  try {
    const fs::path base = fs::absolute(argv[1]);
    const fs::path almacen = base / "store";
    fs::create_directories(almacen);
    EscribirAlmacen(almacen.string(), Descripcion());
    const std::string tamano = std::to_string(kEicar.size());
    Escribir(base / "eicar.hdb", orvex::herramienta::ResumenMd5(kEicar) + ":" + tamano + ":Eicar-Test-Signature\n");
    Escribir(base / "eicar.hsb",
             orvex::herramienta::ResumenSha256(kEicar) + ":" + tamano + ":Eicar-Test-Signature\n");
    Escribir(base / "registry.reg", orvex::herramienta::TextoRegistro(5, almacen.string()));
    std::cout << almacen.string() << '\n';
    std::cerr << "Try:\n"
              << "  orvex --store " << almacen.string() << " folders\n"
              << "  orvex --store " << almacen.string() << " scan --hashes " << (base / "eicar.hdb").string()
              << " --action rename\n"
              << "  orvex --registry " << (base / "registry.reg").string() << " messages Inbox\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "orvex_demo: " << e.what() << '\n';
    return 2;
  }
}
