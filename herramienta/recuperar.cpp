#include "herramienta/recuperar.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "almacen_oe5/formato_dbx.h"
#include "herramienta/sanear.h"
#include "herramienta/sistema.h"
#include "recuperacion/recuperacion.h"
#include "soporte/bytes.h"

namespace orvex::herramienta {
namespace {
namespace fs = std::filesystem;
using json = nlohmann::ordered_json;
using recuperacion::Recuperado;
using recuperacion::TipoArchivo;

// Offsets in these files are 32-bit: a larger file is not one of them.
constexpr uintmax_t kMaximoArchivo = 0xFFFFFFFFu;
// Folder depth walked below PATH.
constexpr int kProfundidadMaxima = 16;

void Error(const std::string& texto) { std::cerr << "orvex: " << texto << '\n'; }

std::string Minusculas(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The kind of file by its signature; a file whose header is gone by its extension.
TipoArchivo Tipo(const fs::path& ruta, std::span<const uint8_t> bytes) {
  const TipoArchivo t = recuperacion::Reconocer(bytes);
  if (t != TipoArchivo::kOtro) return t;
  // A folder list or another kind of .dbx keeps its signature: only a headless file goes by name.
  if (bytes.size() >= 4 && Le32(bytes.data()) == dbx::kFirma0) return TipoArchivo::kOtro;
  const std::string ext = Minusculas(ruta.extension().string());
  if (ext == ".dbx") return TipoArchivo::kDbxMensajes;
  if (ext == ".mbx") return TipoArchivo::kMbx;
  return TipoArchivo::kOtro;
}

// The index beside a mailbox: its name with .idx, in any case.
std::optional<fs::path> IndiceDe(const fs::path& mbx) {
  std::error_code ec;
  const std::string base = Minusculas(mbx.stem().string());
  const fs::path dir = mbx.has_parent_path() ? mbx.parent_path() : fs::path(".");
  for (fs::directory_iterator it(dir, ec), fin; !ec && it != fin; it.increment(ec)) {
    const fs::path& p = it->path();
    if (Minusculas(p.stem().string()) == base && Minusculas(p.extension().string()) == ".idx") return p;
  }
  return std::nullopt;
}

// A folder of our own below padre: created, or there already as a real folder (not a link).
std::optional<fs::path> Subcarpeta(const fs::path& padre, const std::string& nombre) {
  const fs::path p = padre / nombre;
  std::error_code ec;
  fs::create_directory(p, ec);
  if (ec || !fs::is_directory(fs::symlink_status(p, ec))) return std::nullopt;
  return p;
}

struct Cuenta {
  std::size_t mensajes = 0, bytes = 0;
};

class Recuperacion {
 public:
  Recuperacion(const OpcionesRecuperar& o, fs::path salida, ArchivoSalida informe)
      : o_(o), salida_(std::move(salida)), informe_(std::move(informe)) {}

  // Scans one file; false when it could not be read or written out.
  bool Archivo(const fs::path& ruta, bool explicito) {
    auto bytes = LeerEntero(ruta);
    if (!bytes) {
      Error("cannot read " + ruta.string() + " (or hold it in memory)");
      return false;
    }
    const TipoArchivo tipo = Tipo(ruta, *bytes);
    if (tipo == TipoArchivo::kOtro) {
      if (explicito) Error(ruta.string() + ": not a .dbx message file or a .mbx mailbox");
      return !explicito;
    }
    // A mailbox's records are told live or dead by its index, when it has one that belongs to it.
    const std::optional<fs::path> ruta_indice = tipo == TipoArchivo::kMbx ? IndiceDe(ruta) : std::nullopt;
    const auto indice = ruta_indice ? LeerEntero(*ruta_indice) : std::nullopt;
    const auto hallados = tipo == TipoArchivo::kMbx
                              ? recuperacion::RecuperarMbx(*bytes, indice.value_or(std::vector<uint8_t>()))
                              : recuperacion::RecuperarDbx(*bytes);
    if (ruta_indice && std::any_of(hallados.begin(), hallados.end(),
                                   [](const Recuperado& r) { return r.origen == recuperacion::Origen::kRegistro; })) {
      Error(ruta_indice->string() +
            " is not an index of this mailbox (or is damaged): its records are not told live or dead");
    }
    ++archivos_;
    // One output folder per input file, numbered when two inputs share a name.
    const std::string base = SanearNombre(ruta.filename().string(), "archivo");
    std::string nombre = base;
    for (unsigned n = 2; !usados_.insert(nombre).second; ++n) nombre = NombreNumerado(base, n);
    const auto carpeta = Subcarpeta(salida_, nombre);
    if (!carpeta) {
      Error("cannot create " + (salida_ / nombre).string());
      return false;
    }
    std::map<recuperacion::Origen, Cuenta> cuentas;
    std::size_t huecos = 0;
    for (std::size_t i = 0; i < hallados.size(); ++i) {
      const Recuperado& r = hallados[i];
      const auto sub = Subcarpeta(*carpeta, std::string(recuperacion::NombreOrigen(r.origen)));
      char nombre_eml[48];
      std::snprintf(nombre_eml, sizeof nombre_eml, "%04zu-%08llx.eml", i + 1,
                    static_cast<unsigned long long>(r.desplazamiento));
      auto creado = sub ? CrearArchivoUnico(*sub, nombre_eml, "mensaje.eml") : std::nullopt;
      const std::string texto = o_.marcar_huecos ? recuperacion::TextoConMarcas(r) : r.texto;
      if (!creado || std::fwrite(texto.data(), 1, texto.size(), creado->archivo.get()) != texto.size()) {
        Error("cannot write a recovered message below " + carpeta->string());
        return false;
      }
      Cuenta& c = cuentas[r.origen];
      ++c.mensajes;
      c.bytes += r.texto.size();
      Cuenta& t = totales_[r.origen];
      ++t.mensajes;
      t.bytes += r.texto.size();
      huecos_ += r.huecos.size();
      huecos += r.huecos.size();
      json j;
      j["type"] = "recovered";
      j["file"] = ruta.string();
      j["found"] = recuperacion::NombreOrigen(r.origen);
      j["offset"] = r.desplazamiento;
      j["blocks"] = r.bloques;
      j["bytes"] = r.texto.size();
      j["state"] = recuperacion::NombreEstado(r.estado);
      if (r.corte != recuperacion::Corte::kNinguno) j["cut"] = recuperacion::NombreCorte(r.corte);
      if (r.id != 0) j["id"] = r.id;
      json lista = json::array();
      for (const auto& h : r.huecos) lista.push_back({{"at", h.posicion}, {"lost", h.longitud}});
      j["gaps"] = std::move(lista);
      if (r.uniones != 0) j["joined_by_content"] = r.uniones;
      j["marked"] = o_.marcar_huecos && !r.huecos.empty();
      j["eml"] = fs::relative(creado->ruta, salida_).generic_string();
      Emitir(j);
    }
    if (!o_.json) {
      std::cout << ruta.string() << ":";
      if (hallados.empty()) std::cout << " nothing found";
      const char* separador = " ";
      for (const auto& [origen, c] : cuentas) {
        std::cout << separador << c.mensajes << ' ' << recuperacion::NombreOrigen(origen) << " (" << c.bytes
                  << " bytes)";
        separador = ", ";
      }
      if (huecos != 0) {
        std::cout << "; " << huecos << (huecos == 1 ? " gap" : " gaps") << " of lost bytes"
                  << (o_.marcar_huecos ? " (marked)" : " (not marked: --mark-gaps)");
      }
      std::cout << '\n';
    }
    total_ += hallados.size();
    return true;
  }

  // Every file below carpeta, the output folder left out.
  bool Carpeta(const fs::path& carpeta) {
    std::error_code ec;
    std::vector<fs::path> archivos;
    fs::recursive_directory_iterator it(carpeta, fs::directory_options::skip_permission_denied, ec), fin;
    for (; !ec && it != fin; it.increment(ec)) {
      if (it.depth() > kProfundidadMaxima) it.disable_recursion_pending();
      std::error_code ec2;
      if (fs::equivalent(it->path(), salida_, ec2)) {
        it.disable_recursion_pending();
        continue;
      }
      if (it->is_regular_file(ec2) && !it->is_symlink(ec2)) archivos.push_back(it->path());
    }
    if (ec) Error("cannot walk " + carpeta.string() + ": " + ec.message());
    std::sort(archivos.begin(), archivos.end());
    bool bien = !ec;
    for (const auto& a : archivos) bien = Archivo(a, false) && bien;
    return bien;
  }

  void Resumen() const {
    if (o_.json) {
      json j;
      j["type"] = "summary";
      j["files"] = archivos_;
      j["recovered"] = total_;
      for (auto origen : {recuperacion::Origen::kIndice, recuperacion::Origen::kHuerfano,
                          recuperacion::Origen::kFragmento, recuperacion::Origen::kRegistro}) {
        const auto it = totales_.find(origen);
        j[std::string(recuperacion::NombreOrigen(origen))] = it == totales_.end() ? 0 : it->second.mensajes;
      }
      std::size_t bytes = 0;
      for (const auto& [origen, c] : totales_) bytes += c.bytes;
      j["bytes"] = bytes;
      j["gaps"] = huecos_;
      std::cout << j.dump() << '\n';
      return;
    }
    std::cout << total_ << (total_ == 1 ? " message" : " messages") << " recovered from " << archivos_
              << (archivos_ == 1 ? " file" : " files") << " into " << salida_.string() << " (report: "
              << (salida_ / "report.jsonl").string() << ")\n";
  }
  std::size_t Archivos() const { return archivos_; }

 private:
  void Emitir(const json& j) {
    const std::string linea = j.dump(-1, ' ', false, json::error_handler_t::replace);
    std::fprintf(informe_.get(), "%s\n", linea.c_str());
    if (o_.json) std::cout << linea << '\n';
  }

  const OpcionesRecuperar& o_;
  fs::path salida_;
  ArchivoSalida informe_;
  std::set<std::string> usados_;
  std::map<recuperacion::Origen, Cuenta> totales_;
  std::size_t archivos_ = 0, total_ = 0, huecos_ = 0;
};

}  // namespace

std::optional<std::vector<uint8_t>> LeerEntero(const std::filesystem::path& ruta) {
  std::error_code ec;
  const uintmax_t tam = std::filesystem::file_size(ruta, ec);
  if (ec || tam > kMaximoArchivo) return std::nullopt;
  std::ifstream f(ruta, std::ios::binary);
  if (!f) return std::nullopt;
  std::vector<uint8_t> v;
  try {
    v.resize(static_cast<std::size_t>(tam));
  } catch (const std::bad_alloc&) {
    return std::nullopt;  // the scanners take the whole file at once
  }
  f.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size()));
  v.resize(static_cast<std::size_t>(f.gcount()));
  return v;
}

