// orvex find: the mail stores at or below a path, with their generation and message count.
#include "herramienta/hallazgo.h"
#include "herramienta/ordenes.h"
#include "herramienta/registros.h"
#include "herramienta/salida.h"

namespace orvex::herramienta {

int OrdenBuscar(const Opciones& o) {
  const std::string entrada = o.buscar.empty() ? o.almacen : o.buscar;
  if (entrada.empty()) {
    Error("find needs a PATH: a store folder, a message file, or any folder to look below");
    return kSalidaError;
  }
  std::string aviso;
  const std::vector<AlmacenHallado> hallados = BuscarAlmacenes(entrada, {}, &aviso);
  if (!aviso.empty()) Aviso(aviso);
  if (hallados.empty()) {
    Error("no mail store in " + entrada);
    return kSalidaError;
  }
  Salida salida(o.json, kColumnasHallados);
  for (const AlmacenHallado& h : hallados) salida.Escribir(RegistroHallado(h));
  salida.Imprimir(true);
  return kSalidaBien;
}

}  // namespace orvex::herramienta
