// Rewriting messages of a built store through the exports: the mail copy appended under a new
// id with the old record marked, and the news article overwritten in place.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <functional>
#include <memory>

#include "almacen_oe4/formato_oe4.h"
#include "pruebas/prueba_oe4.h"
#include "fuzz/valla.h"
#include "soporte/buffer_flujo.h"
#include "plataforma/plataforma.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::pruebas {
namespace {

using namespace orvex::oe4fmt;

constexpr uint32_t kCuenta = 0x80000001u;
const std::string kOtro = "Subject: otro\r\n\r\notro\r\n";
const std::string kSustituto = "contenido limpio";

// A short content as its base64 line in the text.
std::string Cifrado(const std::string& bytes) {
  std::string b = Base64(bytes);
  return b.substr(0, b.find('\n'));
}

std::string DosAdjuntos() {
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Dos",
                          Multiparte("mixed", {TextoPlano("Hola.\n"), Adjunto("a.exe", "contenido a"),
                                               Adjunto("b.doc", "contenido b")})));
}

// One mail folder (id 1): message 7 holding the text, then message 8; the mailbox's last id is 41.
AlmacenOe4 Correo(const std::string& texto) {
  AlmacenOe4 d;
  CarpetaOe4 c = CarpetaCorreo(1, 0, "Bandeja", "Inbox");
  MensajeOe4 m;
  m.id = 7;
  m.texto = texto;
  m.asunto = "Dos";
  m.fechas[1] = FileTime(2000, 1, 2, 3, 4);
  m.primera_palabra = 0xABCD;
  MensajeOe4 otro;
  otro.id = 8;
  otro.texto = kOtro;
  c.mensajes = {m, otro};
  c.ultimo_id = 41;
  c.tam_bloques = 1000;
  c.tam_mensajes = 900;
  d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", ""), c};
  d.cuenta_por_defecto = false;
  return d;
}

// A group (account 0x80000001, first entry) whose first article holds the text over 64-byte
// blocks, followed by two others.
const std::vector<std::string> kOtros = {std::string(150, 'x') + "\n", "segundo\n"};
AlmacenOe4 Grupo3(const std::string& texto) {
  AlmacenOe4 d;
  d.correo.carpetas = {CarpetaCorreo(0, 0, "Raiz", "")};
  d.cuentas = {Cuenta("00000001", std::nullopt),
               Cuenta("00000002", "news", {Grupo("g", 5, {Articulo(texto, 64), Articulo(kOtros[0], 64), Articulo(kOtros[1], 64)})})};
  return d;
}
const std::string kArchivoGrupo = "News/news/" + NombreArchivoGrupo(5);

// Lists the folder up to the message (the first one when id is 0), lets antes act on it (or on
// the files), walks its parts and saves each part named in `nombres` with the action (a
// replacement with kSustituto as the part's new content); returns the save results in part order.
std::vector<uint32_t> Guardar(OE_CARPETA* carpeta, uint32_t accion, const std::vector<std::string>& nombres,
                              const std::function<void(OE_MENSAJE*)>& antes = {}, uint32_t id = 0) {
  std::vector<uint32_t> resultados;
  OE_MENSAJE* m = nullptr;
  uint32_t r = OE_ObtenerMensajes(carpeta, &m, OE_PRIMERO);
  EXPECT_EQ(r, OE_OK);
  do {
    r = OE_ObtenerMensajes(carpeta, &m, OE_SIGUIENTE);
  } while (r == OE_OK && id != 0 && m->IdMensaje != id);
  EXPECT_EQ(r, OE_OK) << "message " << id << " not listed";
  if (antes && r == OE_OK) antes(m);
  OE_OBJMSG* o = nullptr;
  EXPECT_EQ(OE_ObtenerObjMsg(m, &o, OE_PRIMERO), OE_OK);
  while (OE_ObtenerObjMsg(m, &o, OE_SIGUIENTE) == OE_OK) {
    for (const std::string& n : nombres) {
      if (n != o->NombreAdjunto) continue;
      if (accion == ACCION_SUSTITUIR) {
        auto* contenido = static_cast<CL_BUFFER_FLUJO*>(o->Contenido);
        contenido->Posicionar(0, 0);
        contenido->Escribir(kSustituto.data(), static_cast<uint32_t>(kSustituto.size()));
        contenido->FijarLongitud(static_cast<uint32_t>(kSustituto.size()));
      }
      resultados.push_back(OE_GuardarObjMsg(m, o, accion));
    }
  }
  if (o != nullptr) OE_ObtenerObjMsg(m, &o, OE_CERRAR);
  OE_ObtenerMensajes(carpeta, &m, OE_CERRAR);
  return resultados;
}

