// Message texts for tests and fuzz seeds: RFC 822 / MIME messages described as a tree of
// parts and written out with CR LF or LF line ends. Base64 is the library's encoder (its golden
// pairs pin it); quoted-printable is written here, line ends kept as the text has them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "api/orvex.h"

namespace orvex::pruebas {

enum class FinDeLinea { kCrLf, kLf };

// One entity: its header lines, then either a body or (when hijas is not empty) a
// multipart body with the children between boundary lines.
struct ParteMime {
  std::vector<std::pair<std::string, std::string>> cabeceras;  // name, value (no line end)
  // Body text as it is stored (already transfer-encoded); lines separated by '\n', which
  // become the chosen line end. A body without a final '\n' ends without a line end.
  std::string cuerpo;
  std::vector<ParteMime> hijas;
  std::string frontera;   // boundary of a multipart, without the leading "--"
  std::string preambulo;  // lines before the first boundary
  bool cerrar = true;     // write the closing boundary "--frontera--"

  ParteMime& Cabecera(std::string nombre, std::string valor);
};

// Base64 with lines of 76 characters, each ended by '\n' (the last one too).
std::string Base64(const std::string& bytes);
// Quoted-printable: '=' and bytes outside printable ASCII escaped, lines kept under 76
// characters with soft breaks; '\n' in the input stays a hard line end.
std::string QuotedPrintable(const std::string& texto);

// Leaf parts. Each sets Content-Type (with name= when a name is given) and
// Content-Transfer-Encoding, and encodes the content given decoded.
ParteMime TextoPlano(const std::string& texto);
ParteMime TextoQP(const std::string& texto, const std::string& subtipo = "plain");
ParteMime Html(const std::string& html, bool qp = false);
ParteMime Adjunto(const std::string& nombre, const std::string& bytes,
                  const std::string& tipo = "application/octet-stream");

// A multipart container; with an empty boundary one is made up from the subtype.
ParteMime Multiparte(const std::string& subtipo, std::vector<ParteMime> hijas,
                     const std::string& frontera = "");

// Puts the outer message headers (From, To, Subject, Date, Message-ID and, for a MIME body,
// MIME-Version) in front of the body's own headers. Empty values leave the header out.
ParteMime Mensaje(const std::string& de, const std::string& para, const std::string& asunto,
                  ParteMime cuerpo);

// The message text of the tree.
std::string Componer(const ParteMime& parte, FinDeLinea fin = FinDeLinea::kCrLf);

// Ready-made texts for the usual shapes.
// Headers, an empty line and a body of three lines.
std::string MensajeSimple(FinDeLinea fin = FinDeLinea::kCrLf);
// multipart/mixed: a text/plain body and a base64 application/octet-stream named x.exe.
std::string MensajeConAdjunto(const std::string& bytes, FinDeLinea fin = FinDeLinea::kCrLf);
// The layout Outlook Express writes for HTML mail: multipart/alternative with text/plain and
// quoted-printable text/html, boundaries "----=_NextPart_000_0001_01C0A1B2.C3D4E5F6".
std::string MensajeHtml(FinDeLinea fin = FinDeLinea::kCrLf);

// A message record as a listing would hand it out, holding the given text, for tests of the
// operations on one message. Texto points into a heap copy of exactly LongTexto bytes plus a
// NUL (without it when sin_nul is set), so that a sanitizer sees any read past the text.
class RegistroMensaje {
 public:
  explicit RegistroMensaje(const std::string& texto, bool sin_nul = false);
  ~RegistroMensaje();
  RegistroMensaje(const RegistroMensaje&) = delete;
  RegistroMensaje& operator=(const RegistroMensaje&) = delete;

  OE_MENSAJE* operator->() const { return registro_; }
  OE_MENSAJE* Puntero() const { return registro_; }

 private:
  OE_MENSAJE* registro_;
  std::vector<char> texto_;
};

}  // namespace orvex::pruebas
