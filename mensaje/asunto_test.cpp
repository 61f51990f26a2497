#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mensaje/objeto_mensaje.h"
#include "pruebas/mensajes_mime.h"

namespace orvex {
namespace {

TEST(RefrescarAsuntoTest, TomaElSubjectDeLaCabeceraDelMensaje) {
  using namespace pruebas;
  struct Caso { const char* nombre; std::string texto, esperado; bool sin_texto = false; };
  const std::string largo(300, 's');
  const Caso casos[] = {
      {"simple", MensajeSimple(), "Saludos"},
      {"sin Subject queda vacio", "From: a@b\r\n\r\ncuerpo\r\n", ""},
      {"se corta a 255", "Subject: " + largo + "\r\n\r\ncuerpo\r\n", largo.substr(0, 255)},
      {"un mensaje encapsulado pone el suyo",
       "Subject: fuera\r\nMIME-Version: 1.0\r\nContent-Type: message/rfc822\r\n\r\nSubject: dentro\r\n\r\ncuerpo\r\n",
       "dentro"},
      // Until a part's body is reached the index's subject stays.
      {"con LF no se llega al cuerpo", "Subject: nuevo\nFrom: a@b\n\nx\n", "del indice"},
      {"solo cabecera", "Subject: nuevo\r\n\r\n", "del indice"},
      {"vacio", "", "del indice"},
      {"sin texto", MensajeSimple(), "del indice", true},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(caso.texto);
    if (caso.sin_texto) mensaje->Texto = nullptr;
    std::strcpy(mensaje->Asunto, "del indice");
    mensaje::RefrescarAsunto(mensaje.Puntero());
    EXPECT_EQ(std::string(mensaje->Asunto), caso.esperado);
  }
}

}  // namespace
}  // namespace orvex
