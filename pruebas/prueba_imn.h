// Test support for this store: a built store in a temporary folder that the registry's
// "Store Root" leads to, and walkers that drive the public exports the way a host does.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "api/orvex.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {

inline BuzonImn Buzon(std::string nombre, std::vector<MensajeImn> mensajes) {
  BuzonImn b;
  b.nombre = std::move(nombre);
  b.mensajes = std::move(mensajes);
  return b;
}

// Dates come out in UTC.
class AlmacenImnInstalado {
 public:
  explicit AlmacenImnInstalado(const std::vector<BuzonImn>& buzones, bool barra_final = false)
      : zona_("TZ", std::string("UTC0")) {
    mapas_ = EscribirAlmacenImn(dir_.Ruta(), buzones);
    DescribirRegistroImn(registro_, dir_.Ruta() + (barra_final ? "\\" : ""));
    registro_.Instalar();
    version_ = OE_ObtenerVersionOE();
  }

  uint32_t Version() const { return version_; }
  const DirectorioTemporal& Directorio() const { return dir_; }
  const MapaImn& Mapa(const std::string& nombre) const { return mapas_.at(nombre); }
  std::vector<uint8_t> Leer(const std::string& archivo) const { return dir_.Leer("Mail/" + archivo); }
  void Escribir(const std::string& archivo, const std::vector<uint8_t>& bytes) const {
    dir_.Escribir("Mail/" + archivo, bytes);
  }
  // The path the reader builds for a mailbox.
  std::string RutaLector(const std::string& archivo) const { return dir_.Ruta() + "\\Mail\\" + archivo; }

 private:
  VariableEntorno zona_;
  DirectorioTemporal dir_;
  RegistroPrueba registro_;
  std::map<std::string, MapaImn> mapas_;
  uint32_t version_ = 0;
};

// A message listing held open; freed through the export.
struct ListadoAbierto {
  OE_CARPETA* carpeta;
  OE_MENSAJE* m = nullptr;
  uint32_t primero = 0;
  explicit ListadoAbierto(OE_CARPETA* c) : carpeta(c) { primero = OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO); }
  ~ListadoAbierto() {
    if (m != nullptr) OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
  }
  uint32_t Siguiente() { return OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE); }
  // Advances to the live message with this id; false when the listing ends first.
  bool IrA(uint32_t id) {
    for (int i = 0; i < 1000; ++i) {
      const uint32_t r = Siguiente();
      if (r == OE_OK && m->IdMensaje == id) return true;
      if (r == OE_FIN || r == OE_ERROR_PARAM) return false;
    }
    return false;
  }
  ListadoAbierto(const ListadoAbierto&) = delete;
  ListadoAbierto& operator=(const ListadoAbierto&) = delete;
};

// A listed message with its object opened and moved on to part `parte` (1 = the body); the
// object, the listing and the folder are closed through the exports on destruction.
struct ObjetoEnParte {
  CarpetaAbierta carpeta;
  ListadoAbierto listado;
  OE_OBJMSG* o = nullptr;
  bool listo = false;
  ObjetoEnParte(uint32_t id_carpeta, uint32_t id, int parte) : carpeta(id_carpeta), listado(carpeta.c) {
    if (!listado.IrA(id) || OE_ObtenerObjMsg(listado.m, &o, OE_PRIMERO) != OE_OK) return;
    for (int i = 0; i < parte; ++i) {
      if (Siguiente() != OE_OK) return;
    }
    listo = true;
  }
  ~ObjetoEnParte() {
    if (o != nullptr) OE_ObtenerObjMsg(listado.m, &o, OE_CERRAR);
  }
  ObjetoEnParte(const ObjetoEnParte&) = delete;
  ObjetoEnParte& operator=(const ObjetoEnParte&) = delete;
  OE_MENSAJE* m() const { return listado.m; }
  uint32_t Siguiente() { return OE_ObtenerObjMsg(listado.m, &o, OE_SIGUIENTE); }
  uint32_t Guardar(uint32_t accion) { return OE_GuardarObjMsg(listado.m, o, accion); }
};

}  // namespace orvex::pruebas
