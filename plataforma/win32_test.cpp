// The Windows backend against the real system calls (run under Wine on the build machines):
// registry values as regedit imports them, environment expansion, file sharing, directory
// listing, free space, time conversion and regions.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "almacen_imn/imn.h"
#include "almacen_oe4/oe4.h"
#include "almacen_oe5/identidades.h"
#include "almacen_oe5/prueba_almacen.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/guardado.h"
#include "plataforma/plataforma.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma {
namespace {

using pruebas::DirectorioTemporal;
using pruebas::RegistroPrueba;
using pruebas::VariableEntorno;
using Bytes = std::vector<uint8_t>;

constexpr const char* kVersionInfo = "HKLM\\Software\\Microsoft\\Outlook Express\\Version Info";
constexpr const char* kIdentidad = "{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}";
constexpr const char* kRaizOe4 = "HKCU\\Software\\Microsoft\\Outlook Express";
constexpr const char* kRaizImn = "HKCU\\Software\\Microsoft\\Internet Mail and News";
constexpr const char* kCuentas = "HKCU\\Software\\Microsoft\\Internet Account Manager\\Accounts";

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

std::string Leido(const char* buffer) { return std::string(buffer); }

// ---------------------------------------------------------------------------------- Registry

// Every generation's locator reads its values from the system registry as regedit imported
// them, REG_EXPAND_SZ roots expanded through the process's environment.
TEST_F(Win32Test, RutasDelRegistroDeCadaGeneracion) {
  VariableEntorno raiz("ORVEX_W32_RAIZ", "C:\\Datos de correo");
  for (auto formato : {RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5}) {
    SCOPED_TRACE(formato == RegistroPrueba::Formato::kRegedit4 ? "REGEDIT4" : "Version 5");
    {
      RegistroPrueba r;
      const std::string almacen =
          std::string("HKCU\\Identities\\") + kIdentidad + "\\Software\\Microsoft\\Outlook Express\\5.0";
      r.Cadena(kVersionInfo, "Current", "6.00.2900.5512")
          .Cadena("HKCU\\Identities", "Default User ID", kIdentidad)
          .Cadena(std::string("HKCU\\Identities\\") + kIdentidad, "Username", "Principal")
          .CadenaExpandible(almacen, "Store Root", "%ORVEX_W32_RAIZ%\\Identidad")
          .Cadena(kRaizOe4, "Store Root", "D:\\Correo OE4\\")
          .Cadena(kRaizImn, "Store Root", "E:\\Internet Mail")
          .Cadena(std::string(kCuentas) + "\\00000002", "NNTP Data Directory", "D:\\News")
          .Clave(std::string(kCuentas) + "\\00000001");
      r.Instalar(formato);

      char oe4[260], imn[260];
      char dbx[oe5::kLongRuta];
      struct Caso {
        const char* que;
        uint32_t resultado;
        uint32_t esperado;
        std::string ruta;
        std::string ruta_esperada;
      };
      const Caso casos[] = {
          {"version", DetectarVersion(), VERSION_OE5, "", ""},
          {"identidad", oe5::IdentidadPorDefecto(), 0, IdentidadActual, kIdentidad},
          {"folders.dbx", oe5::RutaFoldersDbx(dbx), 0, Leido(dbx), "C:\\Datos de correo\\Identidad\\folders.dbx"},
          {"folders.nch", oe4::RutaFoldersNch(oe4), 1, Leido(oe4), "D:\\Correo OE4\\mail\\folders.nch"},
          {"raiz imn", imn::ObtenerRaizIMN(imn), 0, Leido(imn), "E:\\Internet Mail\\Mail"},
      };
      for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.que);
        EXPECT_EQ(caso.resultado, caso.esperado);
        EXPECT_EQ(caso.ruta, caso.ruta_esperada);
      }

      auto cuentas = ClaveRegistro::Abrir(Raiz::kCurrentUser, std::string(kCuentas).substr(5));
      ASSERT_TRUE(cuentas.has_value());
      std::string subclave;
      ASSERT_TRUE(cuentas->EnumerarSubclave(1, &subclave));
      EXPECT_EQ(subclave, "00000002");
      auto cuenta = ClaveRegistro::Abrir(Raiz::kCurrentUser, std::string(kCuentas).substr(5) + "\\" + subclave);
      ASSERT_TRUE(cuenta.has_value());
      char datos[32] = {};
      uint32_t n = 0;
      EXPECT_TRUE(cuenta->LeerValor("NNTP Data Directory", datos, sizeof datos, &n));
      EXPECT_EQ(std::string(datos), "D:\\News");
      EXPECT_EQ(n, 8u);
    }
    // The imported keys go with the registry description; the system's own stay.
    EXPECT_FALSE(ExisteClave(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Outlook Express"));
    EXPECT_FALSE(ExisteClave(HKEY_CURRENT_USER, "Identities"));
    EXPECT_FALSE(ExisteClave(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Account Manager"));
    EXPECT_TRUE(ExisteClave(HKEY_CURRENT_USER, "Software\\Microsoft"));
    EXPECT_EQ(DetectarVersion(), VERSION_NINGUNA);
  }
}

TEST_F(Win32Test, ValoresComoLosGuardaElRegistro) {
  Bytes largo(300);
  for (std::size_t i = 0; i < largo.size(); ++i) largo[i] = static_cast<uint8_t>(i * 7);
  RegistroPrueba r;
  r.Cadena("HKCU\\Software\\Orvex Prueba", "Texto", "abcdef")
      .Cadena("HKCU\\Software\\Orvex Prueba", "", "por defecto")
      .CadenaExpandible("HKCU\\Software\\Orvex Prueba", "Expandible", "%WINDIR%\\x")
      .Dword("HKCU\\Software\\Orvex Prueba", "Numero", 0x12345678)
      .Binario("HKCU\\Software\\Orvex Prueba", "Binario", largo);
  r.Instalar();
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "software\\orvex prueba");
  ASSERT_TRUE(clave.has_value());
  auto texto = [](const std::string& s) {
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
  };
  struct Caso {
    const char* nombre;
    uint32_t capacidad;
    uint32_t tipo;
    uint32_t tamano;  // as stored
    Bytes leidos;     // what a buffer of capacidad bytes receives
  };
  const Caso casos[] = {
      {"Texto", 64, kRegSz, 7, texto("abcdef")},
      {"texto", 4, kRegSz, 7, {'a', 'b', 'c', 'd'}},
      {"", 64, kRegSz, 12, texto("por defecto")},
      {"Expandible", 64, kRegExpandSz, 11, texto("%WINDIR%\\x")},
      {"Numero", 4, kRegDword, 4, {0x78, 0x56, 0x34, 0x12}},
      {"Binario", 300, kRegBinario, 300, largo},
      {"Binario", 10, kRegBinario, 300, Bytes(largo.begin(), largo.begin() + 10)},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(std::string(caso.nombre) + " / " + std::to_string(caso.capacidad));
    uint32_t tamano = 0, tipo = 0;
    ASSERT_TRUE(clave->ConsultarValor(caso.nombre, &tamano, &tipo));
    EXPECT_EQ(tamano, caso.tamano);
    EXPECT_EQ(tipo, caso.tipo);
    // A canary after the caller's capacity must survive.
    Bytes buffer(caso.capacidad + 1, 0xEE);
    uint32_t leidos = 0;
    ASSERT_TRUE(clave->LeerValor(caso.nombre, buffer.data(), caso.capacidad, &leidos));
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + leidos), caso.leidos);
    EXPECT_EQ(buffer[caso.capacidad], 0xEE);
  }
  uint32_t tamano = 0;
  EXPECT_FALSE(clave->ConsultarValor("No existe", &tamano));
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kCurrentUser, "Software\\Orvex Prueba\\No existe").has_value());
  // The module-wide reader: a value that fits is read with its NUL; a longer one counts as absent.
  char justo[7], corto[6];
  EXPECT_EQ(LeerValorRegistro(Raiz::kCurrentUser, "Software\\Orvex Prueba", "Texto", justo, sizeof justo), 1u);
  EXPECT_STREQ(justo, "abcdef");
  EXPECT_EQ(LeerValorRegistro(Raiz::kCurrentUser, "Software\\Orvex Prueba", "Texto", corto, sizeof corto), 0u);
}

