#include "plataforma/registro_archivo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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

// "no key", "no value", or "=" and the value's data; or the key's subkeys in index order.
std::string Leer(const Registro& r, Raiz raiz, const std::string& clave, const std::string& nombre) {
  const Clave* c = r.Buscar(raiz, clave);
  if (c == nullptr) return "no key";
  if (nombre == "(subclaves)") {
    std::string subclaves, subclave;
    for (uint32_t i = 0; EnumerarSubclave(*c, i, &subclave); ++i) subclaves += (i > 0 ? "|" : "") + subclave;
    return subclaves;
  }
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

TEST(RegistroArchivoTest, ConversionesUtf) {
  for (const auto& fila : pruebas::Filas(
#include "pruebas/datos/utf16.inc"
           )) {
    SCOPED_TRACE(fila.at(1));
    const Bytes utf16(fila.at(0).begin(), fila[0].end());
    EXPECT_TRUE(fila.at(2) == ">" || Utf16LeAUtf8(utf16) == fila[1]);
    EXPECT_TRUE(fila[2] == "<" || Utf8AUtf16Le(fila[1]) == utf16);
  }
}

}  // namespace
}  // namespace orvex::plataforma::registro