// Sets words of an image (at offset, value), or adds to them.
void Poner(std::vector<uint8_t>& b, std::initializer_list<std::pair<uint32_t, uint32_t>> palabras, bool sumar = false) {
  for (const auto& [pos, v] : palabras) PonerPalabra(b, pos, (sumar ? LeerPalabra(b, pos) : 0) + v);
}

// Saves a.exe of message 7 with the action and checks the files and a fresh walk.
void ComprobarAccion(uint32_t accion, const std::string& presente, const std::string& ausente) {
  AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
  const MapaIdxMbx antes = almacen.Escrito().pares.at("Inbox");
  const uint32_t pos_carpeta = almacen.Escrito().folders.registros[1];
  CarpetaPorId c(1, pos_carpeta);
  ASSERT_EQ(Guardar(c.Puntero(), accion, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));

  const auto mbx = almacen.Leer("mail/Inbox.mbx");
  const uint32_t p = static_cast<uint32_t>(antes.mbx.size()), q = static_cast<uint32_t>(antes.idx.size());
  ASSERT_GE(mbx.size(), p + kLongCabBloqueMbx);
  const uint32_t largo = LeerPalabra(mbx, p + kMbxBloqueLongTexto);
  const uint32_t tam = (kLongCabBloqueMbx + largo + 3) / 4 * 4;
  ASSERT_GE(mbx.size(), p + kLongCabBloqueMbx + largo);
  const std::string texto(mbx.begin() + p + kLongCabBloqueMbx, mbx.begin() + p + kLongCabBloqueMbx + largo);
  EXPECT_NE(texto.find(presente), std::string::npos);
  EXPECT_EQ(texto.find(ausente), std::string::npos);
  EXPECT_NE(texto.find("name=\"b.doc\""), std::string::npos);
  EXPECT_NE(texto.find(Cifrado("contenido b")), std::string::npos);
  // The mailbox: a new block under id 42, counted in the header; the old blocks stay.
  std::vector<uint8_t> esperado = antes.mbx;
  Poner(esperado, {{kMbxNumBloques, 1}, {kMbxTamDatos, tam}}, true);
  esperado.resize(p + tam, 0);
  Poner(esperado, {{kMbxUltimoId, 42}, {p + kMbxBloquePrimera, 0xABCD}, {p + kMbxBloqueId, 42}, {p + kMbxBloqueTam, tam},
                   {p + kMbxBloqueLongTexto, largo}});
  std::copy(texto.begin(), texto.end(), esperado.begin() + p + kLongCabBloqueMbx);
  EXPECT_EQ(mbx, esperado);
  // The index: the old record marked as replaced by 42, a copy of it at the old end.
  const uint32_t r = antes.registros[0];
  esperado = antes.idx;
  esperado.insert(esperado.end(), antes.idx.begin() + r, antes.idx.begin() + antes.registros[1]);
  Poner(esperado, {{kIdxNumRegistros, 1}}, true);
  Poner(esperado, {{r + kRegMarcas, 1}, {r + kRegIdSustituto, 42}, {kIdxFinRegistros, static_cast<uint32_t>(esperado.size())},
                   {q + kRegIdMensaje, 42}, {q + kRegPosPropia, q}, {q + kRegPosBloque, p}, {q + kRegTamBloque, tam},
                   {q + kRegLongTexto, largo}});
  EXPECT_EQ(almacen.Leer("mail/Inbox.idx"), esperado);
  // The folder list's counters.
  esperado = almacen.Escrito().folders.bytes;
  Poner(esperado, {{pos_carpeta + kCarTamBloques, 1000 + tam},
                   {pos_carpeta + kCarTamMensajes, 900 + tam - LeerPalabra(antes.mbx, antes.bloques[0] + kMbxBloqueTam)}});
  EXPECT_EQ(almacen.Leer("mail/folders.nch"), esperado);

  // A fresh walk shows the other message and the copy, with its date kept.
  uint32_t fin = 0;
  const auto v = Mensajes(c.Puntero(), &fin);
  EXPECT_EQ(fin, OE_FIN);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].texto, kOtro);
  EXPECT_EQ(v[1].id, 42u);
  EXPECT_EQ(v[1].texto, texto);
  EXPECT_EQ(v[1].fecha, "02/01/2000  03:04");
}

