#include "plataforma/registro_archivo.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orvex::plataforma::registro {
namespace {

using Bytes = std::vector<uint8_t>;

Registro Analizar(const std::string& texto) {
  return AnalizarRegistro(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(texto.data()), texto.size()));
}

// The same text as regedit writes version 5 files: UTF-16LE with a BOM.
Registro AnalizarUtf16(const std::string& texto) {
  Bytes bytes = {0xFF, 0xFE};
  Bytes cuerpo = Utf8AUtf16Le(texto);
  bytes.insert(bytes.end(), cuerpo.begin(), cuerpo.end());
  return AnalizarRegistro(bytes);
}

Bytes Texto(const std::string& s, bool con_nul = true) {
  Bytes b(s.begin(), s.end());
  if (con_nul) b.push_back(0);
  return b;
}

struct Leido {
  uint32_t tipo;
  Bytes datos;
};

std::optional<Leido> LeerValor(const Registro& r, Raiz raiz, const std::string& clave, const std::string& nombre) {
  const Clave* c = r.Buscar(raiz, clave);
  if (c == nullptr) return std::nullopt;
  auto it = c->valores.find(Mayusculas(nombre));
  if (it == c->valores.end()) return std::nullopt;
  return Leido{it->second.tipo, it->second.datos};
}

std::vector<std::string> Subclaves(const Registro& r, Raiz raiz, const std::string& clave) {
  std::vector<std::string> nombres;
  if (const Clave* c = r.Buscar(raiz, clave)) {
    for (const auto& [mayus, sub] : c->subclaves) nombres.push_back(sub->nombre);
  }
  return nombres;
}

struct CasoValor {
  const char* nombre;
  std::string linea;  // One value line (possibly with continuations) under [HKEY_CURRENT_USER\K].
  std::optional<uint32_t> tipo;  // Empty: the line is skipped.
  Bytes datos;
};

void ComprobarValores(const std::vector<CasoValor>& casos, bool utf16) {
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    std::string cabecera = utf16 ? "Windows Registry Editor Version 5.00" : "REGEDIT4";
    std::string texto = cabecera + "\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n" + caso.linea + "\r\n\"Despues\"=\"ok\"\r\n";
    Registro r = utf16 ? AnalizarUtf16(texto) : Analizar(texto);
    // A bad line never takes the next one with it.
    auto despues = LeerValor(r, Raiz::kCurrentUser, "K", "Despues");
    ASSERT_TRUE(despues.has_value());
    EXPECT_EQ(despues->datos, Texto("ok"));
    const Clave* k = r.Buscar(Raiz::kCurrentUser, "K");
    ASSERT_NE(k, nullptr);
    if (!caso.tipo) {
      EXPECT_EQ(k->valores.size(), 1u);
      continue;
    }
    ASSERT_EQ(k->valores.size(), 2u);
    const Valor& v = k->valores.begin()->first == "DESPUES" ? std::next(k->valores.begin())->second
                                                            : k->valores.begin()->second;
    EXPECT_EQ(v.tipo, *caso.tipo);
    EXPECT_EQ(v.datos, caso.datos);
  }
}

