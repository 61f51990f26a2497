#include "plataforma/archivos_abiertos_posix.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "plataforma/rutas_posix.h"

namespace orvex::plataforma::abiertos {
namespace {

constexpr std::size_t kMaxEntradas = 4;

struct Entrada {
  std::string clave;
  std::string nativa;
  int fd = -1;
  struct stat st {};
  uint32_t prestamos = 0;
  bool soltada = false;  // dropped while lent: closed at its last return
  uint64_t uso = 0;      // for dropping the least recently used
};

bool MismoArchivo(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && S_ISREG(b.st_mode) &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

class Tabla {
 public:
  int Prestar(const std::string& clave) {
    std::lock_guard<std::mutex> guarda(cerrojo_);
    for (std::size_t i = 0; i < entradas_.size(); ++i) {
      Entrada& e = entradas_[i];
      if (e.soltada || e.clave != clave) continue;
      struct stat ahora;
      if (::stat(e.nativa.c_str(), &ahora) != 0 || !MismoArchivo(e.st, ahora)) {
        Dejar(i);
        return -1;
      }
      ++e.prestamos;
      e.uso = ++reloj_;
      return e.fd;
    }
    return -1;
  }

  bool Guardar(const std::string& clave, const std::string& nativa, int fd, const struct stat& st) {
    std::lock_guard<std::mutex> guarda(cerrojo_);
    for (std::size_t i = 0; i < entradas_.size(); ++i) {
      if (!entradas_[i].soltada && entradas_[i].clave == clave) Dejar(i--);
    }
    if (Vivas() >= kMaxEntradas) {
      // The least recently used entry that nobody holds makes room.
      std::size_t elegida = entradas_.size();
      for (std::size_t i = 0; i < entradas_.size(); ++i) {
        const Entrada& e = entradas_[i];
        if (e.prestamos == 0 && (elegida == entradas_.size() || e.uso < entradas_[elegida].uso)) elegida = i;
      }
      if (elegida == entradas_.size()) return false;
      Dejar(elegida);
    }
    try {
      entradas_.push_back(Entrada{clave, nativa, fd, st, 1, false, ++reloj_});
    } catch (...) {
      return false;
    }
    return true;
  }

  void Devolver(int fd) {
    std::lock_guard<std::mutex> guarda(cerrojo_);
    for (std::size_t i = 0; i < entradas_.size(); ++i) {
      Entrada& e = entradas_[i];
      if (e.fd != fd || e.prestamos == 0) continue;
      if (--e.prestamos == 0 && e.soltada) Cerrar(i);
      return;
    }
  }

  void Soltar() {
    std::lock_guard<std::mutex> guarda(cerrojo_);
    for (std::size_t i = entradas_.size(); i-- > 0;) Dejar(i);
  }

 private:
  std::size_t Vivas() const {
    std::size_t n = 0;
    for (const Entrada& e : entradas_) n += e.soltada ? 0 : 1;
    return n;
  }
  // Drops entry i: closed now when nobody holds it, else at its last return.
  void Dejar(std::size_t i) {
    if (entradas_[i].prestamos == 0) {
      Cerrar(i);
    } else {
      entradas_[i].soltada = true;
    }
  }
  void Cerrar(std::size_t i) {
    ::close(entradas_[i].fd);
    entradas_.erase(entradas_.begin() + static_cast<std::ptrdiff_t>(i));
  }

  std::mutex cerrojo_;
  std::vector<Entrada> entradas_;
  uint64_t reloj_ = 0;
};

Tabla& LaTabla() {
  // Never destroyed: a host may close records from its own static destructors.
  static auto* tabla = new Tabla();
  return *tabla;
}

}  // namespace

std::optional<std::string> Clave(const std::string& ruta_windows) {
  auto base = rutas::BaseAbsoluta(ruta_windows);
  if (!base) return std::nullopt;
  std::string clave = *base;
  clave.push_back('\0');
  clave += ruta_windows;
  return clave;
}

int Prestar(const std::string& clave) { return LaTabla().Prestar(clave); }

bool Guardar(const std::string& clave, const std::string& nativa, int fd, const struct stat& st) {
  return LaTabla().Guardar(clave, nativa, fd, st);
}

void Devolver(int fd) { LaTabla().Devolver(fd); }

void Soltar() { LaTabla().Soltar(); }

}  // namespace orvex::plataforma::abiertos
