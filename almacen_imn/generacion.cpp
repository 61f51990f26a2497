// This generation's entry in the table of store generations: one flat list of folders, and a
// message object of its own.
#include "almacen_imn/imn.h"

namespace orvex::imn {

namespace {

bool Detectar() {
  char raiz[260];
  return ObtenerRaizIMN(raiz) == 0;
}

}  // namespace

const Generacion kGeneracion{
    .version = VERSION_IMN,
    .Detectar = Detectar,
    .ObtenerCarpetas = ObtenerCarpetas,
    .ObtenerCarpetasPrincipales = ObtenerCarpetas,
    .ObtenerCarpetaDeEntryID = ObtenerCarpetaDeEntryID,
    .ObtenerMensajes = ObtenerMensajes,
    .ObtenerObjMsg = ObtenerObjMsg,
    .Guardar = Guardar,
    .Reescribir = Reescribir,
};

}  // namespace orvex::imn
