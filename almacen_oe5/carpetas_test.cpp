// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>

#include "almacen_oe5/areas.h"
#include "almacen_oe5/formato_dbx.h"
#include "almacen_oe5/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

class CarpetasOe5Test : public ::testing::Test {
 protected:
  CarpetasOe5Test() : almacen_(AlmacenEjemplo()) {}

  CarpetaVista Esperada(uint32_t id, uint32_t padre, const char* nombre, uint32_t num, const char* archivo) {
    return {id, padre, nombre, num, archivo[0] == '\0' ? std::string() : almacen_.RutaLector(archivo)};
  }

  AlmacenInstalado almacen_;
};

TEST_F(CarpetasOe5Test, ElRegistroRaizDescribeElAlmacen) {
  ASSERT_EQ(VersionOE, VERSION_OE5);
  CursorCarpeta cursor;
  ASSERT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_PRIMERO), OE_OK);
  const OE_CARPETA& c = *cursor.c;
  EXPECT_EQ(c.Tamano, OE_TAM_CARPETA);
  EXPECT_EQ(c.IdCarpeta, 0u);
  EXPECT_EQ(c.IdPadre, 0u);
  EXPECT_STREQ(c.Nombre, "Outlook Express");
  EXPECT_EQ(c.PosCarpeta, dbx::kPosObjetoRaiz);
  EXPECT_EQ(std::string(c.RutaAlmacen), almacen_.RutaLector("folders.dbx"));
  EXPECT_STREQ(c.RutaIndice, "");
  EXPECT_EQ(c.NumSubCarpetas, 7u);
  EXPECT_EQ(c.NumMensajes, 0u);
  EXPECT_EQ(c.PosSiguiente, almacen_.Escrito().carpetas.objetos[0]);
  // The object list holds every folder object in walk order, 9712 left out.
  const auto& objetos = almacen_.Escrito().carpetas.objetos;
  for (uint32_t i = 0; i < objetos.size(); ++i) EXPECT_EQ(oe5::ObjetoLista(c, i), objetos[i]) << i;
  EXPECT_EQ(oe5::ObjetoLista(c, static_cast<uint32_t>(objetos.size())), 0u);
}

TEST_F(CarpetasOe5Test, TodasLasCarpetasEnElOrdenDelArbol) {
  const Recorrido r = Recorrer(OE_ObtenerCarpetas);
  ASSERT_EQ(r.primero, OE_OK);
  EXPECT_EQ(r.final, OE_FIN);
  // A top-level folder keeps the message-file path of the folder read before it.
  const std::vector<CarpetaVista> esperadas = {
      Esperada(1, 0, "Local Folders", 0, ""),
      Esperada(4, 1, "Inbox", 5, "Inbox.dbx"),
      Esperada(10, 4, "Proyectos", 2, "Proyectos.dbx"),
      Esperada(11, 10, "2001", 1, "2001.dbx"),
      Esperada(5, 1, "Outbox", 0, "Outbox.dbx"),
      Esperada(6, 1, "Sent Items", 1, "Sent Items.dbx"),
      Esperada(9, 0, "Hotmail", 0, "Sent Items.dbx"),
  };
  EXPECT_EQ(r.carpetas, esperadas);
}

TEST_F(CarpetasOe5Test, LosCursoresAvanzanPorLaListaDeObjetos) {
  CursorCarpeta cursor;
  ASSERT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_PRIMERO), OE_OK);
  const auto& objetos = almacen_.Escrito().carpetas.objetos;
  uint32_t anterior_pos = dbx::kPosObjetoRaiz, anterior_id = 0;
  for (uint32_t i = 0; i < objetos.size(); ++i) {
    ASSERT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_SIGUIENTE), OE_OK);
    const OE_CARPETA& c = *cursor.c;
    EXPECT_EQ(c.PosCarpeta, objetos[i]);
    EXPECT_EQ(c.PosAux, anterior_pos);
    EXPECT_EQ(c.Indice, anterior_id);
    EXPECT_EQ(oe5::Palabra(c, oe5::kCarpetaIndiceLista), i + 1);
    EXPECT_EQ(c.PosSiguiente, i + 1 < objetos.size() ? objetos[i + 1] : 0u);
    EXPECT_EQ(c.NumSubCarpetas, 1u);
    EXPECT_EQ(std::string(c.RutaBuzon), std::string(c.RutaIndice));
    anterior_pos = c.PosCarpeta;
    anterior_id = c.IdCarpeta;
  }
  const OE_CARPETA antes = *cursor.c;
  EXPECT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(std::memcmp(&antes, cursor.c, sizeof antes), 0);
}

