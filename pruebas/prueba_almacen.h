// Test support for this store: a built store in a temporary folder that the registry leads
// to, and walkers that drive the public exports the way a host does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::pruebas {

inline constexpr const char* kIdentidadPrincipal = "{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}";
inline constexpr const char* kIdentidadSegunda = "{0D3F1A2B-0002-4C5D-9E8F-1234567890AB}";

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

// A store written into a temporary folder, with a registry whose default identity has its
// "Store Root" there; the generation is detected again and the default identity selected.
// Dates come out in UTC unless a test sets TZ itself.
class AlmacenInstalado {
 public:
  explicit AlmacenInstalado(const AlmacenDbx& descripcion) : zona_("TZ", std::string("UTC0")) {
    escrito_ = EscribirAlmacen(dir_.Ruta(), descripcion);
    InstalarIdentidad(registro_, dir_.Ruta());
  }

  const DirectorioTemporal& Directorio() const { return dir_; }
  RegistroPrueba& Registro() { return registro_; }
  const AlmacenEscrito& Escrito() const { return escrito_; }
  // The path the reader builds for a file of the store.
  std::string RutaLector(const std::string& nombre) const { return dir_.Ruta() + "\\" + nombre; }
  // Rewrites one file of the store (after damaging its image).
  void Reescribir(const std::string& nombre, const std::vector<uint8_t>& bytes) const {
    EscribirImagen(dir_.Ruta() + "/" + nombre, bytes);
  }

 private:
  VariableEntorno zona_;
  DirectorioTemporal dir_;
  RegistroPrueba registro_;
  AlmacenEscrito escrito_;
};

// Looks a folder up by id through the export; null when not found.
struct CarpetaAbierta {
  OE_CARPETA* c = nullptr;
  uint32_t resultado = 0;
  explicit CarpetaAbierta(uint32_t id) {
    OE_ENTRYID e{id, 0};
    resultado = OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO);
  }
  ~CarpetaAbierta() {
    if (c != nullptr) OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR);
  }
  CarpetaAbierta(const CarpetaAbierta&) = delete;
  CarpetaAbierta& operator=(const CarpetaAbierta&) = delete;
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
  std::vector<MensajeVisto> mensajes;  // every mode 2 result up to the first 2 (or a bound)
};

// Lists a folder: mode 1, mode 2 until it gives 2 (results 1 are kept and the listing goes on,
// as a host may), then mode 3.
inline Listado Listar(OE_CARPETA* carpeta, uint32_t max_pasos = 1000) {
  Listado l;
  OE_MENSAJE* m = nullptr;
  l.primero = OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO);
  if (l.primero != OE_OK) {
    EXPECT_EQ(m, nullptr);
    return l;
  }
  for (uint32_t i = 0; i < max_pasos; ++i) {
    MensajeVisto v;
    v.resultado = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
    if (v.resultado == OE_FIN || v.resultado == OE_ERROR_PARAM) break;
    v.id = m->IdMensaje;
    v.pos_registro = m->PosRegistro;
    v.fin_registro = m->FinRegistro;
    v.pos_texto = m->PosTexto;
    v.fecha = m->Fecha;
    if (m->Texto != nullptr) {
      EXPECT_EQ(m->Texto[m->LongTexto], '\0');
      v.texto = std::string(m->Texto, m->LongTexto);
    }
    l.mensajes.push_back(std::move(v));
  }
  EXPECT_EQ(OE_ObtenerMensajes(carpeta, &m, OE_CERRAR), OE_OK);
  EXPECT_EQ(m, nullptr);
  return l;
}

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

// The texts of a listing, sorted (every message must have loaded).
inline std::vector<std::string> TextosOrdenados(const Listado& l) {
  std::vector<std::string> textos;
  for (const MensajeVisto& m : l.mensajes) {
    EXPECT_EQ(m.resultado, OE_OK) << m.id;
    textos.push_back(m.texto.value_or("<unreadable>"));
  }
  std::sort(textos.begin(), textos.end());
  return textos;
}

}  // namespace orvex::pruebas
