// Folder enumerations over folders.dbx: every folder, the top-level ones, the children of
// one folder, and one folder by its id. The record is the whole cursor.
#include <cstring>
#include <string>

#include "almacen_oe5/areas.h"
#include "almacen_oe5/dbx.h"
#include "almacen_oe5/identidades.h"
#include "almacen_oe5/oe5.h"
#include "soporte/memoria.h"
#include "soporte/rutas.h"
#include "soporte/texto.h"

namespace orvex::oe5 {

using namespace orvex::dbx;

namespace {

// Outcome of reading the folder the cursor points at.
enum class Lectura {
  kLeida,     // the record holds the folder
  kDanada,    // the folder's object is corrupt: the cursor moved past it, result 1
  kFallo,     // nothing moved: the code says why
};

struct ResultadoLectura {
  Lectura tipo;
  uint32_t codigo;
};

bool EsCarpeta(const OE_CARPETA* c) { return c != nullptr && c->Tamano == OE_TAM_CARPETA; }

void Liberar(OE_CARPETA** carpeta) {
  MEM_Liberar(*carpeta);
  *carpeta = nullptr;
}

// The folder's message file beside folders.dbx.
void PonerRutas(OE_CARPETA& c, const ArchivoDbx& archivo, const ObjetoDbx& objeto) {
  char nombre[kLongRuta];
  const uint32_t desplazamiento = objeto.TablaIndices[kIdArchivoCarpeta];
  if (desplazamiento == 0 || desplazamiento >= objeto.long_datos ||
      !LeerCadenaDatos(archivo, objeto, desplazamiento, nombre, sizeof nombre)) {
    std::string propio = std::string(c.Nombre) + ".dbx";
    CopiarAcotado(nombre, propio.c_str(), sizeof nombre);
  }
  // A name that could lead out of the store's folder names no file: listing the folder gives 1.
  if (!EsNombreDeArchivoSimple(nombre)) {
    c.RutaIndice[0] = '\0';
  } else {
    const PartesRuta partes = DividirRuta(c.RutaAlmacen);
    const std::string ruta = ComponerRuta(partes.unidad, partes.directorio, nombre, "");
    CopiarAcotado(c.RutaIndice, ruta.c_str(), sizeof c.RutaIndice);
  }
  CopiarAcotado(c.RutaBuzon, c.RutaIndice, sizeof c.RutaBuzon);
}

// Reads the folder at PosSiguiente into the record and moves the cursor on.
ResultadoLectura LeerSiguiente(OE_CARPETA& c) {
  if (c.PosSiguiente == 0) return {Lectura::kFallo, OE_FIN};
  auto archivo = ArchivoDbx::Abrir(c.RutaAlmacen);
  if (!archivo) return {Lectura::kFallo, OE_ERROR};

  c.PosAux = c.PosCarpeta;
  c.PosCarpeta = c.PosSiguiente;
  const uint32_t indice = Palabra(c, kCarpetaIndiceLista) + 1;
  PonerPalabra(c, kCarpetaIndiceLista, indice);
  c.PosSiguiente = ObjetoLista(c, indice);

  ObjetoDbx objeto;
  if (!LeerObjeto(*archivo, c.PosCarpeta, &objeto)) return {Lectura::kDanada, OE_ERROR};
  c.Indice = c.IdCarpeta;
  c.IdCarpeta = objeto.TablaIndices[kIdCarpeta];
  c.IdPadre = objeto.TablaIndices[kIdPadre];
  c.NumMensajes = objeto.TablaIndices[kIdNumMensajesCarpeta];
  PonerPalabra(c, kCarpeta88, objeto.TablaIndices[kIdCarpeta88]);
  c.NumSubCarpetas = 1;
  LeerCadenaDatos(*archivo, objeto, 0, c.Nombre, sizeof c.Nombre);
  if (c.IdPadre != 0) PonerRutas(c, *archivo, objeto);
  return {Lectura::kLeida, OE_OK};
}

// Reads folders until one passes the filter. A corrupt folder is passed over; a read that
// cannot move the cursor ends the walk with its code.
template <class Filtro>
uint32_t LeerHasta(OE_CARPETA& c, Filtro filtro) {
  for (;;) {
    if (c.PosSiguiente == 0) return OE_FIN;
    const ResultadoLectura r = LeerSiguiente(c);
    if (r.tipo == Lectura::kFallo) return r.codigo;
    if (r.tipo == Lectura::kLeida && filtro(c)) return OE_OK;
  }
}

// Mode 1 of the folder walks: the root record, holding the object list of the folder tree.
uint32_t ConstruirRaiz(OE_CARPETA** carpeta) {
  char ruta[kLongRuta];
  if (RutaFoldersDbx(ruta) != 0) return OE_ERROR;
  auto archivo = ArchivoDbx::AbrirYComprobar(ruta, TipoDbx::kCarpetas);
  if (!archivo) return OE_ERROR;
  uint32_t area[2];
  const uint32_t pos_area = archivo->Cabecera(kCabAreaRaiz);
  if (!archivo->Leer32(pos_area, &area[0]) || !archivo->Leer32(static_cast<uint64_t>(pos_area) + 4, &area[1])) {
    return OE_ERROR;
  }
  const uint32_t pos_raiz = pos_area + 8 + area[1];

  BloqueMem<OE_CARPETA> c(static_cast<OE_CARPETA*>(MEM_Reservar(sizeof(OE_CARPETA))));
  if (!c) return OE_ERROR_MEMORIA;
  const auto nodos = RecorrerArbol(*archivo, archivo->Cabecera(kCabArbolCarpetas), kMaxNodosCarpetas);
  if (nodos.empty()) {
    *carpeta = nullptr;
    return OE_ERROR;
  }
  const auto objetos = ListaObjetosCarpetas(*archivo, nodos);
  for (uint32_t i = 0; i < objetos.size() && i < kHuecosListaObjetos; ++i) {
    PonerPalabra(*c, kCarpetaListaObjetos + 4 * static_cast<std::size_t>(i), objetos[i]);
  }
  c->Tamano = OE_TAM_CARPETA;
  c->PosCarpeta = pos_raiz;
  c->PosSiguiente = ObjetoLista(*c, 0);
  CopiarAcotado(c->Nombre, "Outlook Express", sizeof c->Nombre);
  CopiarAcotado(c->RutaAlmacen, ruta, sizeof c->RutaAlmacen);
  c->NumSubCarpetas = archivo->Cabecera(kCabNumSubCarpetas);
  *carpeta = c.release();
  return OE_OK;
}

// Mode 3 of every walk.
uint32_t Cerrar(OE_CARPETA** carpeta) {
  if (carpeta == nullptr || !EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
  Liberar(carpeta);
  return OE_OK;
}

}  // namespace

uint32_t ObtenerCarpetas(OE_CARPETA** carpeta, uint32_t modo) {
  if (carpeta == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO: return ConstruirRaiz(carpeta);
    case OE_SIGUIENTE: {
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      return LeerSiguiente(**carpeta).codigo;
    }
    case OE_CERRAR: return Cerrar(carpeta);
    default: return OE_OK;
  }
}

uint32_t ObtenerCarpetasPrincipales(OE_CARPETA** carpeta, uint32_t modo) {
  if (carpeta == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO: return ConstruirRaiz(carpeta);
    case OE_SIGUIENTE: {
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      return LeerHasta(**carpeta, [](const OE_CARPETA& c) { return c.IdPadre == 0; });
    }
    case OE_CERRAR: return Cerrar(carpeta);
    default: return OE_OK;
  }
}

uint32_t ObtenerSubCarpetas(OE_CARPETA* padre, OE_CARPETA** carpeta, uint32_t modo) {
  if (!EsCarpeta(padre) || carpeta == nullptr) return OE_ERROR_PARAM;
  switch (modo) {
    case OE_PRIMERO: {
      auto* c = static_cast<OE_CARPETA*>(MEM_Reservar(sizeof(OE_CARPETA)));
      if (c == nullptr) return OE_ERROR_MEMORIA;
      std::memcpy(c, padre, sizeof(OE_CARPETA));
      c->IdPadre = padre->IdCarpeta;
      PonerPalabra(*c, kCarpetaIndiceLista, 0);
      c->PosSiguiente = ObjetoLista(*c, 0);
      c->PosAux = 0;
      *carpeta = c;
      return OE_OK;
    }
    case OE_SIGUIENTE: {
      if (!EsCarpeta(*carpeta)) return OE_ERROR_PARAM;
      const uint32_t id_padre = padre->IdCarpeta;
      return LeerHasta(**carpeta, [id_padre](const OE_CARPETA& c) { return c.IdPadre == id_padre; });
    }
    case OE_CERRAR: return Cerrar(carpeta);
    default: return OE_FIN;
  }
}

uint32_t ObtenerCarpetaDeEntryID(OE_ENTRYID* entryid, OE_CARPETA** carpeta, uint32_t modo) {
  switch (modo) {
    case OE_PRIMERO: {
      const uint32_t buscado = entryid->IdCarpeta;
      const uint32_t r = ConstruirRaiz(carpeta);
      if (r != OE_OK) {
        *carpeta = nullptr;
        return r;
      }
      // The root (id 0) is never compared; the first read that hands out no folder, a damaged
      // one included, ends the search. Whatever the outcome the record stays with the host, who
      // frees it with mode 3.
      for (;;) {
        const uint32_t r = LeerSiguiente(**carpeta).codigo;
        if (r == OE_FIN) return OE_ERROR;
        if (r != OE_OK || (*carpeta)->IdCarpeta == buscado) return r;
      }
    }
    case OE_CERRAR: return Cerrar(carpeta);
    default: return OE_OK;
  }
}

}  // namespace orvex::oe5
