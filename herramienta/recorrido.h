// The walk every command makes over the chosen folders' messages: the progress line, the
// steps passed over or failed (told as they happen and counted), the summary and the exit
// status; and what a walk reads of a message record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "herramienta/cliente.h"
#include "herramienta/registros.h"
#include "herramienta/salida.h"
#include "herramienta/sesion.h"
#include "herramienta/tabla.h"

namespace orvex::herramienta {

// The message's text, empty when the record has none.
std::string_view TextoDe(const OE_MENSAJE& m);
// The sender from the message's own From header.
std::string Remitente(const Sesion& s, const OE_MENSAJE& m);
// The name a template gives a message, from its own headers (read before its object is opened).
std::string NombreMensaje(const Sesion& s, const OE_MENSAJE& m, std::string_view plantilla);
MensajeVista LeerMensaje(const Sesion& s, const OE_MENSAJE& m);

// The steps of a walk that were passed over or failed: each told as it happens (an "error"
// line with --json, a warning otherwise) and counted for the walk's summary and exit status.
class Informe {
 public:
  // Tells the folder-list entries the session passed over.
  Informe(const Opciones& o, const Sesion& s);

  void Tropiezo(const orvex::herramienta::Tropiezo& t);
  // A message that was listed but could not be handled.
  void Mensaje(const CarpetaVista& c, uint32_t posicion, uint32_t id, const std::string& texto);

  bool Algo() const { return mensajes_omitidos + carpetas_omitidas + fallos > 0; }
  // The counts of a summary line.
  void Resumir(Json& j) const;
  // "; skipped 1 message and 1 folder that could not be read" when any was.
  std::string Omitidos() const;
  // "; 3 recovered past the end of the listing" when any were.
  std::string Recuperados() const;

  std::size_t mensajes_omitidos = 0, carpetas_omitidas = 0, fallos = 0, recuperados = 0;

 private:
  void Contar(const CarpetaVista* c, const std::string& archivo, std::optional<uint32_t> posicion,
              std::optional<uint32_t> id, const std::string& texto);

  Salida salida_;
};

// Counts walked folders, messages and bytes for the progress line.
struct Cuenta {
  std::size_t carpetas = 0, mensajes = 0;
  uint64_t bytes = 0;
  uint32_t ultima = 0;
  bool alguna = false;
  void Mensaje(const CarpetaVista& c, const OE_MENSAJE& m);
};

class Recorrido {
 public:
  // The progress line only with progreso, when standard error is a terminal and without --json.
  Recorrido(const Opciones& o, const Eleccion& e, bool progreso = true);

  // Hands each message of the chosen folders to visita, counted first; each failed step is
  // told and counted, and handed to tropiezo too when given. OE_OK, or the code of the folder
  // listing that failed.
  uint32_t Recorrer(const VisitaMensaje& visita, const VisitaTropiezo& tropiezo = {});

  // The end of a walk that is not a scan: resumen with the walk's counts (--json), linea on
  // standard output otherwise, a warning when something was passed over; the exit status.
  int Terminar(Json resumen, const std::string& linea = "") const;

  Informe informe;
  Cuenta cuenta;

 private:
  const Opciones& o_;
  const Eleccion& e_;
  Progreso progreso_;
};

// The reason for a message whose parts cannot be read.
std::string PartesIlegibles(uint32_t resultado);

}  // namespace orvex::herramienta
