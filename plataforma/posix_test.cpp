// What only the POSIX backend does: drives mapped by ORVEX_DRIVE_X, the registry read from the
// file ORVEX_REGISTRY names, local time from TZ, free space from the folder's disk.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "plataforma/origen_archivos.h"
#include "plataforma/plataforma.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/tablas.h"

namespace orvex::plataforma {
namespace {

using pruebas::VariableEntorno;

// A file's contents and size as one open for reading sees them; "-" when it does not open.
std::string Leer(const std::string& ruta) {
  std::optional<Archivo> a = Archivo::Abrir(ruta, Archivo::Modo::kLectura);
  std::string t(16, '\0');
  std::size_t n = 0;
  if (!a || !a->Leer(0, t.data(), t.size(), &n)) return "-";
  return t.substr(0, n) + "/" + std::to_string(a->Tamano().value_or(0));
}

class PosixTest : public ::testing::Test {
 protected:
  PosixTest() { dir_.Escribir("Store/Inbox.dbx", "x"); }
  pruebas::DirectorioTemporal dir_;
  VariableEntorno unidad_{"ORVEX_DRIVE_C", dir_.Ruta()};
  VariableEntorno sin_unidad_{"ORVEX_DRIVE_Q", std::nullopt};
};

// Free space is the folder's disk's; a folder that does not exist, or is on an unmapped drive,
// has none to give.
TEST_F(PosixTest, EspacioLibreEnUnidadesMapeadas) {
  EXPECT_TRUE(EspacioLibre("C:\\store\\Nuevo.idx").has_value());
  EXPECT_FALSE(EspacioLibre("C:\\Falta\\Inbox.idx").has_value());
  EXPECT_FALSE(EspacioLibre("Q:\\Store\\Inbox.idx").has_value());
}

// A path on an installed source's drive, as the components it asks the source for; never above
// the drive's root.
TEST_F(PosixTest, ComponentesEnLaUnidadDeUnOrigen) {
  EXPECT_EQ(ComponentesEnUnidad("c:/store/../Store/./Inbox.dbx", 'C'),
            (std::vector<std::string>{"Store", "Inbox.dbx"}));
  for (const char* fuera : {"D:\\a", "\\a", "a", "C:\\..\\a"}) {
    EXPECT_FALSE(ComponentesEnUnidad(fuera, 'C')) << fuera;
  }
}

// A missing or unusable file is an empty registry whose roots still open, as on Windows.
TEST_F(PosixTest, RegistroSinArchivoUtilEstaVacio) {
  const std::optional<std::string> casos[] = {
      std::nullopt, dir_.CrearCarpeta("carpeta.reg"),
      dir_.Escribir("sin.reg", "[HKEY_CURRENT_USER\\Identities]\r\n\"A\"=\"1\"\r\n"),
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.value_or("(sin variable)"));
    VariableEntorno variable("ORVEX_REGISTRY", caso);
    EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities").has_value());
    auto raiz = ClaveRegistro::Abrir(Raiz::kCurrentUser, "");
    std::string nombre;
    EXPECT_TRUE(raiz && !raiz->EnumerarSubclave(0, &nombre));
  }
}

// A store file kept open from an earlier open is only used while its path still names the same,
// unchanged file; whatever happened in between, the next open reads the file as it is now (an
// open still holding a replaced file keeps reading it: that is the system's doing).
TEST_F(PosixTest, UnArchivoQueSeGuardaAbiertoSeLeeComoEstaAhora) {
  const std::string ruta = "C:\\Store\\Inbox.dbx";
  pruebas::DirectorioTemporal otra;
  otra.Escribir("Store/Inbox.dbx", "ot");
  const std::tuple<const char*, std::function<void()>, const char*> casos[] = {
      {"igual", [] {}, "xy/2"},
      {"reescrito en su sitio", [&] { dir_.Escribir("Store/Inbox.dbx", "nu"); }, "nu/2"},
      {"reemplazado", [&] { std::filesystem::rename(dir_.Escribir("n", "nu"), dir_.RutaDe("Store/Inbox.dbx")); },
       "nu/2"},
      {"borrado", [&] { std::filesystem::remove(dir_.RutaDe("Store/Inbox.dbx")); }, "-"},
      {"otra unidad", [&] { ::setenv("ORVEX_DRIVE_C", otra.Ruta().c_str(), 1); }, "ot/2"},
  };
  for (const auto& [nombre, cambio, leido] : casos) {
    SCOPED_TRACE(nombre);
    VariableEntorno unidad("ORVEX_DRIVE_C", dir_.Ruta());
    dir_.Escribir("Store/Inbox.dbx", "xy");
    ASSERT_EQ(Leer(ruta), "xy/2");
    cambio();
    EXPECT_EQ(Leer(ruta), leido);
  }
}

TEST_F(PosixTest, FileTimeEnHoraLocalDeTz) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/filetime.inc"
           )) {
    SCOPED_TRACE(fila.at(0) + " " + fila.at(1));
    VariableEntorno tz("TZ", fila[0]);
    const auto f = FileTimeALocal(std::stoull(fila[1]));
    char fecha[64] = "-";
    if (f) {
      std::snprintf(fecha, sizeof fecha, "%04d-%02d-%02d %02d:%02d:%02d", f->anio, f->mes, f->dia, f->hora,
                    f->minuto, f->segundo);
    }
    EXPECT_EQ(fecha, fila.at(2));
  }
}

}  // namespace
}  // namespace orvex::plataforma
