// Files written by the mail client itself (found through ORVEX_MUESTRAS; skipped without it):
// what a person can check by looking at them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "almacen_oe5/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

std::optional<std::string> Muestras() {
  const char* m = std::getenv("ORVEX_MUESTRAS");
  if (m == nullptr || *m == '\0' || !std::filesystem::is_directory(m)) return std::nullopt;
  return std::string(m);
}

// The value of a header line of a raw message ("" when absent).
std::string Cabecera(const std::string& texto, const std::string& nombre) {
  std::size_t pos = 0;
  while (pos < texto.size()) {
    const std::size_t fin = texto.find('\n', pos);
    std::string linea = texto.substr(pos, fin == std::string::npos ? std::string::npos : fin - pos);
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    if (linea.empty()) break;
    if (linea.size() > nombre.size() && linea.compare(0, nombre.size(), nombre) == 0 && linea[nombre.size()] == ':') {
      std::string valor = linea.substr(nombre.size() + 1);
      valor.erase(0, valor.find_first_not_of(' '));
      return valor;
    }
    if (fin == std::string::npos) break;
    pos = fin + 1;
  }
  return "";
}

class MuestrasOe5Test : public ::testing::Test {
 protected:
  void SetUp() override {
    muestras_ = Muestras();
    if (!muestras_) GTEST_SKIP() << "ORVEX_MUESTRAS no apunta a las muestras";
  }
  // A registry whose default identity's store root is raiz.
  void Instalar(const std::string& raiz) {
    RegistroDbx r;
    r.identidades = {{kIdentidadPrincipal, "Principal", raiz, false}};
    r.por_defecto = kIdentidadPrincipal;
    DescribirRegistro(registro_, r);
    registro_.Instalar();
    ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_OE5);
    ASSERT_EQ(OE_IniciarIdentities(nullptr), 0u);
  }
  std::string Mit() const { return *muestras_ + "/oe6_dbx_mit"; }

  std::optional<std::string> muestras_;
  VariableEntorno zona_{"TZ", std::string("UTC0")};
  RegistroPrueba registro_;
};

TEST_F(MuestrasOe5Test, CarpetasDeUnFoldersDbxReal) {
  Instalar(Mit());
  const Recorrido todas = Recorrer(OE_ObtenerCarpetas);
  ASSERT_EQ(todas.primero, OE_OK);
  EXPECT_EQ(todas.final, OE_FIN);
  struct Esperada {
    uint32_t id, padre;
    const char* nombre;
    uint32_t mensajes;
    const char* archivo;
  };
  // In the tree's order; "Sent Items", "Deleted Items" and "Drafts" have no file yet and get
  // their name's; the top-level folders keep the path of the folder read before them.
  const Esperada esperadas[] = {
      {9, 0, "Hotmail", 0, ""},         {1, 0, "Local Folders", 0, ""},   {7, 1, "Deleted Items", 0, "Deleted Items.dbx"},
      {8, 1, "Drafts", 0, "Drafts.dbx"}, {4, 1, "Inbox", 1, "Inbox.dbx"}, {5, 1, "Outbox", 0, "Outbox.dbx"},
      {6, 1, "Sent Items", 0, "Sent Items.dbx"},
  };
  ASSERT_EQ(todas.carpetas.size(), std::size(esperadas));
  for (std::size_t i = 0; i < std::size(esperadas); ++i) {
    SCOPED_TRACE(esperadas[i].nombre);
    const CarpetaVista& c = todas.carpetas[i];
    EXPECT_EQ(c.id, esperadas[i].id);
    EXPECT_EQ(c.padre, esperadas[i].padre);
    EXPECT_EQ(c.nombre, esperadas[i].nombre);
    EXPECT_EQ(c.num_mensajes, esperadas[i].mensajes);
    if (esperadas[i].archivo[0] != '\0') {
      EXPECT_EQ(c.ruta_indice, Mit() + "\\" + esperadas[i].archivo);
    }
  }

  const Recorrido principales = Recorrer(OE_ObtenerCarpetasPrincipales);
  ASSERT_EQ(principales.carpetas.size(), 2u);
  EXPECT_EQ(principales.carpetas[0].nombre, "Hotmail");
  EXPECT_EQ(principales.carpetas[1].nombre, "Local Folders");

  CarpetaAbierta locales(1);
  ASSERT_EQ(locales.resultado, OE_OK);
  const Recorrido hijas = Recorrer([&](OE_CARPETA** h, uint32_t m) { return OE_ObtenerSubCarpetas(locales.c, h, m); });
  EXPECT_EQ(hijas.carpetas.size(), 5u);
}