// Value kinds whose bytes do not depend on the file's format.
const std::vector<CasoValor>& CasosComunes() {
  static const std::vector<CasoValor> casos = {
      {"cadena", "\"V\"=\"C:\\\\Mail\\\\Store\"", kRegSz, Texto("C:\\Mail\\Store")},
      {"cadena vacia", "\"V\"=\"\"", kRegSz, Texto("")},
      {"comillas escapadas", "\"V\"=\"di \\\"hola\\\"\"", kRegSz, Texto("di \"hola\"")},
      {"otra barra se queda", "\"V\"=\"a\\nb\"", kRegSz, Texto("a\\nb")},
      {"valor por defecto", "@=\"def\"", kRegSz, Texto("def")},
      {"comentario tras cadena", "\"V\"=\"x\" ; nota", kRegSz, Texto("x")},
      {"dword", "\"V\"=dword:0000001f", kRegDword, {0x1f, 0, 0, 0}},
      {"dword mayusculas", "\"V\"=DWORD:DEADBEEF", kRegDword, {0xef, 0xbe, 0xad, 0xde}},
      {"dword corto", "\"V\"=dword:5", kRegDword, {5, 0, 0, 0}},
      {"dword largo", "\"V\"=dword:100000000", std::nullopt, {}},
      {"dword no hex", "\"V\"=dword:12g4", std::nullopt, {}},
      {"binario", "\"V\"=hex:01,ff,00", kRegBinario, {1, 0xff, 0}},
      {"binario vacio", "\"V\"=hex:", kRegBinario, {}},
      {"binario coma final", "\"V\"=hex:0a,0b,", kRegBinario, {0x0a, 0x0b}},
      {"continuacion", "\"V\"=hex:01,02,\\\r\n  03,04,\\\r\n  05", kRegBinario, {1, 2, 3, 4, 5}},
      {"hex(0)", "\"V\"=hex(0):", kRegNinguno, {}},
      {"hex(4)", "\"V\"=hex(4):01,00,00,00", kRegDword, {1, 0, 0, 0}},
      {"hex(b) qword", "\"V\"=hex(b):01,02,03,04,05,06,07,08", 0xb, {1, 2, 3, 4, 5, 6, 7, 8}},
      {"byte de tres cifras", "\"V\"=hex:123", std::nullopt, {}},
      {"doble coma", "\"V\"=hex:01,,02", std::nullopt, {}},
      {"continuacion con error", "\"V\"=hex:01,\\\r\n  zz", std::nullopt, {}},
      {"hex sin dos puntos", "\"V\"=hex 01", std::nullopt, {}},
      {"tipo sin cerrar", "\"V\"=hex(2:00", std::nullopt, {}},
      {"sin comillas de cierre", "\"V\"=\"abc", std::nullopt, {}},
      {"basura tras cadena", "\"V\"=\"abc\" xyz", std::nullopt, {}},
      {"sin igual", "\"V\" \"abc\"", std::nullopt, {}},
      {"nombre sin comillas", "V=\"abc\"", std::nullopt, {}},
      {"tipo desconocido", "\"V\"=str:\"abc\"", std::nullopt, {}},
  };
  return casos;
}

TEST(RegistroArchivoTest, ValoresRegedit4) {
  ComprobarValores(CasosComunes(), false);
  ComprobarValores(
      {
          // REGEDIT4 keeps the text kinds in hex as 8-bit text.
          {"hex(2) ansi", "\"V\"=hex(2):25,41,25,00", kRegExpandSz, Texto("%A%")},
          {"hex(7) ansi", "\"V\"=hex(7):61,00,62,00,00", kRegMultiSz, {'a', 0, 'b', 0, 0}},
      },
      false);
}

TEST(RegistroArchivoTest, ValoresVersion5Utf16) {
  ComprobarValores(CasosComunes(), true);
  ComprobarValores(
      {
          // Version 5 files keep the text kinds in hex as UTF-16LE; they come out as UTF-8.
          {"hex(2) utf16", "\"V\"=hex(2):25,00,41,00,25,00,00,00", kRegExpandSz, Texto("%A%")},
          {"hex(1) utf16", "\"V\"=hex(1):e9,00,00,00", kRegSz, Texto("\xC3\xA9")},
          {"hex(7) utf16", "\"V\"=hex(7):61,00,00,00,62,00,00,00,00,00", kRegMultiSz, {'a', 0, 'b', 0, 0}},
          {"hex(2) impar", "\"V\"=hex(2):41,00,42", kRegExpandSz, Texto("A", false)},
          {"cadena no ascii", "\"V\"=\"Buz\xC3\xB3n \xE2\x82\xAC\"", kRegSz, Texto("Buz\xC3\xB3n \xE2\x82\xAC")},
          {"binario intacto", "\"V\"=hex:41,00", kRegBinario, {0x41, 0}},
      },
      true);
}

