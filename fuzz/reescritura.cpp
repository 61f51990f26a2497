#include "fuzz/reescritura.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/objetivos.h"
#include "fuzz/recorridos.h"

namespace orvex::fuzz {

bool LeerPedido(const uint8_t* datos, std::size_t n, Pedido* pedido) {
  if (n < kLongPedido) return false;
  pedido->mensaje = datos[0];
  pedido->acciones = uint32_t{datos[1]} | uint32_t{datos[2]} << 8 | uint32_t{datos[3]} << 16 | uint32_t{datos[4]} << 24;
  pedido->por_nada = (datos[5] & 1) != 0;
  pedido->archivo = datos + kLongPedido;
  pedido->n_archivo = n - kLongPedido;
  return true;
}

void ReescribirVallado(uint32_t id_carpeta, uint32_t pos_carpeta, const Pedido& pedido, const Vallar& vallar) {
  const std::vector<Listado> antes = MensajesListados(id_carpeta, pos_carpeta);
  if (antes.empty()) return;
  const std::size_t elegido = pedido.mensaje % antes.size();

  std::vector<ArchivoVallado> vallados;
  OE_ENTRYID e{id_carpeta, pos_carpeta};
  OE_CARPETA* carpeta = nullptr;
  Exigir(OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_PRIMERO) == OE_OK);
  OE_MENSAJE* m = nullptr;
  if (OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO) == OE_OK) {
    std::size_t enteros = 0;
    for (int paso = 0; paso < 2000; ++paso) {
      const uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
      if (r == OE_ERROR) continue;
      if (r != OE_OK) break;
      if (enteros++ < elegido) continue;
      // The same listing gives the same messages: the picked one is the one counted before.
      Exigir(m->IdMensaje == antes[elegido].id);
      vallados = vallar(*m);
      for (const ArchivoVallado& v : vallados) Exigir(!v.antes.empty());  // a file it listed from
      CambiarPartes(m, pedido.acciones, pedido.por_nada);
      break;
    }
  }
  if (m != nullptr) Exigir(OE_ObtenerMensajes(carpeta, &m, OE_CERRAR) == OE_OK);
  Exigir(OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_CERRAR) == OE_OK);

  const std::string fuera = CambioFuera(vallados);
  if (!fuera.empty()) std::fprintf(stderr, "write-back changed %s, outside its fence\n", fuera.c_str());
  Exigir(fuera.empty());
  const std::vector<Listado> despues = MensajesListados(id_carpeta, pos_carpeta);
  if (!MismosOtros(antes, elegido, despues)) {
    std::fprintf(stderr, "the folder listed other messages after the write-back of message %u:", antes[elegido].id);
    for (const Listado& l : antes) std::fprintf(stderr, " %u (%zu bytes)", l.id, l.texto.size());
    std::fprintf(stderr, " ->");
    for (const Listado& l : despues) std::fprintf(stderr, " %u (%zu bytes)", l.id, l.texto.size());
    std::fprintf(stderr, "\n");
    std::abort();
  }
}

}  // namespace orvex::fuzz
