#include "bench/generador.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "pruebas/dbx_constructor.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::bench {

namespace {

class Xorshift {
 public:
  explicit Xorshift(uint64_t semilla) : s_(semilla * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Siguiente() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return s_;
  }
  uint32_t Hasta(uint32_t n) { return static_cast<uint32_t>(Siguiente() % n); }

 private:
  uint64_t s_;
};

constexpr char kAlfabeto[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";

const char* const kPalabras[] = {
    "the",    "mail",    "folder", "message", "attached", "please", "find", "report", "meeting", "tomorrow",
    "caf\xe9", "se\xf1or", "stra\xdf\x65", "na\xefve", "r\xe9sum\xe9", "invoice", "of",  "and",   "to",
    "quarterly", "figures", "=", "50%", "agenda", "draft", "thanks", "regards", "--", "a",
};

}  // namespace

std::string BytesAleatorios(std::size_t n, uint64_t semilla) {
  Xorshift x(semilla);
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; i += 8) {
    const uint64_t v = x.Siguiente();
    for (std::size_t j = 0; j < 8 && i + j < n; ++j) s[i + j] = static_cast<char>(v >> (8 * j));
  }
  return s;
}

std::string TextoCorreo(std::size_t n, uint64_t semilla) {
  Xorshift x(semilla);
  std::string s;
  s.reserve(n + 80);
  std::size_t columna = 0;
  const uint32_t num_palabras = sizeof kPalabras / sizeof kPalabras[0];
  while (s.size() < n) {
    const std::string palabra = kPalabras[x.Hasta(num_palabras)];
    if (columna + palabra.size() + 1 > 72 || x.Hasta(40) == 0) {
      s += "\r\n";
      columna = 0;
      if (x.Hasta(6) == 0) s += "\r\n";
    } else if (columna > 0) {
      s += ' ';
      ++columna;
    }
    s += palabra;
    columna += palabra.size();
  }
  s.resize(n);
  return s;
}

std::string Base64Lineas(const std::string& bytes, bool fin_de_linea) {
  std::string s;
  s.reserve(bytes.size() / 3 * 4 + bytes.size() / 57 * 2 + 8);
  std::size_t en_linea = 0;
  auto poner = [&](char c) {
    s += c;
    if (fin_de_linea && ++en_linea == 76) {
      s += "\r\n";
      en_linea = 0;
    }
  };
  std::size_t i = 0;
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t v = static_cast<uint32_t>(b[i]) << 16 | static_cast<uint32_t>(b[i + 1]) << 8 | b[i + 2];
    poner(kAlfabeto[v >> 18]);
    poner(kAlfabeto[(v >> 12) & 63]);
    poner(kAlfabeto[(v >> 6) & 63]);
    poner(kAlfabeto[v & 63]);
  }
  if (i < bytes.size()) {
    const uint32_t resto = static_cast<uint32_t>(bytes.size() - i);
    uint32_t v = static_cast<uint32_t>(b[i]) << 16;
    if (resto == 2) v |= static_cast<uint32_t>(b[i + 1]) << 8;
    poner(kAlfabeto[v >> 18]);
    poner(kAlfabeto[(v >> 12) & 63]);
    poner(resto == 2 ? kAlfabeto[(v >> 6) & 63] : '=');
    poner('=');
  }
  if (fin_de_linea && en_linea > 0) s += "\r\n";
  return s;
}

std::string QuotedPrintable(const std::string& bytes, bool todo_escapado) {
  std::string s;
  s.reserve(bytes.size() * (todo_escapado ? 3 : 1) + bytes.size() / 24);
  std::size_t columna = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<uint8_t>(bytes[i]);
    if (!todo_escapado && c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      s += "\r\n";
      columna = 0;
      ++i;
      continue;
    }
    const bool escapar = todo_escapado || c == '=' || c < 32 || c > 126;
    const std::size_t ancho = escapar ? 3 : 1;
    if (columna + ancho > 75) {
      s += "=\r\n";
      columna = 0;
    }
    if (escapar) {
      s += '=';
      s += kHex[c >> 4];
      s += kHex[c & 15];
    } else {
      s += static_cast<char>(c);
    }
    columna += ancho;
  }
  return s;
}

