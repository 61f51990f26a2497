// Folders of a built store through the public exports: every mailbox file is a folder, in the
// directory's listing order (sorted by name on POSIX), without subfolders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include <string>
#include <vector>

#include "almacen_imn/imn.h"
#include "almacen_imn/interno_imn.h"
#include "almacen_imn/prueba_imn.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

struct CarpetaVistaImn {
  uint32_t id;
  uint32_t indice;
  std::string nombre;
  std::string ruta_buzon;
  std::string ruta_indice;
  uint32_t num_mensajes;
  bool operator==(const CarpetaVistaImn&) const = default;
};

struct Recorrido {
  uint32_t primero = 0;
  std::vector<CarpetaVistaImn> carpetas;
  uint32_t final = 0;
  uint32_t cierre = 0;
};

// The export's calling convention is part of its type, so the step is any callable.
template <class Paso>
Recorrido Recorrer(Paso paso) {
  Recorrido r;
  OE_CARPETA* c = nullptr;
  r.primero = paso(&c, OE_PRIMERO);
  if (r.primero != OE_OK) {
    EXPECT_EQ(c, nullptr);
    return r;
  }
  for (int i = 0; i < 100; ++i) {
    const uint32_t res = paso(&c, OE_SIGUIENTE);
    if (res != OE_OK) {
      r.final = res;
      break;
    }
    r.carpetas.push_back({c->IdCarpeta, c->Indice, c->Nombre, c->RutaBuzon, c->RutaIndice, c->NumMensajes});
    EXPECT_EQ(c->NumSubCarpetas, 0u);
    EXPECT_EQ(c->PosCarpeta, 0u);
    EXPECT_STREQ(c->RutaAlmacen, "");
  }
  r.cierre = paso(&c, OE_CERRAR);
  EXPECT_EQ(c, nullptr);
  return r;
}

class CarpetasImnTest : public ::testing::Test {
 protected:
  CarpetasImnTest() : almacen_(AlmacenImnEjemplo()) {}
  std::vector<CarpetaVistaImn> Esperadas() const {
    auto vista = [&](uint32_t i, const std::string& n, uint32_t num) {
      return CarpetaVistaImn{i, i, n, almacen_.RutaLector(n + ".mbx"), almacen_.RutaLector(n + ".idx"), num};
    };
    // Drafts' index is foreign: it has no messages. Inbox counts its three live ones.
    return {vista(0, "Drafts", 0), vista(1, "Inbox", 3), vista(2, "Sent", 1)};
  }
  AlmacenImnInstalado almacen_;
};

TEST_F(CarpetasImnTest, LaCargaDetectaEstaGeneracion) { EXPECT_EQ(almacen_.Version(), VERSION_IMN); }

TEST_F(CarpetasImnTest, AmbasEnumeracionesDanLosBuzonesEnOrdenDeListado) {
  for (auto paso : {&OE_ObtenerCarpetas, &OE_ObtenerCarpetasPrincipales}) {
    const Recorrido r = Recorrer(paso);
    EXPECT_EQ(r.primero, OE_OK);
    EXPECT_EQ(r.carpetas, Esperadas());
    EXPECT_EQ(r.final, OE_FIN);
    EXPECT_EQ(r.cierre, OE_FIN);
  }
}

TEST_F(CarpetasImnTest, ElModo1NoDaCarpetaYOtrosModosNoHacenNada) {
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Tamano, OE_TAM_CARPETA);
  EXPECT_STREQ(c->Nombre, "");
  EXPECT_EQ(imn::Palabra(*c, imn::kCarpetaNumBuzones), 3u);
  EXPECT_EQ(imn::Palabra(*c, imn::kCarpetaSiguienteBuzon), 0u);
  ASSERT_NE(imn::RutasBuzones(*c), nullptr);
  EXPECT_EQ(imn::RutasBuzones(*c)[3], nullptr);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, 7), OE_FIN);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_FIN);
}

TEST_F(CarpetasImnTest, UnRegistroAjenoSeRechaza) {
  OE_MENSAJE otro{};
  otro.Tamano = OE_TAM_MENSAJE;
  OE_CARPETA* c = reinterpret_cast<OE_CARPETA*>(&otro);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_ERROR_PARAM);
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_SIGUIENTE), OE_ERROR_PARAM);
}

