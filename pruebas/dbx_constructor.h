// Writes Outlook Express 5/6 stores from a short description through the product writer
// (escritura/dbx.h), and the registry entries (identities, default identity, "Store Root")
// that lead to them. Tests, fuzz seeds and the demo store all come from here.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "escritura/dbx.h"
#include "pruebas/entorno_prueba.h"
#include "escritura/imagen.h"

namespace orvex::pruebas {

// The descriptions and builders of the product writer.
using namespace orvex::escritura;

// Shorthands for descriptions.
MensajeDbx Mensaje(uint32_t id, std::string texto, uint64_t fecha = kFechaPorDefecto);
CarpetaDbx Carpeta(uint32_t id, uint32_t padre, std::string nombre, std::optional<std::string> archivo = std::nullopt,
                   std::optional<ArchivoMensajesDbx> mensajes = std::nullopt);

// Message k of a built message file drops out of the index: its node entry names no object
// and the header counts one message fewer; its text chain stays as it was.
void DesindexarMensajeDbx(MapaDbx& mapa, std::size_t k);
// Message k deleted the way the mail client does it: out of the index, and each of its blocks'
// first word overwritten, so that it no longer names the block (here: its offset with bit 31
// set). With perder_texto the first word of each block's text is overwritten too.
void BorrarMensajeDbx(MapaDbx& mapa, std::size_t k, bool perder_texto);

// Writes folders.dbx and the message file of every folder that has `mensajes` into the folder
// at ruta (a POSIX path that exists).
struct AlmacenEscrito {
  MapaDbx carpetas;
  std::map<std::string, MapaDbx> archivos;  // by file name
};
AlmacenEscrito EscribirAlmacen(const std::string& ruta, const AlmacenDbx& descripcion);

// Registry entries that lead to a store (and the installed version, 6.00.2900.5512).
struct IdentidadDbx {
  std::string clave;                           // key name under "Identities", e.g. "{1A...}"
  std::optional<std::string> usuario;          // "Username"
  std::optional<std::string> raiz_almacen;     // "Store Root" under Software\...\5.0
  bool raiz_expandible = false;                // REG_EXPAND_SZ instead of REG_SZ
};
struct RegistroDbx {
  std::vector<IdentidadDbx> identidades;
  std::optional<std::string> por_defecto;      // "Default User ID"
};
inline constexpr const char* kClaveIdentidades = "HKEY_CURRENT_USER\\Identities";
void DescribirRegistro(RegistroPrueba& registro, const RegistroDbx& descripcion);

// A small store with three levels of folders, several nodes, both index forms and texts over
// several blocks: the usual starting point of tests and of the demo store.
AlmacenDbx AlmacenEjemplo();

}  // namespace orvex::pruebas
