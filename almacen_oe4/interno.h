// What the units of this store share among themselves: the folder-list records, the news
// steps that the folder walks continue into, and the record helpers.
#pragma once

#include <cstdint>
#include <string>

#include "almacen_oe4/archivo_oe4.h"
#include "api/orvex.h"
#include "mensaje/empalme.h"

namespace orvex::oe4 {

// One NCH_CARPETA of folders.nch, decoded.
struct RegistroNch {
  uint32_t PosPropia = 0;
  uint32_t PosAux = 0;
  uint32_t PosSiguiente = 0;
  uint32_t IdCarpeta = 0;
  char Nombre[256] = {};
  char NombreFichero[261] = {};
  uint32_t IdPadre = 0;
  uint32_t IdFin = 0;
  uint32_t Indice = 0;
  uint32_t NumSubCarpetas = 0;
  uint32_t NumMensajes = 0;
  uint32_t Extra = 0;
  uint32_t TamBloques = 0;
  uint32_t TamMensajes = 0;
};

// Reads the record at pos: false unless it lies whole inside the file, behind the header,
// and names its own offset.
bool LeerRegistroNch(const ArchivoOe4& archivo, uint64_t pos, RegistroNch* r);

// Most records a folder list of this size can hold: the bound of every walk over its chain.
uint32_t MaxRegistrosNch(const ArchivoOe4& archivo);

// "Default News Account" exists.
uint32_t HayCuentaNoticias();

// News steps: the record becomes an account folder (0), no further account (2), failure (1).
uint32_t PrimeraCuenta(OE_CARPETA& carpeta);
uint32_t SiguienteCuenta(OE_CARPETA& carpeta);
// The next subscribed group of an account into the group record: 0, 2 at the end, 1.
uint32_t SiguienteGrupo(const OE_CARPETA& cuenta, OE_CARPETA& grupo);
// Lookups by entry id with bit 31 set, into a record allocated by the caller.
uint32_t CuentaPorIndice(const OE_ENTRYID& id, OE_CARPETA& carpeta);
uint32_t GrupoPorEntryId(const OE_ENTRYID& id, OE_CARPETA& carpeta);

// A zero-filled folder record, or null.
OE_CARPETA* NuevaCarpeta();
void LiberarCarpeta(OE_CARPETA** carpeta);

void Copiar(char* destino, const std::string& origen, std::size_t capacidad);

// Reads an article's text from its block chain the way a listing does: the used bytes of each
// block in turn, at most largo_max in all, bounded by the room the file has for blocks. The
// bytes read go to destino (room for largo_max) and their count to *largo; false when a block
// lies outside the file.
bool LeerCadenaArticulo(const ArchivoOe4& archivo, uint32_t primer_bloque, uint32_t largo_max, char* destino,
                        uint32_t* largo);

using mensaje::LiberarReescrito;

}  // namespace orvex::oe4
