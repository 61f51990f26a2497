// Lists of known-bad contents in the hash-signature format of ClamAV: one signature a
// line, "hash:size:name" (".hdb" with MD5, ".hsb" with SHA-256), size "*" for any size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::herramienta {

struct Firma {
  enum class Tipo { kMd5, kSha256 };
  Tipo tipo;
  std::string resumen;              // lower-case hex
  std::optional<uint64_t> tamano;   // empty: any size
  std::string nombre;
};

struct ListaFirmas {
  std::vector<Firma> firmas;
  // One text per line that was not understood ("line 3: ..."); such lines are skipped.
  std::vector<std::string> avisos;

  // The first signature that matches a content of that size and those digests.
  const Firma* Buscar(uint64_t tamano, const std::string& md5, const std::string& sha256) const;
  bool UsaMd5() const;
  bool UsaSha256() const;
};

// The digest kind comes from the hash length (32 hex digits MD5, 64 SHA-256), so .hdb and
// .hsb lines may be mixed. Blank lines and lines starting with '#' are ignored; fields past
// the name (a minimum engine level) are ignored.
ListaFirmas LeerFirmas(std::string_view texto);

}  // namespace orvex::herramienta
