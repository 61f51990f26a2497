// The save actions on one message record: what Reescrito holds after renaming, removing and
// replacing parts, compared with the same message written with the changed parts.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "almacen_oe5/reescritura.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "mensaje/buffer_flujo.h"
#include "plataforma/plataforma.h"
#include "almacen_oe5/prueba_partes.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

const std::string kVirus = "MZ\x90\x00\x03 binary of the attachment, long enough for two lines of base64 text.";
const std::string kNotas = "Notes that travel as a second attachment.\n";

// What the host does with one handed-out part.
struct Decision {
  std::optional<uint32_t> accion = ACCION_CONSERVAR;  // none: no save call at all
  std::optional<std::string> contenido;               // written into Contenido first
};
using Politica = std::function<Decision(const OE_OBJMSG&)>;

// One message record whose actions are collected in Reescrito: the end of the walk finds no
// store generation, so nothing is written back and Reescrito stays to be read.
class AccionesOe5Test : public ::testing::Test {
 protected:
  AccionesOe5Test() : version_(VersionOE) { VersionOE = VERSION_NINGUNA; }
  ~AccionesOe5Test() override {
    VersionOE = version_;
    plataforma::Ganchos().Reiniciar();
  }

  struct Paso {
    std::string nombre;
    uint32_t resultado;
  };

  // Walks every part of the record's text, applying the policy; the save results in order.
  std::vector<Paso> Recorrer(RegistroMensaje& r, const Politica& politica) {
    std::vector<Paso> pasos;
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
    for (int i = 0; i < 100 && OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE) == OE_OK; ++i) {
      const Decision d = politica(*o);
      if (d.contenido) PonerContenido(o, *d.contenido);
      if (d.accion) pasos.push_back({o->NombreParte, oe5::AplicarAccion(r.Puntero(), o, *d.accion)});
    }
    EXPECT_EQ(o, nullptr);
    return pasos;
  }

  static void PonerContenido(OE_OBJMSG* o, const std::string& bytes) {
    auto* c = static_cast<CL_BUFFER_FLUJO*>(o->Contenido);
    c->FijarLongitud(0);
    c->Escribir(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }

  static std::optional<std::string> Reescrito(const RegistroMensaje& r) {
    const CL_BUFFER_FLUJO* b = oe5::ReescritoDe(r.Puntero());
    if (b == nullptr) return std::nullopt;
    return std::string(b->Datos(), b->Longitud());
  }

 private:
  uint32_t version_;
};


Politica SoloA(const std::string& nombre, uint32_t accion, std::optional<std::string> contenido = std::nullopt) {
  return [=](const OE_OBJMSG& o) {
    // The other parts get no save call at all.
    Decision d{std::nullopt, std::nullopt};
    if (nombre == o.NombreParte) {
      d.accion = accion;
      d.contenido = contenido;
    }
    return d;
  };
}

TEST_F(AccionesOe5Test, RenombrarCambiaLasDosLineasEnCualquierOrden) {
  for (const bool disposicion_primero : {false, true}) {
    SCOPED_TRACE(disposicion_primero ? "Content-Disposition primero" : "Content-Type primero");
    RegistroMensaje r(Correo({TextoPlano("Body.\n"), AdjuntoOrdenado("virus.exe", kVirus, disposicion_primero),
                              Adjunto("notas.txt", kNotas)}));
    const auto pasos = Recorrer(r, SoloA("virus.exe", ACCION_RENOMBRAR));
    ASSERT_EQ(pasos.size(), 1u);
    EXPECT_EQ(pasos[0].resultado, OE_OK);
    EXPECT_EQ(r->Modificado, 1u);
    EXPECT_EQ(Reescrito(r), Correo({TextoPlano("Body.\n"), AdjuntoOrdenado("virus_exe.VIR", kVirus, disposicion_primero),
                                    Adjunto("notas.txt", kNotas)}));
    oe5::LiberarReescrito(r.Puntero());
  }
}

TEST_F(AccionesOe5Test, NombreVir) {
  struct Caso {
    const char* nombre;
    const char* esperado;
  };
  const Caso casos[] = {
      {"virus.exe", "virus_exe.VIR"},       {"report.doc", "report_doc.VIR"},
      {"README", "README_.VIR"},            {"archivo.", "archivo_.VIR"},
      {"datos.tar.gz", "datos.tar_gz.VIR"}, {"C:\\temp\\x.bat", "x_bat.VIR"},
      {"dir/y.pif", "y_pif.VIR"},           {"a\"b.exe", "a_b_exe.VIR"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(oe5::NombreVir(caso.nombre), caso.esperado);
  }
}

TEST_F(AccionesOe5Test, RenombrarUnNombreSinExtension) {
  RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("LEEME", kNotas)}));
  const auto pasos = Recorrer(r, SoloA("LEEME", ACCION_RENOMBRAR));
  ASSERT_EQ(pasos.size(), 1u);
  EXPECT_EQ(pasos[0].resultado, OE_OK);
  EXPECT_EQ(Reescrito(r), Correo({TextoPlano("Body.\n"), Adjunto("LEEME_.VIR", kNotas)}));
  oe5::LiberarReescrito(r.Puntero());
}

