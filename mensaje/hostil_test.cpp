// Hostile message texts through the message object and the destination listing: every one
// must end with a result code in bounded time, and the parser's depth cap must hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "api/orvex.h"
#include "mensaje/objeto_interno.h"
#include "mime/analizador.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"
#include "soporte/buffer_flujo.h"

namespace orvex {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_mensaje.inc"
    ;

// What a host sees when it reads every part and opens the destination listing, in short: the
// number of parts and the first one's content, and the number of destinations.
std::string Leer(OE_MENSAJE* m) {
  OE_OBJMSG* o = nullptr;
  uint32_t r = OE_ObtenerObjMsg(m, &o, OE_PRIMERO), partes = 0;
  std::string primera;
  while (r == OE_OK && partes <= m->LongTexto && (r = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK) {
    EXPECT_LE(mensaje::AnalizadorDe(o)->NumPartes, CL_ANALIZADOR_MIME::kProfundidadMaxima);
    const auto* c = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
    if (partes++ == 0) primera = " primera " + pruebas::Resumido(std::string_view(c->Datos(), c->Longitud()));
  }
  EXPECT_EQ(r, OE_FIN);
  EXPECT_EQ(o != nullptr ? OE_ObtenerObjMsg(m, &o, OE_CERRAR) : OE_OK, OE_OK);
  OE_DESTINO* d = nullptr;
  EXPECT_EQ(OE_ObtenerDestinoMsg(m, &d, OE_PRIMERO), OE_OK);
  const std::string destinos = d == nullptr ? "0" : std::to_string(d->NumDestinos);
  EXPECT_EQ(d != nullptr ? OE_ObtenerDestinoMsg(m, &d, OE_CERRAR) : OE_OK, OE_OK);
  return "partes " + std::to_string(partes) + primera + " destinos " + destinos + "\n";
}

std::string Anidado(std::size_t niveles) {
  std::string t = "From: a@b\r\nMIME-Version: 1.0\r\n";
  for (std::size_t i = 0; i < niveles; ++i) {
    t += "Content-Type: multipart/mixed; boundary=\"n" + std::to_string(i) + "\"\r\n\r\n--n" + std::to_string(i) + "\r\n";
  }
  t += "Content-Type: text/plain\r\n\r\nfondo\r\n";
  for (std::size_t i = niveles; i-- > 0;) t += "--n" + std::to_string(i) + "--\r\n";
  return t;
}

std::string Direcciones(std::size_t n, const char* separador) {
  std::string t = "From: a@b\r\nTo: d0@x";
  for (std::size_t i = 1; i < n; ++i) t += separador + ("d" + std::to_string(i) + "@x");
  return t + "\r\nSubject: muchos\r\n\r\ncuerpo\r\n";
}

// A multipart/mixed with boundary "f" around n copies of the given body.
std::string Mixto(const std::string& cuerpo, std::size_t n = 1) {
  std::string t = "From: a@b\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n";
  for (std::size_t i = 0; i < n; ++i) t += cuerpo;
  return t + "--f--\r\n";
}

// Each text against its section. Full sizes only on request (their sections say "grande"); by
// default an eighth, so that emulated and sanitized runs stay short.
TEST(HostilTest, CadaTextoAcabaConSusLimites) {
  const std::size_t escala = std::getenv("ORVEX_PRUEBAS_GRANDES") != nullptr ? 1 : 8;
  const std::size_t millon = 1'000'000 / escala, cien_mil = 100'000 / escala, megas = (16u << 20) / escala;
  const std::string enorme(100'000, 'b'), delimitador = "--" + enorme + "\r\n";
  const std::pair<const char*, std::string> casos[] = {
      {"anidado justo bajo el limite", Anidado(CL_ANALIZADOR_MIME::kProfundidadMaxima - 2)},
      // Past the cap the rest is body text of a multipart, which no host is given.
      {"miles de niveles", Anidado(5000)},
      {"To plegado en un millon de lineas", Direcciones(millon, ",\r\n\t")},
      {"linea sin fin de megabytes", "From: a@b\r\nSubject: larga\r\n\r\n" + std::string(megas, 'x')},
      {"solo NUL", std::string(100'000, '\0')},
      {"una parte por linea", Mixto("--f\r\n\r\nl\r\n", cien_mil)},
      // A boundary too long for its field is cut, and its delimiters still match.
      {"frontera de 100 KB", "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + enorme +
                                 "\"\r\n\r\npreambulo\r\n" + delimitador + "\r\nuno\r\n" + delimitador +
                                 "\r\ndos\r\n--" + enorme + "--\r\n"},
  };
  for (const auto& [nombre, texto] : casos) {
    SCOPED_TRACE(nombre);
    pruebas::RegistroMensaje mensaje(texto);
    const auto inicio = std::chrono::steady_clock::now();
    const std::string visto = Leer(mensaje.Puntero());
    // A generous bound against quadratic blow-ups, not a performance figure.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count(), 20.0);
    const std::string seccion = std::string("hostil ") + nombre + (escala == 1 ? " (grande)" : "");
    EXPECT_VOLCADO(kVolcados, "volcados_mensaje", seccion, visto);
  }
}

}  // namespace
}  // namespace orvex
