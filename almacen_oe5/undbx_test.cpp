// Cross-check with a peer reader: Debian's undbx extracts the messages of a built store, and
// every text this store's listing loads must equal one of its files byte for byte. Skipped
// when undbx is not on PATH.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "almacen_oe5/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

namespace fs = std::filesystem;

bool HayUndbx() {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::stringstream partes(path);
  std::string dir;
  while (std::getline(partes, dir, ':')) {
    std::error_code e;
    if (!dir.empty() && fs::is_regular_file(fs::path(dir) / "undbx", e)) return true;
  }
  return false;
}

std::string LeerTodo(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The texts undbx extracts from one .dbx file, sorted.
std::vector<std::string> ExtraerConUndbx(const std::string& archivo, const std::string& salida) {
  const std::string orden = "undbx -v 0 '" + archivo + "' '" + salida + "' > '" + salida + ".log' 2>&1";
  EXPECT_EQ(std::system(orden.c_str()), 0) << LeerTodo(salida + ".log");
  std::vector<std::string> textos;
  std::error_code e;
  for (const auto& entrada : fs::recursive_directory_iterator(salida, e)) {
    if (entrada.is_regular_file() && entrada.path().extension() == ".eml") textos.push_back(LeerTodo(entrada.path()));
  }
  std::sort(textos.begin(), textos.end());
  return textos;
}

// A message text with CR LF line ends; n body lines, a base64 part when adjunto.
std::string TextoMensaje(uint32_t i, std::size_t lineas, bool adjunto) {
  std::string t = "From: \"Remitente " + std::to_string(i) + "\" <r" + std::to_string(i) +
                  "@example.org>\r\nTo: <ana@example.org>\r\nSubject: Prueba " + std::to_string(i) +
                  "\r\nDate: Tue, 6 Mar 2001 10:00:00 +0100\r\nMessage-ID: <" + std::to_string(i) +
                  "@example.org>\r\nMIME-Version: 1.0\r\n";
  if (adjunto) {
    t += "Content-Type: multipart/mixed; boundary=\"lim\"\r\n\r\n--lim\r\nContent-Type: text/plain\r\n\r\n";
  } else {
    t += "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n";
  }
  for (std::size_t l = 0; l < lineas; ++l) t += "Linea " + std::to_string(l) + " del mensaje " + std::to_string(i) + "\r\n";
  if (adjunto) {
    t += "--lim\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\nContent-Transfer-Encoding: base64\r\n"
         "Content-Disposition: attachment; filename=\"a.bin\"\r\n\r\nAAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=\r\n--lim--\r\n";
  }
  return t;
}

TEST(UndbxTest, CadaTextoCargadoEsElDelLectorPar) {
  if (!HayUndbx()) GTEST_SKIP() << "undbx no esta en PATH";
  AlmacenDbx d = AlmacenEjemplo();
  ArchivoMensajesDbx grande;
  grande.arbol = {5, FormaArbol::kMixto};
  for (uint32_t i = 0; i < 40; ++i) {
    MensajeDbx m = Mensaje(100 + i, TextoMensaje(i, (i * 37) % 90, i % 4 == 0),
                           FileTime(2001, 3, 1 + static_cast<int>(i % 28), 10, static_cast<int>(i)));
    m.bloque_en_area = i % 3 == 1;
    m.asunto = "Prueba " + std::to_string(i);
    m.nombre_remitente = "Remitente " + std::to_string(i);
    m.direccion_remitente = "r" + std::to_string(i) + "@example.org";
    grande.mensajes.push_back(m);
  }
  d.carpetas.push_back(Carpeta(30, 1, "Grande", "Grande.dbx", grande));
  AlmacenInstalado almacen(d);
  DirectorioTemporal salida;

  int comparadas = 0;
  for (const CarpetaDbx& carpeta : d.carpetas) {
    if (!carpeta.mensajes || carpeta.mensajes->mensajes.empty()) continue;
    SCOPED_TRACE(carpeta.nombre);
    const std::string archivo = NombreArchivo(carpeta);
    const std::vector<std::string> par =
        ExtraerConUndbx(almacen.Directorio().Ruta() + "/" + archivo, salida.RutaDe(carpeta.nombre));

    CarpetaAbierta c(carpeta.id);
    ASSERT_EQ(c.resultado, OE_OK);
    const Listado l = Listar(c.c);
    std::vector<std::string> nuestros;
    for (const MensajeVisto& m : l.mensajes) {
      ASSERT_EQ(m.resultado, OE_OK);
      ASSERT_TRUE(m.texto);
      nuestros.push_back(*m.texto);
    }
    ASSERT_EQ(nuestros.size(), carpeta.mensajes->mensajes.size());
    std::sort(nuestros.begin(), nuestros.end());
    EXPECT_EQ(nuestros, par);
    comparadas += static_cast<int>(nuestros.size());
  }
  EXPECT_EQ(comparadas, 9 + 40);
}

TEST(UndbxTest, LasMuestrasRealesCoinciden) {
  if (!HayUndbx()) GTEST_SKIP() << "undbx no esta en PATH";
  const char* muestras = std::getenv("ORVEX_MUESTRAS");
  if (muestras == nullptr || !fs::is_directory(muestras)) GTEST_SKIP() << "sin muestras";
  RegistroPrueba registro;
  RegistroDbx r;
  r.identidades = {{kIdentidadPrincipal, "Principal", std::string(muestras) + "/oe6_dbx_mit", false}};
  r.por_defecto = kIdentidadPrincipal;
  DescribirRegistro(registro, r);
  registro.Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_OE5);
  ASSERT_EQ(OE_IniciarIdentities(nullptr), 0u);
  DirectorioTemporal salida;
  const std::vector<std::string> par =
      ExtraerConUndbx(std::string(muestras) + "/oe6_dbx_mit/Inbox.dbx", salida.RutaDe("Inbox"));
  CarpetaAbierta c(4);
  ASSERT_EQ(c.resultado, OE_OK);
  const Listado l = Listar(c.c);
  ASSERT_EQ(l.mensajes.size(), 1u);
  ASSERT_TRUE(l.mensajes[0].texto);
  EXPECT_EQ(std::vector<std::string>{*l.mensajes[0].texto}, par);
}

}  // namespace
}  // namespace orvex::pruebas
