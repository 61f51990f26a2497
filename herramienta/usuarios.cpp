#include "herramienta/usuarios.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "api/orvex.h"
#include "colmena/origen_colmena.h"
#include "herramienta/cliente.h"
#include "herramienta/sesion.h"
#include "herramienta/sistema.h"
#include "herramienta/tabla.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

constexpr const char* kPerfiles[] = {"Documents and Settings", "Users"};
constexpr const char* kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::string Mayus(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The entry of dir called nombre without regard to case; empty when there is none.
fs::path Entrada(const fs::path& dir, const std::string& nombre) {
  std::error_code ec;
  if (fs::exists(dir / nombre, ec)) return dir / nombre;
  for (fs::directory_iterator it(dir, ec), fin; !ec && it != fin; it.increment(ec)) {
    if (Mayus(it->path().filename().string()) == Mayus(nombre)) return it->path();
  }
  return {};
}

fs::path Ruta(fs::path dir, std::initializer_list<const char*> partes) {
  for (const char* p : partes) {
    if (dir.empty()) break;
    dir = Entrada(dir, p);
  }
  return dir;
}

std::string UltimaParte(const std::string& ruta) {
  const std::size_t barra = ruta.find_last_of("\\/");
  return barra == std::string::npos ? ruta : ruta.substr(barra + 1);
}

// SID of each profile folder name (upper-cased), from the machine's ProfileList.
std::vector<std::pair<std::string, std::string>> Perfiles(const plataforma::OrigenRegistro& maquina) {
  std::vector<std::pair<std::string, std::string>> perfiles;
  const auto lista = maquina.AbrirClave(plataforma::Raiz::kLocalMachine, kProfileList);
  std::string sid;
  for (uint32_t i = 0; lista && lista->EnumerarSubclave(i, &sid); ++i) {
    const auto clave = maquina.AbrirClave(plataforma::Raiz::kLocalMachine, std::string(kProfileList) + "\\" + sid);
    char ruta[520] = {};
    uint32_t n = 0;
    if (!clave || !clave->LeerValor("ProfileImagePath", ruta, sizeof ruta - 1, &n)) continue;
    perfiles.emplace_back(Mayus(UltimaParte(std::string(ruta, strnlen(ruta, n)))), sid);
  }
  return perfiles;
}

// The selected users: all, or the one --user names (by folder name or SID).
std::vector<const UsuarioWindows*> Elegir(const VolumenWindows& v, const std::string& nombre) {
  std::vector<const UsuarioWindows*> elegidos;
  for (const UsuarioWindows& u : v.usuarios) {
    if (nombre.empty() || Mayus(u.nombre) == Mayus(nombre) || (!u.sid.empty() && Mayus(u.sid) == Mayus(nombre))) {
      elegidos.push_back(&u);
    }
  }
  if (elegidos.empty()) {
    std::string texto = "orvex: " + (nombre.empty() ? std::string("no user profile with an NTUSER.DAT below ") +
                                                          v.raiz.string()
                                                    : "no user called \"" + nombre + "\"");
    if (!v.usuarios.empty()) texto += "; the users are:";
    for (const UsuarioWindows& u : v.usuarios) texto += "\n  " + u.nombre;
    std::cerr << texto << '\n';
  }
  return elegidos;
}

// Ends a walk: the library back on its default registry, no user in the output.
struct FinRecorrido {
  ~FinRecorrido() {
    plataforma::UsarOrigenRegistro(nullptr);
    UsuarioEnCurso().clear();
  }
};

}  // namespace

std::optional<VolumenWindows> ExplorarVolumen(const std::string& dir, std::string* error) {
  VolumenWindows v;
  std::error_code ec;
  v.raiz = fs::absolute(dir, ec);
  if (ec || !fs::is_directory(v.raiz, ec)) {
    *error = "--windows-root " + dir + ": not a folder";
    return std::nullopt;
  }
  v.software = Ruta(v.raiz, {"Windows", "System32", "config", "SOFTWARE"});
  if (v.software.empty()) v.software = Ruta(v.raiz, {"WINNT", "System32", "config", "SOFTWARE"});
  for (const char* base : kPerfiles) {
    const fs::path perfiles = Entrada(v.raiz, base);
    if (perfiles.empty()) continue;
    std::vector<fs::path> carpetas;
    for (fs::directory_iterator it(perfiles, ec), fin; !ec && it != fin; it.increment(ec)) carpetas.push_back(it->path());
    std::sort(carpetas.begin(), carpetas.end());
    for (const fs::path& carpeta : carpetas) {
      const fs::path colmena = Entrada(carpeta, "NTUSER.DAT");
      if (colmena.empty() || !fs::is_regular_file(colmena, ec)) continue;
      UsuarioWindows u;
      u.nombre = carpeta.filename().string();
      u.perfil = "C:\\" + perfiles.filename().string() + "\\" + u.nombre;
      u.carpeta = carpeta;
      u.colmena = colmena;
      u.colmena_mostrada = colmena.string();
      v.usuarios.push_back(std::move(u));
    }
  }
  if (!AnotarSids(v, error)) return std::nullopt;
  return v;
}

bool AnotarSids(VolumenWindows& v, std::string* error) {
  if (v.software.empty()) return true;
  const auto maquina = colmena::AbrirOrigenColmena({"", v.software.string(), ""}, error);
  if (!maquina) return false;
  const std::vector<std::pair<std::string, std::string>> sids = Perfiles(*maquina);
  for (UsuarioWindows& u : v.usuarios) {
    for (const auto& [nombre, sid] : sids) {
      if (nombre == Mayus(u.nombre)) u.sid = sid;
    }
  }
  return true;
}

