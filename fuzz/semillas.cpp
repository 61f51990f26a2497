#include "fuzz/semillas.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "pruebas/colmena_constructor.h"
#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"
#include "pruebas/imn_constructor.h"
#include "pruebas/oe4_constructor.h"
#include "pruebas/mensajes_mime.h"

namespace orvex::fuzz {
namespace {

using namespace pruebas;

std::string Cadena(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::string kBinario("MZ\x90\0\x03\0\0\0\xff\xfe\r\n\0end=\r\n", 19);

// Message texts of every shape the parser and the message object know, CR LF and LF.
std::vector<Semilla> Textos() {
  ParteMime sin_cierre = Multiparte("mixed", {TextoPlano("Body.\n"), Adjunto("a.bin", "abc")});
  sin_cierre.cerrar = false;
  const ParteMime anidado = Mensaje(
      "\"Ana\" <ana@example.org>", "luis@example.org, Pepa <pepa@example.org>", "anidado",
      Multiparte("mixed", {Multiparte("alternative", {TextoPlano("p\n"), Html("<p>h=</p>\n", true)}),
                           Adjunto("informe.pdf", kBinario, "application/pdf"),
                           Adjunto("f.gif", "GIF89a\x01", "image/gif"),
                           Adjunto("voz.wav", "RIFF", "audio/wav"), Adjunto("v.avi", "RIFF", "video/avi"),
                           TextoQP("caf\xe9 = caf\xe9\n", "enriched")}));
  const std::vector<std::pair<std::string, std::string>> textos = {
      {"simple", MensajeSimple()},
      {"adjunto", MensajeConAdjunto(kBinario)},
      {"html", MensajeHtml()},
      {"anidado", Componer(anidado)},
      {"sin_cierre", Componer(Mensaje("a@b", "c@d", "s", sin_cierre))},
      {"reenviado",
       "Subject: fuera\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"f\"\r\n\r\n"
       "--f\r\n\r\ncuerpo\r\n--f\r\nContent-Type: message/rfc822\r\n\r\n"
       "Subject: dentro\r\n\r\nreenviado\r\n--f--\r\n"},
      {"digest",
       "Content-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n\r\n"
       "Subject: uno\r\n\r\nprimero\r\n--d\r\n\r\nSubject: dos\r\n\r\nsegundo\r\n--d--\r\n"},
      {"to_plegado", "To: a@b,\r\n\tCe <c@d>\r\nMessage-ID: <x@y>\r\nSubject: s\r\n\r\nx\r\n"},
  };
  std::vector<Semilla> semillas;
  for (const auto& [nombre, texto] : textos) {
    semillas.push_back({nombre + "_crlf", texto});
    std::string lf;
    for (char c : texto) {
      if (c != '\r') lf += c;
    }
    semillas.push_back({nombre + "_lf", lf});
  }
  return semillas;
}

std::vector<Semilla> SemillasCodecs() {
  const std::string texto = "Line one\r\ncaf\xe9 = 100% \t\r\n" + std::string(90, 'x') + "\r\n";
  return {
      {"base64", Base64(kBinario + texto)},
      {"qp", QuotedPrintable(texto)},
      {"binario", kBinario},
      {"qp_escapes", "=41=4=\r\n=G1==3D=0A=0d=\n\xff=20 \r\n"},
  };
}

std::vector<Semilla> SemillasMensaje() {
  std::vector<Semilla> semillas;
  // Flags byte and switches byte in front of every text: all switches on, then some off.
  const std::pair<std::string, std::string> prefijos[] = {
      {"", std::string(2, '\0')}, {"_filtro1", std::string("\x02\x00", 2)}, {"_sin_nul_sin_texto", "\x01\x03"},
      {"_primera", std::string("\x08\x00", 2)}};
  for (const Semilla& t : Textos()) {
    for (const auto& [sufijo, prefijo] : prefijos) semillas.push_back({t.nombre + sufijo, prefijo + t.bytes});
  }
  return semillas;
}

std::vector<Semilla> SemillasRegistro() {
  RegistroPrueba registro;
  RegistroDbx r;
  r.identidades = {{"{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}", "Principal", "C:\\Correo\\Almacen", false},
                   {"{0D3F1A2B-0002-4C5D-9E8F-1234567890AB}", "Segunda", "%USERPROFILE%\\Correo", true}};
  r.por_defecto = r.identidades[0].clave;
  DescribirRegistro(registro, r);
  registro.Dword("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express", "Numero", 0x12345678);
  registro.Binario("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express", "Datos", {0, 1, 2, 0xff});
  return {
      {"regedit4", registro.Texto(RegistroPrueba::Formato::kRegedit4)},
      {"version5", registro.Texto(RegistroPrueba::Formato::kVersion5)},
  };
}

// The empty hive, and one holding the registry seeds' user keys (when hivexregedit is there).
std::vector<Semilla> SemillasColmena() {
  const std::vector<uint8_t> vacia = ColmenaVacia();
  std::vector<Semilla> semillas = {{"vacia", std::string(vacia.begin(), vacia.end())}};
  DirectorioTemporal dir;
  if (EscribirColmena(dir.RutaDe("NTUSER.DAT"), SemillasRegistro()[1].bytes, "HKEY_CURRENT_USER")) {
    semillas.push_back({"usuario", dir.LeerTexto("NTUSER.DAT")});
  }
  return semillas;
}

std::vector<Semilla> SemillasRutas() {
  const std::string cero(1, '\0');
  return {
      {"patron", "Inbox.dbx" + cero + "*.DBX" + cero + "Correo\\INBOX.DBX"},
      {"todo", "folders.dbx" + cero + "*.*" + cero + "correo/Folders.dbx"},
      {"interrogacion", "a.idx" + cero + "?.i*x" + cero + "Correo\\Sub Carpeta\\nuevo.mbx"},
  };
}

std::vector<Semilla> SemillasDbxCarpetas() {
  std::vector<Semilla> semillas;
  AlmacenDbx a = AlmacenEjemplo();
  semillas.push_back({"ejemplo", Cadena(ConstruirFoldersDbx(a).bytes)});
  const std::pair<const char*, OpcionesArbol> formas[] = {
      {"cadena", {1, FormaArbol::kCadena08}}, {"hijos", {2, FormaArbol::kHijosEntrada}}};
  for (const auto& [nombre, arbol] : formas) {
    a.arbol = arbol;
    semillas.push_back({nombre, Cadena(ConstruirFoldersDbx(a).bytes)});
  }
  a.raiz_en_arbol = false;
  semillas.push_back({"sin_raiz", Cadena(ConstruirFoldersDbx(a).bytes)});
  return semillas;
}

std::vector<Semilla> SemillasDbxMensajes() {
  std::vector<Semilla> semillas;
  const AlmacenDbx ejemplo = AlmacenEjemplo();
  for (const CarpetaDbx& c : ejemplo.carpetas) {
    if (c.mensajes) semillas.push_back({c.archivo.value_or(c.nombre + ".dbx"), Cadena(ConstruirArchivoMensajes(*c.mensajes).bytes)});
  }
  ArchivoMensajesDbx archivo;
  archivo.arbol = {2, FormaArbol::kHijosEntrada};
  uint32_t id = 2;
  for (const Semilla& t : Textos()) {
    if (t.nombre.ends_with("_lf")) continue;
    MensajeDbx m = pruebas::Mensaje(id++, t.bytes, FileTime(2004, 2, 29, 23, 59));
    m.capacidad_bloque = id % 2 == 0 ? 512 : 100;
    m.bloque_en_area = id % 3 == 0;
    archivo.mensajes.push_back(m);
  }
  semillas.push_back({"formas_mime", Cadena(ConstruirArchivoMensajes(archivo).bytes)});
  return semillas;
}

std::vector<Semilla> SemillasDbxGuardado() {
  std::vector<Semilla> semillas;
  // Four action bytes (2 bits per part) and a flags byte in front of every text.
  const std::pair<std::string, std::string> prefijos[] = {
      {"_conservar", std::string(5, '\0')},
      {"_renombrar", std::string(4, '\x55') + '\0'},
      {"_borrar", std::string(4, '\xAA') + '\0'},
      {"_sustituir", std::string(4, '\xFF') + '\0'},
      {"_sustituir_por_nada", std::string(4, '\xFF') + '\x01'},
      {"_mezcla", std::string("\xE4\x1B\xE4\x1B\x00", 5)}};
  for (const Semilla& t : Textos()) {
    for (const auto& [sufijo, prefijo] : prefijos) semillas.push_back({t.nombre + sufijo, prefijo + t.bytes});
  }
  return semillas;
}

std::string Par(const std::vector<uint8_t>& primero, const std::vector<uint8_t>& segundo) {
  const auto largo = static_cast<uint32_t>(primero.size());
  std::string s;
  for (int k = 0; k < 4; ++k) s += static_cast<char>((largo >> (8 * k)) & 0xFF);
  return s + Cadena(primero) + Cadena(segundo);
}

std::vector<Semilla> SemillasOe4Carpetas() {
  AlmacenOe4 a = AlmacenOe4Ejemplo();
  std::vector<Semilla> semillas = {{"ejemplo", Cadena(ConstruirFoldersNch(a.correo).bytes)}};
  a.correo.orden_inverso = true;
  semillas.push_back({"orden_inverso", Cadena(ConstruirFoldersNch(a.correo).bytes)});
  return semillas;
}

std::vector<Semilla> SemillasOe4Mensajes() {
  std::vector<Semilla> semillas;
  const AlmacenOe4 ejemplo = AlmacenOe4Ejemplo();
  for (const CarpetaOe4& c : ejemplo.correo.carpetas) {
    if (c.id == 0 || c.fichero.empty()) continue;
    const MapaIdxMbx m = ConstruirIdxMbx(c);
    semillas.push_back({c.fichero, Par(m.idx, m.mbx)});
  }
  CarpetaOe4 formas = CarpetaCorreo(1, 0, "Formas", "Inbox");
  uint32_t id = 1;
  for (const Semilla& t : Textos()) {
    if (t.nombre.ends_with("_lf")) continue;
    MensajeOe4 m;
    m.id = id++;
    m.texto = t.bytes;
    m.asunto = t.nombre;
    m.de = "a@example.org";
    formas.mensajes.push_back(m);
  }
  const MapaIdxMbx m = ConstruirIdxMbx(formas);
  semillas.push_back({"formas_mime", Par(m.idx, m.mbx)});
  return semillas;
}

std::vector<Semilla> SemillasOe4Sublist() {
  std::vector<Semilla> semillas;
  const AlmacenOe4 a = AlmacenOe4Ejemplo();
  semillas.push_back({"ejemplo", Cadena(ConstruirSublist(a.cuentas[1]).bytes)});
  CuentaOe4 muchos = a.cuentas[1];
  for (uint32_t k = 2; k < 10; ++k) muchos.grupos.push_back(Grupo("alt.grupo" + std::to_string(k), k, {}));
  semillas.push_back({"muchos_grupos", Cadena(ConstruirSublist(muchos).bytes)});
  return semillas;
}

std::vector<Semilla> SemillasOe4Grupo() {
  std::vector<Semilla> semillas;
  const AlmacenOe4 ejemplo = AlmacenOe4Ejemplo();
  for (const GrupoOe4& g : ejemplo.cuentas[1].grupos) {
    semillas.push_back({g.nombre, Cadena(ConstruirGrupoNch(g).bytes)});
  }
  std::vector<ArticuloOe4> articulos;
  for (const Semilla& t : Textos()) {
    if (!t.nombre.ends_with("_lf")) articulos.push_back(Articulo(t.bytes, articulos.size() % 2 ? 512 : 40));
  }
  semillas.push_back({"formas_mime", Cadena(ConstruirGrupoNch(Grupo("comp.lang.c", 1, articulos)).bytes)});
  return semillas;
}

std::vector<Semilla> SemillasImnMensajes() {
  std::vector<Semilla> semillas;
  for (const BuzonImn& b : AlmacenImnEjemplo()) {
    const MapaImn m = ConstruirBuzonImn(b);
    semillas.push_back({b.nombre, Par(m.idx, m.mbx)});
  }
  BuzonImn formas;
  formas.nombre = "Inbox";
  uint32_t id = 1;
  for (const Semilla& t : Textos()) {
    if (!t.nombre.ends_with("_lf")) formas.mensajes.push_back(MensajeVivo(id++, t.bytes, t.nombre));
  }
  formas.mensajes.push_back(
      MensajeVivo(id, MensajeConAdjuntosImn({{"a.exe", "MZ"}, {"b.txt", "hola"}}), "adjuntos"));
  const MapaImn m = ConstruirBuzonImn(formas);
  semillas.push_back({"formas_mime", Par(m.idx, m.mbx)});
  return semillas;
}

// Message files with messages deleted, unindexed and cut; mailboxes with a dead record.
std::vector<Semilla> SemillasRecuperacion() {
  std::vector<Semilla> semillas;
  ArchivoMensajesDbx archivo;
  archivo.arbol.entradas_por_nodo = 2;
  uint32_t id = 2;
  for (const Semilla& t : Textos()) {
    if (!t.nombre.ends_with("_lf")) archivo.mensajes.push_back(pruebas::Mensaje(id++, t.bytes));
  }
  const MapaDbx entero = ConstruirArchivoMensajes(archivo);
  MapaDbx danado = entero;
  BorrarMensajeDbx(danado, 0, false);
  BorrarMensajeDbx(danado, 2, true);
  DesindexarMensajeDbx(danado, 3);
  semillas.push_back({"dbx_borrados", Cadena(danado.bytes)});
  danado.bytes.resize(danado.bytes.size() * 2 / 3);
  semillas.push_back({"dbx_cortado", Cadena(danado.bytes)});
  CarpetaOe4 carpeta = CarpetaCorreo(1, 0, "Inbox", "Inbox");
  for (uint32_t i = 0; i < 3; ++i) {
    MensajeOe4 m;
    m.id = 1 + i;
    m.texto = Textos()[i].bytes;
    m.sustituido = i == 1;
    carpeta.mensajes.push_back(m);
  }
  const auto oe4 = ConstruirIdxMbx(carpeta);
  const auto imn = ConstruirBuzonImn(AlmacenImnEjemplo().front());
  semillas.push_back({"oe4_mbx", Cadena(oe4.mbx)});
  semillas.push_back({"imn_mbx", Cadena(imn.mbx)});
  // An index and its mailbox padded to one size: the target reads the first half as the second's index.
  const auto par = [](std::vector<uint8_t> idx, std::vector<uint8_t> mbx) {
    const std::size_t n = std::max(idx.size(), mbx.size());
    idx.resize(n);
    mbx.resize(n);
    idx.insert(idx.end(), mbx.begin(), mbx.end());
    return Cadena(idx);
  };
  semillas.push_back({"oe4_idx_mbx", par(oe4.idx, oe4.mbx)});
  semillas.push_back({"imn_idx_mbx", par(imn.idx, imn.mbx)});
  return semillas;
}

// A rewrite target's seeds: its store files, from the listing target's seeds, behind requests
// that pick the first, second or fifth message and keep, rename, remove or replace every part.
std::vector<Semilla> Pedidos(const std::vector<Semilla>& archivos) {
  const std::pair<std::string, std::string> pedidos[] = {
      {"_renombrar", std::string("\0\x55\x55\x55\x55\0", 6)},
      {"_borrar_2", std::string("\x01\xAA\xAA\xAA\xAA\0", 6)},
      {"_sustituir_5", std::string("\x04\xFF\xFF\xFF\xFF\0", 6)},
      {"_mezcla_3", std::string("\x02\xE4\x1B\xE4\x1B\x01", 6)}};
  std::vector<Semilla> semillas;
  for (const Semilla& a : archivos) {
    for (const auto& [sufijo, pedido] : pedidos) semillas.push_back({a.nombre + sufijo, pedido + a.bytes});
  }
  return semillas;
}

}  // namespace

std::vector<Semilla> Semillas(const std::string& objetivo) {
  if (objetivo == "codecs") return SemillasCodecs();
  if (objetivo == "analizador") return Textos();
  if (objetivo == "mensaje") return SemillasMensaje();
  if (objetivo == "registro") return SemillasRegistro();
  if (objetivo == "rutas") return SemillasRutas();
  if (objetivo == "colmena") return SemillasColmena();
  if (objetivo == "dbx_carpetas") return SemillasDbxCarpetas();
  if (objetivo == "dbx_mensajes") return SemillasDbxMensajes();
  if (objetivo == "dbx_guardado") return SemillasDbxGuardado();
  if (objetivo == "oe4_carpetas") return SemillasOe4Carpetas();
  if (objetivo == "oe4_mensajes") return SemillasOe4Mensajes();
  if (objetivo == "oe4_sublist") return SemillasOe4Sublist();
  if (objetivo == "oe4_grupo") return SemillasOe4Grupo();
  if (objetivo == "imn_mensajes") return SemillasImnMensajes();
  if (objetivo == "recuperacion") return SemillasRecuperacion();
  if (objetivo == "dbx_reescritura") return Pedidos(SemillasDbxMensajes());
  if (objetivo == "oe4_reescritura") return Pedidos(SemillasOe4Mensajes());
  if (objetivo == "oe4_grupo_reescritura") return Pedidos(SemillasOe4Grupo());
  if (objetivo == "imn_reescritura") return Pedidos(SemillasImnMensajes());
  return {};
}

}  // namespace orvex::fuzz
