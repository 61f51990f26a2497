// orvex find: the mail stores at or below a path, with their generation and message count.
#include <iostream>
#include <nlohmann/json.hpp>

#include "herramienta/hallazgo.h"
#include "herramienta/ordenes.h"
#include "herramienta/tabla.h"

namespace orvex::herramienta {
namespace {

const char* Generacion(uint32_t v) {
  switch (v) {
    case 5: return "Outlook Express 5/6";
    case 4: return "Outlook Express 4";
    default: return "Internet Mail and News";
  }
}

// What will be rebuilt when the store is read: "" when nothing.
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

int OrdenBuscar(const Opciones& o) {
  const std::string entrada = o.buscar.empty() ? o.almacen : o.buscar;
  if (entrada.empty()) {
    std::cerr << "orvex: find needs a PATH: a store folder, a message file, or any folder to look below\n";
    return kSalidaError;
  }
  std::string aviso;
  const std::vector<AlmacenHallado> hallados = BuscarAlmacenes(entrada, {}, &aviso);
  if (!aviso.empty()) std::cerr << "orvex: warning: " << aviso << '\n';
  if (hallados.empty()) {
    std::cerr << "orvex: no mail store in " << entrada << '\n';
    return kSalidaError;
  }
  if (o.json) {
    for (const AlmacenHallado& h : hallados) {
      const nlohmann::ordered_json j = {{"type", "store"},
                                        {"generation", h.version},
                                        {"generation_name", Generacion(h.version)},
                                        {"path", h.solo_archivo ? (h.mensajes.empty() ? h.buzones.front().mbx.string()
                                                                                      : h.mensajes.front().string())
                                                                : h.datos.string()},
                                        {"messages", h.num_mensajes},
                                        {"rebuilt", Notas(h)}};
      std::cout << j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    }
    return kSalidaBien;
  }
  Tabla t({"Generation", ">Messages", "Path", "To rebuild"});
  for (const AlmacenHallado& h : hallados) {
    std::string ruta = h.datos.string();
    if (h.solo_archivo) ruta = h.mensajes.empty() ? h.buzones.front().mbx.string() : h.mensajes.front().string();
    t.Fila({Generacion(h.version), std::to_string(h.num_mensajes), ruta, Notas(h)});
  }
  t.Imprimir(std::cout);
  return kSalidaBien;
}

}  // namespace orvex::herramienta
