// Writes Outlook Express 4 stores in the real format from a short description: folders.nch
// with its folder chain (root first or further down, nested folders, the root's IdFin), a
// .idx/.mbx pair per mail folder (live and replaced records, long counted texts, three
// FILETIMEs), news accounts with sublist.dat and group .nch files whose articles run over
// several blocks or have no body, and the registry entries that lead to all of it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "escritura/oe4.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::pruebas {

using namespace orvex::escritura;

struct ArticuloOe4 {
  std::optional<std::string> texto;  // absent: an item without a stored body
  uint32_t capacidad_bloque = 512;   // text room of each block
  std::optional<uint32_t> tam_articulo;  // item TamArticulo; default the text length
};

struct GrupoOe4 {
  std::string nombre;
  uint32_t num_fichero = 0;
  std::vector<ArticuloOe4> articulos;
};

struct CuentaOe4 {
  std::string subclave;                   // key name under Accounts
  std::optional<std::string> directorio;  // "NNTP Data Directory"; absent: not a news account
  std::vector<GrupoOe4> grupos;
  bool con_sublist = true;
  uint32_t tercera = 0;                   // sublist.dat's third word
};

struct AlmacenOe4 {
  AlmacenCorreoOe4 correo;
  std::vector<CuentaOe4> cuentas;         // in subkey order (names sort in this order)
  bool cuenta_por_defecto = true;         // "Default News Account" present
};

// Where the builder put things, so that a test can damage one field at a time.
struct MapaGrupo {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> articulos;                // item offset per article
  std::vector<std::vector<uint32_t>> bloques;     // per article: its chain
};
struct MapaSublist {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> entradas;  // entry offset per group
};

// Shorthands for descriptions.
CarpetaOe4 CarpetaCorreo(uint32_t id, uint32_t padre, std::string nombre, std::string fichero);
ArticuloOe4 Articulo(std::optional<std::string> texto, uint32_t capacidad_bloque = 512);
GrupoOe4 Grupo(std::string nombre, uint32_t num_fichero, std::vector<ArticuloOe4> articulos);
CuentaOe4 Cuenta(std::string subclave, std::optional<std::string> directorio, std::vector<GrupoOe4> grupos = {});

MapaGrupo ConstruirGrupoNch(const GrupoOe4& grupo);
MapaSublist ConstruirSublist(const CuentaOe4& cuenta);

// The eight-digit file name of a group's articles ("00000042.nch").
std::string NombreArchivoGrupo(uint32_t num_fichero);

// Writes the store under raiz (a POSIX folder that exists): raiz/mail/folders.nch with the
// folders' pairs beside it, and raiz/News/<directory>/ with sublist.dat and group files.
struct AlmacenOe4Escrito {
  MapaNch folders;
  std::map<std::string, MapaIdxMbx> pares;      // by base name
  std::map<std::string, MapaSublist> sublists;  // by account directory
  std::map<std::string, MapaGrupo> grupos;      // by path below raiz ("News/dir/00000001.nch")
};
AlmacenOe4Escrito EscribirAlmacenOe4(const std::string& raiz, const AlmacenOe4& descripcion);

// The registry entries: "Store Root" (raiz as given), the installed version 4.72, the default
// news account and one key per account.
inline constexpr const char* kClaveCuentasRegistro =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager";
struct RegistroOe4 {
  std::optional<std::string> raiz;                        // "Store Root"
  std::optional<std::string> cuenta_por_defecto;          // "Default News Account"
  std::vector<CuentaOe4> cuentas;
};
void DescribirRegistroOe4(RegistroPrueba& registro, const RegistroOe4& descripcion);

// A store with a root that is not first in the chain, nested folders, messages with long
// texts, a replaced record and two news accounts (only the second one with a data directory).
AlmacenOe4 AlmacenOe4Ejemplo();

}  // namespace orvex::pruebas
