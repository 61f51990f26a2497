#include "soporte/texto.h"

#include <cstring>

#include "soporte/memoria.h"

namespace orvex {

namespace {

bool EsBlanco(char c) { return c == ' ' || c == '\t'; }

char* CopiarTexto(const char* texto) {
  const std::size_t n = std::strlen(texto);
  auto* copia = static_cast<char*>(MEM_ReservarOExcepcion(n + 1));
  std::memcpy(copia, texto, n + 1);
  return copia;
}

}  // namespace

uint32_t LongitudLinea(uint32_t pos, uint32_t total, const char* base) {
  if (pos >= total) return 0;
  const void* fin = std::memchr(base + pos, '\n', total - pos);
  if (fin == nullptr) return total - pos;
  return static_cast<uint32_t>(static_cast<const char*>(fin) - (base + pos)) + 1;
}

uint32_t LongitudLineaCompleta(uint32_t pos, uint32_t total, const char* base) {
  if (pos >= total) return 0;
  const void* fin = std::memchr(base + pos, '\n', total - pos);
  if (fin == nullptr) return 0;
  return static_cast<uint32_t>(static_cast<const char*>(fin) - (base + pos)) + 1;
}

int CopiarAcotado(char* destino, const char* origen, std::size_t capacidad) {
  if (capacidad == 0) return 0;
  const void* nul = std::memchr(origen, 0, capacidad);
  if (nul == nullptr) {
    std::memcpy(destino, origen, capacidad - 1);
    destino[capacidad - 1] = 0;
  } else {
    std::memcpy(destino, origen, static_cast<std::size_t>(static_cast<const char*>(nul) - origen) + 1);
  }
  return 0;
}

int SaltarBlancos(const char** texto) {
  while (EsBlanco(**texto)) ++*texto;
  return 0;
}

int SaltarBlancos(char** texto) {
  while (EsBlanco(**texto)) ++*texto;
  return 0;
}

uint32_t ContarCampos(const char* texto, char separador) {
  if (texto == nullptr) return 0;
  const char* p = texto;
  while (*p == separador && *p != 0) ++p;
  uint32_t campos = 1;
  while (*p != 0) {
    if (*p != separador) {
      ++p;
      continue;
    }
    while (*p == separador) ++p;
    if (*p != 0) ++campos;
  }
  return campos;
}

int ObtenerCampo(uint32_t i, char separador, const char* texto, char* salida, uint32_t max) {
  salida[0] = 0;
  const char* p = texto;
  while (EsBlanco(*p) || *p == ':') ++p;
  for (uint32_t j = 1; j < i; ++j) {
    while (*p != 0 && *p != separador) ++p;
    if (*p == 0) return -1;
    while (*p == separador) ++p;
  }
  SaltarBlancos(&p);
  if (*p == 0) return -1;
  uint32_t n = 0;
  while (n < max && p[n] != 0 && p[n] != separador) {
    salida[n] = p[n];
    ++n;
  }
  salida[n] = 0;
  return n > 0 ? 0 : -1;
}

void LISTA_DIRECCIONES::Iniciar() {
  De = nullptr;
  Para = nullptr;
  NumPara = 0;
}

int LISTA_DIRECCIONES::Vaciar() {
  MEM_LiberarSiNoNulo(De);
  if (Para != nullptr) {
    for (uint32_t i = 0; i < NumPara; ++i) MEM_LiberarSiNoNulo(Para[i]);
    MEM_Liberar(Para);
  }
  Iniciar();
  return 0;
}

int LISTA_DIRECCIONES::AsignarDe(const char* texto) {
  if (texto == nullptr) return -1;
  char* copia = CopiarTexto(texto);
  MEM_LiberarSiNoNulo(De);
  De = copia;
  return 0;
}

int LISTA_DIRECCIONES::AnadirPara(const char* texto) {
  if (texto == nullptr) return -1;
  const std::size_t elementos = std::size_t{NumPara} + 1;
  if (NumPara == UINT32_MAX || elementos > SIZE_MAX / sizeof(char*)) {
    MEM_RedimensionarOExcepcion(Para, SIZE_MAX);  // cannot succeed: reports and throws
  }
  // The array grows first; a failed copy then leaves a zero slot past NumPara, never a hole.
  Para = static_cast<char**>(MEM_RedimensionarOExcepcion(Para, elementos * sizeof(char*)));
  Para[NumPara] = CopiarTexto(texto);
  ++NumPara;
  return 0;
}

}  // namespace orvex
