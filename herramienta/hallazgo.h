// Finding mail stores below any path by the content of their files: a store folder, a lone
// message file, or a tree that holds stores further down (a profile folder, an Identities
// folder, a copied "Documents and Settings").
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvex::herramienta {

// What a file is, by its first bytes.
enum class TipoArchivo { kOtro, kFoldersDbx, kMensajesDbx, kFoldersNch, kGrupoNch, kMbx, kIdx };
TipoArchivo TipoPorContenido(const std::filesystem::path& archivo);

// One mailbox of the two older generations: its .mbx and the .idx beside it (empty when none).
struct Buzon {
  std::filesystem::path mbx, idx;
  bool indice_bueno = false;  // the .idx agrees with the .mbx
};

struct AlmacenHallado {
  uint32_t version = 0;               // 5, 4 or 1
  std::filesystem::path datos;        // the folder of the store's files
  std::filesystem::path lista;        // its folder list (folders.dbx, folders.nch), when readable
  std::filesystem::path lista_mala;   // a folder list by its name that its content does not bear out
  std::vector<std::filesystem::path> mensajes;  // generation 5: the message files
  std::vector<Buzon> buzones;                   // generations 4 and 1
  bool solo_archivo = false;          // found from a lone message file: only that one counts
  uint64_t num_mensajes = 0;          // by the files' own headers

  // The folder list must be rebuilt from the message files.
  bool SinLista() const { return version != 1 && lista.empty(); }
  // Some mailbox must be read through a rebuilt index.
  bool SinIndice() const;
};

// Bounds of a search below a folder.
struct LimitesBusqueda {
  int profundidad = 12;
  std::size_t archivos = 100000;  // entries looked at
};

// The stores at or below entrada, in path order. Links are never followed below entrada.
// *aviso tells when a bound cut the search short.
std::vector<AlmacenHallado> BuscarAlmacenes(const std::filesystem::path& entrada, const LimitesBusqueda& limites,
                                            std::string* aviso);

const char* NombreTipoLista(uint32_t version);  // "folders.dbx" or "folders.nch"

}  // namespace orvex::herramienta
