#include "imagen/origen_imagen.h"

#include <tsk/libtsk.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <utility>

#include "plataforma/registro_archivo.h"
#include "plataforma/rutas_posix.h"

namespace orvex::imagen {

// The Sleuth Kit's handles for one image, used under one lock: its caches are not shared safely.
struct Compartido;

struct OrigenImagen::Estado {
  std::mutex cerrojo;
  // Files found by path (a path not found maps to null): the library opens a file for each call,
  // and a path lookup walks folders. The image never changes, so an entry never goes stale.
  std::map<std::string, std::shared_ptr<Compartido>> abiertos;
  TSK_IMG_INFO* img = nullptr;
  TSK_VS_INFO* vs = nullptr;
  TSK_FS_INFO* fs = nullptr;
  std::vector<Particion> particiones;
  std::size_t elegida = 0;

  ~Estado() {
    abiertos.clear();
    if (fs != nullptr) tsk_fs_close(fs);
    if (vs != nullptr) tsk_vs_close(vs);
    if (img != nullptr) tsk_img_close(img);
  }
};

namespace {

constexpr char kUnidad = 'C';

std::string ErrorTsk() {
  const char* e = tsk_error_get();
  std::string texto = e != nullptr ? e : "";
  tsk_error_reset();
  while (!texto.empty() && (texto.back() == '\n' || texto.back() == ' ')) texto.pop_back();
  return texto;
}

// "/a/b" for the components of a C: path; empty for a path off the drive.
std::optional<std::string> RutaTsk(std::string_view ruta) {
  const auto partes = plataforma::ComponentesEnUnidad(ruta, kUnidad);
  if (!partes) return std::nullopt;
  std::string r;
  for (const std::string& p : *partes) r += "/" + p;
  return r.empty() ? "/" : r;
}

struct CierraArchivo {
  void operator()(TSK_FS_FILE* f) const { tsk_fs_file_close(f); }
};
using ArchivoTsk = std::unique_ptr<TSK_FS_FILE, CierraArchivo>;
struct CierraDir {
  void operator()(TSK_FS_DIR* d) const { tsk_fs_dir_close(d); }
};
using DirTsk = std::unique_ptr<TSK_FS_DIR, CierraDir>;

bool EsRegular(const TSK_FS_FILE* f) {
  return f != nullptr && f->meta != nullptr && f->meta->type == TSK_FS_META_TYPE_REG &&
         (f->meta->flags & TSK_FS_META_FLAG_ALLOC) != 0;
}

// The regular file at a C: path (the caller holds the lock).
ArchivoTsk AbrirRegular(TSK_FS_INFO* fs, std::string_view ruta) {
  const std::optional<std::string> r = RutaTsk(ruta);
  if (!r) return nullptr;
  ArchivoTsk f(tsk_fs_file_open(fs, nullptr, r->c_str()));
  tsk_error_reset();
  if (!EsRegular(f.get())) return nullptr;
  return f;
}

// Allocated names of a folder of the given type ("." and ".." left out), sorted as the disk
// backend sorts them.
std::vector<std::string> Nombres(TSK_FS_INFO* fs, std::string_view directorio, TSK_FS_NAME_TYPE_ENUM tipo,
                                 std::string_view patron) {
  std::vector<std::string> nombres;
  const std::optional<std::string> r = RutaTsk(directorio);
  if (!r) return nombres;
  DirTsk dir(tsk_fs_dir_open(fs, r->c_str()));
  tsk_error_reset();
  if (!dir) return nombres;
  const std::size_t n = tsk_fs_dir_getsize(dir.get());
  for (std::size_t i = 0; i < n; ++i) {
    const TSK_FS_NAME* nombre = tsk_fs_dir_get_name(dir.get(), i);
    if (nombre == nullptr || nombre->name == nullptr || (nombre->flags & TSK_FS_NAME_FLAG_ALLOC) == 0 ||
        nombre->type != tipo) {
      continue;
    }
    const std::string texto = nombre->name;
    if (texto == "." || texto == ".." || !plataforma::rutas::CoincidePatron(texto, patron)) continue;
    nombres.push_back(texto);
  }
  std::sort(nombres.begin(), nombres.end(), [](const std::string& a, const std::string& b) {
    const std::string ma = plataforma::registro::Mayusculas(a), mb = plataforma::registro::Mayusculas(b);
    return ma != mb ? ma < mb : a < b;
  });
  // A FAT folder may name a file twice (its long and short entries); keep it once.
  nombres.erase(std::unique(nombres.begin(), nombres.end()), nombres.end());
  return nombres;
}

bool PareceWindows(TSK_FS_INFO* fs) {
  for (const char* carpeta : {"/Windows", "/WINNT", "/Documents and Settings", "/Users"}) {
    ArchivoTsk f(tsk_fs_file_open(fs, nullptr, carpeta));
    tsk_error_reset();
    if (f && f->meta != nullptr && f->meta->type == TSK_FS_META_TYPE_DIR) return true;
  }
  return false;
}

}  // namespace

// One file of the image, shared by every open of its path. The store readers ask for many small
// pieces; each would cost a walk of the file's runs in The Sleuth Kit, so the file is read in
// large aligned blocks, the last few kept. Used under the image's lock.
struct Compartido {
  static constexpr uint64_t kBloque = 256 * 1024;
  static constexpr std::size_t kBloques = 4;
  struct Bloque {
    uint64_t numero = 0;
    uint64_t uso = 0;
    std::vector<char> datos;
  };

