#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "plataforma/plataforma.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma {
namespace {

using pruebas::DirectorioTemporal;
using pruebas::RegistroPrueba;
using pruebas::VariableEntorno;
using Bytes = std::vector<uint8_t>;

// Every test starts and ends with the hooks cleared.
class PlataformaTest : public ::testing::Test {
 protected:
  PlataformaTest() { Ganchos().Reiniciar(); }
  ~PlataformaTest() override { Ganchos().Reiniciar(); }
};

// ---------------------------------------------------------------------------------- Registry

class RegistroTest : public PlataformaTest, public ::testing::WithParamInterface<RegistroPrueba::Formato> {
 protected:
  RegistroTest() {
    registro_.Cadena("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info", "Current", "6.0")
        .Cadena("HKCU\\Identities", "Default User ID", "{GUID-1}")
        .Cadena("HKCU\\Identities\\{GUID-1}", "Username", "Identidad principal")
        .CadenaExpandible("HKCU\\Identities\\{GUID-1}\\Software\\Microsoft\\Outlook Express\\5.0", "Store Root",
                          "%UserProfile%\\Correo")
        .Dword("HKCU\\Identities\\{GUID-1}", "Flags", 0x12345678)
        .Binario("HKCU\\Identities\\{GUID-1}", "Blob", {0, 1, 2, 0xFF})
        .Binario("HKCU\\Identities\\{GUID-1}", "Multi", {'a', 0, 'b', 'c', 0, 0}, kRegMultiSz)
        .Cadena("HKCU\\Identities\\{GUID-1}", "", "por defecto")
        .Cadena("HKCU\\Identities\\{GUID-1}", "Acentos", "Buz\xC3\xB3n")
        .Clave("HKCU\\Identities\\zeta")
        .Clave("HKCU\\Identities\\Alfa")
        .Clave("HKCU\\Identities\\_raya");
    registro_.Instalar(GetParam());
  }
  RegistroPrueba registro_;
};

TEST_P(RegistroTest, ValoresComoLosGuarda) {
  struct Caso {
    const char* clave;
    const char* nombre;
    uint32_t tipo;
    Bytes datos;
  };
  auto texto = [](const std::string& s) {
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
  };
  const Caso casos[] = {
      {"Identities", "Default User ID", kRegSz, texto("{GUID-1}")},
      {"identities\\{guid-1}", "USERNAME", kRegSz, texto("Identidad principal")},
      {"Identities\\{GUID-1}\\Software\\Microsoft\\Outlook Express\\5.0", "Store Root", kRegExpandSz,
       texto("%UserProfile%\\Correo")},
      {"Identities\\{GUID-1}", "Flags", kRegDword, {0x78, 0x56, 0x34, 0x12}},
      {"Identities\\{GUID-1}", "Blob", kRegBinario, {0, 1, 2, 0xFF}},
      {"Identities\\{GUID-1}", "Multi", kRegMultiSz, {'a', 0, 'b', 'c', 0, 0}},
      {"Identities\\{GUID-1}", "", kRegSz, texto("por defecto")},
      {"Identities\\{GUID-1}", "Acentos", kRegSz, texto("Buz\xC3\xB3n")},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(std::string(caso.clave) + " / " + caso.nombre);
    auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, caso.clave);
    ASSERT_TRUE(clave.has_value());
    uint32_t tamano = 0, tipo = 0;
    ASSERT_TRUE(clave->ConsultarValor(caso.nombre, &tamano, &tipo));
    EXPECT_EQ(tipo, caso.tipo);
    EXPECT_EQ(tamano, caso.datos.size());
    Bytes leido(256);
    uint32_t leidos = 0;
    ASSERT_TRUE(clave->LeerValor(caso.nombre, leido.data(), static_cast<uint32_t>(leido.size()), &leidos));
    leido.resize(leidos);
    EXPECT_EQ(leido, caso.datos);
  }
  auto version = ClaveRegistro::Abrir(Raiz::kLocalMachine, "Software\\Microsoft\\Outlook Express\\Version Info");
  ASSERT_TRUE(version.has_value());
  EXPECT_TRUE(version->ConsultarValor("Current", nullptr));
}

