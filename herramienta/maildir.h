// Messages as Maildirs (a folder with cur/, new/ and tmp/, one file per message), the form
// mutt, Python's mailbox module and mail servers read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::herramienta {

// A unique name by the Maildir rules, "<time>.M<microseconds>P<process>Q<count>.<host>":
// the host's '/' and ':' written as \057 and \072.
std::string NombreMaildir(int64_t segundos, uint32_t microsegundos, uint64_t proceso, uint64_t cuenta,
                          std::string_view maquina);

// The text with LF line ends, as Maildir files keep it.
std::string TextoMaildir(std::string_view texto);

// Writes the text into maildir/tmp under a unique name and moves it into maildir/cur with
// the info ":2," (no flags); creates the three folders as needed. segundos is the message's
// date, the name's first part, so the names sort by date. The file, or empty on failure.
std::optional<std::filesystem::path> EntregarMaildir(const std::filesystem::path& maildir, std::string_view texto,
                                                     int64_t segundos);

}  // namespace orvex::herramienta
