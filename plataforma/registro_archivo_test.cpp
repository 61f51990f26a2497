#include "plataforma/registro_archivo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pruebas/tablas.h"

namespace orvex::plataforma::registro {
namespace {

using Bytes = std::vector<uint8_t>;

// utf16: the text as regedit writes version 5 files, UTF-16LE behind a BOM.
Registro Analizar(const std::string& texto, bool utf16 = false) {
  Bytes bytes(texto.begin(), texto.end());
  if (utf16) {
    bytes = Utf8AUtf16Le(texto);
    bytes.insert(bytes.begin(), {0xFF, 0xFE});
  }
  return AnalizarRegistro(bytes);
}

// "no key", "no value", or "=" and the value's data.
std::string Leer(const Registro& r, Raiz raiz, const std::string& clave, const std::string& nombre) {
  const Clave* c = r.Buscar(raiz, clave);
  if (c == nullptr) return "no key";
  const auto it = c->valores.find(Mayusculas(nombre));
  return it == c->valores.end() ? "no value" : "=" + std::string(it->second.datos.begin(), it->second.datos.end());
}

TEST(RegistroArchivoTest, LineasDeValor) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/registro_valores.inc"
           )) {
    for (const char formato : fila.at(0)) {
      SCOPED_TRACE(fila[1] + " / " + formato);
      const bool utf16 = formato == '5';
      const std::string texto = std::string(utf16 ? "Windows Registry Editor Version 5.00" : "REGEDIT4") +
                                "\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n" + fila[1] + "\r\n\"Despues\"=\"ok\"\r\n";
      const Registro r = Analizar(texto, utf16);
      EXPECT_EQ(Leer(r, Raiz::kCurrentUser, "K", "Despues"), std::string("=ok\0", 4));
      const Clave* k = r.Buscar(Raiz::kCurrentUser, "K");
      ASSERT_EQ(k->valores.size(), fila.size() > 2 ? 2u : 1u);
      for (const auto& [nombre, valor] : k->valores) {
        if (nombre == "DESPUES") continue;
        EXPECT_EQ(std::to_string(valor.tipo) + " " + std::string(valor.datos.begin(), valor.datos.end()),
                  fila[2] + " " + fila[3]);
      }
    }
  }
}

TEST(RegistroArchivoTest, ClavesYValoresDeArchivosEnteros) {
  auto casos = pruebas::Filas(
#include "pruebas/datos/registro_archivos.inc"
  );
  // Keys as deep as Windows allows are kept; one level more is skipped.
  std::string hondo;
  for (std::size_t i = 0; i < kProfundidadMaxima; ++i) hondo += "k\\";
  const std::string texto = "REGEDIT4\n[HKCU\\" + hondo + "]\n[HKCU\\" + hondo + "k]\n\"V\"=\"1\"\n";
  casos.push_back({"profundidad maxima", texto, "CU", hondo, "V", "no value"});
  casos.push_back({"mas hondo se salta", texto, "CU", hondo + "k", "V", "no key"});
  const std::string raices[] = {"CR", "CU", "LM", "U"};
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.at(0));
    const auto raiz = static_cast<Raiz>(0x80000000u + (std::find(raices, raices + 4, caso.at(2)) - raices));
    EXPECT_EQ(Leer(Analizar(caso.at(1)), raiz, caso.at(3), caso.at(4)), caso.at(5));
  }
}

TEST(RegistroArchivoTest, SubclavesOrdenadasComoWindows) {
  const std::pair<std::string, std::vector<std::string>> casos[] = {
      // Upper-cased comparison: '_' (0x5F) sorts after letters, '{' after '_'.
      {"[HKCU\\zeta]\n[HKCU\\Beta]\n[HKCU\\alfa]\n[HKCU\\_raya]\n[HKCU\\{B}]\n[HKCU\\Alfa2]\n",
       {"alfa", "Alfa2", "Beta", "zeta", "_raya", "{B}"}},
      // Two spellings of one key are one key; its name is the first spelling.
      {"[HKCU\\Abc]\n[HKCU\\ABC]\n", {"Abc"}},
      {"[HKCU\\A\n[]\n[HKCU\\B]\n", {"B"}},
      // A name longer than Windows' enumeration buffer ends the listing there.
      {"[HKCU\\" + std::string(100, 'x') + "]\n[HKCU\\" + std::string(99, 'w') + "]\n[HKCU\\a]\n",
       {"a", std::string(99, 'w')}},
  };
  for (const auto& [texto, esperadas] : casos) {
    SCOPED_TRACE(texto);
    const Registro r = Analizar("REGEDIT4\n" + texto);
    std::vector<std::string> nombres;
    std::string nombre;
    for (uint32_t i = 0; EnumerarSubclave(r.raices[1], i, &nombre); ++i) nombres.push_back(nombre);
    EXPECT_EQ(nombres, esperadas);
  }
}

TEST(RegistroArchivoTest, ConversionesUtf) {
  // UTF-16LE, its UTF-8, and whether UTF-8 converts back to the same bytes.
  const std::tuple<Bytes, std::string, bool> casos[] = {
      {{'a', 0, 0, 0, 'b', 0}, std::string("a\0b", 3), true},
      {{0xE9, 0x00}, "\xC3\xA9", true},
      {{0xAC, 0x20}, "\xE2\x82\xAC", true},
      {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80", true},
      {{0x3D, 0xD8, 'a', 0}, "\xEF\xBF\xBD" "a", false},
      {{0x00, 0xDE}, "\xEF\xBF\xBD", false},
      {{'a', 0, 'b'}, "a", false},
  };
  for (const auto& [utf16, utf8, ida_y_vuelta] : casos) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(Utf16LeAUtf8(utf16), utf8);
    EXPECT_EQ(Utf8AUtf16Le(utf8) == utf16, ida_y_vuelta);
  }
  // Invalid UTF-8 becomes U+FFFD rather than disappearing.
  EXPECT_EQ(Utf8AUtf16Le("\xC3"), (Bytes{0xFD, 0xFF}));
  EXPECT_EQ(Utf8AUtf16Le("\xC0\xAF"), (Bytes{0xFD, 0xFF, 0xFD, 0xFF}));
}

}  // namespace
}  // namespace orvex::plataforma::registro
