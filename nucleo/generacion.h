// The store generations as one table: each generation fills its entry in its own folder, the
// detection picks one, and everything that depends on the generation calls through the entry.
// A null operation is one the generation does not have; callers answer it with OE_ERROR.
// The exports check what the C interface promises to refuse (null pointers, a record without its
// tag, a folder with no messages or subfolders) before calling through; operations take their
// arguments as checked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/orvex.h"

namespace orvex {

struct Generacion {
  uint32_t version = VERSION_NINGUNA;

  // Asked in table order when the registry names no version: true when this generation's
  // store root is there.
  bool (*Detectar)() = nullptr;

  // Identities (only generation 5 has them).
  uint32_t (*ContarIdentidades)() = nullptr;
  char* (*LeerNombreIdentidad)(uint32_t indice) = nullptr;

  // Folders.
  uint32_t (*ObtenerCarpetas)(OE_CARPETA** carpeta, uint32_t modo) = nullptr;
  uint32_t (*ObtenerCarpetasPrincipales)(OE_CARPETA** carpeta, uint32_t modo) = nullptr;
  uint32_t (*ObtenerSubCarpetas)(OE_CARPETA* padre, OE_CARPETA** carpeta, uint32_t modo) = nullptr;
  uint32_t (*ObtenerCarpetaDeEntryID)(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo) = nullptr;

  // Messages; ObtenerUnMensajeMail advances a listing by one mail message.
  uint32_t (*ObtenerMensajes)(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo) = nullptr;
  uint32_t (*ObtenerUnMensajeMail)(OE_CARPETA* carpeta, OE_MENSAJE** mensaje) = nullptr;
  // Advances a listing prepared by mode 1 to the message a part reference names.
  uint32_t (*PosicionarMensaje)(const OE_REF_ADJUNTO* referencia, OE_CARPETA* carpeta,
                                OE_MENSAJE* mensaje) = nullptr;

  // The message object of a generation with its own; null: the shared one.
  uint32_t (*ObtenerObjMsg)(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo) = nullptr;

  // Save actions, and the write-back when a message object ends with Modificado set.
  uint32_t (*Guardar)(OE_MENSAJE* mensaje, OE_OBJMSG* objeto, uint32_t accion) = nullptr;
  uint32_t (*Reescribir)(OE_MENSAJE* mensaje, uint32_t tamano) = nullptr;
};

// Every generation served, in detection order; defined where all of them are known.
inline constexpr std::size_t kNumGeneraciones = 3;
extern const Generacion* const kGeneraciones[kNumGeneraciones];

// The entry of a version number, or null for VERSION_NINGUNA and unknown numbers.
inline const Generacion* GeneracionDe(uint32_t version) {
  for (const Generacion* generacion : kGeneraciones) {
    if (generacion->version == version) return generacion;
  }
  return nullptr;
}

}  // namespace orvex
