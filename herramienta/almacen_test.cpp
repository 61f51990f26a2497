#include "herramienta/almacen.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "herramienta/carpeta_temporal.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;

// The generation, data folder and root found from the files (relative paths, created empty);
// "-": no root (a link is needed); "" as the result: not recognised.
TEST(ReconocerAlmacenTest, PorSusArchivos) {
  struct Caso {
    std::vector<std::string> archivos;
    std::string apuntar, esperado;
  };
  const Caso casos[] = {
      {{"Folders.DBX"}, "", "5 . ."},
      {{"mail/folders.nch", "mail/Inbox.idx", "mail/Inbox.mbx"}, "", "4 mail ."},
      {{"Mail/FOLDERS.NCH"}, "Mail", "4 Mail ."},
      {{"copia/folders.nch"}, "copia", "4 copia -"},
      {{"Mail/Inbox.mbx", "Mail/Inbox.idx"}, "", "1 Mail ."},
      {{"Mail/inbox.MBX", "Mail/INBOX.idx"}, "Mail", "1 Mail ."},
      {{"b/x.mbx", "b/x.idx"}, "b", "1 b -"},
      {{"x.mbx", "y.idx"}, "", ""},
      {{"folders.dbx", "x.mbx", "x.idx"}, "", "5 . ."},
      {{"folders.dbx/x"}, "", ""},
      {{}, "no-existe", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.archivos.empty() ? c.apuntar : c.archivos[0]);
    CarpetaTemporal tmp;
    const fs::path base = tmp.Ruta();
    for (const std::string& a : c.archivos) {
      fs::create_directories((base / a).parent_path());
      std::ofstream(base / a).put('x');
    }
    const std::optional<AlmacenReconocido> r = ReconocerAlmacen(base / c.apuntar);
    const auto relativa = [&base](const fs::path& p) { return p.empty() ? "-" : p.lexically_relative(base).string(); };
    EXPECT_EQ(r ? std::to_string(r->version) + " " + relativa(r->datos) + " " + relativa(r->raiz) : "", c.esperado);
  }
}

// Every store path reaches the library through a registry text: the quoting a path may need.
TEST(TextoRegistroTest, CitaLaRaiz) {
  EXPECT_NE(TextoRegistro(4, "C:\\Datos \"x\"").find("\"Store Root\"=\"C:\\\\Datos \\\"x\\\"\"\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace orvex::herramienta
