// Folder walks over a built store, through the public exports as a host drives them.
#include <gtest/gtest.h>

#include <filesystem>

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/prueba_oe4.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kCuenta = 0x80000001u;

const std::vector<VistaOe4> kCorreo = {
    {1, 0, "Bandeja de entrada"}, {2, 0, "Elementos enviados"}, {0, 0, "Outlook Express"}, {3, 0, "Trabajo"},
    {4, 3, "Proyecto"},           {5, 4, "Detalle"},            {6, 0, "Elementos eliminados"}};

TEST(CarpetasOe4Test, LaVersionDetectadaEsLaDeEsteAlmacen) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  EXPECT_EQ(almacen.Version(), VERSION_OE4);
}

TEST(CarpetasOe4Test, TodasLasCarpetasEnOrdenDeCadenaYLuegoLasCuentas) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  uint32_t fin = 0;
  const auto vistas = Recorrer(OE_ObtenerCarpetas, &fin);
  std::vector<VistaOe4> esperado = {{0, 0, "Outlook Express"}};
  esperado.insert(esperado.end(), kCorreo.begin(), kCorreo.end());
  esperado.push_back({kCuenta, 0, "news.example.com"});
  EXPECT_EQ(vistas, esperado);
  EXPECT_EQ(fin, OE_FIN);
}

TEST(CarpetasOe4Test, LasPrincipalesAcabanEnIdFin) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  uint32_t fin = 0;
  const auto vistas = Recorrer(OE_ObtenerCarpetasPrincipales, &fin);
  const std::vector<VistaOe4> esperado = {{0, 0, "Outlook Express"},    {1, 0, "Bandeja de entrada"},
                                          {2, 0, "Elementos enviados"}, {0, 0, "Outlook Express"},
                                          {3, 0, "Trabajo"},            {kCuenta, 0, "news.example.com"}};
  EXPECT_EQ(vistas, esperado);
  EXPECT_EQ(fin, OE_FIN);
}

TEST(CarpetasOe4Test, FormasDeLaCadena) {
  struct Caso {
    const char* nombre;
    bool raiz_primera;
    bool orden_inverso;
    bool cuenta_por_defecto;
    std::vector<VistaOe4> esperado;
  };
  const VistaOe4 raiz{0, 0, "Raiz"}, a{1, 0, "A"}, b{2, 1, "B"};
  const std::vector<Caso> casos = {
      {"raiz primera", true, false, false, {raiz, a, b}},
      {"raiz primera, registros al reves en el archivo", true, true, false, {raiz, a, b}},
      {"raiz detras: vuelve a empezar", false, false, false, {raiz, a, b, raiz}},
      {"con cuenta de noticias", true, false, true, {raiz, a, b, {kCuenta, 0, "news.example.com"}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4 d;
    CarpetaOe4 r = CarpetaCorreo(0, 0, "Raiz", "");
    CarpetaOe4 ca = CarpetaCorreo(1, 0, "A", "A");
    CarpetaOe4 cb = CarpetaCorreo(2, 1, "B", "B");
    d.correo.carpetas = caso.raiz_primera ? std::vector<CarpetaOe4>{r, ca, cb} : std::vector<CarpetaOe4>{ca, cb, r};
    d.correo.orden_inverso = caso.orden_inverso;
    d.cuenta_por_defecto = caso.cuenta_por_defecto;
    d.cuentas = AlmacenOe4Ejemplo().cuentas;
    AlmacenOe4Instalado almacen(d);
    uint32_t fin = 0;
    EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin), caso.esperado);
    EXPECT_EQ(fin, OE_FIN);
  }
}

TEST(CarpetasOe4Test, LaRaizTieneRutasVaciasYLasDemasSuParIdxMbx) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  OE_CARPETA* c = nullptr;
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_OK);
  EXPECT_STREQ(c->RutaIndice, "");
  EXPECT_EQ(c->NumSubCarpetas, 4u);
  ASSERT_EQ(OE_ObtenerCarpetas(&c, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(std::string(c->RutaAlmacen), almacen.Directorio().Ruta() + "\\mail\\folders.nch");
  EXPECT_EQ(std::string(c->RutaIndice), almacen.Directorio().Ruta() + "\\mail\\Inbox.idx");
  EXPECT_EQ(std::string(c->RutaBuzon), almacen.Directorio().Ruta() + "\\mail\\Inbox.mbx");
  EXPECT_EQ(c->NumMensajes, 3u);
  EXPECT_EQ(c->PosCarpeta, almacen.Escrito().folders.registros[0]);
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_CERRAR), OE_FIN);
  EXPECT_EQ(c, nullptr);
}

