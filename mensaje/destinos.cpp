// The To addresses of a message, handed out one per call. The record keeps its own parser,
// which holds the captured addresses, so it does not depend on the message after mode 1.
#include <memory>
#include <new>

#include "mensaje/objeto_mensaje.h"
#include "mensaje/recorrido.h"
#include "mime/analizador.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::mensaje {

namespace {

CL_ANALIZADOR_MIME* AnalizadorDe(const OE_DESTINO* destino) {
  return static_cast<CL_ANALIZADOR_MIME*>(destino->Parser);
}

uint32_t AbrirDestinos(OE_MENSAJE* mensaje, OE_DESTINO** destino) {
  *destino = nullptr;
  BloqueMem<OE_DESTINO> d(static_cast<OE_DESTINO*>(MEM_Reservar(sizeof(OE_DESTINO))));
  if (!d) return OE_ERROR_MEMORIA;
  d->Tamano = OE_TAM_DESTINO;
  std::unique_ptr<CL_ANALIZADOR_MIME> analizador;
  try {
    analizador.reset(new (std::nothrow) CL_ANALIZADOR_MIME());
  } catch (const CL_EXCEPCION_MEMORIA&) {
  } catch (const std::bad_alloc&) {
  }
  if (!analizador) return OE_ERROR_MEMORIA;

  // The first content line that would be handed out lies past the outer header block.
  LectorLineas lector(mensaje->Texto, mensaje->LongTexto);
  for (uint32_t pos = 0;;) {
    const uint32_t n = lector.Leer(pos);
    analizador->AnalizarLinea(lector.Linea());
    if (ParteSeleccionada(*analizador) || n == 0) break;
    pos += n;
  }
  d->NumDestinos = analizador->Direcciones.NumPara;
  d->Parser = analizador.release();
  *destino = d.release();
  return OE_OK;
}

uint32_t SiguienteDestino(OE_DESTINO* d) {
  if (d->Indice >= d->NumDestinos) return OE_FIN;
  const CL_ANALIZADOR_MIME* analizador = AnalizadorDe(d);
  const LISTA_DIRECCIONES* lista = analizador == nullptr ? nullptr : &analizador->Direcciones;
  if (lista != nullptr && d->Indice < lista->NumPara && lista->Para[d->Indice] != nullptr) {
    CopiarAcotado(d->Destino, lista->Para[d->Indice], sizeof d->Destino);
  } else {
    d->Destino[0] = 0;
  }
  d->Indice += 1;
  return OE_OK;
}

uint32_t CerrarDestinos(OE_DESTINO** destino) {
  delete AnalizadorDe(*destino);
  (*destino)->Parser = nullptr;
  MEM_Liberar(*destino);
  *destino = nullptr;
  return OE_OK;
}

}  // namespace

uint32_t ObtenerDestinoMsg(OE_MENSAJE* mensaje, OE_DESTINO** destino, uint32_t modo) {
  if (destino == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO:
      if (mensaje == nullptr) return OE_ERROR_PARAM;
      return AbrirDestinos(mensaje, destino);
    case OE_SIGUIENTE:
    case OE_CERRAR:
      if (*destino == nullptr || (*destino)->Tamano != OE_TAM_DESTINO) return OE_ERROR_PARAM;
      return modo == OE_SIGUIENTE ? SiguienteDestino(*destino) : CerrarDestinos(destino);
    default:
      return OE_OK;
  }
}

}  // namespace orvex::mensaje
