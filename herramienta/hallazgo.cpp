#include "herramienta/hallazgo.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe5/formato_dbx.h"
#include "escritura/buzon.h"
#include "soporte/bytes.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;
namespace {

std::string Minusculas(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The first n bytes of a file (fewer when it is shorter).
std::vector<uint8_t> Leer(const fs::path& archivo, std::size_t n = SIZE_MAX) {
  std::ifstream f(archivo, std::ios::binary);
  std::vector<uint8_t> b;
  if (!f) return b;
  if (n == SIZE_MAX) return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  b.resize(n);
  f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(n));
  b.resize(static_cast<std::size_t>(f.gcount()));
  return b;
}

uint32_t PalabraEn(const std::vector<uint8_t>& b, std::size_t pos) {
  return pos <= b.size() && b.size() - pos >= 4 ? Le32(b.data() + pos) : 0;
}

// A folder list whose header holds: long enough for its header, its first tree or record inside.
bool ListaLegible(const fs::path& archivo, TipoArchivo tipo) {
  std::error_code ec;
  const uint64_t tam = fs::file_size(archivo, ec);
  if (ec) return false;
  if (tipo == TipoArchivo::kFoldersDbx) {
    const std::vector<uint8_t> cab = Leer(archivo, dbx::kLeidoCabeceraCarpetas);
    const uint32_t arbol = PalabraEn(cab, dbx::kCabArbolCarpetas);
    return cab.size() == dbx::kLeidoCabeceraCarpetas && arbol >= dbx::kLeidoCabeceraCarpetas && arbol < tam;
  }
  const std::vector<uint8_t> cab = Leer(archivo, oe4fmt::kLongCabFolders);
  const uint32_t primero = PalabraEn(cab, oe4fmt::kNchPrimero);
  return cab.size() == oe4fmt::kLongCabFolders && primero >= oe4fmt::kLongCabFolders &&
         primero + uint64_t{oe4fmt::kLongCarpeta} <= tam;
}

struct Entrada {
  fs::path ruta;
  TipoArchivo tipo;
};

// The regular files of dir (no links), with their kinds.
std::vector<Entrada> Archivos(const fs::path& dir) {
  std::vector<Entrada> r;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), fin; !ec && it != fin; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_regular_file(ec2) || it->is_symlink(ec2)) continue;
    r.push_back({it->path(), TipoPorContenido(it->path())});
  }
  std::sort(r.begin(), r.end(), [](const Entrada& a, const Entrada& b) { return a.ruta < b.ruta; });
  return r;
}

Buzon BuzonDe(const fs::path& mbx, const std::vector<Entrada>& archivos) {
  Buzon b;
  b.mbx = mbx;
  const std::string base = Minusculas(mbx.stem().string());
  for (const Entrada& e : archivos) {
    if (Minusculas(e.ruta.stem().string()) == base && Minusculas(e.ruta.extension().string()) == ".idx") b.idx = e.ruta;
  }
  if (!b.idx.empty()) b.indice_bueno = escritura::IndiceConcuerda(Leer(b.idx), Leer(b.mbx));
  return b;
}

uint64_t MensajesDeBuzon(const Buzon& b) {
  if (b.indice_bueno) return PalabraEn(Leer(b.idx, oe4fmt::kLongCabIdx), oe4fmt::kIdxNumRegistros);
  return escritura::RegistrosBuzon(Leer(b.mbx)).size();
}

// The store that the files of one folder make, if any. With solo, only that message file.
std::optional<AlmacenHallado> Examinar(const fs::path& dir, const std::vector<Entrada>& archivos,
                                       const fs::path& solo = {}) {
  AlmacenHallado a;
  a.datos = dir;
  a.solo_archivo = !solo.empty();
  bool nombre_nch = false, idx_oe4 = false;
  std::vector<fs::path> mbx;
  for (const Entrada& e : archivos) {
    const std::string nombre = Minusculas(e.ruta.filename().string());
    const bool elegido = solo.empty() || e.ruta == solo;
    switch (e.tipo) {
      case TipoArchivo::kFoldersDbx:
      case TipoArchivo::kFoldersNch:
        if (solo.empty() && a.lista.empty() && ListaLegible(e.ruta, e.tipo)) {
          a.lista = e.ruta;
        } else if (solo.empty() && a.lista.empty()) {
          a.lista_mala = e.ruta;
        }
        nombre_nch = nombre_nch || e.tipo == TipoArchivo::kFoldersNch;
        break;
      case TipoArchivo::kMensajesDbx:
        if (elegido) a.mensajes.push_back(e.ruta);
        break;
      case TipoArchivo::kMbx:
        if (elegido) mbx.push_back(e.ruta);
        break;
      case TipoArchivo::kIdx:
        idx_oe4 = idx_oe4 || escritura::GeneracionIndice(Leer(e.ruta)) == 4;
        break;
      default:
        // A folder list by its name whose content is something else.
        if (solo.empty() && (nombre == "folders.dbx" || nombre == "folders.nch") && a.lista_mala.empty()) {
          a.lista_mala = e.ruta;
        }
        nombre_nch = nombre_nch || nombre == "folders.nch";
        break;
    }
  }
  if (!a.lista.empty()) a.lista_mala.clear();
  const bool lista_oe5 = !a.lista.empty() && TipoPorContenido(a.lista) == TipoArchivo::kFoldersDbx;
  if (lista_oe5 || !a.mensajes.empty()) {
    a.version = 5;
    if (!a.lista.empty() && !lista_oe5) a.lista.clear();
    for (const fs::path& m : a.mensajes) {
      a.num_mensajes += PalabraEn(Leer(m, dbx::kLeidoCabeceraMensajes), dbx::kCabNumMensajes);
    }
  } else if (!mbx.empty() || !a.lista.empty()) {
    a.version = (nombre_nch || idx_oe4) ? 4 : 1;
    if (a.version == 1) a.lista_mala.clear();
    for (const fs::path& m : mbx) {
      a.buzones.push_back(BuzonDe(m, archivos));
      a.num_mensajes += MensajesDeBuzon(a.buzones.back());
    }
  } else {
    return std::nullopt;
  }
  if (a.solo_archivo) a.lista.clear();
  return a;
}

}  // namespace

