// What only the Windows backend shows, against the real system calls (run under Wine on the
// build machines): sharing with handles another program holds, free space of the path's drive,
// local time and region states.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "plataforma/plataforma.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma {
namespace {

using pruebas::DirectorioTemporal;

// A handle that another program holds, as the mail client holds its store files while it runs.
using Ajeno = std::unique_ptr<void, decltype(&CloseHandle)>;
Ajeno AbrirAjeno(const std::string& ruta, DWORD acceso, DWORD comparte) {
  HANDLE h = CreateFileA(ruta.c_str(), acceso, comparte, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return Ajeno(h == INVALID_HANDLE_VALUE ? nullptr : h, &CloseHandle);
}

TEST(Win32Test, AbreLoQueOtroTieneAbierto) {
  DirectorioTemporal dir;
  const std::string ruta = dir.Escribir("Inbox.dbx", std::string("0123456789"));
  constexpr DWORD kTodo = FILE_SHARE_READ | FILE_SHARE_WRITE, kEscribe = GENERIC_READ | GENERIC_WRITE;
  // The other program's access and sharing; whether we can then open for reading, for writing.
  const std::tuple<DWORD, DWORD, bool, bool> casos[] = {
      {kEscribe, kTodo, true, true},
      {GENERIC_WRITE, FILE_SHARE_READ, true, false},
      {GENERIC_READ, FILE_SHARE_READ, true, false},
      {kEscribe, 0, false, false},
  };
  for (const auto& [acceso, comparte, lectura, escritura] : casos) {
    SCOPED_TRACE(std::to_string(acceso) + " " + std::to_string(comparte));
    Ajeno otro = AbrirAjeno(ruta, acceso, comparte);
    ASSERT_TRUE(otro);
    EXPECT_EQ(Archivo::Abrir(ruta, Archivo::Modo::kLectura).has_value(), lectura);
    EXPECT_EQ(Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura).has_value(), escritura);
  }
}

TEST(Win32Test, EspacioLibreDeLaUnidadDeLaRuta) {
  DirectorioTemporal dir;
  const std::string propia = dir.RutaDe("Mail\\Inbox.idx");
  ASSERT_EQ(propia.substr(1, 1), ":");
  const std::pair<std::string, std::string> casos[] = {
      {propia, propia.substr(0, 2) + "\\"}, {"c:\\no\\existe\\Inbox.idx", "C:\\"},
      {"\\sin unidad\\Inbox.idx", ""},  {"Q:\\Inbox.idx", "-"},
  };
  for (const auto& [ruta, raiz] : casos) {
    SCOPED_TRACE(ruta);
    const auto libre = EspacioLibre(ruta);
    ULARGE_INTEGER disponibles, total, libres;
    // "" is the current drive; "-" a drive that does not exist.
    if (raiz == "-" || !GetDiskFreeSpaceExA(raiz.empty() ? nullptr : raiz.c_str(), &disponibles, &total, &libres)) {
      EXPECT_FALSE(libre.has_value());
      continue;
    }
    // Close to what the system reports for the same disk (others write to it meanwhile).
    ASSERT_TRUE(libre.has_value());
    constexpr uint64_t kHolgura = uint64_t{256} << 20;
    EXPECT_GT(*libre, 0u);
    EXPECT_LE(*libre, libres.QuadPart + kHolgura);
    EXPECT_GE(*libre + kHolgura, libres.QuadPart);
  }
}

TEST(Win32Test, FechaYRegion) {
  // 2001-03-05 12:07:30 UTC, noon: the same calendar day in every zone within twelve hours.
  const auto fecha = FileTimeALocal(126282676500000000ull);
  ASSERT_TRUE(fecha.has_value());
  EXPECT_EQ((std::vector<int>{fecha->anio, fecha->mes, fecha->dia, fecha->segundo}),
            (std::vector<int>{2001, 3, 5, 30}));
  EXPECT_FALSE(FileTimeALocal(uint64_t{1} << 63).has_value());
  EXPECT_FALSE(FileTimeALocal(UINT64_MAX).has_value());

  void* base = ReservarRegion(std::size_t{1} << 20);
  ASSERT_NE(base, nullptr);
  auto estado = [](void* p) {
    MEMORY_BASIC_INFORMATION info = {};
    VirtualQuery(p, &info, sizeof info);
    return info.State;
  };
  EXPECT_EQ(estado(base), static_cast<DWORD>(MEM_RESERVE));
  ASSERT_TRUE(ConfirmarRegion(base, 5000));
  EXPECT_EQ(estado(static_cast<char*>(base) + 4999), static_cast<DWORD>(MEM_COMMIT));
  EXPECT_TRUE(LiberarRegion(base));
  EXPECT_EQ(estado(base), static_cast<DWORD>(MEM_FREE));
}

}  // namespace
}  // namespace orvex::plataforma
