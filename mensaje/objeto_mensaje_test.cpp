#include "mensaje/objeto_mensaje.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/buffer_flujo.h"
#include "mensaje/objeto_interno.h"
#include "mensaje/salida_parte.h"
#include "mime/analizador.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"
#include "soporte/memoria.h"

namespace orvex {
namespace {

using pruebas::FinDeLinea;
using pruebas::RegistroMensaje;

const std::string kBinario("MZ\x90\0\x03\0\0\0\xff\xfe\r\n\0end", 16);

struct Parte {
  std::string nombre;
  std::string contenido;
  bool operator==(const Parte&) const = default;
};

void PrintTo(const Parte& p, std::ostream* os) {
  *os << "{\"" << p.nombre << "\", " << ::testing::PrintToString(p.contenido) << "}";
}

// What a host sees of one part, with the cursors the save actions rely on.
struct ParteVista {
  Parte parte;
  uint32_t num_parte, pos_inicio, pos_sig, leidos, long_parte;
  std::string raw;
};

std::string ContenidoDe(const OE_OBJMSG* objeto) {
  const auto* contenido = static_cast<const CL_BUFFER_FLUJO*>(objeto->Contenido);
  return std::string(contenido->Datos(), contenido->Longitud());
}

// Opens an object, lets ajustar change its parser, then reads parts until the end.
std::vector<ParteVista> LeerTodo(OE_MENSAJE* mensaje,
                                 const std::function<void(CL_ANALIZADOR_MIME&)>& ajustar = nullptr) {
  std::vector<ParteVista> partes;
  OE_OBJMSG* objeto = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje, &objeto, OE_PRIMERO), OE_OK);
  if (objeto == nullptr) return partes;
  if (ajustar) ajustar(*mensaje::AnalizadorDe(objeto));
  uint32_t r;
  while ((r = OE_ObtenerObjMsg(mensaje, &objeto, OE_SIGUIENTE)) == OE_OK) {
    ParteVista v{{objeto->NombreAdjunto, ContenidoDe(objeto)},
                 objeto->NumParte,
                 objeto->PosInicioParte,
                 objeto->PosSigParte,
                 objeto->BytesLeidos,
                 objeto->LongParte,
                 std::string(mensaje::SalidaDe(objeto)->Datos(), objeto->LongParte)};
    EXPECT_STREQ(objeto->NombreAdjunto, objeto->NombreParte);
    partes.push_back(v);
    if (partes.size() > 100) break;
  }
  EXPECT_EQ(r, OE_FIN);
  EXPECT_EQ(objeto, nullptr);
  return partes;
}

std::vector<Parte> Partes(const std::vector<ParteVista>& vistas) {
  std::vector<Parte> partes;
  for (const auto& v : vistas) partes.push_back(v.parte);
  return partes;
}

// Content of a part that is not decoded: its lines and the trailing 0 byte.
std::string Crudo(const std::string& lineas) { return lineas + std::string(1, '\0'); }

class ObjetoMensajeTest : public ::testing::Test {
 protected:
  void SetUp() override { VersionOE = VERSION_OE5; }
  void TearDown() override { VersionOE = VERSION_NINGUNA; }
};

