// Line scanning and small text helpers shared by the MIME parser and the message object.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

// Length of the line at pos in a text of total bytes, with its '\n'; the rest of the text
// when no '\n' follows; 0 at the end.
uint32_t LongitudLinea(uint32_t pos, uint32_t total, const char* base);
// As LongitudLinea, but 0 when no '\n' follows (an unterminated last line is not reported).
uint32_t LongitudLineaCompleta(uint32_t pos, uint32_t total, const char* base);

// Copies at most capacidad - 1 bytes and always NUL-terminates (nothing when capacidad is 0).
// Returns 0.
int CopiarAcotado(char* destino, const char* origen, std::size_t capacidad);

// Moves the pointer past blanks and tabs. Returns 0.
int SaltarBlancos(const char** texto);
int SaltarBlancos(char** texto);

// Fields of a separator-separated list: runs of separators count as one, leading and
// trailing separators add no field, "" gives 1.
uint32_t ContarCampos(const char* texto, char separador);

// Copies field i (from 1), without leading blanks, into salida: at most max characters plus
// a NUL, so salida must hold max + 1 bytes. 0 when at least one character was copied, else -1.
int ObtenerCampo(uint32_t i, char separador, const char* texto, char* salida, uint32_t max);

// The From and To addresses the header parser collects. Plain three words; owns its strings
// (blocks of the page allocator) until Vaciar.
struct LISTA_DIRECCIONES {
  char* De;
  char** Para;
  uint32_t NumPara;

  void Iniciar();
  int Vaciar();
  // Replaces De with a copy of texto, releasing the earlier copy. -1 for null.
  int AsignarDe(const char* texto);
  // Appends a copy of texto to Para. -1 for null.
  int AnadirPara(const char* texto);
};

}  // namespace orvex