TEST_P(RegistroTest, LoQueNoExiste) {
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities\\{GUID-2}").has_value());
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kLocalMachine, "Identities").has_value());
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kUsers, "Identities").has_value());
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities");
  ASSERT_TRUE(clave.has_value());
  uint32_t tamano = 7;
  EXPECT_FALSE(clave->ConsultarValor("Username", &tamano));
  char buffer[8];
  EXPECT_FALSE(clave->LeerValor("Username", buffer, sizeof buffer, &tamano));
  // A key with no default value has none to read.
  EXPECT_FALSE(clave->ConsultarValor("", &tamano));
}

TEST_P(RegistroTest, LecturaNuncaPasaDeLaCapacidad) {
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities\\{GUID-1}");
  ASSERT_TRUE(clave.has_value());
  const std::string valor = "Identidad principal";
  const uint32_t largo = static_cast<uint32_t>(valor.size() + 1);
  for (uint32_t capacidad : {0u, 1u, largo - 1, largo, largo + 5}) {
    SCOPED_TRACE(capacidad);
    Bytes buffer(capacidad + 16, 0xCC);
    uint32_t leidos = 12345;
    ASSERT_TRUE(clave->LeerValor("Username", buffer.data(), capacidad, &leidos));
    uint32_t esperados = std::min(capacidad, largo);
    EXPECT_EQ(leidos, esperados);
    EXPECT_EQ(0, std::memcmp(buffer.data(), (valor + '\0').data(), esperados));
    for (std::size_t i = esperados; i < buffer.size(); ++i) {
      ASSERT_EQ(buffer[i], 0xCC) << "byte " << i;
    }
  }
}

TEST_P(RegistroTest, SubclavesEnOrdenDeWindows) {
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities");
  ASSERT_TRUE(clave.has_value());
  std::vector<std::string> nombres;
  std::string nombre;
  for (uint32_t i = 0; clave->EnumerarSubclave(i, &nombre); ++i) nombres.push_back(nombre);
  EXPECT_EQ(nombres, (std::vector<std::string>{"Alfa", "zeta", "_raya", "{GUID-1}"}));
  EXPECT_FALSE(clave->EnumerarSubclave(4, &nombre));
  EXPECT_FALSE(clave->EnumerarSubclave(0xFFFFFFFFu, &nombre));
}

INSTANTIATE_TEST_SUITE_P(Formatos, RegistroTest,
                         ::testing::Values(RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5),
                         [](const auto& info) {
                           return info.param == RegistroPrueba::Formato::kRegedit4 ? "Regedit4" : "Version5";
                         });

TEST_F(PlataformaTest, NombreDeSubclaveQueNoCabeEnCienBytes) {
  RegistroPrueba registro;
  registro.Clave("HKCU\\L\\" + std::string(99, 'a')).Clave("HKCU\\L\\" + std::string(100, 'b'));
  registro.Instalar();
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "L");
  ASSERT_TRUE(clave.has_value());
  std::string nombre;
  EXPECT_TRUE(clave->EnumerarSubclave(0, &nombre));
  EXPECT_EQ(nombre, std::string(99, 'a'));
  EXPECT_FALSE(clave->EnumerarSubclave(1, &nombre));
}

TEST_F(PlataformaTest, RegistroAusenteOInservibleEstaVacio) {
  DirectorioTemporal dir;
  std::string basura;
  for (int i = 0; i < 70000; ++i) basura.push_back(static_cast<char>(i * 31 + 7));
  struct Caso {
    const char* nombre;
    std::optional<std::string> variable;
  };
  const Caso casos[] = {
      {"sin variable", std::nullopt},
      {"variable vacia", ""},
      {"archivo que falta", dir.RutaDe("no.reg")},
      {"una carpeta", dir.CrearCarpeta("carpeta.reg")},
      {"basura binaria", dir.Escribir("basura.reg", basura)},
      {"sin cabecera", dir.Escribir("sin.reg", "[HKEY_CURRENT_USER\\Identities]\r\n\"A\"=\"1\"\r\n")},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    VariableEntorno variable("ORVEX_REGISTRY", caso.variable);
    EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities").has_value());
    // The roots themselves always open, as on Windows.
    auto raiz = ClaveRegistro::Abrir(Raiz::kCurrentUser, "");
    ASSERT_TRUE(raiz.has_value());
    std::string nombre;
    EXPECT_FALSE(raiz->EnumerarSubclave(0, &nombre));
  }
}