// Subkeys come in the registry's order, and a name that does not fit the 100-byte buffer ends
// the enumeration there.
TEST_F(Win32Test, SubclavesEnOrdenYNombresLargos) {
  const std::string base = "HKCU\\Software\\Orvex Subclaves";
  const std::string de_99(99, 'm');
  const std::string de_100(100, 'n');
  RegistroPrueba r;
  r.Clave(base + "\\zeta").Clave(base + "\\Alfa").Clave(base + "\\beta").Clave(base + "\\" + de_99);
  r.Clave(base + "\\" + de_100);
  r.Instalar();
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "Software\\Orvex Subclaves");
  ASSERT_TRUE(clave.has_value());
  struct Caso {
    uint32_t indice;
    bool hay;
    std::string nombre;
  };
  const Caso casos[] = {
      {0, true, "Alfa"}, {1, true, "beta"}, {2, true, de_99}, {3, false, ""}, {4, true, "zeta"}, {5, false, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.indice);
    std::string nombre;
    EXPECT_EQ(clave->EnumerarSubclave(caso.indice, &nombre), caso.hay);
    if (caso.hay) {
      EXPECT_EQ(nombre, caso.nombre);
    }
  }
}

// Installing again replaces the earlier import: removed keys and values go away, and values of
// keys the system already had come back as they were.
TEST_F(Win32Test, ReinstalarReemplazaYRestaura) {
  constexpr const char* kClaveDelSistema = "Software\\Microsoft\\Internet Explorer\\Main";
  char antes[MAX_PATH] = {};
  DWORD n = sizeof antes;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kClaveDelSistema, "Start Page", RRF_RT_ANY, nullptr, antes, &n),
            ERROR_SUCCESS);
  {
    RegistroPrueba r;
    r.Cadena("HKCU\\Software\\Orvex Uno", "v", "1")
        .Cadena(std::string("HKCU\\") + kClaveDelSistema, "Start Page", "C:\\otro");
    r.Instalar();
    EXPECT_TRUE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Uno"));
    r.Quitar("HKCU\\Software\\Orvex Uno").Cadena("HKCU\\Software\\Orvex Dos", "v", "2");
    r.Instalar();
    EXPECT_FALSE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Uno"));
    EXPECT_TRUE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Dos"));
    char durante[MAX_PATH] = {};
    n = sizeof durante;
    RegGetValueA(HKEY_CURRENT_USER, kClaveDelSistema, "Start Page", RRF_RT_ANY, nullptr, durante, &n);
    EXPECT_STREQ(durante, "C:\\otro");
  }
  EXPECT_FALSE(ExisteClave(HKEY_CURRENT_USER, "Software\\Orvex Dos"));
  char despues[MAX_PATH] = {};
  n = sizeof despues;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kClaveDelSistema, "Start Page", RRF_RT_ANY, nullptr, despues, &n),
            ERROR_SUCCESS);
  EXPECT_STREQ(despues, antes);
}