TipoArchivo TipoPorContenido(const fs::path& archivo) {
  const std::vector<uint8_t> b = Leer(archivo, 8);
  const uint32_t p0 = PalabraEn(b, 0), p1 = PalabraEn(b, 4);
  if (p0 == dbx::kFirma0 && p1 == dbx::kFirmaCarpetas) return TipoArchivo::kFoldersDbx;
  if (p0 == dbx::kFirma0 && p1 == dbx::kFirmaMensajes) return TipoArchivo::kMensajesDbx;
  if (p0 == oe4fmt::kFirmaNch && p1 == oe4fmt::kVersionFolders) return TipoArchivo::kFoldersNch;
  if (p0 == oe4fmt::kFirmaNch && p1 == oe4fmt::kVersionGrupo) return TipoArchivo::kGrupoNch;
  if (b.size() >= 4 && p0 == oe4fmt::kFirmaMbx) return TipoArchivo::kMbx;
  if (b.size() >= 4 && p0 == oe4fmt::kFirmaIdx) return TipoArchivo::kIdx;
  return TipoArchivo::kOtro;
}

bool AlmacenHallado::SinIndice() const {
  return std::any_of(buzones.begin(), buzones.end(), [](const Buzon& b) { return !b.indice_bueno; });
}

const char* NombreTipoLista(uint32_t version) { return version == 5 ? "folders.dbx" : "folders.nch"; }

std::vector<AlmacenHallado> BuscarAlmacenes(const fs::path& entrada, const LimitesBusqueda& limites,
                                            std::string* aviso) {
  std::vector<AlmacenHallado> hallados;
  std::error_code ec;
  const fs::path inicio = fs::absolute(entrada, ec).lexically_normal();
  if (ec) return hallados;
  if (fs::is_regular_file(inicio, ec)) {
    const fs::path dir = inicio.parent_path();
    const std::vector<Entrada> archivos = Archivos(dir);
    fs::path solo;
    switch (TipoPorContenido(inicio)) {
      case TipoArchivo::kMensajesDbx:
      case TipoArchivo::kMbx:
        solo = inicio;
        break;
      case TipoArchivo::kIdx:  // its mailbox: the .mbx of the same name
        for (const Entrada& e : archivos) {
          if (e.tipo == TipoArchivo::kMbx && Minusculas(e.ruta.stem().string()) == Minusculas(inicio.stem().string())) {
            solo = e.ruta;
          }
        }
        if (solo.empty()) return hallados;
        break;
      case TipoArchivo::kFoldersDbx:
      case TipoArchivo::kFoldersNch:
        break;  // the whole folder
      default:
        return hallados;
    }
    if (std::optional<AlmacenHallado> a = Examinar(dir, archivos, solo)) hallados.push_back(std::move(*a));
    return hallados;
  }
  if (!fs::is_directory(inicio, ec)) return hallados;
  std::vector<std::pair<fs::path, int>> pendientes = {{inicio, 0}};
  std::size_t vistos = 0;
  bool cortado = false;
  while (!pendientes.empty()) {
    const auto [dir, nivel] = pendientes.back();
    pendientes.pop_back();
    std::vector<fs::path> subcarpetas;
    for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), fin; !ec && it != fin;
         it.increment(ec)) {
      if (++vistos > limites.archivos) {
        cortado = true;
        break;
      }
      std::error_code ec2;
      if (it->is_symlink(ec2) || !it->is_directory(ec2)) continue;
      if (nivel < limites.profundidad) {
        subcarpetas.push_back(it->path());
      } else {
        cortado = true;
      }
    }
    ec.clear();
    if (std::optional<AlmacenHallado> a = Examinar(dir, Archivos(dir))) hallados.push_back(std::move(*a));
    if (vistos > limites.archivos) break;
    std::sort(subcarpetas.rbegin(), subcarpetas.rend());
    for (const fs::path& s : subcarpetas) pendientes.emplace_back(s, nivel + 1);
  }
  std::sort(hallados.begin(), hallados.end(),
            [](const AlmacenHallado& a, const AlmacenHallado& b) { return a.datos < b.datos; });
  if (cortado && aviso != nullptr) {
    *aviso = "the search stopped at " + std::to_string(limites.profundidad) + " folder levels or " +
             std::to_string(limites.archivos) + " entries; give a folder further down to look deeper";
  }
  return hallados;
}

}  // namespace orvex::herramienta
