// Changing messages of a built store through the public exports, as a host does: list to the
// message, hand its parts out, save actions, and let the last mode 2 call write the message
// back. Then a fresh listing shows what a host would see.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "almacen_oe5/formato_dbx.h"
#include "almacen_oe5/oe5.h"
#include "pruebas/prueba_almacen.h"
#include "pruebas/prueba_partes.h"
#include "almacen_oe5/reescritura.h"
#include "fuzz/valla.h"
#include "soporte/buffer_flujo.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

constexpr uint32_t kIdCarpeta = 4;
constexpr const char* kArchivo = "Inbox.dbx";
constexpr uint32_t kIdObjetivo = 3;

std::string Relleno(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; s.size() < n; ++i) s += "Line " + std::to_string(i) + " of the body of the message.\n";
  return s;
}

const std::string kVirus = "MZ\x90" + std::string(900, 'v') + " a binary that the host wants to defuse.";
const std::string kNotas = "Notes that travel as a second attachment.\n";
const std::string kCuerpo = Relleno(700);
const std::string kTexto = Correo({TextoPlano(kCuerpo), Adjunto("virus.exe", kVirus)});

// The folder: the message to change (id 3) among others that must not move.
AlmacenDbx Almacen(const std::string& objetivo) {
  ArchivoMensajesDbx a;
  a.arbol = {2, FormaArbol::kMixto};
  a.mensajes = {pruebas::Mensaje(2, MensajeSimple()), pruebas::Mensaje(kIdObjetivo, objetivo),
                pruebas::Mensaje(4, MensajeHtml()), pruebas::Mensaje(5, MensajeConAdjunto(kVirus))};
  AlmacenDbx d;
  d.carpetas = {Carpeta(kIdCarpeta, 1, "Inbox", kArchivo, a)};
  return d;
}

using Politica = std::function<Decision(OE_MENSAJE&, const OE_OBJMSG&)>;

Politica Segun(std::map<std::string, Decision> por_nombre) {
  return [por_nombre](OE_MENSAJE&, const OE_OBJMSG& o) {
    const auto it = por_nombre.find(o.NombreParte);
    return it == por_nombre.end() ? Decision{ACCION_CONSERVAR, std::nullopt} : it->second;
  };
}

// Lists the folder up to the message with this id; null when it is not there.
OE_MENSAJE* ListarHasta(OE_CARPETA* carpeta, OE_MENSAJE** m, uint32_t id) {
  if (OE_ObtenerMensajes(carpeta, m, OE_PRIMERO) != OE_OK) return nullptr;
  for (int i = 0; i < 100; ++i) {
    if (OE_ObtenerMensajes(carpeta, m, OE_SIGUIENTE) != OE_OK) return nullptr;
    if ((*m)->IdMensaje == id) return *m;
  }
  return nullptr;
}

struct Conduccion {
  bool encontrado = false;
  std::vector<uint32_t> guardados;  // results of OE_GuardarObjMsg, in order
  uint32_t final = 0;               // the mode 2 result that ended the object
};

// One message changed the way a host changes it, to the end of its parts; valla, when given,
// receives the fence of its write-back.
Conduccion Conducir(const Politica& politica, uint32_t id = kIdObjetivo,
                    std::vector<fuzz::ArchivoVallado>* valla = nullptr) {
  Conduccion c;
  CarpetaAbierta carpeta(kIdCarpeta);
  OE_MENSAJE* m = nullptr;
  if (ListarHasta(carpeta.c, &m, id) != nullptr) {
    c.encontrado = true;
    if (valla != nullptr) *valla = fuzz::VallasDbx(*m);
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    for (int i = 0; i < 100; ++i) {
      c.final = OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE);
      if (c.final != OE_OK) break;
      const Decision d = politica(*m, *o);
      if (d.contenido) PonerContenido(*o, *d.contenido);
      if (d.accion) c.guardados.push_back(OE_GuardarObjMsg(m, o, *d.accion));
    }
    EXPECT_EQ(o, nullptr);
    // After the write-back nothing is left; a rewrite abandoned earlier goes with the record.
    EXPECT_EQ(m->Modificado, 0u);
    oe5::LiberarReescrito(m);
  }
  if (m != nullptr) OE_ObtenerMensajes(carpeta.c, &m, OE_CERRAR);
  return c;
}