int OrdenRecuperar(const OpcionesRecuperar& o) {
  std::error_code ec;
  const fs::path ruta(o.ruta);
  if (!fs::exists(ruta, ec)) {
    Error(o.ruta + ": no such file or folder");
    return 2;
  }
  fs::create_directories(o.salida, ec);
  if (ec || !fs::is_directory(o.salida, ec)) {
    Error("cannot create the output folder " + o.salida);
    return 2;
  }
  const fs::path salida = fs::canonical(o.salida, ec);
  // The report is new every run (an old one, or a link of its name, goes first); the messages
  // never replace a file already there.
  const fs::path ruta_informe = salida / "report.jsonl";
  bool existe = false;
  if (!ec) fs::remove(ruta_informe, ec);
  ArchivoSalida informe(ec ? nullptr : CrearExclusivo(ruta_informe, &existe));
  if (!informe) {
    Error("cannot write the report in " + o.salida);
    return 2;
  }
  Recuperacion r(o, salida, std::move(informe));
  const bool bien = fs::is_directory(ruta, ec) ? r.Carpeta(ruta) : r.Archivo(ruta, true);
  r.Resumen();
  if (r.Archivos() == 0 && bien) {
    Error(o.ruta + ": no .dbx message file or .mbx mailbox found");
    return 2;
  }
  return bien ? 0 : 2;
}

}  // namespace orvex::herramienta
