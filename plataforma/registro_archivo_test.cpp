#include "plataforma/registro_archivo.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orvex::plataforma::registro {
namespace {

using Bytes = std::vector<uint8_t>;

// utf16: the text as regedit writes version 5 files, UTF-16LE behind a BOM.
Registro Analizar(const std::string& texto, bool utf16 = false) {
  Bytes bytes(texto.begin(), texto.end());
  if (utf16) {
    bytes = {0xFF, 0xFE};
    Bytes cuerpo = Utf8AUtf16Le(texto);
    bytes.insert(bytes.end(), cuerpo.begin(), cuerpo.end());
  }
  return AnalizarRegistro(bytes);
}

Bytes Texto(const std::string& s, bool con_nul = true) {
  Bytes b(s.begin(), s.end());
  if (con_nul) b.push_back(0);
  return b;
}

std::optional<Bytes> Datos(const Registro& r, Raiz raiz, const std::string& clave, const std::string& nombre) {
  const Clave* c = r.Buscar(raiz, clave);
  if (c == nullptr) return std::nullopt;
  auto it = c->valores.find(Mayusculas(nombre));
  if (it == c->valores.end()) return std::nullopt;
  return it->second.datos;
}

std::vector<std::string> Subclaves(const Registro& r, const std::string& clave) {
  std::vector<std::string> nombres;
  const Clave* c = r.Buscar(Raiz::kCurrentUser, clave);
  std::string nombre;
  for (uint32_t i = 0; c != nullptr && EnumerarSubclave(*c, i, &nombre); ++i) nombres.push_back(nombre);
  return nombres;
}

// One value line (possibly with continuations) under [HKEY_CURRENT_USER\K]; no type: skipped.
struct CasoValor {
  std::string linea;
  std::optional<uint32_t> tipo = std::nullopt;
  Bytes datos = {};
};

void ComprobarValores(const std::vector<CasoValor>& casos, bool utf16) {
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.linea);
    std::string texto = utf16 ? "Windows Registry Editor Version 5.00" : "REGEDIT4";
    texto += "\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n" + caso.linea + "\r\n\"Despues\"=\"ok\"\r\n";
    Registro r = Analizar(texto, utf16);
    // A bad line never takes the next one with it.
    EXPECT_EQ(Datos(r, Raiz::kCurrentUser, "K", "Despues"), Texto("ok"));
    const Clave* k = r.Buscar(Raiz::kCurrentUser, "K");
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(k->valores.size(), caso.tipo ? 2u : 1u);
    if (!caso.tipo) continue;
    const Valor& v = k->valores.begin()->first == "DESPUES" ? std::next(k->valores.begin())->second
                                                            : k->valores.begin()->second;
    EXPECT_EQ(v.tipo, *caso.tipo);
    EXPECT_EQ(v.datos, caso.datos);
  }
}

