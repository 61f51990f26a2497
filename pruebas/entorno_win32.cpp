// The test environment on Windows: the CRT's and the process's environment together, and the
// registry file imported into the real registry with the system's regedit.
#include <windows.h>

#include <process.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

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

// A key as the registry file spells it ("HKEY_CURRENT_USER\\A\\B"): its predefined root and "A\\B".
struct Ruta {
  HKEY raiz;
  std::string resto;
  explicit Ruta(const std::string& clave) : resto(clave.substr(clave.find('\\') + 1)) {
    const std::string nombre = clave.substr(0, clave.find('\\'));
    raiz = nombre == "HKEY_LOCAL_MACHINE" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (clave.find('\\') == std::string::npos) resto.clear();
  }
};

bool ExisteClave(const std::string& clave) {
  const Ruta r(clave);
  HKEY h = nullptr;
  if (RegOpenKeyExA(r.raiz, r.resto.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

constexpr DWORD kCualquierTipo = RRF_RT_ANY | RRF_NOEXPAND;

// A value of a key that was there before the import, as it was.
struct ValorPrevio {
  std::string clave, nombre;
  bool existia = false;
  DWORD tipo = REG_NONE;
  std::vector<BYTE> datos;
};

ValorPrevio LeerPrevio(const std::string& clave, const std::string& nombre) {
  ValorPrevio p{clave, nombre, false, REG_NONE, {}};
  const Ruta r(clave);
  const char* subclave = r.resto.c_str();
  DWORD tamano = 0;
  if (RegGetValueA(r.raiz, subclave, nombre.c_str(), kCualquierTipo, &p.tipo, nullptr, &tamano) == ERROR_SUCCESS) {
    p.datos.resize(tamano);
    p.existia = RegGetValueA(r.raiz, subclave, nombre.c_str(), kCualquierTipo, &p.tipo, p.datos.data(), &tamano) ==
                ERROR_SUCCESS;
    p.datos.resize(tamano);
  }
  return p;
}

void EjecutarRegedit(const std::string& ruta) {
  char windows[MAX_PATH];
  const UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) Fallar("sin carpeta de Windows");
  // The spawned program gets its arguments joined by spaces: a path with spaces goes quoted.
  const std::string regedit = std::string(windows) + "\\regedit.exe", archivo = "\"" + ruta + "\"";
  if (_spawnl(_P_WAIT, regedit.c_str(), "regedit.exe", "/S", archivo.c_str(), nullptr) != 0) {
    Fallar("regedit falló con " + ruta);
  }
}

}  // namespace

struct RegistroInstalado::Impl {
  std::vector<std::string> nuevas;   // keys the import added, parents first
  std::vector<ValorPrevio> previos;  // the values it wrote into keys that were there

  void Retirar() noexcept {
    for (auto it = nuevas.rbegin(); it != nuevas.rend(); ++it) {
      const Ruta r(*it);
      RegDeleteTreeA(r.raiz, r.resto.c_str());
      RegDeleteKeyA(r.raiz, r.resto.c_str());
    }
    for (const ValorPrevio& v : previos) {
      const Ruta r(v.clave);
      if (v.existia) {
        RegSetKeyValueA(r.raiz, r.resto.c_str(), v.nombre.c_str(), v.tipo, v.datos.data(),
                        static_cast<DWORD>(v.datos.size()));
      } else {
        RegDeleteKeyValueA(r.raiz, r.resto.c_str(), v.nombre.c_str());
      }
    }
    nuevas.clear();
    previos.clear();
  }
};

RegistroInstalado::RegistroInstalado() : impl_(std::make_unique<Impl>()) {}
RegistroInstalado::~RegistroInstalado() { impl_->Retirar(); }

void RegistroInstalado::Instalar(const std::string& ruta, const std::vector<ClaveArchivo>& claves) {
  impl_->Retirar();
  // What was there before, so that it can be put back.
  for (const ClaveArchivo& c : claves) {
    if (!ExisteClave(c.clave)) {
      impl_->nuevas.push_back(c.clave);
      continue;
    }
    for (const std::string& v : c.valores) impl_->previos.push_back(LeerPrevio(c.clave, v));
  }
  EjecutarRegedit(ruta);
  // regedit reports nothing when it skips a line: check that every key arrived.
  for (const ClaveArchivo& c : claves) {
    if (!ExisteClave(c.clave)) Fallar("regedit no importó " + c.clave);
  }
}

}  // namespace orvex::pruebas::sistema
