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
      {"folder named like a file", {"folders.dbx/x"}, "", 0, "", ""},
      {"no such folder", {}, "no-existe", 0, "", ""},
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

// Every store path reaches the library through a registry text; the command's own runs prove
// the rest of it, this the quoting a path may need.
TEST(TextoRegistroTest, CitaLaRaiz) {
  EXPECT_EQ(CadenaRegistro("C:\\Datos \"x\""), "\"C:\\\\Datos \\\"x\\\"\"");
  EXPECT_NE(TextoRegistro(4, "C:\\Datos \"x\"").find("\"Store Root\"=\"C:\\\\Datos \\\"x\\\"\"\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace orvex::herramienta
