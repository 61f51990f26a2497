#include "herramienta/cambio.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <system_error>

#include "herramienta/salida.h"
#include "herramienta/sanear.h"
#include "herramienta/sistema.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;

fs::path CarpetaTemporalNueva() {
  std::random_device azar;
  for (int i = 0; i < 100; ++i) {
    const fs::path p = fs::temp_directory_path() / ("orvex-" + std::to_string(azar()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) return p;
  }
  return {};
}

fs::path CarpetaCopias(const std::string& elegida, const fs::path& junto_a) {
  if (!elegida.empty()) return elegida;
  const std::time_t ahora = std::time(nullptr);
  const std::tm utc = *std::gmtime(&ahora);
  char b[32];
  std::strftime(b, sizeof b, "%Y%m%dT%H%M%SZ", &utc);
  return junto_a.string() + ".orvex-backup-" + b;
}

bool Copias::Asegurar(const std::vector<std::string>& rutas) {
  if (!activas_) return true;
  for (const std::string& r : rutas) {
    if (r.empty() || !hechas_.insert(r).second) continue;
    const std::optional<fs::path> local = RutaLocal(r);
    if (!local) continue;  // a file that does not exist is not changed either
    if (destino_.empty()) {
      destino_ = CarpetaCopias(carpeta_, local->parent_path());
      std::error_code ec;
      fs::create_directories(destino_, ec);
      if (ec) {
        Error("cannot create the backup folder " + destino_.string() + ": " + ec.message());
        return false;
      }
    }
    std::optional<ArchivoCreado> copia = CrearArchivoUnico(destino_, TextoRuta(local->filename()), "store-file");
    std::ifstream origen(*local, std::ios::binary);
    bool bien = copia.has_value() && origen.good();
    char trozo[1 << 16];
    while (bien && origen) {
      origen.read(trozo, sizeof trozo);
      const std::streamsize n = origen.gcount();
      if (n > 0) bien = std::fwrite(trozo, 1, static_cast<std::size_t>(n), copia->archivo.get()) ==
                        static_cast<std::size_t>(n);
    }
    if (bien) bien = std::fflush(copia->archivo.get()) == 0 && !origen.bad();
    if (!bien) {
      Error("cannot back up " + local->string() + " into " + destino_.string() + "; the store was not changed");
      return false;
    }
  }
  return true;
}

Deshacer::~Deshacer() {
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

bool Deshacer::Guardar(const std::vector<std::string>& rutas) {
  for (const std::string& r : rutas) {
    const std::optional<fs::path> local = r.empty() ? std::nullopt : RutaLocal(r);
    if (!local) continue;
    bool ya = false;
    for (const auto& [original, copia] : archivos_) ya = ya || original == *local;
    if (ya) continue;
    if (dir_.empty() && (dir_ = CarpetaTemporalNueva()).empty()) return false;
    const fs::path copia = dir_ / std::to_string(archivos_.size());
    std::error_code ec;
    if (!fs::copy_file(*local, copia, ec) || ec) return false;
    archivos_.emplace_back(*local, copia);
  }
  return true;
}

namespace {

bool Iguales(const fs::path& a, const fs::path& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  return fa && fb &&
         std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

}  // namespace

bool Deshacer::Restaurar() const {
  bool bien = true;
  for (const auto& [original, copia] : archivos_) {
    std::error_code ec;
    fs::copy_file(copia, original, fs::copy_options::overwrite_existing, ec);
    bien = bien && !ec && Iguales(original, copia);
  }
  return bien;
}

bool TerminaEnVir(std::string_view nombre) {
  if (nombre.size() < 4) return false;
  std::string fin(nombre.substr(nombre.size() - 4));
  for (char& c : fin) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return fin == ".vir";
}

MensajeReleido Releer(uint32_t version, const std::vector<CarpetaVista>& carpetas, const CarpetaVista& c,
                      uint32_t id) {
  MensajeReleido leido;
  const auto visita = [&](const CarpetaVista&, OE_MENSAJE* m, uint32_t) {
    if (m->IdMensaje < id) return true;
    MensajeReleido l;
    l.hallado = true;
    if (m->Texto != nullptr) l.texto.assign(m->Texto, m->LongTexto);
    l.partes_resultado = RecorrerPartes(m, [&l](OE_OBJMSG*, const ParteVista& p) {
      l.partes.push_back({p.nombre, p.contenido, ACCION_CONSERVAR});
      return true;
    });
    const bool mismo = m->IdMensaje == id;
    leido = std::move(l);
    return !mismo;
  };
  RecorrerMensajes(version, carpetas, {c.Clave()}, visita, [](const Tropiezo&) {}, false);
  return leido;
}

std::string ColaIntacta(const std::string& texto, std::size_t fin) {
  std::size_t desde = std::min(fin, texto.size());
  const std::size_t ultimo = texto.find_last_not_of("\r\n");
  if (ultimo != std::string::npos) {
    const std::size_t salto = texto.rfind('\n', ultimo);
    const std::size_t inicio = salto == std::string::npos ? 0 : salto + 1;
    const std::string_view linea(texto.data() + inicio, ultimo + 1 - inicio);
    if (linea.size() > 4 && linea.starts_with("--") && linea.ends_with("--")) desde = std::min(desde, inicio);
  }
  return texto.substr(desde);
}

std::string Comprobar(const std::vector<ParteEscaneada>& antes, std::string_view cola, const MensajeReleido& ahora) {
  if (!ahora.hallado || ahora.partes_resultado != OE_FIN) return "the changed message cannot be read back";
  if (!std::string_view(ahora.texto).ends_with(cola)) {
    return "the changed message would not fit in its place in the store";
  }
  std::size_t j = 0;
  for (const ParteEscaneada& p : antes) {
    const ParteEscaneada* n = j < ahora.partes.size() ? &ahora.partes[j] : nullptr;
    if (p.accion == ACCION_BORRAR) {
      if (n != nullptr && n->nombre == p.nombre && !p.contenido.empty() && n->contenido == p.contenido) {
        return "the removed part would still read back with its content";
      }
      if (n != nullptr && n->nombre == p.nombre && n->contenido.empty()) ++j;
      continue;
    }
    if (n == nullptr || n->contenido != p.contenido) {
      return "a part of the changed message would not read back the same";
    }
    const bool nombre_bien = p.accion == ACCION_RENOMBRAR ? TerminaEnVir(n->nombre) && n->nombre != p.nombre
                                                          : n->nombre == p.nombre;
    if (!nombre_bien) return "a part of the changed message would not read back under the right name";
    ++j;
  }
  if (j != ahora.partes.size()) return "the changed message would read back with other parts";
  return "";
}

}  // namespace orvex::herramienta
