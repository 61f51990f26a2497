// Reopening one part of a stored message from a reference the host kept: find the folder by
// its entry id, position a listing on the message, and drive a message object to the part.
#include <cstring>

#include "nucleo/estado.h"
#include "mensaje/objeto_interno.h"
#include "mensaje/objeto_mensaje.h"

namespace orvex::mensaje {

namespace {

// The folder found by entry id never outlives the lookup, whatever way it ends.
class CarpetaTemporal {
 public:
  CarpetaTemporal() = default;
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
  ~CarpetaTemporal() {
    if (carpeta_ == nullptr) return;
    try {
      OE_ObtenerCarpetaDeEntryID(&id_, &carpeta_, OE_CERRAR);
    } catch (...) {
      // Freeing allocates nothing; a failure here must not replace the one in flight.
    }
  }

  uint32_t Abrir(const OE_REF_ADJUNTO& referencia) {
    id_.IdCarpeta = referencia.IdCarpeta;
    id_.PosCarpeta = referencia.PosCarpeta;
    return OE_ObtenerCarpetaDeEntryID(&id_, &carpeta_, OE_PRIMERO);
  }
  OE_CARPETA* Carpeta() const { return carpeta_; }

 private:
  OE_ENTRYID id_{};
  OE_CARPETA* carpeta_ = nullptr;
};

uint32_t PosicionarMensaje(const OE_REF_ADJUNTO& referencia, OE_CARPETA* carpeta, OE_MENSAJE* mensaje) {
  return EnCurso(&Generacion::PosicionarMensaje, &referencia, carpeta, mensaje);
}

bool EsLaParte(const OE_OBJMSG& objeto, const OE_REF_ADJUNTO& referencia) {
  return objeto.NumParte == referencia.NumParte &&
         std::strncmp(objeto.NombreAdjunto, referencia.NombreAdjunto, sizeof referencia.NombreAdjunto) == 0;
}

uint32_t BuscarAdjunto(const OE_REF_ADJUNTO& referencia, OE_MENSAJE** mensaje, OE_OBJMSG** objeto) {
  CarpetaTemporal carpeta;
  if (carpeta.Abrir(referencia) != OE_OK) return OE_ERROR;
  if (OE_ObtenerMensajes(carpeta.Carpeta(), mensaje, OE_PRIMERO) != OE_OK || *mensaje == nullptr) return OE_ERROR;
  if (PosicionarMensaje(referencia, carpeta.Carpeta(), *mensaje) != OE_OK) return OE_ERROR;
  if (AbrirObjeto(*mensaje, objeto) != OE_OK) return OE_ERROR;
  // Each call consumes at least the lines of the part it hands out, so this ends.
  while (SiguienteParte(*mensaje, objeto) == OE_OK) {
    if (EsLaParte(**objeto, referencia)) return OE_OK;
  }
  return OE_ERROR;
}

// Stands in for the folder that the listing had: closing a listing reads no folder field
// beyond its tag and message count.
OE_CARPETA CarpetaParaCerrar(const OE_MENSAJE& mensaje) {
  OE_CARPETA carpeta{};
  carpeta.Tamano = OE_TAM_CARPETA;
  carpeta.IdCarpeta = mensaje.IdCarpeta;
  carpeta.PosCarpeta = mensaje.PosCarpeta;
  carpeta.NumMensajes = 1;
  return carpeta;
}

uint32_t CerrarAdjunto(OE_MENSAJE** mensaje, OE_OBJMSG** objeto) {
  // The rest of the parts go by, so that a part saved after the reopening is written back.
  while (*objeto != nullptr && OE_ObtenerObjMsg(*mensaje, objeto, OE_SIGUIENTE) == OE_OK) {
  }
  if (*objeto != nullptr && (*objeto)->Tamano == OE_TAM_OBJMSG) CerrarObjeto(objeto);
  if (*mensaje == nullptr || (*mensaje)->Tamano != OE_TAM_MENSAJE) return OE_ERROR_PARAM;
  OE_CARPETA carpeta = CarpetaParaCerrar(**mensaje);
  return OE_ObtenerMensajes(&carpeta, mensaje, OE_CERRAR);
}

}  // namespace

uint32_t ObtenerAttachMensaje(OE_REF_ADJUNTO* referencia, OE_MENSAJE** mensaje, OE_OBJMSG** objeto,
                              uint32_t modo) {
  if (mensaje == nullptr || objeto == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO:
      if (referencia == nullptr) return OE_ERROR_PARAM;
      return BuscarAdjunto(*referencia, mensaje, objeto);
    case OE_CERRAR:
      return CerrarAdjunto(mensaje, objeto);
    default:
      return OE_OK;
  }
}

}  // namespace orvex::mensaje
