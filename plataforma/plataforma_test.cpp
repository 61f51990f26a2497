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
#include <tuple>
#include <utility>
#include <vector>

#include "plataforma/origen_exportacion.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::plataforma {
namespace {

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
  pruebas::DirectorioTemporal dir_;
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
        .Cadena(id, "Username", "Identidad principal")
        .Dword(id, "Flags", 0x12345678)
        .Binario(id, "Blob", Bytes(300, 0x5A))
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
  RegistroPrueba registro_;
  std::optional<VariableEntorno> sin_variable_;
};

// Sizes and types as stored, a read never passes the caller's capacity, and subkeys come sorted
// without regard to case, a name that does not fit the 100-byte buffer refused where it stands.
TEST_P(RegistroTest, ValoresYSubclavesComoWindows) {
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
      {"identities\\{guid-1}", "USERNAME", kRegSz, Texto("Identidad principal"), {0, 19, 20}},
      {id, "Flags", kRegDword, Bytes{0x78, 0x56, 0x34, 0x12}},
      {id, "Blob", kRegBinario, Bytes(300, 0x5A), {10, 400}},
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
  auto clave = ClaveRegistro::Abrir(Raiz::kCurrentUser, "Identities");
  ASSERT_TRUE(clave.has_value());
  std::vector<std::string> nombres;
  for (uint32_t i : {0u, 1u, 2u, 3u, 4u, 5u, 0xFFFFFFFFu}) {
    std::string nombre;
    nombres.push_back(clave->EnumerarSubclave(i, &nombre) ? nombre : "-");
  }
  EXPECT_EQ(nombres, (std::vector<std::string>{std::string(99, 'a'), "Alfa", "-", "zeta", "{GUID-1}", "-", "-"}));
}

INSTANTIATE_TEST_SUITE_P(Formatos, RegistroTest,
                         ::testing::Combine(::testing::Values(RegistroPrueba::Formato::kRegedit4,
                                                              RegistroPrueba::Formato::kVersion5),
                                            ::testing::Bool()));

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
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(lectura && archivo);
  EXPECT_FALSE(lectura->Escribir(0, "X", 1));
  EXPECT_TRUE(archivo->Escribir(2, "ab", 2));
  EXPECT_TRUE(archivo->Escribir(10, "END", 3));  // Appending grows the file.
  EXPECT_EQ(archivo->Tamano(), 13u);
  EXPECT_EQ(dir_.LeerTexto("Store/Inbox.dbx"), "01ab456789END");
  // Moving hands the file over; move-assignment closes the one the target held.
  Archivo b = std::move(*archivo);
  char c = 0;
  EXPECT_FALSE(archivo->Tamano().has_value());
  b = std::move(*lectura);
  EXPECT_TRUE(b.LeerExacto(2, &c, 1));
  EXPECT_EQ(c, 'a');
  // Opening never creates a file, nor opens a folder.
  for (const std::string& ruta : {dir_.Ruta() + "\\Store\\Nuevo.dbx", dir_.Ruta() + "\\Store", std::string("Q:\\x")}) {
    SCOPED_TRACE(ruta);
    EXPECT_FALSE(Archivo::Abrir(ruta, Archivo::Modo::kLecturaEscritura).has_value());
    EXPECT_FALSE(ExisteArchivo(ruta));
  }
  EXPECT_TRUE(ExisteArchivo(ruta_));
}

TEST_F(PlataformaTest, ListarArchivosPorPatron) {
  for (const char* nombre : {"Inbox.mbx", "Sent Items.MBX", "d.idx", "notas.mbx.bak", "a.mb"}) {
    dir_.Escribir(std::string("Mail/") + nombre, "x");
  }
  dir_.CrearCarpeta("Mail/carpeta.mbx");
  const std::string mail = dir_.Ruta() + "\\mail";
  const std::tuple<std::string, const char*, std::vector<std::string>> casos[] = {
      {mail + "\\", "*.MBX", {"Inbox.mbx", "Sent Items.MBX"}}, {mail, "?.IDX", {"d.idx"}},
      {mail, "*.dbx", {}}, {mail + "\\falta", "*.mbx", {}},
  };
  for (const auto& [directorio, patron, esperados] : casos) {
    SCOPED_TRACE(directorio + " " + patron);
    std::vector<std::string> nombres = ListarArchivos(directorio, patron);
    std::sort(nombres.begin(), nombres.end());
    EXPECT_EQ(nombres, esperados);
  }
}

