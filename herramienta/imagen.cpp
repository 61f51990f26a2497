#include "herramienta/imagen.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>

#include "api/orvex.h"
#include "herramienta/carpeta_temporal.h"
#include "herramienta/textos.h"
#include "herramienta/usuarios.h"
#include "imagen/origen_imagen.h"
#include "plataforma/origen_archivos.h"
#include "plataforma/plataforma.h"

namespace orvex::herramienta {
namespace {

std::shared_ptr<imagen::OrigenImagen> g_imagen;
std::string g_archivo;

void Error(const std::string& texto) { std::cerr << "orvex: " << texto << '\n'; }

bool IgualesSinCaso(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "C:\a\b" for "/a/b", "a/b" or "C:/a/b".
std::string RutaC(const std::string& ruta) {
  std::string r = ruta;
  if (r.size() >= 2 && r[1] == ':') r = r.substr(2);
  for (char& c : r) {
    if (c == '/') c = '\\';
  }
  while (r.size() > 1 && r.back() == '\\') r.pop_back();
  if (r.empty() || r.front() != '\\') r.insert(r.begin(), '\\');
  return "C:" + r;
}

std::string Unir(const std::string& dir, const std::string& nombre) {
  return dir.back() == '\\' ? dir + nombre : dir + "\\" + nombre;
}

std::string Padre(const std::string& ruta) {
  const std::size_t corte = ruta.find_last_of('\\');
  return corte <= 2 ? ruta.substr(0, 3) : ruta.substr(0, corte);
}

std::string Nombre(const std::string& ruta) { return ruta.substr(ruta.find_last_of('\\') + 1); }

// A folder named `nombre` (without regard to case) in dir, spelt as the image has it.
std::optional<std::string> Subcarpeta(const std::string& dir, const std::string& nombre) {
  for (const std::string& n : g_imagen->ListarCarpetas(dir)) {
    if (IgualesSinCaso(n, nombre)) return Unir(dir, n);
  }
  return std::nullopt;
}

std::optional<AlmacenReconocido> Reconocer(const std::string& dir) {
  AlmacenReconocido a;
  if (g_imagen->Existe(Unir(dir, "folders.dbx"))) {
    a.version = VERSION_OE5;
    a.datos = a.raiz = dir;
    return a;
  }
  const auto oe4 = [&](const std::string& raiz, const std::string& datos) {
    a.version = VERSION_OE4;
    a.raiz = raiz;
    a.datos = datos;
    a.subcarpeta = "mail";
    if (const std::optional<std::string> noticias = Subcarpeta(raiz, "News")) {
      for (const std::string& cuenta : g_imagen->ListarCarpetas(*noticias)) {
        if (g_imagen->Existe(Unir(Unir(*noticias, cuenta), "sublist.dat"))) a.cuentas_noticias.push_back(cuenta);
      }
    }
    return a;
  };
  const auto imn = [&](const std::string& raiz, const std::string& datos) {
    a.version = VERSION_IMN;
    a.raiz = raiz;
    a.datos = datos;
    a.subcarpeta = "Mail";
    return a;
  };
  if (const std::optional<std::string> mail = Subcarpeta(dir, "mail")) {
    if (g_imagen->Existe(Unir(*mail, "folders.nch"))) return oe4(dir, *mail);
    if (!g_imagen->Listar(*mail, "*.mbx").empty()) return imn(dir, *mail);
  }
  if (IgualesSinCaso(Nombre(dir), "mail")) {
    if (g_imagen->Existe(Unir(dir, "folders.nch"))) return oe4(Padre(dir), dir);
    if (!g_imagen->Listar(dir, "*.mbx").empty()) return imn(Padre(dir), dir);
  }
  return std::nullopt;
}

// Every store at or below dir, depth and count bounded (a damaged file system may loop).
void Buscar(const std::string& dir, int profundidad, std::size_t* visitadas, std::set<std::string>* vistos,
            std::vector<AlmacenReconocido>* hallados) {
  constexpr int kProfundidadMaxima = 12;
  constexpr std::size_t kCarpetasMaximas = 50000;
  if (profundidad > kProfundidadMaxima || ++*visitadas > kCarpetasMaximas) return;
  if (std::optional<AlmacenReconocido> a = Reconocer(dir)) {
    if (vistos->insert(a->datos.string()).second) hallados->push_back(*a);
    if (a->version == VERSION_OE5) return;
  }
  for (const std::string& n : g_imagen->ListarCarpetas(dir)) Buscar(Unir(dir, n), profundidad + 1, visitadas, vistos, hallados);
}

}  // namespace

bool ImagenPermite(const Opciones& o, bool escanear, bool otra) {
  if (o.imagen.empty()) {
    if (o.particion != 0) {
      Error("--partition needs --image");
      return false;
    }
    return true;
  }
  if (otra) {
    Error("recover reads files of this computer; with --image, export the stores instead");
    return false;
  }
  if (escanear && ((o.accion != "keep" && !o.simulacion) || o.escribir_indice)) {
    Error("an image is evidence and is never changed: with --image, scan only reports (--action keep, or "
          "--dry-run; no --write-index)");
    return false;
  }
  return true;
}

bool AbrirImagen(const Opciones& o) {
  // One attempt per run: the reason an image cannot be read is told once, however many steps ask.
  static bool intentado = false;
  if (g_imagen || intentado) return g_imagen != nullptr;
  intentado = true;
  std::string error;
  std::optional<unsigned> particion;
  if (o.particion != 0) particion = o.particion;
  g_imagen = imagen::OrigenImagen::Abrir(o.imagen, particion, &error);
  if (!g_imagen) {
    Error(error);
    return false;
  }
  g_archivo = std::filesystem::absolute(o.imagen).string();
  plataforma::UsarOrigenArchivos(g_imagen);
  return true;
}

std::optional<AlmacenReconocido> AlmacenEnImagen(const std::string& ruta) {
  const std::string dir = RutaC(ruta);
  if (std::optional<AlmacenReconocido> a = Reconocer(dir)) return a;
  std::vector<AlmacenReconocido> hallados;
  std::size_t visitadas = 0;
  std::set<std::string> vistos;
  Buscar(dir, 0, &visitadas, &vistos, &hallados);
  if (hallados.size() == 1) return hallados.front();
  if (hallados.empty()) {
    Error("no mail store at or below " + AUtf8(dir) + " in " + g_archivo +
          ": expected folders.dbx (Outlook Express 5/6), mail\\folders.nch (Outlook Express 4) or "
          "Mail\\*.mbx (Internet Mail and News)");
    return std::nullopt;
  }
  std::string texto = std::to_string(hallados.size()) + " mail stores below " + AUtf8(dir) + "; give one of them with --store:";
  for (const AlmacenReconocido& a : hallados) texto += "\n  " + AUtf8(a.datos.string());
  Error(texto);
  return std::nullopt;
}

std::vector<AlmacenReconocido> AlmacenesEnImagen() {
  std::vector<AlmacenReconocido> hallados;
  std::size_t visitadas = 0;
  std::set<std::string> vistos;
  for (const char* perfiles : {"Documents and Settings", "Users", "Windows", "Program Files"}) {
    if (std::optional<std::string> dir = Subcarpeta("C:\\", perfiles)) Buscar(*dir, 0, &visitadas, &vistos, &hallados);
  }
  return hallados;
}

int OrdenBuscarImagen(const Opciones& o) {
  if (!AbrirImagen(o)) return kSalidaError;
  const std::string entrada = o.buscar.empty() ? o.almacen : o.buscar;
  std::vector<AlmacenReconocido> hallados;
  if (entrada.empty()) {
    hallados = AlmacenesEnImagen();
  } else {
    std::size_t visitadas = 0;
    std::set<std::string> vistos;
    Buscar(RutaC(entrada), 0, &visitadas, &vistos, &hallados);
  }
  if (hallados.empty()) {
    Error("no mail store in " + g_archivo + (entrada.empty() ? std::string() : " below " + RutaC(entrada)));
    return kSalidaError;
  }
  for (const AlmacenReconocido& a : hallados) {
    const std::string ruta = AUtf8(a.datos.string());
    if (o.json) {
      const nlohmann::ordered_json j = {{"type", "store"}, {"generation", a.version}, {"path", ruta},
                                        {"image", g_archivo}, {"partition", g_imagen->Elegida().numero}};
      std::cout << j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    } else {
      const char* nombre = a.version == VERSION_OE5 ? "Outlook Express 5/6"
                           : a.version == VERSION_OE4 ? "Outlook Express 4" : "Internet Mail and News";
      std::cout << nombre << "  " << ruta << '\n';
    }
  }
  return kSalidaBien;
}

nlohmann::ordered_json ConOrigen(nlohmann::ordered_json j, const std::string& ruta_biblioteca) {
  if (!g_imagen) return j;
  const std::optional<imagen::Ubicacion> u = g_imagen->Ubicar(ruta_biblioteca);
  if (!u) return j;
  j["image"] = g_archivo;
  j["partition"] = g_imagen->Elegida().numero;
  j["inode"] = u->inodo;
  j["image_path"] = AUtf8(u->ruta);
  return j;
}

#ifdef ORVEX_CON_COLMENA
namespace {

// Copies a file of the image into dir (the hive reader opens files by path). False when it cannot
// be read whole or written.
bool CopiarFuera(const std::string& ruta, const std::filesystem::path& destino) {
  constexpr uint64_t kTamanoMaximo = uint64_t{1} << 30;  // far above any hive
  const std::unique_ptr<plataforma::ArchivoDeOrigen> f = g_imagen->Abrir(ruta);
  if (!f || f->Tamano() > kTamanoMaximo) return false;
  std::FILE* salida = std::fopen(destino.string().c_str(), "wb");
  if (salida == nullptr) return false;
  std::vector<char> trozo(1 << 20);
  bool bien = true;
  for (uint64_t pos = 0; bien && pos < f->Tamano();) {
    std::size_t n = 0;
    bien = f->Leer(pos, trozo.data(), trozo.size(), &n) && n > 0 && std::fwrite(trozo.data(), 1, n, salida) == n;
    pos += n;
  }
  return std::fclose(salida) == 0 && bien;
}

}  // namespace

std::optional<VolumenWindows> ExplorarImagen(const Opciones& o, std::string* error) {
  if (!AbrirImagen(o)) {
    *error = "cannot read the image";  // the reason is already told
    return std::nullopt;
  }
  static CarpetaTemporal colmenas;  // removed when the program ends
  VolumenWindows v;
  v.raiz = g_archivo;
  for (const char* windows : {"Windows", "WINNT"}) {
    const std::string software = std::string("C:\\") + windows + "\\System32\\config\\SOFTWARE";
    if (v.software.empty() && g_imagen->Existe(software)) {
      v.software = colmenas.Ruta() / "SOFTWARE";
      if (!CopiarFuera(software, v.software)) {
        *error = g_archivo + ": " + software + " cannot be read";
        return std::nullopt;
      }
    }
  }
  std::size_t n = 0;
  for (const char* base : {"Documents and Settings", "Users"}) {
    const std::optional<std::string> perfiles = Subcarpeta("C:\\", base);
    if (!perfiles) continue;
    for (const std::string& nombre : g_imagen->ListarCarpetas(*perfiles)) {
      const std::string carpeta = Unir(*perfiles, nombre);
      const std::vector<std::string> colmena = g_imagen->Listar(carpeta, "NTUSER.DAT");
      if (colmena.empty()) continue;
      UsuarioWindows u;
      u.nombre = nombre;
      u.perfil = carpeta;
      u.carpeta = carpeta;
      u.colmena = colmenas.Ruta() / ("NTUSER-" + std::to_string(++n) + ".DAT");
      u.colmena_mostrada = g_archivo + ": " + Unir(carpeta, colmena.front());
      if (!CopiarFuera(Unir(carpeta, colmena.front()), u.colmena)) {
        *error = u.colmena_mostrada + " cannot be read";
        return std::nullopt;
      }
      v.usuarios.push_back(std::move(u));
    }
  }
  if (!AnotarSids(v, error)) return std::nullopt;
  return v;
}

bool UsuariosEnImagen(const Opciones& o) {
  if (o.imagen.empty() || !o.almacen.empty() || !o.registro.empty() || !AbrirImagen(o)) return false;
  for (const char* base : {"Documents and Settings", "Users"}) {
    const std::optional<std::string> perfiles = Subcarpeta("C:\\", base);
    if (!perfiles) continue;
    for (const std::string& nombre : g_imagen->ListarCarpetas(*perfiles)) {
      if (!g_imagen->Listar(Unir(*perfiles, nombre), "NTUSER.DAT").empty()) return true;
    }
  }
  return false;
}
#else
bool UsuariosEnImagen(const Opciones&) { return false; }
#endif

}  // namespace orvex::herramienta
