// Base64 and quoted-printable content-transfer codecs. Each class works from one whole
// stream buffer into another in one call; the bytes they produce are exact, because
// rewritten messages are compared byte for byte with what the mail client wrote.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

class CL_BUFFER_FLUJO;

// State shared by the base64 encoder and decoder of one part output object.
struct ESTADO_BASE64 {
  char Grupo[5] = {};    // up to four characters, or four 6-bit values while decoding
  char Octetos[4] = {};  // up to three data bytes
  uint32_t NumGrupo = 0;
  uint32_t NumOctetos = 0;
};

// State shared by the quoted-printable encoder and decoder of one part output object.
struct ESTADO_QP {
  char Escape[4] = {};  // an escape being collected, or the text of one encoded byte
  uint8_t Octeto = 0;   // the byte just decoded
  uint32_t NumEscape = 0;
};

static_assert(sizeof(ESTADO_BASE64) == 20);
static_assert(sizeof(ESTADO_QP) == 12);

// Each Codificar / Decodificar reads every byte of origen over its Longitud, appends its
// output behind the contents of destino (which is not emptied first, and whose position
// is not moved), resets the state block at the start and returns 0. Throws
// CL_EXCEPCION_MEMORIA when destino cannot grow enough.
class CL_CODIFICADOR_BASE64 : public virtual ESTADO_BASE64 {
 public:
  // Lines of 76 characters joined by CR LF, padded with "=", always ending in CR LF.
  int Codificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino);
};

class CL_DECODIFICADOR_BASE64 : public virtual ESTADO_BASE64 {
 public:
  // Every byte outside the alphabet ("=" included) is skipped; a partial last group is
  // flushed.
  int Decodificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino);
};

class CL_CODIFICADOR_QP : public virtual ESTADO_QP {
 public:
  // Lines of at most 74 characters, each ended by the soft break "=" CR LF, the last too.
  int Codificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino);
};

class CL_DECODIFICADOR_QP : public virtual ESTADO_QP {
 public:
  // Lenient: bytes inside an open escape that cannot belong to it are dropped, and an
  // escape still open at the end is dropped.
  int Decodificar(const CL_BUFFER_FLUJO& origen, CL_BUFFER_FLUJO& destino);
};

// The codec cores over plain memory, for the classes above and for callers that hold
// bytes outside a stream buffer. Each writes into salida, which must have room for the
// bound of its size function, and returns how many bytes it wrote.
namespace codec {

// Exact size of the base64 form of n bytes.
uint64_t TamanoBase64(uint64_t n);
// Bounds for the other three directions (they include the scratch room the cores use).
uint64_t TamanoMaximoDecodificadoBase64(uint64_t n);
uint64_t TamanoMaximoQP(uint64_t n);
uint64_t TamanoMaximoDecodificadoQP(uint64_t n);

std::size_t CodificarBase64(const uint8_t* origen, std::size_t n, uint8_t* salida,
                            ESTADO_BASE64& estado);
std::size_t DecodificarBase64(const uint8_t* origen, std::size_t n, uint8_t* salida,
                              ESTADO_BASE64& estado);
std::size_t CodificarQP(const uint8_t* origen, std::size_t n, uint8_t* salida,
                        ESTADO_QP& estado);
std::size_t DecodificarQP(const uint8_t* origen, std::size_t n, uint8_t* salida,
                          ESTADO_QP& estado);

}  // namespace codec

}  // namespace orvex
