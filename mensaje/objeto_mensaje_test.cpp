#include "mensaje/objeto_mensaje.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "soporte/buffer_flujo.h"
#include "mensaje/objeto_interno.h"
#include "mensaje/salida_parte.h"
#include "mime/analizador.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/tablas.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

using namespace pruebas;

const std::string kBinario("MZ\x90\0\x03\0\0\0\xff\xfe\r\n\0end", 16);

struct Parte { std::string nombre, contenido; bool operator==(const Parte&) const = default; };

// Opens an object, lets ajustar change its parser, then reads parts until the end, checking
// on each the cursors the save actions rely on: the parts tile the text consumed.
std::vector<Parte> LeerTodo(OE_MENSAJE* m, const std::function<void(CL_ANALIZADOR_MIME&)>& ajustar = nullptr) {
  std::vector<Parte> partes;
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  if (o == nullptr) return partes;
  if (ajustar) ajustar(*mensaje::AnalizadorDe(o));
  const std::string_view texto(m->Texto, m->Texto == nullptr ? 0 : m->LongTexto);
  uint32_t r, inicio = 0;
  while ((r = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE)) == OE_OK && partes.size() <= 100) {
    const auto* contenido = static_cast<const CL_BUFFER_FLUJO*>(o->Contenido);
    partes.push_back({o->NombreAdjunto, std::string(contenido->Datos(), contenido->Longitud())});
    EXPECT_STREQ(o->NombreAdjunto, o->NombreParte);
    EXPECT_EQ(o->NumParte, partes.size());
    EXPECT_EQ(o->PosInicioParte, inicio);
    EXPECT_EQ(o->PosSigParte, o->PosInicioParte + o->BytesLeidos);
    EXPECT_LE(o->PosSigParte, texto.size());
    const std::string_view crudo(mensaje::SalidaDe(o)->Datos(), o->LongParte);
    EXPECT_NE(texto.substr(o->PosInicioParte, o->BytesLeidos).find(crudo), std::string_view::npos);
    inicio = o->PosSigParte;
  }
  EXPECT_EQ(r, OE_FIN);
  EXPECT_EQ(o, nullptr);
  return partes;
}

// Content of a part that is not decoded: its lines and the trailing 0 byte.
std::string Crudo(const std::string& lineas) { return lineas + std::string(1, '\0'); }

std::string EnMixto(std::vector<ParteMime> hijas) {
  return Componer(Mensaje("a@b", "c@d", "s", Multiparte("mixed", std::move(hijas))));
}

class ObjetoMensajeTest : public ::testing::Test {
 protected:
  void SetUp() override { VersionOE = VERSION_OE5; }
  void TearDown() override { VersionOE = VERSION_NINGUNA; }
};