// ------------------------------------------------------------------------------ Environment

TEST_F(Win32Test, ExpandeConElEntornoDelProceso) {
  const std::string largo(400, 'x');
  VariableEntorno var("ORVEX_W32_VAR", "C:\\Datos");
  VariableEntorno larga("ORVEX_W32_LARGA", largo);
  VariableEntorno quitada("ORVEX_W32_NO_EXISTE", std::nullopt);
  struct Caso {
    std::string texto;
    std::string esperado;
  };
  const Caso casos[] = {
      {"%ORVEX_W32_VAR%\\Almacen", "C:\\Datos\\Almacen"},
      {"%orvex_w32_var%\\Almacen", "C:\\Datos\\Almacen"},  // names without regard to case
      {"%ORVEX_W32_VAR%%ORVEX_W32_VAR%", "C:\\DatosC:\\Datos"},
      {"%ORVEX_W32_NO_EXISTE%\\x", "%ORVEX_W32_NO_EXISTE%\\x"},
      {"%ORVEX_W32_VAR", "%ORVEX_W32_VAR"},
      {"100%", "100%"},
      {"", ""},
      {"%ORVEX_W32_LARGA%\\fin", largo + "\\fin"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.texto);
    EXPECT_EQ(ExpandirEntorno(caso.texto), caso.esperado);
  }
  // A variable the test set, then removed, is no longer expanded.
  {
    VariableEntorno temporal("ORVEX_W32_TEMPORAL", "t");
    EXPECT_EQ(ExpandirEntorno("%ORVEX_W32_TEMPORAL%"), "t");
  }
  EXPECT_EQ(ExpandirEntorno("%ORVEX_W32_TEMPORAL%"), "%ORVEX_W32_TEMPORAL%");
}