// Each action appends a block and a record under a new id and marks the old record; a fresh
// walk shows the other message as it was and the copy with its date kept.
TEST(ReescrituraOe4Test, CadaAccionAnadeBloqueYRegistroYMarcaElViejo) {
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::string presente, ausente;  // in the new text; b.doc is kept whole by every action
  };
  const Caso casos[] = {
      {"renombrar", ACCION_RENOMBRAR, "name=\"a_exe.VIR\"", "name=\"a.exe\""},
      {"borrar", ACCION_BORRAR, "name=\"a.exe\"", Cifrado("contenido a")},
      {"sustituir", ACCION_SUSTITUIR, Cifrado(kSustituto), Cifrado("contenido a")},
  };
  ASSERT_NE(DosAdjuntos().find(Cifrado("contenido a")), std::string::npos);
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    ComprobarAccion(caso.accion, caso.presente, caso.ausente);
  }
}

TEST(ReescrituraOe4Test, DosAccionesEnUnMensajeYUnaSegundaReescritura) {
  AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
  CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
  ASSERT_EQ(Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe", "b.doc"}), (std::vector<uint32_t>{OE_OK, OE_OK}));
  auto v = Mensajes(c.Puntero());
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[1].id, 42u);
  EXPECT_NE(v[1].texto.find("name=\"a_exe.VIR\""), std::string::npos);
  EXPECT_NE(v[1].texto.find("name=\"b_doc.VIR\""), std::string::npos);
  // The copy is rewritten in turn: 42 is replaced by 43.
  ASSERT_EQ(Guardar(c.Puntero(), ACCION_BORRAR, {"a_exe.VIR"}, {}, 42), (std::vector<uint32_t>{OE_OK}));
  v = Mensajes(c.Puntero());
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].texto, kOtro);
  EXPECT_EQ(v[1].id, 43u);
  EXPECT_EQ(v[1].texto.find(Cifrado("contenido a")), std::string::npos);
}

// Actions that change nothing, and a rewrite whose mailbox went away: the files stay as they were.
TEST(ReescrituraOe4Test, AccionesQueNoCambianNada) {
  struct Caso {
    const char* nombre;
    uint32_t accion;
    std::string parte;
    uint32_t resultado;
    bool sin_buzon;
  };
  const Caso casos[] = {
      {"renombrar el cuerpo", ACCION_RENOMBRAR, "", OE_OK, false},
      {"borrar el cuerpo", ACCION_BORRAR, "", OE_OK, false},
      {"conservar", ACCION_CONSERVAR, "a.exe", OE_OK, false},
      {"accion desconocida", 4, "a.exe", OE_OK, false},
      {"sin buzon", ACCION_RENOMBRAR, "a.exe", OE_ERROR, true},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4Instalado almacen(Correo(DosAdjuntos()));
    CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
    const std::string mbx = almacen.Directorio().Ruta() + "/mail/Inbox.mbx";
    EXPECT_EQ(Guardar(c.Puntero(), caso.accion, {caso.parte},
                      [&](OE_MENSAJE*) {
                        if (caso.sin_buzon) std::remove(mbx.c_str());
                      }),
              std::vector<uint32_t>{caso.resultado});
    if (!caso.sin_buzon) {
      EXPECT_EQ(almacen.Leer("mail/Inbox.mbx"), almacen.Escrito().pares.at("Inbox").mbx);
    }
    EXPECT_EQ(almacen.Leer("mail/Inbox.idx"), almacen.Escrito().pares.at("Inbox").idx);
  }
}

