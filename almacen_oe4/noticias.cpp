// News folders: each news account of the registry is a top-level folder, and the groups its
// sublist.dat subscribes are that folder's subfolders. Entries of sublist.dat are read only
// when they lie whole inside the file.
#include <cstdio>
#include <cstring>
#include <string>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/interno.h"
#include "plataforma/valor_registro.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::oe4 {

using namespace orvex::oe4fmt;

namespace {

constexpr uint32_t kIndicePrimeraCuenta = 0xFFFFFFFFu;
constexpr uint32_t kIndiceCuenta = 0x80000000u;

// The store root followed by "\News\"; empty when there is no store root.
std::string DirectorioNoticias() {
  char raiz[260];
  if (!plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, kClaveOe4, kValorRaiz, raiz, sizeof raiz)) return {};
  raiz[sizeof raiz - 1] = '\0';
  return std::string(raiz) + kDirectorioNoticias;
}

// "NNTP Data Directory" of the account subkey, or false when it has none.
bool DirectorioDeCuenta(const std::string& subclave, std::string* directorio) {
  char valor[260];
  const std::string clave = std::string(kSubclaveCuentas) + "\\" + subclave;
  if (!plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, clave.c_str(), kValorDirectorioNntp, valor, sizeof valor)) {
    return false;
  }
  valor[sizeof valor - 1] = '\0';
  *directorio = valor;
  return true;
}

// Reads sublist.dat's header into the account folder; false (record unchanged) when the file
// is missing or bears another signature.
bool LeerCabeceraSublist(OE_CARPETA& c) {
  auto archivo = ArchivoOe4::Abrir(c.RutaBuzon);
  uint8_t cab[kLongCabSublist];
  if (!archivo || !archivo->Leer(0, cab, sizeof cab) || Le32(cab + kSubFirma) != kFirmaSublist) return false;
  c.NumSubCarpetas = Le32(cab + kSubNumGrupos);
  PonerPalabra(c, kCarpetaIdFin, Le32(cab + kSubTercera));
  return true;
}

void LlenarCuenta(OE_CARPETA& c, uint32_t indice, const std::string& subclave, const std::string& datos,
                  const std::string& noticias, uint32_t valor_indice) {
  c.Tamano = OE_TAM_CARPETA;
  c.PosAux = c.PosCarpeta;
  c.IdCarpeta = kBitNoticias + indice;
  c.PosCarpeta = 0;
  c.PosSiguiente = indice + 1;
  c.Indice = valor_indice;
  c.IdPadre = 0;
  Copiar(c.Nombre, datos, sizeof c.Nombre);
  Copiar(c.RutaAlmacen, subclave, sizeof c.RutaAlmacen);
  Copiar(c.RutaIndice, noticias, sizeof c.RutaIndice);
  Copiar(c.RutaBuzon, noticias + datos + "\\" + kArchivoSublist, sizeof c.RutaBuzon);
  c.NumMensajes = 0;
  PonerPalabra(c, kCarpetaExtra, 0);
  PonerPalabra(c, kCarpetaTamBloques, 0);
  PonerPalabra(c, kCarpetaTamMensajes, 0);
  // An account whose sublist.dat is missing has no groups, whatever folder the record held.
  c.NumSubCarpetas = 0;
  PonerPalabra(c, kCarpetaIdFin, 0);
  LeerCabeceraSublist(c);
}

// From subkey index i on, the first account with a data directory: 0 with the record filled,
// 2 when the subkeys run out first. primera: index i itself must exist (else 1).
uint32_t BuscarCuenta(OE_CARPETA& c, uint32_t i, const std::string& noticias, uint32_t valor_indice, bool primera) {
  auto clave = plataforma::ClaveRegistro::Abrir(plataforma::Raiz::kCurrentUser, kSubclaveCuentas);
  if (!clave) return OE_ERROR;
  std::string subclave;
  if (!clave->EnumerarSubclave(i, &subclave)) return primera ? OE_ERROR : OE_FIN;
  for (;;) {
    std::string datos;
    if (DirectorioDeCuenta(subclave, &datos)) {
      LlenarCuenta(c, i, subclave, datos, noticias, valor_indice);
      return OE_OK;
    }
    if (i == UINT32_MAX - 1 || !clave->EnumerarSubclave(++i, &subclave)) return OE_FIN;
  }
}

// One entry of sublist.dat, read whole.
struct EntradaGrupo {
  uint32_t NumMensajes = 0;
  uint32_t NumFichero = 0;
  uint32_t siguiente = 0;
  char nombre[256] = {};
};

bool LeerEntrada(const ArchivoOe4& archivo, uint32_t pos, EntradaGrupo* e) {
  uint8_t b[kLongFijoGrupo];
  if (pos < kLongCabSublist || !archivo.Leer(pos, b, sizeof b)) return false;
  uint64_t fin = uint64_t{pos} + kLongFijoGrupo;
  for (uint32_t i = 0; i < kGrpNumTextos; ++i) fin += Le32(b + kGrpLongNombre + 4 * i);
  if (fin > archivo.Tamano()) return false;
  const uint32_t largo = Le32(b + kGrpLongNombre);
  const uint32_t copia = largo < sizeof e->nombre - 1 ? largo : sizeof e->nombre - 1;
  if (!archivo.Leer(uint64_t{pos} + kLongFijoGrupo, e->nombre, copia)) return false;
  e->nombre[copia] = '\0';
  e->NumMensajes = Le32(b + kGrpNumMensajes);
  e->NumFichero = Le32(b + kGrpNumFichero);
  e->siguiente = static_cast<uint32_t>(fin);
  return true;
}

