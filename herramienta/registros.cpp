#include "herramienta/registros.h"

#include "herramienta/hallazgo.h"
#include "herramienta/imagen.h"
#include "herramienta/resumen.h"
#include "herramienta/sanear.h"
#include "herramienta/sesion.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {
namespace {

namespace fs = std::filesystem;

// Widths of the free-text columns of the tables.
constexpr std::size_t kAnchoRemitente = 32;
constexpr std::size_t kAnchoAsunto = 50;

Json Nulo(const std::string& texto) { return texto.empty() ? Json(nullptr) : Json(texto); }

// What will be rebuilt when a found store is read: "" when nothing.
std::string Notas(const AlmacenHallado& h) {
  std::string n;
  if (h.solo_archivo) {
    n = "lone file";
  } else if (h.SinLista()) {
    n = std::string(NombreTipoLista(h.version)) + (h.lista_mala.empty() ? " missing" : " damaged");
  }
  std::size_t sin_indice = 0;
  for (const Buzon& b : h.buzones) sin_indice += b.indice_bueno ? 0 : 1;
  if (sin_indice != 0) {
    n += (n.empty() ? "" : "; ") + std::to_string(sin_indice) + (sin_indice == 1 ? " index" : " indexes") +
         " to rebuild";
  }
  return n;
}

}  // namespace

Registro RegistroAlmacen(uint32_t version, const std::string& identidad, const std::vector<std::string>& identidades,
                         const std::string& raiz, std::size_t carpetas, uint64_t mensajes) {
  Registro r{{{"type", "store"},
              {"generation", version},
              {"generation_name", NombreGeneracion(version)},
              {"identities", identidades},
              {"identity", Nulo(identidad)},
              {"store_root", AUtf8(raiz)},
              {"folders", carpetas},
              {"messages", mensajes}}};
  std::string lista;
  for (const std::string& n : identidades) lista += (lista.empty() ? "" : ", ") + n;
  r.filas.push_back({"generation", std::to_string(version) + " (" + NombreGeneracion(version) + ")"});
  if (version == VERSION_OE5) {
    r.filas.push_back({"identities", lista.empty() ? "(none listed)" : lista});
    r.filas.push_back({"identity", identidad});
  }
  r.filas.push_back({"store root", AUtf8(raiz)});
  r.filas.push_back({"folders", std::to_string(carpetas)});
  r.filas.push_back({"messages", std::to_string(mensajes)});
  return r;
}

Registro RegistroCarpeta(const CarpetaVista& c, bool plano) {
  Registro r{{{"type", "folder"},
              {"id", c.id},
              {"parent", c.padre},
              {"name", AUtf8(c.nombre)},
              {"path", AUtf8(c.ruta)},
              {"depth", c.profundidad},
              {"messages", c.num_mensajes},
              {"file", AUtf8(c.archivo)}}};
  if (plano) {
    r.filas.push_back({std::to_string(c.id), std::to_string(c.padre), std::to_string(c.num_mensajes), AUtf8(c.ruta),
                       AUtf8(c.archivo)});
  } else {
    r.filas.push_back({std::string(2 * static_cast<std::size_t>(c.profundidad), ' ') + AUtf8(c.nombre),
                       std::to_string(c.num_mensajes), std::to_string(c.id)});
  }
  return r;
}

Registro RegistroMensaje(const CarpetaVista& c, const MensajeVista& v, std::optional<uint32_t> partes,
                         bool con_carpeta) {
  Registro r{{{"type", "message"},
              {"folder_id", c.id},
              {"folder", AUtf8(c.ruta)},
              {"id", v.id},
              {"date", v.fecha},
              {"from", v.de},
              {"subject", v.asunto},
              {"size", v.tamano},
              {"parts", partes ? Json(*partes) : Json(nullptr)}}};
  std::vector<std::string> fila = {std::to_string(v.id), v.fecha, CortarAncho(v.de, kAnchoRemitente),
                                   CortarAncho(v.asunto, kAnchoAsunto), std::to_string(v.tamano),
                                   partes ? std::to_string(*partes) : "-"};
  if (con_carpeta) fila.insert(fila.begin(), AUtf8(c.ruta));
  r.filas.push_back(std::move(fila));
  return r;
}

std::vector<std::string> ColumnasMensajes(bool con_carpeta) {
  std::vector<std::string> columnas = {">ID", "Date", "From", "Subject", ">Size", ">Parts"};
  if (con_carpeta) columnas.insert(columnas.begin(), "Folder");
  return columnas;
}

Registro RegistroParte(const CarpetaVista& c, uint32_t id, const ParteVista& p) {
  return {{{"type", "part"},
           {"folder_id", c.id},
           {"folder", AUtf8(c.ruta)},
           {"message_id", id},
           {"number", p.numero},
           {"name", AUtf8(p.nombre)},
           {"content_type", p.tipo},
           {"encoded_size", p.longitud_codificada},
           {"decoded_size", p.contenido.size()},
           {"md5", ResumenMd5(p.contenido)},
           {"sha256", ResumenSha256(p.contenido)}},
          {{std::to_string(p.numero), p.nombre.empty() ? "(body)" : AUtf8(p.nombre), p.tipo,
            std::to_string(p.longitud_codificada), std::to_string(p.contenido.size())}}};
}

