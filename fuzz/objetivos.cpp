#include "fuzz/objetivos.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

namespace orvex::fuzz {

// Caps: a message or registry file of 64 KiB already holds every structure many times over;
// the .dbx targets take the real sample files (up to 140 KiB); the other stores' files are
// small in the builders' examples.
const Objetivo kObjetivos[] = {
    {"codecs", Codecs, 64 * 1024},
    {"analizador", Analizador, 64 * 1024},
    {"mensaje", Mensaje, 64 * 1024},
    {"registro", Registro, 64 * 1024},
    {"rutas", Rutas, 4 * 1024},
    {"dbx_carpetas", DbxCarpetas, 192 * 1024},
    {"dbx_mensajes", DbxMensajes, 192 * 1024},
    {"dbx_guardado", DbxGuardado, 64 * 1024},
    {"oe4_carpetas", Oe4Carpetas, 64 * 1024},
    {"oe4_mensajes", Oe4Mensajes, 128 * 1024},
    {"oe4_sublist", Oe4Sublist, 16 * 1024},
    {"oe4_grupo", Oe4Grupo, 128 * 1024},
    {"imn_mensajes", ImnMensajes, 128 * 1024},
    {"recuperacion", Recuperacion, 192 * 1024},
    {"dbx_reescritura", DbxReescritura, 192 * 1024 + 6},
    {"oe4_reescritura", Oe4Reescritura, 128 * 1024 + 6},
    {"oe4_grupo_reescritura", Oe4GrupoReescritura, 128 * 1024 + 6},
    {"imn_reescritura", ImnReescritura, 128 * 1024 + 6},
#ifdef ORVEX_CON_COLMENA
    {"colmena", Colmena, 64 * 1024},
#endif
};
const std::size_t kNumObjetivos = std::size(kObjetivos);

void Exigir(bool condicion) {
  if (!condicion) std::abort();
}

const Objetivo* BuscarObjetivo(const char* nombre) {
  for (const Objetivo& o : kObjetivos) {
    if (std::strcmp(o.nombre, nombre) == 0) return &o;
  }
  return nullptr;
}

}  // namespace orvex::fuzz
