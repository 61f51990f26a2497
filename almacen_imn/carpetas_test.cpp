// Where the folders of this store come from: the registry's store root and the mailbox files
// of its Mail directory.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "almacen_imn/imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// Without the registry's root, or with no mailbox in the Mail directory, there are no folders;
// a mailbox without its index, or whose index counts no message (0 or less, signed), is a folder
// without messages, and the backend's own listing reads the count again. Detection already needs
// the value; the backend is asked directly without it.
TEST(CarpetasImnTest, SinRaizSinBuzonesOSinMensajes) {
  // With the root, the mailbox's index (none: no mailbox) and the count in its header, then the
  // first result and each folder with its count, the first result of its listing (the record
  // claiming one message) and the count the listing left.
  using Indice = std::optional<IndiceImn>;
  const std::tuple<bool, Indice, std::optional<uint32_t>, std::string> casos[] = {
      {false, std::nullopt, std::nullopt, "1"},
      {true, std::nullopt, std::nullopt, "1"},
      {true, IndiceImn::kNormal, std::nullopt, "0 Solo:1:0:1 2"},
      {true, IndiceImn::kAusente, std::nullopt, "0 Solo:0:1:1 2"},
      {true, IndiceImn::kNormal, 0, "0 Solo:0:4:0 2"},
      {true, IndiceImn::kNormal, 0xFFFFFFFFu, "0 Solo:0:4:0 2"},
      {true, IndiceImn::kNormal, 0x80000000u, "0 Solo:0:4:0 2"}};
  for (const auto& [con_raiz, indice, num, esperado] : casos) {
    DirectorioTemporal dir;
    std::vector<BuzonImn> buzones;
    if (indice) {
      buzones.push_back(Buzon("Solo", {MensajeVivo(1, MensajeSimple(), "x")}));
      buzones.back().indice = *indice;
      buzones.back().num_mensajes = num;
    }
    EscribirAlmacenImn(dir.Ruta(), buzones);
    dir.Escribir("Mail/notas.txt", std::string("not a mailbox"));
    RegistroPrueba registro;
    DescribirRegistroImn(registro, con_raiz ? std::optional<std::string>(dir.Ruta()) : std::nullopt);
    registro.Instalar();
    OE_ObtenerVersionOE();
    OE_CARPETA* c = nullptr;
    std::string visto = std::to_string(imn::ObtenerCarpetas(&c, OE_PRIMERO));
    for (uint32_t r = OE_OK; c != nullptr && r == OE_OK;) {
      if ((r = imn::ObtenerCarpetas(&c, OE_SIGUIENTE)) != OE_OK) {
        visto += " " + std::to_string(r);
        continue;
      }
      visto += " " + std::string(c->Nombre) + ":" + std::to_string(c->NumMensajes);
      c->NumMensajes = 1;
      OE_MENSAJE* m = nullptr;
      const uint32_t primero = imn::ObtenerMensajes(c, &m, OE_PRIMERO);
      visto += ":" + std::to_string(primero) + ":" + std::to_string(c->NumMensajes);
      EXPECT_TRUE(primero == OE_OK || m == nullptr) << primero;
      if (m != nullptr) imn::ObtenerMensajes(c, &m, OE_CERRAR);
    }
    if (c != nullptr) imn::ObtenerCarpetas(&c, OE_CERRAR);
    EXPECT_EQ(visto, esperado);
  }
}

}  // namespace
}  // namespace orvex::pruebas
