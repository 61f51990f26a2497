// The message listing of one folder's .dbx file: mode 1 walks the message tree into the
// record, each mode 2 reads the next entry's message and its whole text.
#include <algorithm>
#include <cstring>

#include "almacen_oe5/areas.h"
#include "almacen_oe5/dbx.h"
#include "almacen_oe5/oe5.h"
#include "almacen_oe5/reescritura.h"
#include "nucleo/fecha.h"
#include "soporte/bytes.h"
#include "soporte/memoria.h"
#include "soporte/texto.h"

namespace orvex::oe5 {

using namespace orvex::dbx;

namespace {

bool EsMensaje(const OE_MENSAJE* m) { return m != nullptr && m->Tamano == OE_TAM_MENSAJE; }

void LiberarTexto(OE_MENSAJE& m) {
  MEM_LiberarSiNoNulo(m.Texto);
  m.Texto = nullptr;
}

// Files written by the mail client keep a flags word at the start of the data area and the
// FILETIME where id 0x02 points; an object without that id reads 0 there, the area's start.
uint64_t LeerFechaMensaje(const ArchivoDbx& archivo, const ObjetoDbx& objeto, const uint8_t (&inicio)[12]) {
  uint8_t bytes[8];
  const uint32_t desplazamiento = objeto.TablaIndices[kIdFechaMensaje];
  if (desplazamiento == kAreaFecha || objeto.long_datos < 8 || desplazamiento > objeto.long_datos - 8 ||
      !archivo.Leer(objeto.inicio_datos + desplazamiento, bytes, sizeof bytes)) {
    std::memcpy(bytes, inicio + kAreaFecha, sizeof bytes);
  }
  return Le64(bytes);
}

uint32_t Iniciar(OE_CARPETA* carpeta, OE_MENSAJE** mensaje) {
  auto archivo = ArchivoDbx::AbrirYComprobar(carpeta->RutaIndice, TipoDbx::kMensajes);
  if (!archivo) return OE_ERROR;
  if (archivo->Cabecera(kCabNumMensajes) == 0) return OE_SIN_MENSAJES;
  BloqueMem<OE_MENSAJE> m(static_cast<OE_MENSAJE*>(MEM_Reservar(sizeof(OE_MENSAJE))));
  if (!m) return OE_ERROR_MEMORIA;
  const uint32_t raiz = archivo->Cabecera(kCabArbolMensajes);
  const auto nodos = RecorrerArbol(*archivo, raiz, kMaxNodosMensajes);
  if (nodos.empty()) {
    *mensaje = nullptr;
    return OE_ERROR;
  }
  m->Tamano = OE_TAM_MENSAJE;
  m->IdCarpeta = carpeta->IdCarpeta;
  m->PosCarpeta = carpeta->PosCarpeta;
  CopiarAcotado(m->NombreCarpeta, carpeta->Nombre, sizeof m->NombreCarpeta);
  CopiarAcotado(m->RutaAlmacen, carpeta->RutaAlmacen, sizeof m->RutaAlmacen);
  CopiarAcotado(m->RutaIndice, carpeta->RutaIndice, sizeof m->RutaIndice);
  CopiarAcotado(m->RutaBuzon, carpeta->RutaIndice, sizeof m->RutaBuzon);
  MaxIdMensaje(*m) = archivo->Cabecera(kCabMaxIdMensaje);
  m->FinRegistro = archivo->Cabecera(kCabInicioObjetos);
  const uint64_t limite = static_cast<uint64_t>(archivo->Cabecera(kCabInicioObjetos)) + archivo->Cabecera(kCabLongObjetos);
  LimiteObjetos(*m) = static_cast<uint32_t>(std::min<uint64_t>(limite, UINT32_MAX));
  PonerPalabra(*m, kMsgNumNodos, static_cast<uint32_t>(nodos.size()));
  for (uint32_t i = 0; i < nodos.size(); ++i) PonerPalabra(*m, kMsgListaNodos + 4 * static_cast<std::size_t>(i), nodos[i]);
  PonerPalabra(*m, kMsgNumNodoActual, 1);
  PonerPalabra(*m, kMsgNodoActual, raiz);
  PonerPalabra(*m, kMsgNodoSiguiente, NodoLista(*m, 1));
  *mensaje = m.release();
  return OE_OK;
}

// Entries of the current node that the cursor may visit.
uint32_t EntradasNodoActual(const ArchivoDbx& archivo, const OE_MENSAJE& m) {
  return EntradasNodo(archivo, Palabra(m, kMsgNodoActual));
}

// Index of the entry at a cursor position of the current node.
uint32_t IndiceEntrada(const OE_MENSAJE& m, uint32_t cursor) {
  const uint64_t base = static_cast<uint64_t>(Palabra(m, kMsgNodoActual)) + kNodoEntradas;
  if (cursor < base) return UINT32_MAX;
  return static_cast<uint32_t>((cursor - base) / kLongEntrada);
}

enum class Paso { kMensaje, kNodoAgotado };

// Reads the message of the next entry of the current node. kNodoAgotado when the node has no
// further entry (the cursor then asks for the next node).
Paso LeerActual(const ArchivoDbx& archivo, OE_MENSAJE& m, uint32_t* resultado) {
  const uint32_t nodo = Palabra(m, kMsgNodoActual);
  uint32_t entrada, siguiente;
  if (Palabra(m, kMsgCursorEntrada) == 0) {
    entrada = nodo + kNodoEntradas;
    siguiente = nodo + kNodoEntradas + kLongEntrada;
  } else {
    entrada = Palabra(m, kMsgCursorSiguiente);
    siguiente = entrada + kLongEntrada;
  }
  const uint32_t entradas = EntradasNodoActual(archivo, m);
  if (IndiceEntrada(m, entrada) >= entradas) {
    m.FinRegistro = 0;
    return Paso::kNodoAgotado;
  }
  PonerPalabra(m, kMsgCursorEntrada, entrada);
  PonerPalabra(m, kMsgCursorSiguiente, siguiente);
  m.PosRegistro = 0;
  archivo.Leer32(entrada, &m.PosRegistro);
  m.FinRegistro = 0;
  if (IndiceEntrada(m, siguiente) < entradas) archivo.Leer32(siguiente, &m.FinRegistro);

  // A rewrite belongs to the message it was started on.
  LiberarTexto(m);
  LiberarReescrito(&m);
  m.Modificado = 0;
  m.LongTexto = 0;
  ObjetoDbx objeto;
  if (!LeerObjeto(archivo, m.PosRegistro, &objeto)) {
    m.IdMensaje = 0;
    m.PosTexto = 0;
    m.Fecha[0] = '\0';
    *resultado = OE_ERROR;
    return Paso::kMensaje;
  }
  m.IdMensaje = objeto.TablaIndices[kIdMensaje];
  m.PosTexto = objeto.TablaIndices[kIdBloqueTexto];
  // Fields the data area is too short to hold read as zero.
  uint8_t datos[12] = {};
  archivo.Leer(objeto.inicio_datos, datos, std::min<uint32_t>(sizeof datos, objeto.long_datos));
  PonerFecha(m, LeerFechaMensaje(archivo, objeto, datos), " ");
  if (m.PosTexto == 0) {
    m.PosTexto = Le32(datos + kAreaBloqueTexto);
  }
  if (m.PosTexto >= archivo.Cabecera(kCabLimiteTexto)) {
    *resultado = OE_ERROR;
    return Paso::kMensaje;
  }
  *resultado = LeerCadena(archivo, m.PosTexto, &m.Texto, &m.LongTexto);
  return Paso::kMensaje;
}

// One step of the listing: the next message, or OE_FIN.
uint32_t Siguiente(OE_MENSAJE& m) {
  // A node holds at most its room in entries, so the steps over empty nodes are bounded too.
  for (;;) {
    if (m.IdMensaje > MaxIdMensaje(m)) return OE_FIN;
    if (m.FinRegistro == 0 || m.FinRegistro >= LimiteObjetos(m)) {
      const uint32_t num = Palabra(m, kMsgNumNodoActual);
      const uint32_t siguiente = Palabra(m, kMsgNodoSiguiente);
      if (siguiente == 0 || num > Palabra(m, kMsgNumNodos) || num >= kHuecosListaNodos) return OE_FIN;
      PonerPalabra(m, kMsgNodoActual, siguiente);
      PonerPalabra(m, kMsgNumNodoActual, num + 1);
      PonerPalabra(m, kMsgNodoSiguiente, NodoLista(m, num + 1));
      PonerPalabra(m, kMsgCursorEntrada, 0);
      PonerPalabra(m, kMsgCursorSiguiente, 0);
    }
    auto archivo = ArchivoDbx::AbrirYComprobar(m.RutaIndice, TipoDbx::kMensajes);
    if (!archivo) return OE_ERROR;
    uint32_t resultado = OE_ERROR;
    if (LeerActual(*archivo, m, &resultado) == Paso::kMensaje) return resultado;
  }
}

}  // namespace

uint32_t ObtenerMensajes(OE_CARPETA* carpeta, OE_MENSAJE** mensaje, uint32_t modo) {
  switch (modo) {
    case OE_PRIMERO: return Iniciar(carpeta, mensaje);
    case OE_SIGUIENTE:
      return Siguiente(**mensaje);
    case OE_CERRAR:
      LiberarTexto(**mensaje);
      LiberarReescrito(*mensaje);
      MEM_Liberar(*mensaje);
      *mensaje = nullptr;
      return OE_OK;
    default: return OE_OK;
  }
}

uint32_t PosicionarMensaje(const OE_REF_ADJUNTO* referencia, OE_CARPETA* carpeta, OE_MENSAJE* mensaje) {
  (void)carpeta;
  if (referencia == nullptr || !EsMensaje(mensaje)) return OE_ERROR_PARAM;
  // The search ends at the first step that does not hand out a message, an unreadable one
  // included: the reference names a message as the listing saw it when it was made.
  for (;;) {
    const uint32_t r = Siguiente(*mensaje);
    if (r != OE_OK) return r;
    if (mensaje->IdMensaje == referencia->IdMensaje) return OE_OK;
  }
}

}  // namespace orvex::oe5
