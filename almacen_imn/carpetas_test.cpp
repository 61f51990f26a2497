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

// Without the registry's root, or with no mailbox in the Mail directory, there are no folders.
// Detection already needs the value; the backend is asked directly without it.
TEST(AlmacenImnVacioTest, SinRaizOSinBuzonesNoHayCarpetas) {
  // With the root, with a mailbox, and the first result then the folders listed.
  const std::tuple<bool, bool, std::string> casos[] = {{false, false, "1"}, {true, false, "1"}, {true, true, "0 Solo 2"}};
  for (const auto& [con_raiz, con_buzon, esperado] : casos) {
    DirectorioTemporal dir;
    std::vector<BuzonImn> buzones;
    if (con_buzon) buzones.push_back(Buzon("Solo", {MensajeVivo(1, MensajeSimple(), "x")}));
    EscribirAlmacenImn(dir.Ruta(), buzones);
    dir.Escribir("Mail/notas.txt", std::string("not a mailbox"));
    RegistroPrueba registro;
    DescribirRegistroImn(registro, con_raiz ? std::optional<std::string>(dir.Ruta()) : std::nullopt);
    registro.Instalar();
    OE_ObtenerVersionOE();
    OE_CARPETA* c = nullptr;
    std::string visto = std::to_string(imn::ObtenerCarpetas(&c, OE_PRIMERO));
    for (uint32_t r = OE_OK; c != nullptr && r == OE_OK;) {
      r = imn::ObtenerCarpetas(&c, OE_SIGUIENTE);
      visto += " " + (r == OE_OK ? std::string(c->Nombre) : std::to_string(r));
    }
    if (c != nullptr) imn::ObtenerCarpetas(&c, OE_CERRAR);
    EXPECT_EQ(visto, esperado);
  }
}

}  // namespace
}  // namespace orvex::pruebas
