#include "pruebas/mensajes_mime.h"

#include <algorithm>
#include <cstdint>
#include <new>

#include "mime/codecs.h"
#include "soporte/buffer_flujo.h"
#include "soporte/memoria.h"

namespace orvex::pruebas {

namespace {

constexpr std::size_t kAnchoLinea = 76;

std::string ConFinDeLinea(const std::string& texto, FinDeLinea fin) {
  if (fin == FinDeLinea::kLf) return texto;
  std::string salida;
  for (char c : texto) {
    if (c == '\n') salida += '\r';
    salida += c;
  }
  return salida;
}

// Not a std::string: test tables in other files build their messages during static
// initialisation, before such a global would be constructed.
constexpr char kJuego[] = ";\n\tcharset=\"iso-8859-1\"";

// A leaf part: its type, its transfer encoding and its body as stored.
ParteMime Hoja(const std::string& tipo, const std::string& codificacion, std::string cuerpo) {
  ParteMime parte;
  parte.Cabecera("Content-Type", tipo);
  parte.Cabecera("Content-Transfer-Encoding", codificacion);
  parte.cuerpo = std::move(cuerpo);
  return parte;
}

void ComponerEn(const ParteMime& parte, std::string& salida) {
  for (const auto& [nombre, valor] : parte.cabeceras) salida += nombre + ": " + valor + "\n";
  salida += "\n";
  if (parte.hijas.empty()) {
    salida += parte.cuerpo;
    return;
  }
  salida += parte.preambulo;
  for (const ParteMime& hija : parte.hijas) {
    if (!salida.empty() && salida.back() != '\n') salida += '\n';
    salida += "--" + parte.frontera + "\n";
    ComponerEn(hija, salida);
  }
  if (parte.cerrar) {
    if (!salida.empty() && salida.back() != '\n') salida += '\n';
    salida += "--" + parte.frontera + "--\n";
  }
}

}  // namespace

ParteMime& ParteMime::Cabecera(std::string nombre, std::string valor) {
  cabeceras.emplace_back(std::move(nombre), std::move(valor));
  return *this;
}

std::string Base64(const std::string& bytes) {
  if (bytes.empty()) return "";
  CL_BUFFER_FLUJO origen, destino;
  origen.Anadir(bytes.data(), static_cast<uint32_t>(bytes.size()));
  CL_CODIFICADOR_BASE64().Codificar(origen, destino);
  std::string salida(destino.Datos(), destino.Longitud());
  std::erase(salida, '\r');
  return salida;
}

std::string QuotedPrintable(const std::string& texto) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string salida;
  std::size_t en_linea = 0;
  for (std::size_t i = 0; i < texto.size(); ++i) {
    const auto c = static_cast<uint8_t>(texto[i]);
    if (c == '\n') {
      salida += '\n';
      en_linea = 0;
      continue;
    }
    const bool fin_de_linea = i + 1 == texto.size() || texto[i + 1] == '\n';
    const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !fin_de_linea);
    const std::size_t ancho = literal ? 1 : 3;
    if (en_linea + ancho > kAnchoLinea - 1) {
      salida += "=\n";
      en_linea = 0;
    }
    const char escapado[] = {'=', kHex[c >> 4], kHex[c & 15]};
    salida.append(literal ? &texto[i] : escapado, ancho);
    en_linea += ancho;
  }
  return salida;
}

ParteMime TextoPlano(const std::string& texto) { return Hoja(std::string("text/plain") + kJuego, "7bit", texto); }

ParteMime TextoQP(const std::string& texto, const std::string& subtipo) {
  return Hoja("text/" + subtipo + kJuego, "quoted-printable", QuotedPrintable(texto));
}

ParteMime Html(const std::string& html, bool qp) {
  return qp ? TextoQP(html, "html") : Hoja(std::string("text/html") + kJuego, "7bit", html);
}

ParteMime Adjunto(const std::string& nombre, const std::string& bytes, const std::string& tipo) {
  if (nombre.empty()) return Hoja(tipo, "base64", Base64(bytes));
  ParteMime parte = Hoja(tipo + ";\n\tname=\"" + nombre + "\"", "base64", Base64(bytes));
  parte.Cabecera("Content-Disposition", "attachment;\n\tfilename=\"" + nombre + "\"");
  return parte;
}

