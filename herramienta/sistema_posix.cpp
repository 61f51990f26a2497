#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "herramienta/sistema.h"

namespace orvex::herramienta {

bool FijarEntorno(const std::string& nombre, const std::string& valor) {
  if (valor.empty()) return ::unsetenv(nombre.c_str()) == 0;
  return ::setenv(nombre.c_str(), valor.c_str(), 1) == 0;
}

bool ErrorEsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::FILE* CrearExclusivo(const std::filesystem::path& ruta, bool* existe) {
  *existe = false;
  const int fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    *existe = errno == EEXIST;
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) ::close(fd);
  return f;
}

int EjecutarConEntrada(const std::string& orden, std::string_view datos) {
  int tubo[2];
  if (::pipe(tubo) != 0) return -1;
  const pid_t hijo = ::fork();
  if (hijo < 0) {
    ::close(tubo[0]);
    ::close(tubo[1]);
    return -1;
  }
  if (hijo == 0) {
    ::dup2(tubo[0], STDIN_FILENO);
    ::close(tubo[0]);
    ::close(tubo[1]);
    ::execl("/bin/sh", "sh", "-c", orden.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(tubo[0]);
  // A scanner that stops reading early must not kill the command with SIGPIPE.
  struct sigaction ignorar = {}, anterior = {};
  ignorar.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignorar, &anterior);
  std::size_t hecho = 0;
  while (hecho < datos.size()) {
    const ssize_t n = ::write(tubo[1], datos.data() + hecho, datos.size() - hecho);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    hecho += static_cast<std::size_t>(n);
  }
  ::close(tubo[1]);
  ::sigaction(SIGPIPE, &anterior, nullptr);
  int estado = 0;
  while (::waitpid(hijo, &estado, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

}  // namespace orvex::herramienta
