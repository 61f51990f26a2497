#include "almacen_oe5/identidades.h"

#include <cstring>
#include <optional>
#include <string>

#include "almacen_oe5/oe5.h"
#include "nucleo/estado.h"
#include "plataforma/plataforma.h"
#include "plataforma/valor_registro.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::oe5 {

namespace {

constexpr const char* kIdentidades = "Identities";
constexpr const char* kSubclaveAlmacen = "Software\\Microsoft\\Outlook Express\\5.0";
// Subkey names are enumerated into a buffer of this size; a longer name ends the enumeration,
// as the registry's own enumeration does when its buffer is short.
constexpr std::size_t kLongNombreClave = 100;
constexpr uint32_t kLongUsuario = 260;

// The name of subkey i of "Identities", or empty when there is none (or it is too long).
std::optional<std::string> Subclave(const plataforma::ClaveRegistro& clave, uint32_t i) {
  std::string nombre;
  if (!clave.EnumerarSubclave(i, &nombre) || nombre.size() >= kLongNombreClave) return std::nullopt;
  return nombre;
}

// The "Username" of an identity key, NUL-terminated within the buffer.
bool LeerUsuario(const std::string& subclave, char (&usuario)[kLongUsuario]) {
  std::memset(usuario, 0, sizeof usuario);
  const std::string ruta = std::string(kIdentidades) + "\\" + subclave;
  if (plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, ruta.c_str(), "Username", usuario, sizeof usuario) == 0) {
    return false;
  }
  usuario[sizeof usuario - 1] = '\0';
  return true;
}

}  // namespace

uint32_t IdentidadPorDefecto() {
  char valor[sizeof IdentidadActual] = {};
  if (plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, kIdentidades, "Default User ID", valor, sizeof valor) == 0) {
    IdentidadActual[0] = '\0';
    return 1;
  }
  CopiarAcotado(IdentidadActual, valor, sizeof IdentidadActual);
  return 0;
}

uint32_t SeleccionarIdentidad(const char* usuario) {
  if (usuario == nullptr) return 1;
  const auto clave = plataforma::ClaveRegistro::Abrir(plataforma::Raiz::kCurrentUser, kIdentidades);
  if (!clave) return 1;
  for (uint32_t i = 0;; ++i) {
    const auto subclave = Subclave(*clave, i);
    if (!subclave) return 1;
    char nombre[kLongUsuario];
    if (!LeerUsuario(*subclave, nombre)) continue;
    if (std::strcmp(nombre, usuario) == 0) {
      CopiarAcotado(IdentidadActual, subclave->c_str(), sizeof IdentidadActual);
      return 0;
    }
  }
}

uint32_t IniciarIdentidad(const char* usuario) {
  return usuario == nullptr ? IdentidadPorDefecto() : SeleccionarIdentidad(usuario);
}

uint32_t ContarIdentidades() {
  const auto clave = plataforma::ClaveRegistro::Abrir(plataforma::Raiz::kCurrentUser, kIdentidades);
  if (!clave) return 0;
  uint32_t n = 0;
  while (Subclave(*clave, n)) ++n;
  return n;
}

char* LeerNombreIdentidad(uint32_t indice) {
  const auto clave = plataforma::ClaveRegistro::Abrir(plataforma::Raiz::kCurrentUser, kIdentidades);
  if (!clave) return nullptr;
  const auto subclave = Subclave(*clave, indice);
  if (!subclave) return nullptr;
  char nombre[kLongUsuario];
  if (!LeerUsuario(*subclave, nombre)) return nullptr;
  const std::size_t n = std::strlen(nombre);
  auto* copia = static_cast<char*>(MEM_Reservar(n + 1));
  if (copia == nullptr) return nullptr;
  std::memcpy(copia, nombre, n + 1);
  return copia;
}

uint32_t RutaFoldersDbx(char (&destino)[kLongRuta]) {
  destino[0] = '\0';
  if (IdentidadActual[0] == '\0') return 1;
  const std::string clave = std::string(kIdentidades) + "\\" + IdentidadActual + "\\" + kSubclaveAlmacen;
  char valor[kLongRuta] = {};
  if (plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, clave.c_str(), "Store Root", valor, sizeof valor) == 0) {
    return 1;
  }
  valor[sizeof valor - 1] = '\0';
  std::string ruta = valor;
  // Only a root that begins with an environment reference is expanded.
  if (ruta.starts_with('%')) ruta = plataforma::ExpandirEntorno(ruta);
  // An empty root would name folders.dbx at the top of the current drive: no store.
  if (ruta.empty()) return 1;
  if (ruta.back() != '\\') ruta += '\\';
  ruta += "folders.dbx";
  if (ruta.size() >= kLongRuta) return 1;
  std::memcpy(destino, ruta.c_str(), ruta.size() + 1);
  return 0;
}

}  // namespace orvex::oe5