// -------------------------------------------------------------------------------- Sharing

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

TEST_F(Win32Test, AbreLoQueOtroTieneAbiertoParaEscribir) {
  DirectorioTemporal dir;
  const std::string ruta = dir.Escribir("Inbox.dbx", std::string("0123456789"));
  struct Caso {
    const char* que;
    DWORD acceso;
    DWORD comparte;
    bool lectura;
    bool escritura;
  };
  const Caso casos[] = {
      {"escribe y comparte todo", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true, true},
      {"escribe y comparte lectura", GENERIC_WRITE, FILE_SHARE_READ, true, false},
      {"lee y comparte lectura", GENERIC_READ, FILE_SHARE_READ, true, false},
      {"escribe sin compartir", GENERIC_READ | GENERIC_WRITE, 0, false, false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.que);
    Ajeno otro(ruta, caso.acceso, caso.comparte);
    ASSERT_TRUE(otro.Abierto());
    EXPECT_EQ(Archivo::Abrir(ruta, Archivo::Modo::kLectura).has_value(), caso.lectura);
    EXPECT_EQ(Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura).has_value(), caso.escritura);
  }
}

// What the other handle writes is what the next read sees, and the other way round.
TEST_F(Win32Test, LasEscriturasSeVenEntreManejadores) {
  DirectorioTemporal dir;
  const std::string ruta = dir.Escribir("a.mbx", std::string("0123456789"));
  Ajeno otro(ruta, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(otro.Abierto());
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
  // The read handle cannot write.
  EXPECT_FALSE(lector->Escribir(0, "q", 1));
}

// The exports list a store whose files the mail client holds open for writing.
TEST_F(Win32Test, ListaUnAlmacenQueElClienteTieneAbierto) {
  const pruebas::AlmacenDbx descripcion = pruebas::AlmacenEjemplo();
  pruebas::AlmacenInstalado almacen(descripcion);
  ASSERT_EQ(VersionOE, VERSION_OE5);
  std::vector<std::unique_ptr<Ajeno>> abiertos;
  for (const auto& entrada : std::filesystem::directory_iterator(almacen.Directorio().Ruta())) {
    abiertos.push_back(std::make_unique<Ajeno>(entrada.path().string(), GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE));
    ASSERT_TRUE(abiertos.back()->Abierto()) << entrada.path();
  }
  ASSERT_GT(abiertos.size(), 1u);

  const pruebas::Recorrido r = pruebas::Recorrer(OE_ObtenerCarpetas);
  EXPECT_EQ(r.primero, OE_OK);
  EXPECT_EQ(r.final, OE_FIN);
  EXPECT_EQ(r.carpetas.size(), descripcion.carpetas.size());
  for (const pruebas::CarpetaDbx& c : descripcion.carpetas) {
    if (!c.mensajes) continue;
    SCOPED_TRACE(c.nombre);
    pruebas::CarpetaAbierta abierta(c.id);
    ASSERT_EQ(abierta.resultado, OE_OK);
    const pruebas::Listado l = pruebas::Listar(abierta.c);
    ASSERT_EQ(l.mensajes.size(), c.mensajes->mensajes.size());
    for (std::size_t i = 0; i < l.mensajes.size(); ++i) {
      EXPECT_EQ(l.mensajes[i].texto, c.mensajes->mensajes[i].texto) << i;
    }
  }
}

// ------------------------------------------------------------------------------ Directories

TEST_F(Win32Test, ListaLosBuzonesPorPatron) {
  DirectorioTemporal dir;
  for (const char* nombre : {"Inbox.mbx", "Sent Items.MBX", "Inbox.idx", "notas.mbx.bak", "mbx", "a.mb"}) {
    dir.Escribir(nombre, std::string("x"));
  }
  dir.CrearCarpeta("carpeta.mbx");
  DirectorioTemporal vacio;
  struct Caso {
    std::string directorio;
    std::string patron;
    std::vector<std::string> esperado;  // sorted
  };
  const Caso casos[] = {
      {dir.Ruta(), "*.mbx", {"Inbox.mbx", "Sent Items.MBX"}},
      {dir.Ruta() + "\\", "*.mbx", {"Inbox.mbx", "Sent Items.MBX"}},
      {dir.Ruta(), "*.IDX", {"Inbox.idx"}},
      {dir.Ruta(), "?.mb", {"a.mb"}},
      {vacio.Ruta(), "*.mbx", {}},
      {dir.RutaDe("no existe"), "*.mbx", {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.directorio + " " + caso.patron);
    std::vector<std::string> nombres = ListarArchivos(caso.directorio, caso.patron);
    std::sort(nombres.begin(), nombres.end());
    EXPECT_EQ(nombres, caso.esperado);
  }
}

TEST_F(Win32Test, ExisteArchivoSoloParaArchivos) {
  DirectorioTemporal dir;
  dir.Escribir("a.idx", std::string("x"));
  dir.CrearCarpeta("c");
  EXPECT_TRUE(ExisteArchivo(dir.RutaDe("a.idx")));
  EXPECT_TRUE(ExisteArchivo(dir.RutaDe("A.IDX")));
  EXPECT_FALSE(ExisteArchivo(dir.RutaDe("c")));
  EXPECT_FALSE(ExisteArchivo(dir.RutaDe("b.idx")));
}

// ------------------------------------------------------------------------------- Free space

uint64_t LibresDe(const char* raiz) {
  ULARGE_INTEGER disponibles, total, libres;
  if (!GetDiskFreeSpaceExA(raiz, &disponibles, &total, &libres)) return 0;
  return libres.QuadPart;
}

// Close to what the system reports for the same disk (others write to it meanwhile).
void CercaDe(const std::optional<uint64_t>& valor, uint64_t esperado) {
  ASSERT_TRUE(valor.has_value());
  constexpr uint64_t kHolgura = uint64_t{256} << 20;
  EXPECT_LE(*valor, esperado + kHolgura);
  EXPECT_GE(*valor + kHolgura, esperado);
  EXPECT_GT(*valor, 0u);
}

TEST_F(Win32Test, EspacioLibreDeLaUnidadDeLaRuta) {
  DirectorioTemporal dir;
  const std::string propia = dir.RutaDe("Mail\\Inbox.idx");
  ASSERT_GE(propia.size(), 3u);
  ASSERT_EQ(propia[1], ':');
  const std::string unidad = propia.substr(0, 2) + "\\";
  struct Caso {
    std::string ruta;
    std::string raiz;  // "" = none expected
  };
  const Caso casos[] = {
      {propia, unidad},
      {"c:\\no\\existe\\Inbox.idx", "C:\\"},
      {"Z:\\tmp\\Inbox.idx", "Z:\\"},
      {"C:", "C:\\"},
      {"\\sin unidad\\Inbox.idx", ""},  // the current drive
      {"Q:\\Inbox.idx", "-"},           // no such drive
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.ruta);
    const auto libre = EspacioLibre(caso.ruta);
    if (caso.raiz == "-") {
      EXPECT_FALSE(libre.has_value());
    } else {
      CercaDe(libre, LibresDe(caso.raiz.empty() ? nullptr : caso.raiz.c_str()));
    }
  }
}

// The save frame's check on a real disk: a message of ordinary size fits, a drive that does not
// exist refuses the save.
TEST_F(Win32Test, ElGuardadoMiraElDiscoDeVerdad) {
  DirectorioTemporal dir;
  OE_MENSAJE mensaje = {};
  mensaje.TamMsg = 1000;
  std::snprintf(mensaje.RutaIndice, sizeof mensaje.RutaIndice, "%s", dir.RutaDe("Inbox.dbx").c_str());
  EXPECT_EQ(mensaje::HayEspacioLibre(&mensaje), 1u);
  std::snprintf(mensaje.RutaIndice, sizeof mensaje.RutaIndice, "Q:\\Correo\\Inbox.dbx");
  EXPECT_EQ(mensaje::HayEspacioLibre(&mensaje), 0u);
  // The hook still decides when a test sets it.
  Ganchos().espacio_libre = 1499;
  std::snprintf(mensaje.RutaIndice, sizeof mensaje.RutaIndice, "%s", dir.RutaDe("Inbox.dbx").c_str());
  EXPECT_EQ(mensaje::HayEspacioLibre(&mensaje), 0u);
  Ganchos().espacio_libre = 1500;
  EXPECT_EQ(mensaje::HayEspacioLibre(&mensaje), 1u);
}

// ------------------------------------------------------------------------ Time and regions

TEST_F(Win32Test, FechaLocalDeUnFiletime) {
  // Noon UTC: the same calendar day in every zone within twelve hours.
  const auto fecha = FileTimeALocal(pruebas::FileTime(2001, 3, 5, 12, 7, 30));
  ASSERT_TRUE(fecha.has_value());
  EXPECT_EQ(fecha->anio, 2001);
  EXPECT_EQ(fecha->mes, 3);
  EXPECT_EQ(fecha->dia, 5);
  EXPECT_EQ(fecha->segundo, 30);
  // Past what the system converts: no date, as on the other backend.
  EXPECT_FALSE(FileTimeALocal(uint64_t{1} << 63).has_value());
  EXPECT_FALSE(FileTimeALocal(UINT64_MAX).has_value());
}

TEST_F(Win32Test, RegionReservadaConfirmadaYLiberada) {
  constexpr std::size_t kReserva = std::size_t{1} << 20;
  void* base = ReservarRegion(kReserva);
  ASSERT_NE(base, nullptr);
  MEMORY_BASIC_INFORMATION info;
  ASSERT_NE(VirtualQuery(base, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_RESERVE));
  ASSERT_TRUE(ConfirmarRegion(base, 5000));
  ASSERT_NE(VirtualQuery(base, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
  EXPECT_GE(info.RegionSize, 5000u);
  const auto* bytes = static_cast<const unsigned char*>(base);
  EXPECT_TRUE(std::all_of(bytes, bytes + 5000, [](unsigned char b) { return b == 0; }));
  std::memset(base, 0xAB, 5000);
  EXPECT_TRUE(LiberarRegion(base));
  ASSERT_NE(VirtualQuery(base, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE));
}

// A critical section may be entered again by the thread that holds it.
TEST_F(Win32Test, CerrojoReentrante) {
  Cerrojo c;
  GuardaCerrojo uno(c);
  GuardaCerrojo dos(c);
  SUCCEED();
}

}  // namespace
}  // namespace orvex::plataforma
