// Each kind of record the commands print, described once: its JSON line (its "type" and
// fields) and its rows in the command's table, with that table's columns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "herramienta/cliente.h"
#include "herramienta/salida.h"

namespace orvex::herramienta {

struct AlmacenHallado;

// The fields of a message record the command shows, read before a message object is
// opened (opening one empties the sender and subject of the record).
struct MensajeVista {
  uint32_t id;
  std::string fecha, de, asunto;
  uint32_t tamano;
};

// A part the scan found, told once its message has been written back and checked.
struct HallazgoParte {
  uint32_t parte;
  std::string nombre, firma, hecho, fallo, nota;
  std::size_t tamano;
  bool aplicada;
};

// info: the store.
Registro RegistroAlmacen(uint32_t version, const std::string& identidad, const std::vector<std::string>& identidades,
                         const std::string& raiz, std::size_t carpetas, uint64_t mensajes);
inline const std::vector<std::string> kColumnasAlmacen = {"Store", ""};

// folders: a folder, as a row of the tree or (plano) of the flat list.
Registro RegistroCarpeta(const CarpetaVista& c, bool plano);
inline const std::vector<std::string> kColumnasArbol = {"Folder", ">Messages", ">ID"};
inline const std::vector<std::string> kColumnasCarpetas = {">ID", ">Parent", ">Messages", "Folder", "File"};

// messages: a message with its number of parts (none when they cannot be read); the folder
// column only when the walk covers several folders.
Registro RegistroMensaje(const CarpetaVista& c, const MensajeVista& v, std::optional<uint32_t> partes,
                         bool con_carpeta);
std::vector<std::string> ColumnasMensajes(bool con_carpeta);

// parts: a part of one message.
Registro RegistroParte(const CarpetaVista& c, uint32_t id, const ParteVista& p);
inline const std::vector<std::string> kColumnasPartes = {">Part", "Name", "Type", ">Encoded", ">Decoded"};

// extract: a part written into archivo, shown in the table as mostrado.
Registro RegistroExtraido(const CarpetaVista& c, uint32_t id, const ParteVista& p, const std::filesystem::path& archivo,
                          const std::filesystem::path& mostrado);
inline const std::vector<std::string> kColumnasExtraidos = {"Folder", ">Message", ">Part", "File", ">Size"};

// export: a message written into its file, one the file of an earlier export already holds
// (--sync), an mbox file with its messages, a file no message matched that was deleted.
Registro RegistroExportado(const CarpetaVista& c, uint32_t id, const std::filesystem::path& archivo);
Registro RegistroSinCambio(const CarpetaVista& c, uint32_t id, const std::filesystem::path& archivo);
Registro RegistroBuzonExportado(const CarpetaVista& c, std::size_t mensajes, const std::filesystem::path& archivo);
Registro RegistroBorrado(const CarpetaVista& c, const std::filesystem::path& archivo);
std::vector<std::string> ColumnasExportados(bool mbox);

// scan: a finding and what was done with it.
Registro RegistroHallazgo(const CarpetaVista& c, uint32_t id, const HallazgoParte& h, const std::string& accion,
                          bool simulacion);
inline const std::vector<std::string> kColumnasHallazgos = {"Folder", ">Message", ">Part", "Name", "Found", "Action"};

// r for a message at place posicion of its folder's listing: one read by the recovery scanner
// past the end of the listing (kRecuperado) has "source":"recovered" on its JSON line and
// "(recovered)" after the id in column columna of its rows.
Registro Marcado(Registro r, uint32_t posicion, std::size_t columna);

// A step of a walk that was passed over or failed: in folder c (none for a folder-list entry),
// at a message's place in the listing, with its id when known.
Registro RegistroError(const CarpetaVista* c, const std::string& archivo, std::optional<uint32_t> posicion,
                       std::optional<uint32_t> id, const std::string& texto);

// find: a store found below the path.
Registro RegistroHallado(const AlmacenHallado& h);
inline const std::vector<std::string> kColumnasHallados = {"Generation", ">Messages", "Path", "To rebuild"};

}  // namespace orvex::herramienta
