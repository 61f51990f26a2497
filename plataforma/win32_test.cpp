// What only the Windows backend shows, against the real system calls (run under Wine on the
// build machines): sharing with handles another program holds.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

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

}  // namespace
}  // namespace orvex::plataforma