TEST(CarpetasOe4Test, SubcarpetasPorPadre) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const auto& regs = almacen.Escrito().folders.registros;
  struct Caso {
    const char* nombre;
    OE_ENTRYID padre;
    uint32_t resultado_final;
    std::vector<VistaOe4> esperado;
  };
  const std::vector<Caso> casos = {
      {"trabajo", {3, regs[3]}, OE_FIN, {{4, 3, "Proyecto"}}},
      {"proyecto", {4, regs[4]}, OE_FIN, {{5, 4, "Detalle"}}},
      {"sin subcarpetas", {1, regs[0]}, OE_SIN_SUBCARPETAS, {}},
      {"cuenta de noticias", {kCuenta, 0}, OE_FIN, {{kCuenta, kCuenta, "comp.lang.c"}, {kCuenta, kCuenta, "alt.test"}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CarpetaPorId padre(caso.padre.IdCarpeta, caso.padre.PosCarpeta);
    ASSERT_EQ(padre.Resultado(), OE_OK);
    uint32_t fin = 0;
    EXPECT_EQ(Subcarpetas(padre.Puntero(), &fin), caso.esperado);
    EXPECT_EQ(fin, caso.resultado_final);
  }
}

TEST(CarpetasOe4Test, ElPrimerModoDeSubcarpetasNoDaNingunaYCierraConCero) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  CarpetaPorId padre(3, almacen.Escrito().folders.registros[3]);
  OE_CARPETA* hija = nullptr;
  ASSERT_EQ(OE_ObtenerSubCarpetas(padre.Puntero(), &hija, OE_PRIMERO), OE_OK);
  EXPECT_EQ(hija->IdCarpeta, 3u);
  EXPECT_EQ(hija->IdPadre, 3u);
  EXPECT_EQ(OE_ObtenerSubCarpetas(padre.Puntero(), &hija, OE_CERRAR), OE_OK);
  EXPECT_EQ(hija, nullptr);
}

TEST(CarpetasOe4Test, BusquedasPorEntryId) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const auto& regs = almacen.Escrito().folders.registros;
  const auto& entradas = almacen.Escrito().sublists.at("news.example.com").entradas;
  const uint32_t tam = static_cast<uint32_t>(almacen.Escrito().folders.bytes.size());
  struct Caso {
    const char* nombre;
    OE_ENTRYID id;
    uint32_t resultado;
    std::string nombre_carpeta;
  };
  const std::vector<Caso> casos = {
      {"correo", {2, regs[1]}, OE_OK, "Elementos enviados"},
      {"raiz", {0, regs[2]}, OE_OK, "Outlook Express"},
      {"posicion de otra carpeta", {2, regs[0]}, OE_ERROR_PARAM, ""},
      {"posicion dentro de un registro", {2, regs[1] + 4}, OE_ERROR_PARAM, ""},
      {"posicion pasado el final", {2, tam}, OE_ERROR_PARAM, ""},
      {"posicion en la cabecera", {2, 0}, OE_ERROR_PARAM, ""},
      {"cuenta", {kCuenta, 0}, OE_OK, "news.example.com"},
      {"cuenta sin directorio de noticias", {0x80000000u, 0}, OE_ERROR, ""},
      {"cuenta que no existe", {0x80000009u, 0}, OE_ERROR, ""},
      {"grupo", {kCuenta, entradas[1]}, OE_OK, "alt.test"},
      {"grupo en posicion ajena", {kCuenta, entradas[1] + 1}, OE_ERROR_PARAM, ""},
      {"grupo pasado el final", {kCuenta, 100000}, OE_ERROR_PARAM, ""},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    CarpetaPorId c(caso.id.IdCarpeta, caso.id.PosCarpeta);
    EXPECT_EQ(c.Resultado(), caso.resultado);
    if (caso.resultado == OE_OK) {
      ASSERT_NE(c.Puntero(), nullptr);
      EXPECT_EQ(c->Nombre, caso.nombre_carpeta);
      EXPECT_EQ(c->IdCarpeta, caso.id.IdCarpeta);
      EXPECT_EQ(c->PosCarpeta, caso.id.PosCarpeta);
    } else {
      EXPECT_EQ(c.Puntero(), nullptr);
    }
  }
}

