// A stream connection to a local daemon (a unix socket or a TCP port), for the scanner
// protocols the command speaks. Every step waits at most the timeout given at opening.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::herramienta {

// Where a daemon listens: "unix:PATH" or "tcp:HOST:PORT" (an IPv6 HOST in brackets).
struct DestinoRed {
  bool local = true;   // a unix socket
  std::string ruta;    // unix: the socket's path
  std::string anfitrion, puerto;
};

// The destination written as above, or empty with *error saying why.
std::optional<DestinoRed> LeerDestino(std::string_view texto, std::string* error);

// An open connection, closed when destroyed; move-only.
class Conexion {
 public:
  // A connected socket, or empty with *error (the system's reason).
  static std::optional<Conexion> Abrir(const DestinoRed& destino, int segundos, std::string* error);
  Conexion(Conexion&& otra) noexcept;
  Conexion& operator=(Conexion&& otra) noexcept;
  Conexion(const Conexion&) = delete;
  Conexion& operator=(const Conexion&) = delete;
  ~Conexion();

  // Sends all of datos; false with *error when the peer closed, on a timeout or a failure.
  bool Enviar(std::string_view datos, std::string* error);
  // True when the peer has written something or closed, without waiting.
  bool HayRespuesta();
  // Appends what the peer writes up to and without the byte fin, or up to its closing;
  // false with *error on a timeout, a failure, or more than maximo bytes.
  bool RecibirHasta(char fin, std::size_t maximo, std::string* respuesta, std::string* error);

 private:
  Conexion(std::intptr_t enchufe, int segundos) : enchufe_(enchufe), segundos_(segundos) {}
  void Cerrar();
  std::intptr_t enchufe_ = -1;
  int segundos_ = 0;
};

}  // namespace orvex::herramienta
