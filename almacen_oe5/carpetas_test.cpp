// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "almacen_oe5/areas.h"
#include "almacen_oe5/formato_dbx.h"
#include "pruebas/prueba_almacen.h"

namespace orvex::pruebas {
namespace {

class CarpetasOe5Test : public ::testing::Test {
 protected:
  CarpetasOe5Test() : almacen_(AlmacenEjemplo()) {}
  AlmacenInstalado almacen_;
};

TEST_F(CarpetasOe5Test, TodasLasCarpetasEnElOrdenDelArbolConSusCursores) {
  ASSERT_EQ(VersionOE, VERSION_OE5);
  CursorCarpeta cursor;
  ASSERT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_PRIMERO), OE_OK);
  const OE_CARPETA& c = *cursor.c;
  const auto& objetos = almacen_.Escrito().carpetas.objetos;
  EXPECT_EQ(c.Tamano, OE_TAM_CARPETA);
  EXPECT_EQ(Vista(c), (CarpetaVista{0, 0, "Outlook Express", 0, ""}));
  EXPECT_EQ(c.PosCarpeta, dbx::kPosObjetoRaiz);
  EXPECT_EQ(std::string(c.RutaAlmacen), almacen_.RutaLector("folders.dbx"));
  EXPECT_EQ(c.NumSubCarpetas, 7u);
  std::vector<CarpetaVista> vistas;
  uint32_t anterior_pos = dbx::kPosObjetoRaiz, anterior_id = 0;
  for (uint32_t i = 0; i <= objetos.size(); ++i) {
    SCOPED_TRACE(i);
    // The object list holds every folder object in walk order, 9712 left out.
    EXPECT_EQ(oe5::ObjetoLista(c, i), i < objetos.size() ? objetos[i] : 0u);
    EXPECT_EQ(c.PosSiguiente, i < objetos.size() ? objetos[i] : 0u);
    if (i == objetos.size()) break;
    ASSERT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_SIGUIENTE), OE_OK);
    vistas.push_back(Vista(c));
    EXPECT_EQ(c.PosCarpeta, objetos[i]);
    EXPECT_EQ(c.PosAux, anterior_pos);
    EXPECT_EQ(c.Indice, anterior_id);
    EXPECT_EQ(oe5::Palabra(c, oe5::kCarpetaIndiceLista), i + 1);
    EXPECT_EQ(c.NumSubCarpetas, 1u);
    EXPECT_EQ(std::string(c.RutaBuzon), std::string(c.RutaIndice));
    anterior_pos = c.PosCarpeta;
    anterior_id = c.IdCarpeta;
  }
  auto ruta = [&](const char* f) { return almacen_.RutaLector(f); };
  // A top-level folder keeps the message-file path of the folder read before it.
  const std::vector<CarpetaVista> esperadas = {
      {1, 0, "Local Folders", 0, ""},           {4, 1, "Inbox", 5, ruta("Inbox.dbx")},
      {10, 4, "Proyectos", 2, ruta("Proyectos.dbx")}, {11, 10, "2001", 1, ruta("2001.dbx")},
      {5, 1, "Outbox", 0, ruta("Outbox.dbx")},  {6, 1, "Sent Items", 1, ruta("Sent Items.dbx")},
      {9, 0, "Hotmail", 0, ruta("Sent Items.dbx")},
  };
  EXPECT_EQ(vistas, esperadas);
  // Past the end the record stays as it was; a mode it does not know changes nothing either.
  const OE_CARPETA antes = c;
  EXPECT_EQ(OE_ObtenerCarpetas(&cursor.c, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(OE_ObtenerCarpetas(&cursor.c, 7), OE_OK);
  EXPECT_EQ(std::memcmp(&antes, cursor.c, sizeof antes), 0);
  // No cursor, or a message record where the cursor goes.
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&nulo, OE_SIGUIENTE), OE_ERROR_PARAM);
  OE_MENSAJE ajeno{};
  ajeno.Tamano = OE_TAM_MENSAJE;
  auto* falso = reinterpret_cast<OE_CARPETA*>(&ajeno);
  EXPECT_EQ(OE_ObtenerCarpetas(&falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerSubCarpetas(cursor.c, &falso, OE_SIGUIENTE), OE_ERROR_PARAM);
}

