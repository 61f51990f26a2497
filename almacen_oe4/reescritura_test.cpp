// Rewriting messages of a built store through the exports: the mail copy appended under a new
// id with the old record marked, and the news article overwritten in place.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "almacen_oe4/oe4.h"

#include "almacen_oe4/formato_oe4.h"
#include "almacen_oe4/prueba_oe4.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

constexpr uint32_t kCuenta = 0x80000001u;

std::string DosAdjuntos() {
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Dos",
                          Multiparte("mixed", {TextoPlano("Hola.\n"), Adjunto("a.exe", "contenido a"),
                                               Adjunto("b.doc", "contenido b")})));
}

// One mail folder (id 1) with message 7 holding the text; the mailbox's last id is 41.
AlmacenOe4 Correo(const std::string& texto) {
  AlmacenOe4 d;
  CarpetaOe4 c = CarpetaCorreo(1, 0, "Bandeja", "Inbox");
  MensajeOe4 m;
  m.id = 7;
  m.texto = texto;
  m.asunto = "Dos";
  m.fechas[1] = FileTime(2000, 1, 2, 3, 4);
  m.primera_palabra = 0xABCD;
  c.mensajes = {m};
  c.ultimo_id = 41;
  c.tam_bloques = 1000;
  c.tam_mensajes = 900;
  d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", ""), c};
  d.cuenta_por_defecto = false;
  return d;
}

// Walks the parts of the folder's first message (or the article of a group) and applies the
// action to the parts named in `nombres`; returns the save results in part order.
std::vector<uint32_t> Guardar(OE_CARPETA* carpeta, uint32_t accion, const std::vector<std::string>& nombres) {
  std::vector<uint32_t> resultados;
  OE_MENSAJE* m = nullptr;
  EXPECT_EQ(OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO), OE_OK);
  EXPECT_EQ(OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE), OE_OK);
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
    for (const std::string& n : nombres) {
      if (n == o->NombreAdjunto) resultados.push_back(OE_GuardarObjMsg(m, o, accion));
    }
  }
  EXPECT_EQ(o, nullptr);
  OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
  return resultados;
}

