// The save actions on one message record: what Reescrito holds after renaming, removing and
// replacing parts, as sections of pruebas/datos/volcados_reescritura.txt, and what a refused
// action leaves.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pruebas/prueba_partes.h"
#include "almacen_oe5/reescritura.h"
#include "api/estado.h"
#include "api/orvex.h"
#include "soporte/buffer_flujo.h"
#include "pruebas/mensajes_mime.h"
#include "pruebas/volcado.h"

namespace orvex::pruebas {
namespace {

// A part named in both header lines, in the order given.
ParteMime AdjuntoOrdenado(const std::string& nombre, const std::string& bytes, bool disposicion_primero) {
  ParteMime p;
  const std::string tipo = "application/octet-stream;\n\tname=\"" + nombre + "\"";
  const std::string disposicion = "attachment;\n\tfilename=\"" + nombre + "\"";
  if (disposicion_primero) p.Cabecera("Content-Disposition", disposicion);
  p.Cabecera("Content-Type", tipo);
  p.Cabecera("Content-Transfer-Encoding", "base64");
  if (!disposicion_primero) p.Cabecera("Content-Disposition", disposicion);
  p.cuerpo = Base64(bytes);
  return p;
}

// Texts with bare LF line ends hand out no parts, so every text here has CR LF.
std::string Correo(std::vector<ParteMime> partes) {
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Partes", Multiparte("mixed", std::move(partes))));
}

constexpr std::string_view kVolcados =
#include "pruebas/datos/volcados_reescritura.inc"
    ;

// A text as its lines, each escaped on a line of its own.
std::string Lineas(std::string_view texto) {
  std::string r;
  for (std::size_t a = 0, b; a < texto.size(); a = b) {
    b = std::min(texto.find('\n', a), texto.size() - 1) + 1;
    r += Escapado(texto.substr(a, b - a)) + "\n";
  }
  return r;
}

const std::string kVirus = "MZ\x90\x00\x03 binary of the attachment, long enough for two lines of base64 text.";
const std::string kNotas = "Notes that travel as a second attachment.\n";

// One message record whose actions are collected in Reescrito: the end of the walk finds no
// store generation, so nothing is written back and Reescrito stays to be read.
class AccionesOe5Test : public ::testing::Test {
 protected:
  AccionesOe5Test() : version_(VersionOE) { VersionOE = VERSION_NINGUNA; }
  ~AccionesOe5Test() override { VersionOE = version_; }

  // Walks every part, applying the i-th decision to the i-th part; the save results in order.
  static std::vector<uint32_t> Recorrer(RegistroMensaje& r, const std::vector<Decision>& decisiones) {
    std::vector<uint32_t> resultados;
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
    for (std::size_t i = 0; i < 100 && OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE) == OE_OK; ++i) {
      const Decision d = i < decisiones.size() ? decisiones[i] : Decision{};
      if (d.contenido) PonerContenido(*o, *d.contenido);
      if (d.accion) resultados.push_back(oe5::AplicarAccion(r.Puntero(), o, *d.accion));
    }
    EXPECT_EQ(o, nullptr);
    return resultados;
  }

  static std::optional<std::string> Reescrito(const RegistroMensaje& r) {
    const CL_BUFFER_FLUJO* b = oe5::ReescritoDe(r.Puntero());
    if (b == nullptr) return std::nullopt;
    return std::string(b->Datos(), b->Longitud());
  }

