// Writes Outlook Express 5/6 stores in the real .dbx format from a short description: a
// folders.dbx with its three folder trees, one message file per folder with index trees over
// several nodes, objects with direct and offset index entries, texts chained over 512-byte
// blocks, and the registry entries (identities, default identity, "Store Root") that lead to
// them. Tests, fuzz seeds and the demo store all come from here.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pruebas/entorno_prueba.h"
#include "pruebas/imagen.h"

namespace orvex::pruebas {

// How the objects of a tree are spread over nodes and how the nodes hang together. Every shape
// keeps the reader's walk order (a node, its entries' children, then its +0x08 child) equal to
// the order of the description.
enum class FormaArbol {
  kCadena08,      // each node's +0x08 child is the next node
  kHijosEntrada,  // the first node's entries carry the other nodes as children
  kMixto,         // recursive: entry 0 and entry 1 children, then the +0x08 child
};

struct OpcionesArbol {
  uint32_t entradas_por_nodo = 51;  // 1 to 51
  FormaArbol forma = FormaArbol::kMixto;
};

// 2001-03-05 13:07 UTC, a date every build's time conversion handles.
inline constexpr uint64_t kFechaPorDefecto = 126282712200000000ull;

struct MensajeDbx {
  uint32_t id = 0;                  // id 0x80 (below 2^24)
  std::string texto;                // the raw message, chained over blocks
  uint64_t fecha = kFechaPorDefecto;  // FILETIME (UTC) at data-area offset 0
  bool bloque_en_area = false;      // first block offset through id 0x04 (data-area word 8), no 0x84
  uint32_t capacidad_bloque = 512;  // text room of each block, 1 to 512
  std::string asunto;               // id 0x08, as real files carry it (the reader takes the text's)
  std::string nombre_remitente;     // id 0x0D
  std::string direccion_remitente;  // id 0x0E
};

struct ArchivoMensajesDbx {
  std::vector<MensajeDbx> mensajes;  // in listing order
  OpcionesArbol arbol;
  std::optional<uint32_t> max_id;        // header 0x5C; default the largest id
  std::optional<uint32_t> num_mensajes;  // header 0xC4; default the number of messages
  bool nodo_sin_mensajes = false;        // an empty folder still gets a root node
};

struct CarpetaDbx {
  uint32_t id = 0;      // id 0x80
  uint32_t padre = 0;   // id 0x81 (written only when nonzero, as the mail client does)
  std::string nombre;   // data area offset 0
  // id 0x03: the message file's name. Absent: no id 0x03 (the reader then uses nombre + ".dbx").
  std::optional<std::string> archivo;
  // id 0x87. Absent: the number of messages of `mensajes`, left out when 0.
  std::optional<uint32_t> num_mensajes;
  uint32_t valor_88 = 0;  // id 0x88 when nonzero
  // The folder's message file, written beside folders.dbx by EscribirAlmacen.
  std::optional<ArchivoMensajesDbx> mensajes;
};

struct AlmacenDbx {
  std::vector<CarpetaDbx> carpetas;  // in listing order
  OpcionesArbol arbol;
  // The root folder's object (at 9712) as entry 0 of the first node, which the folder list
  // leaves out.
  bool raiz_en_arbol = true;
  std::optional<uint32_t> num_subcarpetas;  // header 0xCC; default the number of folders
};

// Where the builder put things, so that a test can damage one field at a time.
struct MapaDbx {
  std::vector<uint8_t> bytes;
  uint32_t raiz = 0;                           // root node of the walked tree
  std::vector<uint32_t> nodos;                 // walked tree, in walk order
  std::vector<uint32_t> objetos;               // folder or message objects, description order
  std::vector<std::vector<uint32_t>> bloques;  // per message: the blocks of its chain
  uint32_t pos_raiz = 0;                       // folders.dbx: position of the root folder object
  uint32_t area_raiz = 0;                      // folders.dbx: the root-folder area (header 0x8C)
};

// Shorthands for descriptions.
MensajeDbx Mensaje(uint32_t id, std::string texto, uint64_t fecha = kFechaPorDefecto);
CarpetaDbx Carpeta(uint32_t id, uint32_t padre, std::string nombre, std::optional<std::string> archivo = std::nullopt,
                   std::optional<ArchivoMensajesDbx> mensajes = std::nullopt);

// The bytes of one message file.
MapaDbx ConstruirArchivoMensajes(const ArchivoMensajesDbx& descripcion);
// The bytes of folders.dbx.
MapaDbx ConstruirFoldersDbx(const AlmacenDbx& descripcion);

// Message k of a built message file drops out of the index: its node entry names no object
// and the header counts one message fewer; its text chain stays as it was.
void DesindexarMensajeDbx(MapaDbx& mapa, std::size_t k);
// Message k deleted the way the mail client does it: out of the index, and each of its blocks'
// first word overwritten, so that it no longer names the block (here: its offset with bit 31
// set). With perder_texto the first word of each block's text is overwritten too.
void BorrarMensajeDbx(MapaDbx& mapa, std::size_t k, bool perder_texto);

// The message-file name the reader derives for a folder.
std::string NombreArchivo(const CarpetaDbx& carpeta);

// Writes folders.dbx and the message file of every folder that has `mensajes` into the folder
// at ruta (a POSIX path that exists).
struct AlmacenEscrito {
  MapaDbx carpetas;
  std::map<std::string, MapaDbx> archivos;  // by file name
};
AlmacenEscrito EscribirAlmacen(const std::string& ruta, const AlmacenDbx& descripcion);

// Registry entries that lead to a store.
struct IdentidadDbx {
  std::string clave;                           // key name under "Identities", e.g. "{1A...}"
  std::optional<std::string> usuario;          // "Username"
  std::optional<std::string> raiz_almacen;     // "Store Root" under Software\...\5.0
  bool raiz_expandible = false;                // REG_EXPAND_SZ instead of REG_SZ
};
struct RegistroDbx {
  std::vector<IdentidadDbx> identidades;
  std::optional<std::string> por_defecto;      // "Default User ID"
  std::optional<std::string> version = "6.00.2900.5512";  // HKLM "Version Info" / "Current"
};
inline constexpr const char* kClaveIdentidades = "HKEY_CURRENT_USER\\Identities";
inline constexpr const char* kSubclaveAlmacen = "Software\\Microsoft\\Outlook Express\\5.0";
void DescribirRegistro(RegistroPrueba& registro, const RegistroDbx& descripcion);

// A FILETIME (100 ns ticks since 1601-01-01 UTC) for a UTC calendar time.
uint64_t FileTime(int anio, int mes, int dia, int hora, int minuto, int segundo = 0);

// A small store with three levels of folders, several nodes, both index forms and texts over
// several blocks: the usual starting point of tests and of the demo store.
AlmacenDbx AlmacenEjemplo();

}  // namespace orvex::pruebas