TEST(ReescrituraOe4Test, RenombrarUnAdjuntoAnadeBloqueYRegistroYMarcaElViejo) {
  AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
  const MapaIdxMbx antes = almacen.Escrito().pares.at("Inbox");
  const uint32_t pos_carpeta = almacen.Escrito().folders.registros[1];
  CarpetaPorId c(1, pos_carpeta);
  ASSERT_EQ(Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));

  const auto mbx = almacen.Leer("mail/Inbox.mbx");
  const auto idx = almacen.Leer("mail/Inbox.idx");
  const auto nch = almacen.Leer("mail/folders.nch");
  const uint32_t p = static_cast<uint32_t>(antes.mbx.size());
  const uint32_t q = static_cast<uint32_t>(antes.idx.size());
  const uint32_t tam = LeerPalabra(mbx, p + kMbxBloqueTam);
  const uint32_t largo = LeerPalabra(mbx, p + kMbxBloqueLongTexto);
  const std::string texto(mbx.begin() + p + 16, mbx.begin() + p + 16 + largo);
  // The mailbox: a new block under id 42, counted in the header; the old block stays.
  EXPECT_EQ(LeerPalabra(mbx, kMbxUltimoId), 42u);
  EXPECT_EQ(LeerPalabra(mbx, kMbxNumBloques), 2u);
  EXPECT_EQ(LeerPalabra(mbx, kMbxTamDatos), LeerPalabra(antes.mbx, kMbxTamDatos) + tam);
  EXPECT_EQ(LeerPalabra(mbx, p + kMbxBloqueId), 42u);
  EXPECT_EQ(LeerPalabra(mbx, p), 0xABCDu);
  EXPECT_EQ(tam % 4, 0u);
  EXPECT_EQ(tam, mbx.size() - p);
  EXPECT_LT(tam - 16 - largo, 4u);
  EXPECT_NE(texto.find("name=\"a_exe.VIR\""), std::string::npos);
  EXPECT_NE(texto.find("name=\"b.doc\""), std::string::npos);
  EXPECT_TRUE(std::equal(antes.mbx.begin() + kLongCabMbx, antes.mbx.end(), mbx.begin() + kLongCabMbx));
  // The index: the copy of the record at the old end, the old record marked.
  EXPECT_EQ(LeerPalabra(idx, kIdxNumRegistros), 2u);
  EXPECT_EQ(LeerPalabra(idx, kIdxFinRegistros), idx.size());
  EXPECT_EQ(LeerPalabra(idx, q + kRegIdMensaje), 42u);
  EXPECT_EQ(LeerPalabra(idx, q + kRegPosPropia), q);
  EXPECT_EQ(LeerPalabra(idx, q + kRegPosBloque), p);
  EXPECT_EQ(LeerPalabra(idx, q + kRegTamBloque), tam);
  EXPECT_EQ(LeerPalabra(idx, q + kRegLongTexto), largo);
  EXPECT_EQ(LeerPalabra(idx, q + kRegMarcas), 0u);
  EXPECT_TRUE(std::equal(idx.begin() + q + kLongFijoRegistro, idx.end(), antes.idx.begin() + 80 + kLongFijoRegistro));
  EXPECT_EQ(LeerPalabra(idx, 80 + kRegMarcas), 1u);
  EXPECT_EQ(LeerPalabra(idx, 80 + kRegIdSustituto), 42u);
  // The folder list's counters.
  const uint32_t tam_viejo = LeerPalabra(antes.mbx, kLongCabMbx + kMbxBloqueTam);
  EXPECT_EQ(LeerPalabra(nch, pos_carpeta + kCarTamBloques), 1000u + tam);
  EXPECT_EQ(LeerPalabra(nch, pos_carpeta + kCarTamMensajes), 900u + tam - tam_viejo);

  // A fresh walk shows only the copy, with its date and subject kept.
  uint32_t fin = 0;
  const auto v = Mensajes(c.Puntero(), &fin);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(fin, OE_FIN);
  EXPECT_EQ(v[0].id, 42u);
  EXPECT_EQ(v[0].texto, texto);
  EXPECT_EQ(v[0].fecha, "02/01/2000  03:04");
}

TEST(ReescrituraOe4Test, DosAccionesEnUnMensajeYUnaSegundaReescritura) {
  AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
  CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
  ASSERT_EQ(Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe", "b.doc"}), (std::vector<uint32_t>{OE_OK, OE_OK}));
  auto v = Mensajes(c.Puntero());
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].id, 42u);
  EXPECT_NE(v[0].texto.find("name=\"a_exe.VIR\""), std::string::npos);
  EXPECT_NE(v[0].texto.find("name=\"b_doc.VIR\""), std::string::npos);
  // The copy is rewritten in turn: 42 is replaced by 43, and 7 still leads to it.
  ASSERT_EQ(Guardar(c.Puntero(), ACCION_BORRAR, {"a_exe.VIR"}), (std::vector<uint32_t>{OE_OK}));
  v = Mensajes(c.Puntero());
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].id, 43u);
  EXPECT_EQ(v[0].texto.find("contenido a"), std::string::npos);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
  OE_REF_ADJUNTO ref{};
  ref.IdMensaje = 7;
  EXPECT_EQ(oe4::PosicionarMensaje(&ref, c.Puntero(), m), OE_OK);
  EXPECT_EQ(m->IdMensaje, 43u);
  OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
}

