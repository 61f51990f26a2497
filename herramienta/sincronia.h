// export --sync: what an earlier export left for one store folder, known by the contents of
// its files, so a second export writes only the messages that are new (and, with --delete,
// removes the files of messages the store no longer holds). Files renamed since, or moved by a
// mail reader within a Maildir, are still recognised.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvex::herramienta {

class ExportadosPrevios {
 public:
  ExportadosPrevios() = default;
  // eml: the *.eml files directly in carpeta; maildir: the files of its cur/ and new/.
  ExportadosPrevios(const std::filesystem::path& carpeta, bool maildir);

  // True, taking that file, when one not yet taken holds exactly texto.
  bool Tomar(std::string_view texto, std::filesystem::path* archivo);
  // The files no message took, in name order.
  std::vector<std::filesystem::path> Sobrantes() const;

 private:
  std::map<std::pair<uint64_t, std::string>, std::vector<std::filesystem::path>> archivos_;
};

}  // namespace orvex::herramienta
