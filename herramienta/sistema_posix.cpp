#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "herramienta/sistema.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;

bool FijarEntorno(const std::string& nombre, const std::string& valor) {
  if (valor.empty()) return ::unsetenv(nombre.c_str()) == 0;
  return ::setenv(nombre.c_str(), valor.c_str(), 1) == 0;
}

std::string NombreMaquina() {
  char nombre[256] = {};
  if (::gethostname(nombre, sizeof nombre - 1) != 0) return "localhost";
  return nombre;
}

uint64_t IdProceso() { return static_cast<uint64_t>(::getpid()); }

std::string RutaAnsi(const fs::path& ruta) { return ruta.string(); }

bool ErrorEsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::FILE* CrearExclusivo(const fs::path& ruta, bool* existe) {
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

std::optional<CarpetaDestino> CarpetaDestino::Abrir(const fs::path& ruta) {
  const int fd = ::open(ruta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return CarpetaDestino(ruta, fd);
}

CarpetaDestino::CarpetaDestino(CarpetaDestino&& otra) noexcept
    : ruta_(std::move(otra.ruta_)), manejador_(otra.manejador_) {
  otra.manejador_ = -1;
}

CarpetaDestino& CarpetaDestino::operator=(CarpetaDestino&& otra) noexcept {
  if (this != &otra) {
    if (manejador_ >= 0) ::close(static_cast<int>(manejador_));
    ruta_ = std::move(otra.ruta_);
    manejador_ = otra.manejador_;
    otra.manejador_ = -1;
  }
  return *this;
}

CarpetaDestino::~CarpetaDestino() {
  if (manejador_ >= 0) ::close(static_cast<int>(manejador_));
}

CarpetaDestino::Resultado CarpetaDestino::Crear(const fs::path& nombre, std::string_view datos,
                                                std::optional<int64_t> segundos) const {
  const int fd = ::openat(static_cast<int>(manejador_), nombre.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EEXIST ? Resultado::kExiste : Resultado::kFallo;
  bool bien = true;
  while (bien && !datos.empty()) {
    const ssize_t n = ::write(fd, datos.data(), datos.size());
    if (n < 0 && errno == EINTR) continue;
    bien = n > 0;
    if (bien) datos.remove_prefix(static_cast<std::size_t>(n));
  }
  if (bien && segundos) {
    const struct timespec tiempos[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*segundos), 0}};
    ::futimens(fd, tiempos);  // a file that keeps its writing time is still written
  }
  if (::close(fd) != 0) bien = false;
  return bien ? Resultado::kCreado : Resultado::kFallo;
}

int EjecutarConEntrada(const std::string& orden, std::string_view datos, std::string* salida) {
  salida->clear();
  int entrada[2], resultado[2];
  if (::pipe2(entrada, O_CLOEXEC) != 0) return -1;
  if (::pipe2(resultado, O_CLOEXEC) != 0) {
    ::close(entrada[0]);
    ::close(entrada[1]);
    return -1;
  }
  const pid_t hijo = ::fork();
  if (hijo < 0) {
    for (int fd : {entrada[0], entrada[1], resultado[0], resultado[1]}) ::close(fd);
    return -1;
  }
  if (hijo == 0) {
    ::dup2(entrada[0], STDIN_FILENO);
    ::dup2(resultado[1], STDOUT_FILENO);
    ::execl("/bin/sh", "sh", "-c", orden.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(entrada[0]);
  ::close(resultado[1]);
  // A scanner that stops reading early must not kill the command with SIGPIPE.
  struct sigaction ignorar = {}, anterior = {};
  ignorar.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignorar, &anterior);
  // Feeding and reading at once, so a scanner that answers before it has read all cannot block us.
  std::thread escritor([fd = entrada[1], datos] {
    std::size_t hecho = 0;
    while (hecho < datos.size()) {
      const ssize_t n = ::write(fd, datos.data() + hecho, datos.size() - hecho);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      hecho += static_cast<std::size_t>(n);
    }
    ::close(fd);
  });
  char trozo[4096];
  while (true) {
    const ssize_t n = ::read(resultado[0], trozo, sizeof trozo);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    salida->append(trozo, static_cast<std::size_t>(n));
  }
  ::close(resultado[0]);
  escritor.join();
  ::sigaction(SIGPIPE, &anterior, nullptr);
  int estado = 0;
  while (::waitpid(hijo, &estado, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

namespace {

bool IgualesSinCaso(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<fs::path> RutaLocal(const std::string& ruta_biblioteca) {
  std::string resto = ruta_biblioteca;
  for (char& c : resto) {
    if (c == '\\') c = '/';
  }
  fs::path actual;
  if (resto.size() >= 2 && std::isalpha(static_cast<unsigned char>(resto[0])) && resto[1] == ':') {
    const std::string variable =
        std::string("ORVEX_DRIVE_") + static_cast<char>(std::toupper(static_cast<unsigned char>(resto[0])));
    const char* unidad = std::getenv(variable.c_str());
    if (unidad == nullptr || *unidad == '\0') return std::nullopt;
    actual = unidad;
    resto.erase(0, 2);
  } else if (!resto.empty() && resto[0] == '/') {
    actual = "/";
  } else {
    actual = ".";
  }
  std::size_t pos = 0;
  while (pos <= resto.size()) {
    std::size_t fin = resto.find('/', pos);
    if (fin == std::string::npos) fin = resto.size();
    const std::string componente = resto.substr(pos, fin - pos);
    pos = fin + 1;
    if (componente.empty() || componente == ".") continue;
    std::error_code ec;
    fs::path siguiente = actual / componente;
    if (!fs::exists(fs::symlink_status(siguiente, ec))) {
      bool hallado = false;
      for (fs::directory_iterator it(actual, ec), e; !ec && it != e; it.increment(ec)) {
        if (IgualesSinCaso(it->path().filename().string(), componente)) {
          siguiente = it->path();
          hallado = true;
          break;
        }
      }
      if (!hallado) return std::nullopt;
    }
    actual = siguiente;
  }
  return actual;
}

}  // namespace orvex::herramienta