TEST_F(AccionesOe5Test, ElRenombradoNoPasaDeLaCabeceraDeSuParte) {
  // The first attachment names itself only in Content-Type; the second part's
  // Content-Disposition must stay as it is.
  ParteMime solo_tipo = Adjunto("uno.exe", kVirus);
  solo_tipo.cabeceras.pop_back();
  ParteMime renombrada = Adjunto("uno_exe.VIR", kVirus);
  renombrada.cabeceras.pop_back();
  RegistroMensaje r(Correo({TextoPlano("Body.\n"), solo_tipo, Adjunto("dos.exe", kNotas)}));
  const auto pasos = Recorrer(r, SoloA("uno.exe", ACCION_RENOMBRAR));
  ASSERT_EQ(pasos.size(), 1u);
  EXPECT_EQ(pasos[0].resultado, OE_OK);
  EXPECT_EQ(Reescrito(r), Correo({TextoPlano("Body.\n"), renombrada, Adjunto("dos.exe", kNotas)}));
  oe5::LiberarReescrito(r.Puntero());
}

TEST_F(AccionesOe5Test, BorrarYSustituirUnAdjunto) {
  const std::string nuevo = "Clean replacement.";
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::optional<std::string> contenido;
    ParteMime esperado;
  };
  const Caso casos[] = {
      {"borrar", ACCION_BORRAR, std::nullopt, SinCuerpo(Adjunto("virus.exe", kVirus))},
      {"sustituir", ACCION_SUSTITUIR, nuevo, Adjunto("virus.exe", nuevo)},
      {"sustituir por nada", ACCION_SUSTITUIR, std::string(), SinCuerpo(Adjunto("virus.exe", kVirus))},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus), Adjunto("notas.txt", kNotas)}));
    const auto pasos = Recorrer(r, SoloA("virus.exe", caso.accion, caso.contenido));
    ASSERT_EQ(pasos.size(), 1u);
    EXPECT_EQ(pasos[0].resultado, OE_OK);
    EXPECT_EQ(Reescrito(r), Correo({TextoPlano("Body.\n"), caso.esperado, Adjunto("notas.txt", kNotas)}));
    oe5::LiberarReescrito(r.Puntero());
  }
}

