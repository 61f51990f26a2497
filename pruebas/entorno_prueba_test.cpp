#include "pruebas/entorno_prueba.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <span>

#include "plataforma/registro_archivo.h"

namespace orvex::pruebas {
namespace {

namespace reg = plataforma::registro;
using plataforma::Raiz;

std::optional<std::string> Variable(const char* nombre) {
  const char* v = std::getenv(nombre);
  return v ? std::optional<std::string>(v) : std::nullopt;
}

TEST(DirectorioTemporalTest, EscribeLeeYBorraTodo) {
  std::string ruta;
  {
    DirectorioTemporal dir;
    ruta = dir.Ruta();
    EXPECT_TRUE(std::filesystem::is_directory(ruta));
    EXPECT_EQ(dir.Escribir("a\\b/c.bin", std::vector<uint8_t>{0, 1, 0xFF}), ruta + "/a/b/c.bin");
    EXPECT_EQ(dir.Leer("a/b/c.bin"), (std::vector<uint8_t>{0, 1, 0xFF}));
    dir.Escribir("a/b/c.bin", "corto");
    EXPECT_EQ(dir.LeerTexto("a\\b\\c.bin"), "corto");
    EXPECT_EQ(dir.CrearCarpeta("x/y"), ruta + "/x/y");
    EXPECT_TRUE(std::filesystem::is_directory(ruta + "/x/y"));
    EXPECT_THROW(dir.Leer("no/existe"), std::runtime_error);
    // A read-only folder must not survive the cleanup.
    dir.Escribir("ro/f", "x");
    ::chmod(dir.RutaDe("ro").c_str(), 0500);
  }
  EXPECT_FALSE(std::filesystem::exists(ruta));
}

TEST(DirectorioTemporalTest, CadaUnoEsNuevo) {
  DirectorioTemporal a, b;
  EXPECT_NE(a.Ruta(), b.Ruta());
}

TEST(VariableEntornoTest, RestauraLoQueHabia) {
  ::unsetenv("ORVEX_PRUEBA_VAR");
  {
    VariableEntorno v("ORVEX_PRUEBA_VAR", "uno");
    EXPECT_EQ(Variable("ORVEX_PRUEBA_VAR"), "uno");
    {
      VariableEntorno w("ORVEX_PRUEBA_VAR", std::nullopt);
      EXPECT_EQ(Variable("ORVEX_PRUEBA_VAR"), std::nullopt);
    }
    EXPECT_EQ(Variable("ORVEX_PRUEBA_VAR"), "uno");
    {
      VariableEntorno w("ORVEX_PRUEBA_VAR", "");
      EXPECT_EQ(Variable("ORVEX_PRUEBA_VAR"), "");
    }
    EXPECT_EQ(Variable("ORVEX_PRUEBA_VAR"), "uno");
  }
  EXPECT_EQ(Variable("ORVEX_PRUEBA_VAR"), std::nullopt);
}

TEST(RegistroPruebaTest, TextoRegedit4) {
  RegistroPrueba r;
  r.Cadena("HKCU\\Identities", "Default User ID", "{A}")
      .Dword("HKEY_CURRENT_USER\\Identities\\{A}", "N", 0x1f)
      .CadenaExpandible("HKCU\\Identities\\{A}", "", "%X%\\\"q\"");
  EXPECT_EQ(r.Texto(RegistroPrueba::Formato::kRegedit4),
            "REGEDIT4\r\n\r\n"
            "[HKEY_CURRENT_USER]\r\n\r\n"
            "[HKEY_CURRENT_USER\\Identities]\r\n\"Default User ID\"=\"{A}\"\r\n\r\n"
            "[HKEY_CURRENT_USER\\Identities\\{A}]\r\n@=hex(2):25,58,25,5c,22,71,22,00\r\n\"N\"=dword:0000001f\r\n\r\n");
}

TEST(RegistroPruebaTest, RaizDesconocidaSeRechaza) {
  RegistroPrueba r;
  EXPECT_THROW(r.Cadena("HKEY_CURRENT_CONFIG\\X", "a", "b"), std::runtime_error);
}

// Whatever the description holds, the platform's reader gets it back in both formats.
TEST(RegistroPruebaTest, IdaYVueltaPorElLector) {
  std::vector<uint8_t> largo(300);
  for (std::size_t i = 0; i < largo.size(); ++i) largo[i] = static_cast<uint8_t>(i);
  RegistroPrueba r;
  r.Cadena("HKLM\\S\\Version Info", "Current", "6.0")
      .Cadena("HKCU\\A", "comillas \"y\" \\barras\\", "C:\\\"x\"\\")
      .Cadena("HKCU\\A", "varias lineas", "uno\r\ndos")
      .Cadena("HKCU\\A", "acentos", "Buz\xC3\xB3n \xE2\x82\xAC")
      .CadenaExpandible("HKCU\\A", "exp", "%USERPROFILE%\\Buz\xC3\xB3n")
      .Dword("HKCU\\A", "d", 0xDEADBEEF)
      .Binario("HKCU\\A", "bin", largo)
      .Binario("HKCU\\A", "multi", {'a', 0, 'b', 0, 0}, plataforma::kRegMultiSz)
      .Clave("HKEY_USERS\\Vacia")
      .Cadena("HKCU\\Fuera", "x", "y")
      .Quitar("hkcu\\fuera");
  for (auto formato : {RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5}) {
    SCOPED_TRACE(formato == RegistroPrueba::Formato::kRegedit4 ? "REGEDIT4" : "Version 5");
    std::string texto = r.Texto(formato);
    EXPECT_EQ(texto.starts_with("\xFF\xFE"), formato == RegistroPrueba::Formato::kVersion5);
    reg::Registro leido = reg::AnalizarRegistro(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(texto.data()), texto.size()));
    struct Caso {
      Raiz raiz;
      const char* clave;
      std::string nombre;
      uint32_t tipo;
      std::vector<uint8_t> datos;
    };
    auto cadena = [](const std::string& s) {
      std::vector<uint8_t> b(s.begin(), s.end());
      b.push_back(0);
      return b;
    };
    const Caso casos[] = {
        {Raiz::kLocalMachine, "S\\Version Info", "Current", plataforma::kRegSz, cadena("6.0")},
        {Raiz::kCurrentUser, "A", "comillas \"y\" \\barras\\", plataforma::kRegSz, cadena("C:\\\"x\"\\")},
        {Raiz::kCurrentUser, "A", "varias lineas", plataforma::kRegSz, cadena("uno\r\ndos")},
        {Raiz::kCurrentUser, "A", "acentos", plataforma::kRegSz, cadena("Buz\xC3\xB3n \xE2\x82\xAC")},
        {Raiz::kCurrentUser, "A", "exp", plataforma::kRegExpandSz, cadena("%USERPROFILE%\\Buz\xC3\xB3n")},
        {Raiz::kCurrentUser, "A", "d", plataforma::kRegDword, {0xEF, 0xBE, 0xAD, 0xDE}},
        {Raiz::kCurrentUser, "A", "bin", plataforma::kRegBinario, largo},
        {Raiz::kCurrentUser, "A", "multi", plataforma::kRegMultiSz, {'a', 0, 'b', 0, 0}},
    };
    for (const auto& caso : casos) {
      SCOPED_TRACE(caso.nombre);
      const reg::Clave* clave = leido.Buscar(caso.raiz, caso.clave);
      ASSERT_NE(clave, nullptr);
      auto it = clave->valores.find(reg::Mayusculas(caso.nombre));
      ASSERT_NE(it, clave->valores.end());
      EXPECT_EQ(it->second.tipo, caso.tipo);
      EXPECT_EQ(it->second.datos, caso.datos);
    }
    EXPECT_NE(leido.Buscar(Raiz::kUsers, "Vacia"), nullptr);
    EXPECT_EQ(leido.Buscar(Raiz::kCurrentUser, "Fuera"), nullptr);
  }
}

TEST(RegistroPruebaTest, InstalarApuntaLaVariableYLaRestaura) {
  VariableEntorno previa("ORVEX_REGISTRY", "/previo.reg");
  std::string ruta;
  {
    RegistroPrueba r;
    r.Cadena("HKCU\\A", "v", "1");
    ruta = r.Instalar();
    EXPECT_EQ(Variable("ORVEX_REGISTRY"), ruta);
    EXPECT_TRUE(std::filesystem::exists(ruta));
    r.Cadena("HKCU\\A", "v", "2");
    EXPECT_EQ(r.Instalar(RegistroPrueba::Formato::kVersion5), ruta);
    EXPECT_EQ(Variable("ORVEX_REGISTRY"), ruta);
  }
  EXPECT_EQ(Variable("ORVEX_REGISTRY"), "/previo.reg");
  EXPECT_FALSE(std::filesystem::exists(ruta));
}

}  // namespace
}  // namespace orvex::pruebas
