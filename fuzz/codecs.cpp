// Codecs: the part output object decodes any bytes in both encodings, and decoding what it
// encoded gives back the original, through the object and through the plain-memory cores.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz/objetivos.h"
#include "mensaje/salida_parte.h"
#include "mime/codecs.h"

namespace orvex::fuzz {
namespace {

bool Iguales(const CL_BUFFER& b, const uint8_t* datos, std::size_t n) {
  return b.Longitud() == n && (n == 0 || std::memcmp(b.Datos(), datos, n) == 0);
}

void DecodificarEntrada(uint32_t modo, const uint8_t* datos, uint32_t n) {
  CL_SALIDA_PARTE salida;
  salida.FijarModo(modo);
  salida.Anadir(datos, n);
  Exigir(salida.DecodificarContenido() == 0);
  // Neither decoder ever produces more bytes than it read.
  Exigir(salida.Decodificado().Longitud() <= n);
}

void IdaYVuelta(uint32_t modo, const uint8_t* datos, uint32_t n) {
  CL_SALIDA_PARTE ida;
  ida.FijarModo(modo);
  ida.Decodificado().Anadir(datos, n);
  Exigir(ida.CodificarContenido() == 0);
  CL_SALIDA_PARTE vuelta;
  vuelta.FijarModo(modo);
  vuelta.Anadir(ida.Datos(), ida.Longitud());
  Exigir(vuelta.DecodificarContenido() == 0);
  Exigir(Iguales(vuelta.Decodificado(), datos, n));
}

// The cores write exactly into buffers of their stated bound, so ASan sees any overrun.
void NucleosIdaYVuelta(const uint8_t* datos, std::size_t n) {
  ESTADO_BASE64 b64;
  std::vector<uint8_t> codificado(codec::TamanoBase64(n));
  const std::size_t nc = codec::CodificarBase64(datos, n, codificado.data(), b64);
  Exigir(nc == codificado.size());
  ESTADO_BASE64 b64_vuelta;
  std::vector<uint8_t> decodificado(codec::TamanoMaximoDecodificadoBase64(nc));
  const std::size_t nd = codec::DecodificarBase64(codificado.data(), nc, decodificado.data(), b64_vuelta);
  Exigir(nd == n && (n == 0 || std::memcmp(decodificado.data(), datos, n) == 0));

  ESTADO_QP qp;
  std::vector<uint8_t> qp_codificado(codec::TamanoMaximoQP(n));
  const std::size_t nq = codec::CodificarQP(datos, n, qp_codificado.data(), qp);
  Exigir(nq <= qp_codificado.size());
  ESTADO_QP qp_vuelta;
  std::vector<uint8_t> qp_decodificado(codec::TamanoMaximoDecodificadoQP(nq));
  const std::size_t nqd = codec::DecodificarQP(qp_codificado.data(), nq, qp_decodificado.data(), qp_vuelta);
  Exigir(nqd == n && (n == 0 || std::memcmp(qp_decodificado.data(), datos, n) == 0));
}

void NucleosDecodificar(const uint8_t* datos, std::size_t n) {
  ESTADO_BASE64 b64;
  std::vector<uint8_t> salida(codec::TamanoMaximoDecodificadoBase64(n));
  Exigir(codec::DecodificarBase64(datos, n, salida.data(), b64) <= n);
  ESTADO_QP qp;
  std::vector<uint8_t> salida_qp(codec::TamanoMaximoDecodificadoQP(n));
  Exigir(codec::DecodificarQP(datos, n, salida_qp.data(), qp) <= n);
}

}  // namespace

int Codecs(const uint8_t* datos, std::size_t n) {
  const auto tam = static_cast<uint32_t>(n);
  for (uint32_t modo : {CL_SALIDA_PARTE::kModoBase64, CL_SALIDA_PARTE::kModoQP}) {
    DecodificarEntrada(modo, datos, tam);
    IdaYVuelta(modo, datos, tam);
  }
  NucleosDecodificar(datos, n);
  NucleosIdaYVuelta(datos, n);
  return 0;
}

}  // namespace orvex::fuzz
