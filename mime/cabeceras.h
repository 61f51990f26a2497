// The header recognisers of the MIME parser that need no parser state: the type, subtype and
// transfer-encoding code tables, and the scanners that take one value out of one header line.
// Every scanner reads only up to the NUL of the text it is given and never writes past the
// width of its output field: a longer value is cut.
#pragma once

#include <cstddef>
#include <cstdint>

#include "soporte/texto.h"

namespace orvex {

// Content type codes (Tipo). 9 is not assigned.
inline constexpr uint32_t TIPO_APPLICATION = 1;
inline constexpr uint32_t TIPO_MESSAGE = 2;
inline constexpr uint32_t TIPO_MULTIPART = 3;
inline constexpr uint32_t TIPO_TEXT = 4;
inline constexpr uint32_t TIPO_IMAGE = 5;
inline constexpr uint32_t TIPO_AUDIO = 6;
inline constexpr uint32_t TIPO_VIDEO = 7;
inline constexpr uint32_t TIPO_X = 8;
inline constexpr uint32_t TIPO_POR_DEFECTO = 10;

// Subtype codes (Subtipo).
inline constexpr uint32_t SUBTIPO_OCTET_STREAM = 1;
inline constexpr uint32_t SUBTIPO_POSTSCRIPT = 2;
inline constexpr uint32_t SUBTIPO_ODA = 3;
inline constexpr uint32_t SUBTIPO_RFC822 = 4;
inline constexpr uint32_t SUBTIPO_PARTIAL = 5;
inline constexpr uint32_t SUBTIPO_EXTERNAL_BODY = 6;
inline constexpr uint32_t SUBTIPO_MIXED = 7;
inline constexpr uint32_t SUBTIPO_ALTERNATIVE = 8;
inline constexpr uint32_t SUBTIPO_DIGEST = 9;
inline constexpr uint32_t SUBTIPO_PARALLEL = 10;
inline constexpr uint32_t SUBTIPO_PLAIN = 11;
inline constexpr uint32_t SUBTIPO_HTML = 12;
inline constexpr uint32_t SUBTIPO_DESCONOCIDO = 13;
inline constexpr uint32_t SUBTIPO_OTRO = 14;

// Transfer-encoding codes (Codificacion). 3 is not assigned.
inline constexpr uint32_t CODIF_NINGUNA = 0;
inline constexpr uint32_t CODIF_BASE64 = 1;
inline constexpr uint32_t CODIF_QUOTED_PRINTABLE = 2;
inline constexpr uint32_t CODIF_LITERAL = 4;

// Kinds of the last header recognised (TipoCabecera). 4 is not assigned.
inline constexpr uint32_t CAB_NINGUNA = 0;
inline constexpr uint32_t CAB_MIME_VERSION = 1;
inline constexpr uint32_t CAB_CODIFICACION = 2;
inline constexpr uint32_t CAB_CONTENT_TYPE = 3;
inline constexpr uint32_t CAB_FROM = 5;
inline constexpr uint32_t CAB_TO = 6;

// Widths of the fields the values are scanned into (characters plus the NUL).
inline constexpr std::size_t kLongAsunto = 1002;
inline constexpr std::size_t kLongIdMensaje = 257;
inline constexpr std::size_t kLongFrontera = 144;
inline constexpr std::size_t kLongNombreMime = 204;
inline constexpr std::size_t kLongDireccion = 257;
inline constexpr std::size_t kLongTextoTipo = 100;
inline constexpr std::size_t kLongToken = 68;
// How much of a header line the MIME-Version search looks at.
inline constexpr std::size_t kLongCopiaMimeVersion = 1001;
// Characters of one comma-separated entry of a To value, and of the name parameter text.
inline constexpr uint32_t kMaxCampoPara = 257;
inline constexpr std::size_t kMaxTextoNombre = 200;

inline bool EsBlanco(char c) { return c == ' ' || c == '\t'; }

// Type code of a type text: the first keyword of the table that the text begins with,
// without regard to case; TIPO_APPLICATION when none does.
uint32_t ClasificarTipo(const char* texto);
// Subtype code of a subtype text under a type code, by the same rule.
uint32_t ClasificarSubtipo(uint32_t tipo, const char* texto);
// Transfer-encoding code of a token: base64, quoted-printable, else CODIF_LITERAL.
uint32_t ClasificarCodificacion(const char* token);

// True when the line begins with the header name (without regard to case, over the name's
// length only) and holds a ':' anywhere.
bool EsCabecera(const char* linea, const char* nombre);
// The value of a header line: after its first ':', leading blanks and tabs skipped.
// The line must hold a ':'.
const char* ValorDeCabecera(const char* linea);

// Searches the first kLongCopiaMimeVersion characters of the line, without regard to case,
// for "mime-version:". True when found; *hayToken tells whether a token follows it there.
bool BuscarMimeVersion(const char* linea, bool* hayToken);

// Type text up to the first '/', subtype text from there up to ';', blank or LF; both
// non-empty. Texts longer than the fields are cut.
bool LeerTipoYSubtipo(const char* valor, char (&tipo)[kLongTextoTipo],
                      char (&subtipo)[kLongTextoTipo]);

// The boundary parameter found anywhere in the line (case-sensitive "boundary="): the quoted
// text, or failing that everything up to ';' or LF, a CR included. Cut to the field.
// False (and frontera untouched) when there is none.
bool LeerFrontera(const char* linea, char (&frontera)[kLongFrontera]);

// The name parameter found anywhere in the line (case-sensitive "name=", which also finds the
// tail of "filename="): the text from there is cut at its first ';', else at its first LF
// (none of both: no name), kept to kMaxTextoNombre characters, then read quoted or unquoted.
// False (and nombre untouched) when no name is read.
bool LeerNombre(const char* linea, char (&nombre)[kLongNombreMime]);

// Searches the line, with case, for "Content-Transfer-Encoding:" anywhere; when found reads
// the next token (blanks skipped; "" when none) into token and returns true.
bool LeerCodificacion(const char* linea, char (&token)[kLongToken]);

// "<id>" at the start of the value with the '>' fewer than kLongIdMensaje characters in:
// the id without the brackets. False when the value does not fit.
bool LeerIdMensaje(const char* valor, char (&id)[kLongIdMensaje]);

// One address out of a header value: the value itself up to its first white space when it
// is one space-separated word shorter than kLongDireccion, else the text between the first
// '<' and the next '>' when that '>' lies fewer than kLongDireccion characters further on.
bool ExtraerDireccion(const char* valor, char (&direccion)[kLongDireccion]);

// Calls visitar(campo) for every non-empty comma-separated entry of a To value, exactly as
// ObtenerCampo(i, ',', valor, campo, kMaxCampoPara) gives them for i = 1 .. ContarCampos,
// but in one pass: calling ObtenerCampo once per entry is quadratic in a hostile value.
// Stops early when visitar returns false.
template <class Visitar>
void RecorrerCamposPara(const char* valor, Visitar&& visitar);

// The line is exactly CR LF.
bool EsFinDeCabecera(const char* linea);
// The line starts with "--" + frontera, and with "--" after that too when cierre is set.
bool EsDelimitador(const char* linea, const char* frontera, bool cierre);

template <class Visitar>
void RecorrerCamposPara(const char* valor, Visitar&& visitar) {
  const uint32_t campos = ContarCampos(valor, ',');
  const char* p = valor;
  while (EsBlanco(*p) || *p == ':') ++p;
  char campo[kMaxCampoPara + 1];
  for (uint32_t i = 1; i <= campos; ++i) {
    if (i > 1) {
      while (*p != 0 && *p != ',') ++p;
      if (*p == 0) return;  // ObtenerCampo gives -1 for this entry and every later one
      while (*p == ',') ++p;
    }
    const char* q = p;
    while (EsBlanco(*q)) ++q;
    uint32_t n = 0;
    while (n < kMaxCampoPara && q[n] != 0 && q[n] != ',') {
      campo[n] = q[n];
      ++n;
    }
    campo[n] = 0;
    if (n == 0) continue;
    if (!visitar(static_cast<const char*>(campo))) return;
  }
}

}  // namespace orvex