TEST_F(PlataformaTest, CadaAperturaVeElArchivoComoEsAhora) {
  RegistroPrueba registro;
  registro.Cadena("HKLM\\Software\\Microsoft\\Outlook Express\\Version Info", "Current", "5");
  registro.Instalar();
  auto leer = [] {
    auto clave = ClaveRegistro::Abrir(Raiz::kLocalMachine, "Software\\Microsoft\\Outlook Express\\Version Info");
    char c[2] = {0, 0};
    uint32_t n = 0;
    return clave && clave->LeerValor("Current", c, 1, &n) ? std::string(c) : std::string("-");
  };
  EXPECT_EQ(leer(), "5");
  // Same size, same path, written within the same clock tick.
  registro.Cadena("HKLM\\Software\\Microsoft\\Outlook Express\\Version Info", "Current", "6");
  registro.Instalar();
  EXPECT_EQ(leer(), "6");
  registro.Quitar("HKLM\\Software\\Microsoft\\Outlook Express\\Version Info");
  registro.Instalar();
  EXPECT_EQ(leer(), "-");
}

// ------------------------------------------------------------------------------------- Files

class ArchivoTest : public PlataformaTest {
 protected:
  ArchivoTest() { dir_.Escribir("Store/Inbox.dbx", "0123456789"); }
  DirectorioTemporal dir_;
  VariableEntorno unidad_{"ORVEX_DRIVE_C", dir_.Ruta()};
  const std::string ruta_ = "C:\\store\\INBOX.dbx";  // Spelled unlike the file on disk.
};

TEST_F(ArchivoTest, LecturaPorPosicion) {
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
  ASSERT_TRUE(archivo.has_value());
  EXPECT_EQ(archivo->Tamano(), 10u);
  struct Caso {
    uint64_t pos;
    std::size_t n;
    std::string esperado;
    bool exacto;
  };
  const Caso casos[] = {
      {0, 4, "0123", true},      {6, 4, "6789", true},       {8, 4, "89", false},
      {10, 4, "", false},        {1000, 4, "", false},       {0, 0, "", true},
      {UINT64_MAX - 1, 4, "", false},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.pos);
    char buffer[16] = {};
    std::size_t leidos = 99;
    EXPECT_TRUE(archivo->Leer(caso.pos, buffer, caso.n, &leidos) || caso.pos > INT64_MAX);
    EXPECT_EQ(std::string(buffer, leidos), caso.esperado);
    EXPECT_EQ(archivo->LeerExacto(caso.pos, buffer, caso.n), caso.exacto);
  }
}

TEST_F(ArchivoTest, EscrituraSoloConPermiso) {
  {
    auto lectura = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
    ASSERT_TRUE(lectura.has_value());
    EXPECT_FALSE(lectura->Escribir(0, "X", 1));
  }
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(archivo.has_value());
  EXPECT_TRUE(archivo->Escribir(2, "ab", 2));
  EXPECT_TRUE(archivo->Escribir(10, "END", 3));  // Appending grows the file.
  EXPECT_EQ(archivo->Tamano(), 13u);
  EXPECT_EQ(dir_.LeerTexto("Store/Inbox.dbx"), "01ab456789END");
}

TEST_F(ArchivoTest, AbrirNuncaCreaNiAbreCarpetas) {
  struct Caso {
    std::string ruta;
    Archivo::Modo modo;
  };
  const Caso casos[] = {
      {"C:\\Store\\Nuevo.dbx", Archivo::Modo::kLectura},
      {"C:\\Store\\Nuevo.dbx", Archivo::Modo::kLecturaEscritura},
      {"C:\\Store", Archivo::Modo::kLectura},
      {"C:\\Store", Archivo::Modo::kLecturaEscritura},
      {"Q:\\Store\\Inbox.dbx", Archivo::Modo::kLectura},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.ruta);
    EXPECT_FALSE(Archivo::Abrir(caso.ruta, caso.modo).has_value());
  }
  EXPECT_FALSE(ExisteArchivo("C:\\Store\\Nuevo.dbx"));
  EXPECT_FALSE(ExisteArchivo("C:\\Store"));
  EXPECT_TRUE(ExisteArchivo(ruta_));
}