TEST_F(ObjetoMensajeTest, EntregaLasPartesSeleccionadas) {
  using namespace pruebas;
  struct Caso {
    const char* nombre;
    std::string texto;
    std::vector<Parte> esperado;
  };
  const std::string html = "<HTML><BODY>Hello in <B>HTML</B> =)</BODY></HTML>\r\n";
  ParteMime nombrado = TextoPlano("Note.\n");
  nombrado.cabeceras[0].second = "text/plain; name=\"nota.txt\"";
  ParteMime sin_cierre = Multiparte("mixed", {TextoPlano("Body.\n"), Adjunto("a.bin", "abc")});
  sin_cierre.cerrar = false;
  ParteMime sin_fin = Multiparte("mixed", {TextoPlano("Body.\n"), TextoPlano("last line without end")});
  sin_fin.cerrar = false;
  ParteMime cuerpo_nul;
  cuerpo_nul.cuerpo = std::string("a\0b\nc\n", 6);

  const Caso casos[] = {
      {"simple", MensajeSimple(),
       {{"", Crudo("First line of the body.\r\nSecond line.\r\nThird and last line.\r\n")}}},
      {"simple con LF: no sale del bloque de cabecera", MensajeSimple(FinDeLinea::kLf), {}},
      {"adjunto", MensajeConAdjunto(kBinario), {{"", Crudo("See the attachment.\r\n")}, {"x.exe", kBinario}}},
      {"adjunto con LF", MensajeConAdjunto(kBinario, FinDeLinea::kLf), {}},
      {"imagen sin nombre",
       Componer(Mensaje("a@b", "c@d", "img", Multiparte("mixed", {Imagen("gif", "GIF89a\x01", "foto.gif")}))),
       {{"", "GIF89a\x01"}}},
      // The quoted-printable decoder keeps the 0 byte that closes the raw lines.
      {"html", MensajeHtml(), {{"", Crudo("Hello in plain text.\r\n")}, {"", Crudo(html)}}},
      {"anidado",
       Componer(Mensaje("a@b", "c@d", "anidado",
                        Multiparte("mixed", {Multiparte("alternative", {TextoPlano("p\n"), Html("<p>h</p>\n")}),
                                             Adjunto("a.bin", "abc"), Imagen("png", "PNG")}))),
       {{"", Crudo("p\r\n")}, {"", Crudo("<p>h</p>\r\n")}, {"a.bin", "abc"}, {"", "PNG"}}},
      {"parte de texto con nombre", Componer(Mensaje("a@b", "c@d", "n", Multiparte("mixed", {nombrado}))),
       {{"nota.txt", Crudo("Note.\r\n")}}},
      {"ninguna parte seleccionada",
       Componer(Mensaje("a@b", "c@d", "pdf",
                        Multiparte("mixed", {Adjunto("d.ps", "%!PS", "application/postscript"),
                                             TextoQP("rich", "enriched")}))),
       {}},
      {"sin frontera de cierre", Componer(Mensaje("a@b", "c@d", "s", sin_cierre)),
       {{"", Crudo("Body.\r\n")}, {"a.bin", "abc"}}},
      {"el texto acaba dentro de la parte", Componer(Mensaje("a@b", "c@d", "s", sin_fin)),
       {{"", Crudo("Body.\r\n")}, {"", Crudo("last line without end")}}},
      {"bytes NUL en el cuerpo", Componer(Mensaje("a@b", "c@d", "nul", cuerpo_nul)),
       {{"", Crudo(std::string("a\0b\r\nc\r\n", 8))}}},
      {"mensaje reenviado dentro de una parte",
       "Subject: fuera\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n"
       "--f\r\n\r\ncuerpo\r\n--f\r\nContent-Type: message/rfc822\r\n\r\n"
       "Subject: dentro\r\n\r\nreenviado\r\n--f--\r\n",
       {{"", Crudo("cuerpo\r\n")}, {"", Crudo("reenviado\r\n")}}},
      {"digest: cada hijo es un mensaje",
       "Content-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n\r\n"
       "Subject: uno\r\n\r\nprimero\r\n--d\r\n\r\nSubject: dos\r\n\r\nsegundo\r\n--d--\r\n",
       {{"", Crudo("primero\r\n")}, {"", Crudo("segundo\r\n")}}},
      {"solo cabeceras", "From: a@b\r\nSubject: nada\r\n\r\n", {}},
      {"sin fin de linea", "Subject: una sola linea", {}},
      {"vacio", "", {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(caso.texto);
    EXPECT_EQ(Partes(LeerTodo(mensaje.Puntero())), caso.esperado);
  }
}

TEST_F(ObjetoMensajeTest, LosCursoresDescribenElTramoConsumido) {
  using namespace pruebas;
  const std::string textos[] = {
      MensajeSimple(), MensajeConAdjunto(kBinario), MensajeHtml(),
      Componer(Mensaje("a@b", "c@d", "anidado",
                       Multiparte("mixed", {Multiparte("alternative", {TextoPlano("p\n"), Html("<p>h</p>\n")}),
                                            Adjunto("a.bin", "abc")})))};
  for (const std::string& texto : textos) {
    SCOPED_TRACE(texto.substr(0, 120));
    RegistroMensaje mensaje(texto);
    const auto partes = LeerTodo(mensaje.Puntero());
    ASSERT_FALSE(partes.empty());
    uint32_t esperado_inicio = 0;
    for (std::size_t k = 0; k < partes.size(); ++k) {
      const ParteVista& v = partes[k];
      EXPECT_EQ(v.num_parte, k + 1);
      EXPECT_EQ(v.pos_inicio, esperado_inicio);
      EXPECT_EQ(v.pos_sig, v.pos_inicio + v.leidos);
      ASSERT_LE(v.pos_sig, texto.size());
      // The raw lines are a stretch of the text inside the consumed one.
      const std::string tramo = texto.substr(v.pos_inicio, v.leidos);
      EXPECT_NE(tramo.find(v.raw), std::string::npos);
      esperado_inicio = v.pos_sig;
    }
  }
}

TEST_F(ObjetoMensajeTest, ElCuerpoFijaPosicionesAsuntoYRemitente) {
  const std::string texto = pruebas::MensajeSimple();
  RegistroMensaje mensaje(texto);
  const auto partes = LeerTodo(mensaje.Puntero());
  ASSERT_EQ(partes.size(), 1u);
  EXPECT_EQ(mensaje->PosCuerpo, texto.find("First line"));
  EXPECT_EQ(mensaje->FinCuerpo, texto.size());
  EXPECT_STREQ(mensaje->Asunto, "Saludos");
  EXPECT_STREQ(mensaje->De, "ana@ejemplo.es");
  EXPECT_STREQ(mensaje->DeMime, "ana@ejemplo.es");
}

TEST_F(ObjetoMensajeTest, ElAsuntoDelCuerpoEsElDelMensajeExterior) {
  // A forwarded message inside a part does not replace the outer Subject or From.
  RegistroMensaje mensaje(
      "From: ana@b\r\nSubject: fuera\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n"
      "--f\r\nContent-Type: message/rfc822\r\n\r\nFrom: pepe@c\r\nSubject: dentro\r\n\r\nreenviado\r\n--f--\r\n");
  ASSERT_EQ(LeerTodo(mensaje.Puntero()).size(), 1u);
  EXPECT_STREQ(mensaje->Asunto, "fuera");
  EXPECT_STREQ(mensaje->De, "ana@b");
}

TEST_F(ObjetoMensajeTest, UnAdjuntoNoTocaElCuerpoDelMensaje) {
  const std::string texto = pruebas::MensajeConAdjunto("xyz");
  RegistroMensaje mensaje(texto);
  OE_OBJMSG* objeto = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_OK);
  const uint32_t pos_cuerpo = mensaje->PosCuerpo, fin_cuerpo = mensaje->FinCuerpo;
  EXPECT_EQ(texto.substr(pos_cuerpo, fin_cuerpo - pos_cuerpo), "See the attachment.\r\n");
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_OK);
  EXPECT_STREQ(objeto->NombreAdjunto, "x.exe");
  EXPECT_EQ(mensaje->PosCuerpo, pos_cuerpo);
  EXPECT_EQ(mensaje->FinCuerpo, fin_cuerpo);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
}

