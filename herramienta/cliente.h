// The command's view of the library: walks over folders, messages and parts, written
// against the exports of api/orvex.h and their mode 1/2/3 pattern only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "api/orvex.h"
#include "herramienta/seleccion.h"

namespace orvex::herramienta {


// A folder-list entry the library could not read: its place among the entries (from 1),
// the result, and whether the list had to be given up there.
struct FalloLista {
  uint32_t posicion = 0;
  uint32_t codigo = OE_ERROR;
  bool final = false;
};

// Every folder of the store, in the library's order, without the store's root record (id 0
// in generations 5 and 4, where it is no mail folder); Outlook Express 4 news groups follow
// their account. An entry that cannot be read goes to *fallos and the list goes on while the
// library moves past it. Returns OE_OK or the code of a list that could not be started.
uint32_t ListarCarpetas(uint32_t version, std::vector<CarpetaVista>* carpetas, std::vector<FalloLista>* fallos);

// Called with each message of the chosen folders and its place in the folder's listing
// (from 1); return false to stop the walk. Place kRecuperado: a message of a .dbx folder past
// the end of the library's listing, read from the file by the recovery scanner into a record of
// the command's own (see resto.h); nothing may be saved on it.
inline constexpr uint32_t kRecuperado = 0;
using VisitaMensaje = std::function<bool(const CarpetaVista& carpeta, OE_MENSAJE* mensaje, uint32_t posicion)>;

// A step of a walk that failed: a folder whose messages cannot be listed (from posicion
// on; 0 when the listing could not start), or one message whose listing step failed.
struct Tropiezo {
  const CarpetaVista* carpeta = nullptr;
  uint32_t posicion = 0;                // the message's place in its folder's listing, from 1
  std::optional<uint32_t> id_mensaje;   // when the failing step got as far as the ids
  uint32_t codigo = OE_ERROR;
  bool carpeta_entera = false;          // the rest of the folder is passed over
  // The listing ended normally before the number of messages its file's header counts: the
  // messages past posicion - 1 are not listed; recuperados of them follow at place kRecuperado.
  uint32_t en_cabecera = 0;
  uint32_t recuperados = 0;
};

// The message count in the header of the .dbx message file the library names, when it can be read.
std::optional<uint32_t> MensajesEnCabecera(const std::string& ruta_biblioteca);
using VisitaTropiezo = std::function<void(const Tropiezo&)>;

// Walks the folders of the session's generation again and lists the messages of those whose Clave() is in claves.
// Folders without messages are passed over; a failing listing step is handed to tropiezo
// and the walk goes on with the next message, or the next folder when the library cannot
// move past it. A .dbx folder listed only in part goes on with the rest of its file (unless
// resto is false). OE_OK, or the code of the folder listing that failed.
uint32_t RecorrerMensajes(uint32_t version, const std::vector<CarpetaVista>& carpetas, const std::set<uint64_t>& claves,
                          const VisitaMensaje& visita, const VisitaTropiezo& tropiezo, bool resto = true);

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