TEST_F(ArchivoTest, MoverTraspasaElArchivo) {
  auto a = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
  ASSERT_TRUE(a.has_value());
  Archivo b = std::move(*a);
  char c = 0;
  EXPECT_FALSE(a->LeerExacto(0, &c, 1));
  EXPECT_FALSE(a->Tamano().has_value());
  EXPECT_TRUE(b.LeerExacto(0, &c, 1));
  EXPECT_EQ(c, '0');
  dir_.Escribir("otro", "Z");
  auto otro = Archivo::Abrir("C:\\otro", Archivo::Modo::kLectura);
  ASSERT_TRUE(otro.has_value());
  b = std::move(*otro);
  EXPECT_TRUE(b.LeerExacto(0, &c, 1));
  EXPECT_EQ(c, 'Z');
}

TEST_F(PlataformaTest, ListarArchivosPorPatron) {
  DirectorioTemporal dir;
  for (const char* nombre : {"b.mbx", "A.mbx", "c.MBX", "d.idx", "a.MBX", "x.mbxx"}) dir.Escribir(nombre, "x");
  dir.CrearCarpeta("carpeta.mbx");
  VariableEntorno unidad("ORVEX_DRIVE_C", dir.Ruta());
  struct Caso {
    std::string directorio;
    std::string patron;
    std::vector<std::string> esperados;
  };
  const Caso casos[] = {
      {"C:\\", "*.mbx", {"A.mbx", "a.MBX", "b.mbx", "c.MBX"}},
      {"C:", "*.MBX", {"A.mbx", "a.MBX", "b.mbx", "c.MBX"}},
      {"C:\\", "?.idx", {"d.idx"}},
      {"C:\\", "*.dbx", {}},
      {"C:\\falta", "*.mbx", {}},
      {"Q:\\", "*.mbx", {}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.directorio + caso.patron);
    EXPECT_EQ(ListarArchivos(caso.directorio, caso.patron), caso.esperados);
  }
}

// ------------------------------------------------------------------------------ Environment

TEST_F(PlataformaTest, ExpandirEntorno) {
  VariableEntorno perfil("ORVEX_PERFIL", "/home/ana");
  VariableEntorno otra("ORVEX_VACIA", "");
  VariableEntorno falta("ORVEX_NO_EXISTE", std::nullopt);
  struct Caso {
    std::string texto;
    std::string esperado;
  };
  const Caso casos[] = {
      {"%ORVEX_PERFIL%\\Correo", "/home/ana\\Correo"},
      {"%orvex_perfil%", "/home/ana"},
      {"a%ORVEX_VACIA%b", "ab"},
      {"%ORVEX_NO_EXISTE%\\x", "%ORVEX_NO_EXISTE%\\x"},
      {"%ORVEX_NO_EXISTE%ORVEX_PERFIL%", "%ORVEX_NO_EXISTE/home/ana"},
      {"100%%", "100%%"},
      {"50% de", "50% de"},
      {"%ORVEX_PERFIL%%ORVEX_PERFIL%", "/home/ana/home/ana"},
      {"sin nada", "sin nada"},
      {"", ""},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.texto);
    EXPECT_EQ(ExpandirEntorno(caso.texto), caso.esperado);
  }
}

// ------------------------------------------------------------------------------------- Time

