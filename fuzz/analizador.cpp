// MIME parser alone: every line of the input goes to AnalizarLinea, each in an exact-size
// copy so that a read past the line is seen; the parser's state stays within its bounds.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz/objetivos.h"
#include "mime/analizador.h"

namespace orvex::fuzz {
namespace {

void ComprobarEstado(const CL_ANALIZADOR_MIME& a) {
  Exigir(a.NumPartes <= CL_ANALIZADOR_MIME::kProfundidadMaxima + 1);
  Exigir(std::memchr(a.Asunto, 0, sizeof a.Asunto) != nullptr);
  Exigir(std::memchr(a.IdMensajeMime, 0, sizeof a.IdMensajeMime) != nullptr);
  const PARTE_MIME* p = a.ParteInterior();
  if (p != nullptr) {
    Exigir(std::memchr(p->Frontera, 0, sizeof p->Frontera) != nullptr);
    Exigir(std::memchr(p->NombreMime, 0, sizeof p->NombreMime) != nullptr);
  }
  const char* nombre = a.NombreDeParte();
  if (nombre != nullptr) Exigir(std::strlen(nombre) < kLongNombreMime);
  // The queries must answer on any state.
  (void)a.Tipo();
  (void)a.Subtipo();
  (void)a.Codificacion();
  (void)a.BytesCuerpo();
  (void)a.EnCuerpo();
}

}  // namespace

int Analizador(const uint8_t* datos, std::size_t n) {
  CL_ANALIZADOR_MIME analizador;
  const char* texto = reinterpret_cast<const char*>(datos);
  std::size_t pos = 0;
  uint32_t lineas = 0;
  while (pos < n) {
    const void* fin = std::memchr(texto + pos, '\n', n - pos);
    const std::size_t largo = fin == nullptr ? n - pos : static_cast<const char*>(fin) - (texto + pos) + 1;
    auto linea = std::make_unique<char[]>(largo + 1);
    std::memcpy(linea.get(), texto + pos, largo);
    linea[largo] = '\0';
    Exigir(analizador.AnalizarLinea(linea.get()) == 0);
    ComprobarEstado(analizador);
    // Now and then the message object replaces the innermost part (a digest child).
    if ((++lineas & 0x3F) == 0 && largo > 0 && linea[0] == '\x01') analizador.ReiniciarParte();
    pos += largo;
  }
  analizador.Reinicializar();
  ComprobarEstado(analizador);
  analizador.Vaciar();
  ComprobarEstado(analizador);
  return 0;
}

}  // namespace orvex::fuzz
