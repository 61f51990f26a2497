#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

#include "herramienta/conexion.h"

namespace orvex::herramienta {
namespace {

// Waits until the socket is ready for what is asked; false on a timeout.
bool Esperar(int fd, short eventos, int segundos) {
  pollfd p{fd, eventos, 0};
  int r;
  do {
    r = ::poll(&p, 1, segundos * 1000);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

// Connects a non-blocking socket within the timeout; the errno of the failure, or 0.
int Conectar(int fd, const sockaddr* direccion, socklen_t largo, int segundos) {
  if (::connect(fd, direccion, largo) == 0) return 0;
  // EAGAIN on a unix socket: the daemon's queue of connections is full.
  if (errno != EINPROGRESS) return errno;
  if (!Esperar(fd, POLLOUT, segundos)) return ETIMEDOUT;
  int fallo = 0;
  socklen_t l = sizeof fallo;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &fallo, &l) != 0) return errno;
  return fallo;
}

}  // namespace

std::optional<Conexion> Conexion::Abrir(const DestinoRed& destino, int segundos, std::string* error) {
  if (destino.local) {
    sockaddr_un d{};
    d.sun_family = AF_UNIX;
    if (destino.ruta.size() >= sizeof d.sun_path) {
      *error = "the socket's path is too long";
      return std::nullopt;
    }
    std::memcpy(d.sun_path, destino.ruta.data(), destino.ruta.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      *error = std::strerror(errno);
      return std::nullopt;
    }
    Conexion c(fd, segundos);
    if (const int e = Conectar(fd, reinterpret_cast<const sockaddr*>(&d), sizeof d, segundos); e != 0) {
      *error = std::strerror(e);
      return std::nullopt;
    }
    return c;
  }
  addrinfo pista{};
  pista.ai_family = AF_UNSPEC;
  pista.ai_socktype = SOCK_STREAM;
  addrinfo* lista = nullptr;
  if (const int e = ::getaddrinfo(destino.anfitrion.c_str(), destino.puerto.c_str(), &pista, &lista); e != 0) {
    *error = ::gai_strerror(e);
    return std::nullopt;
  }
  *error = "no address";
  std::optional<Conexion> hecha;
  for (const addrinfo* a = lista; a != nullptr && !hecha; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    Conexion c(fd, segundos);
    if (const int e = Conectar(fd, a->ai_addr, a->ai_addrlen, segundos); e != 0) {
      *error = std::strerror(e);
      continue;
    }
    hecha.emplace(std::move(c));
  }
  ::freeaddrinfo(lista);
  return hecha;
}

Conexion::Conexion(Conexion&& otra) noexcept : enchufe_(otra.enchufe_), segundos_(otra.segundos_) {
  otra.enchufe_ = -1;
}

Conexion& Conexion::operator=(Conexion&& otra) noexcept {
  if (this != &otra) {
    Cerrar();
    enchufe_ = otra.enchufe_;
    segundos_ = otra.segundos_;
    otra.enchufe_ = -1;
  }
  return *this;
}

Conexion::~Conexion() { Cerrar(); }

void Conexion::Cerrar() {
  if (enchufe_ >= 0) ::close(static_cast<int>(enchufe_));
  enchufe_ = -1;
}

bool Conexion::Enviar(std::string_view datos, std::string* error) {
  const int fd = static_cast<int>(enchufe_);
  while (!datos.empty()) {
    // MSG_NOSIGNAL: a daemon that hangs up is an error here, not the end of the process.
    const ssize_t n = ::send(fd, datos.data(), datos.size(), MSG_NOSIGNAL);
    if (n > 0) {
      datos.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!Esperar(fd, POLLOUT, segundos_)) {
        *error = "timed out after " + std::to_string(segundos_) + " s while sending";
        return false;
      }
    } else {
      *error = std::strerror(errno);
      return false;
    }
  }
  return true;
}

bool Conexion::HayRespuesta() { return Esperar(static_cast<int>(enchufe_), POLLIN, 0); }

bool Conexion::RecibirHasta(char fin, std::size_t maximo, std::string* respuesta, std::string* error) {
  const int fd = static_cast<int>(enchufe_);
  char trozo[512];
  for (;;) {
    if (!Esperar(fd, POLLIN, segundos_)) {
      *error = "timed out after " + std::to_string(segundos_) + " s waiting for the reply";
      return false;
    }
    const ssize_t n = ::recv(fd, trozo, sizeof trozo, 0);
    if (n == 0) return true;
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n < 0) {
      *error = std::strerror(errno);
      return false;
    }
    const std::string_view leido(trozo, static_cast<std::size_t>(n));
    const std::size_t corte = leido.find(fin);
    respuesta->append(leido.substr(0, corte));
    if (corte != std::string_view::npos) return true;
    if (respuesta->size() > maximo) {
      *error = "the reply is longer than " + std::to_string(maximo) + " bytes";
      return false;
    }
  }
}

}  // namespace orvex::herramienta
