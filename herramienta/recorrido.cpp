#include "herramienta/recorrido.h"

#include <algorithm>
#include <optional>

#include "almacen_oe5/formato_dbx.h"
#include "herramienta/plantilla.h"
#include "herramienta/resumen.h"
#include "herramienta/sistema.h"
#include "herramienta/textos.h"

namespace orvex::herramienta {

std::string_view TextoDe(const OE_MENSAJE& m) {
  if (m.Texto == nullptr) return {};
  return std::string_view(m.Texto, m.LongTexto);
}

// The sender from the message's own From header. The record's sender fields are filled by
// the message object in some generations, so between objects they may hold another message's.
std::string Remitente(const Sesion& s, const OE_MENSAJE& m) {
  std::string de = Cabecera(TextoDe(m), "From");
  if (de.empty() && s.version != VERSION_OE5) de = Campo(m.De);
  return de;
}

namespace {

// The subject from the message's own header when the text is there: the record's copy keeps
// the previous message's subject when a text has none.
std::string Asunto(const OE_MENSAJE& m) {
  if (m.Texto == nullptr) return Campo(m.Asunto);
  return Cabecera(TextoDe(m), "Subject");
}

}  // namespace

std::string NombreMensaje(const Sesion& s, const OE_MENSAJE& m, std::string_view plantilla) {
  return NombrePorPlantilla(plantilla, {m.IdMensaje, Campo(m.Fecha), Remitente(s, m), Asunto(m)});
}

MensajeVista LeerMensaje(const Sesion& s, const OE_MENSAJE& m) {
  MensajeVista v;
  v.id = m.IdMensaje;
  v.fecha = FechaLegible(Campo(m.Fecha));
  v.de = TextoCabecera(Remitente(s, m));
  v.asunto = TextoCabecera(Asunto(m));
  v.tamano = m.LongTexto;
  return v;
}

Informe::Informe(const Opciones& o, const Sesion& s) : salida_(o.json, {}) {
  for (const FalloLista& f : s.fallos_lista) {
    ++carpetas_omitidas;
    std::string texto = "folder list entry " + std::to_string(f.posicion) + " cannot be read (" +
                        NombreResultado(f.codigo) + "): " + RazonArchivo(s.lista);
    if (f.final) texto += "; the folders after it are not shown";
    Contar(nullptr, s.lista, f.posicion, std::nullopt, texto);
  }
}

void Informe::Tropiezo(const orvex::herramienta::Tropiezo& t) {
  const std::string archivo = ArchivoDeCarpeta(*t.carpeta);
  std::string texto;
  if (t.en_cabecera != 0) {
    texto = "the listing ends after " + Cuantos(t.posicion - 1, "message") + " but the file's header counts " +
            std::to_string(t.en_cabecera) + " (the library walks at most " + std::to_string(dbx::kMaxNodosMensajes) +
            " index nodes of a file); " +
            (t.recuperados == 0 ? std::string("the rest of the folder is not shown")
                                : std::to_string(t.recuperados) +
                                      " more are read from the file by the recovery scanner, marked recovered");
  } else if (t.carpeta_entera && t.posicion == 0) {
    texto = std::string("cannot list its messages (") + NombreResultado(t.codigo) + "): " + RazonArchivo(archivo);
  } else if (t.carpeta_entera) {
    texto = "the listing cannot go on past message " + std::to_string(t.posicion) + " (" +
            NombreResultado(t.codigo) + "): " + RazonArchivo(archivo) + "; the rest of the folder is skipped";
  } else {
    texto = std::string("the message cannot be read (") + NombreResultado(t.codigo) +
            "): its text in the file is damaged";
  }
  if (t.en_cabecera != 0) {
    recuperados += t.recuperados;
    mensajes_omitidos += t.en_cabecera - std::min(t.en_cabecera, t.posicion - 1 + t.recuperados);
  } else {
    (t.carpeta_entera ? carpetas_omitidas : mensajes_omitidos)++;
  }
  Contar(t.carpeta, archivo, t.posicion == 0 ? std::optional<uint32_t>() : t.posicion, t.id_mensaje, texto);
}

void Informe::Mensaje(const CarpetaVista& c, uint32_t posicion, uint32_t id, const std::string& texto) {
  ++fallos;
  Contar(&c, ArchivoDeCarpeta(c), posicion == kRecuperado ? std::nullopt : std::optional<uint32_t>(posicion), id,
         texto);
}

void Informe::Resumir(Json& j) const {
  j["skipped_messages"] = mensajes_omitidos;
  j["skipped_folders"] = carpetas_omitidas;
  j["recovered"] = recuperados;
}

std::string Informe::Recuperados() const {
  return recuperados == 0 ? "" : "; " + std::to_string(recuperados) + " recovered past the end of the listing";
}

std::string Informe::Omitidos() const {
  if (mensajes_omitidos + carpetas_omitidas == 0) return "";
  return "; skipped " + Cuantos(mensajes_omitidos, "message") + " and " + Cuantos(carpetas_omitidas, "folder") +
         " that could not be read";
}

void Informe::Contar(const CarpetaVista* c, const std::string& archivo, std::optional<uint32_t> posicion,
                     std::optional<uint32_t> id, const std::string& texto) {
  salida_.Escribir(RegistroError(c, archivo, posicion, id, texto));
}

void Cuenta::Mensaje(const CarpetaVista& c, const OE_MENSAJE& m) {
  if (!alguna || c.id != ultima) {
    if (alguna) ++carpetas;
    ultima = c.id;
    alguna = true;
  }
  ++mensajes;
  bytes += m.LongTexto;
}

Recorrido::Recorrido(const Opciones& o, const Eleccion& e, bool progreso)
    : informe(o, *e.sesion), o_(o), e_(e), progreso_(progreso && !o.json && ErrorEsTerminal()) {}

uint32_t Recorrido::Recorrer(const VisitaMensaje& visita, const VisitaTropiezo& tropiezo) {
  const auto contada = [&](const CarpetaVista& c, OE_MENSAJE* m, uint32_t posicion) {
    cuenta.Mensaje(c, *m);
    progreso_.Actualizar(cuenta.carpetas, cuenta.mensajes, cuenta.bytes);
    return visita(c, m, posicion);
  };
  const auto tropezada = [&](const orvex::herramienta::Tropiezo& t) {
    if (tropiezo) tropiezo(t);
    informe.Tropiezo(t);
  };
  const uint32_t r = RecorrerMensajes(e_.sesion->version, e_.sesion->carpetas, e_.claves, contada, tropezada);
  progreso_.Terminar();
  return r;
}

int Recorrido::Terminar(Json resumen, const std::string& linea) const {
  Registro r{std::move(resumen), {}, linea};
  r.campos["folders"] = e_.carpetas.size();
  r.campos["messages"] = cuenta.mensajes;
  informe.Resumir(r.campos);
  r.campos["errors"] = informe.fallos;
  if (informe.Algo()) {
    r.aviso = "incomplete: " + Cuantos(informe.mensajes_omitidos, "message") + " and " +
              Cuantos(informe.carpetas_omitidas, "folder") + " could not be read";
    if (informe.fallos > 0) r.aviso += ", " + Cuantos(informe.fallos, "other error");
    r.aviso += " (see above)";
  }
  Salida(o_.json, {}).Escribir(r);
  return informe.Algo() ? kSalidaError : kSalidaBien;
}

std::string PartesIlegibles(uint32_t resultado) {
  return std::string("its parts cannot be read (") + NombreResultado(resultado) + ")";
}

}  // namespace orvex::herramienta