TEST_F(CarpetasOe5Test, PrincipalesSaltanLasCarpetasConPadre) {
  const Recorrido r = Recorrer(OE_ObtenerCarpetasPrincipales);
  ASSERT_EQ(r.primero, OE_OK);
  EXPECT_EQ(r.final, OE_FIN);
  ASSERT_EQ(r.carpetas.size(), 2u);
  EXPECT_EQ(r.carpetas[0].nombre, "Local Folders");
  EXPECT_EQ(r.carpetas[1].nombre, "Hotmail");
}

TEST_F(CarpetasOe5Test, SubcarpetasDeCadaNivel) {
  struct Caso {
    uint32_t padre;
    std::vector<std::string> hijas;
  };
  const Caso casos[] = {
      {1, {"Inbox", "Outbox", "Sent Items"}},
      {4, {"Proyectos"}},
      {10, {"2001"}},
      {11, {}},
      {9, {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.padre);
    CarpetaAbierta padre(caso.padre);
    ASSERT_EQ(padre.resultado, OE_OK);
    const Recorrido r = Recorrer([&](OE_CARPETA** c, uint32_t modo) { return OE_ObtenerSubCarpetas(padre.c, c, modo); });
    ASSERT_EQ(r.primero, OE_OK);
    EXPECT_EQ(r.final, OE_FIN);
    std::vector<std::string> nombres;
    for (const auto& c : r.carpetas) {
      EXPECT_EQ(c.padre, caso.padre);
      nombres.push_back(c.nombre);
    }
    EXPECT_EQ(nombres, caso.hijas);
  }
}

TEST_F(CarpetasOe5Test, LasHijasDeLaRaizSonLasCarpetasPrincipales) {
  CursorCarpeta raiz;
  ASSERT_EQ(OE_ObtenerCarpetas(&raiz.c, OE_PRIMERO), OE_OK);
  const Recorrido r = Recorrer([&](OE_CARPETA** c, uint32_t modo) { return OE_ObtenerSubCarpetas(raiz.c, c, modo); });
  ASSERT_EQ(r.carpetas.size(), 2u);
  EXPECT_EQ(r.carpetas[0].id, 1u);
  EXPECT_EQ(r.carpetas[1].id, 9u);
}

TEST_F(CarpetasOe5Test, ElCursorDeHijasNaceDeUnaCopiaSinLeer) {
  CarpetaAbierta padre(1);
  ASSERT_EQ(padre.resultado, OE_OK);
  OE_CARPETA* hijas = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(padre.c, &hijas, OE_PRIMERO), OE_OK);
  EXPECT_EQ(hijas->IdPadre, 1u);
  EXPECT_EQ(hijas->PosSiguiente, almacen_.Escrito().carpetas.objetos[0]);
  EXPECT_EQ(hijas->PosAux, 0u);
  EXPECT_EQ(oe5::Palabra(*hijas, oe5::kCarpetaIndiceLista), 0u);
  EXPECT_STREQ(hijas->Nombre, "Local Folders");
  EXPECT_EQ(OE_ObtenerSubCarpetas(padre.c, &hijas, 9), OE_FIN);
  EXPECT_EQ(OE_ObtenerSubCarpetas(padre.c, &hijas, OE_CERRAR), OE_OK);
  EXPECT_EQ(hijas, nullptr);
}

TEST_F(CarpetasOe5Test, BusquedaPorId) {
  struct Caso {
    uint32_t id;
    uint32_t resultado;
    const char* nombre;
  };
  const Caso casos[] = {
      {6, OE_OK, "Sent Items"}, {1, OE_OK, "Local Folders"}, {9, OE_OK, "Hotmail"},
      {11, OE_OK, "2001"},      {99, OE_ERROR, nullptr},     {0, OE_ERROR, nullptr},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.id);
    CarpetaAbierta c(caso.id);
    EXPECT_EQ(c.resultado, caso.resultado);
    // A search that finds nothing leaves no record behind.
    if (caso.nombre == nullptr) {
      EXPECT_EQ(c.c, nullptr);
      continue;
    }
    ASSERT_NE(c.c, nullptr);
    EXPECT_EQ(c.c->IdCarpeta, caso.id);
    EXPECT_STREQ(c.c->Nombre, caso.nombre);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &c.c, OE_SIGUIENTE), OE_OK);
  }
}

