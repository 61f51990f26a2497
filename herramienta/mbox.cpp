#include "herramienta/mbox.h"

#include <chrono>
#include <cstdio>
#include <optional>

#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

bool EsLineaFromCitable(std::string_view linea) {
  std::size_t i = 0;
  while (i < linea.size() && linea[i] == '>') ++i;
  return linea.substr(i, 5) == "From ";
}

}  // namespace

std::string RemitenteSobre(std::string_view de) {
  const std::size_t abre = de.find('<');
  if (abre != std::string_view::npos) {
    const std::size_t cierra = de.find('>', abre);
    if (cierra != std::string_view::npos) de = de.substr(abre + 1, cierra - abre - 1);
  }
  while (!de.empty() && de.front() == ' ') de.remove_prefix(1);
  while (!de.empty() && de.back() == ' ') de.remove_suffix(1);
  if (de.empty() || de.find('@') == std::string_view::npos) return "MAILER-DAEMON";
  for (char c : de) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return "MAILER-DAEMON";
  }
  return std::string(de);
}

std::string LineaFrom(std::string_view de, std::string_view fecha) {
  static constexpr const char* kDias[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMeses[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  Fecha f{1970, 1, 1, 0, 0};
  if (const std::optional<Fecha> leida = LeerFecha(fecha)) {
    const std::chrono::year_month_day ymd{std::chrono::year{leida->anio},
                                          std::chrono::month{static_cast<unsigned>(leida->mes)},
                                          std::chrono::day{static_cast<unsigned>(leida->dia)}};
    if (ymd.ok()) f = *leida;
  }
  const std::chrono::year_month_day ymd{std::chrono::year{f.anio}, std::chrono::month{static_cast<unsigned>(f.mes)},
                                        std::chrono::day{static_cast<unsigned>(f.dia)}};
  const std::chrono::weekday dia{std::chrono::sys_days{ymd}};
  char b[64];
  std::snprintf(b, sizeof b, "%s %s %2d %02d:%02d:00 %04d", kDias[dia.c_encoding()], kMeses[f.mes - 1], f.dia,
                f.hora, f.minuto, f.anio);
  return "From " + RemitenteSobre(de) + " " + b + "\n";
}

void AnadirCuerpoMboxrd(std::string& salida, std::string_view texto) {
  while (!texto.empty()) {
    const std::size_t fin = texto.find('\n');
    std::string_view linea = texto.substr(0, fin);
    texto.remove_prefix(fin == std::string_view::npos ? texto.size() : fin + 1);
    if (!linea.empty() && linea.back() == '\r') linea.remove_suffix(1);
    if (EsLineaFromCitable(linea)) salida += '>';
    salida.append(linea);
    salida += '\n';
  }
  salida += '\n';
}

std::string QuitarCitaMboxrd(std::string_view cuerpo) {
  std::string r;
  if (cuerpo.size() >= 2 && cuerpo.substr(cuerpo.size() - 2) == "\n\n") cuerpo.remove_suffix(1);
  while (!cuerpo.empty()) {
    const std::size_t fin = cuerpo.find('\n');
    std::string_view linea = cuerpo.substr(0, fin);
    cuerpo.remove_prefix(fin == std::string_view::npos ? cuerpo.size() : fin + 1);
    if (!linea.empty() && linea.front() == '>' && EsLineaFromCitable(linea)) linea.remove_prefix(1);
    r.append(linea);
    r += '\n';
  }
  return r;
}

}  // namespace orvex::herramienta