TEST(RegistroArchivoTest, LineasDeValorEnAmbosFormatos) {
  const std::vector<CasoValor> comunes = {
      {"\"V\"=\"C:\\\\Mail\\\\Store\"", kRegSz, Texto("C:\\Mail\\Store")}, {"\"V\"=\"\"", kRegSz, Texto("")},
      {"\"V\"=\"di \\\"hola\\\"\"", kRegSz, Texto("di \"hola\"")},
      {"\"V\"=\"a\\nb\"", kRegSz, Texto("a\\nb")},  // Only \\ and \" are escapes.
      {"@=\"def\"", kRegSz, Texto("def")}, {"\"V\"=\"x\" ; nota", kRegSz, Texto("x")},
      {"\"V\"=dword:0000001f", kRegDword, {0x1f, 0, 0, 0}},
      {"\"V\"=DWORD:DEADBEEF", kRegDword, {0xef, 0xbe, 0xad, 0xde}}, {"\"V\"=dword:5", kRegDword, {5, 0, 0, 0}},
      {"\"V\"=hex:01,ff,00", kRegBinario, {1, 0xff, 0}}, {"\"V\"=hex:", kRegBinario, {}},
      {"\"V\"=hex:0a,0b,", kRegBinario, {0x0a, 0x0b}},
      {"\"V\"=hex:01,02,\\\r\n  03,04,\\\r\n  05", kRegBinario, {1, 2, 3, 4, 5}},
      {"\"V\"=hex(0):", kRegNinguno, {}}, {"\"V\"=hex(4):01,00,00,00", kRegDword, {1, 0, 0, 0}},
      {"\"V\"=hex(b):01,02,03,04,05,06,07,08", 0xb, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"\"V\"=dword:100000000"}, {"\"V\"=dword:12g4"},   {"\"V\"=hex:123"},           {"\"V\"=hex:01,,02"},
      {"\"V\"=hex:01,\\\r\n  zz"}, {"\"V\"=hex 01"},     {"\"V\"=hex(2:00"},        {"\"V\"=\"abc"},
      {"\"V\"=\"abc\" xyz"},      {"\"V\" \"abc\""},     {"V=\"abc\""},               {"\"V\"=str:\"abc\""},
  };
  ComprobarValores(comunes, false);
  ComprobarValores(comunes, true);
  // REGEDIT4 keeps the text kinds in hex as 8-bit text.
  ComprobarValores({{"\"V\"=hex(2):25,41,25,00", kRegExpandSz, Texto("%A%")},
                    {"\"V\"=hex(7):61,00,62,00,00", kRegMultiSz, {'a', 0, 'b', 0, 0}}},
                   false);
  // Version 5 keeps them as UTF-16LE; they come out as UTF-8.
  ComprobarValores(
      {{"\"V\"=hex(2):25,00,41,00,25,00,00,00", kRegExpandSz, Texto("%A%")},
       {"\"V\"=hex(1):e9,00,00,00", kRegSz, Texto("\xC3\xA9")},
       {"\"V\"=hex(7):61,00,00,00,62,00,00,00,00,00", kRegMultiSz, {'a', 0, 'b', 0, 0}},
       {"\"V\"=hex(2):41,00,42", kRegExpandSz, Texto("A", false)},  // The odd byte is dropped.
       {"\"V\"=\"Buz\xC3\xB3n \xE2\x82\xAC\"", kRegSz, Texto("Buz\xC3\xB3n \xE2\x82\xAC")},
       {"\"V\"=hex:41,00", kRegBinario, {0x41, 0}}},
      true);
}