TEST_F(MuestrasOe5Test, LaBandejaDeEntradaReal) {
  Instalar(Mit());
  CarpetaAbierta c(4);
  ASSERT_EQ(c.resultado, OE_OK);
  const Listado l = Listar(c.c);
  ASSERT_EQ(l.primero, OE_OK);
  ASSERT_EQ(l.mensajes.size(), 1u);
  const MensajeVisto& m = l.mensajes[0];
  EXPECT_EQ(m.resultado, OE_OK);
  EXPECT_EQ(m.id, 2u);
  ASSERT_TRUE(m.texto);
  EXPECT_EQ(m.texto->size(), 10139u);
  // The client keeps the date where id 0x02 points, after a flags word.
  EXPECT_EQ(m.fecha, "12/12/2021 04:45");
  EXPECT_EQ(Cabecera(*m.texto, "Subject"), "Welcome to Outlook Express 6");
  EXPECT_EQ(Cabecera(*m.texto, "From"), "\"Microsoft Outlook Express Team\" <msoe@microsoft.com>");
  EXPECT_EQ(m.texto->substr(m.texto->size() - 9), "</html>\r\n");
}

TEST_F(MuestrasOe5Test, UnaCarpetaVaciaDa4) {
  Instalar(Mit());
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
}

// A store of our own whose message files are the samples, linked in.
class MuestrasEnlazadasTest : public MuestrasOe5Test {
 protected:
  void SetUp() override {
    MuestrasOe5Test::SetUp();
    if (IsSkipped()) return;
    AlmacenDbx d;
    d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(20, 1, "test1", "test1.dbx"),
                  Carpeta(21, 1, "Offline", "Offline.dbx")};
    d.carpetas[1].num_mensajes = 1;
    d.carpetas[2].num_mensajes = 1;
    EscribirAlmacen(dir_.Ruta(), d);
    if (!Enlazar(*muestras_ + "/oe6_dbx_perl/test1.dbx", "test1.dbx") || !Enlazar(Mit() + "/Offline.dbx", "Offline.dbx")) {
      GTEST_SKIP() << "no se pueden crear enlaces simbolicos aqui";
    }
    Instalar(dir_.Ruta());
  }
  // Links a sample into the store's folder (the samples are never copied).
  bool Enlazar(const std::string& muestra, const std::string& nombre) {
    std::error_code error;
    std::filesystem::remove(dir_.RutaDe(nombre), error);
    std::filesystem::create_symlink(muestra, dir_.RutaDe(nombre), error);
    return !error;
  }
  DirectorioTemporal dir_;
};

TEST_F(MuestrasEnlazadasTest, OtroArchivoDeMensajesReal) {
  CarpetaAbierta c(20);
  ASSERT_EQ(c.resultado, OE_OK);
  const Listado l = Listar(c.c);
  ASSERT_EQ(l.mensajes.size(), 1u);
  const MensajeVisto& m = l.mensajes[0];
  EXPECT_EQ(m.resultado, OE_OK);
  EXPECT_EQ(m.id, 2u);
  ASSERT_TRUE(m.texto);
  EXPECT_EQ(m.texto->size(), 2710u);
  EXPECT_EQ(m.fecha, "17/06/2002 19:42");
  EXPECT_EQ(Cabecera(*m.texto, "Subject"), "[fmII] centericq 4.7.5 released (Default branch)");
  EXPECT_EQ(Cabecera(*m.texto, "From"), "noreply@freshmeat.net");
}

TEST_F(MuestrasEnlazadasTest, OfflineDbxSeRechaza) {
  CarpetaAbierta c(21);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(m, nullptr);
  // Nor is it taken for a folder list.
  ASSERT_TRUE(Enlazar(Mit() + "/Offline.dbx", "folders.dbx"));
  OE_CARPETA* raiz = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&raiz, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(raiz, nullptr);
}

TEST_F(MuestrasEnlazadasTest, UnArchivoDeMensajesNoEsUnaListaDeCarpetas) {
  ASSERT_TRUE(Enlazar(Mit() + "/Inbox.dbx", "folders.dbx"));
  OE_CARPETA* raiz = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&raiz, OE_PRIMERO), OE_ERROR);
}

}  // namespace
}  // namespace orvex::pruebas
