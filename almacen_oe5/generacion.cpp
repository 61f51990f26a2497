// This generation's entry in the table of store generations.
#include "almacen_oe5/oe5.h"

namespace orvex::oe5 {

namespace {

// A generation-5 listing has no mail-only stepping: the call has nothing to do.
uint32_t SinPasoDeCorreo(OE_CARPETA*, OE_MENSAJE**) { return OE_OK; }

}  // namespace

const Generacion kGeneracion{
    .version = VERSION_OE5,
    .ContarIdentidades = ContarIdentidades,
    .LeerNombreIdentidad = LeerNombreIdentidad,
    .ObtenerCarpetas = ObtenerCarpetas,
    .ObtenerCarpetasPrincipales = ObtenerCarpetasPrincipales,
    .ObtenerSubCarpetas = ObtenerSubCarpetas,
    .ObtenerCarpetaDeEntryID = ObtenerCarpetaDeEntryID,
    .ObtenerMensajes = ObtenerMensajes,
    .ObtenerUnMensajeMail = SinPasoDeCorreo,
    .PosicionarMensaje = PosicionarMensaje,
    .Guardar = Guardar,
    .Reescribir = Reescribir,
};

}  // namespace orvex::oe5
