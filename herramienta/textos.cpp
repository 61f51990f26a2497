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

}  // namespace

std::string AUtf8(std::string_view ansi) {
  std::string r;
  r.reserve(ansi.size());
  const bool utf8 = EsUtf8(ansi);
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