TEST(RegistroArchivoTest, Version5En8BitsTambienSeLee) {
  Registro r = Analizar(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=hex(2):41,00,00,00\n");
  auto v = LeerValor(r, Raiz::kLocalMachine, "A", "V");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->datos, Texto("A"));
}

TEST(RegistroArchivoTest, RaicesYFormasCortas) {
  struct Caso {
    const char* cabecera;
    Raiz raiz;
  };
  const Caso casos[] = {
      {"HKEY_CURRENT_USER", Raiz::kCurrentUser}, {"HKCU", Raiz::kCurrentUser},
      {"hkey_local_machine", Raiz::kLocalMachine}, {"HKLM", Raiz::kLocalMachine},
      {"HKEY_USERS", Raiz::kUsers}, {"HKEY_CLASSES_ROOT", Raiz::kClassesRoot},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.cabecera);
    Registro r = Analizar(std::string("REGEDIT4\n[") + caso.cabecera + "\\Software\\X]\n\"V\"=\"1\"\n");
    EXPECT_TRUE(LeerValor(r, caso.raiz, "Software\\X", "V").has_value());
    for (Raiz otra : {Raiz::kClassesRoot, Raiz::kCurrentUser, Raiz::kLocalMachine, Raiz::kUsers}) {
      if (otra != caso.raiz) {
        EXPECT_EQ(r.Buscar(otra, "Software"), nullptr);
      }
    }
  }
}

TEST(RegistroArchivoTest, RaizDesconocidaSeSaltaConSusValores) {
  Registro r = Analizar("REGEDIT4\n[HKEY_CURRENT_CONFIG\\A]\n\"V\"=\"1\"\n[HKCU\\B]\n\"W\"=\"2\"\n");
  EXPECT_EQ(r.Buscar(Raiz::kCurrentUser, "A"), nullptr);
  EXPECT_FALSE(LeerValor(r, Raiz::kCurrentUser, "", "V").has_value());
  EXPECT_TRUE(LeerValor(r, Raiz::kCurrentUser, "B", "W").has_value());
}

TEST(RegistroArchivoTest, NombresSinDistinguirMayusculas) {
  Registro r = Analizar("REGEDIT4\n[HKCU\\Software\\Microsoft\\Outlook Express]\n\"Store Root\"=\"x\"\n");
  EXPECT_TRUE(LeerValor(r, Raiz::kCurrentUser, "SOFTWARE\\microsoft\\OUTLOOK express", "store ROOT").has_value());
  // Two spellings of one key are one key; its name is the first spelling.
  Registro dos = Analizar("REGEDIT4\n[HKCU\\Abc]\n\"a\"=\"1\"\n[HKCU\\ABC]\n\"A\"=\"2\"\n");
  EXPECT_EQ(Subclaves(dos, Raiz::kCurrentUser, ""), std::vector<std::string>{"Abc"});
  auto v = LeerValor(dos, Raiz::kCurrentUser, "abc", "a");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->datos, Texto("2"));
}

TEST(RegistroArchivoTest, NombreDeValorConEscapes) {
  Registro r = Analizar("REGEDIT4\n[HKCU\\A]\n\"V\\\"x\\\\\"=\"1\"\n");
  EXPECT_TRUE(LeerValor(r, Raiz::kCurrentUser, "A", "V\"x\\").has_value());
  EXPECT_FALSE(LeerValor(r, Raiz::kCurrentUser, "A", "V").has_value());
}

TEST(RegistroArchivoTest, SubclavesOrdenadasComoWindows) {
  Registro r = Analizar(
      "REGEDIT4\n[HKCU\\I\\zeta]\n[HKCU\\I\\Beta]\n[HKCU\\I\\alfa]\n[HKCU\\I\\_raya]\n[HKCU\\I\\{B}]\n[HKCU\\I\\Alfa2]\n");
  // Upper-cased comparison: '_' (0x5F) sorts after letters, '{' after '_'.
  EXPECT_EQ(Subclaves(r, Raiz::kCurrentUser, "I"),
            (std::vector<std::string>{"alfa", "Alfa2", "Beta", "zeta", "_raya", "{B}"}));
}

