#include "mensaje/objeto_mensaje.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
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

std::string EnMixto(std::vector<ParteMime> hijas) {
  return Componer(Mensaje("a@b", "c@d", "s", Multiparte("mixed", std::move(hijas))));
}

class ObjetoMensajeTest : public ::testing::Test {
 protected:
  void SetUp() override { VersionOE = VERSION_OE5; }
  void TearDown() override { VersionOE = VERSION_NINGUNA; }
};

// Which parts are handed out, with what name and content, what the walk leaves in the record, the
// To entries (the parser's own table covers how they are read), and the subject a listing puts in
// a record that holds the index's: until a part's body is reached the index's stays. The open
// also finds the first HTML part (the "html" rows).
TEST_F(ObjetoMensajeTest, EntregaLasPartesSeleccionadas) {
  ParteMime nombrado = TextoPlano("Note.\n");
  nombrado.cabeceras[0].second = "text/plain; name=\"nota.txt\"";
  ParteMime sin_cierre = Multiparte("mixed", {TextoPlano("Body.\n"), Adjunto("a.bin", "abc")});
  sin_cierre.cerrar = false;
  ParteMime sin_fin = Multiparte("mixed", {TextoPlano("Body.\n"), TextoPlano("last line without end")});
  sin_fin.cerrar = false;
  ParteMime cuerpo_nul;
  cuerpo_nul.cuerpo = std::string("a\0b\nc\n", 6);
  const std::string binario("MZ\x90\0\x03\0\0\0\xff\xfe\r\n\0end", 16);
  struct Caso { std::string nombre, texto; void (*preparar)(OE_MENSAJE&) = nullptr; bool sin_nul = false; };
  std::vector<Caso> casos = {
      {"simple", MensajeSimple()},
      {"con LF no sale del bloque de cabecera", MensajeConAdjunto(binario, FinDeLinea::kLf)},
      {"adjunto", MensajeConAdjunto(binario)},
      {"imagen con nombre", EnMixto({Imagen("gif", "GIF89a\x01", "foto.gif")})},
      {"html", MensajeHtml()},
      {"parte de texto con nombre", EnMixto({nombrado})},
      {"un nombre no pasa a la parte siguiente", EnMixto({Adjunto("uno.bin", "1"), Imagen("gif", "G")})},
      {"ninguna parte seleccionada",
       EnMixto({Adjunto("d.ps", "%!PS", "application/postscript"), TextoQP("rich", "enriched")})},
      {"sin frontera de cierre", Componer(Mensaje("a@b", "c@d", "s", sin_cierre))},
      {"el texto acaba dentro de la parte", Componer(Mensaje("a@b", "c@d", "s", sin_fin))},
      {"bytes NUL en el cuerpo", Componer(Mensaje("a@b", "c@d", "nul", cuerpo_nul))},
      {"dos destinos", Componer(Mensaje("a@b", "luis@ejemplo.es, Pepa Gil <pepa@ejemplo.es>", "s", TextoPlano("x\n")))},
      {"un nombre largo se corta en su campo", EnMixto({Adjunto(std::string(400, 'n'), "z")})},
      {"sin texto", MensajeSimple(), [](OE_MENSAJE& m) { m.Texto = nullptr; }},
      // No store behind it: the write-back fails and is not reported.
      {"modificado sin almacen", MensajeSimple(), [](OE_MENSAJE& m) { m.Modificado = 1; }},
  };
  for (const std::vector<std::string>& fila : Filas(
#include "pruebas/datos/mensajes_partes.inc"
           )) {
    casos.push_back({fila.at(0), fila.at(1), nullptr, fila.size() > 2 && fila[2] == "1"});
  }
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(caso.texto, caso.sin_nul), listado(caso.texto, caso.sin_nul);
    for (OE_MENSAJE* m : {mensaje.Puntero(), listado.Puntero()}) {
      if (caso.preparar != nullptr) caso.preparar(*m);
    }
    std::strcpy(listado->Asunto, "del indice");
    mensaje::RefrescarAsunto(listado.Puntero());
    EXPECT_VOLCADO(kVolcados, "volcados_mensaje", caso.nombre,
                   Recorrido(mensaje.Puntero()) + "refrescado \"" + Escapado(listado->Asunto) + "\"\n");
  }
}

