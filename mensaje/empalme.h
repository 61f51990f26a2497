// Building a message's Reescrito from its stored text: a save action describes its change as
// edits of Texto, and Empalmar splices them in, starting the rewrite or continuing the one
// under way. The message record owns Reescrito from its creation here to its release. Where
// a part lies, and what else a store keeps in step, stays with each store.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "api/orvex.h"

namespace orvex {
class CL_BUFFER_FLUJO;
class CL_SALIDA_PARTE;
}  // namespace orvex

namespace orvex::mensaje {

// A range of Texto and the bytes that take its place.
struct Edicion {
  uint32_t desde;
  uint32_t hasta;
  std::string texto;
};

// The rewritten text of a message, or null.
CL_BUFFER_FLUJO* ReescritoDe(const OE_MENSAJE* mensaje);
// Destroys Reescrito and clears the pointer. Whoever releases a message record calls this, so
// that a rewrite abandoned before its write-back is not left behind.
void LiberarReescrito(OE_MENSAJE* mensaje);
inline void LiberarReescrito(OE_MENSAJE& mensaje) { LiberarReescrito(&mensaje); }

// Ends a write-back whatever it did: Reescrito goes, and the record no longer asks for one.
class FinReescritura {
 public:
  explicit FinReescritura(OE_MENSAJE& mensaje) : m_(mensaje) {}
  ~FinReescritura();
  FinReescritura(const FinReescritura&) = delete;
  FinReescritura& operator=(const FinReescritura&) = delete;

 private:
  OE_MENSAJE& m_;
};

// Told where the part's new text lies in Reescrito (from inicio, largo bytes up to the next
// part), before the rest of Texto is copied behind it.
using AlEscribirParte = void (*)(OE_MENSAJE& mensaje, uint32_t inicio, uint32_t largo);

// Splices the edits (in text order, not overlapping, from inicio, none past siguiente, where
// the next part begins) into Reescrito, which then ends with Texto from the last edit on.
// With Modificado 1 the rewrite under way continues, provided it still ends with Texto from
// inicio on (else 1, nothing touched); otherwise Reescrito is made afresh (8 when it cannot
// be). Leaves PosCopia where the next part starts in Reescrito and Modificado 1. Modificado
// stays 0 while bytes are written, so a rewrite cut short by a memory failure is dropped.
uint32_t Empalmar(OE_MENSAJE& mensaje, uint32_t inicio, uint32_t siguiente, const std::vector<Edicion>& ediciones,
                  AlEscribirParte al_escribir_parte = nullptr);

// End of the line at pos (past its '\n'), never past limite.
uint32_t FinLinea(const char* texto, uint32_t pos, uint32_t limite);
// A line holding only its line end.
bool EsLineaVacia(std::string_view linea);

enum class Mayusculas { kDistinguir, kIgnorar };
// The first line of [desde, hasta) that holds aguja: *en gets the match, *fin the line's end.
bool BuscarEnLineas(const char* texto, uint32_t desde, uint32_t hasta, std::string_view aguja, Mayusculas mayusculas,
                    uint32_t* en, uint32_t* fin);

// A header parameter with its new quoted value and the line end: parametro"nombre"fin_linea.
std::string ParametroNombrado(std::string_view parametro, std::string_view nombre, std::string_view fin_linea);

enum class ExtensionVir {
  kConservar,  // "virus.exe" -> "virus_exe.VIR", "README" -> "README_.VIR"
  kQuitar,     // "virus.exe" -> "virus.VIR"
};
// The name a renamed attachment gets. Folders and drive are dropped, and quotes and line ends
// become '_' so the header line stays whole. Nothing is cut: the name goes into a header line,
// not a fixed field.
std::string NombreVir(std::string_view nombre, ExtensionVir extension = ExtensionVir::kConservar);

// The part's content in its own transfer encoding, without the NUL that closes a content
// handed out.
std::string ContenidoCodificado(CL_SALIDA_PARTE& salida);

}  // namespace orvex::mensaje
