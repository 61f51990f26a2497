// The subject refresh after a listing moved to the next message: the Subject of the message's
// own header block replaces whatever the store's index said.
#include <memory>
#include <new>

#include "mensaje/objeto_mensaje.h"
#include "mensaje/recorrido.h"
#include "mime/analizador.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::mensaje {

void RefrescarAsunto(OE_MENSAJE* mensaje) {
  if (mensaje == nullptr) return;
  std::unique_ptr<CL_ANALIZADOR_MIME> analizador;
  try {
    analizador.reset(new (std::nothrow) CL_ANALIZADOR_MIME());
  } catch (const CL_EXCEPCION_MEMORIA&) {
  } catch (const std::bad_alloc&) {
  }
  if (!analizador) return;
  LectorLineas lector(mensaje->Texto, mensaje->LongTexto);
  for (uint32_t pos = 0;;) {
    const uint32_t n = lector.Leer(pos);
    analizador->AnalizarLinea(lector.Linea());
    if (CuerpoAlcanzado(*analizador)) {
      CopiarAcotado(mensaje->Asunto, analizador->Asunto, sizeof mensaje->Asunto);
      return;
    }
    if (n == 0) return;
    pos += n;
  }
}

}  // namespace orvex::mensaje