TEST_F(ObjetoMensajeTest, AbrirCopiaElMensajeYVaciaSusTextos) {
  RegistroMensaje mensaje(pruebas::MensajeSimple());
  mensaje->TamMsg = 0x300;
  for (char* texto : {mensaje->De, mensaje->DeMime, mensaje->TextoGen, mensaje->Asunto}) {
    std::strcpy(texto, "viejo");
  }
  std::strcpy(reinterpret_cast<char*>(mensaje->AreaGen + 12), "viejo");
  OE_OBJMSG* objeto = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
  ASSERT_NE(objeto, nullptr);
  EXPECT_EQ(objeto->Tamano, OE_TAM_OBJMSG);
  EXPECT_EQ(objeto->IdCarpeta, mensaje->IdCarpeta);
  EXPECT_EQ(objeto->PosCarpeta, mensaje->PosCarpeta);
  EXPECT_EQ(objeto->IdMensaje, mensaje->IdMensaje);
  EXPECT_EQ(objeto->IdMensajeCopia, mensaje->IdMensaje);
  EXPECT_EQ(objeto->PosTexto, mensaje->PosTexto);
  EXPECT_EQ(objeto->FinMsg, mensaje->PosTexto + 0x300);
  EXPECT_EQ(objeto->PosRegistro, mensaje->PosRegistro);
  EXPECT_EQ(objeto->FinRegistro, mensaje->FinRegistro);
  EXPECT_EQ(objeto->NumParte, 0u);
  EXPECT_EQ(objeto->PosSigParte, 0u);
  EXPECT_EQ(objeto->Contenido, nullptr);
  EXPECT_NE(objeto->Parser, nullptr);
  EXPECT_NE(objeto->Salida, nullptr);
  for (const char* texto : {mensaje->De, mensaje->DeMime, mensaje->TextoGen, mensaje->Asunto}) {
    EXPECT_STREQ(texto, "");
  }
  EXPECT_EQ(mensaje->AreaGen[12], 0);
  EXPECT_EQ(mensaje->AreaGen[13], 'i');  // only the first byte is cut
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
  EXPECT_EQ(objeto, nullptr);
}

