// The message object: opens a stored message, hands out its selected parts one per call,
// and when the text runs out destroys itself and has a changed message written back.
#include "mensaje/objeto_mensaje.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "mensaje/guardado.h"
#include "mensaje/objeto_interno.h"
#include "mensaje/recorrido.h"
#include "mensaje/salida_parte.h"
#include "mime/analizador.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::mensaje {

namespace {

// The generation text at 2396 of the 32-bit layout, which opening an object empties.
constexpr std::size_t kTextoGenAbrir = 2396 - 2384;
constexpr std::string_view kTextHtm = "text/htm";
constexpr std::string_view kNextPart = "------=_NextPart";

// First "text/htm" in the text read as a C string, never past longitud; 0 when none.
uint32_t BuscarTextHtm(const char* texto, uint32_t longitud) {
  if (texto == nullptr) return 0;
  const void* nul = std::memchr(texto, 0, longitud);
  const std::size_t alcance = nul == nullptr ? longitud : static_cast<std::size_t>(static_cast<const char*>(nul) - texto);
  const std::size_t p = std::string_view(texto, alcance).find(kTextHtm);
  return p == std::string_view::npos ? 0 : static_cast<uint32_t>(p);
}

// Start of the last "------=_NextPart" wholly inside the first pos_html - 1 bytes (which hold
// no NUL, since the C-string search found pos_html past them); pos_html when there is none.
uint32_t BuscarNextPart(const char* texto, uint32_t pos_html) {
  if (pos_html == 0) return 0;
  const std::size_t p = std::string_view(texto, pos_html - 1).rfind(kNextPart);
  return p == std::string_view::npos ? pos_html : static_cast<uint32_t>(p);
}

void VaciarTexto(char* texto) { texto[0] = 0; }

// Step 4: the part collected in Salida goes out; pos is the start of the line that closed it.
uint32_t EntregarParte(OE_MENSAJE* m, OE_OBJMSG* o, uint32_t inicio, uint32_t pos, uint32_t n,
                      const ReglasObjeto& reglas) {
  CL_SALIDA_PARTE& salida = *SalidaDe(o);
  const CL_ANALIZADOR_MIME& analizador = *AnalizadorDe(o);
  if (salida.Nombre()[0] != 0) {
    CopiarAcotado(o->NombreParte, salida.Nombre(), sizeof o->NombreParte);
    CopiarAcotado(o->NombreAdjunto, salida.Nombre(), sizeof o->NombreAdjunto);
  } else {
    VaciarTexto(o->NombreParte);
    VaciarTexto(o->NombreAdjunto);
    m->PosCuerpo = inicio;
    m->FinCuerpo = pos;
    CopiarAcotado(m->Asunto, analizador.Asunto, sizeof m->Asunto);
    if (analizador.Direcciones.De != nullptr) {
      CopiarAcotado(m->De, analizador.Direcciones.De, sizeof m->De);
    } else {
      VaciarTexto(m->De);
    }
    CopiarAcotado(m->DeMime, m->De, sizeof m->DeMime);
  }
  o->LongParte = salida.Longitud();
  salida.AnadirCaracter(0);
  salida.FijarEscribible(1);
  salida.DecodificarContenido();
  o->Contenido = &salida.Contenido();
  o->PosSigParte = reglas.releer_cierre ? pos : pos + n;
  o->NumParte += 1;
  if (reglas.AlEntregar != nullptr) reglas.AlEntregar(*m);
  return OE_OK;
}

// Step 5: the text is exhausted.
uint32_t TerminarObjeto(OE_MENSAJE* m, OE_OBJMSG** objeto, const ReglasObjeto& reglas) {
  const OE_OBJMSG* o = *objeto;
  const uint32_t tamano = !reglas.registro_del_objeto ? TamanoRegistro(m)
                          : o->FinRegistro > o->PosRegistro ? o->FinRegistro - o->PosRegistro
                                                            : 0;
  CerrarObjeto(objeto);
  if (m->Modificado == 0) return OE_FIN;
  if (reglas.Reescribir != nullptr) {
    reglas.Reescribir(m, tamano);
  } else {
    DespacharReescritura(m, tamano);
  }
  return OE_FIN;
}

}  // namespace

CL_ANALIZADOR_MIME* AnalizadorDe(const OE_OBJMSG* objeto) {
  return static_cast<CL_ANALIZADOR_MIME*>(objeto->Parser);
}

CL_SALIDA_PARTE* SalidaDe(const OE_OBJMSG* objeto) { return static_cast<CL_SALIDA_PARTE*>(objeto->Salida); }

