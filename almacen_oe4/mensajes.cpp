// Message listings: mail folders read their .idx records and the .mbx blocks they point to,
// newsgroups the article items of their .nch file and the block chains of the texts. Every
// record, block and text is read only when it lies whole inside its file, so no length from
// a file can make a text larger than the file that holds it.
#include <cstring>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/interno.h"
#include "almacen_oe4/oe4.h"
#include "mensaje/empalme.h"
#include "nucleo/fecha.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::oe4 {

using namespace orvex::oe4fmt;

namespace {

bool EsNoticias(uint32_t id) { return (id & kBitNoticias) != 0; }

void LiberarTexto(OE_MENSAJE& m) {
  MEM_LiberarSiNoNulo(m.Texto);
  m.Texto = nullptr;
}

// The fixed part of an index record.
struct RegistroIdx {
  uint32_t Marcas = 0;
  uint32_t IdSustituto = 0;
  uint32_t IdMensaje = 0;
  uint32_t PosPropia = 0;
  uint32_t LongRegistro = 0;
  uint32_t PosBloque = 0;
  uint8_t Banderas = 0;
  uint32_t LongExtra = 0;
  uint32_t Fin() const { return PosPropia + LongRegistro; }
};

// The record at pos, which must name its own offset, be at least its fixed part long and end
// inside the file and before fin_indice.
bool LeerFijo(const ArchivoOe4& archivo, uint32_t pos, uint32_t fin_indice, RegistroIdx* r) {
  uint8_t b[kLongFijoRegistro];
  if (pos < kLongCabIdx || !archivo.Leer(pos, b, sizeof b)) return false;
  r->Marcas = Le32(b + kRegMarcas);
  r->IdSustituto = Le32(b + kRegIdSustituto);
  r->IdMensaje = Le32(b + kRegIdMensaje);
  r->PosPropia = Le32(b + kRegPosPropia);
  r->LongRegistro = Le32(b + kRegLongRegistro);
  r->PosBloque = Le32(b + kRegPosBloque);
  r->Banderas = b[kRegBanderas];
  r->LongExtra = Le32(b + kRegLongExtra);
  return r->PosPropia == pos && r->LongRegistro >= kLongFijoRegistro &&
         uint64_t{pos} + r->LongRegistro <= fin_indice && archivo.Contiene(pos, r->LongRegistro);
}

// The variable part: the shown date and the three texts, each cut to 255 bytes. Every piece
// must lie inside the record.
struct VariableIdx {
  uint64_t fecha = 0;
  char textos[kNumTextos][256] = {};
};

bool LeerVariable(const ArchivoOe4& archivo, const RegistroIdx& r, VariableIdx* v) {
  const uint64_t fin = r.Fin();
  uint64_t p = uint64_t{r.PosPropia} + kLongFijoRegistro + r.LongExtra;
  uint8_t fechas[8 * kNumFechas];
  if (p + sizeof fechas + kLongTrasFechas > fin || !archivo.Leer(p, fechas, sizeof fechas)) return false;
  v->fecha = Le64(fechas + 8 * kFechaMostrada);
  p += sizeof fechas + kLongTrasFechas;
  for (uint32_t i = 0; i < kNumTextos; ++i) {
    uint32_t largo = 0;
    if (p + 4 > fin || !archivo.Leer32(p, &largo)) return false;
    p += 4;
    if (largo > fin - p) return false;
    const uint32_t copia = largo < 255 ? largo : 255;
    if (!archivo.Leer(p, v->textos[i], copia)) return false;
    v->textos[i][copia] = '\0';
    p += largo;
  }
  return true;
}

// The mailbox block of a record read from the index: header check, block head, whole text.
uint32_t CargarBloque(OE_MENSAJE& m, const RegistroIdx& r, const VariableIdx& v) {
  auto buzon = ArchivoOe4::Abrir(m.RutaBuzon);
  if (!buzon) return OE_ERROR;
  uint8_t cab[kLongCabMbx];
  if (!buzon->Leer(0, cab, sizeof cab) || Le32(cab + kMbxFirma) != kFirmaMbx ||
      Le32(cab + kMbxVersion) != kVersionMbx) {
    return OE_ERROR;
  }
  uint8_t bloque[kLongCabBloqueMbx];
  if (r.PosBloque < kLongCabMbx || !buzon->Leer(r.PosBloque, bloque, sizeof bloque)) return OE_ERROR;
  const uint32_t largo = Le32(bloque + kMbxBloqueLongTexto);
  const uint64_t texto = uint64_t{r.PosBloque} + kLongCabBloqueMbx;
  if (!buzon->Contiene(texto, largo)) return OE_ERROR;

  m.IdMensaje = Le32(bloque + kMbxBloqueId);
  UltimoIdBuzon(m) = Le32(cab + kMbxUltimoId);
  Marcas(m) = r.Marcas;
  Marca(m) = r.Banderas & 1u;
  m.PosRegistro = r.PosPropia;
  m.FinRegistro = r.Fin();
  m.TamMsg = Le32(bloque + kMbxBloqueTam);
  m.LongTexto = largo;
  m.PosTexto = r.PosBloque;
  CopiarAcotado(m.Asunto, v.textos[0], sizeof m.Asunto);
  CopiarAcotado(m.TextoGen, v.textos[1], sizeof m.TextoGen);
  CopiarAcotado(m.De, v.textos[2], sizeof m.De);
  PonerFecha(m, v.fecha, "  ");

  LiberarTexto(m);
  LiberarReescrito(m);
  m.Modificado = 0;
  m.PosCopia = 0;
  m.Texto = static_cast<char*>(MEM_Reservar(static_cast<std::size_t>(largo) + 1));
  if (m.Texto == nullptr) return OE_ERROR_MEMORIA;
  if (!buzon->Leer(texto, m.Texto, largo)) {
    LiberarTexto(m);
    return OE_ERROR;
  }
  m.Texto[largo] = '\0';
  return OE_OK;
}

// A zeroed message record for a listing of folder c, in *pp; null when it cannot be allocated.
OE_MENSAJE* NuevoRegistro(const OE_CARPETA& c, OE_MENSAJE** pp) {
  auto* m = static_cast<OE_MENSAJE*>(MEM_Reservar(sizeof(OE_MENSAJE)));
  *pp = m;
  if (m == nullptr) return nullptr;
  m->Tamano = OE_TAM_MENSAJE;
  m->IdCarpeta = c.IdCarpeta;
  m->PosCarpeta = c.PosCarpeta;
  CopiarAcotado(m->NombreCarpeta, c.Nombre, sizeof m->NombreCarpeta);
  CopiarAcotado(m->RutaAlmacen, c.RutaAlmacen, sizeof m->RutaAlmacen);
  CopiarAcotado(m->RutaIndice, c.RutaIndice, sizeof m->RutaIndice);
  CopiarAcotado(m->RutaBuzon, c.RutaBuzon, sizeof m->RutaBuzon);
  return m;
}

uint32_t PrimerMensaje(const OE_CARPETA& c, OE_MENSAJE** pp) {
  auto indice = ArchivoOe4::Abrir(c.RutaIndice);
  if (!indice) return OE_ERROR;
  uint8_t cab[kLongCabIdx];
  if (!indice->Leer(0, cab, sizeof cab) || Le32(cab + kIdxFirma) != kFirmaIdx ||
      Le32(cab + kIdxVersion) != kVersionIdx) {
    return OE_ERROR;
  }
  OE_MENSAJE* m = NuevoRegistro(c, pp);
  if (m == nullptr) return OE_ERROR_MEMORIA;
  m->FinRegistro = kLongCabIdx;
  FinIndice(*m) = Le32(cab + kIdxFinRegistros);
  return OE_OK;
}

uint32_t SiguienteMensaje(OE_MENSAJE& m) {
  if (m.FinRegistro >= FinIndice(m)) return OE_FIN;
  auto indice = ArchivoOe4::Abrir(m.RutaIndice);
  if (!indice) return OE_ERROR;
  // Each record moves the cursor forward by at least its fixed part, so this ends.
  RegistroIdx r;
  for (;;) {
    if (!LeerFijo(*indice, m.FinRegistro, FinIndice(m), &r)) {
      // A damaged index ends the listing here: the next call reports the end.
      m.FinRegistro = FinIndice(m);
      return OE_ERROR;
    }
    m.FinRegistro = r.Fin();
    if ((r.Marcas & kMarcaSustituido) == 0) break;
    if (m.FinRegistro >= FinIndice(m)) return OE_FIN;
  }
  VariableIdx v;
  if (!LeerVariable(*indice, r, &v)) return OE_ERROR;
  return CargarBloque(m, r, v);
}

uint32_t MensajePorId(uint32_t objetivo, OE_MENSAJE& m) {
  auto indice = ArchivoOe4::Abrir(m.RutaIndice);
  if (!indice) return OE_ERROR;
  if (m.FinRegistro >= FinIndice(m)) return OE_ERROR;
  RegistroIdx r;
  for (;;) {
    if (!LeerFijo(*indice, m.FinRegistro, FinIndice(m), &r)) return OE_ERROR;
    m.FinRegistro = r.Fin();
    Marcas(m) = r.Marcas;
    m.IdMensaje = r.IdMensaje;
    if (r.IdMensaje == objetivo) {
      // A rewritten message: its copy lies further on under the new id.
      if ((r.Marcas & kMarcaSustituido) == 0) break;
      objetivo = r.IdSustituto;
    }
    if (r.IdMensaje > objetivo || m.FinRegistro >= FinIndice(m)) return OE_ERROR;
  }
  VariableIdx v;
  if (!LeerVariable(*indice, r, &v)) return OE_ERROR;
  return CargarBloque(m, r, v);
}

// Newsgroup files.
struct CabeceraGrupo {
  uint32_t primero = 0;
  uint64_t fin_area = 0;
};

std::optional<ArchivoOe4> AbrirGrupo(const std::string& ruta, CabeceraGrupo* cab) {
  auto archivo = ArchivoOe4::Abrir(ruta);
  if (!archivo) return std::nullopt;
  uint8_t b[kLongCabGrupo];
  if (!archivo->Leer(0, b, sizeof b) || Le32(b + kNchFirma) != kFirmaNch || Le32(b + kNchVersion) != kVersionGrupo) {
    return std::nullopt;
  }
  cab->primero = Le32(b + kNchPrimero);
  cab->fin_area = uint64_t{cab->primero} + Le32(b + kNchLongArea);
  return archivo;
}

struct Articulo {
  uint32_t PosPropia = 0;
  uint32_t TamArticulo = 0;
  uint32_t PosSiguiente = 0;
  uint32_t PosBloque = 0;
  uint32_t LongArticulo = 0;
};

bool LeerArticulo(const ArchivoOe4& archivo, uint32_t pos, Articulo* a) {
  uint8_t b[kLongArticulo];
  if (pos < kLongCabGrupo || !archivo.Leer(pos, b, sizeof b)) return false;
  a->PosPropia = Le32(b + kArtPosPropia);
  a->TamArticulo = Le32(b + kArtTamArticulo);
  a->PosSiguiente = Le32(b + kArtPosSiguiente);
  a->PosBloque = Le32(b + kArtPosBloque);
  a->LongArticulo = Le32(b + kArtLongArticulo);
  return a->PosPropia == pos;
}

// Items the area can hold: the bound of every walk over them.
uint64_t MaxArticulos(const ArchivoOe4& archivo) { return archivo.Tamano() / kLongArticulo + 1; }

// Joins the article's block chain into Texto. A chain that ends early gives a shorter text,
// never one padded with zeros.
uint32_t LeerTextoArticulo(const ArchivoOe4& archivo, OE_MENSAJE& m) {
  LiberarTexto(m);
  if (m.LongTexto > archivo.Tamano()) return OE_ERROR;
  m.Texto = static_cast<char*>(MEM_Reservar(static_cast<std::size_t>(m.LongTexto) + 1));
  if (m.Texto == nullptr) return OE_ERROR_MEMORIA;
  uint32_t largo = 0;
  if (!LeerCadenaArticulo(archivo, m.PosTexto, m.LongTexto, m.Texto, &largo)) {
    LiberarTexto(m);
    return OE_ERROR;
  }
  m.LongTexto = largo;
  m.Texto[largo] = '\0';
  return OE_OK;
}

uint32_t PrimerArticulo(const OE_CARPETA& c, OE_MENSAJE** pp) {
  CabeceraGrupo cab;
  if (!AbrirGrupo(c.RutaIndice, &cab)) return OE_ERROR;
  OE_MENSAJE* m = NuevoRegistro(c, pp);
  if (m == nullptr) return OE_ERROR_MEMORIA;
  m->FinRegistro = cab.primero;
  FinIndice(*m) = cab.fin_area > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(cab.fin_area);
  return OE_OK;
}

// Text bytes a news listing has handed out so far, kept in the record's working area.
uint64_t TextoListado(const OE_MENSAJE& m) {
  uint64_t n;
  std::memcpy(&n, m.AreaGen, sizeof n);
  return n;
}
void PonerTextoListado(OE_MENSAJE& m, uint64_t n) { std::memcpy(m.AreaGen, &n, sizeof n); }

uint32_t SiguienteArticulo(OE_MENSAJE& m) {
  if (m.FinRegistro >= FinIndice(m) || m.FinRegistro == 0) return OE_FIN;
  CabeceraGrupo cab;
  auto archivo = AbrirGrupo(m.RutaIndice, &cab);
  if (!archivo) return OE_ERROR;
  const uint64_t max = MaxArticulos(*archivo);
  uint64_t contador = m.IdMensaje != 0 ? uint64_t{m.IdMensaje} + 1 : 0;
  // The counter grows by at least two per article handed out: past twice the items the file
  // can hold, the item chain has come back on itself. Each article's text has blocks of its
  // own: more text than twice the file means items in a loop or sharing one text, which would
  // make a small file cost a listing its size squared. The listing ends there, or a host that
  // goes on after an error would be handed the same error for ever.
  if (contador > 2 * max || TextoListado(m) > 2 * archivo->Tamano()) {
    m.FinRegistro = FinIndice(m);
    return OE_ERROR;
  }
  Articulo a;
  uint32_t pos = m.FinRegistro;
  for (uint64_t pasos = 0;; ++pasos) {
    if (pasos >= max || !LeerArticulo(*archivo, pos, &a)) {
      m.FinRegistro = FinIndice(m);
      return OE_ERROR;
    }
    ++contador;
    if (a.PosBloque != 0) break;
    if (a.PosSiguiente == 0 || a.PosSiguiente >= FinIndice(m)) return OE_FIN;
    pos = a.PosSiguiente;
  }
  m.IdMensaje = static_cast<uint32_t>(contador);
  Marcas(m) = Marca(m) = 0;
  // An article has no stored sender, subject or date: what an earlier article's message object
  // or subject refresh wrote here must not carry over.
  m.De[0] = m.DeMime[0] = m.TextoGen[0] = m.Asunto[0] = m.Fecha[0] = '\0';
  m.PosRegistro = a.PosPropia;
  m.FinRegistro = a.PosSiguiente;
  m.TamMsg = a.TamArticulo;
  m.LongTexto = a.LongArticulo;
  m.PosTexto = a.PosBloque;
  LiberarReescrito(m);
  m.Modificado = 0;
  m.PosCopia = 0;
  const uint32_t r = LeerTextoArticulo(*archivo, m);
  if (r == OE_OK) PonerTextoListado(m, TextoListado(m) + m.LongTexto);
  return r;
}

uint32_t Siguiente(OE_MENSAJE& m) { return EsNoticias(m.IdCarpeta) ? SiguienteArticulo(m) : SiguienteMensaje(m); }

}  // namespace

