// Outlook Express 5/6 store: a built store in a temporary folder with a registry that leads
// to it, made once per process; each input replaces one of its files, and the exports walk
// it the way a host does.
#include <cstring>
#include <memory>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "api/orvex.h"
#include "fuzz/objetivos.h"
#include "fuzz/recorridos.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::fuzz {
namespace {

constexpr uint32_t kMaxPasos = 2000;
constexpr uint32_t kIdBandeja = 4;  // the example store's Inbox, whose file the message target replaces
constexpr const char* kArchivoBandeja = "Inbox.dbx";
constexpr std::size_t kMaxSubrecorridos = 16;

class AlmacenFuzz {
 public:
  AlmacenFuzz() : zona_("TZ", std::string("UTC0")) {
    const pruebas::AlmacenEscrito escrito = pruebas::EscribirAlmacen(dir_.Ruta(), pruebas::AlmacenEjemplo());
    carpetas_ = escrito.carpetas.bytes;
    pruebas::RegistroDbx r;
    r.identidades = {{"{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}", "Principal", dir_.Ruta(), false}};
    r.por_defecto = r.identidades[0].clave;
    pruebas::DescribirRegistro(registro_, r);
    registro_.Instalar();
    Preparar();
  }

  // The generation and identity are module-wide: another target in the same process may
  // have changed them.
  void Preparar() {
    OE_ObtenerVersionOE();
    OE_IniciarIdentities(nullptr);
  }

  void EscribirCarpetas(const uint8_t* datos, std::size_t n) {
    pruebas::EscribirImagen(dir_.Ruta() + "/folders.dbx", std::vector<uint8_t>(datos, datos + n));
    carpetas_rotas_ = true;
  }

  void EscribirBandeja(const uint8_t* datos, std::size_t n) {
    if (carpetas_rotas_) {
      pruebas::EscribirImagen(dir_.Ruta() + "/folders.dbx", carpetas_);
      carpetas_rotas_ = false;
    }
    pruebas::EscribirImagen(dir_.Ruta() + "/" + kArchivoBandeja, std::vector<uint8_t>(datos, datos + n));
  }

 private:
  pruebas::VariableEntorno zona_;
  pruebas::DirectorioTemporal dir_;
  pruebas::RegistroPrueba registro_;
  std::vector<uint8_t> carpetas_;
  bool carpetas_rotas_ = false;
};

AlmacenFuzz& Almacen() {
  static AlmacenFuzz almacen;
  almacen.Preparar();
  return almacen;
}

using Paso = uint32_t (*)(OE_CARPETA**, uint32_t);

uint32_t PasoCarpetas(OE_CARPETA** c, uint32_t modo) { return OE_ObtenerCarpetas(c, modo); }
uint32_t PasoPrincipales(OE_CARPETA** c, uint32_t modo) { return OE_ObtenerCarpetasPrincipales(c, modo); }

template <std::size_t N>
bool Terminado(const char (&texto)[N]) {
  return std::memchr(texto, 0, N) != nullptr;
}

void ComprobarCarpeta(const OE_CARPETA& c) {
  Exigir(c.Tamano == OE_TAM_CARPETA);
  Exigir(Terminado(c.Nombre) && Terminado(c.RutaAlmacen) && Terminado(c.RutaIndice) && Terminado(c.RutaBuzon));
}

// Mode 1, mode 2 until a result other than 0 (each folder checked and handed to al_cada_una),
// then mode 3 when the record is still held.
template <class Paso, class AlCadaUna>
void Enumerar(Paso paso, AlCadaUna al_cada_una) {
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
  if (c != nullptr) Exigir(paso(&c, OE_CERRAR) == OE_OK && c == nullptr);
}

void PorEntryId(uint32_t id, uint32_t pos) {
  OE_ENTRYID e{id, pos};
  OE_CARPETA* c = nullptr;
  if (OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO) == OE_OK) ComprobarCarpeta(*c);
  if (c != nullptr) Exigir(OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR) == OE_OK && c == nullptr);
}

}  // namespace

int DbxCarpetas(const uint8_t* datos, std::size_t n) {
  Almacen().EscribirCarpetas(datos, n);
  std::set<std::pair<uint32_t, uint32_t>> vistas;
  auto nada = [](const OE_CARPETA&) {};
  Enumerar(PasoCarpetas, [&](OE_CARPETA& padre) {
    if (vistas.size() >= kMaxSubrecorridos) return;
    vistas.insert({padre.IdCarpeta, padre.PosCarpeta});
    Enumerar([&](OE_CARPETA** c, uint32_t modo) { return OE_ObtenerSubCarpetas(&padre, c, modo); }, nada);
  });
  Enumerar(PasoPrincipales, nada);
  vistas.insert({0, 0});
  vistas.insert({1, 0});
  vistas.insert({kIdBandeja, 0});
  vistas.insert({0xFFFFFFFFu, 0xFFFFFFFFu});
  for (const auto& [id, pos] : vistas) PorEntryId(id, pos);
  return 0;
}

int DbxMensajes(const uint8_t* datos, std::size_t n) {
  Almacen().EscribirBandeja(datos, n);
  OE_ENTRYID e{kIdBandeja, 0};
  OE_CARPETA* carpeta = nullptr;
  // folders.dbx is the built one: the folder must be found.
  Exigir(OE_ObtenerCarpetaDeEntryID(&e, &carpeta, OE_PRIMERO) == OE_OK && carpeta != nullptr);
  OE_MENSAJE* m = nullptr;
  if (OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO) == OE_OK) {
    for (uint32_t i = 0; i < kMaxPasos; ++i) {
      const uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
      if (r == OE_ERROR) continue;  // a damaged message; a host goes on to the next
      if (r != OE_OK) break;
      Exigir(m != nullptr && m->Tamano == OE_TAM_MENSAJE);
      if (m->Texto == nullptr) continue;
      Exigir(m->Texto[m->LongTexto] == '\0');
      RecorrerPartes(m);
      RecorrerDestinos(m);
    }
  }
  if (m != nullptr) Exigir(OE_ObtenerMensajes(carpeta, &m, OE_CERRAR) == OE_OK && m == nullptr);
  Exigir(OE_ObtenerCarpetaDeEntryID(nullptr, &carpeta, OE_CERRAR) == OE_OK && carpeta == nullptr);
  return 0;
}

}  // namespace orvex::fuzz
