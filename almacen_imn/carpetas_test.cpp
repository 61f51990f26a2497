// Folders of a built store through the public exports: every mailbox file is a folder, in the
// directory's listing order (sorted by name on POSIX), without subfolders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "pruebas/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

// Id, Indice, Nombre, RutaBuzon, RutaIndice and NumMensajes of a folder record.
using CarpetaVistaImn = std::tuple<uint32_t, uint32_t, std::string, std::string, std::string, uint32_t>;

CarpetaVistaImn Vista(const OE_CARPETA& c) {
  EXPECT_EQ(c.NumSubCarpetas, 0u);
  EXPECT_EQ(c.PosCarpeta, 0u);
  EXPECT_STREQ(c.RutaAlmacen, "");
  return {c.IdCarpeta, c.Indice, c.Nombre, c.RutaBuzon, c.RutaIndice, c.NumMensajes};
}

class CarpetasImnTest : public ::testing::Test {
 protected:
  CarpetasImnTest() : almacen_(AlmacenImnEjemplo()) {}
  // Drafts' index is foreign: it has no messages. Inbox counts its three live ones.
  CarpetaVistaImn Esperada(uint32_t i) const {
    const std::string n = i == 0 ? "Drafts" : i == 1 ? "Inbox" : "Sent";
    return {i, i, n, almacen_.RutaLector(n + ".mbx"), almacen_.RutaLector(n + ".idx"), i == 0 ? 0u : i == 1 ? 3u : 1u};
  }
  AlmacenImnInstalado almacen_;
};

TEST_F(CarpetasImnTest, AmbasEnumeracionesDanLosBuzonesEnOrdenDeListado) {
  EXPECT_EQ(almacen_.Version(), VERSION_IMN);
  for (auto paso : {&OE_ObtenerCarpetas, &OE_ObtenerCarpetasPrincipales}) {
    OE_CARPETA* c = nullptr;
    ASSERT_EQ(paso(&c, OE_PRIMERO), OE_OK);
    // Mode 1 gives no folder, only the walk's own words; modes it does not know do nothing.
    EXPECT_EQ(c->Tamano, OE_TAM_CARPETA);
    EXPECT_STREQ(c->Nombre, "");
    EXPECT_EQ(imn::Palabra(*c, imn::kCarpetaNumBuzones), 3u);
    EXPECT_EQ(imn::Palabra(*c, imn::kCarpetaSiguienteBuzon), 0u);
    ASSERT_NE(imn::RutasBuzones(*c), nullptr);
    EXPECT_EQ(imn::RutasBuzones(*c)[3], nullptr);
    EXPECT_EQ(paso(&c, 7), OE_FIN);
    for (uint32_t i = 0; i < 3; ++i) {
      ASSERT_EQ(paso(&c, OE_SIGUIENTE), OE_OK);
      EXPECT_EQ(Vista(*c), Esperada(i));
    }
    EXPECT_EQ(paso(&c, OE_SIGUIENTE), OE_FIN);
    EXPECT_EQ(paso(&c, OE_CERRAR), OE_FIN);
    EXPECT_EQ(c, nullptr);
  }
}

TEST_F(CarpetasImnTest, LaBusquedaPorEntryIdDaLaCarpetaDeEseIndiceSinSubcarpetas) {
  const std::pair<uint32_t, uint32_t> casos[] = {
      {0, OE_OK}, {1, OE_OK}, {2, OE_OK}, {3, OE_ERROR_PARAM}, {0xFFFFFFFFu, OE_ERROR_PARAM}};
  for (const auto& [id, resultado] : casos) {
    SCOPED_TRACE(id);
    OE_ENTRYID e{id, 12345};  // the second word is not looked at
    OE_CARPETA* c = nullptr;
    ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO), resultado);
    if (resultado != OE_OK) {
      EXPECT_EQ(c, nullptr);
      continue;
    }
    EXPECT_EQ(Vista(*c), Esperada(id));
    OE_CARPETA* hija = nullptr;
    EXPECT_EQ(OE_ObtenerSubCarpetas(c, &hija, OE_PRIMERO), OE_SIN_SUBCARPETAS);
    EXPECT_EQ(hija, nullptr);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, 9), OE_OK);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR), OE_OK);
    EXPECT_EQ(c, nullptr);
  }
}

TEST_F(CarpetasImnTest, RegistrosAjenosSeRechazan) {
  OE_MENSAJE mensaje{};
  mensaje.Tamano = OE_TAM_MENSAJE;
  OE_CARPETA* c = reinterpret_cast<OE_CARPETA*>(&mensaje);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_ERROR_PARAM);
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_SIGUIENTE), OE_ERROR_PARAM);

  CarpetaImn inbox(1);
  ASSERT_EQ(inbox.resultado, OE_OK);
  OE_CARPETA carpeta{};
  carpeta.Tamano = OE_TAM_CARPETA;
  OE_MENSAJE* m = reinterpret_cast<OE_MENSAJE*>(&carpeta);
  EXPECT_EQ(OE_ObtenerMensajes(inbox.c, &m, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerMensajes(inbox.c, &m, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(imn::ObtenerMensajes(nullptr, &m, OE_PRIMERO), OE_ERROR_PARAM);
}

TEST_F(CarpetasImnTest, UnIndiceAusenteDejaLaCarpetaSinMensajes) {
  std::remove(almacen_.Directorio().RutaDe("Mail/Inbox.idx").c_str());
  CarpetaImn c(1);
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