TEST(RegistroArchivoTest, RutasConBarrasSobrantes) {
  Registro r = Analizar("REGEDIT4\n[HKCU\\A\\\\B\\]\n\"V\"=\"1\"\n");
  EXPECT_TRUE(LeerValor(r, Raiz::kCurrentUser, "A\\B", "V").has_value());
  EXPECT_TRUE(LeerValor(r, Raiz::kCurrentUser, "\\A\\B\\", "V").has_value());
  EXPECT_NE(r.Buscar(Raiz::kCurrentUser, ""), nullptr);
  EXPECT_EQ(r.Buscar(Raiz::kCurrentUser, "A\\C"), nullptr);
}

TEST(RegistroArchivoTest, Borrados) {
  struct Caso {
    const char* nombre;
    std::string texto;
    const char* valor;
    bool existe_clave;
    bool existe_valor;
  };
  const std::string base = "REGEDIT4\n[HKCU\\A\\B]\n@=\"d\"\n\"V\"=\"1\"\n\"W\"=\"2\"\n";
  const Caso casos[] = {
      {"clave borrada con su arbol", base + "[-HKCU\\A]\n", "V", false, false},
      {"clave borrada sin distinguir mayusculas", base + "[-hkcu\\a\\b]\n", "V", false, false},
      {"valor borrado", base + "[HKCU\\A\\B]\n\"v\"=-\n", "V", true, false},
      {"los demas valores quedan", base + "[HKCU\\A\\B]\n\"v\"=-\n", "W", true, true},
      {"valor por defecto borrado", base + "[HKCU\\A\\B]\n@=-\n", "", true, false},
      {"borrar algo que no existe", base + "[-HKCU\\X\\Y]\n", "V", true, true},
      {"recreada despues", base + "[-HKCU\\A]\n[HKCU\\A\\B]\n\"V\"=\"3\"\n", "V", true, true},
      {"recreada sin sus valores viejos", base + "[-HKCU\\A]\n[HKCU\\A\\B]\n", "W", true, false},
      {"valores bajo un borrado se ignoran", "REGEDIT4\n[-HKCU\\A\\B]\n\"V\"=\"1\"\n", "V", false, false},
      {"una raiz no se borra", base + "[-HKEY_CURRENT_USER]\n", "V", true, true},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Registro r = Analizar(caso.texto);
    EXPECT_EQ(r.Buscar(Raiz::kCurrentUser, "A\\B") != nullptr, caso.existe_clave);
    EXPECT_EQ(LeerValor(r, Raiz::kCurrentUser, "A\\B", caso.valor).has_value(), caso.existe_valor);
  }
}

TEST(RegistroArchivoTest, ComentariosLineasVaciasYFinesDeLinea) {
  for (const std::string fin : {"\n", "\r\n"}) {
    SCOPED_TRACE(fin == "\n" ? "LF" : "CR LF");
    Registro r = Analizar("REGEDIT4" + fin + fin + "; comentario" + fin + "[HKCU\\A]" + fin + "  ; otro" + fin +
                          "\"V\"=\"x\"   " + fin + fin + "\"W\"=dword:00000002 ; dos" + fin);
    auto v = LeerValor(r, Raiz::kCurrentUser, "A", "V");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->datos, Texto("x"));
    auto w = LeerValor(r, Raiz::kCurrentUser, "A", "W");
    ASSERT_TRUE(w.has_value());
    EXPECT_EQ(w->datos, (Bytes{2, 0, 0, 0}));
  }
}