TEST_F(ObjetoMensajeTest, LocalizaLaPrimeraParteHtml) {
  struct Caso {
    const char* nombre;
    std::string texto;
    bool sin_nul;
    uint32_t pos_html, pos_next_part;
  };
  const std::string np = "------=_NextPart";
  const Caso casos[] = {
      {"sin html", "Subject: x\r\n\r\nhola\r\n", false, 0, 0},
      {"html sin frontera antes", "0123text/html", false, 4, 4},
      {"la ultima frontera antes", "ab" + np + "_1 " + np + "_2 text/html", false, 40, 21},
      {"frontera pegada: le falta el ultimo byte", "ab" + np + "text/html", false, 18, 18},
      {"frontera con un byte entre medias", "ab" + np + "Xtext/html", false, 19, 2},
      {"frontera solo despues", "text/html " + np, false, 0, 0},
      {"html al principio", "text/html" + np + "text/html", false, 0, 0},
      {"mayusculas no cuentan", "Content-Type: TEXT/HTML\r\n", false, 0, 0},
      {"un NUL antes del html lo oculta", std::string("ab\0text/html", 12), false, 0, 0},
      {"el html se corta en el final del texto", "abc text/ht", true, 0, 0},
      {"html al final exacto del texto", np + " text/htm", true, 17, 0},
      {"mensaje de Outlook Express", pruebas::MensajeHtml(), false,
       static_cast<uint32_t>(pruebas::MensajeHtml().find("text/htm")),
       static_cast<uint32_t>(pruebas::MensajeHtml().rfind(np, pruebas::MensajeHtml().find("text/htm") - 1 - 16))},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(caso.texto, caso.sin_nul);
    mensaje->PosTextHtm = mensaje->PosNextPart = 77;
    OE_OBJMSG* objeto = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
    EXPECT_EQ(mensaje->PosTextHtm, caso.pos_html);
    EXPECT_EQ(mensaje->PosNextPart, caso.pos_next_part);
    EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
  }
}