  ArchivoTsk f;
  uint64_t tamano = 0;
  uint64_t inodo = 0;
  std::vector<Bloque> bloques;
  uint64_t reloj = 0;

  // The block with that number, read when it is not kept; null on a read error.
  const Bloque* BloqueDe(uint64_t numero) {
    ++reloj;
    for (Bloque& b : bloques) {
      if (b.numero == numero && !b.datos.empty()) {
        b.uso = reloj;
        return &b;
      }
    }
    Bloque* libre = nullptr;
    if (bloques.size() < kBloques) {
      libre = &bloques.emplace_back();
    } else {
      libre = &*std::min_element(bloques.begin(), bloques.end(),
                                 [](const Bloque& a, const Bloque& b) { return a.uso < b.uso; });
    }
    const uint64_t inicio = numero * kBloque;
    const std::size_t largo = static_cast<std::size_t>(std::min(kBloque, tamano - inicio));
    libre->datos.assign(largo, 0);
    libre->numero = numero;
    libre->uso = reloj;
    std::size_t hechos = 0;
    while (hechos < largo) {
      const ssize_t r = tsk_fs_file_read(f.get(), static_cast<TSK_OFF_T>(inicio + hechos), libre->datos.data() + hechos,
                                         largo - hechos, TSK_FS_FILE_READ_FLAG_NONE);
      if (r <= 0) {
        tsk_error_reset();
        libre->datos.clear();
        return nullptr;
      }
      hechos += static_cast<std::size_t>(r);
    }
    return libre;
  }
};

namespace {

// The shared file at a C: path, or null (the caller holds the lock).
std::shared_ptr<Compartido> Buscar(OrigenImagen::Estado& e, std::string_view ruta) {
  constexpr std::size_t kEntradasMaximas = 4096;
  const std::optional<std::string> r = RutaTsk(ruta);
  if (!r) return nullptr;
  const std::string clave = plataforma::registro::Mayusculas(*r);
  if (auto it = e.abiertos.find(clave); it != e.abiertos.end()) return it->second;
  std::shared_ptr<Compartido> c;
  if (ArchivoTsk f = AbrirRegular(e.fs, ruta)) {
    c = std::make_shared<Compartido>();
    c->tamano = static_cast<uint64_t>(std::max<TSK_OFF_T>(f->meta->size, 0));
    c->inodo = static_cast<uint64_t>(f->meta->addr);
    c->f = std::move(f);
  }
  if (e.abiertos.size() >= kEntradasMaximas) e.abiertos.clear();  // files in use keep their entry alive
  e.abiertos.emplace(clave, c);
  return c;
}

class ArchivoImagen : public plataforma::ArchivoDeOrigen {
 public:
  ArchivoImagen(std::shared_ptr<OrigenImagen::Estado> estado, std::shared_ptr<Compartido> c)
      : estado_(std::move(estado)), c_(std::move(c)) {}
  ~ArchivoImagen() override {
    std::lock_guard<std::mutex> guarda(estado_->cerrojo);
    c_.reset();
  }

