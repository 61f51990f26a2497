// Inputs the benchmarks and the peer comparison share: codec texts, one large multipart
// message, and synthetic .dbx stores of a chosen number of messages. Every input is the same
// from run to run (a fixed pseudo-random sequence), so figures of two runs compare.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::bench {

// Bytes from a fixed xorshift sequence.
std::string BytesAleatorios(std::size_t n, uint64_t semilla);
// Mail-like Latin-1 text: words, punctuation, accented letters, lines of up to ~72
// characters ended by CR LF.
std::string TextoCorreo(std::size_t n, uint64_t semilla);

// Base64 of bytes in lines of 76 characters, each ended by CR LF (or by nothing when
// fin_de_linea is false: one long line).
std::string Base64Lineas(const std::string& bytes, bool fin_de_linea = true);
// Quoted-printable of bytes, soft breaks "=" CR LF before 76 columns, CR LF line ends of the
// input kept as hard breaks. With todo_escapado every byte becomes =XX (dense escapes).
std::string QuotedPrintable(const std::string& bytes, bool todo_escapado = false);

// A multipart/mixed message of about megas MB with CR LF line ends: a multipart/alternative
// body (quoted-printable text/plain and text/html, together about a tenth of the size), ten
// base64 attachments, two of them inside a nested multipart/mixed, and a forwarded
// message/rfc822 with its own base64 part.
std::string MensajeGrande(double megas);
// Parts a reader hands out for MensajeGrande: bodies and attachments (not containers).
inline constexpr int kPartesMensajeGrande = 14;

// The text of message number i of a synthetic store: 1 to 4 KB of headers and plain text,
// every 8th message with a base64 attachment of 4 to 20 KB, every 5th a quoted-printable HTML
// alternative.
std::string MensajeAlmacen(uint32_t i);

// Writes an Outlook Express 5/6 store of `mensajes` messages into dir (which exists):
// folders.dbx and one message file per 10000 messages. Each file is built and written on its
// own, so the builder never holds more than one file. Returns the bytes written.
struct AlmacenGenerado {
  uint64_t bytes = 0;          // all files of the store
  uint64_t bytes_texto = 0;    // message texts
  uint64_t mensajes = 0;
  uint64_t mayor_mensaje = 0;  // longest message text
  std::vector<std::string> archivos;  // message-file names
};
AlmacenGenerado GenerarAlmacen(const std::string& dir, uint32_t mensajes);

// Writes the regedit export that leads the library to a store in dir (default identity,
// "Store Root" = dir) at ruta_registro.
void EscribirRegistro(const std::string& dir, const std::string& ruta_registro);

}  // namespace orvex::bench
