// Hostile message texts through the message object and the destination listing: every one
// must give a result code in bounded time and memory, and the parser's caps must hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

#include "api/orvex.h"
#include "soporte/buffer_flujo.h"
#include "mensaje/objeto_interno.h"
#include "mime/analizador.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex {
namespace {

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_mensaje.inc"
    ;

// Full sizes only on request; by default an eighth, so that emulated and sanitized runs stay short.
std::size_t Escala(std::size_t completo) {
  return std::getenv("ORVEX_PRUEBAS_GRANDES") != nullptr ? completo : completo / 8;
}

// Resident set in bytes, from /proc/self/status; 0 where it cannot be read.
std::size_t Residente() {
  std::ifstream f("/proc/self/status");
  for (std::string linea; std::getline(f, linea);) {
    if (linea.starts_with("VmRSS:")) return std::stoull(linea.substr(6)) * 1024;
  }
  return 0;
}

// What a host sees when it reads every part and every destination, in short: the number of parts
// and the first one's content, the number of destinations and the last one. pico takes the
// resident set, sampled while the buffers are held.
std::string Leer(OE_MENSAJE* m, std::size_t& pico) {
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  uint32_t r = OE_FIN, partes = 0;
  std::string primera;
  while (o != nullptr && partes <= m->LongTexto &&
         (r = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK) {
    EXPECT_LE(mensaje::AnalizadorDe(o)->NumPartes, CL_ANALIZADOR_MIME::kProfundidadMaxima);
    const auto* c = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
    const std::string_view contenido(c->Datos(), c->Longitud());
    if (partes++ == 0) primera = " primera " + pruebas::Resumido(contenido);
    if (partes % 4096 == 1) pico = std::max(pico, Residente());
  }
  EXPECT_EQ(r, OE_FIN);
  EXPECT_EQ(o != nullptr ? OE_ObtenerObjMsg(m, &o, OE_CERRAR) : OE_OK, OE_OK);
  OE_DESTINO* d = nullptr;
  EXPECT_EQ(OE_ObtenerDestinoMsg(m, &d, OE_PRIMERO), OE_OK);
  pico = std::max(pico, Residente());
  const uint32_t num = d == nullptr ? 0 : d->NumDestinos;
  uint32_t leidos = 0;
  std::string ultimo;
  while (d != nullptr && (r = OE_ObtenerDestinoMsg(m, &d, OE_SIGUIENTE)) == OE_OK &&
         leidos <= num) {
    ++leidos;
    ultimo = std::string(" ultimo ") + d->Destino;
  }
  EXPECT_EQ(r, OE_FIN);
  EXPECT_EQ(d != nullptr ? OE_ObtenerDestinoMsg(m, &d, OE_CERRAR) : OE_OK, OE_OK);
  return "partes " + std::to_string(partes) + primera + " destinos " + std::to_string(num) + "/" +
         std::to_string(leidos) + ultimo + "\n";
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

// A multipart/mixed with boundary "f" around the given body.
std::string Mixto(const std::string& cuerpo) {
  return "From: a@b\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n" + cuerpo + "--f--\r\n";
}

std::string Repetir(const std::string& trozo, std::size_t n) {
  std::string t;
  for (std::size_t i = 0; i < n; ++i) t += trozo;
  return t;
}

// A boundary parameter as written, and the text its delimiter lines carry after "--".
std::string Fronteras(const std::string& frontera, const std::string& delimitador) {
  const std::string d = "--" + delimitador + "\r\n";
  return "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=" + frontera + "\r\n\r\npreambulo\r\n" + d +
         "\r\nuno\r\n" + d + "\r\ndos\r\n--" + delimitador + "--\r\n";
}

// Each text's parts and destinations in short, against its section: the number of parts and the
// first one's content, the number of destinations and the last one. The full sizes have their own
// sections.
TEST(HostilTest, CadaTextoAcabaConSusLimites) {
  const std::size_t millon = Escala(1'000'000), cien_mil = Escala(100'000), megas = Escala(16u << 20);
  std::string binario(megas / 4 * 3, '\0');
  for (std::size_t i = 0; i < binario.size(); ++i) binario[i] = static_cast<char>(i * 131 + (i >> 8));
  std::string base64 = pruebas::Base64(binario);
  std::erase(base64, '\n');
  const std::string enorme(100'000, 'b'), linea(megas, 'x');
  const std::pair<const char*, std::string> casos[] = {
      {"anidado justo bajo el limite", Anidado(CL_ANALIZADOR_MIME::kProfundidadMaxima - 2)},
      // Past the cap the rest is body text of a multipart, which no host is given.
      {"miles de niveles", Anidado(5000)},
      {"To plegado en un millon de lineas", Direcciones(millon, ",\r\n\t")},
      {"To de un millon en una linea", Direcciones(millon, ", ")},
      {"linea sin fin de megabytes", "From: a@b\r\nSubject: larga\r\n\r\n" + linea},
      {"base64 de megabytes en una linea",
       Mixto("--f\r\nContent-Type: application/octet-stream; name=\"g.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
             base64 + "\r\n")},
      {"solo NUL", std::string(100'000, '\0')},
      // Parts without headers or body are not handed out.
      {"solo delimitadores", Mixto(Repetir("--f\r\n", cien_mil))},
      {"una parte por linea", Mixto(Repetir("--f\r\n\r\nl\r\n", cien_mil))},
      // A boundary too long for its field is cut, and its delimiters still match.
      {"frontera de 100 KB", Fronteras("\"" + enorme + "\"", enorme)},
      {"frontera de 100 KB sin comillas", Fronteras(enorme, enorme)},
  };
  for (const auto& [nombre, texto] : casos) {
    SCOPED_TRACE(nombre);
    pruebas::RegistroMensaje mensaje(texto);
    const std::size_t antes = Residente();
    const auto inicio = std::chrono::steady_clock::now();
    std::size_t pico = 0;
    const std::string visto = Leer(mensaje.Puntero(), pico);
    // Generous bounds against quadratic blow-ups, not performance figures.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count(), 20.0);
    EXPECT_LT(pico, antes + 4 * texto.size() + (std::size_t{64} << 20));
    const std::string seccion = std::string("hostil ") + nombre + (millon == 1'000'000 ? " (grande)" : "");
    EXPECT_VOLCADO(kVolcados, "volcados_mensaje", seccion, visto);
  }
}

}  // namespace
}  // namespace orvex