TEST(CarpetasOe4Test, CuentasYGrupos) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  const std::string noticias = almacen.Directorio().Ruta() + "\\News\\";
  CarpetaPorId cuenta(kCuenta, 0);
  ASSERT_EQ(cuenta.Resultado(), OE_OK);
  EXPECT_EQ(cuenta->PosSiguiente, 2u);
  EXPECT_EQ(cuenta->Indice, 0x80000000u);
  EXPECT_STREQ(cuenta->RutaAlmacen, "00000002");
  EXPECT_EQ(std::string(cuenta->RutaIndice), noticias);
  EXPECT_EQ(std::string(cuenta->RutaBuzon), noticias + "news.example.com\\sublist.dat");
  EXPECT_EQ(cuenta->NumSubCarpetas, 2u);
  EXPECT_EQ(cuenta->PalabrasGen[1], 7u);

  const auto& entradas = almacen.Escrito().sublists.at("news.example.com").entradas;
  CarpetaPorId grupo(kCuenta, entradas[1]);
  ASSERT_EQ(grupo.Resultado(), OE_OK);
  EXPECT_EQ(std::string(grupo->RutaIndice), noticias + "news.example.com\\00000042.nch");
  EXPECT_EQ(grupo->NumMensajes, 1u);
  EXPECT_EQ(grupo->NumSubCarpetas, 0u);
  EXPECT_EQ(grupo->IdPadre, kCuenta);
}

TEST(CarpetasOe4Test, UnaCuentaSinSublistNoTieneSubcarpetas) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  d.cuentas[1].con_sublist = false;
  AlmacenOe4Instalado almacen(d);
  // The walk reaches the account after a mail folder with subfolders: none of them carry over.
  OE_CARPETA* c = nullptr;
  uint32_t r = OE_ObtenerCarpetas(&c, OE_PRIMERO);
  while (r == OE_OK && c->IdCarpeta != kCuenta) r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
  ASSERT_EQ(r, OE_OK);
  EXPECT_EQ(c->NumSubCarpetas, 0u);
  OE_CARPETA* hija = nullptr;
  EXPECT_EQ(OE_ObtenerSubCarpetas(c, &hija, OE_PRIMERO), OE_SIN_SUBCARPETAS);
  OE_ObtenerCarpetas(&c, OE_CERRAR);
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
  CarpetaPorId g(kCuenta, almacen.Escrito().sublists.at("news.example.com").entradas[0]);
  ASSERT_EQ(g.Resultado(), OE_OK);
  EXPECT_EQ(std::string(g->Nombre), std::string(255, 'g'));
  // The next entry is found behind the whole name.
  CarpetaPorId g2(kCuenta, almacen.Escrito().sublists.at("news.example.com").entradas[1]);
  EXPECT_STREQ(g2->Nombre, "alt.test");
}

TEST(CarpetasOe4Test, LaCuentaDelRecorridoYLaDeLaBusqueda) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  OE_CARPETA* c = nullptr;
  uint32_t r = OE_ObtenerCarpetas(&c, OE_PRIMERO);
  while (r == OE_OK && c->IdCarpeta != kCuenta) r = OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
  ASSERT_EQ(r, OE_OK);
  EXPECT_EQ(c->Indice, 0xFFFFFFFFu);
  EXPECT_EQ(c->PosSiguiente, 2u);
  CarpetaPorId b(kCuenta, 0);
  EXPECT_EQ(b->Indice, 0x80000000u);
  EXPECT_STREQ(b->RutaBuzon, c->RutaBuzon);
  EXPECT_EQ(b->NumSubCarpetas, c->NumSubCarpetas);
  OE_ObtenerCarpetas(&c, OE_CERRAR);
}

