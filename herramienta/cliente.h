// The command's view of the library: walks over folders, messages and parts, written
// against the exports of api/orvex.h and their mode 1/2/3 pattern only.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "api/orvex.h"
#include "herramienta/seleccion.h"

namespace orvex::herramienta {


// Every folder of the store, in the library's order, without the store's root record (id 0
// in generations 5 and 4, where it is no mail folder); Outlook Express 4 news groups follow
// their account. Returns OE_OK or the failing export's code.
uint32_t ListarCarpetas(uint32_t version, std::vector<CarpetaVista>* carpetas);

// Called with each message of the chosen folders; return false to stop the walk.
using VisitaMensaje = std::function<bool(const CarpetaVista& carpeta, OE_MENSAJE* mensaje)>;

// Walks the folders again and lists the messages of those whose Clave() is in claves.
// Folders without messages are passed over. OE_OK, or the code of the listing that failed.
uint32_t RecorrerMensajes(const std::vector<CarpetaVista>& carpetas, const std::set<uint64_t>& claves,
                          const VisitaMensaje& visita);

struct ParteVista {
  uint32_t numero = 0;
  std::string nombre;              // "" for an unnamed (body) part
  std::string tipo;                // Content-Type of the part as its header gives it, lower case
  uint32_t longitud_codificada = 0;
  std::string contenido;           // decoded bytes
};

// Called with each part; the object stays open for OE_GuardarObjMsg until it returns.
// Return false to abandon the message (no write-back).
using VisitaParte = std::function<bool(OE_OBJMSG* objeto, const ParteVista& parte)>;

// Opens the message object and hands out its parts. OE_FIN after the last part (the
// library then writes a changed message back), OE_OK when the visit stopped early, else
// the code of the export that failed (OE_ERROR when the store has no message object).
uint32_t RecorrerPartes(OE_MENSAJE* mensaje, const VisitaParte& visita);

// The identities' user names (generation 5), empty elsewhere.
std::vector<std::string> Identidades();

// Text of a fixed record field, never past its array.
template <std::size_t N>
std::string Campo(const char (&texto)[N]) {
  std::size_t n = 0;
  while (n < N && texto[n] != '\0') ++n;
  return std::string(texto, n);
}

// The Content-Type value of the last header block in a stretch of message text.
std::string TipoDeContenido(std::string_view texto);

const char* NombreResultado(uint32_t codigo);

}  // namespace orvex::herramienta
