#include "mensaje/objeto_mensaje.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/objeto_interno.h"
#include "mime/analizador.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/tablas.h"
#include "pruebas/volcado.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

using namespace pruebas;

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_mensaje.inc"
    ;

// A message's destination listing: the count, each entry with its index, the result that ended
// it and the close.
std::string VolcarDestinos(OE_MENSAJE* m) {
  OE_DESTINO* d = nullptr;
  uint32_t res = OE_ObtenerDestinoMsg(m, &d, OE_PRIMERO);
  if (res != OE_OK || d == nullptr) return "destinos " + std::to_string(res) + "\n";
  std::string r = "destinos " + std::to_string(d->NumDestinos) + " tam=" + std::to_string(d->Tamano) + "\n";
  for (int pasos = 0; pasos < 1000 && (res = OE_ObtenerDestinoMsg(m, &d, OE_SIGUIENTE)) == OE_OK; ++pasos) {
    r += "destino " + std::to_string(d->Indice) + " \"" + Escapado(d->Destino) + "\"\n";
  }
  r += "resultado " + std::to_string(res) + " cerrar " + std::to_string(OE_ObtenerDestinoMsg(m, &d, OE_CERRAR));
  return r + (d != nullptr ? " abierto\n" : "\n");
}

// The part walk of a record whose texts hold old values, then what the walk left in it (the
// body's cursors, the first HTML part's cursors, the texts the open empties and the body fills)
// and the destination listing.
std::string Recorrido(OE_MENSAJE* m, const std::function<void(OE_OBJMSG&)>& ajustar = nullptr) {
  for (char* texto : {m->De, m->DeMime, m->TextoGen, m->Asunto}) std::strcpy(texto, "viejo");
  std::strcpy(reinterpret_cast<char*>(m->AreaGen + 12), "viejo");
  m->TamMsg = 0x300;
  m->PosTextHtm = m->PosNextPart = 77;
  std::ostringstream r;
  r << VolcarPartes(m, ajustar) << "mensaje cuerpo=" << m->PosCuerpo << "-" << m->FinCuerpo << " html="
    << m->PosTextHtm << "," << m->PosNextPart << " de=\"" << Escapado(m->De) << "\" demime=\"" << Escapado(m->DeMime)
    << "\" textogen=\"" << Escapado(m->TextoGen) << "\" asunto=\"" << Escapado(m->Asunto) << "\" gen=\""
    << Escapado(std::string_view(reinterpret_cast<const char*>(m->AreaGen + 12), 5)) << "\"\n";
  return r.str() + VolcarDestinos(m);
}

class ObjetoMensajeTest : public ::testing::Test {
 protected:
  void SetUp() override { VersionOE = VERSION_OE5; }
  void TearDown() override { VersionOE = VERSION_NINGUNA; }
};

// Which parts are handed out, with what name and content, what the walk leaves in the record, the
// To entries (the parser's own table covers how they are read), and the subject a listing puts in
// a record that holds the index's: until a part's body is reached the index's stays. The open
// also finds the first HTML part (the "html" rows). The "interruptores" rows walk one message of
// every kind of part with one switch or the nesting filter set.
TEST_F(ObjetoMensajeTest, EntregaLasPartesSeleccionadas) {
  using A = CL_ANALIZADOR_MIME;
  struct Caso {
    std::string nombre, texto;
    bool sin_nul = false;
    uint32_t A::*campo = nullptr;
    uint32_t valor = 0;
  };
  std::vector<Caso> casos = {{"sin texto", MensajeSimple()}};
  for (const std::vector<std::string>& fila : Filas(
#include "pruebas/datos/mensajes_partes.inc"
           )) {
    casos.push_back({fila.at(0), fila.at(1), fila.size() > 2 && fila[2] == "1"});
  }
  const std::string todas = Componer(Mensaje("a@b", "c@d", "s", Multiparte("mixed", {
      TextoPlano("p\n"), Multiparte("alternative", {Html("<p>h</p>\n")}), Adjunto("a.bin", "abc"),
      Adjunto("", "G", "image/gif"), Adjunto("", "RIFF", "audio/wav"), Adjunto("", "MPG", "video/mpeg"),
      Adjunto("", "X", "x-custom/thing")})));
  const std::tuple<const char*, uint32_t A::*, uint32_t> interruptores[] = {
      {"todo", nullptr, 0}, {"sin text/plain", &A::ExtraerTextPlain, 0}, {"sin imagenes", &A::ExtraerImage, 0},
      // Within one call the image's header shows no name, so the skipped part's name stays.
      {"sin octet-stream", &A::ExtraerOctetStream, 0}, {"sin otros", &A::ExtraerOtros, 0},
      {"un interruptor a 2 no es 1", &A::ExtraerOctetStream, 2},
      {"filtro 1: fuera lo anidado", &A::FiltroNivel, 1}, {"filtro 2: nada", &A::FiltroNivel, 2},
  };
  for (const auto& [nombre, campo, valor] : interruptores) {
    casos.push_back({"interruptores " + std::string(nombre), todas, false, campo, valor});
  }
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(caso.texto, caso.sin_nul), listado(caso.texto, caso.sin_nul);
    if (caso.nombre == "sin texto") mensaje->Texto = listado->Texto = nullptr;
    std::strcpy(listado->Asunto, "del indice");
    mensaje::RefrescarAsunto(listado.Puntero());
    const std::string visto = Recorrido(mensaje.Puntero(), [&](OE_OBJMSG& o) {
      if (caso.campo != nullptr) mensaje::AnalizadorDe(&o)->*caso.campo = caso.valor;
    });
    EXPECT_VOLCADO(kVolcados, "volcados_mensaje", caso.nombre,
                   visto + "refrescado \"" + Escapado(listado->Asunto) + "\"\n");
  }
}