TEST(CarpetasOe4Test, RaizDelAlmacenDesdeElEntorno) {
  AlmacenOe4 d = AlmacenOe4Ejemplo();
  DirectorioTemporal dir;
  EscribirAlmacenOe4(dir.Ruta(), d);
  VariableEntorno var("ORVEX_RAIZ_OE4", dir.Ruta());
  RegistroPrueba registro;
  RegistroOe4 r;
  r.raiz = "%ORVEX_RAIZ_OE4%\\";
  r.raiz_expandible = true;
  DescribirRegistroOe4(registro, r);
  registro.Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_OE4);
  uint32_t fin = 0;
  EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin).size(), 8u);
  EXPECT_EQ(fin, OE_FIN);
}

TEST(CarpetasOe4Test, SinRaizDelAlmacenTodoFalla) {
  RegistroPrueba registro;
  RegistroOe4 r;
  DescribirRegistroOe4(registro, r);
  registro.Instalar();
  ASSERT_EQ(OE_ObtenerVersionOE(), VERSION_OE4);
  OE_CARPETA* c = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&c, OE_PRIMERO), OE_ERROR);
  OE_ENTRYID id{1, 32};
  EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(&id, &c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(c, nullptr);
}

TEST(CarpetasOe4Test, RegistrosQueNoSonCarpetas) {
  AlmacenOe4Instalado almacen(AlmacenOe4Ejemplo());
  OE_MENSAJE ajeno{};
  ajeno.Tamano = OE_TAM_MENSAJE;
  auto* falso = reinterpret_cast<OE_CARPETA*>(&ajeno);
  OE_CARPETA* nulo = nullptr;
  EXPECT_EQ(OE_ObtenerCarpetas(&falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetas(&nulo, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&falso, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerSubCarpetas(falso, &nulo, OE_PRIMERO), OE_ERROR_PARAM);
}

}  // namespace
}  // namespace orvex::pruebas

namespace orvex::pruebas {
namespace {

// A file name in folders.nch that is not one plain name could lead outside the store's
// folder. Such a folder is still listed, but has no index or mailbox path, so its messages
// cannot be listed (1); the folders beside it are unaffected.
TEST(CarpetasOe4Test, UnNombreDeArchivoQueNoEsSimpleDejaLaCarpetaSinRutas) {
  struct Caso {
    std::string fichero;
    bool simple;
    std::string plantado;  // a valid .idx/.mbx pair written here, below the store root
  };
  const Caso casos[] = {
      {"..\\x.idx", false, ""}, {"..\\x", false, "x"}, {"a\\b", false, "mail/a/b"}, {"C:x", false, ""},
      {"", false, ""},          {"..", false, ""},     {"Fuera", true, "mail/Fuera"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE("\"" + caso.fichero + "\"");
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
    const std::vector<VistaOe4> esperado = {{0, 0, "Raiz"}, {1, 0, "Fuera"}, {2, 0, "Bien"}};
    EXPECT_EQ(Recorrer(OE_ObtenerCarpetas, &fin), esperado);
    EXPECT_EQ(fin, OE_FIN);

    CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
    ASSERT_EQ(c.Resultado(), OE_OK);
    EXPECT_STREQ(c->Nombre, "Fuera");
    EXPECT_EQ(c->RutaIndice[0] != '\0', caso.simple);
    EXPECT_EQ(c->RutaBuzon[0] != '\0', caso.simple);
    OE_MENSAJE* mensaje = nullptr;
    EXPECT_EQ(OE_ObtenerMensajes(c.Puntero(), &mensaje, OE_PRIMERO), caso.simple ? OE_OK : OE_ERROR);
    if (mensaje != nullptr) OE_ObtenerMensajes(c.Puntero(), &mensaje, OE_CERRAR);

    CarpetaPorId b(2, almacen.Escrito().folders.registros[2]);
    const auto v = Mensajes(b.Puntero());
    ASSERT_EQ(v.size(), 1u);
    EXPECT_NE(v[0].texto.find("bien"), std::string::npos);
  }
}

}  // namespace
}  // namespace orvex::pruebas
