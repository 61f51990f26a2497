// The registry read from Windows hive files: a user's NTUSER.DAT as HKEY_CURRENT_USER (and as
// HKEY_USERS\<SID> when the SID is known) and the machine's SOFTWARE hive as
// HKEY_LOCAL_MACHINE\Software. Keys and values read exactly as from a regedit export.
#pragma once

#include <memory>
#include <string>

#include "plataforma/origen_registro.h"

namespace orvex::colmena {

struct ArchivosColmena {
  std::string usuario;  // NTUSER.DAT (a POSIX path); empty when there is none
  std::string maquina;  // SOFTWARE; empty when there is none
  std::string sid;      // The user's SID; empty when unknown
};

// Opens the hives. Empty with *error set ("FILE: not a registry hive, or damaged") when one
// cannot be opened or read; a damaged key found later reads as absent.
std::shared_ptr<const plataforma::OrigenRegistro> AbrirOrigenColmena(const ArchivosColmena& archivos,
                                                                     std::string* error);

}  // namespace orvex::colmena