TEST(CarpetasOe5DanadasTest, BusquedaPorIdPasaPorEncimaDeLasDanadas) {
  AlmacenDbx d;
  d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, "Inbox"), Carpeta(5, 1, "Outbox"),
                Carpeta(6, 1, "Sent Items")};
  AlmacenInstalado almacen(d);
  const MapaDbx& mapa = almacen.Escrito().carpetas;
  // The second and third folder objects run past the end of the file.
  std::vector<uint8_t> b = mapa.bytes;
  PonerPalabra(b, mapa.objetos[1] + dbx::kObjLongCuerpo, 0x7FFFFFFF);
  PonerPalabra(b, mapa.objetos[2] + dbx::kObjLongCuerpo, 0x7FFFFFFF);
  almacen.Reescribir("folders.dbx", b);
  struct Caso {
    uint32_t id;
    uint32_t resultado;
  };
  const Caso casos[] = {{1, OE_OK}, {6, OE_OK}, {4, OE_ERROR}, {99, OE_ERROR}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.id);
    CarpetaAbierta c(caso.id);
    EXPECT_EQ(c.resultado, caso.resultado);
    if (caso.resultado == OE_OK) {
      ASSERT_NE(c.c, nullptr);
      EXPECT_EQ(c.c->IdCarpeta, caso.id);
    } else {
      EXPECT_EQ(c.c, nullptr);
    }
  }
}

TEST_F(CarpetasOe5Test, ValoresDelIndiceDeLaCarpeta) {
  AlmacenDbx d = AlmacenEjemplo();
  d.carpetas[1].valor_88 = 0x123456;
  d.carpetas[1].num_mensajes = 0xABCDEF;
  AlmacenInstalado otro(d);
  CarpetaAbierta c(4);
  ASSERT_EQ(c.resultado, OE_OK);
  EXPECT_EQ(oe5::Palabra(*c.c, oe5::kCarpeta88), 0x123456u);
  EXPECT_EQ(c.c->NumMensajes, 0xABCDEFu);
}

TEST_F(CarpetasOe5Test, ArchivoDeLaCarpetaSinIndice03) {
  struct Caso {
    const char* nombre;
    std::optional<std::string> archivo;
    std::string esperado;
  };
  const Caso casos[] = {
      {"Inbox", std::nullopt, "Inbox.dbx"},
      {"Inbox", "Otro.dbx", "Otro.dbx"},
      {"Inbox", "", ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.esperado);
    AlmacenDbx d;
    d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, caso.nombre, caso.archivo)};
    AlmacenInstalado otro(d);
    CarpetaAbierta c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    EXPECT_EQ(std::string(c.c->RutaIndice), caso.esperado.empty() ? "" : otro.RutaLector(caso.esperado));
    EXPECT_EQ(std::string(c.c->RutaBuzon), std::string(c.c->RutaIndice));
  }
}

TEST_F(CarpetasOe5Test, UnNombreDeArchivoQueSaleDeLaCarpetaDelAlmacenNoDaRuta) {
  struct Caso {
    const char* nombre;
    std::optional<std::string> archivo;
  };
  const Caso casos[] = {
      {"Inbox", "..\\x.dbx"}, {"Inbox", "..\\..\\otro\\x.dbx"}, {"Inbox", "a\\b.dbx"}, {"Inbox", "a/b.dbx"},
      {"Inbox", "C:x.dbx"},   {"Inbox", ".."},                    {"Inbox", "."},          {"..\\x", std::nullopt},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.archivo.value_or(caso.nombre));
    AlmacenDbx d;
    d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, caso.nombre, caso.archivo)};
    AlmacenInstalado otro(d);
    CarpetaAbierta c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    EXPECT_STREQ(c.c->Nombre, caso.nombre);
    EXPECT_STREQ(c.c->RutaIndice, "");
    EXPECT_STREQ(c.c->RutaBuzon, "");
    c.c->NumMensajes = 1;
    OE_MENSAJE* m = nullptr;
    EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_ERROR);
    EXPECT_EQ(m, nullptr);
  }
}

TEST_F(CarpetasOe5Test, FormasDeArbolDanElMismoOrden) {
  struct Caso {
    FormaArbol forma;
    uint32_t por_nodo;
    bool raiz_en_arbol;
  };
  const Caso casos[] = {
      {FormaArbol::kCadena08, 1, true},     {FormaArbol::kCadena08, 4, false}, {FormaArbol::kHijosEntrada, 2, true},
      {FormaArbol::kHijosEntrada, 1, false}, {FormaArbol::kMixto, 1, true},     {FormaArbol::kMixto, 3, false},
      {FormaArbol::kMixto, 51, true},
  };
  AlmacenDbx d;
  for (uint32_t i = 1; i <= 40; ++i) {
    d.carpetas.push_back(Carpeta(i, i % 3 == 0 ? 0 : i / 3 + 1, "C" + std::to_string(i)));
  }
  for (const Caso& caso : casos) {
    SCOPED_TRACE(static_cast<int>(caso.forma) * 100 + caso.por_nodo);
    d.arbol = {caso.por_nodo, caso.forma};
    d.raiz_en_arbol = caso.raiz_en_arbol;
    AlmacenInstalado otro(d);
    const Recorrido r = Recorrer(OE_ObtenerCarpetas);
    ASSERT_EQ(r.carpetas.size(), d.carpetas.size());
    for (uint32_t i = 0; i < d.carpetas.size(); ++i) EXPECT_EQ(r.carpetas[i].id, i + 1);
    EXPECT_EQ(r.final, OE_FIN);
  }
}

