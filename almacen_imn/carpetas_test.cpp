// Where the folders of this store come from: the registry's store root and the mailbox files
// of its Mail directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <optional>
#include <tuple>
#include <vector>

#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

TEST(CarpetasImnTest, UnIndiceAusenteDejaLaCarpetaSinMensajes) {
  AlmacenImnInstalado almacen(AlmacenImnEjemplo());
  std::remove(almacen.Directorio().RutaDe("Mail/Inbox.idx").c_str());
  CarpetaAbierta c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  EXPECT_STREQ(c.c->Nombre, "Inbox");
  EXPECT_EQ(c.c->NumMensajes, 0u);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_SIN_MENSAJES);
}

TEST(RaizImnTest, LaRaizLlevaAlDirectorioMail) {
  const std::tuple<std::optional<std::string>, uint32_t, const char*> casos[] = {
      {"C:\\Stores", 0, "C:\\Stores\\Mail"}, {"C:\\Stores\\", 0, "C:\\Stores\\Mail"}, {std::nullopt, 1, ""}};
  for (const auto& [raiz, resultado, directorio] : casos) {
    SCOPED_TRACE(raiz.value_or("sin valor"));
    RegistroPrueba registro;
    DescribirRegistroImn(registro, raiz);
    registro.Instalar();
    char buffer[260];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(imn::ObtenerRaizIMN(buffer), resultado);
    EXPECT_STREQ(buffer, directorio);
  }
}

TEST(AlmacenImnVacioTest, SinRaizOSinBuzonesNoHayCarpetas) {
  struct Caso {
    const char* nombre;
    bool con_raiz;
    bool con_buzon;
    uint32_t resultado;
  };
  const Caso casos[] = {
      {"sin raiz", false, false, OE_ERROR}, {"sin buzones", true, false, OE_ERROR}, {"con un buzon", true, true, OE_OK}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    std::vector<BuzonImn> buzones;
    if (caso.con_buzon) buzones.push_back(Buzon("Solo", {MensajeVivo(1, MensajeSimple(), "x")}));
    EscribirAlmacenImn(dir.Ruta(), buzones);
    dir.Escribir("Mail/notas.txt", std::string("not a mailbox"));
    RegistroPrueba registro;
    DescribirRegistroImn(registro, caso.con_raiz ? std::optional<std::string>(dir.Ruta()) : std::nullopt);
    registro.Instalar();
    OE_ObtenerVersionOE();
    // Detection already needs the value; the backend is asked directly without it.
    OE_CARPETA* c = nullptr;
    EXPECT_EQ(imn::ObtenerCarpetas(&c, OE_PRIMERO), caso.resultado);
    EXPECT_EQ(c != nullptr, caso.resultado == OE_OK);
    if (c != nullptr) {
      ASSERT_EQ(imn::ObtenerCarpetas(&c, OE_SIGUIENTE), OE_OK);
      EXPECT_STREQ(c->Nombre, "Solo");
      EXPECT_EQ(imn::ObtenerCarpetas(&c, OE_SIGUIENTE), OE_FIN);
      imn::ObtenerCarpetas(&c, OE_CERRAR);
    }
  }
}

}  // namespace
}  // namespace orvex::pruebas
