// The platform layer's contract, run against whichever backend the build picked.
#include "plataforma/plataforma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "plataforma/origen_exportacion.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma {
namespace {

using pruebas::DirectorioTemporal;
using pruebas::RegistroPrueba;
using pruebas::VariableEntorno;
using Bytes = std::vector<uint8_t>;

Bytes Texto(const std::string& s) { return Bytes(s.c_str(), s.c_str() + s.size() + 1); }

// Every test starts and ends with the hooks cleared, and has a folder holding Store\Inbox.dbx.
class PlataformaTest : public ::testing::Test {
 protected:
  PlataformaTest() {
    Ganchos().Reiniciar();
    dir_.Escribir("Store/Inbox.dbx", "0123456789");
  }
  ~PlataformaTest() override { Ganchos().Reiniciar(); }
  DirectorioTemporal dir_;
  const std::string ruta_ = dir_.Ruta() + "\\store\\INBOX.dbx";  // Spelled unlike the file on disk.
};

// Each export format, read as ORVEX_REGISTRY names it, or installed by the host as a source
// (ORVEX_REGISTRY then unset).
class RegistroTest : public PlataformaTest,
                     public ::testing::WithParamInterface<std::tuple<RegistroPrueba::Formato, bool>> {
 protected:
  RegistroTest() {
    const std::string id = "HKCU\\Identities\\{GUID-1}";
    registro_.Cadena("HKEY_LOCAL_MACHINE\\Software\\Orvex Prueba", "Current", "6.0")
        .Cadena("HKCU\\Identities", "Default User ID", "{GUID-1}")
        .Cadena(id, "Username", "Identidad principal")
        .CadenaExpandible(id + "\\Software\\Outlook Express\\5.0", "Store Root", "%UserProfile%\\Correo")
        .Dword(id, "Flags", 0x12345678)
        .Binario(id, "Blob", largo_)
        .Binario(id, "Multi", {'a', 0, 'b', 'c', 0, 0}, kRegMultiSz)
        .Cadena(id, "", "por defecto")
        .Clave("HKCU\\Identities\\zeta")
        .Clave("HKCU\\Identities\\Alfa")
        .Clave("HKCU\\Identities\\" + std::string(99, 'a'))
        .Clave("HKCU\\Identities\\" + std::string(100, 'b'));
    const std::string ruta = registro_.Instalar(std::get<0>(GetParam()));
    if (!std::get<1>(GetParam())) return;
    std::ifstream archivo(ruta, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(archivo), std::istreambuf_iterator<char>()};
    UsarOrigenRegistro(OrigenDeExportacion(std::make_shared<const registro::Registro>(registro::AnalizarRegistro(bytes))));
    sin_variable_.emplace("ORVEX_REGISTRY", std::nullopt);
  }
  ~RegistroTest() override { UsarOrigenRegistro(nullptr); }
  const Bytes largo_ = [] { Bytes b(300); for (std::size_t i = 0; i < 300; ++i) b[i] = uint8_t(i * 7); return b; }();
  RegistroPrueba registro_;
  std::optional<VariableEntorno> sin_variable_;
};

// Sizes and types as stored; a read never passes the caller's capacity.
TEST_P(RegistroTest, ValoresComoLosGuardaSinPasarDeLaCapacidad) {
  const std::string id = "Identities\\{GUID-1}";
  struct Caso {
    std::string clave;
    const char* nombre;
    uint32_t tipo;
    std::optional<Bytes> datos;  // Empty: no such value.
    std::vector<uint32_t> capacidades = {400};
    Raiz raiz = Raiz::kCurrentUser;
  };
  const Caso casos[] = {
      {"Identities", "Default User ID", kRegSz, Texto("{GUID-1}")},
      {"identities\\{guid-1}", "USERNAME", kRegSz, Texto("Identidad principal")},
      {id, "Username", kRegSz, Texto("Identidad principal"), {0, 1, 19, 20}},
      {id + "\\Software\\Outlook Express\\5.0", "Store Root", kRegExpandSz, Texto("%UserProfile%\\Correo")},
      {id, "Flags", kRegDword, Bytes{0x78, 0x56, 0x34, 0x12}},
      {id, "Blob", kRegBinario, largo_, {10, 400}},
      {id, "Multi", kRegMultiSz, Bytes{'a', 0, 'b', 'c', 0, 0}},
      {id, "", kRegSz, Texto("por defecto")},
      {"Software\\Orvex Prueba", "Current", kRegSz, Texto("6.0"), {400}, Raiz::kLocalMachine},
      {"Identities", "Username", 0, std::nullopt},
      {"Identities", "", 0, std::nullopt},  // A key with no default value has none to read.
  };
  for (const auto& caso : casos) {
    for (uint32_t capacidad : caso.capacidades) {
      SCOPED_TRACE(caso.clave + " / " + caso.nombre + " / " + std::to_string(capacidad));
      auto clave = ClaveRegistro::Abrir(caso.raiz, caso.clave);
      ASSERT_TRUE(clave.has_value());
      uint32_t tamano = 0, tipo = 0, leidos = 12345;
      Bytes buffer(capacidad + 16, 0xCC);
      EXPECT_EQ(clave->ConsultarValor(caso.nombre, &tamano, &tipo), caso.datos.has_value());
      EXPECT_EQ(clave->LeerValor(caso.nombre, buffer.data(), capacidad, &leidos), caso.datos.has_value());
      if (!caso.datos) continue;
      EXPECT_EQ(tipo, caso.tipo);
      EXPECT_EQ(tamano, caso.datos->size());
      Bytes esperado = *caso.datos;
      esperado.resize(std::min<std::size_t>(esperado.size(), capacidad));
      EXPECT_EQ(leidos, esperado.size());
      esperado.resize(buffer.size(), 0xCC);
      EXPECT_EQ(buffer, esperado);
    }
  }
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities\\{GUID-2}").has_value());
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kLocalMachine, "Identities").has_value());
  EXPECT_FALSE(ClaveRegistro::Abrir(Raiz::kUsers, "Identities").has_value());
}