TEST_F(AccionesOe5Test, ElContenidoSustituidoSeLeeIgualEnSuCodificacion) {
  auto nombrada = [](const char* codificacion, std::string cuerpo) {
    ParteMime p;
    p.Cabecera("Content-Type", "text/plain;\n\tname=\"nota.txt\"");
    p.Cabecera("Content-Transfer-Encoding", codificacion);
    p.cuerpo = std::move(cuerpo);
    return p;
  };
  struct Caso {
    const char* nombre;
    ParteMime parte;
    std::string nuevo;
  };
  const Caso casos[] = {
      {"base64", nombrada("base64", Base64("old content")), "New content, = and \xE9.\r\n"},
      {"quoted-printable", nombrada("quoted-printable", QuotedPrintable("old = content\n")),
       "New content, = and \xE9.\r\nSecond line.\r\n"},
      {"7bit", nombrada("7bit", "old content\n"), "New content.\r\nSecond line.\r\n"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje r(Correo({TextoPlano("Body.\n"), caso.parte, Adjunto("notas.txt", kNotas)}));
    const auto pasos = Recorrer(r, SoloA("nota.txt", ACCION_SUSTITUIR, caso.nuevo));
    ASSERT_EQ(pasos.size(), 1u);
    EXPECT_EQ(pasos[0].resultado, OE_OK);
    const auto texto = Reescrito(r);
    ASSERT_TRUE(texto.has_value());
    oe5::LiberarReescrito(r.Puntero());

    // The rewritten text hands the part out again with the new content, and the others as before.
    RegistroMensaje nuevo(*texto);
    std::vector<std::string> nombres;
    Recorrer(nuevo, [&](const OE_OBJMSG& o) {
      nombres.push_back(o.NombreParte);
      const auto* c = static_cast<const CL_BUFFER_FLUJO*>(o.Contenido);
      std::string leido(c->Datos(), c->Longitud());
      while (!leido.empty() && leido.back() == '\0') leido.pop_back();
      if (nombres.back() == "nota.txt") {
        EXPECT_EQ(leido, caso.nuevo);
      } else if (nombres.back() == "notas.txt") {
        EXPECT_EQ(leido, kNotas);
      }
      return Decision{std::nullopt, std::nullopt};
    });
    EXPECT_EQ(nombres, (std::vector<std::string>{"", "nota.txt", "notas.txt"}));
  }
}

TEST_F(AccionesOe5Test, BorrarYSustituirElCuerpo) {
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::optional<std::string> contenido;
    const char* cuerpo;
  };
  const Caso casos[] = {
      {"borrar", ACCION_BORRAR, std::nullopt, ""},
      {"sustituir", ACCION_SUSTITUIR, "New body.\r\n", "New body.\n"},
      // The closing 0 a host may leave in a raw content is no text, and the boundary after a
      // content without a line end still starts a line.
      {"sustituir con 0 final", ACCION_SUSTITUIR, std::string("New body.\r\n", 11) + '\0',
       "New body.\n"},
      {"sustituir sin fin de linea", ACCION_SUSTITUIR, "New body.", "New body.\n"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje r(Correo({TextoPlano("The old body,\nover two lines.\n"), Adjunto("notas.txt", kNotas)}));
    const auto pasos = Recorrer(r, SoloA("", caso.accion, caso.contenido));
    ASSERT_EQ(pasos.size(), 1u);
    EXPECT_EQ(pasos[0].resultado, OE_OK);
    EXPECT_EQ(Reescrito(r), Correo({TextoPlano(caso.cuerpo), Adjunto("notas.txt", kNotas)}));
    oe5::LiberarReescrito(r.Puntero());
  }
}

TEST_F(AccionesOe5Test, ElCuerpoDeUnMensajeSinPartes) {
  const std::string texto = MensajeSimple();
  const std::size_t cuerpo = texto.find("\r\n\r\n") + 4;
  RegistroMensaje r(texto);
  const auto pasos = Recorrer(r, SoloA("", ACCION_SUSTITUIR, std::string("Short.\r\n")));
  ASSERT_EQ(pasos.size(), 1u);
  EXPECT_EQ(pasos[0].resultado, OE_OK);
  EXPECT_EQ(Reescrito(r), texto.substr(0, cuerpo) + "Short.\r\n");
  oe5::LiberarReescrito(r.Puntero());
}

TEST_F(AccionesOe5Test, BorrarElCuerpoHtmlQuitaSuAlternativa) {
  const std::string frontera = "----=_NextPart_000_0001_01C0A1B2.C3D4E5F6";
  auto html = [&](std::vector<ParteMime> partes) {
    return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Html", Multiparte("alternative", partes, frontera)));
  };
  const ParteMime plano = TextoPlano("Hello in plain text.\n");
  const ParteMime marcado = Html("<HTML><BODY>Hello in <B>HTML</B> =)</BODY></HTML>\n", true);
  ASSERT_EQ(html({plano, marcado}), MensajeHtml());
  {
    SCOPED_TRACE("html");
    RegistroMensaje r(MensajeHtml());
    int n = 0;
    const auto pasos = Recorrer(r, [&](const OE_OBJMSG&) { return Decision{++n == 2 ? ACCION_BORRAR : ACCION_CONSERVAR, std::nullopt}; });
    ASSERT_EQ(pasos.size(), 2u);
    EXPECT_EQ(pasos[1].resultado, OE_OK);
    EXPECT_EQ(Reescrito(r), html({plano}));
    oe5::LiberarReescrito(r.Puntero());
  }
  {
    SCOPED_TRACE("both");
    RegistroMensaje r(MensajeHtml());
    const auto pasos = Recorrer(r, [&](const OE_OBJMSG&) { return Decision{ACCION_BORRAR, std::nullopt}; });
    ASSERT_EQ(pasos.size(), 2u);
    EXPECT_EQ(pasos[0].resultado, OE_OK);
    EXPECT_EQ(pasos[1].resultado, OE_OK);
    EXPECT_EQ(Reescrito(r), html({SinCuerpo(plano)}));
    oe5::LiberarReescrito(r.Puntero());
  }
  {
    SCOPED_TRACE("plain");
    RegistroMensaje r(MensajeHtml());
    int n = 0;
    const auto pasos = Recorrer(r, [&](const OE_OBJMSG&) { return Decision{++n == 1 ? ACCION_BORRAR : ACCION_CONSERVAR, std::nullopt}; });
    ASSERT_EQ(pasos.size(), 2u);
    EXPECT_EQ(pasos[0].resultado, OE_OK);
    EXPECT_EQ(Reescrito(r), html({SinCuerpo(plano), marcado}));
    oe5::LiberarReescrito(r.Puntero());
  }
}

TEST_F(AccionesOe5Test, VariasAccionesEnUnMensaje) {
  const std::string texto = Correo({TextoPlano("Old body.\n"), Adjunto("a.exe", kVirus), Adjunto("b.doc", kNotas),
                                    Adjunto("c.bat", kVirus)});
  const std::string esperado = Correo({TextoPlano("New body.\n"), Adjunto("a.exe", kVirus),
                                       Adjunto("b_doc.VIR", kNotas), SinCuerpo(Adjunto("c.bat", kVirus))});
  // A host that leaves the kept part without a save call gets the same message.
  for (const bool llamar_conservar : {true, false}) {
    SCOPED_TRACE(llamar_conservar);
    RegistroMensaje r(texto);
    std::vector<std::string> restos;
    const auto pasos = Recorrer(r, [&](const OE_OBJMSG& o) {
      const std::string nombre = o.NombreParte;
      Decision d;
      if (nombre.empty()) d = {ACCION_SUSTITUIR, "New body.\r\n"};
      if (nombre == "a.exe" && !llamar_conservar) d.accion.reset();
      if (nombre == "b.doc") d.accion = ACCION_RENOMBRAR;
      if (nombre == "c.bat") d.accion = ACCION_BORRAR;
      return d;
    });
    const std::vector<std::string> nombres = llamar_conservar ? std::vector<std::string>{"", "a.exe", "b.doc", "c.bat"}
                                                                : std::vector<std::string>{"", "b.doc", "c.bat"};
    ASSERT_EQ(pasos.size(), nombres.size());
    for (std::size_t i = 0; i < pasos.size(); ++i) {
      EXPECT_EQ(pasos[i].nombre, nombres[i]);
      EXPECT_EQ(pasos[i].resultado, OE_OK);
    }
    EXPECT_EQ(r->Modificado, 1u);
    EXPECT_EQ(Reescrito(r), esperado);
    oe5::LiberarReescrito(r.Puntero());
  }
}

TEST_F(AccionesOe5Test, PosCopiaSenalaElComienzoDeLaParteSiguiente) {
  const std::string texto = Correo({TextoPlano("Old body.\n"), Adjunto("a.exe", kVirus), Adjunto("b.doc", kNotas)});
  RegistroMensaje r(texto);
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
  r->PosCopia = 77;
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  // Keeping a part before any rewrite leaves PosCopia alone.
  EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_CONSERVAR), OE_OK);
  EXPECT_EQ(r->PosCopia, 77u);
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  ASSERT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_RENOMBRAR), OE_OK);
  auto resto = [&](uint32_t desde) { return Reescrito(r)->substr(desde); };
  EXPECT_EQ(resto(r->PosCopia), texto.substr(o->PosSigParte));
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  const uint32_t antes = r->PosCopia;
  EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_CONSERVAR), OE_OK);
  EXPECT_EQ(r->PosCopia, antes + o->BytesLeidos);
  EXPECT_EQ(resto(r->PosCopia), texto.substr(o->PosSigParte));
  EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_CERRAR), OE_OK);
  oe5::LiberarReescrito(r.Puntero());
}

