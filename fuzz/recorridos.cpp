#include "fuzz/recorridos.h"

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "fuzz/objetivos.h"
#include "soporte/buffer_flujo.h"
#include "mensaje/objeto_interno.h"
#include "mime/analizador.h"

namespace orvex::fuzz {
namespace {

template <std::size_t N>
bool Terminado(const char (&texto)[N]) {
  return std::memchr(texto, 0, N) != nullptr;
}

void AjustarSeleccion(CL_ANALIZADOR_MIME& a, uint8_t flags, uint8_t apagados) {
  a.FiltroNivel = (flags >> 1) & 3u;
  uint32_t* interruptores[] = {&a.ExtraerTextPlain, &a.ExtraerTextHtml, &a.ExtraerOctetStream, &a.ExtraerImage,
                               &a.ExtraerAudio,     &a.ExtraerVideo,    &a.ExtraerOtros};
  for (std::size_t k = 0; k < std::size(interruptores); ++k) {
    if (apagados & (1u << k)) *interruptores[k] = 0;
  }
}

// Reads the first and last byte so that ASan checks the stated length is real memory.
void Tocar(const CL_BUFFER& b) {
  if (b.Longitud() == 0) return;
  volatile char primero = b.Datos()[0];
  volatile char ultimo = b.Datos()[b.Longitud() - 1];
  (void)primero;
  (void)ultimo;
}

}  // namespace

void RecorrerPartes(OE_MENSAJE* mensaje, uint8_t flags, uint8_t apagados) {
  OE_OBJMSG* objeto = nullptr;
  if (OE_ObtenerObjMsg(mensaje, &objeto, OE_PRIMERO) != OE_OK) {
    Exigir(objeto == nullptr);
    return;
  }
  AjustarSeleccion(*mensaje::AnalizadorDe(objeto), flags, apagados);
  // Every part handed out ends at least one line further on: more parts than bytes is a loop.
  const uint64_t max_partes = uint64_t{mensaje->LongTexto} + 2;
  for (uint64_t partes = 0;; ++partes) {
    Exigir(partes <= max_partes);
    const uint32_t r = OE_ObtenerObjMsg(mensaje, &objeto, OE_SIGUIENTE);
    if (r != OE_OK) {
      Exigir(r == OE_FIN && objeto == nullptr);
      break;
    }
    Exigir(Terminado(objeto->NombreAdjunto) && Terminado(objeto->NombreParte));
    Exigir(objeto->PosSigParte <= mensaje->LongTexto);
    if (objeto->Contenido != nullptr) Tocar(*static_cast<const CL_BUFFER_FLUJO*>(objeto->Contenido));
    if (flags & 8) {
      Exigir(OE_ObtenerObjMsg(mensaje, &objeto, OE_CERRAR) == OE_OK && objeto == nullptr);
      break;
    }
  }
  Exigir(Terminado(mensaje->Asunto) && Terminado(mensaje->De) && Terminado(mensaje->DeMime));
}

void RecorrerDestinos(OE_MENSAJE* mensaje) {
  OE_DESTINO* destino = nullptr;
  if (OE_ObtenerDestinoMsg(mensaje, &destino, OE_PRIMERO) != OE_OK) {
    Exigir(destino == nullptr);
    return;
  }
  const uint32_t num = destino->NumDestinos;
  uint32_t vistos = 0;
  uint32_t r;
  while ((r = OE_ObtenerDestinoMsg(mensaje, &destino, OE_SIGUIENTE)) == OE_OK) {
    Exigir(++vistos <= num);
    Exigir(Terminado(destino->Destino));
  }
  Exigir(r == OE_FIN && vistos == num);
  Exigir(OE_ObtenerDestinoMsg(mensaje, &destino, OE_CERRAR) == OE_OK && destino == nullptr);
}

void CambiarPartes(OE_MENSAJE* m, uint32_t acciones, bool sustituir_por_nada) {
  static constexpr char kSustituto[] = "Replacement content.\r\n";
  OE_OBJMSG* o = nullptr;
  if (OE_ObtenerObjMsg(m, &o, OE_PRIMERO) != OE_OK) return;
  for (uint32_t k = 0; k < 2000; ++k) {
    const uint32_t r = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE);
    if (r != OE_OK) {
      Exigir(o == nullptr);
      return;
    }
    const uint32_t accion = (acciones >> (2 * (k % 16))) & 3u;
    if (accion == ACCION_SUSTITUIR && o->Contenido != nullptr) {
      auto* contenido = static_cast<CL_BUFFER_FLUJO*>(o->Contenido);
      contenido->FijarLongitud(0);
      if (!sustituir_por_nada) contenido->Escribir(kSustituto, sizeof kSustituto - 1);
    }
    (void)OE_GuardarObjMsg(m, o, accion);
  }
  Exigir(OE_ObtenerObjMsg(m, &o, OE_CERRAR) == OE_OK);
}

}  // namespace orvex::fuzz
