// A client of ClamAV's scanning daemon: each content goes over its INSTREAM command
// ("zINSTREAM\0", chunks each led by its size as 4 bytes big-endian, a zero size to end).
#pragma once

#include <string>
#include <string_view>

#include "herramienta/conexion.h"

namespace orvex::herramienta {

struct VeredictoClamd {
  enum class Tipo { kLimpio, kHallado, kError };
  Tipo tipo = Tipo::kError;
  std::string texto;  // kHallado: the signature's name; kError: why there is no verdict
};

// The verdict in a reply such as "stream: OK", "stream: Eicar-Test FOUND" or
// "INSTREAM size limit exceeded. ERROR" (without its closing NUL).
VeredictoClamd LeerRespuestaClamd(std::string_view respuesta);

class ClienteClamd {
 public:
  ClienteClamd(DestinoRed destino, int segundos) : destino_(std::move(destino)), segundos_(segundos) {}

  // Empty when the daemon answers PING with PONG, else why not.
  std::string Probar() const;
  // One connection per content, so a daemon that restarts is found again for the next one.
  VeredictoClamd Escanear(std::string_view contenido) const;

 private:
  DestinoRed destino_;
  int segundos_;
};

}  // namespace orvex::herramienta
