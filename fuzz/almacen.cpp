#include "fuzz/almacen.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "fuzz/objetivos.h"
#include "fuzz/recorridos.h"
#include "pruebas/dbx_constructor.h"

namespace orvex::fuzz {
namespace {

constexpr uint32_t kMaxPasos = 2000;
constexpr std::size_t kMaxSubrecorridos = 16;

// Closing gives 0, or 2 where a store ends its walks that way, and always takes the record.
template <class Registro>
bool Cerrado(uint32_t resultado, const Registro* registro) {
  return (resultado == OE_OK || resultado == OE_FIN) && registro == nullptr;
}

template <std::size_t N>
bool Terminado(const char (&texto)[N]) {
  return std::memchr(texto, 0, N) != nullptr;
}

}  // namespace

AlmacenFuzz::AlmacenFuzz(const Escritor& escribir, bool con_identidades)
    : zona_("TZ", std::string("UTC0")), con_identidades_(con_identidades) {
  escribir(dir_.Ruta(), registro_);
  ruta_registro_ = registro_.Instalar();
}

void AlmacenFuzz::Preparar() {
  setenv("ORVEX_REGISTRY", ruta_registro_.c_str(), 1);
  OE_ObtenerVersionOE();
  if (con_identidades_) OE_IniciarIdentities(nullptr);
}

void AlmacenFuzz::Vigilar(const std::string& relativo) {
  if (originales_.find(relativo) == originales_.end()) originales_[relativo] = dir_.Leer(relativo);
  cambiados_.push_back(relativo);
}

void AlmacenFuzz::Reemplazar(const std::string& relativo, const uint8_t* datos, std::size_t n) {
  Vigilar(relativo);
  pruebas::EscribirImagen(dir_.Ruta() + "/" + relativo, std::vector<uint8_t>(datos, datos + n));
}

void AlmacenFuzz::Restaurar() {
  for (const std::string& relativo : cambiados_) {
    pruebas::EscribirImagen(dir_.Ruta() + "/" + relativo, originales_.at(relativo));
  }
  cambiados_.clear();
}

void ComprobarCarpeta(const OE_CARPETA& c) {
  Exigir(c.Tamano == OE_TAM_CARPETA);
  Exigir(Terminado(c.Nombre) && Terminado(c.RutaAlmacen) && Terminado(c.RutaIndice) && Terminado(c.RutaBuzon));
}

void Enumerar(const std::function<uint32_t(OE_CARPETA**, uint32_t)>& paso,
              const std::function<void(OE_CARPETA&)>& al_cada_una) {
  OE_CARPETA* c = nullptr;
  if (paso(&c, OE_PRIMERO) == OE_OK) {
    Exigir(c != nullptr);
    ComprobarCarpeta(*c);
    for (uint32_t i = 0; i < kMaxPasos; ++i) {
      if (paso(&c, OE_SIGUIENTE) != OE_OK) break;
      ComprobarCarpeta(*c);
      al_cada_una(*c);
    }
  }
  if (c != nullptr) {
    const uint32_t r = paso(&c, OE_CERRAR);
    Exigir(Cerrado(r, c));
  }
}

void RecorrerCarpetas(const std::vector<std::pair<uint32_t, uint32_t>>& extra) {
  std::set<std::pair<uint32_t, uint32_t>> vistas(extra.begin(), extra.end());
  std::size_t subrecorridos = 0;
  auto nada = [](OE_CARPETA&) {};
  Enumerar(OE_ObtenerCarpetas, [&](OE_CARPETA& padre) {
    if (subrecorridos >= kMaxSubrecorridos) return;
    ++subrecorridos;
    vistas.insert({padre.IdCarpeta, padre.PosCarpeta});
    Enumerar([&](OE_CARPETA** c, uint32_t modo) { return OE_ObtenerSubCarpetas(&padre, c, modo); }, nada);
  });
  Enumerar(OE_ObtenerCarpetasPrincipales, nada);
  for (const auto& [id, pos] : vistas) {
    OE_ENTRYID e{id, pos};
    OE_CARPETA* c = nullptr;
    if (OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO) == OE_OK) ComprobarCarpeta(*c);
    if (c != nullptr) {
      const uint32_t r = OE_ObtenerCarpetaDeEntryID(&e, &c, OE_CERRAR);
      Exigir(Cerrado(r, c));
    }
  }
}

void RecorrerMensajes(OE_CARPETA* carpeta) {
  OE_MENSAJE* m = nullptr;
  if (OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO) == OE_OK) {
    Exigir(m != nullptr);
    OE_MENSAJE antes;
    for (uint32_t i = 0; i < kMaxPasos; ++i) {
      std::memcpy(&antes, m, sizeof antes);
      const uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
      if (r == OE_ERROR) {
        // A damaged message; a host goes on to the next. An error that leaves the cursor as
        // it was would come back on every later call, and the listing would never end.
        Exigir(m != nullptr && std::memcmp(&antes, m, sizeof antes) != 0);
        continue;
      }
      if (r != OE_OK) break;
      Exigir(m != nullptr && m->Tamano == OE_TAM_MENSAJE);
      Exigir(Terminado(m->Asunto) && Terminado(m->De) && Terminado(m->Fecha));
      if (m->Texto == nullptr) continue;
      Exigir(m->Texto[m->LongTexto] == '\0');
      RecorrerPartes(m);
      RecorrerDestinos(m);
    }
  }
  if (m != nullptr) {
    const uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
    Exigir(Cerrado(r, m));
  }
}

void RecorrerMensajesDe(uint32_t id, uint32_t pos, bool obligatoria) {
  OE_ENTRYID e{id, pos};
  OE_CARPETA* carpeta = nullptr;
  const uint32_t r = OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_PRIMERO);
  if (obligatoria) Exigir(r == OE_OK && carpeta != nullptr);
  if (r == OE_OK && carpeta != nullptr) RecorrerMensajes(carpeta);
  if (carpeta != nullptr) {
    const uint32_t c = OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_CERRAR);
    Exigir(Cerrado(c, carpeta));
  }
}

Par Partir(const uint8_t* datos, std::size_t n) {
  if (n < 4) return {datos, 0, datos, 0};
  std::size_t largo = uint32_t{datos[0]} | uint32_t{datos[1]} << 8 | uint32_t{datos[2]} << 16 | uint32_t{datos[3]} << 24;
  if (largo > n - 4) largo = n - 4;
  return {datos + 4, largo, datos + 4 + largo, n - 4 - largo};
}

std::string UnirPar(const std::vector<uint8_t>& primero, const std::vector<uint8_t>& segundo) {
  const auto largo = static_cast<uint32_t>(primero.size());
  std::string s;
  for (int k = 0; k < 4; ++k) s += static_cast<char>((largo >> (8 * k)) & 0xFF);
  s.append(primero.begin(), primero.end());
  s.append(segundo.begin(), segundo.end());
  return s;
}

}  // namespace orvex::fuzz