// Whole files: which keys and values they leave behind.
TEST(RegistroArchivoTest, ClavesYValoresDeArchivosEnteros) {
  struct Caso {
    const char* nombre;
    std::string texto;
    Raiz raiz;
    std::string clave;
    const char* valor;
    bool hay_clave;
    std::optional<Bytes> datos;
  };
  const Raiz cu = Raiz::kCurrentUser;
  const std::string base = "REGEDIT4\n[HKCU\\A\\B]\n@=\"d\"\n\"V\"=\"1\"\n\"W\"=\"2\"\n";
  std::string profundo, hondo = "REGEDIT4\n";
  for (std::size_t i = 0; i < kProfundidadMaxima; ++i) profundo += "k\\";
  hondo += "[HKCU\\" + profundo + "]\n[HKCU\\" + profundo + "k]\n\"V\"=\"1\"\n";
  const std::string comentado =
      "REGEDIT4\n\n; comentario\n[HKCU\\A]\n  ; otro\n\"V\"=\"x\"   \n\n\"W\"=dword:2 ; dos\n";
  std::string crlf;
  for (char c : comentado) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  auto uno = [](const std::string& raiz) { return "REGEDIT4\n[" + raiz + "\\S]\n\"V\"=\"1\"\n"; };
  const std::string desconocida = "REGEDIT4\n[HKEY_CURRENT_CONFIG\\A]\n\"V\"=\"1\"\n[HKCU\\B]\n\"W\"=\"2\"\n";
  const std::string escapes = "REGEDIT4\n[HKCU\\A]\n\"V\\\"x\\\\\"=\"1\"\n";
  const std::string barras = "REGEDIT4\n[HKCU\\A\\\\B\\]\n\"V\"=\"1\"\n";
  const Caso casos[] = {
      {"HKEY_CURRENT_USER", uno("HKEY_CURRENT_USER"), cu, "S", "V", true, Texto("1")},
      {"HKCU", uno("HKCU"), cu, "S", "V", true, Texto("1")},
      {"hkey_local_machine", uno("hkey_local_machine"), Raiz::kLocalMachine, "S", "V", true, Texto("1")},
      {"HKLM", uno("HKLM"), Raiz::kLocalMachine, "S", "V", true, Texto("1")},
      {"HKEY_USERS", uno("HKEY_USERS"), Raiz::kUsers, "S", "V", true, Texto("1")},
      {"HKEY_CLASSES_ROOT", uno("HKEY_CLASSES_ROOT"), Raiz::kClassesRoot, "S", "V", true, Texto("1")},
      {"una raiz no va a otra", uno("HKLM"), cu, "S", "V", false, std::nullopt},
      {"raiz desconocida", desconocida, cu, "A", "V", false, std::nullopt},
      {"sus valores se saltan", desconocida, cu, "", "V", true, std::nullopt},
      {"tras raiz desconocida", desconocida, cu, "B", "W", true, Texto("2")},
      {"version 5 en 8 bits", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKCU\\A]\n\"V\"=hex(2):41,00,00,00\n",
       cu, "A", "V", true, Texto("A")},
      {"sin distinguir mayusculas", "REGEDIT4\n[HKCU\\Soft\\Outlook Express]\n\"Store Root\"=\"x\"\n", cu,
       "SOFT\\outlook EXPRESS", "store ROOT", true, Texto("x")},
      {"dos grafias, una clave", "REGEDIT4\n[HKCU\\Abc]\n\"a\"=\"1\"\n[HKCU\\ABC]\n\"A\"=\"2\"\n", cu, "abc", "a", true,
       Texto("2")},
      {"nombre con escapes", escapes, cu, "A", "V\"x\\", true, Texto("1")},
      {"escapes no recortan", escapes, cu, "A", "V", true, std::nullopt},
      {"barras sobrantes", barras, cu, "\\A\\B\\", "V", true, Texto("1")},
      {"rama ausente", barras, cu, "A\\C", "V", false, std::nullopt},
      {"cabecera sin cerrar", "REGEDIT4\n[HKCU\\A\n\"V\"=\"1\"\n", cu, "A", "V", false, std::nullopt},
      {"comentarios LF", comentado, cu, "A", "V", true, Texto("x")},
      {"dword comentado LF", comentado, cu, "A", "W", true, Bytes{2, 0, 0, 0}},
      {"comentarios CR LF", crlf, cu, "A", "V", true, Texto("x")},
      {"dword comentado CR LF", crlf, cu, "A", "W", true, Bytes{2, 0, 0, 0}},
      {"profundidad maxima", hondo, cu, profundo, "V", true, std::nullopt},
      {"mas hondo se salta", hondo, cu, profundo + "k", "V", false, std::nullopt},
      {"clave borrada con su arbol", base + "[-HKCU\\A]\n", cu, "A\\B", "V", false, std::nullopt},
      {"borrado sin mayusculas", base + "[-hkcu\\a\\b]\n", cu, "A\\B", "V", false, std::nullopt},
      {"valor borrado", base + "[HKCU\\A\\B]\n\"v\"=-\n", cu, "A\\B", "V", true, std::nullopt},
      {"los demas valores quedan", base + "[HKCU\\A\\B]\n\"v\"=-\n", cu, "A\\B", "W", true, Texto("2")},
      {"defecto borrado", base + "[HKCU\\A\\B]\n@=-\n", cu, "A\\B", "", true, std::nullopt},
      {"borrar lo que no existe", base + "[-HKCU\\X\\Y]\n", cu, "A\\B", "V", true, Texto("1")},
      {"recreada despues", base + "[-HKCU\\A]\n[HKCU\\A\\B]\n\"V\"=\"3\"\n", cu, "A\\B", "V", true, Texto("3")},
      {"recreada sin valores viejos", base + "[-HKCU\\A]\n[HKCU\\A\\B]\n", cu, "A\\B", "W", true, std::nullopt},
      {"valores bajo un borrado", "REGEDIT4\n[-HKCU\\A\\B]\n\"V\"=\"1\"\n", cu, "A\\B", "V", false, std::nullopt},
      {"una raiz no se borra", base + "[-HKEY_CURRENT_USER]\n", cu, "A\\B", "V", true, Texto("1")},
      {"ni recibe valores", "REGEDIT4\n[-HKCU]\n\"V\"=\"1\"\n", cu, "", "V", true, std::nullopt},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Registro r = Analizar(caso.texto);
    EXPECT_EQ(r.Buscar(caso.raiz, caso.clave) != nullptr, caso.hay_clave);
    EXPECT_EQ(Datos(r, caso.raiz, caso.clave, caso.valor), caso.datos);
  }
}

