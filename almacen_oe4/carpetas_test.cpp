// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_oe4.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kCuenta = 0x80000001u;

TEST(CarpetasOe4Test, FormasDeLaCadena) {
  struct Caso {
    const char* nombre;
    bool raiz_primera, orden_inverso;
    std::vector<VistaOe4> esperado;
  };
  const VistaOe4 raiz{0, 0, "Raiz"}, a{1, 0, "A"}, b{2, 1, "B"};
  const Caso casos[] = {
      {"raiz primera", true, false, {raiz, a, b}},
      {"raiz primera, registros al reves en el archivo", true, true, {raiz, a, b}},
      {"raiz detras: vuelve a empezar", false, false, {raiz, a, b, raiz}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4 d;
    const CarpetaOe4 r = CarpetaCorreo(0, 0, "Raiz", ""), ca = CarpetaCorreo(1, 0, "A", "A"), cb = CarpetaCorreo(2, 1, "B", "B");
    d.correo.carpetas = caso.raiz_primera ? std::vector<CarpetaOe4>{r, ca, cb} : std::vector<CarpetaOe4>{ca, cb, r};
    d.correo.orden_inverso = caso.orden_inverso;
    d.cuenta_por_defecto = false;
    AlmacenOe4Instalado almacen(d);
    uint32_t fin = 0;
    EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin), caso.esperado);
    EXPECT_EQ(fin, OE_FIN);
  }
}

TEST(CarpetasOe4Test, RutasYContadoresDeCarpetasCuentasYGrupos) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const std::string mail = almacen.Directorio().Ruta() + "\\mail\\";
  const std::string noticias = almacen.Directorio().Ruta() + "\\News\\";
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(std::vector<std::string>({c->RutaAlmacen, c->RutaBuzon}),
            std::vector<std::string>({mail + "folders.nch", mail + "Inbox.mbx"}));
  // The walk's account record and the one looked up differ only in Indice.
  uint32_t r = OE_OK;
  while (r == OE_OK && c->IdCarpeta != kCuenta) r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
  ASSERT_EQ(r, OE_OK);
  EXPECT_EQ(c->Indice, 0xFFFFFFFFu);
  CarpetaPorId cuenta(kCuenta, 0);
  ASSERT_EQ(cuenta.Resultado(), OE_OK);
  EXPECT_EQ(cuenta->Indice, 0x80000000u);
  for (const OE_CARPETA* x : {static_cast<const OE_CARPETA*>(c), static_cast<const OE_CARPETA*>(cuenta.Puntero())}) {
    EXPECT_EQ(x->PosSiguiente, 2u);
    EXPECT_STREQ(x->RutaAlmacen, "00000002");
    EXPECT_EQ(std::string(x->RutaIndice), noticias);
    EXPECT_EQ(std::string(x->RutaBuzon), noticias + "news.example.com\\sublist.dat");
    EXPECT_EQ(x->NumSubCarpetas, 2u);
    EXPECT_EQ(x->PalabrasGen[1], 7u);
  }
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_FIN);
  EXPECT_EQ(c, nullptr);
}

TEST(CarpetasOe4Test, ElModo1DeSubcarpetasYUnaCuentaSinSublist) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.cuentas.push_back(d.cuentas[1]);
  d.cuentas[2].subclave = "00000003";
  d.cuentas[2].directorio = "sin.sublist";
  d.cuentas[2].con_sublist = false;
  AlmacenOe4Instalado almacen(d);
  const auto& regs = almacen.Escrito().folders.registros;
  // Mode 1 gives no subfolder: the record carries the parent's id, and closing gives 0.
  CarpetaPorId trabajo(3, regs[3]);
  OE_CARPETA* hija = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &hija, OE_PRIMERO), OE_OK);
  EXPECT_EQ(std::pair(hija->IdCarpeta, hija->IdPadre), std::pair(3u, 3u));
  EXPECT_EQ(OE_ObtenerSubCarpetas(trabajo.Puntero(), &hija, OE_CERRAR), OE_OK);
  EXPECT_EQ(hija, nullptr);
  // The walk reaches the account without sublist.dat after one with groups: none carry over.
  OE_CARPETA* c = nullptr;
  uint32_t r = OE_ObtenerCarpetas(&c, OE_PRIMERO);
  while (r == OE_OK && c->IdCarpeta != kCuenta + 1) r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
  ASSERT_EQ(r, OE_OK);
  EXPECT_EQ(c->NumSubCarpetas, 0u);
  EXPECT_EQ(OE_ObtenerSubCarpetas(c, &hija, OE_PRIMERO), OE_SIN_SUBCARPETAS);
  OE_ObtenerCarpetas(&c, OE_CERRAR);
}

// Positions that are not where a record starts. A failed mail lookup frees its record; a failed
// news lookup leaves it for mode 3.
TEST(CarpetasOe4Test, BusquedasEnPosicionesAjenas) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const auto& regs = almacen.Escrito().folders.registros;
  const auto& entradas = almacen.Escrito().sublists.at("news.example.com").entradas;
  const uint32_t tam = static_cast<uint32_t>(almacen.Escrito().folders.bytes.size());
  const OE_ENTRYID casos[] = {{2, regs[0]}, {2, regs[1] + 4}, {2, tam}, {kCuenta, entradas[1] + 1}};
  for (const OE_ENTRYID& id : casos) {
    SCOPED_TRACE(id.PosCarpeta);
    CarpetaPorId c(id.IdCarpeta, id.PosCarpeta);
    EXPECT_EQ(c.Resultado(), OE_ERROR_PARAM);
    ASSERT_EQ(c.Puntero() != nullptr, id.IdCarpeta == kCuenta);
    EXPECT_EQ(c.Cerrar(), id.IdCarpeta == kCuenta ? OE_OK : OE_ERROR_PARAM);
  }
}

