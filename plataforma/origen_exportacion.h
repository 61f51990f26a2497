// The registry source over a parsed regedit export: what the backends read by default.
#pragma once

#include <memory>

#include "plataforma/origen_registro.h"
#include "plataforma/registro_archivo.h"

namespace orvex::plataforma {

// Its keys share the parsed tree, which lives as long as any of them.
std::shared_ptr<const OrigenRegistro> OrigenDeExportacion(std::shared_ptr<const registro::Registro> arbol);

}  // namespace orvex::plataforma
