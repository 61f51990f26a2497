#include "herramienta/resto.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "escritura/buzon.h"
#include "herramienta/recuperar.h"
#include "herramienta/sistema.h"

namespace orvex::herramienta {
namespace {

template <std::size_t N>
void Copiar(char (&destino)[N], const std::string& texto) {
  const std::size_t n = std::min(texto.size(), N - 1);
  std::memcpy(destino, texto.data(), n);
  destino[n] = '\0';
}

// FILETIME of 1970-01-01.
constexpr uint64_t kEpocaUnix = 116444736000000000ull;

// The date as the library's listing gives it (local time), from the message's Date header.
void PonerFecha(OE_MENSAJE& m, const std::string& texto) {
  const uint64_t filetime = escritura::FileTimeDeFecha(escritura::CabeceraTexto(texto, "Date"));
  if (filetime < kEpocaUnix) return;
  const auto segundos = static_cast<std::time_t>((filetime - kEpocaUnix) / 10000000);
  const std::tm* f = std::localtime(&segundos);
  if (f == nullptr) return;
  std::snprintf(m.Fecha, sizeof m.Fecha, "%02d/%02d/%04d %02d:%02d", f->tm_mday, f->tm_mon + 1, f->tm_year + 1900,
                f->tm_hour, f->tm_min);
}

}  // namespace

std::vector<recuperacion::Recuperado> RestoDeCarpeta(const CarpetaVista& c, const std::set<uint32_t>& listados) {
  std::vector<recuperacion::Recuperado> resto;
  const auto local = c.archivo.empty() ? std::nullopt : RutaLocal(c.archivo);
  const auto bytes = local ? LeerEntero(*local) : std::nullopt;
  if (!bytes) return resto;
  for (recuperacion::Recuperado& r : recuperacion::RecuperarDbx(*bytes, recuperacion::Pasadas::kSoloIndice)) {
    if (r.origen == recuperacion::Origen::kIndice && listados.count(r.id) == 0) resto.push_back(std::move(r));
  }
  std::stable_sort(resto.begin(), resto.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
  return resto;
}

bool VisitarResto(const CarpetaVista& c, std::vector<recuperacion::Recuperado>& resto, const VisitaMensaje& visita) {
  for (recuperacion::Recuperado& r : resto) {
    OE_MENSAJE m{};
    m.Tamano = OE_TAM_MENSAJE;
    m.IdCarpeta = c.id;
    m.PosCarpeta = c.pos_grupo;
    Copiar(m.NombreCarpeta, c.nombre);
    Copiar(m.RutaAlmacen, c.almacen);
    Copiar(m.RutaIndice, c.archivo);
    m.IdMensaje = r.id;
    m.PosTexto = static_cast<uint32_t>(r.desplazamiento);
    m.LongTexto = m.TamMsg = static_cast<uint32_t>(r.texto.size());
    m.Texto = r.texto.data();
    PonerFecha(m, r.texto);
    if (!visita(c, &m, kRecuperado)) return false;
  }
  return true;
}

}  // namespace orvex::herramienta