TEST_F(CarpetasOe5Test, SinIdentidadOSinAlmacen) {
  struct Caso {
    const char* nombre;
    std::function<void(AlmacenInstalado&)> preparar;
  };
  const Caso casos[] = {
      {"sin identidad", [](AlmacenInstalado&) { IdentidadActual[0] = '\0'; }},
      {"sin folders.dbx",
       [](AlmacenInstalado& a) { std::remove((a.Directorio().Ruta() + "/folders.dbx").c_str()); }},
      {"folders.dbx ajeno",
       [](AlmacenInstalado& a) {
         std::vector<uint8_t> b = a.Escrito().carpetas.bytes;
         PonerPalabra(b, 4, dbx::kFirmaMensajes);
         a.Reescribir("folders.dbx", b);
       }},
      {"primera firma ajena",
       [](AlmacenInstalado& a) {
         std::vector<uint8_t> b = a.Escrito().carpetas.bytes;
         PonerPalabra(b, 0, 0xFE12ADCE);
         a.Reescribir("folders.dbx", b);
       }},
      {"arbol vacio",
       [](AlmacenInstalado& a) {
         std::vector<uint8_t> b = a.Escrito().carpetas.bytes;
         PonerPalabra(b, dbx::kCabArbolCarpetas, 0);
         a.Reescribir("folders.dbx", b);
       }},
      {"mas corto que la cabecera",
       [](AlmacenInstalado& a) {
         std::vector<uint8_t> b = a.Escrito().carpetas.bytes;
         b.resize(dbx::kLeidoCabeceraCarpetas - 1);
         a.Reescribir("folders.dbx", b);
       }},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenInstalado a(AlmacenEjemplo());
    caso.preparar(a);
    for (auto paso : {OE_ObtenerCarpetas, OE_ObtenerCarpetasPrincipales}) {
      OE_CARPETA* c = nullptr;
      EXPECT_EQ(paso(&c, OE_PRIMERO), OE_ERROR);
      EXPECT_EQ(c, nullptr);
    }
    OE_CARPETA* c = nullptr;
    OE_ENTRYID e{4, 0};
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(&e, &c, OE_PRIMERO), OE_ERROR);
    EXPECT_EQ(c, nullptr);
  }
}

TEST_F(CarpetasOe5Test, ComprobacionesDeRegistros) {
  CursorCarpeta raiz;
  ASSERT_EQ(OE_ObtenerCarpetas(&raiz.c, OE_PRIMERO), OE_OK);
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&nulo, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&raiz.c, 7), OE_OK);
  // A message record where a folder is expected.
  OE_MENSAJE ajeno{};
  ajeno.Tamano = OE_TAM_MENSAJE;
  auto* falso = reinterpret_cast<OE_CARPETA*>(&ajeno);
  EXPECT_EQ(OE_ObtenerCarpetas(&falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerSubCarpetas(falso, &nulo, OE_PRIMERO), OE_ERROR_PARAM);
  OE_CARPETA* hijas = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(raiz.c, &hijas, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerSubCarpetas(raiz.c, &falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerSubCarpetas(raiz.c, &hijas, OE_CERRAR), OE_OK);
}

TEST_F(CarpetasOe5Test, UnCambioDeIdentidadValeEnElSiguienteModo1) {
  AlmacenDbx otra;
  otra.carpetas = {Carpeta(77, 0, "Solo")};
  DirectorioTemporal dir;
  EscribirAlmacen(dir.Ruta(), otra);
  RegistroDbx r;
  r.identidades = {{kIdentidadPrincipal, "Principal", almacen_.Directorio().Ruta(), false},
                   {kIdentidadSegunda, "Segunda", dir.Ruta(), false}};
  r.por_defecto = kIdentidadPrincipal;
  DescribirRegistro(almacen_.Registro(), r);
  almacen_.Registro().Instalar();

  CursorCarpeta viejo;
  ASSERT_EQ(OE_ObtenerCarpetas(&viejo.c, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_IniciarIdentities("Segunda"), 0u);
  const Recorrido nuevo = Recorrer(OE_ObtenerCarpetas);
  ASSERT_EQ(nuevo.carpetas.size(), 1u);
  EXPECT_EQ(nuevo.carpetas[0].nombre, "Solo");
  // The cursor opened before keeps its own store.
  ASSERT_EQ(OE_ObtenerCarpetas(&viejo.c, OE_SIGUIENTE), OE_OK);
  EXPECT_STREQ(viejo.c->Nombre, "Local Folders");
}

}  // namespace
}  // namespace orvex::pruebas