ParteMime Multiparte(const std::string& subtipo, std::vector<ParteMime> hijas, const std::string& frontera) {
  ParteMime parte;
  parte.frontera = frontera.empty() ? "=_frontera_" + subtipo + "_" + std::to_string(hijas.size()) : frontera;
  parte.Cabecera("Content-Type", "multipart/" + subtipo + ";\n\tboundary=\"" + parte.frontera + "\"");
  parte.preambulo = "This is a multi-part message in MIME format.\n\n";
  parte.hijas = std::move(hijas);
  return parte;
}

ParteMime Mensaje(const std::string& de, const std::string& para, const std::string& asunto, ParteMime cuerpo) {
  std::vector<std::pair<std::string, std::string>> cabeceras;
  if (!de.empty()) cabeceras.emplace_back("From", de);
  if (!para.empty()) cabeceras.emplace_back("To", para);
  if (!asunto.empty()) cabeceras.emplace_back("Subject", asunto);
  cabeceras.emplace_back("Date", "Mon, 5 Mar 2001 14:07:00 +0100");
  cabeceras.emplace_back("Message-ID", "<000801c0a5b2$c3d4e5f6$0100a8c0@ejemplo>");
  if (std::ranges::any_of(cuerpo.cabeceras, [](const auto& cabecera) { return cabecera.first == "Content-Type"; })) {
    cabeceras.emplace_back("MIME-Version", "1.0");
  }
  cabeceras.insert(cabeceras.end(), cuerpo.cabeceras.begin(), cuerpo.cabeceras.end());
  cuerpo.cabeceras = std::move(cabeceras);
  return cuerpo;
}

std::string Componer(const ParteMime& parte, FinDeLinea fin) {
  std::string salida;
  ComponerEn(parte, salida);
  return ConFinDeLinea(salida, fin);
}

std::string MensajeSimple(FinDeLinea fin) {
  ParteMime cuerpo;
  cuerpo.cuerpo = "First line of the body.\nSecond line.\nThird and last line.\n";
  return Componer(Mensaje("Ana <ana@ejemplo.es>", "luis@ejemplo.es", "Saludos", cuerpo), fin);
}

std::string MensajeConAdjunto(const std::string& bytes, FinDeLinea fin) {
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Adjunto",
                          Multiparte("mixed", {TextoPlano("See the attachment.\n"), Adjunto("x.exe", bytes)})),
                  fin);
}

std::string MensajeHtml(FinDeLinea fin) {
  ParteMime alternativa =
      Multiparte("alternative", {TextoPlano("Hello in plain text.\n"),
                                 Html("<HTML><BODY>Hello in <B>HTML</B> =)</BODY></HTML>\n", true)},
                 "----=_NextPart_000_0001_01C0A1B2.C3D4E5F6");
  return Componer(Mensaje("ana@ejemplo.es", "luis@ejemplo.es", "Html", alternativa), fin);
}

RegistroMensaje::RegistroMensaje(const std::string& texto, bool sin_nul)
    : registro_(static_cast<OE_MENSAJE*>(MEM_Reservar(sizeof(OE_MENSAJE)))), texto_(texto.begin(), texto.end()) {
  if (registro_ == nullptr) throw std::bad_alloc();
  if (!sin_nul) texto_.push_back(0);
  registro_->Tamano = OE_TAM_MENSAJE;
  registro_->IdCarpeta = 7;
  registro_->PosCarpeta = 9712;
  registro_->IdMensaje = 3;
  registro_->PosTexto = 0x1000;
  registro_->TamMsg = 0;
  registro_->PosRegistro = 0x2000;
  registro_->FinRegistro = 0x2040;
  registro_->LongTexto = static_cast<uint32_t>(texto.size());
  registro_->Texto = texto_.empty() ? nullptr : texto_.data();
}

RegistroMensaje::~RegistroMensaje() { MEM_Liberar(registro_); }

}  // namespace orvex::pruebas
