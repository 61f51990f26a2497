// How the message object, the destination list and the subject refresh walk a message text
// through a MIME parser: one line at a time, each copied into one reused buffer, and the
// test that tells whether the line just fed belongs to a part that is handed out.
#pragma once

#include <cstdint>

#include "soporte/buffer.h"

namespace orvex {
class CL_ANALIZADOR_MIME;
}

namespace orvex::mensaje {

// Copies the lines of a text into one buffer, NUL-terminated, so that the parser never reads
// past the text even when it holds NUL bytes or lacks a final line end. A null text reads as
// empty. The text is not owned and must outlive the reader.
class LectorLineas {
 public:
  LectorLineas(const char* texto, uint32_t longitud);
  LectorLineas(const LectorLineas&) = delete;
  LectorLineas& operator=(const LectorLineas&) = delete;

  // Copies the line at pos (its line end included) and returns its length: 0 at or past the
  // end of the text, when the buffer then holds "".
  uint32_t Leer(uint32_t pos);
  const char* Linea() const { return linea_.Datos(); }
  const char* Texto() const { return texto_; }
  uint32_t Longitud() const { return longitud_; }

 private:
  const char* texto_;
  uint32_t longitud_;
  CL_BUFFER linea_{10000};
};

// True when the line just fed puts the parser inside the body of a part that the selection
// switches and the nesting filter admit. Multiparts and encapsulated messages never pass.
bool ParteSeleccionada(const CL_ANALIZADOR_MIME& analizador);

// True once the parser has seen a first body line of its innermost part.
bool CuerpoAlcanzado(const CL_ANALIZADOR_MIME& analizador);

}  // namespace orvex::mensaje