// Sorted without regard to case, and a name that does not fit the 100-byte buffer refused where
// it stands.
TEST_P(RegistroTest, SubclavesEnOrdenDeWindows) {
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities");
  ASSERT_TRUE(clave.has_value());
  std::vector<std::string> nombres;
  for (uint32_t i = 0; i < 6; ++i) {
    std::string nombre;
    nombres.push_back(clave->EnumerarSubclave(i, &nombre) ? nombre : "-");
  }
  EXPECT_EQ(nombres, (std::vector<std::string>{std::string(99, 'a'), "Alfa", "-", "zeta", "{GUID-1}", "-"}));
  std::string nombre;
  EXPECT_FALSE(clave->EnumerarSubclave(0xFFFFFFFFu, &nombre));
}

INSTANTIATE_TEST_SUITE_P(Formatos, RegistroTest,
                         ::testing::Combine(::testing::Values(RegistroPrueba::Formato::kRegedit4,
                                                              RegistroPrueba::Formato::kVersion5),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) == RegistroPrueba::Formato::kRegedit4
                                                  ? "Regedit4"
                                                  : "Version5") +
                                  (std::get<1>(info.param) ? "Instalado" : "");
                         });

TEST_F(PlataformaTest, LecturaPorPosicion) {
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
  ASSERT_TRUE(archivo.has_value());
  EXPECT_EQ(archivo->Tamano(), 10u);
  const std::tuple<uint64_t, std::size_t, std::string, bool> casos[] = {
      {0, 4, "0123", true}, {6, 4, "6789", true},  {8, 4, "89", false},           {10, 4, "", false},
      {0, 0, "", true},     {1000, 4, "", false},  {UINT64_MAX - 1, 4, "", false},
  };
  for (const auto& [pos, n, esperado, exacto] : casos) {
    SCOPED_TRACE(pos);
    char buffer[16] = {};
    std::size_t leidos = 99;
    EXPECT_TRUE(archivo->Leer(pos, buffer, n, &leidos) || pos > INT64_MAX);
    EXPECT_EQ(std::string(buffer, leidos), esperado);
    EXPECT_EQ(archivo->LeerExacto(pos, buffer, n), exacto);
  }
}

