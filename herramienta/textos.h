// Texts taken from the store's records, made fit for a terminal and for JSON.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvex::herramienta {

// Record texts are ANSI: kept as they are when they already read as UTF-8, otherwise taken
// as Windows-1252 and converted. Control characters become spaces so a hostile subject
// cannot move the terminal's cursor.
std::string AUtf8(std::string_view ansi);

// A header value for display, in UTF-8: encoded words (=?charset?B|Q?...?=) in UTF-8,
// ISO-8859-1, Windows-1252 or US-ASCII are decoded, the rest goes through AUtf8. Encoded words
// in other character sets are left as they are.
std::string TextoCabecera(std::string_view valor);

// Columns a UTF-8 text takes on a terminal (one per code point).
std::size_t AnchoVisible(std::string_view utf8);

// The first ancho columns of a UTF-8 text, with "…" when cut.
std::string CortarAncho(std::string_view utf8, std::size_t ancho);

// The value of a header of a message's outer header block (the lines before the first empty
// line), folded lines joined; empty when the header is absent.
std::string Cabecera(std::string_view texto, std::string_view nombre);

struct Fecha {
  int anio, mes, dia, hora, minuto;
};
// A record date, day/month/year hour:minute (two-digit years are taken as 19xx from 70 on,
// else 20xx). Empty when the text has another shape or impossible values.
std::optional<Fecha> LeerFecha(std::string_view texto);
// "YYYY-MM-DD HH:MM", or the text itself when it cannot be read as a date.
std::string FechaLegible(std::string_view texto);

}  // namespace orvex::herramienta
