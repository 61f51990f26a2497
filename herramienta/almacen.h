// Recognising a mail store folder by its files, and the registry file that shows it to the
// library as the mail client would have registered it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::herramienta {

struct AlmacenReconocido {
  uint32_t version = 0;                // VERSION_OE5, VERSION_OE4 or VERSION_IMN
  std::filesystem::path datos;         // the folder that holds the store's files
  // The folder whose subfolder "mail" (OE4) or "Mail" (IMN) is datos: the value of
  // "Store Root". Empty when datos has another name, and the caller must give the
  // library a folder with such a link to datos.
  std::filesystem::path raiz;
  // "mail", "Mail", or "" for a store found directly at its root (OE5).
  std::string subcarpeta;
  // Outlook Express 4: the folders of raiz/News that hold a sublist.dat, one per news
  // account, sorted by name.
  std::vector<std::string> cuentas_noticias;
};

// Looks at the files of dir (names without regard to case): folders.dbx -> Outlook
// Express 5/6; folders.nch in dir/mail, or in dir itself -> Outlook Express 4; a .mbx with
// its .idx in dir/Mail, or in dir itself -> Internet Mail and News. Empty otherwise.
std::optional<AlmacenReconocido> ReconocerAlmacen(const std::filesystem::path& dir);

// Identity written for a generation 5 store.
inline constexpr std::string_view kIdentidadDemo = "{3F2A1B7C-5D4E-4F60-9A8B-7C6D5E4F3A2B}";
inline constexpr std::string_view kUsuarioDemo = "Main Identity";

// A regedit export ("REGEDIT4") that makes the library find the store of that generation
// under raiz (a path as the library takes it): for 5 the client version and one default
// identity whose "Store Root" is raiz, for 4 and 1 the client's own "Store Root"; for 4 also
// one news account per name of cuentas_noticias (its "NNTP Data Directory"), the first the default.
std::string TextoRegistro(uint32_t version, std::string_view raiz, std::string_view usuario = kUsuarioDemo,
                          const std::vector<std::string>& cuentas_noticias = {});

// A string as a regedit export quotes it: '\' and '"' escaped.
std::string CadenaRegistro(std::string_view texto);

}  // namespace orvex::herramienta