TEST_F(CarpetasImnTest, LaBusquedaPorEntryIdDaLaCarpetaDeEseIndice) {
  struct Caso {
    uint32_t id;
    uint32_t resultado;
  };
  const Caso casos[] = {{0, OE_OK}, {1, OE_OK}, {2, OE_OK}, {3, OE_ERROR_PARAM}, {0xFFFFFFFFu, OE_ERROR_PARAM}};
  const auto esperadas = Esperadas();
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.id);
    OE_ENTRYID e{caso.id, 12345};  // the second word is not looked at
    OE_CARPETA* c = nullptr;
    ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO), caso.resultado);
    if (caso.resultado != OE_OK) {
      EXPECT_EQ(c, nullptr);
      continue;
    }
    const CarpetaVistaImn v{c->IdCarpeta, c->Indice, c->Nombre, c->RutaBuzon, c->RutaIndice, c->NumMensajes};
    EXPECT_EQ(v, esperadas[caso.id]);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, 9), OE_OK);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR), OE_OK);
    EXPECT_EQ(c, nullptr);
  }
}

TEST_F(CarpetasImnTest, NingunaCarpetaTieneSubcarpetas) {
  CarpetaImn c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  OE_CARPETA* hija = nullptr;
  EXPECT_EQ(OE_ObtenerSubCarpetas(c.c, &hija, OE_PRIMERO), OE_SIN_SUBCARPETAS);
  EXPECT_EQ(hija, nullptr);
}

TEST_F(CarpetasImnTest, UnIndiceAusenteDejaLaCarpetaSinMensajes) {
  almacen_.Escribir("Inbox.idx", std::vector<uint8_t>{});
  std::remove(almacen_.Directorio().RutaDe("Mail/Inbox.idx").c_str());
  CarpetaImn c(1);
  ASSERT_EQ(c.resultado, OE_OK);
  EXPECT_STREQ(c.c->Nombre, "Inbox");
  EXPECT_EQ(c.c->NumMensajes, 0u);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_SIN_MENSAJES);
}

TEST(RaizImnTest, LaRaizLlevaAlDirectorioMail) {
  struct Caso {
    const char* nombre;
    std::optional<std::string> raiz;
    uint32_t resultado;
    const char* directorio;
  };
  const Caso casos[] = {
      {"sin barra", "C:\\Stores", 0, "C:\\Stores\\Mail"},
      {"con barra", "C:\\Stores\\", 0, "C:\\Stores\\Mail"},
      {"sin valor", std::nullopt, 1, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroPrueba registro;
    DescribirRegistroImn(registro, caso.raiz);
    registro.Instalar();
    char buffer[260];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(imn::ObtenerRaizIMN(buffer), caso.resultado);
    EXPECT_STREQ(buffer, caso.directorio);
  }
}

TEST(AlmacenImnVacioTest, SinRaizOSinBuzonesNoHayCarpetas) {
  struct Caso {
    const char* nombre;
    bool con_raiz;
    bool con_buzon;
    uint32_t resultado;
  };
  const Caso casos[] = {{"sin raiz", false, false, OE_ERROR},
                        {"sin buzones", true, false, OE_ERROR},
                        {"con un buzon", true, true, OE_OK}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    VariableEntorno zona("TZ", std::string("UTC0"));
    DirectorioTemporal dir;
    std::vector<BuzonImn> buzones;
    if (caso.con_buzon) {
      BuzonImn solo;
      solo.nombre = "Solo";
      solo.mensajes = {MensajeVivo(1, MensajeSimple(), "x")};
      buzones.push_back(solo);
    }
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

TEST(AreasImnTest, LosPunterosOcupanSuSitioSinPisarPalabras) {
  // Where pointers are 4 bytes the path list sits exactly at 9128 and the part table at 10700.
  if (sizeof(void*) == 4) {
    EXPECT_EQ(imn::kCarpetaRutasBuzones, 9128u);
    EXPECT_EQ(imn::kMensajeEntradas, 10700u);
  }
  OE_CARPETA c{};
  char* lista[1] = {nullptr};
  imn::PonerRutasBuzones(c, lista);
  EXPECT_EQ(imn::Palabra(c, imn::kCarpetaSiguienteBuzon), 0u);
  EXPECT_EQ(imn::Palabra(c, imn::kCarpetaNumBuzones), 0u);
  EXPECT_EQ(imn::RutasBuzones(c), lista);
  OE_MENSAJE m{};
  uint8_t tabla[1];
  imn::PonerEntradas(m, tabla);
  EXPECT_EQ(m.PosNextPart, 0u);
  EXPECT_EQ(m.PosCuerpo, 0u);
  EXPECT_EQ(imn::PartesDevueltas(m), 0u);
  EXPECT_EQ(imn::UltimaEntrada(m), 0u);
  EXPECT_EQ(imn::Entradas(m), tabla);
}

}  // namespace
}  // namespace orvex::pruebas
