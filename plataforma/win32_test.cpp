// What only the Windows backend shows, against the real system calls (run under Wine on the
// build machines): imports into the system registry, sharing with other handles, free space of
// the path's drive, local time and region states.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "almacen_oe5/prueba_almacen.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "plataforma/plataforma.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma {
namespace {

using pruebas::DirectorioTemporal;
using pruebas::RegistroPrueba;

class Win32Test : public ::testing::Test {
 protected:
  Win32Test() { Ganchos().Reiniciar(); }
  ~Win32Test() override { Ganchos().Reiniciar(); }
};

bool ExisteClave(HKEY raiz, const char* ruta) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(raiz, ruta, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::string PaginaDeInicio() {
  char valor[MAX_PATH] = {};
  DWORD n = sizeof valor;
  RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Main", "Start Page", RRF_RT_ANY, nullptr,
               valor, &n);
  return valor;
}

// Installing again replaces the earlier import, and values of keys the system already had come
// back as they were.
TEST_F(Win32Test, ReinstalarReemplazaYRestaura) {
  const std::string antes = PaginaDeInicio();
  ASSERT_FALSE(antes.empty());
  {
    RegistroPrueba r;
    r.Cadena("HKCU\\Software\\Orvex Uno", "v", "1")
        .Cadena("HKCU\\Software\\Microsoft\\Internet Explorer\\Main", "Start Page", "C:\\otro")
        .Instalar();
    EXPECT_TRUE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Uno"));
    r.Quitar("HKCU\\Software\\Orvex Uno").Cadena("HKCU\\Software\\Orvex Dos", "v", "2").Instalar();
    EXPECT_FALSE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Uno"));
    EXPECT_TRUE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Dos"));
    EXPECT_EQ(PaginaDeInicio(), "C:\\otro");
  }
  EXPECT_FALSE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Dos"));
  EXPECT_EQ(PaginaDeInicio(), antes);
}

// ------------------------------------------------------------------------ Files and sharing

// A handle that another program holds, as the mail client holds its store files while it runs.
class Ajeno {
 public:
  Ajeno(const std::string& ruta, DWORD acceso, DWORD comparte)
      : h_(CreateFileA(ruta.c_str(), acceso, comparte, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Ajeno() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  Ajeno(const Ajeno&) = delete;
  Ajeno& operator=(const Ajeno&) = delete;
  bool Abierto() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Escribir(uint32_t pos, const std::string& texto) {
    DWORD hecho = 0;
    return SetFilePointer(h_, static_cast<LONG>(pos), nullptr, FILE_BEGIN) == pos &&
           WriteFile(h_, texto.data(), static_cast<DWORD>(texto.size()), &hecho, nullptr) && hecho == texto.size();
  }

 private:
  HANDLE h_;
};

constexpr DWORD kTodo = FILE_SHARE_READ | FILE_SHARE_WRITE;

TEST_F(Win32Test, AbreLoQueOtroTieneAbiertoYVeLoQueEscribe) {
  DirectorioTemporal dir;
  const std::string ruta = dir.Escribir("Inbox.dbx", std::string("0123456789"));
  struct Caso {
    DWORD acceso, comparte;
    bool lectura, escritura;
  };
  const Caso casos[] = {
      {GENERIC_READ | GENERIC_WRITE, kTodo, true, true},
      {GENERIC_WRITE, FILE_SHARE_READ, true, false},
      {GENERIC_READ, FILE_SHARE_READ, true, false},
      {GENERIC_READ | GENERIC_WRITE, 0, false, false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(std::to_string(caso.acceso) + " " + std::to_string(caso.comparte));
    Ajeno otro(ruta, caso.acceso, caso.comparte);
    ASSERT_TRUE(otro.Abierto());
    EXPECT_EQ(Archivo::Abrir(ruta, Archivo::Modo::kLectura).has_value(), caso.lectura);
    EXPECT_EQ(Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura).has_value(), caso.escritura);
  }
  // What the other handle writes is what the next read sees, and the other way round.
  Ajeno otro(ruta, GENERIC_READ | GENERIC_WRITE, kTodo);
  auto lector = Archivo::Abrir(ruta, Archivo::Modo::kLectura);
  auto escritor = Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(lector && escritor);
  ASSERT_TRUE(otro.Escribir(2, "ab"));
  ASSERT_TRUE(escritor->Escribir(10, "XYZ", 3));
  char buffer[16] = {};
  std::size_t leidos = 0;
  ASSERT_TRUE(lector->Leer(0, buffer, sizeof buffer, &leidos));
  EXPECT_EQ(std::string(buffer, leidos), "01ab456789XYZ");
  EXPECT_EQ(lector->Tamano(), 13u);
  EXPECT_FALSE(lector->LeerExacto(11, buffer, 3));
  EXPECT_FALSE(lector->Escribir(0, "q", 1));
}

// The exports list a store whose files the mail client holds open for writing.
TEST_F(Win32Test, ListaUnAlmacenQueElClienteTieneAbierto) {
  const pruebas::AlmacenDbx descripcion = pruebas::AlmacenEjemplo();
  pruebas::AlmacenInstalado almacen(descripcion);
  ASSERT_EQ(VersionOE, VERSION_OE5);
  std::vector<std::unique_ptr<Ajeno>> abiertos;
  for (const auto& entrada : std::filesystem::directory_iterator(almacen.Directorio().Ruta())) {
    abiertos.push_back(std::make_unique<Ajeno>(entrada.path().string(), GENERIC_READ | GENERIC_WRITE, kTodo));
    ASSERT_TRUE(abiertos.back()->Abierto()) << entrada.path();
  }
  const pruebas::Recorrido r = pruebas::Recorrer(OE_ObtenerCarpetas);
  EXPECT_EQ(r.final, OE_FIN);
  EXPECT_EQ(r.carpetas.size(), descripcion.carpetas.size());
  for (const pruebas::CarpetaDbx& c : descripcion.carpetas) {
    if (!c.mensajes) continue;
    pruebas::CarpetaAbierta abierta(c.id);
    ASSERT_EQ(abierta.resultado, OE_OK) << c.nombre;
    EXPECT_EQ(pruebas::Listar(abierta.c).mensajes.size(), c.mensajes->mensajes.size()) << c.nombre;
  }
}

// ------------------------------------------------------------------------------- Free space

TEST_F(Win32Test, EspacioLibreDeLaUnidadDeLaRuta) {
  DirectorioTemporal dir;
  const std::string propia = dir.RutaDe("Mail\\Inbox.idx");
  ASSERT_EQ(propia.substr(1, 1), ":");
  const std::pair<std::string, std::string> casos[] = {
      {propia, propia.substr(0, 2) + "\\"}, {"c:\\no\\existe\\Inbox.idx", "C:\\"}, {"Z:\\tmp\\Inbox.idx", "Z:\\"},
      {"C:", "C:\\"},                       {"\\sin unidad\\Inbox.idx", ""},       {"Q:\\Inbox.idx", "-"},
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

// ------------------------------------------------------------------- Time, regions and lock

TEST_F(Win32Test, FechaRegionYCerrojo) {
  // Noon UTC: the same calendar day in every zone within twelve hours.
  const auto fecha = FileTimeALocal(pruebas::FileTime(2001, 3, 5, 12, 7, 30));
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
  const auto* bytes = static_cast<const unsigned char*>(base);
  EXPECT_TRUE(std::all_of(bytes, bytes + 5000, [](unsigned char b) { return b == 0; }));
  EXPECT_TRUE(LiberarRegion(base));
  EXPECT_EQ(estado(base), static_cast<DWORD>(MEM_FREE));

  // A critical section may be entered again by the thread that holds it.
  Cerrojo c;
  GuardaCerrojo uno(c), dos(c);
}

}  // namespace
}  // namespace orvex::plataforma
