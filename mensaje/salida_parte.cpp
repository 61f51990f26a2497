#include "mensaje/salida_parte.h"

namespace orvex {

CL_SALIDA_PARTE::CL_SALIDA_PARTE() : CL_BUFFER_FLUJO(10000) {}

// Decodificado goes first, as a member, then the raw base.
CL_SALIDA_PARTE::~CL_SALIDA_PARTE() = default;

void CL_SALIDA_PARTE::Vaciar() {
  modo_ = 0;
  CL_BUFFER_FLUJO::Vaciar();
  decodificado_.Vaciar();
}

int CL_SALIDA_PARTE::DecodificarContenido() {
  if (modo_ != kModoBase64 && modo_ != kModoQP) return 0;
  decodificado_.CopiarEstado(*this);
  if (modo_ == kModoBase64) {
    CL_DECODIFICADOR_BASE64::Decodificar(*this, decodificado_);
  } else {
    CL_DECODIFICADOR_QP::Decodificar(*this, decodificado_);
  }
  return 0;
}

int CL_SALIDA_PARTE::CodificarContenido() {
  if (modo_ != kModoBase64 && modo_ != kModoQP) return 0;
  // Only the contents go: name, position and switch come from Decodificado just after.
  CL_BUFFER::Vaciar();
  CopiarEstado(decodificado_);
  if (modo_ == kModoBase64) {
    CL_CODIFICADOR_BASE64::Codificar(decodificado_, *this);
  } else {
    CL_CODIFICADOR_QP::Codificar(decodificado_, *this);
  }
  return 0;
}

CL_BUFFER_FLUJO& CL_SALIDA_PARTE::Contenido() {
  if (modo_ == kModoBase64 || modo_ == kModoQP) return decodificado_;
  return *this;
}

const CL_BUFFER_FLUJO& CL_SALIDA_PARTE::Contenido() const {
  if (modo_ == kModoBase64 || modo_ == kModoQP) return decodificado_;
  return *this;
}

}  // namespace orvex
