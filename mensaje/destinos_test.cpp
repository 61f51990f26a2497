#include <gtest/gtest.h>

#include <string>

#include "api/orvex.h"
#include "pruebas/mensajes_mime.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

using namespace pruebas;

// The record keeps its own parser: it outlives the message it was opened on.
TEST(DestinosTest, ElRegistroNoDependeDelMensaje) {
  OE_DESTINO* destino = nullptr;
  {
    RegistroMensaje mensaje(MensajeSimple());
    ASSERT_EQ(OE_ObtenerDestinoMsg(mensaje.Puntero(), &destino, OE_PRIMERO), OE_OK);
  }
  RegistroMensaje otro("Subject: otro\r\n\r\n");
  ASSERT_EQ(OE_ObtenerDestinoMsg(otro.Puntero(), &destino, OE_SIGUIENTE), OE_OK);
  EXPECT_STREQ(destino->Destino, "luis@ejemplo.es");
  EXPECT_EQ(OE_ObtenerDestinoMsg(otro.Puntero(), &destino, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(OE_ObtenerDestinoMsg(otro.Puntero(), &destino, OE_CERRAR), OE_OK);
}

TEST(DestinosTest, RegistrosYModosQueNoSirven) {
  RegistroMensaje mensaje(MensajeSimple());
  BloqueMem<OE_CARPETA> carpeta(static_cast<OE_CARPETA*>(MEM_Reservar(sizeof(OE_CARPETA))));
  ASSERT_TRUE(carpeta);
  carpeta->Tamano = OE_TAM_CARPETA;
  auto* const una_carpeta = reinterpret_cast<OE_DESTINO*>(carpeta.get());
  OE_DESTINO* como_destino = una_carpeta;
  OE_DESTINO* nulo = nullptr;
  struct Caso { const char* nombre; OE_DESTINO** destino; uint32_t modo, esperado; };
  const Caso casos[] = {
      {"cerrar una carpeta", &como_destino, OE_CERRAR, OE_ERROR_PARAM},
      {"avanzar una carpeta", &como_destino, OE_SIGUIENTE, OE_ERROR_PARAM},
      {"avanzar sin registro", &nulo, OE_SIGUIENTE, OE_ERROR_PARAM},
      {"cerrar sin registro", &nulo, OE_CERRAR, OE_ERROR_PARAM},
      {"modo desconocido", &nulo, 4, OE_OK},
      {"sin parametro de salida", nullptr, OE_PRIMERO, OE_ERROR_PARAM},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje.Puntero(), caso.destino, caso.modo), caso.esperado);
  }
  EXPECT_EQ(nulo, nullptr);
  EXPECT_EQ(como_destino, una_carpeta);
  mensaje->Texto = nullptr;
  EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje.Puntero(), &nulo, OE_PRIMERO), OE_ERROR_PARAM);
  EXPECT_EQ(nulo, nullptr);
}

}  // namespace
}  // namespace orvex