namespace {

// The store file a folder's records come from (the mailbox where there is one), for where it
// lies in a disk image.
std::string ArchivoDeAlmacen(const CarpetaVista& c) { return c.buzon.empty() ? c.archivo : c.buzon; }

}  // namespace

Registro RegistroExtraido(const CarpetaVista& c, uint32_t id, const ParteVista& p, const fs::path& archivo,
                          const fs::path& mostrado) {
  return {ConOrigen({{"type", "extracted"},
           {"folder_id", c.id},
           {"folder", AUtf8(c.ruta)},
           {"message_id", id},
           {"part", p.numero},
           {"name", AUtf8(p.nombre)},
           {"file", TextoRuta(archivo)},
           {"size", p.contenido.size()}}, ArchivoDeAlmacen(c)),
          {{AUtf8(c.ruta), std::to_string(id), std::to_string(p.numero), TextoRuta(mostrado),
            std::to_string(p.contenido.size())}}};
}

Registro RegistroExportado(const CarpetaVista& c, uint32_t id, const fs::path& archivo) {
  return {ConOrigen({{"type", "exported"},
           {"folder_id", c.id},
           {"folder", AUtf8(c.ruta)},
           {"message_id", id},
           {"file", TextoRuta(archivo)}}, ArchivoDeAlmacen(c)),
          {{AUtf8(c.ruta), std::to_string(id), TextoRuta(archivo)}}};
}

Registro RegistroSinCambio(const CarpetaVista& c, uint32_t id, const fs::path& archivo) {
  return {{{"type", "unchanged"},
           {"folder_id", c.id},
           {"folder", AUtf8(c.ruta)},
           {"message_id", id},
           {"file", TextoRuta(archivo)}}};
}

Registro RegistroBuzonExportado(const CarpetaVista& c, std::size_t mensajes, const fs::path& archivo) {
  return {ConOrigen({{"type", "exported"},
           {"folder_id", c.id},
           {"folder", AUtf8(c.ruta)},
           {"messages", mensajes},
           {"file", TextoRuta(archivo)}}, ArchivoDeAlmacen(c)),
          {{AUtf8(c.ruta), std::to_string(mensajes), TextoRuta(archivo)}}};
}

Registro RegistroBorrado(const CarpetaVista& c, const fs::path& archivo) {
  return {{{"type", "deleted"}, {"folder_id", c.id}, {"folder", AUtf8(c.ruta)}, {"file", TextoRuta(archivo)}},
          {},
          "deleted " + TextoRuta(archivo)};
}

std::vector<std::string> ColumnasExportados(bool mbox) {
  return {"Folder", mbox ? ">Messages" : ">Message", "File"};
}

Registro RegistroHallazgo(const CarpetaVista& c, uint32_t id, const HallazgoParte& h, const std::string& accion,
                          bool simulacion) {
  return {{{"type", "finding"},
           {"folder_id", c.id},
           {"folder", AUtf8(c.ruta)},
           {"message_id", id},
           {"part", h.parte},
           {"name", AUtf8(h.nombre)},
           {"size", h.tamano},
           {"signature", AUtf8(h.firma)},
           {"action", accion},
           {"applied", h.aplicada},
           {"dry_run", simulacion},
           {"error", Nulo(h.fallo)},
           {"note", Nulo(h.nota)}},
          {{AUtf8(c.ruta), std::to_string(id), std::to_string(h.parte), h.nombre.empty() ? "(body)" : AUtf8(h.nombre),
            AUtf8(h.firma), h.hecho}}};
}

Registro Marcado(Registro r, uint32_t posicion, std::size_t columna) {
  if (posicion != kRecuperado) return r;
  r.campos["source"] = "recovered";
  for (auto& fila : r.filas) {
    if (columna < fila.size()) fila[columna] += " (recovered)";
  }
  return r;
}

Registro RegistroError(const CarpetaVista* c, const std::string& archivo, std::optional<uint32_t> posicion,
                       std::optional<uint32_t> id, const std::string& texto) {
  Registro r{{{"type", "error"},
              {"folder_id", c ? Json(c->id) : Json(nullptr)},
              {"folder", c ? Json(AUtf8(c->ruta)) : Json(nullptr)},
              {"file", RutaMostrada(archivo)},
              {"position", posicion ? Json(*posicion) : Json(nullptr)},
              {"message_id", id ? Json(*id) : Json(nullptr)},
              {"error", texto}}};
  std::string donde = c ? AUtf8(c->ruta) : RutaMostrada(archivo);
  if (posicion && c) donde += ", message " + std::to_string(*posicion) + " in the listing";
  if (id) donde += " (id " + std::to_string(*id) + ")";
  if (c) donde += " [" + RutaMostrada(archivo) + "]";
  r.aviso = donde + ": " + texto;
  return r;
}

Registro RegistroHallado(const AlmacenHallado& h) {
  std::string ruta = h.datos.string();
  if (h.solo_archivo) ruta = h.mensajes.empty() ? h.buzones.front().mbx.string() : h.mensajes.front().string();
  return {{{"type", "store"},
           {"generation", h.version},
           {"generation_name", NombreGeneracion(h.version)},
           {"path", ruta},
           {"messages", h.num_mensajes},
           {"rebuilt", Notas(h)}},
          {{NombreGeneracion(h.version), std::to_string(h.num_mensajes), ruta, Notas(h)}}};
}

}  // namespace orvex::herramienta