// The target with the i-th action saved on its i-th part and its object closed early, so
// that nothing is written yet: the write-back is then called directly.
struct Pendiente {
  explicit Pendiente(const std::vector<uint32_t>& acciones) {
    if (ListarHasta(carpeta.c, &m, kIdObjetivo) == nullptr) {
      ADD_FAILURE() << "no message " << kIdObjetivo;
      return;
    }
    OE_OBJMSG* o = nullptr;
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    for (uint32_t accion : acciones) {
      EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE), OE_OK);
      EXPECT_EQ(OE_GuardarObjMsg(m, o, accion), OE_OK);
    }
    EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_CERRAR), OE_OK);
  }
  ~Pendiente() {
    if (m != nullptr) OE_ObtenerMensajes(carpeta.c, &m, OE_CERRAR);
  }
  Pendiente(const Pendiente&) = delete;
  Pendiente& operator=(const Pendiente&) = delete;

  CarpetaAbierta carpeta{kIdCarpeta};
  OE_MENSAJE* m = nullptr;
};

// The folder's texts by message id, as a fresh listing reads them.
std::map<uint32_t, std::string> Textos() {
  std::map<uint32_t, std::string> textos;
  CarpetaAbierta carpeta(kIdCarpeta);
  const Listado l = Listar(carpeta.c);
  EXPECT_EQ(l.primero, OE_OK);
  for (const MensajeVisto& v : l.mensajes) {
    EXPECT_EQ(v.resultado, OE_OK) << "message " << v.id;
    textos[v.id] = v.texto.value_or("<unreadable>");
  }
  return textos;
}

// What the old chain keeps of a new text: the format never lengthens a chain.
std::string LoQueCabe(const std::string& nuevo, const std::string& viejo) {
  return nuevo.substr(0, std::min(nuevo.size(), (viejo.size() + 511) / 512 * 512));
}

class ReescrituraOe5Test : public ::testing::Test {
 protected:
  ~ReescrituraOe5Test() override { plataforma::Ganchos().Reiniciar(); }

  // Every message but the target reads as it was written, the target as `objetivo`; undbx,
  // when there is one, takes out the same texts.
  static void ComprobarCarpeta(const AlmacenInstalado& almacen, const AlmacenDbx& d, const std::string& objetivo) {
    std::map<uint32_t, std::string> esperados;
    for (const MensajeDbx& m : d.carpetas[0].mensajes->mensajes) esperados[m.id] = m.texto;
    esperados[kIdObjetivo] = objetivo;
    EXPECT_EQ(Textos(), esperados);
    if (!HayUndbx()) return;
    std::vector<std::string> textos;
    for (const auto& [id, texto] : esperados) textos.push_back(texto);
    std::sort(textos.begin(), textos.end());
    EXPECT_EQ(TextosUndbx(almacen.Directorio().Ruta() + "/" + kArchivo, almacen.Directorio().RutaDe("undbx")), textos);
  }
};

TEST_F(ReescrituraOe5Test, LaCarpetaMuestraElMensajeCambiadoYLosDemasIntactos) {
  const std::string nuevo_virus = "A short harmless replacement.";
  const auto virus = Adjunto("virus.exe", kVirus);
  const auto notas = Adjunto("notas.txt", kNotas);
  const auto cuerpo = TextoPlano(kCuerpo);
  struct Caso {
    const char* nombre;
    std::string texto;
    std::map<std::string, Decision> decisiones;
    std::string esperado;
  };
  // What each action leaves is the save-action tests' matter: here a text that grows, one that
  // shrinks and several actions at once, each among messages that must not move.
  const Caso casos[] = {
      {"renombrar", Correo({cuerpo, AdjuntoOrdenado("virus.exe", kVirus, true), notas}),
       {{"virus.exe", {ACCION_RENOMBRAR, {}}}},
       Correo({cuerpo, AdjuntoOrdenado("virus_exe.VIR", kVirus, true), notas})},
      {"sustituir un adjunto", Correo({cuerpo, virus, notas}), {{"virus.exe", {ACCION_SUSTITUIR, nuevo_virus}}},
       Correo({cuerpo, Adjunto("virus.exe", nuevo_virus), notas})},
      {"varias acciones", Correo({cuerpo, virus, notas, Adjunto("otro.pif", kVirus)}),
       {{"", {ACCION_SUSTITUIR, "Checked.\r\n"}},
        {"virus.exe", {ACCION_RENOMBRAR, {}}},
        {"notas.txt", {std::nullopt, {}}},
        {"otro.pif", {ACCION_BORRAR, {}}}},
       Correo({TextoPlano("Checked.\n"), Adjunto("virus_exe.VIR", kVirus), notas, SinCuerpo(Adjunto("otro.pif", kVirus))})},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const AlmacenDbx d = Almacen(caso.texto);
    AlmacenInstalado almacen(d);
    const Conduccion c = Conducir(Segun(caso.decisiones));
    ASSERT_TRUE(c.encontrado);
    EXPECT_EQ(c.final, OE_FIN);
    for (const uint32_t r : c.guardados) EXPECT_EQ(r, OE_OK);
    ComprobarCarpeta(almacen, d, LoQueCabe(caso.esperado, caso.texto));
  }
}