bool ActivarUsuario(const VolumenWindows& v, const UsuarioWindows& u, std::string* error) {
  auto origen = colmena::AbrirOrigenColmena({u.colmena.string(), v.software.string(), u.sid}, error);
  if (!origen) {
    if (error->starts_with(u.colmena.string())) error->replace(0, u.colmena.string().size(), u.colmena_mostrada);
    return false;
  }
  plataforma::UsarOrigenRegistro(std::move(origen));
  const bool vista = Mayus(u.perfil).starts_with("C:\\USERS\\");
  FijarEntorno("ORVEX_DRIVE_C", v.raiz.string());
  FijarEntorno("SystemDrive", "C:");
  FijarEntorno("SystemRoot", "C:\\WINDOWS");
  FijarEntorno("windir", "C:\\WINDOWS");
  FijarEntorno("USERNAME", u.nombre);
  FijarEntorno("USERPROFILE", u.perfil);
  FijarEntorno("HOMEDRIVE", "C:");
  FijarEntorno("HOMEPATH", u.perfil.substr(2));
  FijarEntorno("APPDATA", u.perfil + (vista ? "\\AppData\\Roaming" : "\\Application Data"));
  FijarEntorno("LOCALAPPDATA", u.perfil + (vista ? "\\AppData\\Local" : "\\Local Settings\\Application Data"));
  return true;
}

namespace {

// The volume of --windows-root or --image; empty after an error message.
std::optional<VolumenWindows> VolumenDe(const Opciones& o, std::string* error) {
  auto v = o.imagen.empty() ? ExplorarVolumen(o.raiz_windows, error) : ExplorarImagen(o, error);
  if (!v) std::cerr << "orvex: " << *error << '\n';
  return v;
}

// Activates the registry of each user the options choose, in turn, and hands it to cada; a user
// whose registry cannot be read is reported and counts as an error. The worst exit code.
int PorUsuario(const Opciones& o,
               const std::function<int(const VolumenWindows&, const UsuarioWindows&, std::size_t elegidos)>& cada) {
  std::string error;
  const std::optional<VolumenWindows> v = VolumenDe(o, &error);
  if (!v) return kSalidaError;
  const std::vector<const UsuarioWindows*> elegidos = Elegir(*v, o.usuario);
  if (elegidos.empty()) return kSalidaError;
  FinRecorrido fin;
  int peor = kSalidaBien;
  for (const UsuarioWindows* u : elegidos) {
    UsuarioEnCurso().clear();
    if (!ActivarUsuario(*v, *u, &error)) {
      std::cerr << "orvex: user " << u->nombre << ": " << error << '\n';
      peor = kSalidaError;
      continue;
    }
    peor = std::max(peor, cada(*v, *u, elegidos.size()));
  }
  return peor;
}

}  // namespace

int OrdenUsuarios(const Opciones& o) {
  return PorUsuario(o, [&o](const VolumenWindows&, const UsuarioWindows& u, std::size_t) {
    const uint32_t version = OE_ObtenerVersionOE();
    std::vector<std::string> identidades;
    if (version == VERSION_OE5) identidades = Identidades();
    if (o.json) {
      std::vector<std::string> utf8;
      for (const std::string& n : identidades) utf8.push_back(AUtf8(n));
      json j = {{"type", "user"},
                {"user", u.nombre},
                {"profile", u.perfil},
                {"path", u.carpeta.string()},
                {"sid", u.sid.empty() ? json(nullptr) : json(u.sid)},
                {"generation", version},
                {"generation_name", NombreGeneracion(version)},
                {"identities", utf8}};
      std::cout << j.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
    } else {
      Tabla t({"User", u.nombre});
      t.Fila({"profile", u.perfil});
      t.Fila({"folder", u.carpeta.string()});
      t.Fila({"SID", u.sid.empty() ? "(unknown)" : u.sid});
      t.Fila({"mail client", NombreGeneracion(version)});
      t.Imprimir(std::cout);
    }
    if (version == VERSION_NINGUNA) return kSalidaBien;
    // Each identity's store (one store for the older clients), as `info` shows it.
    UsuarioEnCurso() = u.nombre;
    Opciones una = o;
    if (identidades.empty()) identidades.push_back(o.identidad);
    int peor = kSalidaBien;
    for (const std::string& identidad : identidades) {
      una.identidad = identidad;
      peor = std::max(peor, OrdenInfo(una));
    }
    return peor;
  });
}

int EnCadaUsuario(const Opciones& o, const std::function<int(const Opciones&)>& orden) {
  std::size_t hechos = 0;
  std::string raiz;
  const int peor = PorUsuario(o, [&](const VolumenWindows& v, const UsuarioWindows& u, std::size_t elegidos) {
    raiz = v.raiz.string();
    // Walking every user, one without a mail client is passed over.
    if (o.usuario.empty() && OE_ObtenerVersionOE() == VERSION_NINGUNA) return kSalidaBien;
    ++hechos;
    UsuarioEnCurso() = u.nombre;
    Opciones una = o;
    if (elegidos > 1 && !o.salida.empty()) una.salida = (fs::path(o.salida) / u.nombre).string();
    if (!o.json) std::cout << "== user " << u.nombre << " (" << u.perfil << ")\n";
    return orden(una);
  });
  if (hechos == 0 && peor == kSalidaBien) {
    std::cerr << "orvex: no user below " << raiz << " has a mail store in their registry\n";
    return kSalidaError;
  }
  return peor;
}

}  // namespace orvex::herramienta
