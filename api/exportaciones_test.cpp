#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/estado.h"
#include "api/orvex.h"
#include "plataforma/plataforma.h"
#include "pruebas/entorno_prueba.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

// Records as a host would hold them; each test sets the generation it needs.
struct Registros {
  OE_CARPETA carpeta{};
  OE_MENSAJE mensaje{};
  OE_OBJMSG objeto{};
  Registros() {
    carpeta.Tamano = OE_TAM_CARPETA;
    carpeta.NumSubCarpetas = 1;
    carpeta.NumMensajes = 1;
    mensaje.Tamano = OE_TAM_MENSAJE;
    mensaje.Texto = texto;
    mensaje.LongTexto = 0;
    objeto.Tamano = OE_TAM_OBJMSG;
  }
  char texto[1] = {0};
};

class ExportacionesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    version_previa_ = VersionOE;
    plataforma::Ganchos().Reiniciar();
  }
  void TearDown() override {
    VersionOE = version_previa_;
    plataforma::Ganchos().Reiniciar();
  }
  uint32_t version_previa_ = 0;
};

// A record of one kind handed where another is expected: its first word is a foreign tag.
OE_MENSAJE* carpeta_como_mensaje(Registros& r) { return reinterpret_cast<OE_MENSAJE*>(&r.carpeta); }
OE_CARPETA* mensaje_como_carpeta(Registros& r) { return reinterpret_cast<OE_CARPETA*>(&r.mensaje); }

struct CasoRegistro {
  const char* nombre;
  std::function<uint32_t(Registros&)> llamada;
};

TEST_F(ExportacionesTest, RegistrosNulosOAjenosDan7EnTodasLasGeneraciones) {
  const CasoRegistro casos[] = {
      {"subcarpetas padre nulo", [](Registros&) { OE_CARPETA* c = nullptr; return OE_ObtenerSubCarpetas(nullptr, &c, 1); }},
      {"subcarpetas padre ajeno", [](Registros& r) { OE_CARPETA* c = nullptr; return OE_ObtenerSubCarpetas(mensaje_como_carpeta(r), &c, 1); }},
      {"mensajes carpeta nula", [](Registros&) { OE_MENSAJE* m = nullptr; return OE_ObtenerMensajes(nullptr, &m, 1); }},
      {"mensajes carpeta ajena", [](Registros& r) { OE_MENSAJE* m = nullptr; return OE_ObtenerMensajes(mensaje_como_carpeta(r), &m, 1); }},
      {"objmsg mensaje nulo", [](Registros&) { OE_OBJMSG* o = nullptr; return OE_ObtenerObjMsg(nullptr, &o, 1); }},
      {"objmsg mensaje ajeno", [](Registros& r) { OE_OBJMSG* o = nullptr; return OE_ObtenerObjMsg(carpeta_como_mensaje(r), &o, 1); }},
      {"guardar mensaje nulo", [](Registros& r) { return OE_GuardarObjMsg(nullptr, &r.objeto, 1); }},
      {"guardar objeto nulo", [](Registros& r) { return OE_GuardarObjMsg(&r.mensaje, nullptr, 1); }},
      {"guardar intercambiados", [](Registros& r) {
         return OE_GuardarObjMsg(reinterpret_cast<OE_MENSAJE*>(&r.objeto), reinterpret_cast<OE_OBJMSG*>(&r.mensaje), 1);
       }},
      {"destino mensaje nulo", [](Registros&) { OE_DESTINO* d = nullptr; return OE_ObtenerDestinoMsg(nullptr, &d, 1); }},
      {"destino mensaje ajeno", [](Registros& r) { OE_DESTINO* d = nullptr; return OE_ObtenerDestinoMsg(carpeta_como_mensaje(r), &d, 1); }},
      {"destino sin texto", [](Registros& r) { r.mensaje.Texto = nullptr; OE_DESTINO* d = nullptr; return OE_ObtenerDestinoMsg(&r.mensaje, &d, 1); }},
      {"un mensaje carpeta nula", [](Registros&) { OE_MENSAJE* m = nullptr; return OE_ObtenerUnMensajeMail(nullptr, &m); }},
      {"un mensaje carpeta ajena", [](Registros& r) { OE_MENSAJE* m = nullptr; return OE_ObtenerUnMensajeMail(mensaje_como_carpeta(r), &m); }},
  };
  for (uint32_t version : {VERSION_OE5, VERSION_OE4, VERSION_IMN, VERSION_NINGUNA}) {
    for (const auto& caso : casos) {
      SCOPED_TRACE(std::string(caso.nombre) + " v" + std::to_string(version));
      VersionOE = version;
      Registros r;
      EXPECT_EQ(caso.llamada(r), OE_ERROR_PARAM);
    }
  }
}