TEST(RegistroArchivoTest, SubclavesOrdenadasComoWindows) {
  struct Caso {
    std::string texto;
    std::vector<std::string> esperadas;
  };
  const Caso casos[] = {
      // Upper-cased comparison: '_' (0x5F) sorts after letters, '{' after '_'.
      {"REGEDIT4\n[HKCU\\zeta]\n[HKCU\\Beta]\n[HKCU\\alfa]\n[HKCU\\_raya]\n[HKCU\\{B}]\n[HKCU\\Alfa2]\n",
       {"alfa", "Alfa2", "Beta", "zeta", "_raya", "{B}"}},
      // Two spellings of one key are one key; its name is the first spelling.
      {"REGEDIT4\n[HKCU\\Abc]\n[HKCU\\ABC]\n", {"Abc"}},
      {"REGEDIT4\n[HKCU\\A\n[]\n[HKCU\\B]\n", {"B"}},
      // A name longer than Windows' enumeration buffer ends the listing there.
      {"REGEDIT4\n[HKCU\\" + std::string(100, 'x') + "]\n[HKCU\\" + std::string(99, 'w') + "]\n[HKCU\\a]\n",
       {"a", std::string(99, 'w')}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.texto);
    EXPECT_EQ(Subclaves(Analizar(caso.texto), ""), caso.esperadas);
  }
}

TEST(RegistroArchivoTest, ArchivosQueNoSonUnaExportacionDanRegistroVacio) {
  std::string basura;
  for (int i = 0; i < 4096; ++i) basura.push_back(static_cast<char>((i * 7919) % 251));
  const std::string casos[] = {
      "", "\n\r\n  \n", "REGEDIT5\n[HKCU\\A]\n\"V\"=\"1\"\n", "[HKCU\\A]\n\"V\"=\"1\"\n", basura,
      "\xFF\xFE", "\xFF\xFE\x52", std::string(100, '\0'),
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.substr(0, 20));
    Registro r = Analizar(caso);
    for (const Clave& raiz : r.raices) {
      EXPECT_TRUE(raiz.subclaves.empty() && raiz.valores.empty());
    }
  }
}

TEST(RegistroArchivoTest, ConversionesUtf) {
  struct Caso {
    Bytes utf16;
    std::string utf8;
    bool ida_y_vuelta;
  };
  const Caso casos[] = {
      {{'a', 0, 'b', 0}, "ab", true},
      {{'a', 0, 0, 0, 'b', 0}, std::string("a\0b", 3), true},
      {{0xE9, 0x00}, "\xC3\xA9", true},
      {{0xAC, 0x20}, "\xE2\x82\xAC", true},
      {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80", true},
      {{0x3D, 0xD8, 'a', 0}, "\xEF\xBF\xBD" "a", false},
      {{0x00, 0xDE}, "\xEF\xBF\xBD", false},
      {{'a', 0, 'b'}, "a", false},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.utf8);
    EXPECT_EQ(Utf16LeAUtf8(caso.utf16), caso.utf8);
    EXPECT_EQ(Utf8AUtf16Le(caso.utf8) == caso.utf16, caso.ida_y_vuelta);
  }
  // Invalid UTF-8 becomes U+FFFD rather than disappearing.
  EXPECT_EQ(Utf8AUtf16Le("\xC3"), (Bytes{0xFD, 0xFF}));
  EXPECT_EQ(Utf8AUtf16Le("\xC0\xAF"), (Bytes{0xFD, 0xFF, 0xFD, 0xFF}));
}

}  // namespace
}  // namespace orvex::plataforma::registro