TEST_F(AccionesOe5Test, AccionesQueNoCambianNada) {
  struct Caso {
    const char* nombre;
    const char* parte;
    uint32_t accion;
    uint32_t resultado;
  };
  const Caso casos[] = {
      {"accion 4", "virus.exe", 4, OE_OK},
      {"accion 0xFFFFFFFF", "virus.exe", 0xFFFFFFFFu, OE_OK},
      {"conservar", "virus.exe", ACCION_CONSERVAR, OE_OK},
      {"renombrar el cuerpo", "", ACCION_RENOMBRAR, OE_ERROR},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus)}));
    const auto pasos = Recorrer(r, SoloA(caso.parte, caso.accion));
    ASSERT_EQ(pasos.size(), 1u);
    EXPECT_EQ(pasos[0].resultado, caso.resultado);
    EXPECT_EQ(r->Modificado, 0u);
    EXPECT_EQ(Reescrito(r), std::nullopt);
  }
}

TEST_F(AccionesOe5Test, UnaAccionFallidaAbandonaLaReescritura) {
  // The body is replaced first; the rename of the body is refused and drops that change.
  RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus)}));
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  ASSERT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_BORRAR), OE_OK);
  const auto antes = Reescrito(r);
  EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_RENOMBRAR), OE_ERROR);
  EXPECT_EQ(r->Modificado, 0u);
  EXPECT_EQ(Reescrito(r), antes);
  EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_CERRAR), OE_OK);
  oe5::LiberarReescrito(r.Puntero());
}

