// Files written by the mail client itself (found through ORVEX_MUESTRAS; skipped without it):
// what a person can check by looking at them, and what the peer reader undbx takes out.
#include <gtest/gtest.h>

#include <filesystem>

#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

// The value of a header line of a raw message with CR LF line ends ("" when absent).
std::string Cabecera(const std::string& texto, const std::string& nombre) {
  const std::size_t inicio = ("\r\n" + texto).find("\r\n" + nombre + ": ");
  if (inicio == std::string::npos) return "";
  const std::size_t valor = inicio + nombre.size() + 2;
  return texto.substr(valor, texto.find("\r\n", valor) - valor);
}

class MuestrasOe5Test : public ::testing::Test {
 protected:
  void SetUp() override {
    muestras_ = Muestras();
    if (!muestras_) GTEST_SKIP() << "ORVEX_MUESTRAS no apunta a las muestras";
    InstalarIdentidad(registro_, Mit());
    ASSERT_EQ(VersionOE, VERSION_OE5);
  }
  std::string Mit() const { return *muestras_ + "/oe6_dbx_mit"; }
  // Links a sample into a store of our own (the samples are never copied).
  bool Enlazar(const std::string& muestra, const std::string& nombre) {
    std::error_code error;
    std::filesystem::remove(dir_.RutaDe(nombre), error);
    std::filesystem::create_symlink(muestra, dir_.RutaDe(nombre), error);
    return !error;
  }

  std::optional<std::string> muestras_;
  VariableEntorno zona_{"TZ", std::string("UTC0")};
  RegistroPrueba registro_;
  DirectorioTemporal dir_;
};

TEST_F(MuestrasOe5Test, CarpetasDeUnFoldersDbxReal) {
  const Recorrido todas = Recorrer(OE_ObtenerCarpetas);
  ASSERT_EQ(todas.primero, OE_OK);
  EXPECT_EQ(todas.final, OE_FIN);
  auto ruta = [&](const char* f) { return Mit() + "\\" + f; };
  // In the tree's order; "Sent Items", "Deleted Items" and "Drafts" have no file yet and get
  // their name's; a top-level folder keeps the path of the folder read before it.
  const std::vector<CarpetaVista> esperadas = {
      {9, 0, "Hotmail", 0, ""},
      {1, 0, "Local Folders", 0, ""},
      {7, 1, "Deleted Items", 0, ruta("Deleted Items.dbx")},
      {8, 1, "Drafts", 0, ruta("Drafts.dbx")},
      {4, 1, "Inbox", 1, ruta("Inbox.dbx")},
      {5, 1, "Outbox", 0, ruta("Outbox.dbx")},
      {6, 1, "Sent Items", 0, ruta("Sent Items.dbx")},
  };
  EXPECT_EQ(todas.carpetas, esperadas);
  const Recorrido principales = Recorrer(OE_ObtenerCarpetasPrincipales);
  ASSERT_EQ(principales.carpetas.size(), 2u);
  EXPECT_EQ(principales.carpetas[0].nombre, "Hotmail");
  EXPECT_EQ(principales.carpetas[1].nombre, "Local Folders");
  CarpetaAbierta locales(1);
  ASSERT_EQ(locales.resultado, OE_OK);
  const Recorrido hijas = Recorrer([&](OE_CARPETA** h, uint32_t m) { return OE_ObtenerSubCarpetas(locales.c, h, m); });
  EXPECT_EQ(hijas.carpetas.size(), 5u);
}

