// Where the folders of this store come from: the registry's store root and the mailbox files
// of its Mail directory.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "almacen_imn/imn.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// With no mailbox in the Mail directory (only a file of another kind) there are no folders;
// a mailbox without its index, or whose index counts no message (0 or less, signed), is a folder
// without messages, and the backend's own listing reads the count again. Detection already needs
// the value; the backend is asked directly without it.
TEST(CarpetasImnTest, SinBuzonesOSinMensajes) {
  // The mailbox's index (none: no mailbox) and the count in its header, then the first result
  // and each folder with its count, the first result of its listing (the record claiming one
  // message) and the count the listing left.
  using Indice = std::optional<IndiceImn>;
  const std::tuple<Indice, std::optional<uint32_t>, std::string> casos[] = {
      {std::nullopt, std::nullopt, "1"},
      {IndiceImn::kNormal, std::nullopt, "0 Solo:1:0:1 2"},
      {IndiceImn::kAusente, std::nullopt, "0 Solo:0:1:1 2"},
      {IndiceImn::kNormal, 0x80000000u, "0 Solo:0:4:0 2"}};
  for (const auto& [indice, num, esperado] : casos) {
    std::vector<BuzonImn> buzones;
    if (indice) {
      buzones.push_back(Buzon("Solo", {MensajeVivo(1, MensajeSimple(), "x")}));
      buzones.back().indice = *indice;
      buzones.back().num_mensajes = num;
    }
    AlmacenInstalado almacen(buzones);
    almacen.Escribir("Mail/notas.txt", std::vector<uint8_t>(20, 'x'));
    OE_CARPETA* c = nullptr;
    std::string visto = std::to_string(imn::ObtenerCarpetas(&c, OE_PRIMERO));
    uint32_t r = OE_OK;
    while (c != nullptr && (r = imn::ObtenerCarpetas(&c, OE_SIGUIENTE)) == OE_OK) {
      visto += " " + std::string(c->Nombre) + ":" + std::to_string(c->NumMensajes);
      c->NumMensajes = 1;
      OE_MENSAJE* m = nullptr;
      const uint32_t primero = imn::ObtenerMensajes(c, &m, OE_PRIMERO);
      visto += ":" + std::to_string(primero) + ":" + std::to_string(c->NumMensajes);
      if (m != nullptr) imn::ObtenerMensajes(c, &m, OE_CERRAR);
    }
    if (r != OE_OK) visto += " " + std::to_string(r);
    if (c != nullptr) imn::ObtenerCarpetas(&c, OE_CERRAR);
    EXPECT_EQ(visto, esperado);
  }
}

}  // namespace
}  // namespace orvex::pruebas