TEST_F(CarpetasOe5Test, BusquedaPorIdPrincipalesYSubcarpetas) {
  struct Caso {
    int padre;  // -1: the top-level walk; 0: the children of the root record; else of the folder found by id
    std::vector<uint32_t> ids;
  };
  const Caso casos[] = {{-1, {1, 9}}, {0, {1, 9}}, {1, {4, 5, 6}}, {4, {10}}, {10, {11}}, {11, {}}, {9, {}}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.padre);
    CursorCarpeta raiz;
    ASSERT_EQ(OE_ObtenerCarpetas(&raiz.c, OE_PRIMERO), OE_OK);
    const uint32_t id = static_cast<uint32_t>(std::max(caso.padre, 1));
    CarpetaAbierta padre(id);
    ASSERT_EQ(padre.resultado, OE_OK);
    EXPECT_EQ(padre.c->IdCarpeta, id);
    OE_CARPETA* de = caso.padre == 0 ? raiz.c : padre.c;
    const Recorrido r = caso.padre < 0 ? Recorrer(OE_ObtenerCarpetasPrincipales)
                                       : Recorrer([&](OE_CARPETA** c, uint32_t m) { return OE_ObtenerSubCarpetas(de, c, m); });
    ASSERT_EQ(r.primero, OE_OK);
    EXPECT_EQ(r.final, OE_FIN);
    std::vector<uint32_t> ids;
    for (const auto& c : r.carpetas) {
      EXPECT_EQ(c.padre, caso.padre > 0 ? id : 0u);
      ids.push_back(c.id);
    }
    EXPECT_EQ(ids, caso.ids);
    EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(nullptr, &padre.c, OE_SIGUIENTE), OE_OK);
  }
  // A search that finds nothing (the root's own id is never compared) still leaves the record,
  // moved past the last folder, for mode 3 to free.
  for (const uint32_t id : {99u, 0u}) {
    CarpetaAbierta c(id);
    EXPECT_EQ(c.resultado, OE_ERROR);
    ASSERT_NE(c.c, nullptr);
    EXPECT_EQ(c.c->PosSiguiente, 0u);
  }
  // The children's cursor starts as an unread copy of the parent.
  CarpetaAbierta padre(1);
  OE_CARPETA* hijas = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(padre.c, &hijas, OE_PRIMERO), OE_OK);
  EXPECT_EQ(hijas->IdPadre, 1u);
  EXPECT_STREQ(hijas->Nombre, "Local Folders");
  EXPECT_EQ(hijas->PosSiguiente, almacen_.Escrito().carpetas.objetos[0]);
  EXPECT_EQ(hijas->PosAux, 0u);
  EXPECT_EQ(oe5::Palabra(*hijas, oe5::kCarpetaIndiceLista), 0u);
  EXPECT_EQ(OE_ObtenerSubCarpetas(padre.c, &hijas, 9), OE_FIN);
  EXPECT_EQ(OE_ObtenerSubCarpetas(padre.c, &hijas, OE_CERRAR), OE_OK);
  EXPECT_EQ(hijas, nullptr);
}

TEST(CarpetasOe5IndiceTest, ValoresYArchivoDeLaCarpeta) {
  struct Caso {
    const char* nombre;
    std::optional<std::string> archivo;
    const char* ruta;  // "" where the name must not lead to a path
  };
  const Caso casos[] = {
      {"Inbox", std::nullopt, "Inbox.dbx"}, {"Inbox", "Otro.dbx", "Otro.dbx"}, {"Inbox", "", ""},
      // Names that would leave the store's folder.
      {"Inbox", "..\\x.dbx", ""}, {"Inbox", "..\\..\\otro\\x.dbx", ""}, {"Inbox", "a\\b.dbx", ""},
      {"Inbox", "a/b.dbx", ""},   {"Inbox", "C:x.dbx", ""},             {"Inbox", "..", ""},
      {"Inbox", ".", ""},         {"..\\x", std::nullopt, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.archivo.value_or(caso.nombre));
    AlmacenDbx d;
    d.carpetas = {Carpeta(1, 0, "Local Folders"), Carpeta(4, 1, caso.nombre, caso.archivo)};
    d.carpetas[1].valor_88 = 0x123456;
    d.carpetas[1].num_mensajes = 0xABCDEF;
    AlmacenInstalado almacen(d);
    CarpetaAbierta c(4);
    ASSERT_EQ(c.resultado, OE_OK);
    EXPECT_STREQ(c.c->Nombre, caso.nombre);
    EXPECT_EQ(oe5::Palabra(*c.c, oe5::kCarpeta88), 0x123456u);
    EXPECT_EQ(c.c->NumMensajes, 0xABCDEFu);
    EXPECT_EQ(std::string(c.c->RutaIndice), caso.ruta[0] == '\0' ? "" : almacen.RutaLector(caso.ruta));
    EXPECT_EQ(std::string(c.c->RutaBuzon), std::string(c.c->RutaIndice));
    if (caso.ruta[0] == '\0') {
      OE_MENSAJE* m = nullptr;
      EXPECT_EQ(OE_ObtenerMensajes(c.c, &m, OE_PRIMERO), OE_ERROR);
      EXPECT_EQ(m, nullptr);
    }
  }
}

