// The test environment on Windows: the CRT's and the process's environment together, and the
// registry file imported into the real registry with the system's regedit.
#include <windows.h>

#include <cstdlib>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "plataforma/registro_archivo.h"
#include "pruebas/entorno_sistema.h"

namespace orvex::pruebas::sistema {

bool PonerVariable(const std::string& nombre, const std::optional<std::string>& valor) {
  // getenv reads the CRT's copy, ExpandEnvironmentStringsA the process's: keep both in step.
  // The CRT cannot hold an empty value ("X=" removes X); the process's environment can.
  if (_putenv_s(nombre.c_str(), valor ? valor->c_str() : "") != 0) return false;
  return SetEnvironmentVariableA(nombre.c_str(), valor ? valor->c_str() : nullptr) != 0;
}

namespace {

[[noreturn]] void Fallar(const std::string& que) { throw std::runtime_error("entorno de prueba: " + que); }

// "HKEY_CURRENT_USER\\A\\B" as its predefined root and "A\\B"; the root alone has "".
bool Partir(const std::string& clave, HKEY* raiz, std::string* resto) {
  const std::size_t barra = clave.find('\\');
  const std::string nombre = plataforma::registro::Mayusculas(clave.substr(0, barra));
  *resto = barra == std::string::npos ? "" : clave.substr(barra + 1);
  if (nombre == "HKEY_CURRENT_USER") {
    *raiz = HKEY_CURRENT_USER;
  } else if (nombre == "HKEY_LOCAL_MACHINE") {
    *raiz = HKEY_LOCAL_MACHINE;
  } else if (nombre == "HKEY_CLASSES_ROOT") {
    *raiz = HKEY_CLASSES_ROOT;
  } else if (nombre == "HKEY_USERS") {
    *raiz = HKEY_USERS;
  } else {
    return false;
  }
  return true;
}

std::string Padre(const std::string& clave) {
  const std::size_t barra = clave.rfind('\\');
  return barra == std::string::npos ? "" : clave.substr(0, barra);
}

class Clave {
 public:
  Clave(const std::string& ruta, REGSAM acceso) {
    HKEY raiz;
    std::string resto;
    if (Partir(ruta, &raiz, &resto) && RegOpenKeyExA(raiz, resto.c_str(), 0, acceso, &h_) != ERROR_SUCCESS) {
      h_ = nullptr;
    }
  }
  ~Clave() {
    if (h_ != nullptr) RegCloseKey(h_);
  }
  Clave(const Clave&) = delete;
  Clave& operator=(const Clave&) = delete;
  HKEY get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

bool ExisteClave(const std::string& ruta) { return Clave(ruta, KEY_READ).get() != nullptr; }

// A value as it was before the first import touched it.
struct ValorPrevio {
  std::string clave, nombre;
  bool existia = false;
  DWORD tipo = REG_NONE;
  std::vector<BYTE> datos;
};

ValorPrevio LeerPrevio(const std::string& clave, const std::string& nombre) {
  ValorPrevio previo;
  previo.clave = clave;
  previo.nombre = nombre;
  Clave k(clave, KEY_READ);
  DWORD tamano = 0;
  if (k.get() == nullptr ||
      RegQueryValueExA(k.get(), nombre.c_str(), nullptr, &previo.tipo, nullptr, &tamano) != ERROR_SUCCESS) {
    return previo;
  }
  previo.datos.resize(tamano);
  if (RegQueryValueExA(k.get(), nombre.c_str(), nullptr, &previo.tipo, previo.datos.data(), &tamano) ==
      ERROR_SUCCESS) {
    previo.datos.resize(tamano);
    previo.existia = true;
  }
  return previo;
}

void EjecutarRegedit(const std::string& ruta) {
  char windows[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) Fallar("sin carpeta de Windows");
  std::string orden = "\"" + std::string(windows) + "\\regedit.exe\" /S \"" + ruta + "\"";
  STARTUPINFOA inicio = {};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION proceso = {};
  if (!CreateProcessA(nullptr, orden.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &inicio,
                      &proceso)) {
    Fallar("no se pudo ejecutar " + orden);
  }
  const DWORD espera = WaitForSingleObject(proceso.hProcess, 60000);
  DWORD salida = 1;
  GetExitCodeProcess(proceso.hProcess, &salida);
  CloseHandle(proceso.hThread);
  CloseHandle(proceso.hProcess);
  if (espera != WAIT_OBJECT_0 || salida != 0) Fallar("regedit falló con " + ruta);
}

}  // namespace

struct RegistroInstalado::Impl {
  // Upper-cased key → whether it existed before the first import (the system's own keys).
  std::map<std::string, bool> existia;
  // (upper-cased key, upper-cased value name) → the value before the first import, for the
  // values written into keys that were already there.
  std::map<std::pair<std::string, std::string>, ValorPrevio> previos;
  std::vector<ClaveArchivo> instaladas;