TEST_F(ObjetoMensajeTest, EntregaLasPartesSeleccionadas) {
  struct Caso { const char* nombre; std::string texto; std::vector<Parte> esperado; };
  ParteMime nombrado = TextoPlano("Note.\n");
  nombrado.cabeceras[0].second = "text/plain; name=\"nota.txt\"";
  ParteMime sin_cierre = Multiparte("mixed", {TextoPlano("Body.\n"), Adjunto("a.bin", "abc")});
  sin_cierre.cerrar = false;
  ParteMime sin_fin = Multiparte("mixed", {TextoPlano("Body.\n"), TextoPlano("last line without end")});
  sin_fin.cerrar = false;
  ParteMime cuerpo_nul;
  cuerpo_nul.cuerpo = std::string("a\0b\nc\n", 6);
  const Caso casos[] = {
      {"simple", MensajeSimple(), {{"", Crudo("First line of the body.\r\nSecond line.\r\nThird and last line.\r\n")}}},
      {"con LF no sale del bloque de cabecera", MensajeConAdjunto(kBinario, FinDeLinea::kLf), {}},
      {"adjunto", MensajeConAdjunto(kBinario), {{"", Crudo("See the attachment.\r\n")}, {"x.exe", kBinario}}},
      {"imagen con nombre", EnMixto({Imagen("gif", "GIF89a\x01", "foto.gif")}), {{"", "GIF89a\x01"}}},
      // The quoted-printable decoder keeps the 0 byte that closes the raw lines.
      {"html", MensajeHtml(),
       {{"", Crudo("Hello in plain text.\r\n")}, {"", Crudo("<HTML><BODY>Hello in <B>HTML</B> =)</BODY></HTML>\r\n")}}},
      {"parte de texto con nombre", EnMixto({nombrado}), {{"nota.txt", Crudo("Note.\r\n")}}},
      {"un nombre no pasa a la parte siguiente", EnMixto({Adjunto("uno.bin", "1"), Imagen("gif", "G")}),
       {{"uno.bin", "1"}, {"", "G"}}},
      {"ninguna parte seleccionada",
       EnMixto({Adjunto("d.ps", "%!PS", "application/postscript"), TextoQP("rich", "enriched")}), {}},
      {"sin frontera de cierre", Componer(Mensaje("a@b", "c@d", "s", sin_cierre)),
       {{"", Crudo("Body.\r\n")}, {"a.bin", "abc"}}},
      {"el texto acaba dentro de la parte", Componer(Mensaje("a@b", "c@d", "s", sin_fin)),
       {{"", Crudo("Body.\r\n")}, {"", Crudo("last line without end")}}},
      {"bytes NUL en el cuerpo", Componer(Mensaje("a@b", "c@d", "nul", cuerpo_nul)),
       {{"", Crudo(std::string("a\0b\r\nc\r\n", 8))}}},
      {"mensaje reenviado dentro de una parte",
       "Subject: fuera\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n"
       "--f\r\n\r\ncuerpo\r\n--f\r\nContent-Type: message/rfc822\r\n\r\nSubject: dentro\r\n\r\nreenviado\r\n--f--\r\n",
       {{"", Crudo("cuerpo\r\n")}, {"", Crudo("reenviado\r\n")}}},
      {"digest: cada hijo es un mensaje",
       "Content-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n\r\n"
       "Subject: uno\r\n\r\nprimero\r\n--d\r\n\r\nSubject: dos\r\n\r\nsegundo\r\n--d--\r\n",
       {{"", Crudo("primero\r\n")}, {"", Crudo("segundo\r\n")}}},
      {"solo cabeceras", "From: a@b\r\nSubject: nada\r\n\r\n", {}},
      {"sin fin de linea", "Subject: una sola linea", {}},
      {"vacio", "", {}},
      {"un nombre largo se corta en su campo", EnMixto({Adjunto(std::string(400, 'n'), "z")}),
       {{std::string(194, 'n'), "z"}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(caso.texto);
    EXPECT_EQ(LeerTodo(mensaje.Puntero()), caso.esperado);
  }
}

TEST_F(ObjetoMensajeTest, LosInterruptoresYElFiltroDecidenQueSeEntrega) {
  const std::string texto = EnMixto({TextoPlano("p\n"), Multiparte("alternative", {Html("<p>h</p>\n")}),
                                     Adjunto("a.bin", "abc"), Imagen("gif", "G"), Adjunto("", "RIFF", "audio/wav"),
                                     Adjunto("", "MPG", "video/mpeg"), Adjunto("", "X", "x-custom/thing")});
  const Parte plano{"", Crudo("p\r\n")}, html{"", Crudo("<p>h</p>\r\n")}, bin{"a.bin", "abc"}, gif{"", "G"},
      gif_con_nombre{"a.bin", "G"}, audio{"", "RIFF"}, video{"", "MPG"}, otro{"", "X"};
  struct Caso { const char* nombre; std::function<void(CL_ANALIZADOR_MIME&)> ajustar; std::vector<Parte> esperado; };
  const Caso casos[] = {
      {"todo", nullptr, {plano, html, bin, gif, audio, video, otro}},
      {"sin text/plain", [](CL_ANALIZADOR_MIME& a) { a.ExtraerTextPlain = 0; }, {html, bin, gif, audio, video, otro}},
      {"sin text/html", [](CL_ANALIZADOR_MIME& a) { a.ExtraerTextHtml = 0; }, {plano, bin, gif, audio, video, otro}},
      // Within one call the image's header shows no name, so the skipped part's name stays.
      {"sin octet-stream", [](CL_ANALIZADOR_MIME& a) { a.ExtraerOctetStream = 0; },
       {plano, html, gif_con_nombre, audio, video, otro}},
      {"sin imagenes", [](CL_ANALIZADOR_MIME& a) { a.ExtraerImage = 0; }, {plano, html, bin, audio, video, otro}},
      {"sin audio", [](CL_ANALIZADOR_MIME& a) { a.ExtraerAudio = 0; }, {plano, html, bin, gif, video, otro}},
      {"sin video", [](CL_ANALIZADOR_MIME& a) { a.ExtraerVideo = 0; }, {plano, html, bin, gif, audio, otro}},
      {"sin otros", [](CL_ANALIZADOR_MIME& a) { a.ExtraerOtros = 0; }, {plano, html, bin, gif, audio, video}},
      {"un interruptor a 2 no es 1", [](CL_ANALIZADOR_MIME& a) { a.ExtraerOctetStream = 2; },
       {plano, html, gif_con_nombre, audio, video, otro}},
      {"filtro 1: fuera lo anidado", [](CL_ANALIZADOR_MIME& a) { a.FiltroNivel = 1; }, {plano, bin, gif, audio, video, otro}},
      {"filtro 2: nada", [](CL_ANALIZADOR_MIME& a) { a.FiltroNivel = 2; }, {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(texto);
    EXPECT_EQ(LeerTodo(mensaje.Puntero(), caso.ajustar), caso.esperado);
  }
}

// The last unnamed part sets the body cursors, and the outer message's Subject and From.
TEST_F(ObjetoMensajeTest, ElCuerpoFijaPosicionesAsuntoYRemitente) {
  struct Caso { std::string texto, cuerpo, asunto, de; };
  const Caso casos[] = {
      {MensajeSimple(), "First line of the body.\r\nSecond line.\r\nThird and last line.\r\n", "Saludos", "ana@ejemplo.es"},
      {MensajeConAdjunto("xyz"), "See the attachment.\r\n", "Adjunto", "ana@ejemplo.es"},
      {"From: ana@b\r\nSubject: fuera\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n"
       "--f\r\nContent-Type: message/rfc822\r\n\r\nFrom: pepe@c\r\nSubject: dentro\r\n\r\nreenviado\r\n--f--\r\n",
       "reenviado\r\n", "fuera", "ana@b"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.asunto);
    RegistroMensaje mensaje(caso.texto);
    ASSERT_FALSE(LeerTodo(mensaje.Puntero()).empty());
    ASSERT_LE(mensaje->PosCuerpo, mensaje->FinCuerpo);
    EXPECT_EQ(caso.texto.substr(mensaje->PosCuerpo, mensaje->FinCuerpo - mensaje->PosCuerpo), caso.cuerpo);
    EXPECT_STREQ(mensaje->Asunto, caso.asunto.c_str());
    EXPECT_STREQ(mensaje->De, caso.de.c_str());
    EXPECT_STREQ(mensaje->DeMime, caso.de.c_str());
  }
}

TEST_F(ObjetoMensajeTest, AbrirCopiaElMensajeYVaciaSusTextos) {
  RegistroMensaje mensaje(MensajeSimple());
  mensaje->TamMsg = 0x300;
  for (char* texto : {mensaje->De, mensaje->DeMime, mensaje->TextoGen, mensaje->Asunto}) std::strcpy(texto, "viejo");
  std::strcpy(reinterpret_cast<char*>(mensaje->AreaGen + 12), "viejo");
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &o, OE_PRIMERO), OE_OK);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->Tamano, OE_TAM_OBJMSG);
  const OE_MENSAJE& m = *mensaje.Puntero();
  EXPECT_EQ(std::vector<uint32_t>({o->IdCarpeta, o->PosCarpeta, o->IdMensaje, o->IdMensajeCopia, o->PosTexto, o->FinMsg,
                                   o->PosRegistro, o->FinRegistro, o->NumParte, o->PosSigParte}),
            std::vector<uint32_t>({m.IdCarpeta, m.PosCarpeta, m.IdMensaje, m.IdMensaje, m.PosTexto, m.PosTexto + 0x300,
                                   m.PosRegistro, m.FinRegistro, 0, 0}));
  EXPECT_EQ(o->Contenido, nullptr);
  EXPECT_NE(o->Parser, nullptr);
  EXPECT_NE(o->Salida, nullptr);
  for (const char* texto : {m.De, m.DeMime, m.TextoGen, m.Asunto}) EXPECT_STREQ(texto, "");
  EXPECT_EQ(m.AreaGen[12], 0);
  EXPECT_EQ(m.AreaGen[13], 'i');  // only the first byte is cut
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &o, OE_CERRAR), OE_OK);
  EXPECT_EQ(o, nullptr);
}