// Modes and records that an export does not take: each refused or ignored with the host's
// pointers left alone. A message record stands where an object or a destination should be.
TEST_F(ObjetoMensajeTest, ModosYRegistrosQueNoSirven) {
  RegistroMensaje mensaje(MensajeSimple());
  OE_MENSAJE* m = mensaje.Puntero();
  OE_REF_ADJUNTO referencia{};
  enum Registro { kNulo, kAjeno, kSinSalida };
  struct Caso { char exportacion; Registro registro; uint32_t modo, esperado; };
  const Caso casos[] = {
      {'o', kNulo, OE_SIGUIENTE, OE_ERROR_PARAM}, {'o', kAjeno, OE_CERRAR, OE_ERROR_PARAM},
      {'o', kNulo, 4, OE_OK}, {'d', kNulo, OE_CERRAR, OE_ERROR_PARAM},
      {'d', kAjeno, OE_SIGUIENTE, OE_ERROR_PARAM}, {'d', kNulo, 4, OE_OK},
      {'d', kSinSalida, OE_PRIMERO, OE_ERROR_PARAM}, {'a', kNulo, OE_SIGUIENTE, OE_OK},
      {'a', kNulo, OE_CERRAR, OE_ERROR_PARAM},  // nothing open
  };
  for (const auto& [exportacion, registro, modo, esperado] : casos) {
    SCOPED_TRACE(testing::Message() << exportacion << " " << registro << " modo " << modo);
    void* const antes = registro == kAjeno ? m : nullptr;
    auto* o = static_cast<OE_OBJMSG*>(antes);
    auto* d = static_cast<OE_DESTINO*>(antes);
    OE_MENSAJE* abierto = nullptr;
    OE_DESTINO** salida = registro == kSinSalida ? nullptr : &d;
    const uint32_t r = exportacion == 'o' ? OE_ObtenerObjMsg(m, &o, modo)
                       : exportacion == 'd' ? OE_ObtenerDestinoMsg(m, salida, modo)
                       : OE_ObtenerAttachMensaje(&referencia, &abierto, &o, modo);
    EXPECT_EQ(r, esperado);
    EXPECT_TRUE(o == antes && d == antes && abierto == nullptr);
  }
}

// Every page-allocator region in turn fails while an object walks a message. An open reports 8
// or the walk raises CL_EXCEPCION_MEMORIA; every record handed out still closes.
TEST_F(ObjetoMensajeTest, UnFalloDeMemoriaDejaLosRegistrosCerrables) {
  const std::string texto = MensajeConAdjunto(std::string(30000, 'q'));
  auto& ganchos = plataforma::Ganchos();
  const int region = static_cast<int>(plataforma::Operacion::kRegion);
  bool fallo = true;
  for (uint64_t n = 1; fallo && n < 300; ++n) {
    SCOPED_TRACE(n);
    RegistroMensaje mensaje(texto);
    ganchos.Reiniciar();
    ganchos.fallar_en[region] = n;
    OE_OBJMSG* objeto = nullptr;
    uint32_t r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), partes = 0;
    try {
      while (r == OE_OK && (r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE)) == OE_OK) ++partes;
    } catch (const CL_EXCEPCION_MEMORIA&) {
    }
    fallo = ganchos.contador[region] >= n;
    ganchos.Reiniciar();
    // Still OE_OK: the walk raised.
    EXPECT_TRUE(r == OE_OK || (r == OE_ERROR_MEMORIA && partes == 0) || (r == OE_FIN && partes == 2)) << r;
    EXPECT_EQ(objeto != nullptr ? OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR) : OE_OK, OE_OK);
    EXPECT_EQ(objeto, nullptr);
  }
  EXPECT_FALSE(fallo) << "the loop did not reach a run without a fault";
}

}  // namespace
}  // namespace orvex
