// Long golden tables kept as text under pruebas/datos/ and compiled into the test programs
// (pruebas/datos/<name>.inc in the build folder is the file as one string literal), so no test
// looks for a file at run time. A table is lines of tab-separated fields; blank lines and lines
// starting with '#' are skipped. Escapes: \t \r \n \0 \\ \xHH (two digits), and \{N}c for the
// character c N times (long values stay readable).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvex::pruebas {

inline std::string Desescapar(std::string_view s) {
  std::string r;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      r += s[i];
      continue;
    }
    const char c = s[++i];
    const std::size_t cierre = c == '{' ? s.find('}', i) : std::string_view::npos;
    if (cierre != std::string_view::npos && cierre + 1 < s.size()) {
      r.append(std::stoul(std::string(s.substr(i + 1, cierre - i - 1))), s[cierre + 1]);
      i = cierre + 1;
    } else if (c == 'x' && i + 2 < s.size()) {
      r += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      r += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c == '0' ? '\0' : c;
    }
  }
  return r;
}

// The pieces of texto between the separators (one piece when there is none).
inline std::vector<std::string> Campos(std::string_view texto, char separador) {
  std::vector<std::string> campos;
  for (std::size_t a = 0;;) {
    const std::size_t b = texto.find(separador, a);
    campos.emplace_back(texto.substr(a, b == std::string_view::npos ? std::string_view::npos : b - a));
    if (b == std::string_view::npos) return campos;
    a = b + 1;
  }
}

// Each line of the table as its unescaped fields.
inline std::vector<std::vector<std::string>> Filas(std::string_view texto) {
  std::vector<std::vector<std::string>> filas;
  for (const std::string& linea : Campos(texto, '\n')) {
    if (linea.empty() || linea[0] == '#') continue;
    std::vector<std::string> campos = Campos(linea, '\t');
    for (std::string& c : campos) c = Desescapar(c);
    filas.push_back(std::move(campos));
  }
  return filas;
}

}  // namespace orvex::pruebas
