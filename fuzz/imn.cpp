// Internet Mail and News store: the builder's example mailboxes with the registry "Store
// Root" that leads to them. Each input replaces the Inbox's .idx and .mbx; every folder is
// then walked and listed.
#include <string>
#include <utility>
#include <vector>

#include "api/orvex.h"
#include "fuzz/almacen.h"
#include "fuzz/objetivos.h"
#include "fuzz/reescritura.h"
#include "pruebas/imn_constructor.h"

namespace orvex::fuzz {
namespace {

AlmacenFuzz& Almacen() {
  static AlmacenFuzz almacen(
      [](const std::string& raiz, pruebas::RegistroPrueba& registro) {
        pruebas::EscribirAlmacenImn(raiz, pruebas::AlmacenImnEjemplo());
        pruebas::DescribirRegistroImn(registro, raiz);
      },
      false);
  return almacen;
}

}  // namespace

int ImnMensajes(const uint8_t* datos, std::size_t n) {
  const Par par = Partir(datos, n);
  UsoAlmacen uso(Almacen());
  uso->Reemplazar("Mail/Inbox.idx", par.primero, par.n_primero);
  uso->Reemplazar("Mail/Inbox.mbx", par.segundo, par.n_segundo);
  std::vector<std::pair<uint32_t, uint32_t>> carpetas;
  Enumerar(OE_ObtenerCarpetas, [&](OE_CARPETA& c) { carpetas.emplace_back(c.IdCarpeta, c.PosCarpeta); });
  for (const auto& [id, pos] : carpetas) RecorrerMensajesDe(id, pos, false);
  RecorrerCarpetas({{0, 0}, {1, 0}});
  return 0;
}

// Input: the rewrite request (reescritura.h), then the Inbox's .idx and .mbx as a pair.
int ImnReescritura(const uint8_t* datos, std::size_t n) {
  Pedido pedido;
  if (!LeerPedido(datos, n, &pedido)) return 0;
  const Par par = Partir(pedido.archivo, pedido.n_archivo);
  UsoAlmacen uso(Almacen());
  uso->Reemplazar("Mail/Inbox.idx", par.primero, par.n_primero);
  uso->Reemplazar("Mail/Inbox.mbx", par.segundo, par.n_segundo);
  std::pair<uint32_t, uint32_t> bandeja{0, 0};
  Enumerar(OE_ObtenerCarpetas, [&](OE_CARPETA& c) {
    if (std::string(c.Nombre) == "Inbox") bandeja = {c.IdCarpeta, c.PosCarpeta};
  });
  Exigir(bandeja.first != 0);
  ReescribirVallado(bandeja.first, bandeja.second, pedido, VallasImn);
  return 0;
}

}  // namespace orvex::fuzz