TEST_F(PlataformaTest, FileTimeEnHoraLocal) {
  constexpr uint64_t k1970 = 116444736000000000ull;
  constexpr uint64_t kSegundo = 10000000ull;
  struct Caso {
    const char* zona;
    uint64_t filetime;
    std::optional<FechaLocal> esperada;
  };
  const Caso casos[] = {
      {"UTC", k1970, FechaLocal{1970, 1, 1, 0, 0, 0}},
      {"UTC", 0, FechaLocal{1601, 1, 1, 0, 0, 0}},
      // 2001-07-15 12:34:56 UTC.
      {"UTC", k1970 + 995200496ull * kSegundo, FechaLocal{2001, 7, 15, 12, 34, 56}},
      {"Europe/Madrid", k1970 + 995200496ull * kSegundo, FechaLocal{2001, 7, 15, 14, 34, 56}},
      // 2001-01-15 12:00:00 UTC: winter time.
      {"Europe/Madrid", k1970 + 979560000ull * kSegundo, FechaLocal{2001, 1, 15, 13, 0, 0}},
      {"America/New_York", k1970 + 979560000ull * kSegundo, FechaLocal{2001, 1, 15, 7, 0, 0}},
      {"UTC", 0x7FFFFFFFFFFFFFFFull, FechaLocal{30828, 9, 14, 2, 48, 5}},
      {"UTC", 0x8000000000000000ull, std::nullopt},
      {"UTC", UINT64_MAX, std::nullopt},
      // Before 1601 once moved to local time.
      {"America/New_York", 0, std::nullopt},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(std::string(caso.zona) + " " + std::to_string(caso.filetime));
    VariableEntorno zona("TZ", caso.zona);
    auto fecha = FileTimeALocal(caso.filetime);
    ASSERT_EQ(fecha.has_value(), caso.esperada.has_value());
    if (!fecha) continue;
    const FechaLocal& e = *caso.esperada;
    EXPECT_EQ((std::vector<int>{fecha->anio, fecha->mes, fecha->dia, fecha->hora, fecha->minuto, fecha->segundo}),
              (std::vector<int>{e.anio, e.mes, e.dia, e.hora, e.minuto, e.segundo}));
  }
}

// ---------------------------------------------------------------------------------- Regions

TEST_F(PlataformaTest, RegionesCeroYCrecimiento) {
  constexpr std::size_t kReservado = 1 << 20;
  void* base = ReservarRegion(kReservado);
  ASSERT_NE(base, nullptr);
  auto* bytes = static_cast<unsigned char*>(base);
  ASSERT_TRUE(ConfirmarRegion(base, 100));
  for (std::size_t i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0);
  std::memset(bytes, 0xAB, 100);
  ASSERT_TRUE(ConfirmarRegion(base, 300000));
  for (std::size_t i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0xAB);
  for (std::size_t i = 100; i < 300000; ++i) ASSERT_EQ(bytes[i], 0);
  bytes[299999] = 1;
  // Committing less keeps what was committed.
  ASSERT_TRUE(ConfirmarRegion(base, 10));
  EXPECT_EQ(bytes[299999], 1);
  EXPECT_TRUE(ConfirmarRegion(base, kReservado));
  EXPECT_FALSE(ConfirmarRegion(base, kReservado + 1));
  EXPECT_FALSE(ConfirmarRegion(bytes + 4096, 10));
  EXPECT_TRUE(LiberarRegion(base));
  EXPECT_FALSE(LiberarRegion(base));
  EXPECT_EQ(ReservarRegion(0), nullptr);
}

TEST_F(PlataformaTest, RegionesIndependientes) {
  std::vector<void*> regiones;
  for (std::size_t i = 1; i <= 8; ++i) {
    void* r = ReservarRegion(i * 102400);
    ASSERT_NE(r, nullptr);
    ASSERT_TRUE(ConfirmarRegion(r, i * 102400));
    std::memset(r, static_cast<int>(i), i * 102400);
    regiones.push_back(r);
  }
  for (std::size_t i = 0; i < regiones.size(); i += 2) ASSERT_TRUE(LiberarRegion(regiones[i]));
  for (std::size_t i = 1; i < regiones.size(); i += 2) {
    EXPECT_EQ(static_cast<unsigned char*>(regiones[i])[(i + 1) * 102400 - 1], i + 1);
    EXPECT_TRUE(LiberarRegion(regiones[i]));
  }
}

// ------------------------------------------------------------------------------------ Hooks