TEST_F(AccionesOe5Test, PosicionesQueNoCuadranTerminanConUnoSinTocarReescrito) {
  const std::string texto = Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus), Adjunto("b.doc", kNotas)});
  struct Caso {
    const char* nombre;
    bool cuerpo;  // damage the body part instead of the named one
    std::function<void(OE_MENSAJE&, OE_OBJMSG&)> danar;
  };
  const Caso casos[] = {
      {"siguiente pasado el texto", false, [](OE_MENSAJE& m, OE_OBJMSG& o) { o.PosSigParte = m.LongTexto + 1; }},
      {"inicio tras siguiente", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.PosInicioParte = o.PosSigParte + 1; }},
      {"parte mas larga que su tramo", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.LongParte = o.BytesLeidos + 1; }},
      {"parte enorme", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.LongParte = 0xFFFFFFF0u; }},
      {"parte vacia", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.LongParte = 0; }},
      {"texto acortado", false, [](OE_MENSAJE& m, OE_OBJMSG& o) { m.LongTexto = o.PosSigParte - 1; }},
      {"nombre sin su NUL", false, [](OE_MENSAJE&, OE_OBJMSG& o) { std::memset(o.NombreParte, 'a', sizeof o.NombreParte); }},
      {"cuerpo al reves", true, [](OE_MENSAJE& m, OE_OBJMSG&) { m.FinCuerpo = m.PosCuerpo - 1; }},
      {"cuerpo fuera de la parte", true, [](OE_MENSAJE& m, OE_OBJMSG& o) { m.FinCuerpo = o.PosSigParte + 10; }},
      {"cuerpo antes de la parte", true, [](OE_MENSAJE& m, OE_OBJMSG& o) { m.PosCuerpo = o.PosInicioParte - 1; }},
  };
  for (const Caso& caso : casos) {
    for (const uint32_t accion : {ACCION_RENOMBRAR, ACCION_BORRAR, ACCION_SUSTITUIR}) {
      if (caso.cuerpo && accion == ACCION_RENOMBRAR) continue;
      SCOPED_TRACE(testing::Message() << caso.nombre << ", accion " << accion);
      RegistroMensaje r(texto);
      OE_OBJMSG* o = nullptr;
      ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
      ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
      // A rewrite under way: the last part is renamed, so there is a Reescrito to keep.
      ASSERT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_BORRAR), OE_OK);
      if (!caso.cuerpo) {
        ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
      }
      const auto antes = Reescrito(r);
      const OE_MENSAJE m_antes = *r.Puntero();
      const OE_OBJMSG o_antes = *o;
      caso.danar(*r.Puntero(), *o);
      EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, accion), OE_ERROR);
      EXPECT_EQ(r->Modificado, 0u);
      EXPECT_EQ(Reescrito(r), antes);
      // Put the record back together so that the object closes cleanly.
      *r.Puntero() = m_antes;
      *o = o_antes;
      EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_CERRAR), OE_OK);
      oe5::LiberarReescrito(r.Puntero());
    }
  }
}

TEST_F(AccionesOe5Test, ReescritoQueNoSePuedeCrearDaOcho) {
  RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus)}));
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  auto& g = plataforma::Ganchos();
  const std::size_t region = static_cast<std::size_t>(plataforma::Operacion::kRegion);
  g.fallar_en[region] = g.contador[region] + 1;
  g.fallar_desde = true;
  EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_RENOMBRAR), OE_ERROR_MEMORIA);
  g.Reiniciar();
  EXPECT_EQ(r->Modificado, 0u);
  EXPECT_EQ(Reescrito(r), std::nullopt);
  EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_CERRAR), OE_OK);
}

TEST_F(AccionesOe5Test, UnObjetoDeOtroMensajeSeRechaza) {
  RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus)}));
  RegistroMensaje otro(MensajeSimple());
  otro->IdMensaje = r->IdMensaje + 1;
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(otro.Puntero(), &o, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerObjMsg(otro.Puntero(), &o, OE_SIGUIENTE), OE_OK);
  EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, ACCION_BORRAR), OE_ERROR_PARAM);
  EXPECT_EQ(Reescrito(r), std::nullopt);
  EXPECT_EQ(OE_ObtenerObjMsg(otro.Puntero(), &o, OE_CERRAR), OE_OK);
}

}  // namespace
}  // namespace orvex::pruebas
