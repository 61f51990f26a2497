// Outlook Express 4 store: the builder's example store (mail folders, two news accounts),
// with the registry that leads to it. Each input replaces one of its files: folders.nch, the
// Inbox's .idx and .mbx, the news account's sublist.dat, or a group's .nch.
#include <string>
#include <utility>
#include <vector>

#include "api/orvex.h"
#include "fuzz/almacen.h"
#include "fuzz/objetivos.h"
#include "fuzz/reescritura.h"
#include "pruebas/oe4_constructor.h"

namespace orvex::fuzz {
namespace {

constexpr uint32_t kIdBandeja = 1;  // first in the example's description
constexpr uint32_t kIdCuenta = 0x80000001u;  // the news account's folder
constexpr const char* kDirNoticias = "News/news.example.com/";

AlmacenFuzz& Almacen() {
  static AlmacenFuzz almacen(
      [](const std::string& raiz, pruebas::RegistroPrueba& registro) {
        const pruebas::AlmacenOe4 d = pruebas::AlmacenOe4Ejemplo();
        pruebas::EscribirAlmacenOe4(raiz, d);
        pruebas::RegistroOe4 r;
        r.raiz = raiz;
        r.cuenta_por_defecto = "00000002";
        r.cuentas = d.cuentas;
        pruebas::DescribirRegistroOe4(registro, r);
      },
      false);
  return almacen;
}

// Where the first group's entry lies in sublist.dat: its folder's position.
uint32_t PosPrimerGrupo() {
  static const uint32_t pos = pruebas::ConstruirSublist(pruebas::AlmacenOe4Ejemplo().cuentas[1]).entradas.at(0);
  return pos;
}

// Where the Inbox's record lies in folders.nch: its entry id's position.
uint32_t PosBandeja() {
  static const uint32_t pos = pruebas::ConstruirFoldersNch(pruebas::AlmacenOe4Ejemplo().correo).registros.at(0);
  return pos;
}

}  // namespace

int Oe4Carpetas(const uint8_t* datos, std::size_t n) {
  UsoAlmacen uso(Almacen());
  uso->Reemplazar("mail/folders.nch", datos, n);
  RecorrerCarpetas({{0, 0}, {kIdBandeja, PosBandeja()}, {kIdCuenta, 0}, {kIdCuenta, PosPrimerGrupo()}});
  return 0;
}

int Oe4Mensajes(const uint8_t* datos, std::size_t n) {
  const Par par = Partir(datos, n);
  UsoAlmacen uso(Almacen());
  uso->Reemplazar("mail/Inbox.idx", par.primero, par.n_primero);
  uso->Reemplazar("mail/Inbox.mbx", par.segundo, par.n_segundo);
  RecorrerMensajesDe(kIdBandeja, PosBandeja(), true);
  return 0;
}

int Oe4Sublist(const uint8_t* datos, std::size_t n) {
  UsoAlmacen uso(Almacen());
  uso->Reemplazar(std::string(kDirNoticias) + "sublist.dat", datos, n);
  RecorrerCarpetas({{kIdCuenta, 0}, {kIdCuenta, PosPrimerGrupo()}});
  // The groups the account now lists, each looked up and listed (group files are named by
  // number, so a damaged list reaches only files of this account).
  std::vector<std::pair<uint32_t, uint32_t>> grupos;
  Enumerar(OE_ObtenerCarpetas, [&](OE_CARPETA& c) {
    if (c.IdCarpeta != kIdCuenta || c.NumSubCarpetas == 0) return;
    Enumerar([&](OE_CARPETA** g, uint32_t modo) { return OE_ObtenerSubCarpetas(&c, g, modo); },
             [&](OE_CARPETA& g) {
               if (grupos.size() < 8) grupos.emplace_back(g.IdCarpeta, g.PosCarpeta);
             });
  });
  for (const auto& [id, pos] : grupos) RecorrerMensajesDe(id, pos, false);
  return 0;
}

int Oe4Grupo(const uint8_t* datos, std::size_t n) {
  UsoAlmacen uso(Almacen());
  uso->Reemplazar(std::string(kDirNoticias) + pruebas::NombreArchivoGrupo(1), datos, n);
  RecorrerMensajesDe(kIdCuenta, PosPrimerGrupo(), false);
  return 0;
}

// Input: the rewrite request (reescritura.h), then the Inbox's .idx and .mbx as a pair.
int Oe4Reescritura(const uint8_t* datos, std::size_t n) {
  Pedido pedido;
  if (!LeerPedido(datos, n, &pedido)) return 0;
  const Par par = Partir(pedido.archivo, pedido.n_archivo);
  UsoAlmacen uso(Almacen());
  uso->Reemplazar("mail/Inbox.idx", par.primero, par.n_primero);
  uso->Reemplazar("mail/Inbox.mbx", par.segundo, par.n_segundo);
  uso->Vigilar("mail/folders.nch");
  ReescribirVallado(kIdBandeja, PosBandeja(), pedido, VallasCorreoOe4);
  return 0;
}

// Input: the rewrite request, then the first group's .nch.
int Oe4GrupoReescritura(const uint8_t* datos, std::size_t n) {
  Pedido pedido;
  if (!LeerPedido(datos, n, &pedido)) return 0;
  UsoAlmacen uso(Almacen());
  uso->Reemplazar(std::string(kDirNoticias) + pruebas::NombreArchivoGrupo(1), pedido.archivo, pedido.n_archivo);
  ReescribirVallado(kIdCuenta, PosPrimerGrupo(), pedido, VallasGrupoOe4);
  return 0;
}

}  // namespace orvex::fuzz
