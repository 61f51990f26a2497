#include "herramienta/textos.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace orvex::herramienta {
namespace {

// Windows-1252 code points for bytes 0x80-0x9F; 0 where the code page leaves a hole.
constexpr char16_t kCp1252[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AnadirPunto(std::string& r, uint32_t cp) {
  if (cp < 0x80) {
    r += static_cast<char>(cp);
  } else if (cp < 0x800) {
    r += static_cast<char>(0xC0 | (cp >> 6));
    r += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    r += static_cast<char>(0xE0 | (cp >> 12));
    r += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    r += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Length of the well-formed UTF-8 sequence at s[i], or 0.
std::size_t LongitudUtf8(std::string_view s, std::size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  std::size_t n;
  uint32_t minimo;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    n = 2;
    minimo = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    minimo = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    minimo = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < n) return 0;
  uint32_t cp = c & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    const unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool EsUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = LongitudUtf8(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool LeerNumero(std::string_view s, std::size_t& i, int& v, std::size_t max_cifras) {
  const std::size_t inicio = i;
  v = 0;
  while (i < s.size() && i - inicio < max_cifras && std::isdigit(static_cast<unsigned char>(s[i]))) {
    v = v * 10 + (s[i] - '0');
    ++i;
  }
  return i > inicio;
}

std::string Convertir(std::string_view ansi, bool utf8) {
  std::string r;
  r.reserve(ansi.size());
  for (char c : ansi) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      r += ' ';
    } else if (u < 0x80 || utf8) {
      r += c;
    } else if (u < 0xA0) {
      const char16_t cp = kCp1252[u - 0x80];
      AnadirPunto(r, cp != 0 ? cp : 0xFFFD);
    } else {
      AnadirPunto(r, u);
    }
  }
  return r;
}

std::string Minusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::optional<std::string> Base64(std::string_view s) {
  std::string r;
  uint32_t acumulado = 0;
  int bits = 0;
  for (char c : s) {
    int v;
    if (c >= 'A' && c <= 'Z') {
      v = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
      v = c - 'a' + 26;
    } else if (c >= '0' && c <= '9') {
      v = c - '0' + 52;
    } else if (c == '+') {
      v = 62;
    } else if (c == '/') {
      v = 63;
    } else if (c == '=') {
      break;
    } else {
      return std::nullopt;
    }
    acumulado = (acumulado << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      r += static_cast<char>((acumulado >> bits) & 0xFF);
    }
  }
  return r;
}

int ValorHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Q(std::string_view s) {
  std::string r;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '_') {
      r += ' ';
    } else if (s[i] == '=' && i + 2 < s.size() && ValorHex(s[i + 1]) >= 0 && ValorHex(s[i + 2]) >= 0) {
      r += static_cast<char>(ValorHex(s[i + 1]) * 16 + ValorHex(s[i + 2]));
      i += 2;
    } else {
      r += s[i];
    }
  }
  return r;
}

// One encoded word at the start of s, decoded to UTF-8; *usados gets its length.
std::optional<std::string> PalabraCodificada(std::string_view s, std::size_t* usados) {
  if (s.substr(0, 2) != "=?") return std::nullopt;
  const std::size_t q1 = s.find('?', 2);
  if (q1 == std::string_view::npos || q1 + 2 >= s.size() || s[q1 + 2] != '?') return std::nullopt;
  const std::size_t fin = s.find("?=", q1 + 3);
  if (fin == std::string_view::npos) return std::nullopt;
  std::string juego = Minusculas(s.substr(2, q1 - 2));
  juego = juego.substr(0, juego.find('*'));  // an RFC 2231 language suffix
  const char codificacion = static_cast<char>(std::toupper(static_cast<unsigned char>(s[q1 + 1])));
  const std::string_view datos = s.substr(q1 + 3, fin - q1 - 3);
  std::optional<std::string> bytes;
  if (codificacion == 'B') {
    bytes = Base64(datos);
  } else if (codificacion == 'Q') {
    bytes = Q(datos);
  }
  if (!bytes) return std::nullopt;
  *usados = fin + 2;
  if (juego == "utf-8" || juego == "utf8") return Convertir(*bytes, EsUtf8(*bytes));
  if (juego == "iso-8859-1" || juego == "windows-1252" || juego == "us-ascii" || juego == "latin1" ||
      juego == "cp1252") {
    return Convertir(*bytes, false);
  }
  return std::nullopt;
}

}  // namespace