TEST_F(MuestrasOe5Test, MensajesReales) {
  AlmacenDbx d;
  d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(20, 1, "test1", "test1.dbx")};
  d.carpetas[1].num_mensajes = 1;
  EscribirAlmacen(dir_.Ruta(), d);
  if (!Enlazar(*muestras_ + "/oe6_dbx_perl/test1.dbx", "test1.dbx")) GTEST_SKIP() << "sin enlaces simbolicos";
  struct Caso {
    const char* archivo;
    bool enlazado;  // test1.dbx through a store of our own
    uint32_t carpeta;
    std::size_t tamano;
    const char* fecha;  // the client keeps it where id 0x02 points, after a flags word
    const char* asunto;
    const char* de;
    const char* final;
  };
  const Caso casos[] = {
      {"oe6_dbx_mit/Inbox.dbx", false, 4, 10139, "12/12/2021 04:45", "Welcome to Outlook Express 6",
       "\"Microsoft Outlook Express Team\" <msoe@microsoft.com>", "</html>\r\n"},
      {"oe6_dbx_perl/test1.dbx", true, 20, 2710, "17/06/2002 19:42", "[fmII] centericq 4.7.5 released (Default branch)",
       "noreply@freshmeat.net", nullptr},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.archivo);
    InstalarIdentidad(registro_, caso.enlazado ? dir_.Ruta() : Mit());
    CarpetaAbierta c(caso.carpeta);
    ASSERT_EQ(c.resultado, OE_OK);
    const Listado l = Listar(c.c);
    ASSERT_EQ(l.primero, OE_OK);
    ASSERT_EQ(l.mensajes.size(), 1u);
    const MensajeVisto& m = l.mensajes[0];
    EXPECT_EQ(m.resultado, OE_OK);
    EXPECT_EQ(m.id, 2u);
    ASSERT_TRUE(m.texto);
    EXPECT_EQ(m.texto->size(), caso.tamano);
    EXPECT_EQ(m.fecha, caso.fecha);
    EXPECT_EQ(Cabecera(*m.texto, "Subject"), caso.asunto);
    EXPECT_EQ(Cabecera(*m.texto, "From"), caso.de);
    if (caso.final != nullptr) {
      EXPECT_TRUE(m.texto->ends_with(caso.final));
    }
    if (HayUndbx()) {
      EXPECT_EQ(TextosUndbx(*muestras_ + "/" + caso.archivo, dir_.RutaDe("undbx")), std::vector<std::string>{*m.texto});
    }
  }
}

TEST_F(MuestrasOe5Test, CarpetasVaciasYArchivosQueNoSonDeSuClase) {
  CarpetaAbierta c(5);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_SIN_MENSAJES);
  // The file's own count says the same when the folder's index does not.
  c.c->NumMensajes = 1;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_SIN_MENSAJES);
  EXPECT_EQ(m, nullptr);
  // A folder without a file yet.
  CarpetaAbierta enviados(6);
  enviados.c->NumMensajes = 1;
  EXPECT_EQ(OE_ObtenerMensajes(enviados.c, &m, OE_PRIMERO), OE_ERROR);

  // Offline.dbx is neither a message file nor a folder list, and a message file is no folder list.
  AlmacenDbx d;
  d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(21, 1, "Offline", "Offline.dbx")};
  d.carpetas[1].num_mensajes = 1;
  EscribirAlmacen(dir_.Ruta(), d);
  if (!Enlazar(Mit() + "/Offline.dbx", "Offline.dbx")) GTEST_SKIP() << "sin enlaces simbolicos";
  InstalarIdentidad(registro_, dir_.Ruta());
  CarpetaAbierta offline(21);
  ASSERT_EQ(offline.resultado, OE_OK);
  EXPECT_EQ(OE_ObtenerMensajes(offline.c, &m, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(m, nullptr);
  for (const char* ajeno : {"Offline.dbx", "Inbox.dbx"}) {
    SCOPED_TRACE(ajeno);
    ASSERT_TRUE(Enlazar(Mit() + "/" + ajeno, "folders.dbx"));
    OE_CARPETA* raiz = nullptr;
    EXPECT_EQ(OE_ObtenerCarpetas(&raiz, OE_PRIMERO), OE_ERROR);
    EXPECT_EQ(raiz, nullptr);
  }
}

}  // namespace
}  // namespace orvex::pruebas
