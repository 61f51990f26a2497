// Names of exported messages from a template such as "{date} {from} {subject}".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::herramienta {

// Message id and subject, the names export has always given.
inline constexpr std::string_view kPlantillaDefecto = "{id} {subject}";

// The fields a template may name, as the message gives them.
struct CamposNombre {
  uint32_t id = 0;
  std::string fecha;   // the record's date text
  std::string de;      // the From header, undecoded
  std::string asunto;  // the Subject header, undecoded
};

// Why a template cannot be used (an unknown field, an unclosed brace), or empty when it can.
std::string ErrorPlantilla(std::string_view plantilla);

// The name, without extension, a valid template gives a message: {id} six digits, {date}
// YYYY-MM-DD and {time} HH-MM (zeros when the date cannot be read), {from} the sender's name or,
// without one, its address, {subject} the decoded subject cut to 60 columns. A field never
// makes a folder: its slashes become '-'. The caller still sanitises the whole name.
std::string NombrePorPlantilla(std::string_view plantilla, const CamposNombre& campos);

}  // namespace orvex::herramienta