TEST_F(PlataformaTest, EscrituraSoloConPermisoYMoverTraspasa) {
  auto lectura = Archivo::Abrir(ruta_, Archivo::Modo::kLectura);
  ASSERT_TRUE(lectura.has_value());
  EXPECT_FALSE(lectura->Escribir(0, "X", 1));
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(archivo.has_value());
  EXPECT_TRUE(archivo->Escribir(2, "ab", 2));
  EXPECT_TRUE(archivo->Escribir(10, "END", 3));  // Appending grows the file.
  EXPECT_EQ(archivo->Tamano(), 13u);
  EXPECT_EQ(dir_.LeerTexto("Store/Inbox.dbx"), "01ab456789END");
  // Moving hands the file over; move-assignment closes the one the target held.
  Archivo b = std::move(*archivo);
  char c = 0;
  EXPECT_FALSE(archivo->LeerExacto(0, &c, 1));
  EXPECT_FALSE(archivo->Tamano().has_value());
  b = std::move(*lectura);
  EXPECT_TRUE(b.LeerExacto(2, &c, 1));
  EXPECT_EQ(c, 'a');
}

TEST_F(PlataformaTest, AbrirNuncaCreaNiAbreCarpetas) {
  for (const std::string& ruta : {dir_.Ruta() + "\\Store\\Nuevo.dbx", dir_.Ruta() + "\\Store", std::string("Q:\\x")}) {
    SCOPED_TRACE(ruta);
    EXPECT_FALSE(Archivo::Abrir(ruta, Archivo::Modo::kLectura).has_value());
    EXPECT_FALSE(Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura).has_value());
    EXPECT_FALSE(ExisteArchivo(ruta));
  }
  EXPECT_TRUE(ExisteArchivo(ruta_));
}

TEST_F(PlataformaTest, ListarArchivosPorPatron) {
  for (const char* nombre : {"Inbox.mbx", "Sent Items.MBX", "d.idx", "notas.mbx.bak", "mbx", "a.mb"}) {
    dir_.Escribir(std::string("Mail/") + nombre, "x");
  }
  dir_.CrearCarpeta("Mail/carpeta.mbx");
  const std::string mail = dir_.Ruta() + "\\mail";
  const std::vector<std::string> mbx = {"Inbox.mbx", "Sent Items.MBX"};
  const std::tuple<std::string, const char*, std::vector<std::string>> casos[] = {
      {mail, "*.mbx", mbx},         {mail + "\\", "*.MBX", mbx},       {mail, "?.IDX", {"d.idx"}},
      {mail, "?.mb", {"a.mb"}},     {mail, "*.dbx", {}},               {mail + "\\falta", "*.mbx", {}},
  };
  for (const auto& [directorio, patron, esperados] : casos) {
    SCOPED_TRACE(directorio + " " + patron);
    std::vector<std::string> nombres = ListarArchivos(directorio, patron);
    std::sort(nombres.begin(), nombres.end());
    EXPECT_EQ(nombres, esperados);
  }
}

TEST_F(PlataformaTest, ExpandirEntorno) {
  VariableEntorno perfil("ORVEX_PERFIL", "C:\\Datos");
  VariableEntorno vacia("ORVEX_VACIA", "");
  VariableEntorno falta("ORVEX_NO_EXISTE", std::nullopt);
  VariableEntorno larga("ORVEX_LARGA", std::string(400, 'x'));
  const std::pair<std::string, std::string> casos[] = {
      {"%ORVEX_PERFIL%\\Correo", "C:\\Datos\\Correo"}, {"%orvex_perfil%", "C:\\Datos"}, {"a%ORVEX_VACIA%b", "ab"},
      {"%ORVEX_NO_EXISTE%\\x", "%ORVEX_NO_EXISTE%\\x"},  {"%ORVEX_PERFIL", "%ORVEX_PERFIL"},  {"100%%", "100%%"},
      {"%ORVEX_PERFIL%%ORVEX_PERFIL%", "C:\\DatosC:\\Datos"},    {"50% de", "50% de"},              {"", ""},
      {"%ORVEX_LARGA%\\fin", std::string(400, 'x') + "\\fin"},
  };
  for (const auto& [texto, esperado] : casos) {
    SCOPED_TRACE(texto);
    EXPECT_EQ(ExpandirEntorno(texto), esperado);
  }
}

