// Test support for every store generation: a store built in a temporary folder that the
// registry leads to, installed the way a host finds it, and walkers that drive the public
// exports the way a host does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
  RegistroDbx r;
  r.identidades = {{kIdentidadPrincipal, "Principal", ruta, false}};
  r.por_defecto = kIdentidadPrincipal;
  DescribirRegistro(registro, r);
  registro.Instalar();
  OE_ObtenerVersionOE();
  OE_IniciarIdentities(nullptr);
}

// The temporary folder a store is written into and the registry that leads to it, for as long
// as this lives. Dates come out in UTC unless a test sets TZ itself.
class AlmacenTemporal {
 public:
  AlmacenTemporal(const AlmacenTemporal&) = delete;
  AlmacenTemporal& operator=(const AlmacenTemporal&) = delete;
  const DirectorioTemporal& Directorio() const { return dir_; }
  RegistroPrueba& Registro() { return registro_; }
  // Rewrites one file of the store (after damaging its image), by its path below the root.
  void Reescribir(const std::string& relativo, const std::vector<uint8_t>& bytes) const {
    EscribirImagen(dir_.Ruta() + "/" + relativo, bytes);
  }

 protected:
  AlmacenTemporal() : zona_("TZ", std::string("UTC0")) {}
  VariableEntorno zona_;
  DirectorioTemporal dir_;
  RegistroPrueba registro_;
};

// A .dbx store whose default identity has its "Store Root" in the folder.
class AlmacenInstalado : public AlmacenTemporal {
 public:
  explicit AlmacenInstalado(const AlmacenDbx& descripcion) {
    escrito_ = EscribirAlmacen(dir_.Ruta(), descripcion);
    InstalarIdentidad(registro_, dir_.Ruta());
  }
  const AlmacenEscrito& Escrito() const { return escrito_; }

 private:
  AlmacenEscrito escrito_;
};

// A store of the older generation, "Store Root" pointing at the folder.
class AlmacenOe4Instalado : public AlmacenTemporal {
 public:
  explicit AlmacenOe4Instalado(const AlmacenOe4& descripcion) {
    escrito_ = EscribirAlmacenOe4(dir_.Ruta(), descripcion);
    RegistroOe4 r;
    r.raiz = dir_.Ruta();
    if (descripcion.cuenta_por_defecto) r.cuenta_por_defecto = "00000002";
    r.cuentas = descripcion.cuentas;
    DescribirRegistroOe4(registro_, r);
    registro_.Instalar();
    OE_ObtenerVersionOE();
  }
  const AlmacenOe4Escrito& Escrito() const { return escrito_; }

 private:
  AlmacenOe4Escrito escrito_;
};

inline BuzonImn Buzon(std::string nombre, std::vector<MensajeImn> mensajes) {
  BuzonImn b;
  b.nombre = std::move(nombre);
  b.mensajes = std::move(mensajes);
  return b;
}

// Mailbox pairs under Mail/, the registry's "Store Root" at the folder (with a closing
// backslash when asked).
class AlmacenImnInstalado : public AlmacenTemporal {
 public:
  explicit AlmacenImnInstalado(const std::vector<BuzonImn>& buzones) {
    mapas_ = EscribirAlmacenImn(dir_.Ruta(), buzones);
    DescribirRegistroImn(registro_, dir_.Ruta());
    registro_.Instalar();
    version_ = OE_ObtenerVersionOE();
  }
  uint32_t Version() const { return version_; }
  const MapaImn& Mapa(const std::string& nombre) const { return mapas_.at(nombre); }
  std::vector<uint8_t> Leer(const std::string& archivo) const { return dir_.Leer("Mail/" + archivo); }
  void Escribir(const std::string& archivo, const std::vector<uint8_t>& bytes) const {
    dir_.Escribir("Mail/" + archivo, bytes);
  }

 private:
  std::map<std::string, MapaImn> mapas_;
  uint32_t version_ = 0;
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
  uint32_t Resultado() const { return resultado; }
  // Mode 3 now: its result; the record is then null.
  uint32_t Cerrar() {
    OE_ENTRYID e{};
    return OE_ObtenerCarpetaDeEntryID(&e, &c, OE_CERRAR);
  }
  OE_CARPETA* operator->() const { return c; }
  OE_CARPETA* Puntero() const { return c; }
};
using CarpetaAbierta = CarpetaPorId;