  bool Leer(uint64_t pos, void* destino, std::size_t n, std::size_t* leidos) const override {
    *leidos = 0;
    if (pos >= c_->tamano || n == 0) return true;
    const std::size_t pedir = static_cast<std::size_t>(std::min<uint64_t>(n, c_->tamano - pos));
    std::lock_guard<std::mutex> guarda(estado_->cerrojo);
    auto* bytes = static_cast<char*>(destino);
    while (*leidos < pedir) {
      const uint64_t en = pos + *leidos;
      const Compartido::Bloque* b = c_->BloqueDe(en / Compartido::kBloque);
      if (b == nullptr) return false;
      const std::size_t dentro = static_cast<std::size_t>(en % Compartido::kBloque);
      if (dentro >= b->datos.size()) break;
      const std::size_t copia = std::min(pedir - *leidos, b->datos.size() - dentro);
      std::copy_n(b->datos.data() + dentro, copia, bytes + *leidos);
      *leidos += copia;
    }
    return true;
  }

  uint64_t Tamano() const override { return c_->tamano; }

 private:
  std::shared_ptr<OrigenImagen::Estado> estado_;
  std::shared_ptr<Compartido> c_;
};

}  // namespace

std::shared_ptr<OrigenImagen> OrigenImagen::Abrir(const std::string& archivo, std::optional<unsigned> particion,
                                                  std::string* error) {
  auto e = std::make_shared<Estado>();
  tsk_error_reset();
  // One name is enough for a split EnCase image: the reader finds its other segments.
  e->img = tsk_img_open_utf8_sing(archivo.c_str(), TSK_IMG_TYPE_DETECT, 0);
  if (e->img == nullptr) {
    *error = archivo + ": not a disk image this program reads (" + ErrorTsk() + ")";
    return nullptr;
  }
  e->vs = tsk_vs_open(e->img, 0, TSK_VS_TYPE_DETECT);
  tsk_error_reset();
  if (e->vs != nullptr) {
    unsigned numero = 0;
    for (TSK_PNUM_T i = 0; i < e->vs->part_count; ++i) {
      const TSK_VS_PART_INFO* p = tsk_vs_part_get(e->vs, i);
      if (p == nullptr || (p->flags & TSK_VS_PART_FLAG_ALLOC) == 0) continue;
      Particion parte;
      parte.numero = ++numero;
      parte.inicio = static_cast<uint64_t>(p->start) * e->vs->block_size;
      parte.descripcion = p->desc != nullptr ? p->desc : "";
      e->particiones.push_back(parte);
    }
  } else {
    Particion entera;
    entera.numero = 1;
    entera.descripcion = "the whole image (no partition table)";
    e->particiones.push_back(entera);
  }
  if (particion && (*particion == 0 || *particion > e->particiones.size())) {
    *error = archivo + ": there is no partition " + std::to_string(*particion) + " (it has " +
             std::to_string(e->particiones.size()) + ")";
    return nullptr;
  }
  // Look at every partition's file system, so that the choice and any error can name them.
  std::optional<std::size_t> ventanas, unica;
  std::size_t con_sistema = 0;
  for (std::size_t i = 0; i < e->particiones.size(); ++i) {
    Particion& p = e->particiones[i];
    TSK_FS_INFO* fs = tsk_fs_open_img(e->img, static_cast<TSK_OFF_T>(p.inicio), TSK_FS_TYPE_DETECT);
    tsk_error_reset();
    if (fs == nullptr) continue;
    if (TSK_FS_TYPE_ISNTFS(fs->ftype) || TSK_FS_TYPE_ISFAT(fs->ftype)) {
      p.sistema = tsk_fs_type_toname(fs->ftype);
      p.ventanas = PareceWindows(fs);
      ++con_sistema;
      unica = i;
      if (p.ventanas && !ventanas) ventanas = i;
    }
    tsk_fs_close(fs);
  }
  std::size_t elegida;
  if (particion) {
    elegida = *particion - 1;
  } else if (ventanas) {
    elegida = *ventanas;
  } else if (con_sistema == 1) {
    elegida = *unica;
  } else {
    *error = archivo + (con_sistema == 0 ? ": no NTFS or FAT file system found"
                                         : ": several partitions hold a file system and none a Windows tree; "
                                           "choose one with --partition N");
    return nullptr;
  }
  const Particion& p = e->particiones[elegida];
  if (p.sistema.empty()) {
    *error = archivo + ": partition " + std::to_string(p.numero) + " holds no NTFS or FAT file system";
    return nullptr;
  }
  e->fs = tsk_fs_open_img(e->img, static_cast<TSK_OFF_T>(p.inicio), TSK_FS_TYPE_DETECT);
  if (e->fs == nullptr) {
    *error = archivo + ": partition " + std::to_string(p.numero) + ": " + ErrorTsk();
    return nullptr;
  }
  e->elegida = elegida;
  return std::shared_ptr<OrigenImagen>(new OrigenImagen(std::move(e)));
}

OrigenImagen::OrigenImagen(std::shared_ptr<Estado> estado) : estado_(std::move(estado)) {}
OrigenImagen::~OrigenImagen() = default;

const std::vector<Particion>& OrigenImagen::Particiones() const { return estado_->particiones; }
const Particion& OrigenImagen::Elegida() const { return estado_->particiones[estado_->elegida]; }

bool OrigenImagen::Atiende(std::string_view ruta) const {
  return ruta.size() >= 2 && ruta[1] == ':' && std::toupper(static_cast<unsigned char>(ruta[0])) == kUnidad;
}

std::unique_ptr<plataforma::ArchivoDeOrigen> OrigenImagen::Abrir(const std::string& ruta) {
  std::lock_guard<std::mutex> guarda(estado_->cerrojo);
  std::shared_ptr<Compartido> c = Buscar(*estado_, ruta);
  if (!c) return nullptr;
  return std::make_unique<ArchivoImagen>(estado_, std::move(c));
}

std::vector<std::string> OrigenImagen::Listar(const std::string& directorio, const std::string& patron) {
  std::lock_guard<std::mutex> guarda(estado_->cerrojo);
  return Nombres(estado_->fs, directorio, TSK_FS_NAME_TYPE_REG, patron);
}

std::vector<std::string> OrigenImagen::ListarCarpetas(const std::string& directorio) {
  std::lock_guard<std::mutex> guarda(estado_->cerrojo);
  return Nombres(estado_->fs, directorio, TSK_FS_NAME_TYPE_DIR, "*");
}

bool OrigenImagen::Existe(const std::string& ruta) {
  std::lock_guard<std::mutex> guarda(estado_->cerrojo);
  return Buscar(*estado_, ruta) != nullptr;
}

std::optional<Ubicacion> OrigenImagen::Ubicar(const std::string& ruta) {
  std::lock_guard<std::mutex> guarda(estado_->cerrojo);
  std::shared_ptr<Compartido> c = Buscar(*estado_, ruta);
  if (!c) return std::nullopt;
  Ubicacion u;
  u.inodo = c->inodo;
  u.ruta = *RutaTsk(ruta);
  return u;
}

}  // namespace orvex::imagen
