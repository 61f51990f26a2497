// Identities of the current user and the path of the selected identity's folders.dbx.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex::oe5 {

inline constexpr std::size_t kLongRuta = 260;

// Reads "Default User ID" into IdentidadActual: 0; else empties it: 1.
uint32_t IdentidadPorDefecto();
// Selects the first identity (in enumeration order) whose "Username" equals usuario exactly:
// 0; otherwise 1 and IdentidadActual is left as it was.
uint32_t SeleccionarIdentidad(const char* usuario);
// The full path of the selected identity's folders.dbx: 0; or 1 with an empty buffer when no
// identity is selected, its "Store Root" is missing or empty, or the path would not fit.
uint32_t RutaFoldersDbx(char (&destino)[kLongRuta]);

}  // namespace orvex::oe5
