// Store files kept open between calls on POSIX. An open descriptor is invisible to other
// programs (the file can still be renamed, replaced or deleted), so keeping one changes
// nothing they can observe. Every open still sees the file as it is on disk now: one stat of
// the resolved path must find the same file (device, inode) unchanged (size, modification
// and change times to the nanosecond), or the entry is dropped and the file opened afresh.
// A handful of entries at most; safe to use from several threads.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

namespace orvex::plataforma::abiertos {

// The cache key of a Windows-style path: the path with the folder its drive maps to; empty
// for a path that depends on the working folder or an unmapped drive (never cached).
std::optional<std::string> Clave(const std::string& ruta_windows);

// A descriptor kept for clave that still names the file at its path, lent to the caller
// (who gives it back with Devolver); -1 when there is none.
int Prestar(const std::string& clave);

// Keeps fd, just opened for clave at the native path with the given stat, and lends it to
// the caller: true. False when every entry is lent out; the caller keeps fd as its own.
bool Guardar(const std::string& clave, const std::string& nativa, int fd, const struct stat& st);

// Gives back a lent descriptor; one dropped meanwhile is closed once nobody holds it.
void Devolver(int fd);

// Closes every entry not lent out and drops the others as they come back: before a file is
// opened for writing, and when the host closes a record.
void Soltar();

}  // namespace orvex::plataforma::abiertos
