#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "api/estado.h"
#include "api/orvex.h"
#include "plataforma/plataforma.h"
#include "pruebas/entorno_prueba.h"

namespace orvex {
namespace {

// Records as a host would hold them, and one out-pointer that starts at a sentinel.
struct Registros {
  OE_CARPETA carpeta{};
  OE_MENSAJE mensaje{};
  OE_OBJMSG objeto{};
  char texto[1] = {0};
  void* salida = &texto;
  Registros() {
    carpeta.Tamano = OE_TAM_CARPETA;
    carpeta.NumSubCarpetas = 1;
    carpeta.NumMensajes = 1;
    mensaje.Tamano = OE_TAM_MENSAJE;
    mensaje.Texto = texto;
    objeto.Tamano = OE_TAM_OBJMSG;
  }
  template <class T>
  T** Salida() { return reinterpret_cast<T**>(&salida); }
};

// The record an export gets first: null, one of another kind (its first word is a foreign tag),
// its own kind, or its own kind emptied (a folder with no subfolders nor messages, a message
// with no text).
enum Arg { kNulo, kAjeno, kPropio, kVacio };

uint32_t Llamar(const std::string& exportacion, Arg arg, Registros& r) {
  if (arg == kVacio) {
    r.carpeta.NumSubCarpetas = r.carpeta.NumMensajes = 0;
    r.mensaje.Texto = nullptr;
  }
  OE_CARPETA* c = arg == kNulo ? nullptr : arg == kAjeno ? reinterpret_cast<OE_CARPETA*>(&r.mensaje) : &r.carpeta;
  OE_MENSAJE* m = arg == kNulo ? nullptr : arg == kAjeno ? reinterpret_cast<OE_MENSAJE*>(&r.carpeta) : &r.mensaje;
  OE_ENTRYID id{1, 0};
  OE_REF_ADJUNTO ref{};
  if (exportacion == "Carpetas") return OE_ObtenerCarpetas(r.Salida<OE_CARPETA>(), OE_PRIMERO);
  if (exportacion == "Principales") return OE_ObtenerCarpetasPrincipales(r.Salida<OE_CARPETA>(), OE_PRIMERO);
  if (exportacion == "SubCarpetas") return OE_ObtenerSubCarpetas(c, r.Salida<OE_CARPETA>(), OE_PRIMERO);
  if (exportacion == "DeEntryID") return OE_ObtenerCarpetaDeEntryID(&id, r.Salida<OE_CARPETA>(), OE_PRIMERO);
  if (exportacion == "CarpetaSiguiente") return OE_ObtenerCarpetas(&c, OE_SIGUIENTE);
  if (exportacion == "CerrarPrincipales") return OE_ObtenerCarpetasPrincipales(&c, OE_CERRAR);
  if (exportacion == "Mensajes") return OE_ObtenerMensajes(c, r.Salida<OE_MENSAJE>(), OE_PRIMERO);
  if (exportacion == "MensajeSiguiente") return OE_ObtenerMensajes(&r.carpeta, &m, OE_SIGUIENTE);
  if (exportacion == "UnMensajeMail") return OE_ObtenerUnMensajeMail(c, r.Salida<OE_MENSAJE>());
  if (exportacion == "ObjMsg") return OE_ObtenerObjMsg(m, r.Salida<OE_OBJMSG>(), OE_PRIMERO);
  if (exportacion == "DestinoMsg") return OE_ObtenerDestinoMsg(m, r.Salida<OE_DESTINO>(), OE_PRIMERO);
  if (exportacion == "Attach") return OE_ObtenerAttachMensaje(&ref, r.Salida<OE_MENSAJE>(), r.Salida<OE_OBJMSG>(), 1);
  if (exportacion == "Guardar") return OE_GuardarObjMsg(m, &r.objeto, ACCION_CONSERVAR);
  // The object is the odd one out: null, or a message in its place.
  auto* objeto = arg == kNulo ? nullptr : reinterpret_cast<OE_OBJMSG*>(&r.mensaje);
  return OE_GuardarObjMsg(&r.mensaje, objeto, ACCION_CONSERVAR);
}

class ExportacionesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    VersionOE = version_previa_;
    plataforma::Ganchos().Reiniciar();
  }
  const uint32_t version_previa_ = VersionOE;
};

const std::vector<uint32_t> kTodas = {VERSION_OE5, VERSION_OE4, VERSION_IMN, VERSION_NINGUNA};
const std::vector<uint32_t> kAlmacenes = {VERSION_OE5, VERSION_OE4, VERSION_IMN};

