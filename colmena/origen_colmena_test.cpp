// A hive reads exactly as the regedit export it was merged from, and a damaged hive is refused
// with its name and a reason.
#include "colmena/origen_colmena.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "plataforma/origen_exportacion.h"
#include "pruebas/colmena_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/volcado_registro.h"

namespace orvex::colmena {
namespace {

using plataforma::Raiz;
using Bytes = std::vector<uint8_t>;

std::string Describir(const plataforma::OrigenRegistro& origen, Raiz raiz, const std::string& clave,
                      const std::vector<std::string>& valores) {
  return pruebas::VolcarClave(origen.AbrirClave(raiz, clave).get(), valores);
}

TEST(OrigenColmenaTest, LeeComoLaExportacionDeLaQueSale) {
  pruebas::DirectorioTemporal dir;
  pruebas::RegistroPrueba r;
  pruebas::LlenarRegistroDeEjemplo(r);
  r.Cadena("HKCU\\Identities\\{GUID-1}", "Username", "Identidad ñ");  // a hive stores it in UTF-16
  const std::string texto = r.Texto(pruebas::RegistroPrueba::Formato::kVersion5);
  const auto exportacion = plataforma::OrigenDeExportacion(std::make_shared<const plataforma::registro::Registro>(
      plataforma::registro::AnalizarRegistro(std::span(reinterpret_cast<const uint8_t*>(texto.data()), texto.size()))));
  ArchivosColmena archivos{dir.RutaDe("NTUSER.DAT"), dir.RutaDe("SOFTWARE"), "S-1-5-21-7"};
  ASSERT_TRUE(pruebas::EscribirColmena(archivos.usuario, texto, "HKEY_CURRENT_USER"));
  ASSERT_TRUE(pruebas::EscribirColmena(archivos.maquina, texto, "HKEY_LOCAL_MACHINE\\Software"));
  std::string error;
  const auto colmena = AbrirOrigenColmena(archivos, &error);
  ASSERT_TRUE(colmena) << error;

  const std::vector<std::string> todos = {"Default User ID", "USERNAME", "", "Store Root", "Flags", "Blob", "Multi", "x"};
  const std::tuple<Raiz, std::string, std::vector<std::string>> casos[] = {
      {Raiz::kCurrentUser, "\\Identities\\\\{guid-1}\\", todos},
      {Raiz::kCurrentUser, "Identities\\{GUID-1}\\Software\\Microsoft\\Outlook Express\\5.0", todos},
      {Raiz::kLocalMachine, "SOFTWARE\\Microsoft\\Outlook Express\\Version Info", {"current"}},
  };
  for (const auto& [raiz, clave, valores] : casos) {
    SCOPED_TRACE(clave);
    EXPECT_EQ(Describir(*colmena, raiz, clave, valores), Describir(*exportacion, raiz, clave, valores));
  }
  // The user's hive is also HKEY_USERS\<SID>.
  EXPECT_EQ(Describir(*colmena, Raiz::kUsers, "s-1-5-21-7\\Identities", todos),
            Describir(*exportacion, Raiz::kCurrentUser, "Identities", todos));
  EXPECT_EQ(colmena->AbrirClave(Raiz::kUsers, "S-1-5-21-8\\Identities"), nullptr);

  // Cut short anywhere, or not a hive at all: refused with the file's name, never a crash.
  const Bytes entera = dir.Leer("NTUSER.DAT");
  for (std::size_t largo : {std::size_t{0}, std::size_t{100}, pruebas::kTamanoBloqueBase, entera.size() - 1}) {
    SCOPED_TRACE(largo);
    const std::string cortada = dir.Escribir("cortada", Bytes(entera.begin(), entera.begin() + largo));
    error.clear();
    EXPECT_FALSE(AbrirOrigenColmena({cortada, "", ""}, &error));
    EXPECT_NE(error.find(cortada + ": "), std::string::npos) << error;
  }
  EXPECT_FALSE(AbrirOrigenColmena({archivos.usuario, dir.RutaDe("falta"), ""}, &error));
  EXPECT_NE(error.find("falta: "), std::string::npos) << error;
}

}  // namespace
}  // namespace orvex::colmena