uint32_t ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo) {
  switch (modo) {
    case OE_PRIMERO:
      return EsNoticias(carpeta->IdCarpeta) ? PrimerArticulo(*carpeta, mensaje) : PrimerMensaje(*carpeta, mensaje);
    case OE_SIGUIENTE:
      return Siguiente(**mensaje);
    case OE_CERRAR:
      LiberarTexto(**mensaje);
      LiberarReescrito(**mensaje);
      MEM_Liberar(*mensaje);
      *mensaje = nullptr;
      return OE_OK;
    default: return OE_OK;
  }
}

uint32_t ObtenerUnMensajeMail(OE_CARPETA* carpeta, OE_MENSAJE** mensaje) {
  if (!EsCarpeta(carpeta) || mensaje == nullptr || !EsMensaje(*mensaje)) return OE_ERROR_PARAM;
  return Siguiente(**mensaje);
}

uint32_t PosicionarMensaje(const OE_REF_ADJUNTO* referencia, OE_CARPETA* carpeta, OE_MENSAJE* mensaje) {
  (void)carpeta;
  if (referencia == nullptr || !EsMensaje(mensaje)) return OE_ERROR_PARAM;
  if (!EsNoticias(mensaje->IdCarpeta)) return MensajePorId(referencia->IdMensaje, *mensaje);
  // Article ids are the listing's own counter: walk until it reaches the one kept.
  for (;;) {
    const uint32_t r = SiguienteArticulo(*mensaje);
    if (r != OE_OK) return OE_ERROR;
    if (mensaje->IdMensaje == referencia->IdMensaje) return OE_OK;
    if (mensaje->IdMensaje > referencia->IdMensaje) return OE_ERROR;
  }
}

bool LeerCadenaArticulo(const ArchivoOe4& archivo, uint32_t primer_bloque, uint32_t largo_max, char* destino,
                        uint32_t* largo) {
  *largo = 0;
  uint32_t b = primer_bloque;
  const uint64_t max_bloques = archivo.Tamano() / kLongCabBloqueNch + 1;
  for (uint64_t pasos = 0; b != 0 && *largo < largo_max; ++pasos) {
    uint8_t cab[kLongCabBloqueNch];
    if (pasos >= max_bloques || !archivo.Leer(b, cab, sizeof cab)) return false;
    uint32_t usados = Le32(cab + kNchBloqueUsados);
    if (usados > largo_max - *largo) usados = largo_max - *largo;
    if (!archivo.Leer(uint64_t{b} + kLongCabBloqueNch, destino + *largo, usados)) return false;
    *largo += usados;
    b = Le32(cab + kNchBloqueSiguiente);
  }
  return true;
}

}  // namespace orvex::oe4
