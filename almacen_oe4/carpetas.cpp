// Folder walks over folders.nch: every folder in chain order, the top-level ones up to the
// root's IdFin, the children of one folder, and one folder by its entry id. The mail walks
// go on into the news accounts. The record is the whole cursor; every chain step is bounded
// by the room the file has for records.
#include <cstring>
#include <string>
#include <unordered_set>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/interno.h"
#include "almacen_oe4/oe4.h"
#include "soporte/memoria.h"
#include "soporte/rutas.h"
#include "soporte/texto.h"

namespace orvex::oe4 {

using namespace orvex::oe4fmt;

namespace {

bool EsNoticias(uint32_t id) { return (id & kBitNoticias) != 0; }

// folders.nch opened and its header checked; the header's first-record offset in *primero.
std::optional<ArchivoOe4> AbrirFolders(const std::string& ruta, uint32_t* primero) {
  auto archivo = ArchivoOe4::Abrir(ruta);
  if (!archivo) return std::nullopt;
  uint8_t cab[kLongCabFolders];
  if (!archivo->Leer(0, cab, sizeof cab)) return std::nullopt;
  if (Le32(cab + kNchFirma) != kFirmaNch || Le32(cab + kNchVersion) != kVersionFolders) return std::nullopt;
  *primero = Le32(cab + kNchPrimero);
  return archivo;
}

void LlenarCarpeta(OE_CARPETA& c, const RegistroNch& r) {
  c.Tamano = OE_TAM_CARPETA;
  c.IdCarpeta = r.IdCarpeta;
  c.PosCarpeta = r.PosPropia;
  c.PosSiguiente = r.PosSiguiente;
  c.PosAux = r.PosAux;
  c.Indice = r.Indice;
  c.IdPadre = r.IdPadre;
  CopiarAcotado(c.Nombre, r.Nombre, sizeof c.Nombre);
  // A file name that is not one plain name could lead out of the store's folder: the folder
  // stays listed, but without paths its messages cannot be opened. An empty name (the root's)
  // leads nowhere: it gives the files ".idx" and ".mbx" of the store's folder.
  if (r.NombreFichero[0] == '\0' || EsNombreDeArchivoSimple(r.NombreFichero)) {
    const PartesRuta partes = DividirRuta(c.RutaAlmacen);
    Copiar(c.RutaIndice, ComponerRuta(partes.unidad, partes.directorio, r.NombreFichero, "idx"), sizeof c.RutaIndice);
    Copiar(c.RutaBuzon, ComponerRuta(partes.unidad, partes.directorio, r.NombreFichero, "mbx"), sizeof c.RutaBuzon);
  } else {
    c.RutaIndice[0] = '\0';
    c.RutaBuzon[0] = '\0';
  }
  c.NumSubCarpetas = r.NumSubCarpetas;
  PonerPalabra(c, kCarpetaIdFin, r.IdFin);
  c.NumMensajes = r.NumMensajes;
  PonerPalabra(c, kCarpetaExtra, r.Extra);
  PonerPalabra(c, kCarpetaTamBloques, r.TamBloques);
  PonerPalabra(c, kCarpetaTamMensajes, r.TamMensajes);
}

// One more record handed out by this walk; false once the walk has handed out more records
// than the file can hold (and the root once more): the chain loops.
bool ContarPaso(OE_CARPETA& c, const ArchivoOe4& archivo) {
  const uint32_t pasos = Palabra(c, kCarpetaPasos) + 1;
  if (pasos > MaxRegistrosNch(archivo) + 1) return false;
  PonerPalabra(c, kCarpetaPasos, pasos);
  return true;
}

// Follows the chain from pos to the first record that acepta; 2 when the chain ends first,
// 1 when a record cannot be read or the chain comes back on itself.
template <class Acepta>
uint32_t BuscarEnCadena(const ArchivoOe4& archivo, uint32_t pos, Acepta acepta, RegistroNch* r) {
  std::unordered_set<uint32_t> vistos;
  const uint32_t max = MaxRegistrosNch(archivo);
  for (;;) {
    if (!vistos.insert(pos).second || vistos.size() > max) return OE_ERROR;
    if (!LeerRegistroNch(archivo, pos, r)) return OE_ERROR;
    if (acepta(*r)) return OE_OK;
    if (r->PosSiguiente == 0) return OE_FIN;
    pos = r->PosSiguiente;
  }
}

uint32_t PrimeraCarpeta(OE_CARPETA** pp) {
  char ruta[260];
  if (RutaFoldersNch(ruta) == 0) return OE_ERROR;
  uint32_t primero = 0;
  auto archivo = AbrirFolders(ruta, &primero);
  if (!archivo) return OE_ERROR;
  RegistroNch primer;
  if (!LeerRegistroNch(*archivo, primero, &primer)) return OE_ERROR;
  RegistroNch raiz;
  // A chain without a root (or one that loops before reaching it) is no folder list.
  if (BuscarEnCadena(*archivo, primero, [](const RegistroNch& r) { return r.IdCarpeta == 0; }, &raiz) != OE_OK) {
    return OE_ERROR;
  }
  OE_CARPETA* c = NuevaCarpeta();
  *pp = c;
  if (c == nullptr) return OE_ERROR_MEMORIA;
  c->Tamano = OE_TAM_CARPETA;
  c->IdCarpeta = raiz.IdCarpeta;
  c->PosCarpeta = raiz.PosPropia;
  // A root met further down the chain: the walk starts again at the first record.
  c->PosSiguiente = raiz.PosPropia == primer.PosPropia ? raiz.PosSiguiente : primer.PosPropia;
  c->PosAux = raiz.PosAux;
  CopiarAcotado(c->Nombre, raiz.Nombre, sizeof c->Nombre);
  CopiarAcotado(c->RutaAlmacen, ruta, sizeof c->RutaAlmacen);
  c->NumSubCarpetas = raiz.NumSubCarpetas;
  PonerPalabra(*c, kCarpetaIdFinPrincipales, raiz.IdFin);
  PonerPalabra(*c, kCarpetaIdFin, raiz.IdFin);
  c->NumMensajes = raiz.NumMensajes;
  PonerPalabra(*c, kCarpetaExtra, raiz.Extra);
  PonerPalabra(*c, kCarpetaHayNoticias, HayCuentaNoticias());
  PonerPalabra(*c, kCarpetaPasos, 1);
  return OE_OK;
}

uint32_t SiguienteCarpeta(OE_CARPETA& c) {
  if (c.PosSiguiente == 0) return OE_FIN;
  auto archivo = ArchivoOe4::Abrir(c.RutaAlmacen);
  if (!archivo) return OE_ERROR;
  if (!ContarPaso(c, *archivo)) return OE_ERROR;
  RegistroNch r;
  if (!LeerRegistroNch(*archivo, c.PosSiguiente, &r)) return OE_ERROR;
  LlenarCarpeta(c, r);
  return OE_OK;
}

uint32_t SiguientePrincipal(OE_CARPETA& c) {
  if (c.IdCarpeta == Palabra(c, kCarpetaIdFinPrincipales)) return OE_FIN;
  if (c.PosSiguiente == 0) return OE_FIN;
  auto archivo = ArchivoOe4::Abrir(c.RutaAlmacen);
  if (!archivo) return OE_ERROR;
  if (!ContarPaso(c, *archivo)) return OE_ERROR;
  RegistroNch r;
  const uint32_t resultado =
      BuscarEnCadena(*archivo, c.PosSiguiente, [](const RegistroNch& x) { return x.IdPadre == 0; }, &r);
  if (resultado != OE_OK) return resultado;
  LlenarCarpeta(c, r);
  return OE_OK;
}

// The first record's offset of the folder list the record names; 0 when it is no folder list.
uint32_t PrimerRegistro(const OE_CARPETA& c) {
  uint32_t primero = 0;
  auto archivo = AbrirFolders(c.RutaAlmacen, &primero);
  RegistroNch r;
  if (!archivo || !LeerRegistroNch(*archivo, primero, &r)) return 0;
  return r.PosPropia;
}

uint32_t PrepararSubCarpetas(const OE_CARPETA& padre, OE_CARPETA** pp) {
  OE_CARPETA* c = NuevaCarpeta();
  *pp = c;
  if (c == nullptr) return OE_ERROR_MEMORIA;
  std::memcpy(c, &padre, sizeof *c);
  c->IdPadre = padre.IdCarpeta;
  PonerPalabra(*c, kCarpetaPasos, 0);
  if (EsNoticias(padre.IdCarpeta)) {
    c->PosSiguiente = kLongCabSublist;
    c->Indice = 0;
  } else {
    c->PosSiguiente = PrimerRegistro(padre);
  }
  return OE_OK;
}

uint32_t SiguienteSubCarpeta(const OE_CARPETA& padre, OE_CARPETA& c) {
  if (c.PosSiguiente == 0) return OE_FIN;
  auto archivo = ArchivoOe4::Abrir(c.RutaAlmacen);
  if (!archivo) return OE_ERROR;
  if (!ContarPaso(c, *archivo)) return OE_ERROR;
  const uint32_t id = padre.IdCarpeta;
  RegistroNch r;
  const uint32_t resultado =
      BuscarEnCadena(*archivo, c.PosSiguiente, [id](const RegistroNch& x) { return x.IdPadre == id; }, &r);
  if (resultado != OE_OK) return resultado;
  LlenarCarpeta(c, r);
  return OE_OK;
}

uint32_t CarpetaPorEntryId(const OE_ENTRYID& id, OE_CARPETA** pp) {
  char ruta[260];
  if (RutaFoldersNch(ruta) == 0) return OE_ERROR;
  auto archivo = ArchivoOe4::Abrir(ruta);
  if (!archivo) return OE_ERROR;
  OE_CARPETA* c = NuevaCarpeta();
  *pp = c;
  if (c == nullptr) return OE_ERROR_MEMORIA;
  RegistroNch r;
  // A position that holds no record, or another folder's, names no folder.
  if (!LeerRegistroNch(*archivo, id.PosCarpeta, &r) || r.IdCarpeta != id.IdCarpeta) {
    LiberarCarpeta(pp);
    return OE_ERROR_PARAM;
  }
  CopiarAcotado(c->RutaAlmacen, ruta, sizeof c->RutaAlmacen);
  LlenarCarpeta(*c, r);
  return OE_OK;
}

// Mode 2 of the two folder walks: the mail step, then the news accounts.
template <class PasoCorreo>
uint32_t SiguienteEnRecorrido(OE_CARPETA& c, PasoCorreo paso) {
  if (!EsNoticias(c.IdCarpeta)) {
    const uint32_t r = paso(c);
    if (r != OE_FIN) return r;
    if (Palabra(c, kCarpetaHayNoticias) == 0) return OE_FIN;
    return PrimeraCuenta(c);
  }
  if (Palabra(c, kCarpetaHayNoticias) == 0) return OE_FIN;
  return SiguienteCuenta(c);
}

template <class PasoCorreo>
uint32_t Recorrido(OE_CARPETA** pp, uint32_t modo, PasoCorreo paso) {
  if (pp == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO: return PrimeraCarpeta(pp);
    case OE_SIGUIENTE:
      if (!EsCarpeta(*pp)) return OE_ERROR_PARAM;
      return SiguienteEnRecorrido(**pp, paso);
    case OE_CERRAR:
      if (!EsCarpeta(*pp)) return OE_ERROR_PARAM;
      LiberarCarpeta(pp);
      return OE_FIN;
    default: return OE_FIN;
  }
}

}  // namespace

bool LeerRegistroNch(const ArchivoOe4& archivo, uint64_t pos, RegistroNch* r) {
  uint8_t b[kLongCarpeta];
  if (pos < kLongCabFolders || !archivo.Leer(pos, b, sizeof b)) return false;
  if (Le32(b + kCarPosPropia) != pos) return false;
  r->PosPropia = Le32(b + kCarPosPropia);
  r->PosAux = Le32(b + kCarPosAux);
  r->PosSiguiente = Le32(b + kCarPosSiguiente);
  r->IdCarpeta = Le32(b + kCarIdCarpeta);
  // The stored texts need not end with a NUL inside their fields.
  const std::size_t n = strnlen(reinterpret_cast<const char*>(b + kCarNombre), kLongCarNombre);
  std::memcpy(r->Nombre, b + kCarNombre, n < sizeof r->Nombre ? n : sizeof r->Nombre - 1);
  r->Nombre[n < sizeof r->Nombre ? n : sizeof r->Nombre - 1] = '\0';
  const std::size_t f = strnlen(reinterpret_cast<const char*>(b + kCarNombreFichero), kLongCarNombreFichero);
  std::memcpy(r->NombreFichero, b + kCarNombreFichero, f);
  r->NombreFichero[f] = '\0';
  r->IdPadre = Le32(b + kCarIdPadre);
  r->IdFin = Le32(b + kCarIdFin);
  r->Indice = Le32(b + kCarIndice);
  r->NumSubCarpetas = Le32(b + kCarNumSubCarpetas);
  r->NumMensajes = Le32(b + kCarNumMensajes);
  r->Extra = Le32(b + kCarExtra);
  r->TamBloques = Le32(b + kCarTamBloques);
  r->TamMensajes = Le32(b + kCarTamMensajes);
  return true;
}

uint32_t MaxRegistrosNch(const ArchivoOe4& archivo) {
  const uint64_t n = archivo.Tamano() / kLongCarpeta + 1;
  return n > UINT32_MAX - 2 ? UINT32_MAX - 2 : static_cast<uint32_t>(n);
}

OE_CARPETA* NuevaCarpeta() { return static_cast<OE_CARPETA*>(MEM_Reservar(sizeof(OE_CARPETA))); }

void LiberarCarpeta(OE_CARPETA** carpeta) {
  MEM_Liberar(*carpeta);
  *carpeta = nullptr;
}

void Copiar(char* destino, const std::string& origen, std::size_t capacidad) {
  CopiarAcotado(destino, origen.c_str(), capacidad);
}

uint32_t ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo) {
  return Recorrido(carpeta, modo, SiguienteCarpeta);
}