namespace {

std::string Adjunto(const std::string& frontera, const std::string& nombre, std::size_t n, uint64_t semilla) {
  return "--" + frontera + "\r\nContent-Type: application/octet-stream;\r\n\tname=\"" + nombre +
         "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\tfilename=\"" + nombre +
         "\"\r\n\r\n" + Base64Lineas(BytesAleatorios(n, semilla)) + "\r\n";
}

std::string CabecerasMensaje(const std::string& asunto, uint32_t n) {
  char fecha[64];
  std::snprintf(fecha, sizeof fecha, "Mon, %u Mar 2001 13:%02u:%02u +0100", 1 + n % 28, n / 60 % 60, n % 60);
  return "From: \"Sender " + std::to_string(n % 97) + "\" <sender" + std::to_string(n % 97) +
         "@example.com>\r\nTo: <user@example.org>\r\nSubject: " + asunto + "\r\nDate: " + fecha +
         "\r\nMessage-ID: <" + std::to_string(n) + ".bench@example.com>\r\nMIME-Version: 1.0\r\nX-Mailer: Microsoft "
         "Outlook Express 6.00.2900.5512\r\n";
}

}  // namespace

std::string MensajeGrande(double megas) {
  const auto total = static_cast<std::size_t>(std::max(0.05, megas) * 1024 * 1024);
  const std::size_t texto = total / 20;                // each of the two QP alternatives
  const std::size_t adjunto = (total - 2 * texto) * 3 / 4 / 11;  // decoded size of each of 11
  const std::string f0 = "----=_NextPart_000_0000_01C0A1B2.C3D4E5F6";
  const std::string f1 = "----=_NextPart_001_0001_01C0A1B2.C3D4E5F6";
  const std::string f2 = "----=_NextPart_002_0002_01C0A1B2.C3D4E5F6";
  const std::string f3 = "----=_NextPart_003_0003_01C0A1B2.C3D4E5F6";
  std::string m = CabecerasMensaje("Quarterly figures", 1);
  m += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + f0 + "\"\r\n\r\nThis is a multi-part message in MIME "
       "format.\r\n\r\n";
  m += "--" + f0 + "\r\nContent-Type: multipart/alternative;\r\n\tboundary=\"" + f1 + "\"\r\n\r\n\r\n";
  m += "--" + f1 + "\r\nContent-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: "
       "quoted-printable\r\n\r\n" + QuotedPrintable(TextoCorreo(texto, 11)) + "\r\n\r\n";
  m += "--" + f1 + "\r\nContent-Type: text/html;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: "
       "quoted-printable\r\n\r\n" + QuotedPrintable("<html><body><p>" + TextoCorreo(texto, 12) + "</p></body></html>") +
       "\r\n\r\n";
  m += "--" + f1 + "--\r\n\r\n";
  for (int i = 0; i < 8; ++i) m += Adjunto(f0, "anexo" + std::to_string(i) + ".bin", adjunto, 100 + i);
  m += "--" + f0 + "\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"" + f2 + "\"\r\n\r\n\r\n";
  for (int i = 8; i < 10; ++i) m += Adjunto(f2, "anexo" + std::to_string(i) + ".bin", adjunto, 100 + i);
  m += "--" + f2 + "--\r\n\r\n";
  m += "--" + f0 + "\r\nContent-Type: message/rfc822\r\n\r\n" + CabecerasMensaje("Fw: figures", 2) +
       "Content-Type: multipart/mixed;\r\n\tboundary=\"" + f3 + "\"\r\n\r\n";
  m += "--" + f3 + "\r\nContent-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\n\r\nForwarded.\r\n\r\n";
  m += Adjunto(f3, "reenviado.bin", adjunto, 200);
  m += "--" + f3 + "--\r\n\r\n";
  m += "--" + f0 + "--\r\n";
  return m;
}