TEST(ReescrituraOe4Test, UnArticuloSeReescribeEnSuSitio) {
  const std::string texto = DosAdjuntos();
  std::string lleno = texto;  // every block full: a longer text has no room beyond the old one
  lleno.resize((texto.size() + 63) / 64 * 64, '\n');
  for (const auto& [original, accion] : {std::pair{texto, ACCION_BORRAR}, std::pair{lleno, ACCION_RENOMBRAR}}) {
    SCOPED_TRACE(accion == ACCION_BORRAR ? "mas corto" : "mas largo");
    AlmacenOe4Instalado almacen(Grupo3(original));
    const MapaGrupo antes = almacen.Escrito().grupos.at(kArchivoGrupo);
    CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
    ASSERT_EQ(grupo.Resultado(), OE_OK);
    ASSERT_EQ(Guardar(grupo.Puntero(), accion, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));

    const auto v = Mensajes(grupo.Puntero());
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1].texto, kOtros[0]);
    EXPECT_EQ(v[2].texto, kOtros[1]);
    const std::string& nuevo = v[0].texto;
    if (accion == ACCION_RENOMBRAR) {  // cut at the end of its chain
      EXPECT_EQ(nuevo.size(), original.size());
      EXPECT_NE(nuevo.find("name=\"a_exe.VIR\""), std::string::npos);
      continue;
    }
    EXPECT_EQ(nuevo.find(Cifrado("contenido a")), std::string::npos);
    EXPECT_NE(nuevo.find("name=\"b.doc\""), std::string::npos);
    EXPECT_LT(nuevo.size(), original.size());
    const auto bytes = almacen.Leer(kArchivoGrupo);
    EXPECT_EQ(bytes.size(), antes.bytes.size());
    const uint32_t item = antes.articulos[0];
    EXPECT_EQ(LeerPalabra(bytes, item + kArtLongArticulo), nuevo.size());
    EXPECT_EQ(LeerPalabra(bytes, kNchTamTextos), LeerPalabra(antes.bytes, kNchTamTextos) - original.size() + nuevo.size());
    EXPECT_EQ(LeerPalabra(bytes, item + kArtPosBloque), antes.bloques[0][0]);
    // The block where the new text ends closes the chain.
    const uint32_t ultimo = antes.bloques[0][(nuevo.size() - 1) / 64];
    EXPECT_EQ(LeerPalabra(bytes, ultimo + kNchBloqueSiguiente), 0u);
    EXPECT_EQ(LeerPalabra(bytes, ultimo + kNchBloqueUsados), (nuevo.size() - 1) % 64 + 1);
  }
}