TEST_F(ReescrituraOe5Test, CadaCorteAlFinalDeLaCadenaSeLeeComoSeEscribio) {
  for (std::size_t libre = 0; libre < 8; ++libre) {  // bytes free in the old chain's last block
    std::string texto;
    for (std::size_t x = 0; texto.empty() || (texto.size() + libre) % 512 != 0; ++x) {
      ASSERT_LT(x, 512u);
      texto = Correo({TextoPlano(kCuerpo + std::string(x, 'x') + "\n"), Adjunto("virus.exe", kVirus)});
    }
    const AlmacenDbx d = Almacen(texto);
    for (std::size_t exceso : {1, 2, 3, 4, 5, 6, 7, 8, 512, 1000}) {  // bytes past the chain's room
      SCOPED_TRACE(testing::Message() << libre << " free, " << exceso << " over");
      std::string nuevo;
      for (std::size_t i = 0; nuevo.size() < texto.size() + libre + exceso; ++i) nuevo += static_cast<char>('a' + i % 26);
      AlmacenInstalado almacen(d);
      {
        Pendiente p({ACCION_BORRAR});
        CL_BUFFER_FLUJO* r = oe5::ReescritoDe(p.m);
        ASSERT_NE(r, nullptr);
        r->FijarLongitud(0);
        ASSERT_EQ(r->Escribir(nuevo.data(), static_cast<uint32_t>(nuevo.size())), 0);
        EXPECT_EQ(oe5::Reescribir(p.m, 0), OE_OK);
      }
      ComprobarCarpeta(almacen, d, nuevo.substr(0, texto.size() + libre));
    }
  }
}

TEST_F(ReescrituraOe5Test, AccionesQueNoCambianNadaNoTocanElArchivo) {
  // The body's rename is refused; the attachment is kept.
  AlmacenInstalado almacen(Almacen(kTexto));
  const auto antes = almacen.Directorio().Leer(kArchivo);
  const Conduccion c = Conducir(Segun({{"", {ACCION_RENOMBRAR, {}}}}));
  EXPECT_EQ(c.guardados, (std::vector<uint32_t>{OE_ERROR, OE_OK}));
  EXPECT_EQ(c.final, OE_FIN);
  EXPECT_EQ(almacen.Directorio().Leer(kArchivo), antes);
}