TEST_F(ObjetoMensajeTest, LosInterruptoresYElFiltroDecidenQueSeEntrega) {
  const std::string texto = EnMixto({TextoPlano("p\n"), Multiparte("alternative", {Html("<p>h</p>\n")}),
                                     Adjunto("a.bin", "abc"), Imagen("gif", "G"), Adjunto("", "RIFF", "audio/wav"),
                                     Adjunto("", "MPG", "video/mpeg"), Adjunto("", "X", "x-custom/thing")});
  using A = CL_ANALIZADOR_MIME;
  struct Caso { const char* nombre; uint32_t A::*campo; uint32_t valor; };
  const Caso casos[] = {
      {"todo", nullptr, 0},
      {"sin text/plain", &A::ExtraerTextPlain, 0},
      {"sin text/html", &A::ExtraerTextHtml, 0},
      // Within one call the image's header shows no name, so the skipped part's name stays.
      {"sin octet-stream", &A::ExtraerOctetStream, 0},
      {"sin imagenes", &A::ExtraerImage, 0},
      {"sin audio", &A::ExtraerAudio, 0},
      {"sin video", &A::ExtraerVideo, 0},
      {"sin otros", &A::ExtraerOtros, 0},
      {"un interruptor a 2 no es 1", &A::ExtraerOctetStream, 2},
      {"filtro 1: fuera lo anidado", &A::FiltroNivel, 1},
      {"filtro 2: nada", &A::FiltroNivel, 2},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(texto);
    const std::string visto = Recorrido(mensaje.Puntero(), [&](OE_OBJMSG& o) {
      if (caso.campo != nullptr) mensaje::AnalizadorDe(&o)->*caso.campo = caso.valor;
    });
    EXPECT_VOLCADO(kVolcados, "volcados_mensaje", std::string("interruptores ") + caso.nombre, visto);
  }
}

TEST_F(ObjetoMensajeTest, ModosYRegistrosQueNoSonUnObjeto) {
  RegistroMensaje mensaje(MensajeSimple());
  OE_MENSAJE* m = mensaje.Puntero();
  OE_OBJMSG* objeto = nullptr;
  OE_OBJMSG* falso = reinterpret_cast<OE_OBJMSG*>(m);  // a message record where the object should be
  for (OE_OBJMSG** o : {&objeto, &falso}) {
    EXPECT_EQ(OE_ObtenerObjMsg(m, o, OE_SIGUIENTE), OE_ERROR_PARAM);
    EXPECT_EQ(OE_ObtenerObjMsg(m, o, OE_CERRAR), OE_ERROR_PARAM);
  }
  EXPECT_EQ(OE_ObtenerObjMsg(m, &objeto, 4), OE_OK);
  EXPECT_EQ(objeto, nullptr);
  ASSERT_EQ(OE_ObtenerObjMsg(m, &objeto, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerObjMsg(m, &objeto, 0), OE_OK);
  EXPECT_EQ(objeto->NumParte, 0u);
  EXPECT_EQ(OE_ObtenerObjMsg(m, &objeto, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(OE_ObtenerObjMsg(m, &objeto, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(objeto, nullptr);
  EXPECT_EQ(OE_ObtenerObjMsg(m, &objeto, OE_SIGUIENTE), OE_ERROR_PARAM);
}

// Every page-allocator region in turn fails while an object walks a message and then while the
// destination listing opens. The open reports 8 or the walk raises CL_EXCEPCION_MEMORIA, and
// mode 3 still frees the object; the listing is refused with 8 (and no record) or raises.
TEST_F(ObjetoMensajeTest, UnFalloDeMemoriaDejaLosRegistrosCerrables) {
  const std::string texto = MensajeConAdjunto(std::string(30000, 'q'));
  auto& ganchos = plataforma::Ganchos();
  const int region = static_cast<int>(plataforma::Operacion::kRegion);
  bool fallo_alguno = true;
  for (uint64_t n = 1; fallo_alguno && n < 300; ++n) {
    SCOPED_TRACE(n);
    RegistroMensaje mensaje(texto);
    ganchos.Reiniciar();
    ganchos.fallar_en[region] = n;
    OE_OBJMSG* objeto = nullptr;
    uint32_t r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), partes = 0;
    bool excepcion = false;
    try {
      while (r == OE_OK && (r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE)) == OE_OK) ++partes;
    } catch (const CL_EXCEPCION_MEMORIA&) {
      excepcion = true;
      ASSERT_NE(objeto, nullptr);
      EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
    }
    EXPECT_EQ(r, excepcion ? OE_OK : partes == 0 ? OE_ERROR_MEMORIA : OE_FIN);
    EXPECT_TRUE(excepcion || partes == 0 || partes == 2);
    EXPECT_EQ(objeto, nullptr);
    const bool fallo_en_partes = ganchos.contador[region] >= n;
    EXPECT_TRUE(fallo_en_partes || !excepcion);
    OE_DESTINO* destino = nullptr;
    r = OE_ERROR;
    try {
      r = OE_ObtenerDestinoMsg(mensaje.Puntero(), &destino, OE_PRIMERO);
    } catch (const CL_EXCEPCION_MEMORIA&) {
    }
    fallo_alguno = ganchos.contador[region] >= n;
    ganchos.Reiniciar();
    EXPECT_EQ(destino != nullptr, r == OE_OK);
    EXPECT_EQ(r == OE_OK, fallo_en_partes || !fallo_alguno);
    if (destino != nullptr) {
      EXPECT_EQ(destino->NumDestinos, 1u);
      EXPECT_EQ(OE_ObtenerDestinoMsg(mensaje.Puntero(), &destino, OE_CERRAR), OE_OK);
    }
  }
  EXPECT_FALSE(fallo_alguno) << "the loop did not reach a run without a fault";
}

}  // namespace
}  // namespace orvex
