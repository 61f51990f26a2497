// Folders of this store: every mailbox file of the mail directory is one folder, with no
// tree above or below it. The list of mailbox paths is taken once, when an enumeration starts.
#include <string>
#include <vector>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "soporte/memoria.h"
#include "soporte/rutas.h"
#include "soporte/texto.h"

namespace orvex::imn {

namespace {

constexpr std::size_t kLongRuta = 260;

void LiberarCarpeta(OE_CARPETA** carpeta) {
  OE_CARPETA* c = *carpeta;
  if (char** rutas = RutasBuzones(*c); rutas != nullptr) {
    const uint32_t n = Palabra(*c, kCarpetaNumBuzones);
    for (uint32_t i = 0; i < n; ++i) MEM_LiberarSiNoNulo(rutas[i]);
    MEM_Liberar(rutas);
    PonerRutasBuzones(*c, nullptr);
  }
  MEM_Liberar(c);
  *carpeta = nullptr;
}

// The message count of an index file whose header bears the signature and the version; 0
// otherwise, and for a count that is 0 or less taken as signed.
uint32_t ContarMensajes(const std::string& ruta_indice) {
  auto archivo = ArchivoImn::Abrir(ruta_indice);
  uint8_t cab[imnfmt::kLongCabIdx];
  if (!archivo || !archivo->Leer(0, cab, sizeof cab)) return 0;
  if (Le32(cab + imnfmt::kIdxFirma) != imnfmt::kFirmaIdx || Le32(cab + imnfmt::kIdxVersion) != imnfmt::kVersionIdx) {
    return 0;
  }
  const uint32_t n = Le32(cab + imnfmt::kIdxNumMensajes);
  return static_cast<int32_t>(n) > 0 ? n : 0;
}

uint32_t Primero(OE_CARPETA** carpeta) {
  *carpeta = static_cast<OE_CARPETA*>(MEM_Reservar(sizeof(OE_CARPETA)));
  if (*carpeta == nullptr) return OE_ERROR_MEMORIA;
  OE_CARPETA& c = **carpeta;
  c.Tamano = OE_TAM_CARPETA;

  char raiz[kLongRuta];
  if (ObtenerRaizIMN(raiz) != 0) {
    LiberarCarpeta(carpeta);
    return OE_ERROR;
  }
  // A mailbox whose path does not fit a path field could only be named cut short, which
  // would name another file: it is left out.
  std::vector<std::string> rutas;
  for (const std::string& nombre : plataforma::ListarArchivos(raiz, imnfmt::kPatronBuzones)) {
    std::string ruta = std::string(raiz) + "\\" + nombre;
    if (ruta.size() < kLongRuta) rutas.push_back(std::move(ruta));
  }
  if (rutas.empty()) {
    LiberarCarpeta(carpeta);
    return OE_ERROR;
  }
  const auto n = static_cast<uint32_t>(rutas.size());
  PonerPalabra(c, kCarpetaNumBuzones, n);
  auto** lista = static_cast<char**>(MEM_ReservarOExcepcion((static_cast<std::size_t>(n) + 1) * sizeof(char*)));
  PonerRutasBuzones(c, lista);
  for (uint32_t i = 0; i < n; ++i) {
    lista[i] = static_cast<char*>(MEM_ReservarOExcepcion(kLongRuta));
    CopiarAcotado(lista[i], rutas[i].c_str(), kLongRuta);
  }
  return OE_OK;
}

uint32_t Siguiente(OE_CARPETA& c) {
  const uint32_t i = Palabra(c, kCarpetaSiguienteBuzon);
  char** rutas = RutasBuzones(c);
  if (rutas == nullptr || i >= Palabra(c, kCarpetaNumBuzones)) return OE_FIN;
  c.Tamano = OE_TAM_CARPETA;
  PonerPalabra(c, kCarpetaSiguienteBuzon, i + 1);
  c.Indice = i;
  c.IdCarpeta = i;
  CopiarAcotado(c.RutaBuzon, rutas[i] != nullptr ? rutas[i] : "", sizeof c.RutaBuzon);
  const PartesRuta partes = DividirRuta(c.RutaBuzon);
  CopiarAcotado(c.Nombre, partes.nombre.c_str(), sizeof c.Nombre);
  const std::string indice =
      ComponerRuta(partes.unidad, partes.directorio, partes.nombre, imnfmt::kExtensionIndice);
  CopiarAcotado(c.RutaIndice, indice.c_str(), sizeof c.RutaIndice);
  c.NumMensajes = 0;
  for (std::size_t k = 0; k < 3; ++k) PonerPalabra(c, kCarpetaPalabras + 4 * k, 0);
  // A missing, unreadable or foreign index still gives the folder, without messages.
  c.NumMensajes = ContarMensajes(c.RutaIndice);
  return OE_OK;
}

}  // namespace

uint32_t ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo) {
  if (carpeta == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO:
      return Primero(carpeta);
    case OE_SIGUIENTE:
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      return Siguiente(**carpeta);
    case OE_CERRAR:
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      LiberarCarpeta(carpeta);
      return OE_FIN;
    default:
      return OE_FIN;
  }
}

uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo) {
  if (modo == OE_CERRAR) {
    if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
    LiberarCarpeta(carpeta);
    return OE_OK;
  }
  if (modo != OE_PRIMERO) return OE_OK;
  const uint32_t r = Primero(carpeta);
  if (r != OE_OK) return r;
  // The id is the mailbox's place in the list: the walk can start right there.
  OE_CARPETA& c = **carpeta;
  if (entryid->IdCarpeta < Palabra(c, kCarpetaNumBuzones)) {
    PonerPalabra(c, kCarpetaSiguienteBuzon, entryid->IdCarpeta);
    if (Siguiente(c) == OE_OK && c.IdCarpeta == entryid->IdCarpeta) return OE_OK;
  }
  LiberarCarpeta(carpeta);
  return OE_ERROR_PARAM;
}

}  // namespace orvex::imn