TEST_F(ReescrituraOe5Test, LoYaCambiadoSeAbandonaSinEspacioOSeRespetaUnCambioAjeno) {
  const AlmacenDbx d = Almacen(kTexto);
  {
    // Each save looks at the disk again: the second finds it full and drops the change made.
    AlmacenInstalado almacen(d);
    auto& g = plataforma::Ganchos();
    g.espacio_libre = 10000;
    const Conduccion c = Conducir([&](OE_MENSAJE& m, const OE_OBJMSG& o) {
      const bool cuerpo = o.NombreParte[0] == 0;
      if (!cuerpo) g.espacio_libre = 10;
      EXPECT_EQ(m.Modificado, cuerpo ? 0u : 1u);
      return Decision{cuerpo ? ACCION_BORRAR : ACCION_RENOMBRAR, std::nullopt};
    });
    g.Reiniciar();
    EXPECT_EQ(c.guardados, (std::vector<uint32_t>{OE_OK, OE_SIN_MENSAJES}));
    ComprobarCarpeta(almacen, d, kTexto);
  }
  // Another program changes one byte of the message while the host holds it: that chain is
  // not overwritten.
  AlmacenInstalado almacen(d);
  const uint32_t bloque = almacen.Escrito().archivos.at(kArchivo).bloques[1][0];
  std::string cambiado = kTexto;
  cambiado[0] = 'f';
  const Conduccion c = Conducir([&](OE_MENSAJE&, const OE_OBJMSG& o) {
    if (o.NombreParte[0] == 0) {
      auto bytes = almacen.Directorio().Leer(kArchivo);
      bytes[bloque + 16] = 'f';
      almacen.Reescribir(kArchivo, bytes);
    }
    return Decision{ACCION_BORRAR, std::nullopt};
  });
  EXPECT_EQ(c.guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  ComprobarCarpeta(almacen, d, cambiado);

  // Message 4's object names the target's chain: writing it would change message 4 as well, so
  // the file stays as it is.
  AlmacenInstalado compartido(d);
  const MapaDbx& mapa = compartido.Escrito().archivos.at(kArchivo);
  std::vector<uint8_t> bytes = mapa.bytes;
  const uint32_t objeto = mapa.objetos[2];
  for (uint32_t i = 0, p = objeto + orvex::dbx::kLongCabObjeto; i < bytes[objeto + orvex::dbx::kObjNumIndices]; ++i, p += 4) {
    if ((LeerPalabra(bytes, p) & 0xFF) == orvex::dbx::kIdBloqueTexto) PonerPalabra(bytes, p, mapa.bloques[1][0] << 8 | orvex::dbx::kIdBloqueTexto);
  }
  compartido.Reescribir(kArchivo, bytes);
  EXPECT_EQ(Conducir(Segun({{"virus.exe", {ACCION_RENOMBRAR, {}}}})).guardados, (std::vector<uint32_t>{OE_OK, OE_OK}));
  EXPECT_EQ(compartido.Directorio().Leer(kArchivo), bytes);
}

// The write-back with its N-th write failing, for N = 1, 2, ... until no fault fires: as the
// host drives it (the last mode 2 call writes back and reports only the end), with the disk
// gone from the N-th write on, and called directly, which returns the code of the failure.
TEST_F(ReescrituraOe5Test, EscriturasQueFallanANMitadDeLaReescritura) {
  const std::string texto = Correo({TextoPlano(kCuerpo), Adjunto("virus.exe", kVirus), Adjunto("notas.txt", kNotas)});
  const std::string esperado =
      Correo({TextoPlano(kCuerpo), Adjunto("virus_exe.VIR", kVirus), SinCuerpo(Adjunto("notas.txt", kNotas))});
  const auto politica = Segun({{"virus.exe", {ACCION_RENOMBRAR, {}}}, {"notas.txt", {ACCION_BORRAR, {}}}});
  const std::size_t escrituras = static_cast<std::size_t>(plataforma::Operacion::kEscribir);
  const AlmacenDbx d = Almacen(texto);
  auto& g = plataforma::Ganchos();
  for (const char* modo : {"anfitrion", "disco perdido", "directo"}) {
    const bool disco_perdido = std::strcmp(modo, "disco perdido") == 0;
    bool disparado = true;
    uint64_t n = 1;
    for (; disparado && n < 200; ++n) {
      SCOPED_TRACE(testing::Message() << modo << ", write " << n);
      AlmacenInstalado almacen(d);
      g.Reiniciar();
      std::vector<fuzz::ArchivoVallado> valla;
      if (std::strcmp(modo, "directo") == 0) {
        Pendiente p({ACCION_CONSERVAR, ACCION_RENOMBRAR, ACCION_BORRAR});
        valla = fuzz::VallasDbx(*p.m);
        g.fallar_en[escrituras] = n;
        const uint32_t resultado = oe5::Reescribir(p.m, 0);
        disparado = g.contador[escrituras] >= n;
        EXPECT_EQ(resultado, disparado ? OE_ERROR : OE_OK);
        EXPECT_EQ(p.m->Reescrito, nullptr);
        EXPECT_EQ(p.m->Modificado, 0u);
      } else {
        g.fallar_en[escrituras] = n;
        g.fallar_desde = disco_perdido;
        const Conduccion c = Conducir(politica, kIdObjetivo, &valla);
        disparado = g.contador[escrituras] >= n;
        EXPECT_EQ(c.final, OE_FIN);
        EXPECT_EQ(c.guardados, (std::vector<uint32_t>{OE_OK, OE_OK, OE_OK}));
      }
      g.Reiniciar();
      EXPECT_EQ(fuzz::CambioFuera(valla), "");
      if (!disparado) {
        ComprobarCarpeta(almacen, d, esperado);
      } else if (!disco_perdido) {
        // The blocks went back as they were.
        ComprobarCarpeta(almacen, d, texto);
      } else {
        // Whatever the message holds now, it reads, and nothing else moved.
        auto textos = Textos();
        ASSERT_EQ(textos.count(kIdObjetivo), 1u);
        ComprobarCarpeta(almacen, d, textos[kIdObjetivo]);
      }
    }
    EXPECT_FALSE(disparado);
    EXPECT_GT(n, 3u) << "the write-back made fewer writes than expected";
  }
}

TEST_F(ReescrituraOe5Test, LaReescrituraSinArchivoOSinTextoNuevo) {
  const AlmacenDbx d = Almacen(kTexto);
  AlmacenInstalado almacen(d);
  {
    Pendiente p({ACCION_BORRAR});
    // A folder file that went away: 1, and the rewrite is over.
    const std::string ruta = p.m->RutaIndice;
    std::strcpy(p.m->RutaIndice, (ruta + ".missing").c_str());
    EXPECT_EQ(oe5::Reescribir(p.m, 0), OE_ERROR);
    EXPECT_EQ(p.m->Reescrito, nullptr);
    EXPECT_EQ(p.m->Modificado, 0u);
    std::strcpy(p.m->RutaIndice, ruta.c_str());
    // Nothing left to write.
    EXPECT_EQ(oe5::Reescribir(p.m, 0), OE_ERROR);
    EXPECT_EQ(oe5::Reescribir(nullptr, 0), OE_ERROR_PARAM);
  }
  ComprobarCarpeta(almacen, d, kTexto);
}

// A message the mail client wrote itself: a single HTML body in quoted-printable. Removing and
// replacing it keep its header, touch no byte outside its text chain, and undbx still reads it.
TEST_F(ReescrituraOe5Test, UnMensajeDelPropioClienteDeCorreo) {
  namespace fs = std::filesystem;
  const auto muestras = Muestras();
  if (!muestras) GTEST_SKIP() << "sin muestras";
  const fs::path mit = fs::path(*muestras) / "oe6_dbx_mit";
  const std::string nuevo = "<HTML><BODY>Checked =) \xE9</BODY></HTML>\r\n";
  for (const uint32_t accion : {ACCION_BORRAR, ACCION_SUSTITUIR}) {
    SCOPED_TRACE(accion);
    DirectorioTemporal dir;
    for (const char* f : {"Folders.dbx", "Inbox.dbx", "Outbox.dbx"}) fs::copy_file(mit / f, fs::path(dir.Ruta()) / f);
    RegistroPrueba registro;
    InstalarIdentidad(registro, dir.Ruta());
    ASSERT_EQ(VersionOE, VERSION_OE5);
    const auto antes = dir.Leer(kArchivo);
    const auto textos_antes = Textos();
    ASSERT_EQ(textos_antes.size(), 1u);
    const auto& [id, original] = *textos_antes.begin();
    const std::string cabecera = original.substr(0, original.find("\r\n\r\n") + 4);
    ASSERT_NE(original.find("text/html"), std::string::npos);
    // The bytes of the chain, read off the file as it was.
    std::set<uint32_t> en_cadena;
    {
      CarpetaAbierta carpeta(kIdCarpeta);
      OE_MENSAJE* m = nullptr;
      ASSERT_NE(ListarHasta(carpeta.c, &m, id), nullptr);
      for (uint32_t pos = m->PosTexto, n = 0; pos != 0 && n < 1000; pos = LeerPalabra(antes, pos + 12), ++n) {
        for (uint32_t i = 0; i < 16 + LeerPalabra(antes, pos + 4); ++i) en_cadena.insert(pos + i);
      }
      OE_ObtenerMensajes(carpeta.c, &m, OE_CERRAR);
    }

    ASSERT_EQ(Conducir(Segun({{"", {accion, nuevo}}}), id).guardados, std::vector<uint32_t>{OE_OK});
    const auto textos = Textos();
    ASSERT_EQ(textos.size(), 1u);
    const std::string& texto = textos.at(id);
    EXPECT_EQ(texto.substr(0, cabecera.size()), cabecera);
    if (accion == ACCION_BORRAR) {
      EXPECT_EQ(texto, cabecera);
    } else {
      // The new body is stored in the part's own encoding and reads back as the host wrote it.
      RegistroMensaje leido(texto);
      OE_OBJMSG* o = nullptr;
      ASSERT_EQ(OE_ObtenerObjMsg(leido.Puntero(), &o, OE_PRIMERO), OE_OK);
      ASSERT_EQ(OE_ObtenerObjMsg(leido.Puntero(), &o, OE_SIGUIENTE), OE_OK);
      EXPECT_EQ(Contenido(*o), nuevo);
      EXPECT_EQ(OE_ObtenerObjMsg(leido.Puntero(), &o, OE_CERRAR), OE_OK);
    }
    const auto despues = dir.Leer(kArchivo);
    ASSERT_EQ(despues.size(), antes.size());
    for (uint32_t i = 0; i < antes.size(); ++i) {
      if (antes[i] != despues[i]) {
        ASSERT_TRUE(en_cadena.count(i)) << "byte " << i << " outside the chain";
      }
    }
    if (HayUndbx()) {
      EXPECT_EQ(TextosUndbx(dir.RutaDe(kArchivo), dir.RutaDe("undbx")), std::vector<std::string>{texto});
    }
  }
}

}  // namespace
}  // namespace orvex::pruebas
