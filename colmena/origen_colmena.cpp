#include "colmena/origen_colmena.h"

#include <hivex.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "plataforma/registro_archivo.h"

namespace orvex::colmena {
namespace {

namespace registro = plataforma::registro;

// One open hive file. hivex keeps the file's bytes in memory; its calls are serialised here
// since its handle keeps per-call state.
class Colmena {
 public:
  explicit Colmena(hive_h* h) : h_(h) {}
  ~Colmena() { hivex_close(h_); }
  Colmena(const Colmena&) = delete;
  Colmena& operator=(const Colmena&) = delete;

  hive_h* h() const { return h_; }
  std::mutex& cerrojo() const { return cerrojo_; }

 private:
  hive_h* h_;
  mutable std::mutex cerrojo_;
};

std::shared_ptr<Colmena> AbrirColmena(const std::string& ruta, std::string* error) {
  errno = 0;
  hive_h* h = hivex_open(ruta.c_str(), 0);
  if (h == nullptr) {
    const int e = errno;
    *error = ruta + ": not a registry hive, or damaged" + (e != 0 ? std::string(" (") + std::strerror(e) + ")" : "");
    return nullptr;
  }
  auto colmena = std::make_shared<Colmena>(h);
  if (hivex_root(h) == 0) {
    *error = ruta + ": the hive has no root key";
    return nullptr;
  }
  return colmena;
}

// hivex hands out malloc'd memory.
struct Liberar {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Propio = std::unique_ptr<T, Liberar>;

// The child of nodo named nombre, without regard to case, found as ClaveColmena lists children
// (one whose name cannot be read is passed over), so that every subkey listed opens again by its
// name. 0 when there is none.
hive_node_h Hija(hive_h* h, hive_node_h nodo, const std::string& nombre) {
  Propio<hive_node_h> hijos(hivex_node_children(h, nodo));
  if (!hijos) return 0;
  const std::string buscado = registro::Mayusculas(nombre);
  for (const hive_node_h* hijo = hijos.get(); *hijo != 0; ++hijo) {
    Propio<char> suyo(hivex_node_name(h, *hijo));
    if (suyo && registro::Mayusculas(suyo.get()) == buscado) return *hijo;
  }
  return 0;
}

bool EsTexto(uint32_t tipo) {
  return tipo == plataforma::kRegSz || tipo == plataforma::kRegExpandSz || tipo == plataforma::kRegMultiSz;
}

class ClaveColmena final : public plataforma::ClaveDeOrigen {
 public:
  ClaveColmena(std::shared_ptr<const Colmena> colmena, hive_node_h nodo) : colmena_(std::move(colmena)), nodo_(nodo) {}

  bool ConsultarValor(const std::string& nombre, uint32_t* tamano, uint32_t* tipo) const override {
    std::vector<uint8_t> datos;
    if (!Leer(nombre, &datos, tipo)) return false;
    if (tamano != nullptr) *tamano = static_cast<uint32_t>(datos.size());
    return true;
  }

  bool LeerValor(const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) const override {
    std::vector<uint8_t> datos;
    if (!Leer(nombre, &datos, nullptr)) return false;
    const std::size_t n = std::min<std::size_t>(datos.size(), capacidad);
    if (n > 0) std::memcpy(destino, datos.data(), n);
    if (tamano != nullptr) *tamano = static_cast<uint32_t>(n);
    return true;
  }

  bool EnumerarSubclave(uint32_t indice, std::string* nombre) const override {
    if (!listadas_) Listar();
    if (indice >= subclaves_.size()) return false;
    if (subclaves_[indice].size() > registro::kNombreSubclaveMaximo) return false;
    *nombre = subclaves_[indice];
    return true;
  }

 private:
  // The value's data as the export gives it: text types from UTF-16LE to UTF-8, NULs kept.
  bool Leer(const std::string& nombre, std::vector<uint8_t>* datos, uint32_t* tipo) const {
    std::lock_guard<std::mutex> guarda(colmena_->cerrojo());
    hive_h* h = colmena_->h();
    const hive_value_h valor = hivex_node_get_value(h, nodo_, nombre.c_str());
    if (valor == 0) return false;
    hive_type t = hive_t_none;
    size_t largo = 0;
    Propio<char> bytes(hivex_value_value(h, valor, &t, &largo));
    if (!bytes) return false;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.get());
    // A hive may hold any type number, not only those hive_type names: read it as a number.
    static_assert(sizeof t == sizeof(uint32_t));
    uint32_t tipo_valor = 0;
    std::memcpy(&tipo_valor, &t, sizeof tipo_valor);
    if (EsTexto(tipo_valor)) {
      const std::string utf8 = registro::Utf16LeAUtf8(std::span<const uint8_t>(p, largo));
      datos->assign(utf8.begin(), utf8.end());
    } else {
      datos->assign(p, p + largo);
    }
    if (tipo != nullptr) *tipo = tipo_valor;
    return true;
  }

