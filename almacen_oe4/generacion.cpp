// This generation's entry in the table of store generations.
#include "almacen_oe4/oe4.h"

namespace orvex::oe4 {

namespace {

bool Detectar() {
  char ruta[260];
  return RutaFoldersNch(ruta) == 1;
}

}  // namespace

const Generacion kGeneracion{
    .version = VERSION_OE4,
    .Detectar = Detectar,
    .ObtenerCarpetas = ObtenerCarpetas,
    .ObtenerCarpetasPrincipales = ObtenerCarpetasPrincipales,
    .ObtenerSubCarpetas = ObtenerSubCarpetas,
    .ObtenerCarpetaDeEntryID = ObtenerCarpetaDeEntryID,
    .ObtenerMensajes = ObtenerMensajes,
    .ObtenerUnMensajeMail = ObtenerUnMensajeMail,
    .PosicionarMensaje = PosicionarMensaje,
    .Guardar = Guardar,
    .Reescribir = Reescribir,
};

}  // namespace orvex::oe4