TEST(CarpetasOe4Test, NombresLargosSeCortan) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.correo.carpetas[0].nombre = std::string(300, 'n');
  d.cuentas[1].grupos[0].nombre = std::string(300, 'g');
  AlmacenOe4Instalado almacen(d);
  CarpetaPorId c(1, almacen.Escrito().folders.registros[0]);
  ASSERT_EQ(c.Resultado(), OE_OK);
  EXPECT_EQ(std::string(c->Nombre), std::string(255, 'n'));
  // The stored name fills its field without a NUL: the file name after it is still its own.
  EXPECT_EQ(std::string(c->RutaIndice), almacen.Directorio().Ruta() + "\\mail\\Inbox.idx");
  const auto& entradas = almacen.Escrito().sublists.at("news.example.com").entradas;
  CarpetaPorId g(kCuenta, entradas[0]);
  ASSERT_EQ(g.Resultado(), OE_OK);
  EXPECT_EQ(std::string(g->Nombre), std::string(255, 'g'));
  CarpetaPorId g2(kCuenta, entradas[1]);  // found behind the whole name
  EXPECT_STREQ(g2->Nombre, "alt.test");
}

TEST(CarpetasOe4Test, LaRaizDelAlmacenEnElRegistro) {
  DirectorioTemporal dir;
  const uint32_t almacen_pos = EscribirAlmacenOe4(dir.Ruta(), AlmacenOe4Ejemplo()).folders.registros[0];
  VariableEntorno var("ORVEX_RAIZ_OE4", dir.Ruta());
  for (const bool con_raiz : {true, false}) {
    SCOPED_TRACE(con_raiz ? "expandible" : "sin raiz");
    RegistroPrueba registro;
    RegistroOe4 r;
    if (con_raiz) r.raiz = "%ORVEX_RAIZ_OE4%\\";
    r.raiz_expandible = con_raiz;
    DescribirRegistroOe4(registro, r);
    registro.Instalar();
    ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_OE4);
    uint32_t fin = 0;
    EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin).size(), con_raiz ? 8u : 0u);
    EXPECT_EQ(fin, con_raiz ? OE_FIN : OE_ERROR);
    OE_CARPETA* c = nullptr;
    EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&c, OE_PRIMERO) == OE_ERROR, !con_raiz);
    if (c != nullptr) OE_ObtenerCarpetasPrincipales(&c, OE_CERRAR);
    EXPECT_EQ(CarpetaPorId(1, almacen_pos).Resultado() == OE_ERROR, !con_raiz);
  }
}

// A file name in folders.nch that is not one plain name could lead outside the store's
// folder. Such a folder is still listed, but has no index or mailbox path, so its messages
// cannot be listed (1); the folders beside it are unaffected. An empty name names the files
// ".idx" and ".mbx" of the store's folder.
TEST(CarpetasOe4Test, UnNombreDeArchivoQueNoEsSimpleDejaLaCarpetaSinRutas) {
  struct Caso {
    std::string fichero;
    std::string plantado;  // a valid .idx/.mbx pair written here, below the store root
  };
  const Caso casos[] = {{"..\\x.idx", ""}, {"..\\x", "x"}, {"a\\b", "mail/a/b"}, {"C:x", ""},
                        {"", "mail/"},     {"..", ""},     {"Fuera", "mail/Fuera"}};
  for (const Caso& caso : casos) {
    SCOPED_TRACE("\"" + caso.fichero + "\"");
    const bool simple = caso.fichero == "Fuera" || caso.fichero.empty();  // "" gives ".idx"
    MensajeOe4 m;
    m.id = 3;
    m.texto = "Subject: s\r\n\r\nfuera\r\n";
    CarpetaOe4 fuera = CarpetaCorreo(1, 0, "Fuera", caso.fichero);
    fuera.mensajes = {m};
    fuera.con_archivos = false;
    CarpetaOe4 bien = CarpetaCorreo(2, 0, "Bien", "Inbox");
    m.texto = "Subject: s\r\n\r\nbien\r\n";
    bien.mensajes = {m};
    AlmacenOe4 d;
    d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", ""), fuera, bien};
    d.cuenta_por_defecto = false;
    AlmacenOe4Instalado almacen(d);
    if (!caso.plantado.empty()) {
      const MapaIdxMbx par = ConstruirIdxMbx(fuera);
      std::filesystem::create_directories(
          std::filesystem::path(almacen.Directorio().Ruta() + "/" + caso.plantado).parent_path());
      almacen.Reescribir(caso.plantado + ".idx", par.idx);
      almacen.Reescribir(caso.plantado + ".mbx", par.mbx);
    }
    uint32_t fin = 0;
    EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin), (std::vector<VistaOe4>{{0, 0, "Raiz"}, {1, 0, "Fuera"}, {2, 0, "Bien"}}));
    EXPECT_EQ(fin, OE_FIN);

    CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
    ASSERT_EQ(c.Resultado(), OE_OK);
    EXPECT_EQ(c->RutaIndice[0] != '\0', simple);
    EXPECT_EQ(c->RutaBuzon[0] != '\0', simple);
    uint32_t primero = 0;
    Mensajes(c.Puntero(), &primero);
    EXPECT_EQ(primero, simple ? OE_FIN : OE_ERROR);
    CarpetaPorId b(2, almacen.Escrito().folders.registros[2]);
    const auto v = Mensajes(b.Puntero());
    ASSERT_EQ(v.size(), 1u);
    EXPECT_NE(v[0].texto.find("bien"), std::string::npos);
  }
}

}  // namespace
}  // namespace orvex::pruebas