// The write-back fails at each of its writes in turn (and, for mail, with the disk gone from
// that write on). The mail copy goes into three files in turn: the folder must show the
// original message or its complete copy, never neither, and the other message as it was. The
// article is overwritten in place, so a failed write is undone: its file is what it was.
TEST(ReescrituraOe4Test, UnFalloEnCualquierEscrituraNoPierdeNada) {
  const std::string original = DosAdjuntos();
  struct Caso {
    const char* nombre;
    AlmacenOe4 d;
    bool noticias, desde;
    uint32_t accion;
    uint64_t escrituras_min, escrituras_max;  // of a save that goes through
  };
  const Caso casos[] = {
      // Block, mailbox header, record, index header, mark, folder record.
      {"correo", Correo(original), false, false, ACCION_RENOMBRAR, 6, 6},
      {"correo, sin disco desde esa escritura", Correo(original), false, true, ACCION_RENOMBRAR, 6, 6},
      // Each block written (head and text), then the header and the item.
      {"noticias", Grupo3(original), true, false, ACCION_BORRAR, 4, 98},
  };
  auto& ganchos = plataforma::Ganchos();
  const auto escribir = static_cast<int>(plataforma::Operacion::kEscribir);
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    // Saves on a fresh store; the texts listed afterwards, and the store for a look at its files.
    auto guardar = [&](uint64_t fallar_en, bool* disparado) {
      auto almacen = std::make_unique<AlmacenOe4Instalado>(caso.d);
      const auto& e = almacen->Escrito();
      CarpetaPorId c(caso.noticias ? kCuenta : 1, caso.noticias ? e.sublists.at("news").entradas[0] : e.folders.registros[1]);
      ganchos.Reiniciar();
      ganchos.fallar_en[escribir] = fallar_en;
      ganchos.fallar_desde = caso.desde;
      std::vector<fuzz::ArchivoVallado> valla;
      Guardar(c.Puntero(), caso.accion, {"a.exe"}, [&](OE_MENSAJE* m) {
        valla = caso.noticias ? fuzz::VallasGrupoOe4(*m) : fuzz::VallasCorreoOe4(*m);
      });
      *disparado = fallar_en != 0 && ganchos.contador[escribir] >= fallar_en;
      ganchos.Reiniciar();
      EXPECT_EQ(fuzz::CambioFuera(valla), "");
      uint32_t fin = 0;
      std::vector<std::string> textos;
      for (const auto& m : Mensajes(c.Puntero(), &fin)) textos.push_back(m.texto);
      EXPECT_EQ(fin, OE_FIN);
      return std::pair(std::move(almacen), textos);
    };
    bool disparado = false;
    const std::vector<std::string> guardado = guardar(0, &disparado).second;
    const std::vector<std::vector<std::string>> posibles =
        caso.noticias ? std::vector<std::vector<std::string>>{{original, kOtros[0], kOtros[1]}}
                      : std::vector<std::vector<std::string>>{{original, kOtro}, {original, kOtro, guardado.back()}, guardado};
    uint64_t n = 1;
    for (; n < 100; ++n) {
      SCOPED_TRACE("escritura " + std::to_string(n));
      const auto [almacen, textos] = guardar(n, &disparado);
      if (!disparado) {
        EXPECT_EQ(textos, guardado);
        break;
      }
      EXPECT_NE(std::find(posibles.begin(), posibles.end(), textos), posibles.end());
      if (caso.noticias) {
        EXPECT_EQ(almacen->Leer(kArchivoGrupo), almacen->Escrito().grupos.at(kArchivoGrupo).bytes);
      }
    }
    EXPECT_GE(n - 1, caso.escrituras_min);
    EXPECT_LE(n - 1, caso.escrituras_max);
  }
}