uint32_t AbrirObjeto(OE_MENSAJE* m, OE_OBJMSG** objeto) {
  *objeto = nullptr;
  BloqueMem<OE_OBJMSG> o(static_cast<OE_OBJMSG*>(MEM_Reservar(sizeof(OE_OBJMSG))));
  if (!o) return OE_ERROR_MEMORIA;
  o->Tamano = OE_TAM_OBJMSG;
  o->IdCarpeta = m->IdCarpeta;
  o->PosCarpeta = m->PosCarpeta;
  o->IdMensaje = m->IdMensaje;
  o->IdMensajeCopia = m->IdMensaje;
  o->PosTexto = m->PosTexto;
  o->PosRegistro = m->PosRegistro;
  o->FinRegistro = m->FinRegistro;
  o->FinMsg = m->TamMsg + m->PosTexto;
  // The block comes zero-filled: counters, cursors, names and Contenido start empty.

  std::unique_ptr<CL_SALIDA_PARTE> salida;
  std::unique_ptr<CL_ANALIZADOR_MIME> analizador;
  try {
    salida.reset(new (std::nothrow) CL_SALIDA_PARTE());
    if (salida) analizador.reset(new (std::nothrow) CL_ANALIZADOR_MIME());
  } catch (const CL_EXCEPCION_MEMORIA&) {
  } catch (const std::bad_alloc&) {
  }
  if (!salida || !analizador) return OE_ERROR_MEMORIA;

  VaciarTexto(m->De);
  VaciarTexto(m->DeMime);
  VaciarTexto(m->Asunto);
  VaciarTexto(m->TextoGen);
  m->AreaGen[kTextoGenAbrir] = 0;

  m->PosTextHtm = BuscarTextHtm(m->Texto, m->LongTexto);
  m->PosNextPart = BuscarNextPart(m->Texto, m->PosTextHtm);

  o->Salida = salida.release();
  o->Parser = analizador.release();
  *objeto = o.release();
  return OE_OK;
}

uint32_t SiguienteParte(OE_MENSAJE* m, OE_OBJMSG** objeto, const ReglasObjeto& reglas) {
  OE_OBJMSG* o = *objeto;
  if (o->Parser == nullptr || o->Salida == nullptr) return OE_ERROR_PARAM;
  CL_SALIDA_PARTE& salida = *SalidaDe(o);
  CL_ANALIZADOR_MIME& analizador = *AnalizadorDe(o);

  salida.Vaciar();
  o->PosInicioParte = o->PosSigParte;
  uint32_t pos = o->PosSigParte;
  o->BytesLeidos = 0;
  uint32_t inicio = 0;
  LectorLineas lector(m->Texto, m->LongTexto);
  for (;;) {
    const uint32_t n = lector.Leer(pos);
    o->BytesLeidos += n;
    analizador.AnalizarLinea(lector.Linea());
    bool seleccionada = ParteSeleccionada(analizador);
    // The text ended inside a selected part: a fresh part closes it.
    if (n == 0 && seleccionada) {
      analizador.ReiniciarParte();
      seleccionada = ParteSeleccionada(analizador);
    }
    if (seleccionada) {
      if (inicio == 0) inicio = pos;
      if (n > 0) salida.Anadir(lector.Texto() + pos, n);
    } else if (salida.Longitud() > 0) {
      return EntregarParte(m, o, inicio, pos, n, reglas);
    } else if (!CuerpoAlcanzado(analizador)) {
      // A header line: keep the name and encoding of the part being described.
      const char* nombre = analizador.NombreDeParte();
      if (nombre != nullptr && nombre[0] != 0) salida.FijarNombre(nombre);
      salida.FijarModo(analizador.Codificacion());
    }
    if (n == 0) return TerminarObjeto(m, objeto, reglas);
    pos += n;
  }
}

uint32_t CerrarObjeto(OE_OBJMSG** objeto) {
  OE_OBJMSG* o = *objeto;
  delete SalidaDe(o);
  o->Salida = nullptr;
  delete AnalizadorDe(o);
  o->Parser = nullptr;
  o->Contenido = nullptr;
  MEM_Liberar(o);
  *objeto = nullptr;
  return OE_OK;
}

uint32_t ObtenerObjMsg(OE_MENSAJE* mensaje, OE_OBJMSG** objeto, uint32_t modo) {
  if (mensaje == nullptr || objeto == nullptr) return OE_ERROR_PARAM;
  if (modo == OE_PRIMERO) return AbrirObjeto(mensaje, objeto);
  if (modo != OE_SIGUIENTE && modo != OE_CERRAR) return OE_OK;
  if (*objeto == nullptr || (*objeto)->Tamano != OE_TAM_OBJMSG) return OE_ERROR_PARAM;
  return modo == OE_SIGUIENTE ? SiguienteParte(mensaje, objeto) : CerrarObjeto(objeto);
}

}  // namespace orvex::mensaje
