#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/orvex.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

using namespace pruebas;

// Lists every destination through the export; the record is closed before returning.
std::vector<std::string> Destinos(OE_MENSAJE* mensaje) {
  std::vector<std::string> lista;
  OE_DESTINO* destino = nullptr;
  EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje, &destino, OE_PRIMERO), OE_OK);
  if (destino == nullptr) return lista;
  EXPECT_EQ(destino->Tamano, OE_TAM_DESTINO);
  const uint32_t num = destino->NumDestinos;
  uint32_t r;
  while ((r = OE_ObtenerDestinoMsg(mensaje, &destino, OE_SIGUIENTE)) == OE_OK && lista.size() <= num) {
    lista.emplace_back(destino->Destino);
    EXPECT_EQ(destino->Indice, lista.size());
  }
  EXPECT_EQ(r, OE_FIN);
  EXPECT_EQ(lista.size(), num);
  EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje, &destino, OE_CERRAR), OE_OK);
  EXPECT_EQ(destino, nullptr);
  return lista;
}

// The parser reads the To entries (its own table covers how); the listing hands them out.
TEST(DestinosTest, ListaLasDireccionesDelTo) {
  const std::pair<std::string, std::vector<std::string>> casos[] = {
      {Componer(Mensaje("a@b", "luis@ejemplo.es, Pepa Gil <pepa@ejemplo.es>", "s", TextoPlano("x\n"))),
       {"luis@ejemplo.es", "pepa@ejemplo.es"}},
      {"To: a@b,\r\n\tCe <c@d>\r\nSubject: s\r\n\r\nx\r\n", {"a@b", "c@d"}},
      {"To: " + std::string(240, 'd'), {std::string(240, 'd')}},
      {"Subject: sin To\r\n\r\nx\r\n", {}},
      {"", {}},
  };
  for (const auto& [texto, esperado] : casos) {
    SCOPED_TRACE(texto);
    RegistroMensaje mensaje(texto);
    EXPECT_EQ(Destinos(mensaje.Puntero()), esperado);
  }
}

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

// Each page-allocator region in turn fails while mode 1 reads the header: the record is either
// refused with 8 (host pointer null) or the failure propagates with nothing handed out.
TEST(DestinosTest, UnFalloDeMemoriaNoDejaRegistroAMedias) {
  RegistroMensaje mensaje(Componer(Mensaje("a@b", "uno@b, dos@b, Tres <tres@b>", "s", TextoPlano("x\n"))));
  auto& ganchos = plataforma::Ganchos();
  const int region = static_cast<int>(plataforma::Operacion::kRegion);
  bool fallo_alguno = true;
  for (uint64_t n = 1; fallo_alguno && n < 100; ++n) {
    SCOPED_TRACE(n);
    ganchos.Reiniciar();
    ganchos.fallar_en[region] = n;
    OE_DESTINO* destino = nullptr;
    uint32_t r = OE_ERROR;
    try {
      r = OE_ObtenerDestinoMsg(mensaje.Puntero(), &destino, OE_PRIMERO);
    } catch (const CL_EXCEPCION_MEMORIA&) {
    }
    fallo_alguno = ganchos.contador[region] >= n;
    ganchos.Reiniciar();
    EXPECT_EQ(destino != nullptr, r == OE_OK);
    EXPECT_EQ(r == OE_OK, !fallo_alguno);
    if (destino != nullptr) {
      EXPECT_EQ(destino->NumDestinos, 3u);
      EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje.Puntero(), &destino, OE_CERRAR), OE_OK);
    }
  }
  EXPECT_FALSE(fallo_alguno);
}

}  // namespace
}  // namespace orvex