std::string MensajeAlmacen(uint32_t i) {
  Xorshift x(i + 7);
  const std::size_t texto = 1024 + x.Hasta(3072);
  std::string m = CabecerasMensaje("Message " + std::to_string(i) + " about the quarterly figures", i);
  const bool adjunto = i % 8 == 0;
  const bool html = i % 5 == 0;
  if (!adjunto && !html) {
    m += "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    return m + TextoCorreo(texto, i) + "\r\n";
  }
  const std::string f0 = "----=_NextPart_000_" + std::to_string(i) + "_01C0A1B2";
  const std::string f1 = "----=_NextPart_001_" + std::to_string(i) + "_01C0A1B2";
  const std::string principal = adjunto ? f0 : f1;
  if (adjunto) {
    m += "Content-Type: multipart/mixed;\r\n\tboundary=\"" + f0 + "\"\r\n\r\nThis is a multi-part message in MIME "
         "format.\r\n\r\n";
  }
  std::string cuerpo = "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: "
                       "8bit\r\n\r\n" + TextoCorreo(texto, i) + "\r\n";
  if (html) {
    const std::string alt = "Content-Type: multipart/alternative;\r\n\tboundary=\"" + f1 + "\"\r\n\r\n";
    cuerpo = alt + (adjunto ? "\r\n" : "This is a multi-part message in MIME format.\r\n\r\n") + "--" + f1 + "\r\n" +
             cuerpo + "\r\n--" + f1 +
             "\r\nContent-Type: text/html;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: "
             "quoted-printable\r\n\r\n" +
             QuotedPrintable("<html><body>" + TextoCorreo(texto, i + 1) + "</body></html>") + "\r\n\r\n--" + f1 +
             "--\r\n";
  }
  if (!adjunto) return m + cuerpo;
  m += "--" + f0 + "\r\n" + cuerpo + "\r\n";
  m += Adjunto(f0, "doc" + std::to_string(i) + ".pdf", 4096 + x.Hasta(16384), i);
  m += "--" + f0 + "--\r\n";
  return m;
}

AlmacenGenerado GenerarAlmacen(const std::string& dir, uint32_t mensajes) {
  constexpr uint32_t kPorArchivo = 10000;
  AlmacenGenerado g;
  pruebas::AlmacenDbx almacen;
  // Top-level folders carry no message file, as in the mail client's own stores.
  pruebas::CarpetaDbx local = pruebas::Carpeta(1, 0, "Local Folders");
  local.num_mensajes = 0;
  almacen.carpetas.push_back(std::move(local));
  uint32_t hechos = 0;
  for (uint32_t archivo = 0; hechos < mensajes || archivo == 0; ++archivo) {
    const uint32_t n = std::min(kPorArchivo, mensajes - hechos);
    pruebas::ArchivoMensajesDbx descripcion;
    descripcion.mensajes.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t id = hechos + i + 1;
      pruebas::MensajeDbx m = pruebas::Mensaje(id, MensajeAlmacen(id));
      m.asunto = "Message " + std::to_string(id);
      // Files past 16 MB hold text offsets the 24-bit index value cannot carry.
      m.bloque_en_area = true;
      g.bytes_texto += m.texto.size();
      g.mayor_mensaje = std::max<uint64_t>(g.mayor_mensaje, m.texto.size());
      descripcion.mensajes.push_back(std::move(m));
    }
    const std::string nombre = "Carpeta" + std::to_string(archivo + 1);
    const pruebas::MapaDbx mapa = pruebas::ConstruirArchivoMensajes(descripcion);
    pruebas::EscribirImagen(dir + "/" + nombre + ".dbx", mapa.bytes);
    g.bytes += mapa.bytes.size();
    g.archivos.push_back(nombre + ".dbx");
    pruebas::CarpetaDbx carpeta = pruebas::Carpeta(archivo + 100, 1, nombre, nombre + ".dbx");
    carpeta.num_mensajes = n;
    almacen.carpetas.push_back(std::move(carpeta));
    hechos += n;
    if (mensajes == 0) break;
  }
  g.mensajes = hechos;
  const pruebas::MapaDbx carpetas = pruebas::ConstruirFoldersDbx(almacen);
  pruebas::EscribirImagen(dir + "/folders.dbx", carpetas.bytes);
  g.bytes += carpetas.bytes.size();
  return g;
}

void EscribirRegistro(const std::string& dir, const std::string& ruta_registro) {
  constexpr const char* kIdentidad = "{0D3F1A2B-0001-4C5D-9E8F-1234567890AB}";
  pruebas::RegistroPrueba registro;
  pruebas::RegistroDbx r;
  r.identidades = {{kIdentidad, "Principal", dir, false}};
  r.por_defecto = kIdentidad;
  pruebas::DescribirRegistro(registro, r);
  registro.Escribir(ruta_registro, pruebas::RegistroPrueba::Formato::kRegedit4);
}

}  // namespace orvex::bench
