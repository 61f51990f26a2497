// This store's own message object: the shared object's pipeline, except that a part's scan
// ends at the line that completed it (so the next scan starts with that line again), every
// part handed out is counted in the message, and the end of the text writes a changed
// message back directly.
#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "mensaje/objeto_interno.h"
#include "mensaje/recorrido.h"
#include "mensaje/salida_parte.h"
#include "mime/analizador.h"
#include "soporte/texto.h"

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

// The part collected in Salida goes out; pos is the start of the line that completed it.
uint32_t Entregar(OE_MENSAJE* m, OE_OBJMSG* o, uint32_t inicio, uint32_t pos) {
  CL_SALIDA_PARTE& salida = *mensaje::SalidaDe(o);
  const CL_ANALIZADOR_MIME& analizador = *mensaje::AnalizadorDe(o);
  if (salida.Nombre()[0] != 0) {
    CopiarAcotado(o->NombreParte, salida.Nombre(), sizeof o->NombreParte);
    CopiarAcotado(o->NombreAdjunto, salida.Nombre(), sizeof o->NombreAdjunto);
  } else {
    o->NombreParte[0] = 0;
    o->NombreAdjunto[0] = 0;
    m->PosCuerpo = inicio;
    m->FinCuerpo = pos;
    CopiarAcotado(m->Asunto, analizador.Asunto, sizeof m->Asunto);
    CopiarAcotado(m->De, analizador.Direcciones.De != nullptr ? analizador.Direcciones.De : "", sizeof m->De);
    CopiarAcotado(m->DeMime, m->De, sizeof m->DeMime);
  }
  o->LongParte = salida.Longitud();
  salida.AnadirCaracter(0);
  salida.FijarEscribible(1);
  salida.DecodificarContenido();
  o->Contenido = &salida.Contenido();
  o->PosSigParte = pos;
  o->NumParte += 1;
  PartesDevueltas(*m) += 1;
  return OE_OK;
}

uint32_t Terminar(OE_MENSAJE* m, OE_OBJMSG** objeto) {
  const OE_OBJMSG* o = *objeto;
  const uint32_t tamano = o->FinRegistro > o->PosRegistro ? o->FinRegistro - o->PosRegistro : 0;
  mensaje::CerrarObjeto(objeto);
  if (m->Modificado != 0) Reescribir(m, tamano);
  return OE_FIN;
}

uint32_t SiguienteParte(OE_MENSAJE* m, OE_OBJMSG** objeto) {
  OE_OBJMSG* o = *objeto;
  if (o->Parser == nullptr || o->Salida == nullptr) return OE_ERROR_PARAM;
  CL_SALIDA_PARTE& salida = *mensaje::SalidaDe(o);
  CL_ANALIZADOR_MIME& analizador = *mensaje::AnalizadorDe(o);

  salida.Vaciar();
  o->PosInicioParte = o->PosSigParte;
  uint32_t pos = o->PosSigParte;
  o->BytesLeidos = 0;
  uint32_t inicio = 0;
  mensaje::LectorLineas lector(m->Texto, m->LongTexto);
  for (;;) {
    const uint32_t n = lector.Leer(pos);
    o->BytesLeidos += n;
    analizador.AnalizarLinea(lector.Linea());
    if (n == 0 && mensaje::ParteSeleccionada(analizador)) analizador.ReiniciarParte();
    if (mensaje::ParteSeleccionada(analizador)) {
      if (inicio == 0) inicio = pos;
      if (n > 0) salida.Anadir(lector.Texto() + pos, n);
    } else if (salida.Longitud() > 0) {
      return Entregar(m, o, inicio, pos);
    } else if (!mensaje::CuerpoAlcanzado(analizador)) {
      const char* nombre = analizador.NombreDeParte();
      if (nombre != nullptr && nombre[0] != 0) salida.FijarNombre(nombre);
      salida.FijarModo(analizador.Codificacion());
    }
    if (n == 0) return Terminar(m, objeto);
    pos += n;
  }
}

}  // namespace

uint32_t ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo) {
  if (!EsMensaje(mensaje) || objeto == nullptr) return OE_ERROR_PARAM;
  if (modo == OE_PRIMERO) return Abrir(mensaje, objeto);
  if (modo != OE_SIGUIENTE && modo != OE_CERRAR) return OE_OK;
  if (!EsObjeto(*objeto)) return OE_ERROR_PARAM;
  return modo == OE_SIGUIENTE ? SiguienteParte(mensaje, objeto) : mensaje::CerrarObjeto(objeto);
}

}  // namespace orvex::imn