TEST_F(ObjetoMensajeTest, LosInterruptoresYElFiltroDecidenQueSeEntrega) {
  using namespace pruebas;
  const std::string texto =
      Componer(Mensaje("a@b", "c@d", "s",
                       Multiparte("mixed", {TextoPlano("p\n"), Multiparte("alternative", {Html("<p>h</p>\n")}),
                                            Adjunto("a.bin", "abc"), Imagen("gif", "G"),
                                            Adjunto("", "RIFF", "audio/wav"), Adjunto("", "MPG", "video/mpeg"),
                                            Adjunto("", "X", "x-custom/thing")})));
  const Parte plano{"", Crudo("p\r\n")}, html{"", Crudo("<p>h</p>\r\n")}, bin{"a.bin", "abc"}, gif{"", "G"}, gif_con_nombre{"a.bin", "G"},
      audio{"", "RIFF"}, video{"", "MPG"}, otro{"", "X"};
  struct Caso {
    const char* nombre;
    std::function<void(CL_ANALIZADOR_MIME&)> ajustar;
    std::vector<Parte> esperado;
  };
  const Caso casos[] = {
      {"todo", nullptr, {plano, html, bin, gif, audio, video, otro}},
      {"sin text/plain", [](CL_ANALIZADOR_MIME& a) { a.ExtraerTextPlain = 0; },
       {html, bin, gif, audio, video, otro}},
      {"sin text/html", [](CL_ANALIZADOR_MIME& a) { a.ExtraerTextHtml = 0; },
       {plano, bin, gif, audio, video, otro}},
      // Within one call the image's header shows no name, so the skipped part's name stays.
      {"sin octet-stream", [](CL_ANALIZADOR_MIME& a) { a.ExtraerOctetStream = 0; },
       {plano, html, gif_con_nombre, audio, video, otro}},
      {"sin imagenes", [](CL_ANALIZADOR_MIME& a) { a.ExtraerImage = 0; }, {plano, html, bin, audio, video, otro}},
      {"sin audio", [](CL_ANALIZADOR_MIME& a) { a.ExtraerAudio = 0; }, {plano, html, bin, gif, video, otro}},
      {"sin video", [](CL_ANALIZADOR_MIME& a) { a.ExtraerVideo = 0; }, {plano, html, bin, gif, audio, otro}},
      {"sin otros", [](CL_ANALIZADOR_MIME& a) { a.ExtraerOtros = 0; }, {plano, html, bin, gif, audio, video}},
      {"un interruptor a 2 no es 1", [](CL_ANALIZADOR_MIME& a) { a.ExtraerOctetStream = 2; },
       {plano, html, gif_con_nombre, audio, video, otro}},
      {"filtro 1: fuera lo anidado", [](CL_ANALIZADOR_MIME& a) { a.FiltroNivel = 1; },
       {plano, bin, gif, audio, video, otro}},
      {"filtro 2: nada", [](CL_ANALIZADOR_MIME& a) { a.FiltroNivel = 2; }, {}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje mensaje(texto);
    EXPECT_EQ(Partes(LeerTodo(mensaje.Puntero(), caso.ajustar)), caso.esperado);
  }
}

TEST_F(ObjetoMensajeTest, UnNombreNoPasaALaParteSiguiente) {
  using namespace pruebas;
  // The named attachment is handed out in one call; the unnamed image after it starts afresh.
  RegistroMensaje mensaje(Componer(
      Mensaje("a@b", "c@d", "s", Multiparte("mixed", {Adjunto("uno.bin", "1"), Imagen("gif", "G")}))));
  EXPECT_EQ(Partes(LeerTodo(mensaje.Puntero())), (std::vector<Parte>{{"uno.bin", "1"}, {"", "G"}}));
}

TEST_F(ObjetoMensajeTest, LosNombresLargosSeCortanEnSuCampo) {
  using namespace pruebas;
  for (std::size_t largo : {199u, 200u, 259u, 260u, 400u}) {
    SCOPED_TRACE(largo);
    const std::string nombre(largo, 'n');
    RegistroMensaje mensaje(Componer(Mensaje("a@b", "c@d", "s", Multiparte("mixed", {Adjunto(nombre, "z")}))));
    const auto partes = LeerTodo(mensaje.Puntero());
    ASSERT_EQ(partes.size(), 1u);
    const std::string& visto = partes[0].parte.nombre;
    EXPECT_FALSE(visto.empty());
    EXPECT_LE(visto.size(), 200u);
    EXPECT_EQ(nombre.compare(0, visto.size(), visto), 0);
  }
}

TEST_F(ObjetoMensajeTest, ModosYRegistrosQueNoSonUnObjeto) {
  RegistroMensaje mensaje(pruebas::MensajeSimple());
  OE_OBJMSG* objeto = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, 4), OE_OK);
  EXPECT_EQ(objeto, nullptr);
  // A message record where the object should be.
  OE_OBJMSG* falso = reinterpret_cast<OE_OBJMSG*>(mensaje.Puntero());
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &falso, OE_SIGUIENTE), OE_ERROR_PARAM);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &falso, OE_CERRAR), OE_ERROR_PARAM);

  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, 0), OE_OK);
  EXPECT_EQ(objeto->NumParte, 0u);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_FIN);
  EXPECT_EQ(objeto, nullptr);
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_ERROR_PARAM);
}

