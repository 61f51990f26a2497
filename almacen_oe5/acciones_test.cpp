// The save actions on one message record: what Reescrito holds after renaming, removing and
// replacing parts, as sections of pruebas/datos/volcados_reescritura.txt.
#include <gtest/gtest.h>

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

const Decision kNada, kConservar{ACCION_CONSERVAR, {}}, kRenombrar{ACCION_RENOMBRAR, {}}, kBorrar{ACCION_BORRAR, {}};
Decision Sustituir(std::string s) { return {ACCION_SUSTITUIR, std::move(s)}; }

// What Reescrito holds after the actions, against a section of the dump file per case. The end of
// the walk finds no store generation, so nothing is written back and Reescrito stays to be read.
TEST(AccionesOe5Test, LoQueQuedaEnReescrito) {
  const ParteMime cuerpo = TextoPlano("Body.\n"), notas = Adjunto("notas.txt", kNotas);
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
      {"renombrar, Content-Type primero", Correo({cuerpo, Adjunto("virus.exe", kVirus), notas}),
       {kNada, kRenombrar}},
      {"renombrar solo en su cabecera", Correo({cuerpo, solo_tipo, Adjunto("dos.exe", kNotas)}), {kNada, kRenombrar}},
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
      {"varias acciones", cuatro, {Sustituir("New body.\r\n"), kNada, kRenombrar, kBorrar}},
      {"sustituir en base64", nota("base64", Base64("old content")), {kNada, nueva_nota}},
      {"sustituir en quoted-printable", nota("quoted-printable", QuotedPrintable("old = content\n")),
       {kNada, nueva_nota}},
  };
  const uint32_t version = VersionOE;
  VersionOE = VERSION_NINGUNA;
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    RegistroMensaje r(caso.texto);
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(r.Puntero(), &o, OE_PRIMERO), OE_OK);
    // The i-th decision goes to the i-th part.
    for (std::size_t i = 0; i < 100 && OE_ObtenerObjMsg(r.Puntero(), &o, OE_SIGUIENTE) == OE_OK; ++i) {
      const Decision d = i < caso.decisiones.size() ? caso.decisiones[i] : Decision{};
      if (d.contenido) PonerContenido(*o, *d.contenido);
      if (d.accion) {
        EXPECT_EQ(oe5::AplicarAccion(r.Puntero(), o, *d.accion), OE_OK);
      }
    }
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(r->Modificado, 1u);
    const CL_BUFFER_FLUJO* b = oe5::ReescritoDe(r.Puntero());
    EXPECT_VOLCADO(kVolcados, "volcados_reescritura", std::string("acciones/") + caso.nombre,
                   Lineas(b == nullptr ? "(none)" : std::string(b->Datos(), b->Longitud())));
    oe5::LiberarReescrito(r.Puntero());
  }
  VersionOE = version;
}

}  // namespace
}  // namespace orvex::pruebas
