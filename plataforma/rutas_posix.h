// Windows-style paths on a POSIX disk: "\" and "/" both separate, "X:" is the folder named by
// the environment variable ORVEX_DRIVE_X, a leading separator starts at "/", anything else is
// relative to the working folder, and a component not found exactly is looked up without
// regard to case (Windows semantics on a case-sensitive disk).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvex::plataforma::rutas {

// Native path of an existing file or folder; empty when a component is missing, the drive
// is not mapped, or the path is empty or a UNC path.
std::optional<std::string> RutaNativa(std::string_view ruta_windows);

// The native folder an absolute path starts from (the folder its drive maps to, or "/");
// empty for a path relative to the working folder, an unmapped drive or a UNC path.
std::optional<std::string> BaseAbsoluta(std::string_view ruta_windows);

// Native path for a file about to be created: its folder must exist; the last component is
// matched without regard to case when such a file exists, else kept as given.
std::optional<std::string> RutaNativaNueva(std::string_view ruta_windows);

// True when nombre matches a pattern with * and ? without regard to (ASCII) case; "*.*"
// matches every name, as on Windows.
bool CoincidePatron(std::string_view nombre, std::string_view patron);

}  // namespace orvex::plataforma::rutas
