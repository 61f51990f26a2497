// The part output object of an open message object: its own stream buffer collects one
// part's raw, still transfer-encoded lines and file name; Decodificado receives the decoded
// content. It carries the codecs of both encodings, sharing one state block per encoding.
#pragma once

#include <cstdint>

#include "soporte/buffer_flujo.h"
#include "mime/codecs.h"

namespace orvex {

class CL_SALIDA_PARTE : public CL_BUFFER_FLUJO,
                        public CL_CODIFICADOR_BASE64,
                        public CL_DECODIFICADOR_BASE64,
                        public CL_CODIFICADOR_QP,
                        public CL_DECODIFICADOR_QP {
 public:
  // Transfer-encoding codes that are decoded; every other code means the raw content.
  static constexpr uint32_t kModoBase64 = 1;
  static constexpr uint32_t kModoQP = 2;

  CL_SALIDA_PARTE();
  ~CL_SALIDA_PARTE() override;

  // Modo 0, then the stream buffer emptying of the raw base and of Decodificado.
  void Vaciar() override;

  // Modo 1 or 2: copies position, name and writable switch of the raw base into
  // Decodificado and appends the decoded raw content to it. Otherwise nothing. Returns 0.
  int DecodificarContenido();
  // Modo 1 or 2: replaces the raw content by the encoded form of Decodificado, taking
  // Decodificado's position, name and writable switch. Otherwise nothing. Returns 0.
  int CodificarContenido();
  // What the host sees as the part's content: Decodificado for Modo 1 or 2, else the raw
  // base.
  CL_BUFFER_FLUJO& Contenido();
  const CL_BUFFER_FLUJO& Contenido() const;

  uint32_t Modo() const { return modo_; }
  void FijarModo(uint32_t modo) { modo_ = modo; }
  CL_BUFFER_FLUJO& Decodificado() { return decodificado_; }
  const CL_BUFFER_FLUJO& Decodificado() const { return decodificado_; }

 private:
  uint32_t modo_ = 0;
  CL_BUFFER_FLUJO decodificado_{10000};
};

}  // namespace orvex