TEST_F(ObjetoMensajeTest, CerrarAMitadLiberaSinEscribir) {
  RegistroMensaje mensaje(pruebas::MensajeConAdjunto("abc"));
  OE_OBJMSG* objeto = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_OK);
  mensaje->Modificado = 1;
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
  EXPECT_EQ(objeto, nullptr);
  EXPECT_EQ(mensaje->Modificado, 1u);
}

TEST_F(ObjetoMensajeTest, ElContenidoEsElBufferQueElHostPuedeCambiar) {
  RegistroMensaje mensaje(pruebas::MensajeConAdjunto("abc"));
  OE_OBJMSG* objeto = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_OK);
  // A body that is not decoded: Contenido is the raw base itself, and writable.
  EXPECT_EQ(objeto->Contenido, static_cast<CL_BUFFER_FLUJO*>(mensaje::SalidaDe(objeto)));
  EXPECT_EQ(objeto->LongParte + 1, static_cast<CL_BUFFER_FLUJO*>(objeto->Contenido)->Longitud());
  ASSERT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_OK);
  auto* contenido = static_cast<CL_BUFFER_FLUJO*>(objeto->Contenido);
  EXPECT_EQ(contenido, &mensaje::SalidaDe(objeto)->Decodificado());
  EXPECT_EQ(contenido->Escribible(), 1u);
  EXPECT_EQ(objeto->LongParte, std::string("YWJj\r\n").size());
  EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE), OE_FIN);
}

TEST_F(ObjetoMensajeTest, UnMensajeModificadoAcabaIgualmenteEnFin) {
  RegistroMensaje mensaje(pruebas::MensajeSimple());
  mensaje->Modificado = 1;
  // No store behind this record: the write-back fails, and its result is not reported.
  EXPECT_EQ(Partes(LeerTodo(mensaje.Puntero())).size(), 1u);
}

TEST_F(ObjetoMensajeTest, SinTextoNoHayPartes) {
  RegistroMensaje mensaje(pruebas::MensajeSimple());
  mensaje->Texto = nullptr;
  EXPECT_TRUE(LeerTodo(mensaje.Puntero()).empty());
  EXPECT_EQ(mensaje->PosTextHtm, 0u);
}

// Every page-allocator region in turn fails while an object walks a message: the open
// reports 8 or the walk raises CL_EXCEPCION_MEMORIA; either way mode 3 still frees it.
TEST_F(ObjetoMensajeTest, UnFalloDeMemoriaDejaElObjetoCerrable) {
  const std::string texto = pruebas::MensajeConAdjunto(std::string(30000, 'q'));
  auto& ganchos = plataforma::Ganchos();
  const int region = static_cast<int>(plataforma::Operacion::kRegion);
  bool fallo_alguno = true;
  for (uint64_t n = 1; fallo_alguno && n < 200; ++n) {
    SCOPED_TRACE(n);
    RegistroMensaje mensaje(texto);
    ganchos.Reiniciar();
    ganchos.fallar_en[region] = n;
    OE_OBJMSG* objeto = nullptr;
    uint32_t r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_PRIMERO);
    uint32_t partes = 0;
    bool excepcion = false;
    if (r == OE_ERROR_MEMORIA) {
      EXPECT_EQ(objeto, nullptr);
    } else {
      ASSERT_EQ(r, OE_OK);
      try {
        while ((r = OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_SIGUIENTE)) == OE_OK) ++partes;
        EXPECT_EQ(r, OE_FIN);
        EXPECT_EQ(partes, 2u);
      } catch (const CL_EXCEPCION_MEMORIA&) {
        excepcion = true;
        ASSERT_NE(objeto, nullptr);
        EXPECT_EQ(OE_ObtenerObjMsg(mensaje.Puntero(), &objeto, OE_CERRAR), OE_OK);
      }
    }
    fallo_alguno = ganchos.contador[region] >= n;
    if (!fallo_alguno) {
      EXPECT_FALSE(excepcion);
    }
    ganchos.Reiniciar();
  }
  EXPECT_FALSE(fallo_alguno) << "the loop did not reach a run without a fault";
}

}  // namespace
}  // namespace orvex
