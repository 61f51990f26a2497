// The narrow platform layer: only what the library needs of the operating system.
// Paths are Windows-style ("C:\Dir\file.dbx"); the POSIX side maps them to its disk.
// Nothing above this layer sees errno or GetLastError: failures come back as empty
// optionals or false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvex::plataforma {

class ArchivoDeOrigen;  // a file of an installed source (origen_archivos.h)

// A file opened per call, shared for read and write with other openers, existing only.
// Move-only; the destructor closes it. On POSIX a file opened for reading may be a descriptor
// kept from an earlier call, checked to name the same unchanged file (nobody else can tell).
class Archivo {
 public:
  enum class Modo { kLectura, kLecturaEscritura };

  // Empty when the file does not exist or cannot be opened.
  static std::optional<Archivo> Abrir(const std::string& ruta, Modo modo);

  Archivo(Archivo&& otro) noexcept;
  Archivo& operator=(Archivo&& otro) noexcept;
  Archivo(const Archivo&) = delete;
  Archivo& operator=(const Archivo&) = delete;
  ~Archivo();

  // Reads up to n bytes at pos; *leidos gets how many came (fewer at the end of the file).
  // False on an I/O error.
  bool Leer(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const;
  // Reads exactly n bytes at pos; false when fewer are there or on an I/O error.
  bool LeerExacto(uint64_t pos, void* destino, std::size_t n) const;
  // Writes all n bytes at pos; false when not all were written.
  bool Escribir(uint64_t pos, const void* origen, std::size_t n);
  // Current size in bytes; empty on error.
  std::optional<uint64_t> Tamano() const;

 private:
  // The backend's own open, once no installed source claims the path.
  static std::optional<Archivo> AbrirEnDisco(const std::string& ruta, Modo modo);
  // The backend's own read, after the failure hook; leidos is never null.
  bool LeerEnDisco(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const;
  explicit Archivo(intptr_t manejador, bool prestado = false);
  explicit Archivo(std::unique_ptr<ArchivoDeOrigen> externo);
  void Cerrar() noexcept;
  intptr_t manejador_;
  bool prestado_;  // lent by the open-file cache: given back, not closed
  std::unique_ptr<ArchivoDeOrigen> externo_;  // set for a file of an installed source
};

// Closes the store files kept open between calls (a no-op where none are kept). The exports
// call it when the host closes a record.
void SoltarArchivosAbiertos();

// Names (not paths) of the files in a directory whose names match a pattern with * and ?,
// without regard to case. POSIX lists them sorted by name so the order is stable;
// Windows lists them in FindFirstFileA order.
std::vector<std::string> ListarArchivos(const std::string& directorio, const std::string& patron);

// True when a file (not a directory) exists at the path.
bool ExisteArchivo(const std::string& ruta);

// Registry roots as Windows numbers them.
enum class Raiz : uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
};

// Registry value types as Windows numbers them.
enum TipoValor : uint32_t {
  kRegNinguno = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinario = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// An open registry key (read access). Move-only; the destructor closes it. Both backends read the
// regedit export ORVEX_REGISTRY names; without it POSIX has an empty registry, Windows its own.
class ClaveRegistro {
 public:
  // Empty when the key does not exist.
  static std::optional<ClaveRegistro> Abrir(Raiz raiz, const std::string& ruta);

  ClaveRegistro(ClaveRegistro&&) noexcept;
  ClaveRegistro& operator=(ClaveRegistro&&) noexcept;
  ClaveRegistro(const ClaveRegistro&) = delete;
  ClaveRegistro& operator=(const ClaveRegistro&) = delete;
  ~ClaveRegistro();

  // Size in bytes of a value's data as stored (a string counts its NUL), and its type.
  // False when the value does not exist. Name "" is the key's default value.
  bool ConsultarValor(const std::string& nombre, uint32_t* tamano, uint32_t* tipo = nullptr) const;
  // Copies at most capacidad bytes of the value's data into destino; *tamano gets the
  // bytes copied. False when the value does not exist. Never writes past capacidad.
  bool LeerValor(const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) const;
  // Name of the subkey at index i, in Windows order (sorted without regard to case).
  // False when there is no subkey at i, or when its name does not fit the 100-byte buffer
  // it is enumerated into (99 characters and the NUL).
  bool EnumerarSubclave(uint32_t indice, std::string* nombre) const;

  struct Impl;

 private:
  explicit ClaveRegistro(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Expands %NAME% from the environment; unknown names stay as they are.
std::string ExpandirEntorno(const std::string& texto);

// Free bytes on the disk that holds the file at ruta (Windows: its drive; POSIX: statvfs
// of its folder). Empty when the room cannot be known.
std::optional<uint64_t> EspacioLibre(const std::string& ruta);

// A FILETIME (100 ns ticks since 1601-01-01 UTC) as local calendar time.
struct FechaLocal {
  uint16_t anio, mes, dia, hora, minuto, segundo;
};
std::optional<FechaLocal> FileTimeALocal(uint64_t filetime);

// Address-space regions: reserve, commit a prefix (fresh pages read zero), release.
void* ReservarRegion(std::size_t tamano);
bool ConfirmarRegion(void* base, std::size_t tamano);
bool LiberarRegion(void* base);

// A lock that its holder may take again (a critical section on Windows). Not movable.
class Cerrojo {
 public:
  Cerrojo();
  ~Cerrojo();
  Cerrojo(const Cerrojo&) = delete;
  Cerrojo& operator=(const Cerrojo&) = delete;
  void Entrar();
  void Salir();
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

class GuardaCerrojo {
 public:
  explicit GuardaCerrojo(Cerrojo& c) : c_(c) { c_.Entrar(); }
  ~GuardaCerrojo() { c_.Salir(); }
  GuardaCerrojo(const GuardaCerrojo&) = delete;
  GuardaCerrojo& operator=(const GuardaCerrojo&) = delete;

 private:
  Cerrojo& c_;
};

// Test hooks, shared by both backends: make the N-th operation of a kind fail, or fix the
// free-space figure. Production code never sets them.
enum class Operacion { kAbrir, kLeer, kEscribir, kRegion };
struct GanchosPrueba {
  // Counts operations of each kind since the last Reiniciar(); when fallar_en[k] equals the
  // count, that operation fails (and later ones succeed). 0 = never.
  uint64_t fallar_en[4] = {0, 0, 0, 0};
  uint64_t contador[4] = {0, 0, 0, 0};
  // When set, every failing kind after the first keeps failing (a disk that went away).
  bool fallar_desde = false;
  std::optional<uint64_t> espacio_libre;
  bool espacio_desconocido = false;
  void Reiniciar() { *this = GanchosPrueba{}; }
};
GanchosPrueba& Ganchos();
// Called by the backends before each operation; true when the hook says it must fail.
// Counted: Archivo::Abrir, each Leer/LeerExacto, each Escribir, ReservarRegion and
// ConfirmarRegion (LiberarRegion never fails by hook).
bool DebeFallar(Operacion op);

}  // namespace orvex::plataforma
