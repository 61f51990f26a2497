#include "herramienta/clamd.h"

#include <algorithm>
#include <optional>

namespace orvex::herramienta {
namespace {

// Chunks as large as clamd's default read buffer; its limits count the bytes, not the chunks.
constexpr std::size_t kTrozo = 64 * 1024;
constexpr std::size_t kMaximoRespuesta = 4096;

void AnadirTamano(std::string& s, uint32_t n) {
  for (int desplazamiento = 24; desplazamiento >= 0; desplazamiento -= 8) {
    s += static_cast<char>((n >> desplazamiento) & 0xFF);
  }
}

VeredictoClamd Fallo(std::string texto) { return {VeredictoClamd::Tipo::kError, std::move(texto)}; }

}  // namespace

VeredictoClamd LeerRespuestaClamd(std::string_view r) {
  while (!r.empty() && (r.back() == '\n' || r.back() == '\0')) r.remove_suffix(1);
  if (r.find("size limit exceeded") != std::string_view::npos) {
    return Fallo("it is larger than the daemon's StreamMaxLength");
  }
  if (r.starts_with("stream: ")) r.remove_prefix(8);
  if (r == "OK") return {VeredictoClamd::Tipo::kLimpio, ""};
  if (r.ends_with(" FOUND") && r.size() > 6) {
    return {VeredictoClamd::Tipo::kHallado, std::string(r.substr(0, r.size() - 6))};
  }
  if (r.empty()) return Fallo("the daemon closed the connection without a reply");
  return Fallo("the daemon replied \"" + std::string(r) + "\"");
}

std::string ClienteClamd::Probar() const {
  std::string error, respuesta;
  std::optional<Conexion> c = Conexion::Abrir(destino_, segundos_, &error);
  if (!c) return "cannot connect: " + error;
  if (!c->Enviar(std::string_view("zPING", 6), &error) ||
      !c->RecibirHasta('\0', kMaximoRespuesta, &respuesta, &error)) {
    return error;
  }
  if (respuesta != "PONG") return "it answered PING with \"" + respuesta + "\"; is it clamd?";
  return "";
}

VeredictoClamd ClienteClamd::Escanear(std::string_view contenido) const {
  std::string error, respuesta;
  std::optional<Conexion> c = Conexion::Abrir(destino_, segundos_, &error);
  if (!c) return Fallo("cannot connect to the daemon: " + error);
  if (!c->Enviar(std::string_view("zINSTREAM", 10), &error)) return Fallo("the daemon went away: " + error);
  // The daemon answers early and hangs up when the stream passes its StreamMaxLength.
  bool cortado = false;
  while (!contenido.empty() && !cortado) {
    const std::size_t n = std::min(kTrozo, contenido.size());
    std::string trozo;
    AnadirTamano(trozo, static_cast<uint32_t>(n));
    trozo.append(contenido.substr(0, n));
    contenido.remove_prefix(n);
    cortado = c->HayRespuesta();
    if (!cortado && !c->Enviar(trozo, &error)) cortado = true;
  }
  if (!cortado) {
    std::string fin;
    AnadirTamano(fin, 0);
    cortado = !c->Enviar(fin, &error);
  }
  std::string error_respuesta;
  const bool recibida = c->RecibirHasta('\0', kMaximoRespuesta, &respuesta, &error_respuesta);
  if (respuesta.empty() && cortado) {
    return Fallo("the daemon closed the connection during the part (" + (error.empty() ? error_respuesta : error) +
                 "): the part is larger than its StreamMaxLength, or the daemon stopped");
  }
  if (!recibida && respuesta.empty()) return Fallo("no reply from the daemon: " + error_respuesta);
  return LeerRespuestaClamd(respuesta);
}

}  // namespace orvex::herramienta