// What each export answers on bare records under each generation, before any store is read;
// a refused call leaves the host's out-pointer alone.
TEST_F(ExportacionesTest, ArgumentosYGeneracionDecidenAntesDelAlmacen) {
  std::vector<std::tuple<std::string, Arg, std::vector<uint32_t>, uint32_t>> casos = {
      {"DestinoMsg", kVacio, kTodas, OE_ERROR_PARAM},
      {"SubCarpetas", kVacio, kAlmacenes, OE_SIN_SUBCARPETAS}, {"Mensajes", kVacio, kAlmacenes, OE_SIN_MENSAJES},
      // Internet Mail and News has no subfolders; Outlook Express 5 has no single-message call.
      {"SubCarpetas", kPropio, {VERSION_IMN}, OE_ERROR}, {"UnMensajeMail", kPropio, {VERSION_OE5}, OE_OK},
      // A folder cursor is looked at once the generation is known.
      {"CarpetaSiguiente", kAjeno, kAlmacenes, OE_ERROR_PARAM}, {"CarpetaSiguiente", kNulo, kAlmacenes, OE_ERROR_PARAM},
      {"CerrarPrincipales", kAjeno, kAlmacenes, OE_ERROR_PARAM}, {"CerrarPrincipales", kNulo, kAlmacenes, OE_ERROR_PARAM},
  };
  for (const char* exportacion : {"SubCarpetas", "Mensajes", "MensajeSiguiente", "ObjMsg", "DestinoMsg",
                                  "UnMensajeMail", "Guardar", "Guardar objeto"}) {
    casos.push_back({exportacion, kNulo, kTodas, OE_ERROR_PARAM});
    casos.push_back({exportacion, kAjeno, kTodas, OE_ERROR_PARAM});
  }
  // No generation: every call that would read a store fails.
  for (const char* exportacion : {"Carpetas", "Principales", "SubCarpetas", "DeEntryID", "Mensajes", "UnMensajeMail",
                                  "Attach"}) {
    casos.push_back({exportacion, kPropio, {VERSION_NINGUNA}, OE_ERROR});
  }
  for (const auto& [exportacion, arg, versiones, esperado] : casos) {
    for (uint32_t version : versiones) {
      SCOPED_TRACE(exportacion + " arg " + std::to_string(arg) + " v" + std::to_string(version));
      VersionOE = version;
      Registros r;
      EXPECT_EQ(Llamar(exportacion, arg, r), esperado);
      EXPECT_EQ(r.salida, &r.texto);
    }
  }
}

// The room a save needs is checked before any action: refused, the message forgets its
// earlier changes. Past the check, only the actions that touch no part may run on bare records.
TEST_F(ExportacionesTest, GuardarCompruebaElEspacioLibreAntesDeCadaAccion) {
  // Free bytes (nullopt: the room cannot be learned), the message's size, whether it is refused.
  const std::tuple<std::optional<uint64_t>, uint32_t, bool> casos[] = {
      {1499, 1000, true}, {1500, 1000, false}, {uint64_t{1} << 32, 0xFFFFFFF0u, false},
      {0xFFFFFFFFu, 0xFFFFFFF0u, true}, {std::nullopt, 0, true},
  };
  for (uint32_t version : kAlmacenes) {
    for (const auto& [libre, tam_msg, debe_negarse] : casos) {
      for (uint32_t accion : {ACCION_CONSERVAR, ACCION_RENOMBRAR, ACCION_BORRAR, ACCION_SUSTITUIR, 9u}) {
        if (!debe_negarse && accion != ACCION_CONSERVAR && accion != 9u) continue;
        SCOPED_TRACE(std::to_string(tam_msg) + " v" + std::to_string(version) + " accion " + std::to_string(accion));
        VersionOE = version;
        plataforma::Ganchos().espacio_libre = libre;
        plataforma::Ganchos().espacio_desconocido = !libre;
        Registros r;
        r.mensaje.TamMsg = tam_msg;
        r.mensaje.Modificado = 1;
        std::strcpy(r.mensaje.RutaIndice, "C:\\Almacen\\Inbox.dbx");
        EXPECT_EQ(OE_GuardarObjMsg(&r.mensaje, &r.objeto, accion) == OE_SIN_MENSAJES, debe_negarse);
        EXPECT_EQ(r.mensaje.Modificado, debe_negarse ? 0u : 1u);
      }
    }
  }
}

}  // namespace
}  // namespace orvex