TEST(ReescrituraOe4Test, AccionesQueNoCambianNada) {
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::string parte;
  };
  const Caso casos[] = {
      {"renombrar el cuerpo", ACCION_RENOMBRAR, ""},
      {"borrar el cuerpo", ACCION_BORRAR, ""},
      {"conservar", ACCION_CONSERVAR, "a.exe"},
      {"accion desconocida", 4, "a.exe"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
    CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE), OE_OK);
    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
      if (caso.parte == o->NombreAdjunto) {
        EXPECT_EQ(OE_GuardarObjMsg(m, o, caso.accion), OE_OK);
        EXPECT_EQ(m->Modificado, 0u);
        EXPECT_EQ(m->Reescrito, nullptr);
      }
    }
    OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
    EXPECT_EQ(almacen.Leer("mail/Inbox.mbx"), almacen.Escrito().pares.at("Inbox").mbx);
    EXPECT_EQ(almacen.Leer("mail/Inbox.idx"), almacen.Escrito().pares.at("Inbox").idx);
  }
}

TEST(ReescrituraOe4Test, SinBuzonLaPrimeraAccionFalla) {
  AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
  CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
  OE_MENSAJE* m = nullptr;
  ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
  ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE), OE_OK);
  std::remove((almacen.Directorio().Ruta() + "/mail/Inbox.mbx").c_str());
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
    if (std::string(o->NombreAdjunto) == "a.exe") {
      EXPECT_EQ(OE_GuardarObjMsg(m, o, ACCION_RENOMBRAR), OE_ERROR);
      EXPECT_EQ(m->Modificado, 0u);
    }
  }
  OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
  EXPECT_EQ(almacen.Leer("mail/Inbox.idx"), almacen.Escrito().pares.at("Inbox").idx);
}

TEST(ReescrituraOe4Test, ReabrirUnAdjuntoPorReferencia) {
  AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
  OE_REF_ADJUNTO ref{};
  ref.IdCarpeta = 1;
  ref.PosCarpeta = almacen.Escrito().folders.registros[1];
  ref.IdMensaje = 7;
  ref.NumParte = 3;
  std::strcpy(ref.NombreAdjunto, "b.doc");
  OE_MENSAJE* m = nullptr;
  OE_OBJMSG* o = nullptr;
  ASSERT_EQ(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_PRIMERO), OE_OK);
  EXPECT_STREQ(o->NombreAdjunto, "b.doc");
  EXPECT_EQ(OE_ObtenerAttachMensaje(&ref, &m, &o, OE_CERRAR), OE_OK);
}

// A group (account 0x80000001, first entry) whose one article runs over 64-byte blocks.
struct Grupo1 {
  AlmacenOe4 d;
  explicit Grupo1(const std::string& texto) {
    d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", "")};
    d.cuentas = {Cuenta("00000001", std::nullopt), Cuenta("00000002", "news", {Grupo("g", 5, {Articulo(texto, 64)})})};
  }
};

TEST(ReescrituraOe4Test, UnArticuloSeReescribeEnSuSitio) {
  const std::string texto = DosAdjuntos();
  Grupo1 g(texto);
  AlmacenOe4Instalado almacen(g.d);
  const std::string archivo = "News/news/" + NombreArchivoGrupo(5);
  const MapaGrupo antes = almacen.Escrito().grupos.at(archivo);
  CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
  ASSERT_EQ(grupo.Resultado(), OE_OK);
  ASSERT_EQ(Guardar(grupo.Puntero(), ACCION_BORRAR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));

  const auto v = Mensajes(grupo.Puntero());
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].texto.find("contenido a"), std::string::npos);
  EXPECT_NE(v[0].texto.find("name=\"b.doc\""), std::string::npos);
  EXPECT_LT(v[0].texto.size(), texto.size());
  const auto bytes = almacen.Leer(archivo);
  EXPECT_EQ(bytes.size(), antes.bytes.size());
  const uint32_t item = antes.articulos[0];
  EXPECT_EQ(LeerPalabra(bytes, item + kArtLongArticulo), v[0].texto.size());
  EXPECT_EQ(LeerPalabra(bytes, kNchTamTextos), v[0].texto.size());
  EXPECT_EQ(LeerPalabra(bytes, item + kArtPosBloque), antes.bloques[0][0]);
  // The block where the new text ends closes the chain.
  const uint32_t ultimo = antes.bloques[0][(v[0].texto.size() - 1) / 64];
  EXPECT_EQ(LeerPalabra(bytes, ultimo + kNchBloqueSiguiente), 0u);
  EXPECT_EQ(LeerPalabra(bytes, ultimo + kNchBloqueUsados), (v[0].texto.size() - 1) % 64 + 1);
}

