// Message text: a hand-built message record over the fuzzed text, driven through the exports
// as a host does: every part under the chosen selection switches, the destination list, and
// the subject refresh a listing does.
//
// Input: byte 0 = flags (bit 0: the text without its NUL; bits 1-2: FiltroNivel; bit 3: close
// the object after its first part), byte 1 = the seven Extraer switches (a set bit turns one
// off), then the message text.
#include <cstring>
#include <string>

#include "api/estado.h"
#include "api/orvex.h"
#include "fuzz/objetivos.h"
#include "fuzz/recorridos.h"
#include "mensaje/objeto_mensaje.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::fuzz {

int Mensaje(const uint8_t* datos, std::size_t n) {
  if (n < 2) return 0;
  VersionOE = VERSION_OE5;
  const uint8_t flags = datos[0];
  const uint8_t apagados = datos[1];
  const std::string texto(reinterpret_cast<const char*>(datos + 2), n - 2);
  pruebas::RegistroMensaje registro(texto, (flags & 1) != 0);
  RecorrerPartes(registro.Puntero(), flags, apagados);
  RecorrerDestinos(registro.Puntero());
  mensaje::RefrescarAsunto(registro.Puntero());
  Exigir(std::memchr(registro->Asunto, 0, sizeof registro->Asunto) != nullptr);
  return 0;
}

}  // namespace orvex::fuzz