  bool Existia(const std::string& clave) const {
    auto it = existia.find(plataforma::registro::Mayusculas(clave));
    return it == existia.end() || it->second;
  }

  void Retirar() noexcept {
    for (const ClaveArchivo& c : instaladas) {
      // Only the outermost added key: deleting it takes its subkeys along.
      if (Existia(c.clave) || !Existia(Padre(c.clave))) continue;
      HKEY raiz;
      std::string resto;
      if (Partir(c.clave, &raiz, &resto)) RegDeleteTreeA(raiz, resto.c_str());
      // RegDeleteTree empties the key; the key itself goes with RegDeleteKey.
      if (Partir(c.clave, &raiz, &resto)) RegDeleteKeyA(raiz, resto.c_str());
    }
    for (const auto& [llave, valor] : previos) {
      Clave k(valor.clave, KEY_SET_VALUE);
      if (k.get() == nullptr) continue;
      if (valor.existia) {
        RegSetValueExA(k.get(), valor.nombre.c_str(), 0, valor.tipo, valor.datos.data(),
                       static_cast<DWORD>(valor.datos.size()));
      } else {
        RegDeleteValueA(k.get(), valor.nombre.c_str());
      }
    }
    instaladas.clear();
  }
};

RegistroInstalado::RegistroInstalado() : impl_(std::make_unique<Impl>()) {}
RegistroInstalado::~RegistroInstalado() { impl_->Retirar(); }

void RegistroInstalado::Instalar(const std::string& ruta, const std::vector<ClaveArchivo>& claves) {
  impl_->Retirar();
  // What was there before this registry first touched it, so that it can be put back.
  for (const ClaveArchivo& c : claves) {
    HKEY raiz;
    std::string resto;
    if (!Partir(c.clave, &raiz, &resto)) Fallar("raíz de registro desconocida en " + c.clave);
    const std::string mayus = plataforma::registro::Mayusculas(c.clave);
    if (!impl_->existia.contains(mayus)) impl_->existia[mayus] = ExisteClave(c.clave);
    if (!impl_->existia[mayus]) continue;
    for (const std::string& v : c.valores) {
      auto llave = std::make_pair(mayus, plataforma::registro::Mayusculas(v));
      if (!impl_->previos.contains(llave)) impl_->previos.emplace(llave, LeerPrevio(c.clave, v));
    }
  }
  impl_->instaladas = claves;
  EjecutarRegedit(ruta);
  // regedit reports nothing when it skips a line: check that everything arrived.
  for (const ClaveArchivo& c : claves) {
    Clave k(c.clave, KEY_READ);
    if (k.get() == nullptr) Fallar("regedit no importó " + c.clave);
    for (const std::string& v : c.valores) {
      if (RegQueryValueExA(k.get(), v.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        Fallar("regedit no importó " + c.clave + " / \"" + v + "\"");
      }
    }
  }
}

}  // namespace orvex::pruebas::sistema
