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

#include "escritura/imn.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {

using namespace orvex::escritura;

// A mailbox with its messages and a normal index.
inline BuzonImn Buzon(std::string nombre, std::vector<MensajeImn> mensajes) {
  BuzonImn b;
  b.nombre = std::move(nombre);
  b.mensajes = std::move(mensajes);
  return b;
}

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
