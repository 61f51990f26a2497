// --image: the command reads a disk image's partition as drive C:, never writing to it.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "herramienta/almacen.h"
#include "herramienta/ordenes.h"

namespace orvex::herramienta {

// Refuses what --image cannot do (change a store, read files outside the library). True when
// the command may go on; false after an error message. Without --image always true.
bool ImagenPermite(const Opciones& o, bool escanear, bool otra);

// Opens --image and makes its partition drive C: for the library. False after an error message.
bool AbrirImagen(const Opciones& o);

// The store at a path inside the image (C:\... or /...), recognised by its files. Its folders
// are C: paths. Empty after an error message.
std::optional<AlmacenReconocido> AlmacenEnImagen(const std::string& ruta);

// The stores below the users' profile folders of the image, as C: paths of their data folders.
std::vector<AlmacenReconocido> AlmacenesEnImagen();

// With --image and neither --store nor --registry: true when the image has user profiles with
// their hives, and each command runs once per user as with --windows-root.
bool UsuariosEnImagen(const Opciones& o);

// find with --image: the stores below PATH in the image (default: below the profile folders).
int OrdenBuscarImagen(const Opciones& o);

// Adds where a store file lies in the image (image, partition, inode, image_path) to a JSON
// object; unchanged without --image or for a file outside it.
nlohmann::ordered_json ConOrigen(nlohmann::ordered_json j, const std::string& ruta_biblioteca);

}  // namespace orvex::herramienta