TEST(RegistroArchivoTest, ArchivosQueNoSonUnaExportacionDanRegistroVacio) {
  struct Caso {
    const char* nombre;
    std::string bytes;
  };
  std::string basura;
  for (int i = 0; i < 4096; ++i) basura.push_back(static_cast<char>((i * 7919) % 251));
  const Caso casos[] = {
      {"vacio", ""},
      {"solo blancos", "\n\r\n  \n"},
      {"cabecera desconocida", "REGEDIT5\n[HKCU\\A]\n\"V\"=\"1\"\n"},
      {"sin cabecera", "[HKCU\\A]\n\"V\"=\"1\"\n"},
      {"binario", basura},
      {"BOM utf16 sin mas", "\xFF\xFE"},
      {"BOM utf16 impar", "\xFF\xFE\x52"},
      {"nules", std::string(100, '\0')},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    Registro r = Analizar(caso.bytes);
    for (const Clave& raiz : r.raices) {
      EXPECT_TRUE(raiz.subclaves.empty());
      EXPECT_TRUE(raiz.valores.empty());
    }
  }
}

TEST(RegistroArchivoTest, CabecerasMalFormadasSeSaltan) {
  Registro r = Analizar("REGEDIT4\n[HKCU\\A\n\"V\"=\"1\"\n[]\n\"W\"=\"1\"\n[HKCU\\B]\n\"X\"=\"1\"\n");
  EXPECT_EQ(r.Buscar(Raiz::kCurrentUser, "A"), nullptr);
  EXPECT_EQ(Subclaves(r, Raiz::kCurrentUser, ""), std::vector<std::string>{"B"});
}

TEST(RegistroArchivoTest, ProfundidadAcotada) {
  auto cabecera = [](std::size_t niveles) {
    std::string s = "[HKCU";
    for (std::size_t i = 0; i < niveles; ++i) s += "\\k";
    return s + "]\n";
  };
  Registro r = Analizar("REGEDIT4\n" + cabecera(kProfundidadMaxima) + cabecera(kProfundidadMaxima + 1) + "\"V\"=\"1\"\n");
  std::string ruta;
  for (std::size_t i = 0; i < kProfundidadMaxima; ++i) ruta += "k\\";
  EXPECT_NE(r.Buscar(Raiz::kCurrentUser, ruta), nullptr);
  EXPECT_EQ(r.Buscar(Raiz::kCurrentUser, ruta + "k"), nullptr);
  EXPECT_FALSE(LeerValor(r, Raiz::kCurrentUser, ruta, "V").has_value());
}

TEST(RegistroArchivoTest, ConversionesUtf) {
  struct Caso {
    const char* nombre;
    Bytes utf16;
    std::string utf8;
  };
  const Caso casos[] = {
      {"ascii", {'a', 0, 'b', 0}, "ab"},
      {"nul se conserva", {'a', 0, 0, 0, 'b', 0}, std::string("a\0b", 3)},
      {"dos bytes", {0xE9, 0x00}, "\xC3\xA9"},
      {"tres bytes", {0xAC, 0x20}, "\xE2\x82\xAC"},
      {"par sustituto", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
      {"sustituto suelto", {0x3D, 0xD8, 'a', 0}, "\xEF\xBF\xBD" "a"},
      {"sustituto bajo suelto", {0x00, 0xDE}, "\xEF\xBF\xBD"},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(Utf16LeAUtf8(caso.utf16), caso.utf8);
    if (std::string(caso.nombre).find("suelto") == std::string::npos) {
      EXPECT_EQ(Utf8AUtf16Le(caso.utf8), caso.utf16);
    }
  }
  EXPECT_EQ(Utf16LeAUtf8(Bytes{'a', 0, 'b'}), "a");
  // Invalid UTF-8 becomes U+FFFD rather than disappearing.
  EXPECT_EQ(Utf8AUtf16Le("\xC3"), (Bytes{0xFD, 0xFF}));
  EXPECT_EQ(Utf8AUtf16Le("\xC0\xAF"), (Bytes{0xFD, 0xFF, 0xFD, 0xFF}));
}

}  // namespace
}  // namespace orvex::plataforma::registro