TEST(ReescrituraOe4Test, UnArticuloMasLargoSeCortaAlFinalDeSuCadena) {
  // Every block is full, so the longer text has no room beyond the old one.
  std::string texto = DosAdjuntos();
  texto.resize((texto.size() + 63) / 64 * 64, '\n');
  Grupo1 g(texto);
  AlmacenOe4Instalado almacen(g.d);
  CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
  ASSERT_EQ(Guardar(grupo.Puntero(), ACCION_RENOMBRAR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));
  const auto v = Mensajes(grupo.Puntero());
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].texto.size(), texto.size());
  EXPECT_NE(v[0].texto.find("name=\"a_exe.VIR\""), std::string::npos);
}

}  // namespace
}  // namespace orvex::pruebas

namespace orvex::pruebas {
namespace {

// The write-back changes three files in turn. Failing it at each of its writes in turn, and
// with the disk gone from that write on, must leave a folder from which the original message
// or its complete copy is listed and read, never neither.
TEST(ReescrituraOe4Test, UnFalloEnCualquierEscrituraNoPierdeElMensaje) {
  const std::string original = DosAdjuntos();
  std::string copia;
  {
    AlmacenOe4Instalado almacen(Correo(original));
    CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
    ASSERT_EQ(Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));
    const auto v = Mensajes(c.Puntero());
    ASSERT_EQ(v.size(), 1u);
    copia = v[0].texto;
  }
  auto& ganchos = plataforma::Ganchos();
  const auto escribir = static_cast<int>(plataforma::Operacion::kEscribir);
  for (bool desde : {false, true}) {
    uint64_t n = 1;
    for (; n < 100; ++n) {
      SCOPED_TRACE(std::string(desde ? "desde la escritura " : "escritura ") + std::to_string(n));
      AlmacenOe4Instalado almacen(Correo(original));
      CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
      ganchos.Reiniciar();
      ganchos.fallar_en[escribir] = n;
      ganchos.fallar_desde = desde;
      Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe"});
      const bool disparado = ganchos.contador[escribir] >= n;
      ganchos.Reiniciar();

      uint32_t fin = 0;
      const auto v = Mensajes(c.Puntero(), &fin);
      EXPECT_EQ(fin, OE_FIN);
      bool alguno = false;
      for (const auto& m : v) {
        EXPECT_TRUE(m.texto == original || m.texto == copia);
        alguno = true;
      }
      EXPECT_TRUE(alguno);
      if (!disparado) {
        // Every write went through: only the copy is left.
        ASSERT_EQ(v.size(), 1u);
        EXPECT_EQ(v[0].texto, copia);
        break;
      }
    }
    EXPECT_EQ(n, 7u);  // block, mailbox header, record, index header, mark, folder record
  }
}

}  // namespace
}  // namespace orvex::pruebas