TEST_F(PlataformaTest, ExpandirEntorno) {
  VariableEntorno perfil("ORVEX_PERFIL", "C:\\Datos"), vacia("ORVEX_VACIA", "");
  VariableEntorno falta("ORVEX_NO_EXISTE", std::nullopt), larga("ORVEX_LARGA", std::string(400, 'x'));
  const std::pair<std::string, std::string> casos[] = {
      {"%ORVEX_PERFIL%\\Correo", "C:\\Datos\\Correo"}, {"%orvex_perfil%", "C:\\Datos"}, {"a%ORVEX_VACIA%b", "ab"},
      {"%ORVEX_NO_EXISTE%\\x", "%ORVEX_NO_EXISTE%\\x"},  {"%ORVEX_PERFIL", "%ORVEX_PERFIL"},  {"100%%", "100%%"},
      {"%ORVEX_PERFIL%%ORVEX_PERFIL%", "C:\\DatosC:\\Datos"},    {"50% de", "50% de"},
      {"%ORVEX_LARGA%\\fin", std::string(400, 'x') + "\\fin"},
  };
  for (const auto& [texto, esperado] : casos) {
    SCOPED_TRACE(texto);
    EXPECT_EQ(ExpandirEntorno(texto), esperado);
  }
}

// Committed bytes read zero and stay as written when more is committed; a region takes no more
// than was reserved and is released once.
TEST_F(PlataformaTest, RegionesCeroYCrecimiento) {
  constexpr std::size_t kReservado = 1 << 20;
  auto* bytes = static_cast<unsigned char*>(ReservarRegion(kReservado));
  ASSERT_TRUE(bytes != nullptr && ConfirmarRegion(bytes, 100));
  std::memset(bytes, 0xAB, 100);
  ASSERT_TRUE(ConfirmarRegion(bytes, 300000));
  EXPECT_EQ(std::count(bytes, bytes + 300000, 0xAB), 100);
  EXPECT_FALSE(ConfirmarRegion(bytes, kReservado + 1));
  EXPECT_TRUE(LiberarRegion(bytes));
  EXPECT_FALSE(LiberarRegion(bytes));
  EXPECT_EQ(ReservarRegion(0), nullptr);
}

// Each kind of operation is counted on its own, and the hook fails exactly the call it names
// (or every call from it on).
TEST_F(PlataformaTest, GanchosHacenFallarLaEnesimaOperacionDeCadaTipo) {
  auto archivo = Archivo::Abrir(ruta_, Archivo::Modo::kLecturaEscritura);
  ASSERT_TRUE(archivo.has_value());
  char c[2];
  std::size_t leidos;
  void* region = nullptr;
  // Leer and LeerExacto count alike, and so do ReservarRegion and ConfirmarRegion.
  const std::function<bool(int)> operaciones[] = {
      [&](int) { return Archivo::Abrir(ruta_, Archivo::Modo::kLectura).has_value(); },
      [&](int i) { return i % 2 ? archivo->Leer(0, c, 2, &leidos) : archivo->LeerExacto(0, c, 1); },
      [&](int) { return archivo->Escribir(0, "a", 1); },
      [&](int i) {
        if (i % 2) return ConfirmarRegion(region, 10);
        if (region) LiberarRegion(region);
        return (region = ReservarRegion(4096)) != nullptr;
      },
  };
  for (bool desde : {false, true}) {
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE(k + (desde ? 10 : 0));
      Ganchos().Reiniciar();
      Ganchos().fallar_en[k] = 2;
      Ganchos().fallar_desde = desde;
      std::vector<bool> resultados;
      for (int i = 0; i < 4; ++i) resultados.push_back(operaciones[k](i));
      EXPECT_EQ(resultados, (std::vector<bool>{true, false, !desde, !desde}));
      for (int otra = 0; otra < 4; ++otra) EXPECT_EQ(Ganchos().contador[otra], otra == k ? 4u : 0u) << otra;
    }
  }
  if (region) LiberarRegion(region);
}

}  // namespace
}  // namespace orvex::plataforma