 private:
  uint32_t version_;
};

const Decision kNada, kConservar{ACCION_CONSERVAR, {}}, kRenombrar{ACCION_RENOMBRAR, {}}, kBorrar{ACCION_BORRAR, {}};
Decision Sustituir(std::string s) { return {ACCION_SUSTITUIR, std::move(s)}; }

// What Reescrito holds after the actions, against a section of the dump file per case.
TEST_F(AccionesOe5Test, LoQueQuedaEnReescrito) {
  const ParteMime cuerpo = TextoPlano("Body.\n"), virus = Adjunto("virus.exe", kVirus), notas = Adjunto("notas.txt", kNotas);
  const ParteMime viejo = TextoPlano("The old body,\nover two lines.\n");
  // An attachment named only in Content-Type: the next part's Content-Disposition stays.
  ParteMime solo_tipo = Adjunto("uno.exe", kVirus);
  solo_tipo.cabeceras.pop_back();
  const std::string cuatro = Correo({TextoPlano("Old body.\n"), Adjunto("a.exe", kVirus), Adjunto("b.doc", kNotas),
                                     Adjunto("c.bat", kVirus)});
  // A replaced content is stored in its part's own encoding.
  auto nota = [&](const char* codificacion, const std::string& contenido) {
    ParteMime p;
    p.Cabecera("Content-Type", "text/plain;\n\tname=\"nota.txt\"");
    p.Cabecera("Content-Transfer-Encoding", codificacion);
    p.cuerpo = contenido;
    return Correo({cuerpo, p, notas});
  };
  const Decision nueva_nota = Sustituir("New content, = and \xE9.\r\nSecond line.\r\n");
  struct Caso {
    const char* nombre;
    std::string texto;
    std::vector<Decision> decisiones;
  };
  const Caso casos[] = {
      {"renombrar, Content-Type primero", Correo({cuerpo, AdjuntoOrdenado("virus.exe", kVirus, false), notas}),
       {kNada, kRenombrar}},
      {"renombrar, Content-Disposition primero", Correo({cuerpo, AdjuntoOrdenado("virus.exe", kVirus, true), notas}),
       {kNada, kRenombrar}},
      {"renombrar solo en su cabecera", Correo({cuerpo, solo_tipo, Adjunto("dos.exe", kNotas)}), {kNada, kRenombrar}},
      {"sustituir un adjunto por nada", Correo({cuerpo, virus, notas}), {kNada, Sustituir("")}},
      {"borrar el cuerpo", Correo({viejo, notas}), {kBorrar}},
      {"sustituir el cuerpo", Correo({viejo, notas}), {Sustituir("New body.\r\n")}},
      // The closing 0 a host may leave in a raw content is no text, and the boundary after a
      // content without a line end still starts a line.
      {"sustituir el cuerpo con 0 final", Correo({viejo, notas}), {Sustituir(std::string("New body.\r\n", 12))}},
      {"sustituir el cuerpo sin fin de linea", Correo({viejo, notas}), {Sustituir("New body.")}},
      {"el cuerpo de un mensaje sin partes", MensajeSimple(), {Sustituir("Short.\r\n")}},
      // Removing the HTML body removes its alternative.
      {"borrar el html", MensajeHtml(), {kConservar, kBorrar}},
      {"borrar el texto plano", MensajeHtml(), {kBorrar, kConservar}},
      {"borrar los dos", MensajeHtml(), {kBorrar, kBorrar}},
      {"varias acciones", cuatro, {Sustituir("New body.\r\n"), kNada, kRenombrar, kBorrar}},
      {"sustituir en base64", nota("base64", Base64("old content")), {kNada, nueva_nota}},
      {"sustituir en quoted-printable", nota("quoted-printable", QuotedPrintable("old = content\n")),
       {kNada, nueva_nota}},
      {"sustituir en 7bit", nota("7bit", "old content\n"), {kNada, nueva_nota}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje r(caso.texto);
    for (const uint32_t resultado : Recorrer(r, caso.decisiones)) EXPECT_EQ(resultado, OE_OK);
    EXPECT_EQ(r->Modificado, 1u);
    EXPECT_VOLCADO(kVolcados, "volcados_reescritura", std::string("acciones/") + caso.nombre,
                   Lineas(Reescrito(r).value_or("(none)")));
    oe5::LiberarReescrito(r.Puntero());
  }
}

// A refused action ends with 1: the message is no longer marked changed, Reescrito stays as it
// was. A rewrite is under way (the body removed) so that there is a Reescrito to keep. The body
// part, which has no name to rename, takes the damages to its body bounds.
TEST_F(AccionesOe5Test, AccionesRechazadasTerminanConUnoSinTocarReescrito) {
  using Dano = void (*)(OE_MENSAJE&, OE_OBJMSG&);
  struct Caso {
    const char* nombre;
    bool cuerpo;  // damage the body part instead of the named one
    Dano danar;
  };
  const Caso casos[] = {
      {"inicio tras siguiente", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.PosInicioParte = o.PosSigParte + 1; }},
      {"parte mas larga que su tramo", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.LongParte = o.BytesLeidos + 1; }},
      {"parte enorme", false, [](OE_MENSAJE&, OE_OBJMSG& o) { o.LongParte = 0xFFFFFFF0u; }},
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
      RegistroMensaje r(Correo({TextoPlano("Body.\n"), Adjunto("virus.exe", kVirus), Adjunto("b.doc", kNotas)}));
      OE_OBJMSG* o = nullptr;
      ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
      ASSERT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE), OE_OK);
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
      *r.Puntero() = m_antes;  // whole again, so that the object closes cleanly
      *o = o_antes;
      EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_CERRAR), OE_OK);
      oe5::LiberarReescrito(r.Puntero());
    }
  }
}

}  // namespace
}  // namespace orvex::pruebas
