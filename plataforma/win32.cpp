// The Windows backend: the Win32 calls the mail clients' own stores are meant for.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <utility>

#include "plataforma/disco.h"
#include "plataforma/origen_archivos.h"
#include "plataforma/origen_registro.h"
#include "plataforma/plataforma.h"
#include "plataforma/registro_archivo.h"

namespace orvex::plataforma {

namespace {

HANDLE Manejador(intptr_t m) { return reinterpret_cast<HANDLE>(m); }
intptr_t Entero(HANDLE h) { return reinterpret_cast<intptr_t>(h); }
const intptr_t kSinManejador = Entero(INVALID_HANDLE_VALUE);

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kTrozoMaximo = std::size_t{1} << 30;

bool Posicionar(HANDLE h, uint64_t pos) {
  if (pos > static_cast<uint64_t>(INT64_MAX)) return false;
  LONG alta = static_cast<LONG>(pos >> 32);
  SetLastError(NO_ERROR);
  DWORD baja = SetFilePointer(h, static_cast<LONG>(static_cast<DWORD>(pos)), &alta, FILE_BEGIN);
  return !(baja == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

}  // namespace

// ---------------------------------------------------------------------------------- Archivo

std::optional<Archivo> Archivo::AbrirEnDisco(const std::string& ruta, Modo modo) {
  DWORD acceso = modo == Modo::kLectura ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
  HANDLE h = CreateFileA(ruta.c_str(), acceso, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return Archivo(Entero(h));
}

// Handles are never kept between calls here: one held open with these share flags would stop
// the mail client from deleting or renaming the file.
void SoltarArchivosAbiertos() {}

Archivo::Archivo(intptr_t manejador, bool prestado) : manejador_(manejador), prestado_(prestado) {}

Archivo::Archivo(std::unique_ptr<ArchivoDeOrigen> externo)
    : manejador_(kSinManejador), prestado_(false), externo_(std::move(externo)) {}

Archivo::Archivo(Archivo&& otro) noexcept
    : manejador_(otro.manejador_), prestado_(false), externo_(std::move(otro.externo_)) {
  otro.manejador_ = kSinManejador;
}

Archivo& Archivo::operator=(Archivo&& otro) noexcept {
  if (this != &otro) {
    Cerrar();
    manejador_ = otro.manejador_;
    externo_ = std::move(otro.externo_);
    otro.manejador_ = kSinManejador;
  }
  return *this;
}

Archivo::~Archivo() { Cerrar(); }

void Archivo::Cerrar() noexcept {
  externo_.reset();
  if (manejador_ != kSinManejador && manejador_ != 0) CloseHandle(Manejador(manejador_));
  manejador_ = kSinManejador;
}

bool Archivo::LeerEnDisco(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const {
  std::size_t total = 0;
  bool ok = manejador_ != kSinManejador && Posicionar(Manejador(manejador_), pos);
  auto* bytes = static_cast<unsigned char*>(destino);
  while (ok && total < n) {
    DWORD trozo = static_cast<DWORD>(std::min(n - total, kTrozoMaximo));
    DWORD hecho = 0;
    if (!ReadFile(Manejador(manejador_), bytes + total, trozo, &hecho, nullptr)) {
      ok = false;
    } else if (hecho == 0) {
      break;
    } else {
      total += hecho;
    }
  }
  *leidos = total;
  return ok;
}

bool Archivo::Escribir(uint64_t pos, const void* origen, std::size_t n) {
  if (DebeFallar(Operacion::kEscribir) || manejador_ == kSinManejador || externo_) return false;
  if (!Posicionar(Manejador(manejador_), pos)) return false;
  const auto* bytes = static_cast<const unsigned char*>(origen);
  std::size_t total = 0;
  while (total < n) {
    DWORD trozo = static_cast<DWORD>(std::min(n - total, kTrozoMaximo));
    DWORD hecho = 0;
    if (!WriteFile(Manejador(manejador_), bytes + total, trozo, &hecho, nullptr) || hecho == 0) return false;
    total += hecho;
  }
  return true;
}

std::optional<uint64_t> Archivo::Tamano() const {
  if (externo_) return externo_->Tamano();
  if (manejador_ == kSinManejador) return std::nullopt;
  DWORD alta = 0;
  SetLastError(NO_ERROR);
  DWORD baja = GetFileSize(Manejador(manejador_), &alta);
  if (baja == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return std::nullopt;
  return (static_cast<uint64_t>(alta) << 32) | baja;
}

// ------------------------------------------------------------------------------ Directories

std::vector<std::string> ListarEnDisco(const std::string& directorio, const std::string& patron) {
  std::vector<std::string> nombres;
  std::string busqueda = directorio;
  if (!busqueda.empty() && busqueda.back() != '\\' && busqueda.back() != '/') busqueda.push_back('\\');
  busqueda += patron;
  WIN32_FIND_DATAA datos;
  HANDLE h = FindFirstFileA(busqueda.c_str(), &datos);
  if (h == INVALID_HANDLE_VALUE) return nombres;
  do {
    if ((datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) nombres.emplace_back(datos.cFileName);
  } while (FindNextFileA(h, &datos));
  FindClose(h);
  return nombres;
}

bool ExisteEnDisco(const std::string& ruta) {
  DWORD atributos = GetFileAttributesA(ruta.c_str());
  return atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// --------------------------------------------------------------------------------- Registry

namespace {

HKEY ClaveRaiz(Raiz raiz) {
  // The predefined handles are sign-extended on 64-bit Windows: use the system's own constants.
  switch (raiz) {
    case Raiz::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case Raiz::kCurrentUser:
      return HKEY_CURRENT_USER;
    case Raiz::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case Raiz::kUsers:
      return HKEY_USERS;
  }
  return nullptr;
}

// The subkey name buffer the mail clients' readers use; its size is set again before each call.
constexpr DWORD kNombreSubclave = 100;

// Larger files are taken for something that is not a registry export.
constexpr std::streamoff kTamanoMaximoRegistro = std::streamoff{64} << 20;

// The export ORVEX_REGISTRY names, read instead of the system's registry, as on POSIX (an
// unreadable file reads as an empty registry); null when the variable is not set.
std::shared_ptr<const registro::Registro> RegistroDeArchivo() {
  char ruta[MAX_PATH + 1] = {};
  const DWORD n = GetEnvironmentVariableA("ORVEX_REGISTRY", ruta, sizeof ruta);
  std::string elegida = n > 0 && n < sizeof ruta ? std::string(ruta, n) : std::string();
  if (elegida.empty()) {
    const char* crt = std::getenv("ORVEX_REGISTRY");
    if (crt != nullptr) elegida = crt;
  }
  if (elegida.empty()) return nullptr;
  std::vector<uint8_t> bytes;
  std::ifstream f(elegida, std::ios::binary | std::ios::ate);
  if (f && f.tellg() >= 0 && f.tellg() <= kTamanoMaximoRegistro) {
    bytes.resize(static_cast<std::size_t>(f.tellg()));
    f.seekg(0);
    f.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(f.gcount(), 0)));
  }
  return std::make_shared<const registro::Registro>(registro::AnalizarRegistro(bytes));
}

}  // namespace

struct ClaveRegistro::Impl {
  HKEY clave = nullptr;
  // From a source the host installed: the key, and the source it belongs to.
  std::shared_ptr<const OrigenRegistro> origen;
  std::unique_ptr<ClaveDeOrigen> de_origen;
  // With ORVEX_REGISTRY: a key of that export, and the export it belongs to.
  std::shared_ptr<const registro::Registro> registro;
  const registro::Clave* de_archivo = nullptr;
  ~Impl() {
    if (clave != nullptr) RegCloseKey(clave);
  }
};

ClaveRegistro::ClaveRegistro(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
ClaveRegistro::ClaveRegistro(ClaveRegistro&&) noexcept = default;
ClaveRegistro& ClaveRegistro::operator=(ClaveRegistro&&) noexcept = default;
ClaveRegistro::~ClaveRegistro() = default;

std::optional<ClaveRegistro> ClaveRegistro::Abrir(Raiz raiz, const std::string& ruta) {
  if (std::shared_ptr<const OrigenRegistro> origen = OrigenRegistroInstalado()) {
    auto impl = std::make_unique<Impl>();
    impl->de_origen = origen->AbrirClave(raiz, ruta);
    if (!impl->de_origen) return std::nullopt;
    impl->origen = std::move(origen);
    return ClaveRegistro(std::move(impl));
  }
  if (std::shared_ptr<const registro::Registro> exportado = RegistroDeArchivo()) {
    auto impl = std::make_unique<Impl>();
    impl->de_archivo = exportado->Buscar(raiz, ruta);
    if (impl->de_archivo == nullptr) return std::nullopt;
    impl->registro = std::move(exportado);
    return ClaveRegistro(std::move(impl));
  }
  HKEY raiz_nativa = ClaveRaiz(raiz);
  if (raiz_nativa == nullptr) return std::nullopt;
  HKEY clave = nullptr;
  if (RegOpenKeyExA(raiz_nativa, ruta.c_str(), 0, KEY_READ, &clave) != ERROR_SUCCESS) return std::nullopt;
  auto impl = std::make_unique<Impl>();
  impl->clave = clave;
  return ClaveRegistro(std::move(impl));
}

bool ClaveRegistro::ConsultarValor(const std::string& nombre, uint32_t* tamano, uint32_t* tipo) const {
  if (!impl_) return false;
  if (impl_->de_origen) return impl_->de_origen->ConsultarValor(nombre, tamano, tipo);
  if (impl_->de_archivo != nullptr) return registro::ConsultarValor(*impl_->de_archivo, nombre, tamano, tipo);
  DWORD t = 0, n = 0;
  if (RegQueryValueExA(impl_->clave, nombre.c_str(), nullptr, &t, nullptr, &n) != ERROR_SUCCESS) return false;
  if (tamano != nullptr) *tamano = n;
  if (tipo != nullptr) *tipo = t;
  return true;
}

bool ClaveRegistro::LeerValor(const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) const {
  if (tamano != nullptr) *tamano = 0;
  if (!impl_) return false;
  if (impl_->de_origen) return impl_->de_origen->LeerValor(nombre, destino, capacidad, tamano);
  if (impl_->de_archivo != nullptr) return registro::LeerValor(*impl_->de_archivo, nombre, destino, capacidad, tamano);
  // First the size, then the data.
  DWORD n = 0;
  if (RegQueryValueExA(impl_->clave, nombre.c_str(), nullptr, nullptr, nullptr, &n) != ERROR_SUCCESS) return false;
  if (n <= capacidad) {
    DWORD leidos = capacidad;
    if (RegQueryValueExA(impl_->clave, nombre.c_str(), nullptr, nullptr, static_cast<BYTE*>(destino), &leidos) ==
        ERROR_SUCCESS) {
      if (tamano != nullptr) *tamano = std::min<DWORD>(leidos, capacidad);
      return true;
    }
  }
  // Longer than the caller's buffer (or grown since): read it whole aside and cut it short,
  // since Windows leaves a too-small buffer's content undefined.
  for (int intento = 0; intento < 4; ++intento) {
    std::vector<BYTE> copia(std::max<DWORD>(n, 1));
    DWORD leidos = static_cast<DWORD>(copia.size());
    LONG r = RegQueryValueExA(impl_->clave, nombre.c_str(), nullptr, nullptr, copia.data(), &leidos);
    if (r == ERROR_MORE_DATA) {
      n = leidos;
      continue;
    }
    if (r != ERROR_SUCCESS) return false;
    DWORD copiados = std::min<DWORD>(std::min<DWORD>(leidos, capacidad), static_cast<DWORD>(copia.size()));
    if (copiados > 0) std::memcpy(destino, copia.data(), copiados);
    if (tamano != nullptr) *tamano = copiados;
    return true;
  }
  return false;
}

bool ClaveRegistro::EnumerarSubclave(uint32_t indice, std::string* nombre) const {
  if (!impl_) return false;
  if (impl_->de_origen) return impl_->de_origen->EnumerarSubclave(indice, nombre);
  if (impl_->de_archivo != nullptr) return registro::EnumerarSubclave(*impl_->de_archivo, indice, nombre);
  char buffer[kNombreSubclave];
  DWORD tamano = kNombreSubclave;
  if (RegEnumKeyExA(impl_->clave, indice, buffer, &tamano, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  nombre->assign(buffer, std::min<DWORD>(tamano, kNombreSubclave - 1));
  return true;
}

// ------------------------------------------------------------------------------ Environment

std::string ExpandirEntorno(const std::string& texto) {
  DWORD necesario = ExpandEnvironmentStringsA(texto.c_str(), nullptr, 0);
  for (int intento = 0; intento < 4 && necesario != 0; ++intento) {
    std::vector<char> salida(necesario + 1);
    DWORD n = ExpandEnvironmentStringsA(texto.c_str(), salida.data(), static_cast<DWORD>(salida.size()));
    if (n == 0) break;
    if (n <= salida.size()) return std::string(salida.data());
    necesario = n;  // The environment grew in between.
  }
  return texto;
}

// ------------------------------------------------------------------------------- Free space

namespace {
using GetDiskFreeSpaceExA_t = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// The root whose disk holds ruta: "X:\\" for a drive letter, "\\\\server\\share\\" for a UNC
// path, "" (the current drive) for a path with neither; nothing for a UNC path without a share.
std::optional<std::string> RaizDeLaRuta(const std::string& ruta) {
  const bool letra = ruta.size() >= 2 && ruta[1] == ':' &&
                     ((ruta[0] >= 'A' && ruta[0] <= 'Z') || (ruta[0] >= 'a' && ruta[0] <= 'z'));
  if (letra) return ruta.substr(0, 2) + "\\";
  auto separador = [](char c) { return c == '\\' || c == '/'; };
  if (ruta.size() < 2 || !separador(ruta[0]) || !separador(ruta[1])) return std::string();
  const std::size_t servidor = ruta.find_first_of("\\/", 2);
  if (servidor == std::string::npos || servidor == 2 || servidor + 1 == ruta.size() ||
      separador(ruta[servidor + 1])) {
    return std::nullopt;
  }
  return ruta.substr(0, ruta.find_first_of("\\/", servidor + 1)) + "\\";
}

}  // namespace

std::optional<uint64_t> EspacioLibre(const std::string& ruta) {
  const GanchosPrueba& g = Ganchos();
  if (g.espacio_desconocido) return std::nullopt;
  if (g.espacio_libre) return g.espacio_libre;
  const std::optional<std::string> raiz = RaizDeLaRuta(ruta);
  if (!raiz) return std::nullopt;
  // A path without a drive lies on the current one, which a null root names.
  const char* unidad = raiz->empty() ? nullptr : raiz->c_str();
  // Looked up at every call, as the mail clients' own readers do.
  HMODULE kernel = GetModuleHandleA("Kernel32.dll");
  FARPROC funcion = kernel != nullptr ? GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
  if (funcion != nullptr) {
    GetDiskFreeSpaceExA_t espacio_ex;
    static_assert(sizeof espacio_ex == sizeof funcion);
    std::memcpy(&espacio_ex, &funcion, sizeof funcion);
    ULARGE_INTEGER disponibles, total, libres;
    if (!espacio_ex(unidad, &disponibles, &total, &libres)) return std::nullopt;
    // The disk's total free bytes, not the caller's quota.
    return static_cast<uint64_t>(libres.QuadPart);
  }
  DWORD sectores = 0, bytes = 0, libres = 0, clusteres = 0;
  if (!GetDiskFreeSpaceA(unidad, &sectores, &bytes, &libres, &clusteres)) return std::nullopt;
  return static_cast<uint64_t>(sectores) * bytes * libres;
}

// ------------------------------------------------------------------------------------- Time

std::optional<FechaLocal> FileTimeALocal(uint64_t filetime) {
  // Windows refuses these in FileTimeToSystemTime; say so before the zone shift can wrap them.
  constexpr uint64_t kLimite = uint64_t{1} << 63;
  if (filetime >= kLimite) return std::nullopt;
  FILETIME utc, local;
  utc.dwLowDateTime = static_cast<DWORD>(filetime);
  utc.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || (local.dwHighDateTime & 0x80000000u) != 0 ||
      !FileTimeToSystemTime(&local, &st)) {
    return std::nullopt;
  }
  return FechaLocal{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// ---------------------------------------------------------------------------------- Regions

void* ReservarRegion(std::size_t tamano) {
  if (DebeFallar(Operacion::kRegion)) return nullptr;
  return VirtualAlloc(nullptr, tamano, MEM_RESERVE, PAGE_READWRITE);
}

bool ConfirmarRegion(void* base, std::size_t tamano) {
  if (DebeFallar(Operacion::kRegion)) return false;
  return VirtualAlloc(base, tamano, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

bool LiberarRegion(void* base) { return VirtualFree(base, 0, MEM_RELEASE) != 0; }

// ---------------------------------------------------------------------------------- Cerrojo

struct Cerrojo::Impl {
  CRITICAL_SECTION seccion;
};

Cerrojo::Cerrojo() : impl_(std::make_unique<Impl>()) { InitializeCriticalSection(&impl_->seccion); }
Cerrojo::~Cerrojo() { DeleteCriticalSection(&impl_->seccion); }
void Cerrojo::Entrar() { EnterCriticalSection(&impl_->seccion); }
void Cerrojo::Salir() { LeaveCriticalSection(&impl_->seccion); }

}  // namespace orvex::plataforma