std::optional<ArchivoOe4> AbrirSublist(const std::string& ruta) {
  auto archivo = ArchivoOe4::Abrir(ruta);
  uint32_t firma = 0;
  if (!archivo || !archivo->Leer32(kSubFirma, &firma) || firma != kFirmaSublist) return std::nullopt;
  return archivo;
}

// The group folder of entry e in the account's record copy.
void LlenarGrupo(OE_CARPETA& g, const OE_CARPETA& cuenta, const EntradaGrupo& e) {
  g.IdPadre = g.IdCarpeta = cuenta.IdCarpeta;
  g.PosSiguiente = e.siguiente;
  CopiarAcotado(g.Nombre, e.nombre, sizeof g.Nombre);
  char archivo[32];
  std::snprintf(archivo, sizeof archivo, "%08u.nch", static_cast<unsigned>(e.NumFichero));
  Copiar(g.RutaIndice, std::string(cuenta.RutaIndice) + cuenta.Nombre + "\\" + archivo, sizeof g.RutaIndice);
  g.NumMensajes = e.NumMensajes;
  g.NumSubCarpetas = 0;
}

}  // namespace

uint32_t HayCuentaNoticias() {
  char buffer[260];
  return plataforma::LeerValorRegistro(plataforma::Raiz::kCurrentUser, kClaveCuentas, kValorCuentaNoticias, buffer,
                           sizeof buffer);
}

uint32_t PrimeraCuenta(OE_CARPETA& c) {
  const std::string noticias = DirectorioNoticias();
  if (noticias.empty()) return OE_ERROR;
  return BuscarCuenta(c, 0, noticias, kIndicePrimeraCuenta, true);
}

uint32_t SiguienteCuenta(OE_CARPETA& c) {
  const std::string noticias(c.RutaIndice, strnlen(c.RutaIndice, sizeof c.RutaIndice));
  return BuscarCuenta(c, c.PosSiguiente, noticias, kIndiceCuenta, false);
}

uint32_t SiguienteGrupo(const OE_CARPETA& cuenta, OE_CARPETA& g) {
  if (g.Indice >= cuenta.NumSubCarpetas) return OE_FIN;
  auto archivo = AbrirSublist(cuenta.RutaBuzon);
  if (!archivo) return OE_ERROR;
  EntradaGrupo e;
  if (!LeerEntrada(*archivo, g.PosSiguiente, &e)) return OE_ERROR;
  g.PosAux = g.PosCarpeta;
  g.PosCarpeta = g.PosSiguiente;
  g.Indice += 1;
  LlenarGrupo(g, cuenta, e);
  return OE_OK;
}

uint32_t CuentaPorIndice(const OE_ENTRYID& id, OE_CARPETA& c) {
  const uint32_t indice = id.IdCarpeta & ~kBitNoticias;
  std::string subclave;
  {
    auto clave = plataforma::ClaveRegistro::Abrir(plataforma::Raiz::kCurrentUser, kSubclaveCuentas);
    if (!clave || !clave->EnumerarSubclave(indice, &subclave)) return OE_ERROR;
  }
  std::string datos;
  if (!DirectorioDeCuenta(subclave, &datos)) return OE_ERROR;
  const std::string noticias = DirectorioNoticias();
  if (noticias.empty()) return OE_ERROR;
  LlenarCuenta(c, indice, subclave, datos, noticias, kIndiceCuenta);
  return OE_OK;
}

uint32_t GrupoPorEntryId(const OE_ENTRYID& id, OE_CARPETA& c) {
  BloqueMem<OE_CARPETA> cuenta(NuevaCarpeta());
  if (!cuenta) return OE_ERROR_MEMORIA;
  OE_ENTRYID id_cuenta{id.IdCarpeta, 0};
  const uint32_t r = CuentaPorIndice(id_cuenta, *cuenta);
  if (r != OE_OK) return r;
  auto archivo = AbrirSublist(cuenta->RutaBuzon);
  if (!archivo) return OE_ERROR;
  // Only the offset of one of the subscribed entries names a group.
  EntradaGrupo e;
  uint32_t pos = kLongCabSublist;
  for (uint32_t i = 0;; ++i) {
    if (i >= cuenta->NumSubCarpetas || !LeerEntrada(*archivo, pos, &e)) return OE_ERROR_PARAM;
    if (pos == id.PosCarpeta) break;
    if (pos > id.PosCarpeta) return OE_ERROR_PARAM;
    pos = e.siguiente;
  }
  std::memcpy(&c, cuenta.get(), sizeof c);
  c.PosAux = 0;
  c.PosCarpeta = id.PosCarpeta;
  c.Indice = 0;
  LlenarGrupo(c, *cuenta, e);
  return OE_OK;
}

}  // namespace orvex::oe4
