// Test support for this store: a built store in a temporary folder that the registry leads
// to, installed the way a host finds it, and walkers over the public exports.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/orvex.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/oe4_constructor.h"

namespace orvex::pruebas {

// The store under a temporary folder, "Store Root" pointing at it, the version detected again.
// Dates come out in UTC.
class AlmacenOe4Instalado {
 public:
  explicit AlmacenOe4Instalado(const AlmacenOe4& descripcion) : zona_("TZ", std::string("UTC0")) {
    escrito_ = EscribirAlmacenOe4(dir_.Ruta(), descripcion);
    RegistroOe4 r;
    r.raiz = dir_.Ruta();
    if (descripcion.cuenta_por_defecto) r.cuenta_por_defecto = "00000002";
    r.cuentas = descripcion.cuentas;
    DescribirRegistroOe4(registro_, r);
    registro_.Instalar();
    OE_ObtenerVersionOE();
  }

  const DirectorioTemporal& Directorio() const { return dir_; }
  const AlmacenOe4Escrito& Escrito() const { return escrito_; }
  // Rewrites one file of the store, by its path below the store root ("mail/Inbox.idx").
  void Reescribir(const std::string& relativo, const std::vector<uint8_t>& bytes) const {
    EscribirImagen(dir_.Ruta() + "/" + relativo, bytes);
  }

 private:
  VariableEntorno zona_;
  DirectorioTemporal dir_;
  RegistroPrueba registro_;
  AlmacenOe4Escrito escrito_;
};

// What a host reads of a folder record.
struct VistaOe4 {
  uint32_t id = 0;
  uint32_t padre = 0;
  std::string nombre;
  bool operator==(const VistaOe4&) const = default;
};

// Runs a folder walk (OE_ObtenerCarpetas or OE_ObtenerCarpetasPrincipales) to its end; the
// last result is kept in *fin.
template <class Export>
std::vector<VistaOe4> Recorrer(Export exportacion, uint32_t* fin = nullptr, std::size_t limite = 1000) {
  std::vector<VistaOe4> vistas;
  OE_CARPETA* c = nullptr;
  uint32_t r = exportacion(&c, OE_PRIMERO);
  while (r == OE_OK && vistas.size() < limite) {
    vistas.push_back({c->IdCarpeta, c->IdPadre, c->Nombre});
    r = exportacion(&c, OE_SIGUIENTE);
  }
  if (fin != nullptr) *fin = r;
  if (c != nullptr) exportacion(&c, OE_CERRAR);
  return vistas;
}

// A folder by entry id, closed on destruction.
class CarpetaPorId {
 public:
  CarpetaPorId(uint32_t id, uint32_t pos) {
    OE_ENTRYID e{id, pos};
    resultado_ = OE_ObtenerCarpetaDeEntryID(&e, &c_, OE_PRIMERO);
  }
  ~CarpetaPorId() {
    if (c_ != nullptr) {
      OE_ENTRYID e{};
      OE_ObtenerCarpetaDeEntryID(&e, &c_, OE_CERRAR);
    }
  }
  CarpetaPorId(const CarpetaPorId&) = delete;
  CarpetaPorId& operator=(const CarpetaPorId&) = delete;
  uint32_t Resultado() const { return resultado_; }
  // Mode 3 now: its result; the record is then null.
  uint32_t Cerrar() {
    OE_ENTRYID e{};
    return OE_ObtenerCarpetaDeEntryID(&e, &c_, OE_CERRAR);
  }
  OE_CARPETA* operator->() const { return c_; }
  OE_CARPETA* Puntero() const { return c_; }

 private:
  OE_CARPETA* c_ = nullptr;
  uint32_t resultado_ = 0;
};

// What a host reads of a message.
struct VistaMensaje {
  uint32_t id = 0;
  std::string asunto;
  std::string de;
  std::string fecha;
  std::string texto;
};

// Lists a folder's messages to the end; the last result in *fin.
inline std::vector<VistaMensaje> Mensajes(OE_CARPETA* carpeta, uint32_t* fin = nullptr) {
  std::vector<VistaMensaje> vistas;
  OE_MENSAJE* m = nullptr;
  uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO);
  if (r == OE_OK) r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
  while (r == OE_OK && vistas.size() < 1000) {
    vistas.push_back({m->IdMensaje, m->Asunto, m->De, m->Fecha,
                      m->Texto != nullptr ? std::string(m->Texto, m->LongTexto) : std::string()});
    r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
  }
  if (fin != nullptr) *fin = r;
  if (m != nullptr) OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
  return vistas;
}

}  // namespace orvex::pruebas
