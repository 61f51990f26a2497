// The message listing: a walk along the index file's record chain, skipping dead records,
// that loads each live message's text from the mailbox file. The message record is the
// cursor; both files are opened and closed within each call.
#include <algorithm>
#include <cstring>
#include <string>

#include "almacen_imn/formato_imn.h"
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "nucleo/fecha.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::imn {

namespace {

using namespace imnfmt;

void LiberarMensaje(OE_MENSAJE** mensaje) {
  OE_MENSAJE* m = *mensaje;
  MEM_LiberarSiNoNulo(m->Texto);
  m->Texto = nullptr;
  LiberarEntradas(*m);
  LiberarReescrito(*m);
  MEM_Liberar(m);
  *mensaje = nullptr;
}

bool CabeceraValida(const uint8_t* cab, uint32_t firma, uint32_t version) {
  return Le32(cab) == firma && Le32(cab + 4) == version;
}

// What one index record says, read field by field from the file.
struct RegistroIdx {
  uint8_t cab[kLongCabRegistro];
  uint32_t pos = 0;
  uint32_t fin = 0;  // where the next record begins
  uint32_t num_entradas = 0;
  uint64_t fecha = 0;
  char textos[kNumTextos][kMaxTexto + 1] = {};
};

enum class Lectura { kVivo, kMuerto, kCadenaRota };

// The record head at pos, whose chain link must name its own offset and a length that holds
// the head and the part table inside the file: any other link could loop or run wild.
Lectura LeerCabecera(const ArchivoImn& idx, uint32_t pos, RegistroIdx* r) {
  r->pos = pos;
  if (!idx.Leer(pos, r->cab, sizeof r->cab)) return Lectura::kCadenaRota;
  const uint32_t propia = Le32(r->cab + kRegPosPropia);
  const uint32_t longitud = Le32(r->cab + kRegLongitud);
  r->num_entradas = Le32(r->cab + kRegNumEntradas);
  const uint64_t minimo = kLongCabRegistro + uint64_t{r->num_entradas} * kLongEntrada;
  if (propia != pos || longitud < minimo || !idx.Contiene(pos, longitud) ||
      uint64_t{pos} + longitud > UINT32_MAX) {
    return Lectura::kCadenaRota;
  }
  r->fin = pos + longitud;
  return (Le32(r->cab + kRegFlags) & kFlagMuerto) != 0 ? Lectura::kMuerto : Lectura::kVivo;
}

// The tail: the dates and the three counted texts, read only inside the record. A tail that
// the record cuts short leaves the rest of the fields empty; the message is still listed.
void LeerCola(const ArchivoImn& idx, RegistroIdx* r) {
  uint64_t p = r->pos + kLongCabRegistro + uint64_t{r->num_entradas} * kLongEntrada;
  const uint64_t fin = r->fin;
  auto cabe = [&](uint64_t n) { return p <= fin && n <= fin - p; };
  uint8_t fechas[kLongFechas + kLongTrasFechas];
  if (!cabe(sizeof fechas) || !idx.Leer(p, fechas, sizeof fechas)) return;
  r->fecha = Le64(fechas);
  p += sizeof fechas;
  for (uint32_t i = 0; i < kNumTextos; ++i) {
    uint32_t largo = 0;
    if (!cabe(4) || !idx.Leer32(p, &largo)) return;
    p += 4;
    const uint64_t disponible = fin - p;
    const auto leer = static_cast<std::size_t>(std::min<uint64_t>({largo, kMaxTexto, disponible}));
    if (!idx.Leer(p, r->textos[i], leer)) return;
    r->textos[i][leer] = 0;
    if (largo > disponible) return;
    p += largo;
  }
}

uint32_t Primero(OE_CARPETA* carpeta, OE_MENSAJE** mensaje) {
  auto idx = ArchivoImn::Abrir(carpeta->RutaIndice);
  uint8_t cab[kLongCabIdx];
  if (!idx || !idx->Leer(0, cab, sizeof cab) || !CabeceraValida(cab, kFirmaIdx, kVersionIdx)) return OE_ERROR;
  const uint32_t n = Le32(cab + kIdxNumMensajes);
  carpeta->NumMensajes = static_cast<int32_t>(n) > 0 ? n : 0;
  if (carpeta->NumMensajes == 0) return OE_SIN_MENSAJES;
  *mensaje = static_cast<OE_MENSAJE*>(MEM_Reservar(sizeof(OE_MENSAJE)));
  if (*mensaje == nullptr) return OE_ERROR_MEMORIA;
  OE_MENSAJE& m = **mensaje;
  m.Tamano = OE_TAM_MENSAJE;
  m.IdCarpeta = carpeta->IdCarpeta;
  CopiarAcotado(m.NombreCarpeta, carpeta->Nombre, sizeof m.NombreCarpeta);
  CopiarAcotado(m.RutaIndice, carpeta->RutaIndice, sizeof m.RutaIndice);
  CopiarAcotado(m.RutaBuzon, carpeta->RutaBuzon, sizeof m.RutaBuzon);
  m.FinRegistro = kLongCabIdx;
  FinIndice(m) = Le32(cab + kIdxFinRegistros);
  return OE_OK;
}

// Reads the message text of the record from the mailbox file into the message record.
uint32_t LeerBuzon(OE_CARPETA* carpeta, OE_MENSAJE& m, const RegistroIdx& r) {
  auto mbx = ArchivoImn::Abrir(carpeta->RutaBuzon);
  uint8_t cab[kLongCabMbx];
  if (!mbx || !mbx->Leer(0, cab, sizeof cab) || !CabeceraValida(cab, kFirmaMbx, kVersionMbx)) return OE_ERROR;
  const uint32_t pos_bloque = Le32(r.cab + kRegPosBuzon);
  uint8_t bloque[kLongCabBloque];
  if (!mbx->Leer(pos_bloque, bloque, sizeof bloque)) return OE_ERROR;

  m.Tamano = OE_TAM_MENSAJE;
  m.IdCarpeta = carpeta->IdCarpeta;
  CopiarAcotado(m.NombreCarpeta, carpeta->Nombre, sizeof m.NombreCarpeta);
  CopiarAcotado(m.RutaIndice, carpeta->RutaIndice, sizeof m.RutaIndice);
  CopiarAcotado(m.RutaBuzon, carpeta->RutaBuzon, sizeof m.RutaBuzon);
  m.IdMensaje = Le32(bloque + kBloqueId);
  ContadorIdBuzon(m) = Le32(cab + kMbxUltimoId);
  m.PosRegistro = r.pos;
  m.TamMsg = Le32(bloque + kBloqueTam);
  m.PosTexto = pos_bloque;
  CopiarAcotado(m.De, r.textos[2], sizeof m.De);
  CopiarAcotado(m.TextoGen, r.textos[1], sizeof m.TextoGen);
  CopiarAcotado(m.Asunto, r.textos[0], sizeof m.Asunto);
  PonerFecha(m, r.fecha, "  ");
  PartesDevueltas(m) = 0;

  MEM_LiberarSiNoNulo(m.Texto);
  m.Texto = nullptr;
  LiberarReescrito(m);
  m.Modificado = 0;
  m.PosCopia = 0;
  // A text that the file cuts short is loaded as far as it goes; its length is what is there.
  const uint64_t inicio = uint64_t{pos_bloque} + kLongCabBloque;
  const uint32_t declarado = Le32(bloque + kBloqueLongTexto);
  const auto largo = static_cast<uint32_t>(std::min<uint64_t>(declarado, mbx->Tamano() - inicio));
  m.LongTexto = largo;
  m.Texto = static_cast<char*>(MEM_Reservar(std::size_t{largo} + 1));
  if (m.Texto == nullptr) {
    m.LongTexto = 0;
    return OE_ERROR_MEMORIA;
  }
  if (!mbx->Leer(inicio, m.Texto, largo)) {
    m.Texto[0] = 0;
    m.LongTexto = 0;
    return OE_ERROR;
  }
  m.Texto[largo] = 0;
  return OE_OK;
}

uint32_t Siguiente(OE_CARPETA* carpeta, OE_MENSAJE& m) {
  if (carpeta->NumMensajes == 0 || m.FinRegistro >= FinIndice(m)) return OE_FIN;
  auto idx = ArchivoImn::Abrir(carpeta->RutaIndice);
  if (!idx) return OE_ERROR;
  RegistroIdx r;
  for (;;) {
    const Lectura lectura = LeerCabecera(*idx, m.FinRegistro, &r);
    if (lectura == Lectura::kCadenaRota) {
      // Nothing further can be trusted: the walk ends here.
      m.FinRegistro = FinIndice(m);
      return OE_ERROR;
    }
    m.FinRegistro = r.fin;  // each link moves strictly forward, so the walk ends
    FlagsIndice(m) = Le32(r.cab + kRegFlags);
    if (lectura == Lectura::kVivo) break;
    if (m.FinRegistro >= FinIndice(m)) return OE_FIN;
  }

  UltimaEntrada(m) = r.num_entradas - 1u;
  MarcaPartes(m) = (r.num_entradas - 1u > 1u || (r.cab[kRegBytePartes] & 1u) != 0) ? 1u : 0u;
  LiberarEntradas(m);
  if (r.num_entradas > 0) {
    const std::size_t bytes = std::size_t{r.num_entradas} * kLongEntrada;  // inside the record
    auto* entradas = static_cast<uint8_t*>(MEM_Reservar(bytes));
    if (entradas == nullptr) return OE_ERROR;
    PonerEntradas(m, entradas);
    if (!idx->Leer(uint64_t{r.pos} + kLongCabRegistro, entradas, bytes)) return OE_ERROR;
  }
  LeerCola(*idx, &r);
  return LeerBuzon(carpeta, m, r);
}

}  // namespace

uint32_t ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo) {
  switch (modo) {
    case OE_PRIMERO:
      *mensaje = nullptr;
      return Primero(carpeta, mensaje);
    case OE_SIGUIENTE:
      return Siguiente(carpeta, **mensaje);
    case OE_CERRAR:
      LiberarMensaje(mensaje);
      return OE_OK;
    default:
      return OE_OK;
  }
}

}  // namespace orvex::imn
