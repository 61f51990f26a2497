#include "escritura/buzon.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "almacen_imn/formato_imn.h"
#include "almacen_oe4/formato_oe4.h"
#include "escritura/dbx.h"
#include "escritura/imn.h"
#include "escritura/oe4.h"
#include "soporte/bytes.h"

namespace orvex::escritura {
namespace {

using namespace orvex::oe4fmt;

// A word at pos of bytes, or nothing when it does not fit.
bool Palabra(const std::vector<uint8_t>& b, std::size_t pos, uint32_t* v) {
  if (pos > b.size() || b.size() - pos < 4) return false;
  *v = Le32(b.data() + pos);
  return true;
}

bool Igual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// Where the three counted texts that start at pos end, when they end by fin; else 0.
std::size_t FinTextos(const std::vector<uint8_t>& idx, std::size_t pos, std::size_t fin) {
  for (uint32_t t = 0; t < kNumTextos; ++t) {
    uint32_t n = 0;
    if (pos > fin || fin - pos < 4 || !Palabra(idx, pos, &n) || n > fin - pos - 4) return 0;
    pos += 4 + n;
  }
  return pos;
}

}  // namespace

std::vector<RegistroBuzon> RegistrosBuzon(const std::vector<uint8_t>& mbx, std::size_t* fin) {
  std::vector<RegistroBuzon> registros;
  uint32_t firma = 0;
  if (fin != nullptr) *fin = 0;
  if (!Palabra(mbx, kMbxFirma, &firma) || firma != kFirmaMbx || mbx.size() < kLongCabMbx) return registros;
  std::size_t pos = kLongCabMbx;
  while (mbx.size() - pos >= kLongCabBloqueMbx) {
    const uint8_t* h = mbx.data() + pos;
    const uint32_t tam = Le32(h + kMbxBloqueTam);
    const uint32_t largo = Le32(h + kMbxBloqueLongTexto);
    if (tam < kLongCabBloqueMbx || tam % kAlineacionBloqueMbx != 0 || tam > mbx.size() - pos ||
        largo > tam - kLongCabBloqueMbx) {
      break;
    }
    RegistroBuzon r;
    r.pos = static_cast<uint32_t>(pos);
    r.tam = tam;
    r.id = Le32(h + kMbxBloqueId);
    r.texto.assign(reinterpret_cast<const char*>(h + kLongCabBloqueMbx), largo);
    registros.push_back(std::move(r));
    pos += tam;
  }
  if (fin != nullptr) *fin = pos;
  return registros;
}

bool IndiceConcuerda(const std::vector<uint8_t>& idx, const std::vector<uint8_t>& mbx) {
  uint32_t firma = 0, fin = 0;
  if (!Palabra(idx, kIdxFirma, &firma) || firma != kFirmaIdx || !Palabra(idx, kIdxFinRegistros, &fin) ||
      idx.size() < kLongCabIdx) {
    return false;
  }
  const std::size_t limite = std::min<std::size_t>(fin, idx.size());
  std::size_t leidos = 0;
  for (std::size_t r = kLongCabIdx; r < limite;) {
    uint32_t propia = 0, largo = 0, id = 0, bloque = 0, tam = 0, id_bloque = 0, tam_bloque = 0;
    if (!Palabra(idx, r + kRegPosPropia, &propia) || !Palabra(idx, r + kRegLongRegistro, &largo) ||
        !Palabra(idx, r + kRegIdMensaje, &id) || !Palabra(idx, r + kRegPosBloque, &bloque) ||
        !Palabra(idx, r + kRegTamBloque, &tam)) {
      return false;
    }
    if (propia != r || largo < kLongFijoRegistro || largo > limite - r) return false;
    if (bloque < kLongCabMbx || !Palabra(mbx, std::size_t{bloque} + kMbxBloqueId, &id_bloque) ||
        !Palabra(mbx, std::size_t{bloque} + kMbxBloqueTam, &tam_bloque) || id_bloque != id || tam_bloque != tam ||
        tam > mbx.size() - bloque) {
      return false;
    }
    ++leidos;
    r += largo;
  }
  return leidos != 0 || RegistrosBuzon(mbx).empty();
}

uint32_t GeneracionIndice(const std::vector<uint8_t>& idx) {
  const std::size_t r = kLongCabIdx;
  uint32_t largo = 0;
  if (!Palabra(idx, r + kRegLongRegistro, &largo) || largo > idx.size() - r) return 0;
  const std::size_t fin = r + largo;
  uint32_t extra = 0, entradas = 0;
  if (Palabra(idx, r + kRegLongExtra, &extra) && extra <= largo) {
    const std::size_t textos = r + kLongFijoRegistro + extra + kNumFechas * 8 + kLongTrasFechas;
    if (textos <= fin && FinTextos(idx, textos, fin) == fin) return 4;
  }
  if (Palabra(idx, r + imnfmt::kRegNumEntradas, &entradas) && entradas <= largo / imnfmt::kLongEntrada) {
    const std::size_t textos = r + imnfmt::kLongCabRegistro + std::size_t{entradas} * imnfmt::kLongEntrada +
                               imnfmt::kLongFechas + imnfmt::kLongTrasFechas;
    if (textos <= fin && FinTextos(idx, textos, fin) == fin) return 1;
  }
  return 0;
}

std::string CabeceraTexto(const std::string& texto, const std::string& nombre) {
  std::string valor;
  bool dentro = false;
  for (std::size_t a = 0; a < texto.size();) {
    std::size_t b = texto.find('\n', a);
    if (b == std::string::npos) b = texto.size();
    std::string linea = texto.substr(a, b - a);
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    a = b + 1;
    if (linea.empty()) break;  // the end of the header
    if (linea[0] == ' ' || linea[0] == '\t') {
      if (dentro) valor += linea;
      continue;
    }
    if (dentro) break;
    const std::size_t dos = linea.find(':');
    if (dos == std::string::npos || !Igual(std::string_view(linea).substr(0, dos), nombre)) continue;
    dentro = true;
    valor = linea.substr(dos + 1);
  }
  const std::size_t i = valor.find_first_not_of(" \t");
  return i == std::string::npos ? std::string() : valor.substr(i);
}

uint64_t FileTimeDeFecha(const std::string& fecha) {
  static const char* const kMeses[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
  std::string resto = fecha;
  if (const std::size_t coma = resto.find(','); coma != std::string::npos) resto = resto.substr(coma + 1);
  int dia = 0, anio = 0, hora = 0, minuto = 0, segundo = 0;
  char mes[4] = {};
  char zona[8] = {};
  const int n = std::sscanf(resto.c_str(), " %d %3s %d %d:%d:%d %7s", &dia, mes, &anio, &hora, &minuto, &segundo, zona);
  if (n < 5) return 0;
  int m = 0;
  while (m < 12 && !Igual(mes, kMeses[m])) ++m;
  if (m == 12 || dia < 1 || dia > 31 || hora > 23 || minuto > 59 || segundo > 60) return 0;
  if (anio < 100) anio += anio < 70 ? 2000 : 1900;
  if (anio < 1601 || anio > 9999) return 0;
  int64_t desvio = 0;  // seconds east of UTC
  if ((zona[0] == '+' || zona[0] == '-') && std::strlen(zona) == 5) {
    const int v = std::atoi(zona + 1);
    desvio = (v / 100 * 3600 + v % 100 * 60) * (zona[0] == '-' ? -1 : 1);
  }
  const int64_t t = static_cast<int64_t>(FileTime(anio, m + 1, dia, hora, minuto, segundo)) - desvio * 10000000;
  return t < 0 ? 0 : static_cast<uint64_t>(t);
}

namespace {

// The message's date: its Date header, else the time its first Received header ends with.
uint64_t FechaMensaje(const std::string& texto) {
  if (const uint64_t f = FileTimeDeFecha(CabeceraTexto(texto, "Date")); f != 0) return f;
  const std::string recibido = CabeceraTexto(texto, "Received");
  const std::size_t punto_y_coma = recibido.rfind(';');
  return punto_y_coma == std::string::npos ? 0 : FileTimeDeFecha(recibido.substr(punto_y_coma + 1));
}

}  // namespace

std::vector<uint8_t> IndiceDeBuzon(uint32_t version, const std::vector<uint8_t>& mbx) {
  const std::vector<RegistroBuzon> registros = RegistrosBuzon(mbx);
  std::vector<std::pair<uint32_t, uint32_t>> bloques;
  for (const RegistroBuzon& r : registros) bloques.emplace_back(r.pos, r.tam);
  // The index keeps at most 255 characters of each text.
  const auto corto = [](std::string s) { return s.size() > imnfmt::kMaxTexto ? s.substr(0, imnfmt::kMaxTexto) : s; };
  // Each record as the index describes it, from the message's own headers.
  const auto describir = [&](auto m) {
    std::vector<decltype(m)> mensajes;
    for (const RegistroBuzon& r : registros) {
      m.id = r.id;
      m.texto = r.texto;
      const uint64_t f = FechaMensaje(r.texto);
      for (uint64_t& x : m.fechas) x = f;
      m.asunto = corto(CabeceraTexto(r.texto, "Subject"));
      m.de = corto(CabeceraTexto(r.texto, "From"));
      mensajes.push_back(m);
    }
    return mensajes;
  };
  if (version == 4) return ConstruirIdxOe4(describir(MensajeOe4{}), bloques);
  return ConstruirIdxImn(describir(MensajeImn{}), bloques);
}

}  // namespace orvex::escritura
