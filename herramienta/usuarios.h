// A Windows volume as a folder (--windows-root): its users, each with a registry made of their
// own NTUSER.DAT and the machine's SOFTWARE hive, and every command run once per user.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "herramienta/ordenes.h"

namespace orvex::herramienta {

// The user the output is about: every JSON object gets it as "user". Empty outside a walk.
inline std::string& UsuarioEnCurso() {
  static std::string usuario;
  return usuario;
}

struct UsuarioWindows {
  std::string nombre;               // The profile folder's name
  std::string perfil;               // As Windows names it: C:\Documents and Settings\NAME
  std::filesystem::path carpeta;    // The same folder here
  std::filesystem::path colmena;    // Its NTUSER.DAT
  std::string colmena_mostrada;     // How messages name it (an image's hive is read from a copy)
  std::string sid;                  // From SOFTWARE's ProfileList; empty when unknown
};

struct VolumenWindows {
  std::filesystem::path raiz;       // Drive C:
  std::filesystem::path software;   // Windows/System32/config/SOFTWARE; empty when missing
  std::vector<UsuarioWindows> usuarios;
};

// The users below Documents and Settings/ and Users/ that have an NTUSER.DAT (names without
// regard to case); empty with *error set when dir is no folder or the SOFTWARE hive is damaged.
std::optional<VolumenWindows> ExplorarVolumen(const std::string& dir, std::string* error);

// Fills in each user's SID from the SOFTWARE hive's ProfileList (when v.software is set). False
// with *error set when that hive is refused.
bool AnotarSids(VolumenWindows& v, std::string* error);

// With --image: the image's users, their hives copied out of it into a private temporary folder
// (v.raiz) for the hive reader; the image is drive C:. Defined beside --image.
std::optional<VolumenWindows> ExplorarImagen(const Opciones& o, std::string* error);

// Makes the library read as this user would: the user's hive as HKEY_CURRENT_USER, drive C:
// and the profile's environment variables. False with *error set when the hive is refused.
bool ActivarUsuario(const VolumenWindows& v, const UsuarioWindows& u, std::string* error);

// `orvex users`: each user, then what the library finds in their registry.
int OrdenUsuarios(const Opciones& o);

// Runs orden once per user (--user NAME: only that one), each output prefixed with the user;
// --out gets a folder per user when there are several. The exit status is the worst one.
int EnCadaUsuario(const Opciones& o, const std::function<int(const Opciones&)>& orden);

}  // namespace orvex::herramienta