std::string AUtf8(std::string_view ansi) { return Convertir(ansi, EsUtf8(ansi)); }

std::string TextoCabecera(std::string_view valor) {
  std::string r;
  std::size_t literal = 0;
  std::size_t fin_palabra = std::string_view::npos;  // end of the last encoded word, if it was the last thing
  for (std::size_t i = 0; i < valor.size();) {
    std::size_t usados = 0;
    const std::optional<std::string> palabra = PalabraCodificada(valor.substr(i), &usados);
    if (!palabra) {
      ++i;
      continue;
    }
    std::string_view entre = valor.substr(literal, i - literal);
    // Blank space between two encoded words is not part of the text.
    const bool solo_blancos = entre.find_first_not_of(" \t\r\n") == std::string_view::npos;
    if (!(fin_palabra == literal && solo_blancos)) r += AUtf8(entre);
    r += *palabra;
    i += usados;
    literal = i;
    fin_palabra = i;
  }
  r += AUtf8(valor.substr(literal));
  return r;
}

std::size_t AnchoVisible(std::string_view utf8) {
  std::size_t ancho = 0;
  for (char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++ancho;
  }
  return ancho;
}

std::string CortarAncho(std::string_view utf8, std::size_t ancho) {
  if (AnchoVisible(utf8) <= ancho) return std::string(utf8);
  if (ancho == 0) return {};
  std::string r;
  std::size_t columnas = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const bool inicio = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
    if (inicio && ++columnas == ancho) break;
    r += utf8[i];
  }
  return r + "\xE2\x80\xA6";
}

std::string Cabecera(std::string_view texto, std::string_view nombre) {
  const auto es = [&](std::string_view linea) {
    if (linea.size() <= nombre.size() || linea[nombre.size()] != ':') return false;
    for (std::size_t i = 0; i < nombre.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(linea[i])) != std::tolower(static_cast<unsigned char>(nombre[i]))) {
        return false;
      }
    }
    return true;
  };
  std::string valor;
  bool dentro = false;
  std::size_t pos = 0;
  while (pos < texto.size()) {
    std::size_t fin = texto.find('\n', pos);
    if (fin == std::string_view::npos) fin = texto.size();
    std::string_view linea = texto.substr(pos, fin - pos);
    pos = fin + 1;
    if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
    if (linea.empty()) break;
    if (dentro && (linea.front() == ' ' || linea.front() == '\t')) {
      valor += linea;  // unfolding drops only the line break
      continue;
    }
    if (dentro) break;
    if (es(linea)) {
      dentro = true;
      valor = std::string(linea.substr(nombre.size() + 1));
    }
  }
  const std::size_t inicio = valor.find_first_not_of(" \t");
  if (inicio == std::string::npos) return {};
  const std::size_t ultimo = valor.find_last_not_of(" \t");
  return valor.substr(inicio, ultimo - inicio + 1);
}

std::optional<Fecha> LeerFecha(std::string_view s) {
  Fecha f{};
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  if (!LeerNumero(s, i, f.dia, 2) || i >= s.size() || s[i++] != '/') return std::nullopt;
  if (!LeerNumero(s, i, f.mes, 2) || i >= s.size() || s[i++] != '/') return std::nullopt;
  const std::size_t inicio_anio = i;
  if (!LeerNumero(s, i, f.anio, 4)) return std::nullopt;
  if (i - inicio_anio <= 2) f.anio += f.anio >= 70 ? 1900 : 2000;
  if (i >= s.size() || s[i++] != ' ') return std::nullopt;
  while (i < s.size() && s[i] == ' ') ++i;
  if (!LeerNumero(s, i, f.hora, 2) || i >= s.size() || s[i++] != ':') return std::nullopt;
  if (!LeerNumero(s, i, f.minuto, 2)) return std::nullopt;
  if (f.mes < 1 || f.mes > 12 || f.dia < 1 || f.dia > 31 || f.hora > 23 || f.minuto > 59) return std::nullopt;
  return f;
}

std::string FechaLegible(std::string_view texto) {
  const std::optional<Fecha> f = LeerFecha(texto);
  if (!f) return AUtf8(texto);
  char b[32];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d", f->anio, f->mes, f->dia, f->hora, f->minuto);
  return b;
}

}  // namespace orvex::herramienta