uint32_t ObtenerCarpetasPrincipales(OE_CARPETA** carpeta, uint32_t modo) {
  return Recorrido(carpeta, modo, SiguientePrincipal);
}

uint32_t ObtenerSubCarpetas(OE_CARPETA* padre, OE_CARPETA** carpeta, uint32_t modo) {
  if (!EsCarpeta(padre) || carpeta == nullptr) return OE_ERROR_PARAM;
  if (padre->NumSubCarpetas == 0) return OE_SIN_SUBCARPETAS;
  switch (modo) {
    case OE_PRIMERO: return PrepararSubCarpetas(*padre, carpeta);
    case OE_SIGUIENTE:
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      if (EsNoticias(padre->IdCarpeta)) return SiguienteGrupo(*padre, **carpeta);
      return SiguienteSubCarpeta(*padre, **carpeta);
    case OE_CERRAR:
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      LiberarCarpeta(carpeta);
      return OE_OK;
    default: return OE_FIN;
  }
}

uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo) {
  switch (modo) {
    case OE_PRIMERO: {
      if (!EsNoticias(entryid->IdCarpeta)) return CarpetaPorEntryId(*entryid, carpeta);
      OE_CARPETA* c = NuevaCarpeta();
      *carpeta = c;
      if (c == nullptr) return OE_ERROR_MEMORIA;
      // A news lookup that fails still leaves the record with the host, tagged, for mode 3.
      c->Tamano = OE_TAM_CARPETA;
      return entryid->PosCarpeta == 0 ? CuentaPorIndice(*entryid, *c) : GrupoPorEntryId(*entryid, *c);
    }
    case OE_CERRAR:
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      LiberarCarpeta(carpeta);
      return OE_OK;
    default: return OE_OK;
  }
}

}  // namespace orvex::oe4