TEST(CarpetasOe5FormasTest, FormasDeArbolDanElMismoOrden) {
  struct Caso {
    FormaArbol forma;
    uint32_t por_nodo;
    bool raiz_en_arbol;
  };
  const Caso casos[] = {
      {FormaArbol::kCadena08, 1, true},      {FormaArbol::kCadena08, 4, false}, {FormaArbol::kHijosEntrada, 2, true},
      {FormaArbol::kHijosEntrada, 1, false}, {FormaArbol::kMixto, 1, true},     {FormaArbol::kMixto, 3, false},
      {FormaArbol::kMixto, 51, true},
  };
  AlmacenDbx d;
  std::vector<uint32_t> ids;
  for (uint32_t i = 1; i <= 40; ++i) {
    d.carpetas.push_back(Carpeta(i, i % 3 == 0 ? 0 : i / 3 + 1, "C" + std::to_string(i)));
    ids.push_back(i);
  }
  for (const Caso& caso : casos) {
    SCOPED_TRACE(static_cast<int>(caso.forma) * 100 + caso.por_nodo);
    d.arbol = {caso.por_nodo, caso.forma};
    d.raiz_en_arbol = caso.raiz_en_arbol;
    AlmacenInstalado almacen(d);
    const Recorrido r = Recorrer(OE_ObtenerCarpetas);
    std::vector<uint32_t> leidos;
    for (const auto& c : r.carpetas) leidos.push_back(c.id);
    EXPECT_EQ(leidos, ids);
    EXPECT_EQ(r.final, OE_FIN);
  }
}

TEST(CarpetasOe5SinAlmacenTest, SinIdentidadOSinFoldersDbx) {
  struct Caso {
    const char* nombre;
    uint32_t pos;  // a word of folders.dbx to change
    uint32_t valor;
    int largo;  // -1: file removed; -2: no identity; 0: not cut
  };
  const Caso casos[] = {
      {"sin identidad", 0, dbx::kFirma0, -2},
      {"sin folders.dbx", 0, dbx::kFirma0, -1},
      {"folders.dbx ajeno", 4, dbx::kFirmaMensajes, 0},
      {"primera firma ajena", 0, 0xFE12ADCE, 0},
      {"arbol vacio", dbx::kCabArbolCarpetas, 0, 0},
      {"mas corto que la cabecera", 0, dbx::kFirma0, dbx::kLeidoCabeceraCarpetas - 1},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenInstalado a(AlmacenEjemplo());
    std::vector<uint8_t> b = a.Escrito().carpetas.bytes;
    PonerPalabra(b, caso.pos, caso.valor);
    if (caso.largo > 0) b.resize(static_cast<std::size_t>(caso.largo));
    a.Reescribir("folders.dbx", b);
    if (caso.largo == -1) std::remove((a.Directorio().Ruta() + "/folders.dbx").c_str());
    if (caso.largo == -2) IdentidadActual[0] = '\0';
    for (auto paso : {OE_ObtenerCarpetas, OE_ObtenerCarpetasPrincipales}) {
      OE_CARPETA* c = nullptr;
      EXPECT_EQ(paso(&c, OE_PRIMERO), OE_ERROR);
      EXPECT_EQ(c, nullptr);
    }
    CarpetaAbierta c(4);
    EXPECT_EQ(c.resultado, OE_ERROR);
    EXPECT_EQ(c.c, nullptr);
  }
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