TEST_F(PlataformaTest, GanchosHacenFallarLaEnesimaOperacion) {
  DirectorioTemporal dir;
  std::string ruta = dir.Escribir("f", "abcdef");
  struct Caso {
    Operacion op;
    uint64_t fallar_en;
    bool desde;
    std::vector<bool> resultados;  // Of five operations of that kind.
  };
  const Caso casos[] = {
      {Operacion::kAbrir, 3, false, {true, true, false, true, true}},
      {Operacion::kAbrir, 2, true, {true, false, false, false, false}},
      {Operacion::kLeer, 1, false, {false, true, true, true, true}},
      {Operacion::kLeer, 4, true, {true, true, true, false, false}},
      {Operacion::kEscribir, 5, false, {true, true, true, true, false}},
      {Operacion::kRegion, 2, false, {true, false, true, true, true}},
      {Operacion::kRegion, 0, true, {true, true, true, true, true}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(static_cast<int>(caso.op) * 100 + static_cast<int>(caso.fallar_en));
    auto archivo = Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura);
    ASSERT_TRUE(archivo.has_value());
    Ganchos().Reiniciar();
    Ganchos().fallar_en[static_cast<int>(caso.op)] = caso.fallar_en;
    Ganchos().fallar_desde = caso.desde;
    std::vector<bool> resultados;
    for (int i = 0; i < 5; ++i) {
      char c;
      switch (caso.op) {
        case Operacion::kAbrir:
          resultados.push_back(Archivo::Abrir(ruta, Archivo::Modo::kLectura).has_value());
          break;
        case Operacion::kLeer:
          resultados.push_back(archivo->LeerExacto(0, &c, 1));
          break;
        case Operacion::kEscribir:
          resultados.push_back(archivo->Escribir(0, "a", 1));
          break;
        case Operacion::kRegion: {
          void* r = ReservarRegion(4096);
          resultados.push_back(r != nullptr);
          if (r != nullptr) LiberarRegion(r);
          break;
        }
      }
    }
    EXPECT_EQ(resultados, caso.resultados);
    EXPECT_EQ(Ganchos().contador[static_cast<int>(caso.op)], 5u);
    Ganchos().Reiniciar();
  }
}

TEST_F(PlataformaTest, GanchosCuentanCadaTipoPorSeparado) {
  DirectorioTemporal dir;
  std::string ruta = dir.Escribir("f", "abc");
  auto archivo = Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(archivo.has_value());
  char buffer[3];
  std::size_t leidos;
  archivo->Leer(0, buffer, 3, &leidos);
  archivo->LeerExacto(0, buffer, 3);
  archivo->Escribir(0, "x", 1);
  void* r = ReservarRegion(4096);
  ASSERT_NE(r, nullptr);
  ConfirmarRegion(r, 10);
  LiberarRegion(r);
  const auto& c = Ganchos().contador;
  EXPECT_EQ(c[static_cast<int>(Operacion::kAbrir)], 1u);
  EXPECT_EQ(c[static_cast<int>(Operacion::kLeer)], 2u);
  EXPECT_EQ(c[static_cast<int>(Operacion::kEscribir)], 1u);
  EXPECT_EQ(c[static_cast<int>(Operacion::kRegion)], 2u);
}

TEST_F(PlataformaTest, EspacioLibre) {
  DirectorioTemporal dir;
  dir.Escribir("Store/Inbox.idx", "x");
  VariableEntorno unidad("ORVEX_DRIVE_C", dir.Ruta());
  EXPECT_TRUE(EspacioLibre("C:\\Store\\Inbox.idx").has_value());
  EXPECT_TRUE(EspacioLibre("C:\\store\\Nuevo.idx").has_value());
  EXPECT_FALSE(EspacioLibre("C:\\Falta\\Inbox.idx").has_value());
  EXPECT_FALSE(EspacioLibre("Q:\\Store\\Inbox.idx").has_value());
  Ganchos().espacio_libre = 1234;
  EXPECT_EQ(EspacioLibre("C:\\Store\\Inbox.idx"), 1234u);
  EXPECT_EQ(EspacioLibre("Q:\\Store\\Inbox.idx"), 1234u);
  Ganchos().espacio_desconocido = true;
  EXPECT_FALSE(EspacioLibre("C:\\Store\\Inbox.idx").has_value());
}

// -------------------------------------------------------------------------------------- Lock

TEST_F(PlataformaTest, CerrojoExcluye) {
  Cerrojo cerrojo;
  long contador = 0;
  auto sumar = [&] {
    for (int i = 0; i < 100000; ++i) {
      GuardaCerrojo guarda(cerrojo);
      ++contador;
    }
  };
  std::thread a(sumar), b(sumar);
  a.join();
  b.join();
  EXPECT_EQ(contador, 200000);
}

}  // namespace
}  // namespace orvex::plataforma