// A message listing held open; freed through the export.
struct ListadoAbierto {
  OE_CARPETA* carpeta;
  OE_MENSAJE* m = nullptr;
  uint32_t primero = 0;
  explicit ListadoAbierto(OE_CARPETA* c) : carpeta(c) { primero = OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO); }
  ~ListadoAbierto() {
    if (m != nullptr) OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
  }
  ListadoAbierto(const ListadoAbierto&) = delete;
  ListadoAbierto& operator=(const ListadoAbierto&) = delete;
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
};

// What a host reads of a message record.
struct MensajeVisto {
  uint32_t resultado = 0;
  uint32_t id = 0;
  uint32_t pos_registro = 0;
  uint32_t fin_registro = 0;
  uint32_t pos_texto = 0;
  std::string fecha;
  std::optional<std::string> texto;  // absent when Texto is null
};

struct Listado {
  uint32_t primero = 0;
  std::vector<MensajeVisto> mensajes;  // every record mode 2 handed out, failed ones too
  uint32_t fin = OE_OK;                // the mode 2 result that ended it; 0 at the bound
};

// Lists a folder as a host does (RecorrerMensajes), keeping every message that mode 2 handed
// out, failed ones too; the close must succeed.
inline Listado Listar(OE_CARPETA* carpeta, std::size_t limite = 2000) {
  Listado l;
  RecorrerMensajes(carpeta, [&](uint32_t modo, uint32_t r, const OE_MENSAJE* m) {
    if (modo == OE_PRIMERO) l.primero = r;
    if (modo != OE_SIGUIENTE) {  // a failed mode 1 leaves no record; mode 3 frees it
      EXPECT_EQ(m == nullptr, modo == OE_CERRAR || r != OE_OK);
      EXPECT_TRUE(modo != OE_CERRAR || r == OE_OK) << r;
    }
    if (modo != OE_SIGUIENTE) return;
    if (r != OE_OK && r != OE_ERROR) {
      l.fin = r;
      return;
    }
    MensajeVisto v{r, m->IdMensaje, m->PosRegistro, m->FinRegistro, m->PosTexto, m->Fecha, std::nullopt};
    if (m->Texto != nullptr) {
      EXPECT_EQ(m->Texto[m->LongTexto], '\0');
      v.texto = std::string(m->Texto, m->LongTexto);
    }
    l.mensajes.push_back(std::move(v));
  }, limite);
  return l;
}

// A listed message with its object opened and moved on to part `parte` (1 = the body); the
// object, the listing and the folder are closed through the exports on destruction.
struct ObjetoEnParte {
  CarpetaPorId carpeta;
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

// The folder of real sample stores (ORVEX_MUESTRAS); absent when unset.
inline std::optional<std::string> Muestras() {
  const char* m = std::getenv("ORVEX_MUESTRAS");
  if (m == nullptr || *m == '\0' || !std::filesystem::is_directory(m)) return std::nullopt;
  return std::string(m);
}

// The peer reader undbx, for cross-checks; absent, those checks skip.
inline bool HayUndbx() { return std::system("command -v undbx >/dev/null 2>&1") == 0; }

// The texts undbx takes out of one .dbx file, sorted.
inline std::vector<std::string> TextosUndbx(const std::string& archivo, const std::string& salida) {
  namespace fs = std::filesystem;
  fs::create_directories(salida);
  const std::string orden = "undbx -v 0 '" + archivo + "' '" + salida + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(orden.c_str()), 0);
  std::vector<std::string> textos;
  for (const auto& e : fs::recursive_directory_iterator(salida)) {
    if (!e.is_regular_file() || e.path().extension() != ".eml") continue;
    std::ifstream f(e.path(), std::ios::binary);
    textos.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  fs::remove_all(salida);
  std::sort(textos.begin(), textos.end());
  return textos;
}

}  // namespace orvex::pruebas
