// Cross-check with a peer reader: Debian's undbx extracts the messages of a built store, and
// every text this store's listing loads must equal one of its files byte for byte. Skipped
// when undbx is not on PATH.
#include <gtest/gtest.h>

#include "pruebas/prueba_almacen.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

TEST(UndbxTest, CadaTextoCargadoEsElDelLectorPar) {
  if (!HayUndbx()) GTEST_SKIP() << "undbx no esta en PATH";
  AlmacenDbx d = AlmacenEjemplo();
  ArchivoMensajesDbx grande;
  grande.arbol = {5, FormaArbol::kMixto};
  for (uint32_t i = 0; i < 40; ++i) {
    const std::string n = std::to_string(i);
    std::string lineas;
    for (uint32_t l = 0; l < (i * 37) % 90; ++l) lineas += "Linea " + std::to_string(l) + " del mensaje " + n + "\n";
    const std::string texto =
        i % 4 == 0 ? MensajeConAdjunto(lineas)
                   : Componer(Mensaje("r" + n + "@example.org", "ana@example.org", "Prueba " + n, TextoPlano(lineas)));
    MensajeDbx m = Mensaje(100 + i, texto, FileTime(2001, 3, 1 + static_cast<int>(i % 28), 10, static_cast<int>(i)));
    m.bloque_en_area = i % 3 == 1;
    m.asunto = "Prueba " + n;
    m.nombre_remitente = "Remitente " + n;
    m.direccion_remitente = "r" + n + "@example.org";
    grande.mensajes.push_back(m);
  }
  d.carpetas.push_back(Carpeta(30, 1, "Grande", "Grande.dbx", grande));
  AlmacenInstalado almacen(d);
  std::size_t comparadas = 0;
  for (const CarpetaDbx& carpeta : d.carpetas) {
    if (!carpeta.mensajes || carpeta.mensajes->mensajes.empty()) continue;
    SCOPED_TRACE(carpeta.nombre);
    CarpetaAbierta c(carpeta.id);
    ASSERT_EQ(c.resultado, OE_OK);
    const std::vector<std::string> nuestros = TextosOrdenados(Listar(c.c));
    ASSERT_EQ(nuestros.size(), carpeta.mensajes->mensajes.size());
    EXPECT_EQ(nuestros, TextosUndbx(almacen.Directorio().RutaDe(NombreArchivo(carpeta)),
                                    almacen.Directorio().RutaDe("undbx")));
    comparadas += nuestros.size();
  }
  EXPECT_EQ(comparadas, 9u + 40u);
}

}  // namespace
}  // namespace orvex::pruebas
