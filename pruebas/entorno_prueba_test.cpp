#include "pruebas/entorno_prueba.h"

#include <gtest/gtest.h>

#include <span>

#include "plataforma/registro_archivo.h"

namespace orvex::pruebas {
namespace {

namespace reg = plataforma::registro;
using plataforma::Raiz;

// Whatever the description holds, the platform's reader gets it back in both formats.
TEST(RegistroPruebaTest, IdaYVueltaPorElLector) {
  std::string largo(300, 0);
  for (std::size_t i = 0; i < largo.size(); ++i) largo[i] = static_cast<char>(i);
  struct Valor {
    const char* clave;  // under HKEY_CURRENT_USER, or HKEY_LOCAL_MACHINE for "S\..."
    std::string nombre;
    uint32_t tipo;
    std::string datos;  // as stored, strings without their NUL
  };
  const Valor valores[] = {
      {"S\\Version Info", "Current", plataforma::kRegSz, "6.0"},
      {"A", "comillas \"y\" \\barras\\", plataforma::kRegSz, "C:\\\"x\"\\"},
      {"A", "varias lineas", plataforma::kRegSz, "uno\r\ndos"},
      {"A", "acentos", plataforma::kRegSz, "Buz\xC3\xB3n \xE2\x82\xAC"},
      {"A", "exp", plataforma::kRegExpandSz, "%USERPROFILE%\\Buz\xC3\xB3n"},
      {"A", "d", plataforma::kRegDword, "\xEF\xBE\xAD\xDE"},
      {"A", "bin", plataforma::kRegBinario, largo},
      {"A", "multi", plataforma::kRegMultiSz, std::string("a\0b\0\0", 5)},
  };
  const auto maquina = [](const Valor& v) { return std::string_view(v.clave).starts_with("S\\"); };
  RegistroPrueba r;
  for (const Valor& v : valores) {
    const std::string clave = (maquina(v) ? "HKLM\\" : "HKCU\\") + std::string(v.clave);
    if (v.tipo == plataforma::kRegSz) {
      r.Cadena(clave, v.nombre, v.datos);
    } else if (v.tipo == plataforma::kRegExpandSz) {
      r.CadenaExpandible(clave, v.nombre, v.datos);
    } else if (v.tipo == plataforma::kRegDword) {
      r.Dword(clave, v.nombre, 0xDEADBEEF);
    } else {
      r.Binario(clave, v.nombre, std::vector<uint8_t>(v.datos.begin(), v.datos.end()), v.tipo);
    }
  }
  r.Clave("HKEY_USERS\\Vacia").Cadena("HKCU\\Fuera", "x", "y").Quitar("hkcu\\fuera");
  for (auto formato : {RegistroPrueba::Formato::kRegedit4, RegistroPrueba::Formato::kVersion5}) {
    SCOPED_TRACE(formato == RegistroPrueba::Formato::kRegedit4 ? "REGEDIT4" : "Version 5");
    const std::string texto = r.Texto(formato);
    EXPECT_EQ(texto.starts_with("\xFF\xFE"), formato == RegistroPrueba::Formato::kVersion5);
    const reg::Registro leido = reg::AnalizarRegistro(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(texto.data()), texto.size()));
    for (const Valor& v : valores) {
      SCOPED_TRACE(v.nombre);
      const reg::Clave* clave = leido.Buscar(maquina(v) ? Raiz::kLocalMachine : Raiz::kCurrentUser, v.clave);
      ASSERT_NE(clave, nullptr);
      auto it = clave->valores.find(reg::Mayusculas(v.nombre));
      ASSERT_NE(it, clave->valores.end());
      EXPECT_EQ(it->second.tipo, v.tipo);
      std::string datos = v.datos;
      if (v.tipo == plataforma::kRegSz || v.tipo == plataforma::kRegExpandSz) datos.push_back('\0');
      EXPECT_EQ(it->second.datos, std::vector<uint8_t>(datos.begin(), datos.end()));
    }
    EXPECT_NE(leido.Buscar(Raiz::kUsers, "Vacia"), nullptr);
    EXPECT_EQ(leido.Buscar(Raiz::kCurrentUser, "Fuera"), nullptr);
  }
}

}  // namespace
}  // namespace orvex::pruebas
