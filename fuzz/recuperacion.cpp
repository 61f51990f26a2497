// The recovery scanners over any bytes, read as a .dbx message file and as a .mbx mailbox.
// Every message found lies in the file and comes from bytes no other message took (so the
// texts together never exceed the file), and its gaps lie inside its text, in order.
#include <span>

#include "fuzz/objetivos.h"
#include "recuperacion/recuperacion.h"

namespace orvex::fuzz {
namespace {

void Comprobar(const std::vector<recuperacion::Recuperado>& hallados, std::size_t n) {
  std::size_t total = 0;
  for (const recuperacion::Recuperado& r : hallados) {
    Exigir(r.bloques > 0 && r.desplazamiento < n && r.texto.size() <= n);
    total += r.texto.size();
    uint32_t antes = 0;
    std::size_t perdidos = 0;
    for (const recuperacion::Hueco& h : r.huecos) {
      Exigir(h.posicion >= antes && h.posicion <= r.texto.size() && h.longitud > 0);
      antes = h.posicion;
      perdidos += h.longitud;
    }
    Exigir(r.huecos.empty() == (r.estado != recuperacion::Estado::kHuecos) ||
           r.estado == recuperacion::Estado::kCortado);
    Exigir(recuperacion::TextoConMarcas(r).size() > r.texto.size() + perdidos || r.huecos.empty());
  }
  Exigir(total <= n);
}

}  // namespace

int Recuperacion(const uint8_t* datos, std::size_t n) {
  const std::span<const uint8_t> archivo(datos, n);
  Comprobar(recuperacion::RecuperarDbx(archivo), n);
  Comprobar(recuperacion::RecuperarMbx(archivo), n);
  // The first half read as the index of the second.
  Comprobar(recuperacion::RecuperarMbx(archivo.subspan(n / 2), archivo.first(n / 2)), n - n / 2);
  return 0;
}

}  // namespace orvex::fuzz