TEST_F(ObjetoMensajeTest, LocalizaLaPrimeraParteHtml) {
  for (const std::vector<std::string>& c : Filas(
#include "pruebas/datos/posiciones_html.inc"
           )) {
    SCOPED_TRACE(c.at(0));
    RegistroMensaje mensaje(c.at(1), c.at(2) == "1");
    mensaje->PosTextHtm = mensaje->PosNextPart = 77;
    OE_OBJMSG* objeto = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
    EXPECT_EQ(mensaje->PosTextHtm, std::stoul(c.at(3)));
    EXPECT_EQ(mensaje->PosNextPart, std::stoul(c.at(4)));
    EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
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

TEST_F(ObjetoMensajeTest, SinTextoOModificadoSinAlmacenAcabaEnFin) {
  RegistroMensaje modificado(MensajeSimple());
  modificado->Modificado = 1;  // no store behind it: the write-back fails and is not reported
  EXPECT_EQ(LeerTodo(modificado.Puntero()).size(), 1u);
  RegistroMensaje sin_texto(MensajeSimple());
  sin_texto->Texto = nullptr;
  EXPECT_TRUE(LeerTodo(sin_texto.Puntero()).empty());
  EXPECT_EQ(sin_texto->PosTextHtm, 0u);
}

// Every page-allocator region in turn fails while an object walks a message: the open
// reports 8 or the walk raises CL_EXCEPCION_MEMORIA; either way mode 3 still frees it.
TEST_F(ObjetoMensajeTest, UnFalloDeMemoriaDejaElObjetoCerrable) {
  const std::string texto = MensajeConAdjunto(std::string(30000, 'q'));
  auto& ganchos = plataforma::Ganchos();
  const int region = static_cast<int>(plataforma::Operacion::kRegion);
  bool fallo_alguno = true;
  for (uint64_t n = 1; fallo_alguno && n < 200; ++n) {
    SCOPED_TRACE(n);
    RegistroMensaje mensaje(texto);
    ganchos.Reiniciar();
    ganchos.fallar_en[region] = n;
    OE_OBJMSG* objeto = nullptr;
    uint32_t r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), partes = 0;
    bool excepcion = false;
    if (r == OE_OK) {
      try {
        while ((r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE)) == OE_OK) ++partes;
        EXPECT_EQ(partes, 2u);
      } catch (const CL_EXCEPCION_MEMORIA&) {
        excepcion = true;
        ASSERT_NE(objeto, nullptr);
        EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
      }
    }
    EXPECT_EQ(r, excepcion ? OE_OK : partes == 0 ? OE_ERROR_MEMORIA : OE_FIN);
    EXPECT_EQ(objeto, nullptr);
    fallo_alguno = ganchos.contador[region] >= n;
    EXPECT_TRUE(fallo_alguno || !excepcion);
    ganchos.Reiniciar();
  }
  EXPECT_FALSE(fallo_alguno) << "the loop did not reach a run without a fault";
}

}  // namespace
}  // namespace orvex
