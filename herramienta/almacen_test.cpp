#include "herramienta/almacen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "herramienta/carpeta_temporal.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

struct Caso {
  const char* nombre;
  std::vector<std::string> archivos;  // relative paths created empty
  std::string apuntar;                // folder handed to the recogniser, relative
  uint32_t version;                   // 0: not recognised
  std::string datos;                  // relative
  std::string raiz;                   // relative; "-" means empty (a link is needed)
};

TEST(ReconocerAlmacenTest, PorSusArchivos) {
  const Caso casos[] = {
      {"oe5", {"folders.dbx", "Inbox.dbx"}, "", 5, "", ""},
      {"oe5 any case", {"Folders.DBX"}, "", 5, "", ""},
      {"oe4 at its root", {"mail/folders.nch", "mail/Inbox.idx", "mail/Inbox.mbx"}, "", 4, "mail", ""},
      {"oe4 root with upper-case names", {"Mail/FOLDERS.NCH"}, "", 4, "Mail", ""},
      {"oe4 mail folder itself", {"mail/folders.nch"}, "mail", 4, "mail", ""},
      {"oe4 files in another folder", {"copia/folders.nch"}, "copia", 4, "copia", "-"},
      {"imn at its root", {"Mail/Inbox.mbx", "Mail/Inbox.idx"}, "", 1, "Mail", ""},
      {"imn mail folder itself", {"Mail/inbox.MBX", "Mail/INBOX.idx"}, "Mail", 1, "Mail", ""},
      {"imn files elsewhere", {"b/x.mbx", "b/x.idx"}, "b", 1, "b", "-"},
      {"mbx without idx", {"x.mbx", "y.idx"}, "", 0, "", ""},
      {"oe5 wins over stray mailboxes", {"folders.dbx", "x.mbx", "x.idx"}, "", 5, "", ""},
      {"empty folder", {}, "", 0, "", ""},
      {"folder named like a file", {"folders.dbx/x"}, "", 0, "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    CarpetaTemporal tmp;
    const fs::path base = tmp.Ruta();
    for (const std::string& a : c.archivos) {
      fs::create_directories((base / a).parent_path());
      std::ofstream(base / a).put('x');
    }
    const std::optional<AlmacenReconocido> r = ReconocerAlmacen(c.apuntar.empty() ? base : base / c.apuntar);
    if (c.version == 0) {
      EXPECT_FALSE(r.has_value());
      continue;
    }
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->version, c.version);
    EXPECT_EQ(r->datos, c.datos.empty() ? base : base / c.datos);
    if (c.raiz == "-") {
      EXPECT_TRUE(r->raiz.empty());
    } else {
      EXPECT_EQ(r->raiz, c.raiz.empty() ? base : base / c.raiz);
    }
  }
}

TEST(ReconocerAlmacenTest, NoEsCarpeta) {
  CarpetaTemporal tmp;
  EXPECT_FALSE(ReconocerAlmacen(tmp.Ruta() / "no-existe").has_value());
}

TEST(TextoRegistroTest, Generaciones) {
  struct CasoRegistro {
    const char* nombre;
    uint32_t version;
    std::vector<std::string> contiene;
  };
  const CasoRegistro casos[] = {
      {"oe5",
       5,
       {"REGEDIT4\r\n", "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info]\r\n\"Current\"=\"6.",
        "[HKEY_CURRENT_USER\\Identities]\r\n\"Default User ID\"=\"{3F2A1B7C-5D4E-4F60-9A8B-7C6D5E4F3A2B}\"",
        "\\Identities\\{3F2A1B7C-5D4E-4F60-9A8B-7C6D5E4F3A2B}]\r\n\"Username\"=\"Main Identity\"",
        "{3F2A1B7C-5D4E-4F60-9A8B-7C6D5E4F3A2B}\\Software\\Microsoft\\Outlook Express\\5.0]\r\n"
        "\"Store Root\"=\"C:\\\\Datos \\\"x\\\"\""}},
      {"oe4", 4, {"[HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express]\r\n\"Store Root\"=\"C:\\\\Datos"}},
      {"imn", 1, {"[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Mail and News]\r\n\"Store Root\"="}},
  };
  for (const CasoRegistro& c : casos) {
    SCOPED_TRACE(c.nombre);
    const std::string texto = TextoRegistro(c.version, "C:\\Datos \"x\"");
    for (const std::string& trozo : c.contiene) {
      EXPECT_NE(texto.find(trozo), std::string::npos) << trozo;
    }
    if (c.version != 5) {
      EXPECT_EQ(texto.find("Version Info"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace orvex::herramienta