// The files change between the listing and the write-back. A mail rewrite writes nothing it
// cannot check, and the folder still lists to its end; a news rewrite, made from the article
// as it was listed, is not written over the changed one.
TEST(ReescrituraOe4Test, SobreArchivosDanados) {
  enum Base { kCabecera, kRegistro, kBloque };  // of the first message
  struct Campo {
    const char* archivo;
    const char* nombre;
    uint32_t pos;
    Base base;
  };
  const Campo campos[] = {
      {"mail/Inbox.idx", "FinRegistros", kIdxFinRegistros, kCabecera}, {"mail/Inbox.idx", "NumRegistros", kIdxNumRegistros, kCabecera},
      {"mail/Inbox.idx", "Marcas", kRegMarcas, kRegistro},             {"mail/Inbox.idx", "PosPropia", kRegPosPropia, kRegistro},
      {"mail/Inbox.idx", "LongRegistro", kRegLongRegistro, kRegistro}, {"mail/Inbox.idx", "PosBloque", kRegPosBloque, kRegistro},
      {"mail/Inbox.mbx", "UltimoId", kMbxUltimoId, kCabecera},         {"mail/Inbox.mbx", "TamDatos", kMbxTamDatos, kCabecera},
      {"mail/Inbox.mbx", "LongTexto", kMbxBloqueLongTexto, kBloque},   {"mail/Inbox.mbx", "TamBloque", kMbxBloqueTam, kBloque},
  };
  const std::string original = DosAdjuntos();
  for (const Campo& campo : campos) {
    for (uint32_t valor : {0u, 0xFFFFFFFFu, 1u, 80u, 84u, 100000u}) {
      SCOPED_TRACE(std::string(campo.archivo) + " " + campo.nombre + " = " + std::to_string(valor));
      AlmacenOe4Instalado almacen(Correo(original));
      const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
      CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
      Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe"}, [&](OE_MENSAJE*) {
        std::vector<uint8_t> b = almacen.Leer(campo.archivo);
        const uint32_t bases[] = {0, par.registros[0], par.bloques[0]};
        PonerPalabra(b, bases[campo.base] + campo.pos, valor);
        almacen.Reescribir(campo.archivo, b);
      });
      uint32_t fin = 0;
      EXPECT_LT(Mensajes(c.Puntero(), &fin).size(), 10u);
      EXPECT_NE(fin, OE_OK);
    }
  }
  // The other message's block runs past the mailbox's end: the copy appended there would
  // complete it with its own bytes, so nothing is written.
  {
    AlmacenOe4Instalado almacen(Correo(original));
    const MapaIdxMbx& par = almacen.Escrito().pares.at("Inbox");
    std::vector<uint8_t> idx = par.idx;
    PonerPalabra(idx, par.registros[1] + kRegPosBloque, static_cast<uint32_t>(par.mbx.size()) - 8);
    almacen.Reescribir("mail/Inbox.idx", idx);
    CarpetaPorId c(1, almacen.Escrito().folders.registros[1]);
    EXPECT_EQ(Guardar(c.Puntero(), ACCION_RENOMBRAR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));
    EXPECT_EQ(almacen.Leer("mail/Inbox.idx"), idx);
    EXPECT_EQ(almacen.Leer("mail/Inbox.mbx"), par.mbx);
  }

  struct Caso {
    const char* nombre;
    bool en_item;    // the word is in the article's item, else in its text
    uint32_t pos;    // within the item, or within the text
    uint32_t valor;  // the item word written; a text byte has its case flipped instead
  };
  const Caso casos[] = {
      {"un byte del texto en el segundo bloque", false, 70, 0},
      {"un byte del texto en el primer bloque", false, 3, 0},
      {"el articulo acortado", true, kArtLongArticulo, 100},
      {"otra cadena", true, kArtPosBloque, 0},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    AlmacenOe4Instalado almacen(Grupo3(original));
    const MapaGrupo& mapa = almacen.Escrito().grupos.at(kArchivoGrupo);
    CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
    std::vector<uint8_t> b = almacen.Leer(kArchivoGrupo);
    const auto danar = [&](OE_MENSAJE* m) {
      ASSERT_EQ(std::string(m->Texto, m->LongTexto), original);
      if (caso.en_item) {
        PonerPalabra(b, mapa.articulos[0] + caso.pos, caso.valor);
      } else {
        b[mapa.bloques[0][caso.pos / 64] + kLongCabBloqueNch + caso.pos % 64] ^= 0x20;
      }
      almacen.Reescribir(kArchivoGrupo, b);
    };
    EXPECT_EQ(Guardar(grupo.Puntero(), ACCION_BORRAR, {"a.exe"}, danar), (std::vector<uint32_t>{OE_OK}));
    EXPECT_EQ(almacen.Leer(kArchivoGrupo), b);
  }
  // The chain's full last block leads on into another article's chain: the grown text would be
  // written into that article, so nothing is written.
  AlmacenOe4Instalado almacen(Grupo3(original));
  const MapaGrupo& mapa = almacen.Escrito().grupos.at(kArchivoGrupo);
  std::vector<uint8_t> b = mapa.bytes;
  const uint32_t ultimo = mapa.bloques[0].back();
  PonerPalabra(b, ultimo + kNchBloqueCapacidad, LeerPalabra(b, ultimo + kNchBloqueUsados));
  PonerPalabra(b, ultimo + kNchBloqueSiguiente, mapa.bloques[2][0]);
  almacen.Reescribir(kArchivoGrupo, b);
  CarpetaPorId grupo(kCuenta, almacen.Escrito().sublists.at("news").entradas[0]);
  EXPECT_EQ(Guardar(grupo.Puntero(), ACCION_SUSTITUIR, {"a.exe"}), (std::vector<uint32_t>{OE_OK}));
  EXPECT_EQ(almacen.Leer(kArchivoGrupo), b);
}

}  // namespace
}  // namespace orvex::pruebas
