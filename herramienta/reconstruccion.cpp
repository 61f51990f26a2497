#include "herramienta/reconstruccion.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <system_error>

#include "almacen_oe5/formato_dbx.h"
#include "escritura/buzon.h"
#include "escritura/dbx.h"
#include "escritura/oe4.h"
#include "soporte/bytes.h"

namespace orvex::herramienta {
namespace fs = std::filesystem;
namespace {

// The first n bytes of a file (all of it by default).
std::vector<uint8_t> Leer(const fs::path& archivo, std::size_t n = SIZE_MAX) {
  std::ifstream f(archivo, std::ios::binary);
  std::vector<uint8_t> b;
  for (std::istreambuf_iterator<char> it(f), fin; it != fin && b.size() < n; ++it) b.push_back(static_cast<uint8_t>(*it));
  return b;
}

bool Escribir(const fs::path& archivo, const std::vector<uint8_t>& bytes, std::string* error) {
  std::ofstream f(archivo, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (f.flush()) return true;
  *error = "cannot write " + archivo.string();
  return false;
}

// A link to the user's file (a copy where the system makes no links).
bool Enlazar(const fs::path& original, const fs::path& enlace, std::string* error) {
  std::error_code ec;
  fs::create_symlink(original, enlace, ec);
  if (!ec) return true;
  fs::copy_file(original, enlace, ec);
  if (!ec) return true;
  *error = "cannot link or copy " + original.string() + ": " + ec.message();
  return false;
}

std::string PorQueSinLista(const AlmacenHallado& h) {
  const std::string nombre = NombreTipoLista(h.version);
  if (h.solo_archivo) return "a lone message file was given";
  if (!h.lista_mala.empty()) return h.lista_mala.string() + " is damaged";
  return "the store has no " + nombre;
}

std::string PorQueIndice(const Buzon& b) {
  std::error_code ec;
  if (b.idx.empty()) return "it has no index";
  if (fs::file_size(b.idx, ec) == 0) return "its index " + b.idx.filename().string() + " is empty";
  return "its index " + b.idx.filename().string() + " does not agree with it";
}

// The folder list of the message files of generation 5: one folder per file, named by it, under
// "Local Folders" (a top-level folder has no message file).
std::vector<uint8_t> ListaDbx(const AlmacenHallado& h) {
  escritura::AlmacenDbx d;
  escritura::CarpetaDbx locales;
  locales.id = 1;
  locales.nombre = "Local Folders";
  d.carpetas.push_back(locales);
  uint32_t id = locales.id;
  for (const fs::path& m : h.mensajes) {
    escritura::CarpetaDbx c;
    c.id = ++id;
    c.padre = locales.id;
    c.nombre = m.stem().string();
    c.archivo = m.filename().string();
    const std::vector<uint8_t> cab = Leer(m, dbx::kLeidoCabeceraMensajes);
    if (cab.size() == dbx::kLeidoCabeceraMensajes) c.num_mensajes = Le32(cab.data() + dbx::kCabNumMensajes);
    d.carpetas.push_back(c);
  }
  return escritura::ConstruirFoldersDbx(d).bytes;
}

// The folder list of the mailboxes of generation 4: the root, then one folder per mailbox.
std::vector<uint8_t> ListaNch(const AlmacenHallado& h) {
  escritura::AlmacenCorreoOe4 d;
  escritura::CarpetaOe4 raiz;
  raiz.nombre = "Outlook Express";
  raiz.id_fin = static_cast<uint32_t>(h.buzones.size());
  d.carpetas.push_back(raiz);
  uint32_t id = 0;
  for (const Buzon& b : h.buzones) {
    escritura::CarpetaOe4 c;
    c.id = ++id;
    c.nombre = b.mbx.stem().string();
    c.fichero = b.mbx.stem().string();
    c.num_mensajes = static_cast<uint32_t>(escritura::RegistrosBuzon(Leer(b.mbx)).size());
    d.carpetas.push_back(c);
  }
  return escritura::ConstruirFoldersNch(d).bytes;
}

}  // namespace

bool PrepararTemporal(const AlmacenHallado& h, const fs::path& temporal, AlmacenTemporal* t, std::string* error) {
  AlmacenReconocido& a = t->almacen;
  a.version = h.version;
  a.raiz = temporal;
  a.subcarpeta = h.version == 5 ? "" : h.version == 4 ? "mail" : "Mail";
  a.datos = h.version == 5 ? temporal : temporal / a.subcarpeta;
  std::error_code ec;
  fs::create_directories(a.datos, ec);
  if (ec) {
    *error = "cannot create " + a.datos.string();
    return false;
  }
  if (h.version != 1) {
    const fs::path lista = a.datos / NombreTipoLista(h.version);
    if (!h.SinLista()) {
      if (!Enlazar(h.lista, lista, error)) return false;
    } else {
      t->lista_reconstruida = true;
      if (!Escribir(lista, h.version == 5 ? ListaDbx(h) : ListaNch(h), error)) return false;
      t->avisos.push_back(PorQueSinLista(h) + ": the folder list is rebuilt from the message files, one folder per file");
    }
  }
  for (const fs::path& m : h.mensajes) {
    if (!Enlazar(m, a.datos / m.filename(), error)) return false;
  }
  for (const Buzon& b : h.buzones) {
    if (!Enlazar(b.mbx, a.datos / b.mbx.filename(), error)) return false;
    const fs::path idx = a.datos / (b.mbx.stem().string() + ".idx");
    if (b.indice_bueno) {
      if (!Enlazar(b.idx, idx, error)) return false;
      continue;
    }
    const std::vector<uint8_t> mbx = Leer(b.mbx);
    if (!Escribir(idx, escritura::IndiceDeBuzon(h.version, mbx), error)) return false;
    t->indices.emplace_back(b.idx.empty() ? fs::path(b.mbx).replace_extension(".idx") : b.idx, idx);
    t->avisos.push_back(b.mbx.string() + ": " + PorQueIndice(b) +
                        "; it is read through an index rebuilt from its own message records");
    std::size_t fin = 0;
    escritura::RegistrosBuzon(mbx, &fin);
    if (fin < mbx.size()) {
      t->avisos.push_back(b.mbx.string() + ": the " + std::to_string(mbx.size() - fin) + " bytes from offset " +
                          std::to_string(fin) + " hold no whole message record (a record cut short or damaged)");
    }
  }
  // The news accounts of an Outlook Express 4 store whose folder list is its own.
  if (h.version == 4 && !h.SinLista()) {
    if (const std::optional<AlmacenReconocido> propio = ReconocerAlmacen(h.datos);
        propio && !propio->raiz.empty() && !propio->cuentas_noticias.empty()) {
      for (const auto& e : fs::directory_iterator(propio->raiz, ec)) {
        std::string n = e.path().filename().string();
        for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (n == "news" && Enlazar(e.path(), temporal / e.path().filename(), error)) {
          a.cuentas_noticias = propio->cuentas_noticias;
        }
      }
    }
  }
  return true;
}

}  // namespace orvex::herramienta
