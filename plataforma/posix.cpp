// The POSIX backend: files through pread/pwrite, the registry from the source the host installed
// or else a regedit export named by ORVEX_REGISTRY, drives from ORVEX_DRIVE_X, regions through mmap.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <span>
#include <utility>

#include "plataforma/archivos_abiertos_posix.h"
#include "plataforma/disco.h"
#include "plataforma/origen_archivos.h"
#include "plataforma/origen_exportacion.h"
#include "plataforma/plataforma.h"
#include "plataforma/registro_archivo.h"
#include "plataforma/rutas_posix.h"

extern char** environ;

namespace orvex::plataforma {

static_assert(sizeof(off_t) == 8, "file positions must be 64-bit (_FILE_OFFSET_BITS=64)");

namespace {

// Reads and writes go in pieces no larger than this so a count never exceeds ssize_t.
constexpr std::size_t kTrozoMaximo = std::size_t{1} << 30;
constexpr uint64_t kPosicionMaxima = static_cast<uint64_t>(std::numeric_limits<off_t>::max());

int AbrirNativo(const std::string& ruta, int banderas) {
  int fd;
  do {
    fd = ::open(ruta.c_str(), banderas | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void CerrarNativo(int fd) { ::close(fd); }

// Opens a regular file only: a folder, a device or a pipe is not a store file.
int AbrirArchivoRegular(const std::string& ruta, int banderas, struct stat* st) {
  int fd = AbrirNativo(ruta, banderas);
  if (fd < 0) return -1;
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    CerrarNativo(fd);
    return -1;
  }
  int estado = ::fcntl(fd, F_GETFL);
  if (estado >= 0) ::fcntl(fd, F_SETFL, estado & ~O_NONBLOCK);
  return fd;
}

}  // namespace

// ---------------------------------------------------------------------------------- Archivo

std::optional<Archivo> Archivo::AbrirEnDisco(const std::string& ruta, Modo modo) {
  std::optional<std::string> clave;
  if (modo == Modo::kLectura) {
    clave = abiertos::Clave(ruta);
    if (clave) {
      const int fd = abiertos::Prestar(*clave);
      if (fd >= 0) return Archivo(fd, true);
    }
  } else {
    abiertos::Soltar();  // a file about to change is read afresh afterwards
  }
  auto nativa = rutas::RutaNativa(ruta);
  if (!nativa) return std::nullopt;
  struct stat st;
  int fd = AbrirArchivoRegular(*nativa, modo == Modo::kLectura ? O_RDONLY : O_RDWR, &st);
  if (fd < 0) return std::nullopt;
  if (clave && abiertos::Guardar(*clave, *nativa, fd, st)) return Archivo(fd, true);
  return Archivo(fd);
}

void SoltarArchivosAbiertos() { abiertos::Soltar(); }

Archivo::Archivo(intptr_t manejador, bool prestado) : manejador_(manejador), prestado_(prestado) {}

Archivo::Archivo(std::unique_ptr<ArchivoDeOrigen> externo) : manejador_(-1), prestado_(false), externo_(std::move(externo)) {}

Archivo::Archivo(Archivo&& otro) noexcept
    : manejador_(otro.manejador_), prestado_(otro.prestado_), externo_(std::move(otro.externo_)) {
  otro.manejador_ = -1;
}

Archivo& Archivo::operator=(Archivo&& otro) noexcept {
  if (this != &otro) {
    Cerrar();
    manejador_ = otro.manejador_;
    prestado_ = otro.prestado_;
    externo_ = std::move(otro.externo_);
    otro.manejador_ = -1;
  }
  return *this;
}

Archivo::~Archivo() { Cerrar(); }

void Archivo::Cerrar() noexcept {
  externo_.reset();
  if (manejador_ >= 0) {
    if (prestado_) {
      abiertos::Devolver(static_cast<int>(manejador_));
    } else {
      CerrarNativo(static_cast<int>(manejador_));
    }
  }
  manejador_ = -1;
}

bool Archivo::LeerEnDisco(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const {
  std::size_t total = 0;
  bool ok = manejador_ >= 0 && pos <= kPosicionMaxima;
  auto* bytes = static_cast<unsigned char*>(destino);
  while (ok && total < n) {
    if (total > kPosicionMaxima - pos) break;  // Nothing lies beyond the largest position.
    std::size_t trozo = std::min(n - total, kTrozoMaximo);
    ssize_t r = ::pread(static_cast<int>(manejador_), bytes + total, trozo, static_cast<off_t>(pos + total));
    if (r < 0) {
      if (errno == EINTR) continue;
      ok = false;
    } else if (r == 0) {
      break;
    } else {
      total += static_cast<std::size_t>(r);
    }
  }
  *leidos = total;
  return ok;
}

bool Archivo::Escribir(uint64_t pos, const void* origen, std::size_t n) {
  if (DebeFallar(Operacion::kEscribir) || manejador_ < 0 || externo_) return false;
  if (pos > kPosicionMaxima || n > kPosicionMaxima - pos) return false;
  const auto* bytes = static_cast<const unsigned char*>(origen);
  std::size_t total = 0;
  while (total < n) {
    std::size_t trozo = std::min(n - total, kTrozoMaximo);
    ssize_t r = ::pwrite(static_cast<int>(manejador_), bytes + total, trozo, static_cast<off_t>(pos + total));
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) return false;
    total += static_cast<std::size_t>(r);
  }
  return true;
}

std::optional<uint64_t> Archivo::Tamano() const {
  if (externo_) return externo_->Tamano();
  struct stat st;
  if (manejador_ < 0 || ::fstat(static_cast<int>(manejador_), &st) != 0 || st.st_size < 0) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

// ------------------------------------------------------------------------------ Directories

std::vector<std::string> ListarEnDisco(const std::string& directorio, const std::string& patron) {
  std::vector<std::string> nombres;
  auto nativa = rutas::RutaNativa(directorio);
  if (!nativa) return nombres;
  DIR* dir = ::opendir(nativa->c_str());
  if (dir == nullptr) return nombres;
  std::string base = *nativa;
  if (base.back() != '/') base.push_back('/');
  while (const dirent* e = ::readdir(dir)) {
    std::string nombre = e->d_name;
    if (nombre == "." || nombre == ".." || !rutas::CoincidePatron(nombre, patron)) continue;
    struct stat st;
    if (::stat((base + nombre).c_str(), &st) == 0 && S_ISREG(st.st_mode)) nombres.push_back(std::move(nombre));
  }
  ::closedir(dir);
  // readdir's order depends on the file system; the library's results must not.
  std::sort(nombres.begin(), nombres.end(), [](const std::string& a, const std::string& b) {
    std::string ma = registro::Mayusculas(a), mb = registro::Mayusculas(b);
    return ma != mb ? ma < mb : a < b;
  });
  return nombres;
}

bool ExisteEnDisco(const std::string& ruta) {
  auto nativa = rutas::RutaNativa(ruta);
  struct stat st;
  return nativa && ::stat(nativa->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// --------------------------------------------------------------------------------- Registry

namespace {

// Larger files are taken for something that is not a registry export.
constexpr off_t kTamanoMaximoRegistro = off_t{64} << 20;

std::shared_ptr<const registro::Registro> RegistroVacio() {
  static const auto vacio = std::make_shared<const registro::Registro>();
  return vacio;
}

// The last file parsed, reused only when the file still holds the very same bytes: every
// open reads the file afresh, but a large export is not parsed again for each key.
struct Cache {
  std::vector<uint8_t> bytes;
  std::shared_ptr<const registro::Registro> registro;
};
std::mutex g_cerrojo_cache;

std::shared_ptr<const registro::Registro> CargarRegistro() {
  const char* ruta = std::getenv("ORVEX_REGISTRY");
  if (ruta == nullptr || *ruta == '\0') return RegistroVacio();
  struct stat st;
  int fd = AbrirArchivoRegular(ruta, O_RDONLY, &st);
  if (fd < 0) return RegistroVacio();
  if (st.st_size > kTamanoMaximoRegistro) {
    CerrarNativo(fd);
    return RegistroVacio();
  }
  std::vector<uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  std::size_t total = 0;
  while (total < bytes.size()) {
    ssize_t r = ::pread(fd, bytes.data() + total, bytes.size() - total, static_cast<off_t>(total));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    total += static_cast<std::size_t>(r);
  }
  CerrarNativo(fd);
  bytes.resize(total);

  static Cache cache;
  std::lock_guard<std::mutex> guarda(g_cerrojo_cache);
  if (!cache.registro || cache.bytes != bytes) {
    try {
      cache.registro = std::make_shared<const registro::Registro>(registro::AnalizarRegistro(bytes));
      cache.bytes = std::move(bytes);
    } catch (const std::bad_alloc&) {
      // A registry too big for memory reads as absent, like any other unreadable one.
      cache = Cache{};
      return RegistroVacio();
    }
  }
  return cache.registro;
}

}  // namespace

struct ClaveRegistro::Impl {
  std::shared_ptr<const OrigenRegistro> origen;
  std::unique_ptr<ClaveDeOrigen> clave;
};

ClaveRegistro::ClaveRegistro(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ClaveRegistro::ClaveRegistro(ClaveRegistro&&) noexcept = default;
ClaveRegistro& ClaveRegistro::operator=(ClaveRegistro&&) noexcept = default;
ClaveRegistro::~ClaveRegistro() = default;

std::optional<ClaveRegistro> ClaveRegistro::Abrir(Raiz raiz, const std::string& ruta) {
  auto impl = std::make_unique<Impl>();
  impl->origen = OrigenRegistroInstalado();
  if (!impl->origen) impl->origen = OrigenDeExportacion(CargarRegistro());
  impl->clave = impl->origen->AbrirClave(raiz, ruta);
  if (!impl->clave) return std::nullopt;
  return ClaveRegistro(std::move(impl));
}

bool ClaveRegistro::ConsultarValor(const std::string& nombre, uint32_t* tamano, uint32_t* tipo) const {
  return impl_ && impl_->clave->ConsultarValor(nombre, tamano, tipo);
}

bool ClaveRegistro::LeerValor(const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) const {
  return impl_ && impl_->clave->LeerValor(nombre, destino, capacidad, tamano);
}

bool ClaveRegistro::EnumerarSubclave(uint32_t indice, std::string* nombre) const {
  return impl_ && impl_->clave->EnumerarSubclave(indice, nombre);
}

// ------------------------------------------------------------------------------ Environment

namespace {

// Windows looks environment names up without regard to case.
const char* BuscarVariable(const std::string& nombre) {
  if (nombre.empty()) return nullptr;
  if (const char* valor = std::getenv(nombre.c_str())) return valor;
  std::string buscado = registro::Mayusculas(nombre);
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    const char* igual = std::strchr(*e, '=');
    if (igual == nullptr) continue;
    if (registro::Mayusculas(std::string_view(*e, static_cast<std::size_t>(igual - *e))) == buscado) return igual + 1;
  }
  return nullptr;
}

}  // namespace

std::string ExpandirEntorno(const std::string& texto) {
  std::string salida;
  std::size_t i = 0;
  while (i < texto.size()) {
    std::size_t abre = texto.find('%', i);
    if (abre == std::string::npos) {
      salida.append(texto, i, std::string::npos);
      break;
    }
    salida.append(texto, i, abre - i);
    std::size_t cierra = texto.find('%', abre + 1);
    if (cierra == std::string::npos) {
      salida.append(texto, abre, std::string::npos);
      break;
    }
    if (const char* valor = BuscarVariable(texto.substr(abre + 1, cierra - abre - 1))) {
      salida.append(valor);
      i = cierra + 1;
    } else {
      // Unknown: kept as written, and its closing '%' may open the next name.
      salida.append(texto, abre, cierra - abre);
      i = cierra;
    }
  }
  return salida;
}

// ------------------------------------------------------------------------------- Free space

std::optional<uint64_t> EspacioLibre(const std::string& ruta) {
  const GanchosPrueba& g = Ganchos();
  if (g.espacio_desconocido) return std::nullopt;
  if (g.espacio_libre) return g.espacio_libre;
  std::string carpeta;
  if (auto archivo = rutas::RutaNativaNueva(ruta)) {
    std::size_t barra = archivo->rfind('/');
    carpeta = barra == std::string::npos ? "." : barra == 0 ? "/" : archivo->substr(0, barra);
  } else if (auto directorio = rutas::RutaNativa(ruta)) {
    carpeta = *directorio;
  } else {
    return std::nullopt;
  }
  struct statvfs sv;
  if (::statvfs(carpeta.c_str(), &sv) != 0) return std::nullopt;
  return static_cast<uint64_t>(sv.f_bavail) * static_cast<uint64_t>(sv.f_frsize);
}

// ------------------------------------------------------------------------------------- Time

namespace {

// localtime_r does not notice a change of TZ by itself, and tzset looks at the zone file
// again on every call: it runs only when TZ has changed since the last date.
void VigilarZonaHoraria() {
  static std::mutex cerrojo;
  static std::optional<std::string> ultima;
  static bool iniciada = false;
  const char* tz = std::getenv("TZ");
  std::optional<std::string> ahora;
  if (tz != nullptr) ahora = tz;
  std::lock_guard<std::mutex> guarda(cerrojo);
  if (iniciada && ahora == ultima) return;
  ::tzset();
  ultima = std::move(ahora);
  iniciada = true;
}

}  // namespace

std::optional<FechaLocal> FileTimeALocal(uint64_t filetime) {
  // FileTimeToSystemTime refuses values with the top bit set.
  if (filetime >= (uint64_t{1} << 63)) return std::nullopt;
  constexpr int64_t kSegundos1601A1970 = 11644473600;
  int64_t segundos = static_cast<int64_t>(filetime / 10000000u) - kSegundos1601A1970;
  time_t t = static_cast<time_t>(segundos);
  if (static_cast<int64_t>(t) != segundos) return std::nullopt;
  VigilarZonaHoraria();
  struct tm local;
  if (::localtime_r(&t, &local) == nullptr) return std::nullopt;
  int64_t anio = static_cast<int64_t>(local.tm_year) + 1900;
  if (anio < 1601 || anio > 30828) return std::nullopt;
  return FechaLocal{static_cast<uint16_t>(anio), static_cast<uint16_t>(local.tm_mon + 1),
                    static_cast<uint16_t>(local.tm_mday), static_cast<uint16_t>(local.tm_hour),
                    static_cast<uint16_t>(local.tm_min), static_cast<uint16_t>(std::min(local.tm_sec, 59))};
}

// ---------------------------------------------------------------------------------- Regions

namespace {

struct Region {
  std::size_t tamano;
  std::size_t confirmado;  // pages already readable and writable
};
using MapaRegiones = std::map<uintptr_t, Region>;
std::mutex g_cerrojo_regiones;

// Regions from this size on hold at least one whole 2 MB huge page wherever they start.
constexpr std::size_t kRegionGrande = std::size_t{4} << 20;
constexpr std::size_t kPasoGrande = std::size_t{2} << 20;

// Reserved and committed size of each region by base address: the caller owns every byte of
// a region, so they cannot live inside it. Never destroyed, since blocks may be released from static
// destructors that run after this unit's.
MapaRegiones& Regiones() {
  alignas(MapaRegiones) static unsigned char almacen[sizeof(MapaRegiones)];
  static MapaRegiones* mapa = ::new (static_cast<void*>(almacen)) MapaRegiones();
  return *mapa;
}

std::size_t RedondearAPagina(std::size_t n) {
  static const std::size_t pagina = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return n > std::numeric_limits<std::size_t>::max() - (pagina - 1) ? 0 : (n + pagina - 1) / pagina * pagina;
}

}  // namespace

void* ReservarRegion(std::size_t tamano) {
  if (DebeFallar(Operacion::kRegion) || tamano == 0) return nullptr;
  // A large region is backed by huge pages where the system allows it: its pages are then
  // faulted in 2 MB at a time instead of 4 KB (a large message part otherwise costs thousands of
  // faults). Linux gives none to a mapping made without reserve, so only the small ones are; a
  // region is accounted only for what is committed anyway, as it is made writable. The advice is
  // only advice: refused or ignored, the region works as before.
  const bool grande = tamano >= kRegionGrande;
  void* base = ::mmap(nullptr, tamano, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | (grande ? 0 : MAP_NORESERVE), -1, 0);
  if (base == MAP_FAILED) return nullptr;
  if (grande) ::madvise(base, tamano, MADV_HUGEPAGE);
  try {
    std::lock_guard<std::mutex> guarda(g_cerrojo_regiones);
    Regiones()[reinterpret_cast<uintptr_t>(base)] = Region{tamano, 0};
  } catch (const std::bad_alloc&) {
    ::munmap(base, tamano);
    return nullptr;
  }
  return base;
}

bool ConfirmarRegion(void* base, std::size_t tamano) {
  if (DebeFallar(Operacion::kRegion) || tamano == 0) return false;
  std::lock_guard<std::mutex> guarda(g_cerrojo_regiones);
  auto it = Regiones().find(reinterpret_cast<uintptr_t>(base));
  if (it == Regiones().end() || tamano > it->second.tamano) return false;
  std::size_t paginas = RedondearAPagina(tamano);
  if (paginas == 0) return false;
  if (paginas <= it->second.confirmado) return true;  // committed already: no system call
  // A large region grows by whole huge pages: fewer calls, and the kernel can back each step
  // with one huge page (it needs the whole aligned 2 MB range accessible when it faults).
  if (it->second.tamano >= kRegionGrande) {
    paginas = std::min(it->second.tamano, (paginas + kPasoGrande - 1) / kPasoGrande * kPasoGrande);
  }
  if (::mprotect(base, paginas, PROT_READ | PROT_WRITE) != 0) return false;
  it->second.confirmado = paginas;
  return true;
}

bool LiberarRegion(void* base) {
  std::lock_guard<std::mutex> guarda(g_cerrojo_regiones);
  auto it = Regiones().find(reinterpret_cast<uintptr_t>(base));
  if (it == Regiones().end()) return false;
  bool ok = ::munmap(base, it->second.tamano) == 0;
  Regiones().erase(it);
  return ok;
}

// ---------------------------------------------------------------------------------- Cerrojo

struct Cerrojo::Impl {
  std::recursive_mutex mutex;  // re-entrant on its thread, as a critical section is
};

Cerrojo::Cerrojo() : impl_(std::make_unique<Impl>()) {}
Cerrojo::~Cerrojo() = default;
void Cerrojo::Entrar() { impl_->mutex.lock(); }
void Cerrojo::Salir() { impl_->mutex.unlock(); }

}  // namespace orvex::plataforma
