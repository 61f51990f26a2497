// This store's own message object: the shared part handout, except that a part's scan ends
// at the line that completed it (so the next scan starts with that line again), every part
// handed out is counted in the message, and the end of the text writes a changed message back
// directly, with the record size taken at open.
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "mensaje/objeto_interno.h"

namespace orvex::imn {

namespace {

uint32_t Abrir(OE_MENSAJE* m, OE_OBJMSG** objeto) {
  // This generation does not locate the first HTML part: those two positions stay as they are.
  const uint32_t pos_text_htm = m->PosTextHtm;
  const uint32_t pos_next_part = m->PosNextPart;
  const uint32_t r = mensaje::AbrirObjeto(m, objeto);
  m->PosTextHtm = pos_text_htm;
  m->PosNextPart = pos_next_part;
  if (r != OE_OK) return r;
  (*objeto)->PosCarpeta = 0;
  // A new object walks the message from its first part: a rewrite left by an object that
  // was closed early cannot be continued from here, and is dropped as closing promised.
  PartesDevueltas(*m) = 0;
  LiberarReescrito(*m);
  m->Modificado = 0;
  m->PosCopia = 0;
  return OE_OK;
}

void ContarParte(OE_MENSAJE& m) { PartesDevueltas(m) += 1; }

constexpr mensaje::ReglasObjeto kReglas{
    .releer_cierre = true,
    .registro_del_objeto = true,
    .AlEntregar = ContarParte,
    .Reescribir = Reescribir,
};

}  // namespace

uint32_t ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo) {
  if (!EsMensaje(mensaje) || objeto == nullptr) return OE_ERROR_PARAM;
  if (modo == OE_PRIMERO) return Abrir(mensaje, objeto);
  if (modo != OE_SIGUIENTE && modo != OE_CERRAR) return OE_OK;
  if (!EsObjeto(*objeto)) return OE_ERROR_PARAM;
  return modo == OE_SIGUIENTE ? mensaje::SiguienteParte(mensaje, objeto, kReglas) : mensaje::CerrarObjeto(objeto);
}

}  // namespace orvex::imn