TEST_F(ExportacionesTest, CarpetaSinSubcarpetasNiMensajes) {
  for (uint32_t version : {VERSION_OE5, VERSION_OE4, VERSION_IMN}) {
    SCOPED_TRACE(version);
    VersionOE = version;
    Registros r;
    r.carpeta.NumSubCarpetas = 0;
    r.carpeta.NumMensajes = 0;
    auto* centinela = reinterpret_cast<OE_CARPETA*>(0x1234);
    OE_CARPETA* sub = centinela;
    EXPECT_EQ(OE_ObtenerSubCarpetas(&r.carpeta, &sub, OE_PRIMERO), OE_SIN_SUBCARPETAS);
    EXPECT_EQ(sub, centinela);
    OE_MENSAJE* m = nullptr;
    EXPECT_EQ(OE_ObtenerMensajes(&r.carpeta, &m, OE_PRIMERO), OE_SIN_MENSAJES);
    EXPECT_EQ(m, nullptr);
  }
}

TEST_F(ExportacionesTest, SinGeneracionTodoDaError) {
  VersionOE = VERSION_NINGUNA;
  Registros r;
  OE_CARPETA* c = nullptr;
  OE_MENSAJE* m = nullptr;
  OE_ENTRYID id{1, 0};
  EXPECT_EQ(OE_ObtenerCarpetas(&c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerCarpetasPrincipales(&c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerSubCarpetas(&r.carpeta, &c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerCarpetaDeEntryID(&id, &c, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerMensajes(&r.carpeta, &m, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(OE_ObtenerUnMensajeMail(&r.carpeta, &m), OE_ERROR);
  OE_OBJMSG* o = nullptr;
  OE_REF_ADJUNTO ref{};
  EXPECT_EQ(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO), OE_ERROR);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(OE_ObtenerIdentities(nullptr), nullptr);
}

TEST_F(ExportacionesTest, GeneracionImnNoTieneSubcarpetas) {
  VersionOE = VERSION_IMN;
  Registros r;
  OE_CARPETA* c = nullptr;
  EXPECT_EQ(OE_ObtenerSubCarpetas(&r.carpeta, &c, OE_PRIMERO), OE_ERROR);
  r.carpeta.NumSubCarpetas = 0;
  EXPECT_EQ(OE_ObtenerSubCarpetas(&r.carpeta, &c, OE_PRIMERO), OE_SIN_SUBCARPETAS);
}

TEST_F(ExportacionesTest, UnMensajeMailEnOe5NoTocaNada) {
  VersionOE = VERSION_OE5;
  Registros r;
  auto* centinela = reinterpret_cast<OE_MENSAJE*>(0x5678);
  OE_MENSAJE* m = centinela;
  EXPECT_EQ(OE_ObtenerUnMensajeMail(&r.carpeta, &m), OE_OK);
  EXPECT_EQ(m, centinela);
}

TEST_F(ExportacionesTest, IdentidadesSoloEnOe5YConArgumentoSeDevuelveTalCual) {
  char* lista_host[] = {nullptr};
  for (uint32_t version : {VERSION_OE4, VERSION_IMN, VERSION_NINGUNA}) {
    VersionOE = version;
    EXPECT_EQ(OE_ObtenerIdentities(nullptr), nullptr);
    EXPECT_EQ(OE_ObtenerIdentities(lista_host), nullptr);
  }
  VersionOE = VERSION_OE5;
  EXPECT_EQ(OE_ObtenerIdentities(lista_host), lista_host);
}

TEST_F(ExportacionesTest, UnaIdentidadSinNombreNoCortaLaLista) {
  pruebas::RegistroPrueba registro;
  registro.Cadena("HKEY_CURRENT_USER\\Identities", "Default User ID", "{B}")
      .Cadena("HKEY_CURRENT_USER\\Identities\\{A}", "Username", "Ana")
      .Clave("HKEY_CURRENT_USER\\Identities\\{B}")
      .Cadena("HKEY_CURRENT_USER\\Identities\\{C}", "Username", "Carla")
      .Instalar();
  VersionOE = VERSION_OE5;
  char** lista = OE_ObtenerIdentities(nullptr);
  ASSERT_NE(lista, nullptr);
  std::vector<std::string> nombres;
  for (char** p = lista; *p != nullptr; ++p) nombres.emplace_back(*p);
  EXPECT_EQ(nombres, (std::vector<std::string>{"Ana", "Carla"}));
  OE_LiberarIdentities(&lista);
  EXPECT_EQ(lista, nullptr);
}

TEST_F(ExportacionesTest, LiberarIdentidadesAnulaElPunteroDelHost) {
  char*** nulo = nullptr;
  OE_LiberarIdentities(nulo);
  char** vacia = nullptr;
  OE_LiberarIdentities(&vacia);
  EXPECT_EQ(vacia, nullptr);

  auto** lista = static_cast<char**>(MEM_Reservar(3 * sizeof(char*)));
  ASSERT_NE(lista, nullptr);
  lista[0] = static_cast<char*>(MEM_Reservar(8));
  lista[1] = static_cast<char*>(MEM_Reservar(8));
  lista[2] = nullptr;
  OE_LiberarIdentities(&lista);
  EXPECT_EQ(lista, nullptr);
}

struct CasoEspacio {
  const char* nombre;
  std::optional<uint64_t> libre;  // nullopt: the room cannot be learned
  uint32_t tam_msg;
  bool debe_negarse;
};

TEST_F(ExportacionesTest, GuardarCompruebaElEspacioLibreAntesDeCadaAccion) {
  const CasoEspacio casos[] = {
      {"falta un byte", 1499, 1000, true},
      {"justo", 1500, 1000, false},
      {"cuatro gigas", uint64_t{1} << 32, 0xFFFFFFF0u, false},
      {"casi cuatro gigas", 0xFFFFFFFFu, 0xFFFFFFF0u, true},
      {"desconocido", std::nullopt, 0, true},
  };
  for (uint32_t version : {VERSION_OE5, VERSION_OE4, VERSION_IMN}) {
    for (const auto& caso : casos) {
      SCOPED_TRACE(std::string(caso.nombre) + " v" + std::to_string(version));
      VersionOE = version;
      plataforma::Ganchos().Reiniciar();
      if (caso.libre) {
        plataforma::Ganchos().espacio_libre = *caso.libre;
      } else {
        plataforma::Ganchos().espacio_desconocido = true;
      }
      for (uint32_t accion : {ACCION_CONSERVAR, ACCION_RENOMBRAR, ACCION_BORRAR, ACCION_SUSTITUIR, 9u}) {
        // Past the check, only the actions that touch no part may run on these bare records.
        if (!caso.debe_negarse && accion != ACCION_CONSERVAR && accion != 9u) continue;
        Registros r;
        r.mensaje.TamMsg = caso.tam_msg;
        r.mensaje.Modificado = 1;
        std::strcpy(r.mensaje.RutaIndice, "C:\\Almacen\\Inbox.dbx");
        const uint32_t resultado = OE_GuardarObjMsg(&r.mensaje, &r.objeto, accion);
        if (caso.debe_negarse) {
          EXPECT_EQ(resultado, OE_SIN_MENSAJES);
          EXPECT_EQ(r.mensaje.Modificado, 0u);
        } else {
          EXPECT_NE(resultado, OE_SIN_MENSAJES);
        }
      }
    }
  }
}

}  // namespace
}  // namespace orvex