namespace orvex::pruebas {
namespace {

// A write-back over a damaged store writes nothing it cannot check, and the folder still
// lists to its end afterwards.
TEST(ReescrituraOe4Test, SobreArchivosDanados) {
  struct Campo {
    const char* archivo;
    const char* nombre;
    uint32_t pos;  // within the image; registro/bloque offsets are added below
    bool en_registro;
    bool en_bloque;
  };
  const Campo campos[] = {
      {"mail/Inbox.idx", "FinRegistros", kIdxFinRegistros, false, false},
      {"mail/Inbox.idx", "NumRegistros", kIdxNumRegistros, false, false},
      {"mail/Inbox.idx", "Marcas", kRegMarcas, true, false},
      {"mail/Inbox.idx", "PosPropia", kRegPosPropia, true, false},
      {"mail/Inbox.idx", "LongRegistro", kRegLongRegistro, true, false},
      {"mail/Inbox.idx", "PosBloque", kRegPosBloque, true, false},
      {"mail/Inbox.mbx", "UltimoId", kMbxUltimoId, false, false},
      {"mail/Inbox.mbx", "TamDatos", kMbxTamDatos, false, false},
      {"mail/Inbox.mbx", "LongTexto", kMbxBloqueLongTexto, false, true},
      {"mail/Inbox.mbx", "TamBloque", kMbxBloqueTam, false, true},
  };
  const std::string original = DosAdjuntos();
  for (const Campo& campo : campos) {
    for (uint32_t valor : {0u, 0xFFFFFFFFu, 1u, 80u, 84u, 100000u}) {
      SCOPED_TRACE(std::string(campo.archivo) + " " + campo.nombre + " = " + std::to_string(valor));
      AlmacenOe4Instalado almacen(Correo(original));
      const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
      CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
      // The message is read whole first, then the file changes under the rewrite.
      OE_MENSAJE* m = nullptr;
      ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_PRIMERO), OE_OK);
      ASSERT_EQ(OE_ObtenerMensajes(c.Puntero(), &m, OE_SIGUIENTE), OE_OK);
      std::vector<uint8_t> b = almacen.Leer(campo.archivo);
      const uint32_t base = campo.en_registro ? par.registros[0] : campo.en_bloque ? par.bloques[0] : 0;
      PonerPalabra(b, base + campo.pos, valor);
      almacen.Reescribir(campo.archivo, b);
      OE_OBJMSG* o = nullptr;
      ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
      while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
        if (std::string(o->NombreAdjunto) == "a.exe") OE_GuardarObjMsg(m, o, ACCION_RENOMBRAR);
      }
      OE_ObtenerMensajes(c.Puntero(), &m, OE_CERRAR);
      uint32_t fin = 0;
      EXPECT_LT(Mensajes(c.Puntero(), &fin).size(), 10u);
      EXPECT_NE(fin, OE_OK);
    }
  }
}

}  // namespace
}  // namespace orvex::pruebas

