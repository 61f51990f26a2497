// The line-driven MIME parser. The message object feeds it a message text one line at a
// time, each line still carrying its line end, and after every line asks about the innermost
// part: its type, subtype, transfer encoding, name, whether its header block has ended and how
// many body bytes it has seen. The parser keeps no copy of the text, only a stack of part
// descriptors (the outer message at the bottom) and the From, To, Subject and Message-ID of
// the outer message. No line is ever refused.
#pragma once

#include <cstdint>

#include "mime/cabeceras.h"
#include "soporte/texto.h"

namespace orvex {

// One entry of the part stack.
struct PARTE_MIME {
  uint32_t Tipo = 0;
  uint32_t Subtipo = 0;
  uint32_t Codificacion = CODIF_NINGUNA;
  // Taken when the header block ends with Tipo / Codificacion still 0.
  uint32_t TipoDefecto = TIPO_POR_DEFECTO;
  uint32_t SubtipoDefecto = SUBTIPO_OTRO;
  uint32_t CodificacionDefecto = CODIF_LITERAL;
  uint32_t EnCuerpo = 0;
  char Frontera[kLongFrontera] = {};  // without the leading "--"
  uint32_t FronteraVista = 0;
  uint32_t TipoCabecera = CAB_NINGUNA;
  uint32_t BytesCuerpo = 0;
  char NombreMime[kLongNombreMime] = {};
};

class CL_ANALIZADOR_MIME {
 public:
  // Deeper multipart nesting than this is read as body text of the deepest part, so that a
  // hostile message cannot make the stack grow without bound.
  static constexpr uint32_t kProfundidadMaxima = 1000;
  // To addresses kept at most; later ones are dropped (each copy is a page-allocator block).
  static constexpr uint32_t kMaxDestinatarios = 1000;

  // Holds the outer message as its only part. Throws CL_EXCEPCION_MEMORIA.
  CL_ANALIZADOR_MIME();
  ~CL_ANALIZADOR_MIME();
  CL_ANALIZADOR_MIME(const CL_ANALIZADOR_MIME&) = delete;
  CL_ANALIZADOR_MIME& operator=(const CL_ANALIZADOR_MIME&) = delete;

  // Feeds one NUL-terminated line that keeps its line end. Lines go in text order, each once.
  // Always 0. Throws CL_EXCEPCION_MEMORIA when the stack or an address copy cannot grow.
  uint32_t AnalizarLinea(const char* linea);
  // Replaces the innermost part with a fresh one. Always 0.
  uint32_t ReiniciarParte();

  // The innermost part; with an empty stack: 0, 0, 0, 0, EnCuerpo 1, NombreDeParte null.
  uint32_t Tipo() const;
  uint32_t Subtipo() const;
  uint32_t Codificacion() const;
  uint32_t BytesCuerpo() const;
  uint32_t EnCuerpo() const;
  const char* NombreDeParte() const;
  // The innermost part itself, or null with an empty stack.
  const PARTE_MIME* ParteInterior() const;

  // Frees the captured addresses, every part and the array; NumPartes becomes 0.
  void Vaciar();
  // Starts again with one fresh outer part; the captures and settings keep their values.
  void Reinicializar();

  // Read directly by the message object.
  PARTE_MIME** Partes = nullptr;  // outermost first; a page-allocator block
  uint32_t NumPartes = 0;
  // 1 once the current header block showed a MIME-Version token or ended.
  uint32_t CabeceraVista = 0;
  const char* Linea = nullptr;  // the line being analysed, only during AnalizarLinea
  // Selection settings, read only by the message object.
  uint32_t FiltroNivel = 0;
  uint32_t ExtraerTextPlain = 1;
  uint32_t ExtraerTextHtml = 1;
  uint32_t ExtraerOctetStream = 1;
  uint32_t ExtraerImage = 1;
  uint32_t ExtraerAudio = 1;
  uint32_t ExtraerVideo = 1;
  uint32_t ExtraerOtros = 1;
  LISTA_DIRECCIONES Direcciones;
  char Asunto[kLongAsunto] = {};
  char IdMensajeMime[kLongIdMensaje] = {};  // without the angle brackets

 private:
  PARTE_MIME* Interior() const { return NumPartes == 0 ? nullptr : Partes[NumPartes - 1]; }
  void LineaCabecera();
  void LineaCuerpo();

  void ReconocerMimeVersion();
  void ReconocerFrom();
  void ReconocerTo();
  void ReconocerSubject();
  void ReconocerMessageId();
  void ReconocerContentType();
  void ReconocerContentTransferEncoding();
  void ReconocerFinCabecera();
  void ReconocerDelimitador();

  void ClasificarContentType(const char* valor);
  void LeerParametrosContentType();
  // The value of an address header line or of its folded continuation, or null.
  const char* ValorDeDireccion(const char* nombre, uint32_t tipoCabecera);

  void NuevaParte();
  void FinParte();
  void LiberarPartes();
};

}  // namespace orvex