  // Subkey names in Windows order: by upper-cased name. A damaged list reads as none.
  void Listar() const {
    listadas_ = true;
    std::lock_guard<std::mutex> guarda(colmena_->cerrojo());
    hive_h* h = colmena_->h();
    Propio<hive_node_h> hijos(hivex_node_children(h, nodo_));
    if (!hijos) return;
    std::vector<std::pair<std::string, std::string>> nombres;
    for (const hive_node_h* hijo = hijos.get(); *hijo != 0; ++hijo) {
      Propio<char> nombre(hivex_node_name(h, *hijo));
      if (!nombre) continue;
      nombres.emplace_back(registro::Mayusculas(nombre.get()), nombre.get());
    }
    std::stable_sort(nombres.begin(), nombres.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [mayus, nombre] : nombres) subclaves_.push_back(std::move(nombre));
  }

  std::shared_ptr<const Colmena> colmena_;
  hive_node_h nodo_;
  mutable std::vector<std::string> subclaves_;
  mutable bool listadas_ = false;
};

class OrigenColmena final : public plataforma::OrigenRegistro {
 public:
  OrigenColmena(std::shared_ptr<const Colmena> usuario, std::shared_ptr<const Colmena> maquina, std::string sid)
      : usuario_(std::move(usuario)), maquina_(std::move(maquina)), sid_(registro::Mayusculas(sid)) {}

  std::unique_ptr<plataforma::ClaveDeOrigen> AbrirClave(plataforma::Raiz raiz, const std::string& ruta) const override {
    std::vector<std::string> partes = Partes(ruta);
    std::shared_ptr<const Colmena> colmena;
    std::size_t desde = 0;
    switch (raiz) {
      case plataforma::Raiz::kCurrentUser:
        colmena = usuario_;
        break;
      case plataforma::Raiz::kLocalMachine:
        // Only HKEY_LOCAL_MACHINE\Software is a file here.
        if (partes.empty() || registro::Mayusculas(partes[0]) != "SOFTWARE") return nullptr;
        colmena = maquina_;
        desde = 1;
        break;
      case plataforma::Raiz::kUsers:
        if (sid_.empty() || partes.empty() || registro::Mayusculas(partes[0]) != sid_) return nullptr;
        colmena = usuario_;
        desde = 1;
        break;
      default:
        return nullptr;
    }
    if (!colmena || partes.size() - desde > registro::kProfundidadMaxima) return nullptr;
    std::lock_guard<std::mutex> guarda(colmena->cerrojo());
    hive_h* h = colmena->h();
    hive_node_h nodo = hivex_root(h);
    for (std::size_t i = desde; i < partes.size() && nodo != 0; ++i) nodo = Hija(h, nodo, partes[i]);
    if (nodo == 0) return nullptr;
    return std::make_unique<ClaveColmena>(std::move(colmena), nodo);
  }

 private:
  // Components of a '\' path, empty ones dropped.
  static std::vector<std::string> Partes(std::string_view ruta) {
    std::vector<std::string> partes;
    while (!ruta.empty()) {
      const std::size_t barra = ruta.find('\\');
      const std::string_view parte = ruta.substr(0, barra);
      if (!parte.empty()) partes.emplace_back(parte);
      if (barra == std::string_view::npos) break;
      ruta.remove_prefix(barra + 1);
    }
    return partes;
  }

  std::shared_ptr<const Colmena> usuario_;
  std::shared_ptr<const Colmena> maquina_;
  std::string sid_;
};

}  // namespace

std::shared_ptr<const plataforma::OrigenRegistro> AbrirOrigenColmena(const ArchivosColmena& archivos,
                                                                     std::string* error) {
  std::shared_ptr<const Colmena> usuario;
  if (!archivos.usuario.empty()) {
    usuario = AbrirColmena(archivos.usuario, error);
    if (!usuario) return nullptr;
  }
  std::shared_ptr<const Colmena> maquina;
  if (!archivos.maquina.empty()) {
    maquina = AbrirColmena(archivos.maquina, error);
    if (!maquina) return nullptr;
  }
  return std::make_shared<const OrigenColmena>(std::move(usuario), std::move(maquina), archivos.sid);
}

}  // namespace orvex::colmena
