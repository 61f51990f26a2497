// Message listings of every folder of each generation's example store, through the exports as
// a host drives them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pruebas/generaciones.h"

namespace orvex::pruebas {
namespace {

struct FilaMensajes {
  const char* nombre;
  AlmacenDeGeneracion (*instalar)();
  // By folder name: the result of mode 1, then the id of each message listed (0 for a result 1).
  std::map<std::string, std::vector<uint32_t>> listados;
};

class MensajesTest : public ::testing::TestWithParam<FilaMensajes> {
 protected:
  MensajesTest() : almacen_(GetParam().instalar()) {}
  AlmacenDeGeneracion almacen_;
};

// Every folder listed, and the subfolders the full listing does not give (newsgroups).
std::vector<OE_ENTRYID> Carpetas() {
  std::vector<OE_ENTRYID> ids = CarpetasHost(OE_ObtenerCarpetas);
  for (std::size_t i = 0, n = ids.size(); i < n; ++i) {
    OE_CARPETA* c = nullptr;
    if (OE_ObtenerCarpetaDeEntryID(&ids[i], &c, OE_PRIMERO) != OE_OK) continue;
    for (const OE_ENTRYID h : CarpetasHost(Hijas(c))) {
      if (!Contiene(ids, h)) ids.push_back(h);
    }
    OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR);
  }
  return ids;
}

TEST_P(MensajesTest, CadaCarpetaListaSusMensajesEnOrden) {
  std::map<std::string, std::vector<uint32_t>> listados;
  for (OE_ENTRYID id : Carpetas()) {
    OE_CARPETA* c = nullptr;
    ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&id, &c, OE_PRIMERO), OE_OK);
    SCOPED_TRACE(c->Nombre);
    std::vector<uint32_t>& ids = listados[c->Nombre];
    OE_MENSAJE* m = nullptr;
    const uint32_t primero = OE_ObtenerMensajes(c, &m, OE_PRIMERO);
    ids.push_back(primero);
    EXPECT_EQ(m != nullptr, primero == OE_OK);
    // Mode 1 prepares the cursor without reading a message.
    if (m != nullptr) {
      EXPECT_EQ(m->Tamano, OE_TAM_MENSAJE);
      EXPECT_EQ(m->IdMensaje, 0u);
      EXPECT_EQ(m->Texto, nullptr);
      EXPECT_EQ(OE_ObtenerMensajes(c, &m, 9), OE_OK);
    }
    for (uint32_t r = primero; r == OE_OK || (r == OE_ERROR && ids.size() < 100);) {
      r = OE_ObtenerMensajes(c, &m, OE_SIGUIENTE);
      if (r == OE_ERROR) ids.push_back(0);
      if (r != OE_OK) continue;
      ids.push_back(m->IdMensaje);
      EXPECT_EQ(m->IdCarpeta, c->IdCarpeta);
      ASSERT_NE(m->Texto, nullptr);
      EXPECT_EQ(m->Texto[m->LongTexto], '\0');
    }
    if (m != nullptr) {
      EXPECT_EQ(OE_ObtenerMensajes(c, &m, OE_CERRAR), OE_OK);
      EXPECT_EQ(m, nullptr);
    }
    OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR);
  }
  EXPECT_EQ(listados, GetParam().listados);
}

// No cursor yet, or a folder record where the message cursor goes.
TEST_P(MensajesTest, RegistrosAjenosSeRechazan) {
  OE_CARPETA* c = nullptr;
  for (OE_ENTRYID id : Carpetas()) {
    if (c != nullptr && c->NumMensajes > 0) break;
    if (c != nullptr) OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR);
    ASSERT_EQ(OE_ObtenerCarpetaDeEntryID(&id, &c, OE_PRIMERO), OE_OK);
  }
  ASSERT_NE(c->NumMensajes, 0u);
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(c, &m, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerMensajes(c, &m, OE_CERRAR), OE_ERROR_PARAM);
  auto* falso = reinterpret_cast<OE_MENSAJE*>(c);
  EXPECT_EQ(OE_ObtenerMensajes(c, &falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerMensajes(c, &falso, OE_CERRAR), OE_ERROR_PARAM);
  OE_ObtenerCarpetaDeEntryID(nullptr, &c, OE_CERRAR);
}

constexpr uint32_t kOk = OE_OK, kSin = OE_SIN_MENSAJES;
const FilaMensajes kFilas[] = {
    {"oe5",
     [] { return InstalarOe5(AlmacenEjemplo()); },
     {{"Local Folders", {kSin}}, {"Inbox", {kOk, 2, 3, 4, 5, 6}}, {"Proyectos", {kOk, 10, 11}}, {"2001", {kOk, 7}},
      {"Outbox", {kSin}}, {"Sent Items", {kOk, 2}}, {"Hotmail", {kSin}}}},
    // An article without a stored body is passed over; the account itself lists nothing.
    {"oe4",
     [] { return InstalarOe4(AlmacenOe4Ejemplo()); },
     {{"Outlook Express", {kSin}}, {"Bandeja de entrada", {kOk, 1, 3, 4}}, {"Elementos enviados", {kOk, 7}},
      {"Trabajo", {kSin}}, {"Proyecto", {kOk, 1}}, {"Detalle", {kSin}}, {"Elementos eliminados", {kSin}},
      {"news.example.com", {kSin}}, {"comp.lang.c", {kOk, 1, 4}}, {"alt.test", {kOk, 1}}}},
    // A dead record is passed over; Drafts' index is foreign and counts no messages.
    {"imn",
     [] { return InstalarImn(AlmacenImnEjemplo()); },
     {{"Drafts", {kSin}}, {"Inbox", {kOk, 1, 3, 5}}, {"Sent", {kOk, 7}}}},
};
INSTANTIATE_TEST_SUITE_P(Generaciones, MensajesTest, ::testing::ValuesIn(kFilas),
                         [](const auto& i) { return std::string(i.param.nombre); });

}  // namespace
}  // namespace orvex::pruebas