TEST_F(PlataformaTest, RegionesCeroCrecimientoEIndependencia) {
  constexpr std::size_t kReservado = 1 << 20;
  auto* bytes = static_cast<unsigned char*>(ReservarRegion(kReservado));
  auto* otra = static_cast<unsigned char*>(ReservarRegion(8192));
  ASSERT_NE(bytes, nullptr);
  ASSERT_TRUE(otra != nullptr && ConfirmarRegion(otra, 8192));
  otra[8191] = 7;
  auto todos = [](const unsigned char* desde, std::size_t n, unsigned char b) {
    return std::all_of(desde, desde + n, [b](unsigned char x) { return x == b; });
  };
  ASSERT_TRUE(ConfirmarRegion(bytes, 100));
  EXPECT_TRUE(todos(bytes, 100, 0));
  std::memset(bytes, 0xAB, 100);
  ASSERT_TRUE(ConfirmarRegion(bytes, 300000));
  EXPECT_TRUE(todos(bytes, 100, 0xAB) && todos(bytes + 100, 300000 - 100, 0));
  bytes[299999] = 1;
  ASSERT_TRUE(ConfirmarRegion(bytes, 10));  // Committing less keeps what was committed.
  EXPECT_EQ(bytes[299999], 1);
  EXPECT_TRUE(ConfirmarRegion(bytes, kReservado));
  EXPECT_FALSE(ConfirmarRegion(bytes, kReservado + 1));
  EXPECT_TRUE(LiberarRegion(bytes));
  EXPECT_FALSE(LiberarRegion(bytes));
  EXPECT_EQ(otra[8191], 7);
  EXPECT_TRUE(LiberarRegion(otra));
  EXPECT_EQ(ReservarRegion(0), nullptr);
}

TEST_F(PlataformaTest, GanchosHacenFallarLaEnesimaOperacionDeCadaTipo) {
  // Kind, the call that fails, whether later ones keep failing, and what five calls give.
  const std::tuple<Operacion, uint64_t, bool, std::vector<bool>> casos[] = {
      {Operacion::kAbrir, 3, false, {true, true, false, true, true}},
      {Operacion::kAbrir, 2, true, {true, false, false, false, false}},
      {Operacion::kLeer, 1, false, {false, true, true, true, true}},
      {Operacion::kLeer, 4, true, {true, true, true, false, false}},
      {Operacion::kEscribir, 5, false, {true, true, true, true, false}},
      {Operacion::kRegion, 4, false, {true, true, true, false, true}},
      {Operacion::kRegion, 0, true, {true, true, true, true, true}},
  };
  for (const auto& [op, fallar_en, desde, esperados] : casos) {
    const int k = static_cast<int>(op);
    SCOPED_TRACE(k * 100 + static_cast<int>(fallar_en));
    Ganchos().Reiniciar();
    auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLecturaEscritura);
    ASSERT_TRUE(archivo.has_value());
    Ganchos().contador[0] = 0;
    Ganchos().fallar_en[k] = fallar_en;
    Ganchos().fallar_desde = desde;
    char c[2];
    std::size_t leidos;
    void* region = nullptr;
    // Each kind alternates the calls it counts: Leer and LeerExacto, ReservarRegion and ConfirmarRegion.
    const std::function<bool(int)> operaciones[] = {
        [&](int) { return Archivo::Abrir(ruta_, Archivo::Modo::kLectura).has_value(); },
        [&](int i) { return i % 2 ? archivo->Leer(0, c, 2, &leidos) : archivo->LeerExacto(0, c, 1); },
        [&](int) { return archivo->Escribir(0, "a", 1); },
        [&](int i) {
          if (i % 2) return region != nullptr && ConfirmarRegion(region, 10);
          if (region) LiberarRegion(region);
          return (region = ReservarRegion(4096)) != nullptr;
        },
    };
    std::vector<bool> resultados;
    for (int i = 0; i < 5; ++i) resultados.push_back(operaciones[k](i));
    if (region) LiberarRegion(region);
    EXPECT_EQ(resultados, esperados);
    for (int otra = 0; otra < 4; ++otra) EXPECT_EQ(Ganchos().contador[otra], otra == k ? 5u : 0u) << otra;
  }
}

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