namespace orvex::pruebas {
namespace {

// A group whose first article holds `texto` over 64-byte blocks, followed by two others.
struct GrupoTres {
  AlmacenOe4 d;
  explicit GrupoTres(const std::string& texto) {
    d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", "")};
    d.cuentas = {Cuenta("00000001", std::nullopt),
                 Cuenta("00000002", "news",
                        {Grupo("g", 5,
                               {Articulo(texto, 64), Articulo(std::string(150, 'x') + "\n", 64),
                                Articulo("segundo\n", 64)})})};
  }
};

const std::vector<std::string> kOtros = {std::string(150, 'x') + "\n", "segundo\n"};

// The article is overwritten in place, so a write that fails must be undone: whichever write
// fails, the article reads back as its original or as its new text, never a mix, and the
// other articles are untouched.
TEST(ReescrituraOe4Test, UnFalloEnCualquierEscrituraDejaElArticuloEnteroONuevo) {
  const std::string original = DosAdjuntos();
  const std::string archivo = "News/news/" + NombreArchivoGrupo(5);
  std::string nuevo;
  {
    GrupoTres g(original);
    AlmacenOe4Instalado almacen(g.d);
    CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
    ASSERT_EQ(Guardar(grupo.Puntero(), ACCION_BORRAR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));
    const auto v = Mensajes(grupo.Puntero());
    ASSERT_EQ(v.size(), 3u);
    nuevo = v[0].texto;
    ASSERT_NE(nuevo, original);
  }
  auto& ganchos = plataforma::Ganchos();
  const auto escribir = static_cast<int>(plataforma::Operacion::kEscribir);
  uint64_t n = 1;
  for (; n < 100; ++n) {
    SCOPED_TRACE("escritura " + std::to_string(n));
    GrupoTres g(original);
    AlmacenOe4Instalado almacen(g.d);
    CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
    ganchos.Reiniciar();
    ganchos.fallar_en[escribir] = n;
    Guardar(grupo.Puntero(), ACCION_BORRAR, {"a.exe"});
    const bool disparado = ganchos.contador[escribir] >= n;
    ganchos.Reiniciar();

    uint32_t fin = 0;
    const auto v = Mensajes(grupo.Puntero(), &fin);
    EXPECT_EQ(fin, OE_FIN);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_TRUE(v[0].texto == original || v[0].texto == nuevo);
    EXPECT_EQ(v[1].texto, kOtros[0]);
    EXPECT_EQ(v[2].texto, kOtros[1]);
    if (!disparado) {
      EXPECT_EQ(v[0].texto, nuevo);
      break;
    }
    // Undone completely: the group file is byte for byte what it was.
    EXPECT_EQ(v[0].texto, original);
    EXPECT_EQ(almacen.Leer(archivo), almacen.Escrito().grupos.at(archivo).bytes);
  }
  // Each block written (head and text), then the header and the item.
  EXPECT_GT(n, 4u);
  EXPECT_LT(n, 100u);
}

// Another writer changes the article between the listing and the write-back: the rewrite,
// made from the text as it was listed, is not written over it.
TEST(ReescrituraOe4Test, UnArticuloCambiadoEnDiscoNoSeSobrescribe) {
  struct Caso {
    const char* nombre;
    bool en_item;       // the word is in the article's item, else in its text
    uint32_t pos;       // within the item, or within the text
    uint32_t valor;     // the item word written; a text byte has its case flipped instead
  };
  const Caso casos[] = {
      {"un byte del texto en el segundo bloque", false, 70, 0},
      {"un byte del texto en el primer bloque", false, 3, 0},
      {"el articulo acortado", true, kArtLongArticulo, 100},
      {"otra cadena", true, kArtPosBloque, 0},
  };
  const std::string original = DosAdjuntos();
  const std::string archivo = "News/news/" + NombreArchivoGrupo(5);
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    GrupoTres g(original);
    AlmacenOe4Instalado almacen(g.d);
    const MapaGrupo& mapa = almacen.Escrito().grupos.at(archivo);
    CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
    OE_MENSAJE* m = nullptr;
    ASSERT_EQ(OE_ObtenerMensajes(grupo.Puntero(), &m, OE_PRIMERO), OE_OK);
    ASSERT_EQ(OE_ObtenerMensajes(grupo.Puntero(), &m, OE_SIGUIENTE), OE_OK);
    ASSERT_EQ(std::string(m->Texto, m->LongTexto), original);

    std::vector<uint8_t> b = almacen.Leer(archivo);
    if (caso.en_item) {
      PonerPalabra(b, mapa.articulos[0] + caso.pos, caso.valor);
    } else {
      const uint32_t bloque = mapa.bloques[0][caso.pos / 64];
      b[bloque + 16 + caso.pos % 64] ^= 0x20;
    }
    almacen.Reescribir(archivo, b);

    OE_OBJMSG* o = nullptr;
    ASSERT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
    bool guardado = false;
    while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
      if (std::string(o->NombreAdjunto) == "a.exe") guardado = OE_GuardarObjMsg(m, o, ACCION_BORRAR) == OE_OK;
    }
    EXPECT_TRUE(guardado);
    OE_ObtenerMensajes(grupo.Puntero(), &m, OE_CERRAR);
    EXPECT_EQ(almacen.Leer(archivo), b);
  }
}

}  // namespace
}  // namespace orvex::pruebas
