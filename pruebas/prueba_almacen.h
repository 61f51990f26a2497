// Test support for every store generation: a store built in a temporary folder that the
// registry leads to, installed the way a host finds it, and a folder opened as a host does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/listado.h"
#include "pruebas/oe4_constructor.h"

namespace orvex::pruebas {

inline constexpr const char* kIdentidadPrincipal = "{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}";

// A registry whose default identity keeps its store at ruta; the generation is detected again
// and that identity selected.
inline void InstalarIdentidad(RegistroPrueba& registro, const std::string& ruta) {
  DescribirRegistro(registro, {.identidades = {{kIdentidadPrincipal, "Principal", ruta, false}},
                               .por_defecto = kIdentidadPrincipal});
  registro.Instalar();
  OE_ObtenerVersionOE();
  OE_IniciarIdentities(nullptr);
}

// A store of any generation written into a temporary folder, and the registry that leads to it,
// installed for as long as this lives. Dates come out in UTC unless a test sets TZ itself.
class AlmacenInstalado {
 public:
  // .dbx files; the default identity has its "Store Root" in the folder.
  explicit AlmacenInstalado(const AlmacenDbx& d) : AlmacenInstalado() {
    dbx_ = EscribirAlmacen(Raiz(), d);
    InstalarIdentidad(registro_, Raiz());
  }
  // The older generation's folders, pairs and news files; "Store Root" at the folder.
  explicit AlmacenInstalado(const AlmacenOe4& d) : AlmacenInstalado() {
    oe4_ = EscribirAlmacenOe4(Raiz(), d);
    const std::optional<std::string> por_defecto = d.cuenta_por_defecto ? "00000002" : std::optional<std::string>();
    DescribirRegistroOe4(registro_, {Raiz(), por_defecto, d.cuentas});
    Instalar();
  }
  // Mailbox pairs under Mail/; "Store Root" at the folder.
  explicit AlmacenInstalado(const std::vector<BuzonImn>& buzones) : AlmacenInstalado() {
    imn_ = EscribirAlmacenImn(Raiz(), buzones);
    DescribirRegistroImn(registro_, Raiz());
    Instalar();
  }
  const std::string& Raiz() const { return dir_.Ruta(); }
  // A file of the store by its path below the root; writing one replaces it (a damaged image).
  std::vector<uint8_t> Leer(const std::string& relativo) const { return dir_.Leer(relativo); }
  void Escribir(const std::string& relativo, const std::vector<uint8_t>& bytes) const {
    EscribirImagen(Raiz() + "/" + relativo, bytes);
  }
  // Where the builder put things, for the generation the store was built as.
  const AlmacenEscrito& Dbx() const { return dbx_; }
  const AlmacenOe4Escrito& Oe4() const { return oe4_; }
  const MapaImn& Imn(const std::string& buzon) const { return imn_.at(buzon); }

 private:
  AlmacenInstalado() : zona_("TZ", std::string("UTC0")) {}
  void Instalar() {
    registro_.Instalar();
    OE_ObtenerVersionOE();
  }
  VariableEntorno zona_;
  DirectorioTemporal dir_;
  RegistroPrueba registro_;
  AlmacenEscrito dbx_;
  AlmacenOe4Escrito oe4_;
  std::map<std::string, MapaImn> imn_;
};

// A folder looked up by entry id through the export (c is null when not found), closed on
// destruction.
struct CarpetaPorId {
  OE_CARPETA* c = nullptr;
  uint32_t resultado = 0;
  explicit CarpetaPorId(uint32_t id, uint32_t pos = 0) {
    OE_ENTRYID e{id, pos};
    resultado = OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO);
  }
  ~CarpetaPorId() {
    if (c != nullptr) Cerrar();
  }
  CarpetaPorId(const CarpetaPorId&) = delete;
  CarpetaPorId& operator=(const CarpetaPorId&) = delete;
  // Mode 3 now: its result; the record is then null.
  uint32_t Cerrar() {
    OE_ENTRYID e{};
    return OE_ObtenerCarpetaDeEntryID(&e, &c, OE_CERRAR);
  }
  OE_CARPETA* operator->() const { return c; }
  OE_CARPETA* Puntero() const { return c; }
};

// The folder of real sample stores (ORVEX_MUESTRAS); absent when unset.
inline std::optional<std::string> Muestras() {
  const char* m = std::getenv("ORVEX_MUESTRAS");
  if (m == nullptr || !std::filesystem::is_directory(m)) return std::nullopt;
  return std::string(m);
}

}  // namespace orvex::pruebas
