// Writes Internet Mail and News stores in the real format from a short description: a mail
// directory of .mbx/.idx pairs (index records with their 58-byte head, 24-byte part entries
// and a tail of dates and counted texts; dead records; mailbox records padded to 4 bytes),
// mailboxes with a missing or foreign index, and the registry "Store Root" that leads there.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pruebas/entorno_prueba.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {

// One part entry of an index record: where a part lies in the message text.
struct EntradaImn {
  uint32_t inicio = 0;
  uint32_t longitud = 0;  // without the 2-byte line end that follows the part
  uint8_t relleno = 0;    // the other 16 bytes are filled with this value
};

struct MensajeImn {
  uint32_t id = 0;                 // mailbox record id
  std::string texto;               // the raw message
  uint64_t fechas[2] = {0, 0};     // FILETIMEs (UTC); the first is the message date
  std::string asunto;              // counted text 1
  std::string texto2;              // counted text 2
  std::string de;                  // counted text 3
  bool muerto = false;             // flags bit 0: the listing skips the record
  uint8_t byte_partes = 0;         // record byte 34
  std::vector<EntradaImn> entradas;
  uint32_t primera_palabra = 0;    // the mailbox record head's first word
};

enum class IndiceImn { kNormal, kAusente, kAjeno };

struct BuzonImn {
  std::string nombre;              // base name of the pair ("Inbox")
  std::vector<MensajeImn> mensajes;  // in index order
  IndiceImn indice = IndiceImn::kNormal;
  std::optional<uint32_t> num_mensajes;  // index header count; default the live messages
  std::optional<uint32_t> ultimo_id;     // mailbox header; default the largest id
};

// Where the builder put things, so that a test can damage one field at a time.
struct MapaImn {
  std::vector<uint8_t> idx;
  std::vector<uint8_t> mbx;
  std::vector<uint32_t> registros;  // index record offset per message
  std::vector<uint32_t> bloques;    // mailbox record offset per message
};

MapaImn ConstruirBuzonImn(const BuzonImn& buzon);

// The part entries of a MIME text as this store measures parts: a part runs from the line that
// opens it (the first line of the text, then each line that starts with "--" + frontera) to
// the line end before the next such line. The closing delimiter opens no part.
std::vector<EntradaImn> EntradasPorFronteras(const std::string& texto, const std::string& frontera);

// A FILETIME for a UTC calendar time.
uint64_t FileTimeUtc(int anio, int mes, int dia, int hora, int minuto);

// Writes raiz/Mail/<nombre>.mbx and .idx (the index as described) for each mailbox.
std::map<std::string, MapaImn> EscribirAlmacenImn(const std::string& raiz, const std::vector<BuzonImn>& buzones);

inline constexpr const char* kClaveImnRegistro = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News";
// "Store Root" (absent when raiz is empty).
void DescribirRegistroImn(RegistroPrueba& registro, const std::optional<std::string>& raiz);

// The boundary of the messages below.
inline constexpr const char* kFronteraImn = "=_frontera_imn";
// multipart/mixed with a text/plain body and one base64 attachment per (name, bytes), whose
// name parameters stay on the header line ("; name=", "; filename=").
std::string MensajeConAdjuntosImn(const std::vector<std::pair<std::string, std::string>>& adjuntos,
                                  const std::string& asunto = "Adjuntos", FinDeLinea fin = FinDeLinea::kCrLf);
// A live message dated 05/03/1999 14:07 UTC with its part table measured from its text.
MensajeImn MensajeVivo(uint32_t id, std::string texto, std::string asunto);

// Three mailboxes. Inbox: id 1 a plain message, id 2 dead, id 3 with report.doc and a subject of
// 300 characters, id 5 without a part table. Sent: id 7 with a.exe and b.txt (three entries).
// Drafts: a foreign index.
std::vector<BuzonImn> AlmacenImnEjemplo();

}  // namespace orvex::pruebas
