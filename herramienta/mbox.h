// Messages as mboxrd mailboxes, the form today's mail clients import.
#pragma once

#include <string>
#include <string_view>

namespace orvex::herramienta {

// The envelope address for the "From " line: the address inside <...> of a From text, or
// the text itself when it is one bare word with an '@', else "MAILER-DAEMON".
std::string RemitenteSobre(std::string_view de);

// "From <sender> <asctime date>\n"; the date is a record date (day/month/year hour:minute),
// and an unreadable one gives the epoch.
std::string LineaFrom(std::string_view de, std::string_view fecha);

// Appends the text with LF line ends, one more '>' before every line that reads ">*From ",
// a final line end if it lacked one, and the blank line that ends an mbox message.
void AnadirCuerpoMboxrd(std::string& salida, std::string_view texto);

// Undoes AnadirCuerpoMboxrd for one message body (without its "From " line).
std::string QuitarCitaMboxrd(std::string_view cuerpo);

}  // namespace orvex::herramienta
