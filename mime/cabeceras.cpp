#include "mime/cabeceras.h"

#include <cstring>

#include "soporte/texto.h"

namespace orvex {

namespace {

// ASCII only: bytes of 8-bit charsets are never folded.
char Minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// White space as the C locale's scanf sees it.
bool EsEspacio(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The text begins with the lower-case keyword, without regard to case.
bool EmpiezaSinCaso(const char* texto, const char* clave) {
  for (std::size_t i = 0; clave[i] != 0; ++i) {
    if (texto[i] == 0 || Minuscula(texto[i]) != clave[i]) return false;
  }
  return true;
}

struct Clave {
  const char* texto;
  uint32_t codigo;
};

// Table order decides: "text" comes after "audio" and "image", "x-" last.
constexpr Clave kTipos[] = {
    {"application", TIPO_APPLICATION}, {"message", TIPO_MESSAGE}, {"multipart", TIPO_MULTIPART},
    {"audio", TIPO_AUDIO},             {"image", TIPO_IMAGE},     {"text", TIPO_TEXT},
    {"video", TIPO_VIDEO},             {"x-", TIPO_X},
};
constexpr Clave kSubtiposApplication[] = {
    {"octet-stream", SUBTIPO_OCTET_STREAM}, {"postscript", SUBTIPO_POSTSCRIPT}, {"oda", SUBTIPO_ODA}};
constexpr Clave kSubtiposMessage[] = {
    {"rfc822", SUBTIPO_RFC822}, {"partial", SUBTIPO_PARTIAL}, {"external-body", SUBTIPO_EXTERNAL_BODY}};
constexpr Clave kSubtiposMultipart[] = {{"mixed", SUBTIPO_MIXED},
                                        {"alternative", SUBTIPO_ALTERNATIVE},
                                        {"digest", SUBTIPO_DIGEST},
                                        {"parallel", SUBTIPO_PARALLEL}};
constexpr Clave kSubtiposText[] = {{"plain", SUBTIPO_PLAIN}, {"html", SUBTIPO_HTML}, {"x-html", SUBTIPO_HTML}};

template <std::size_t N>
uint32_t Buscar(const Clave (&tabla)[N], const char* texto, uint32_t sinCoincidencia) {
  for (const Clave& c : tabla) {
    if (EmpiezaSinCaso(texto, c.texto)) return c.codigo;
  }
  return sinCoincidencia;
}

// Copies n bytes into a field of capacidad bytes, cut to capacidad - 1, NUL-terminated.
void CopiarTramo(char* destino, std::size_t capacidad, const char* origen, std::size_t n) {
  if (n > capacidad - 1) n = capacidad - 1;
  std::memcpy(destino, origen, n);
  destino[n] = 0;
}

// Length of the run at texto of bytes that are none of the stop characters (nor the NUL).
std::size_t Tramo(const char* texto, const char* paradas) {
  std::size_t n = 0;
  while (texto[n] != 0 && std::strchr(paradas, texto[n]) == nullptr) ++n;
  return n;
}

}  // namespace

uint32_t ClasificarTipo(const char* texto) { return Buscar(kTipos, texto, TIPO_APPLICATION); }

uint32_t ClasificarSubtipo(uint32_t tipo, const char* texto) {
  switch (tipo) {
    case TIPO_APPLICATION:
      return Buscar(kSubtiposApplication, texto, SUBTIPO_OCTET_STREAM);
    case TIPO_MESSAGE:
      return Buscar(kSubtiposMessage, texto, SUBTIPO_DESCONOCIDO);
    case TIPO_MULTIPART:
      return Buscar(kSubtiposMultipart, texto, SUBTIPO_DESCONOCIDO);
    case TIPO_TEXT:
      return Buscar(kSubtiposText, texto, SUBTIPO_OTRO);
    default:
      return SUBTIPO_OTRO;
  }
}

uint32_t ClasificarCodificacion(const char* token) {
  if (EmpiezaSinCaso(token, "base64")) return CODIF_BASE64;
  if (EmpiezaSinCaso(token, "quoted-printable")) return CODIF_QUOTED_PRINTABLE;
  return CODIF_LITERAL;  // 7bit, 8bit, binary and anything unknown: used unchanged
}

bool EsCabecera(const char* linea, const char* nombre) {
  for (std::size_t i = 0; nombre[i] != 0; ++i) {
    if (linea[i] == 0 || Minuscula(linea[i]) != Minuscula(nombre[i])) return false;
  }
  return std::strchr(linea, ':') != nullptr;
}

const char* ValorDeCabecera(const char* linea) {
  const char* valor = std::strchr(linea, ':') + 1;
  SaltarBlancos(&valor);
  return valor;
}

bool BuscarMimeVersion(const char* linea, bool* hayToken) {
  static constexpr char kClave[] = "mime-version:";
  static constexpr std::size_t kLargo = sizeof(kClave) - 1;
  std::size_t n = 0;
  while (n < kLongCopiaMimeVersion && linea[n] != 0) ++n;
  for (std::size_t i = 0; i + kLargo <= n; ++i) {
    std::size_t k = 0;
    while (k < kLargo && Minuscula(linea[i + k]) == kClave[k]) ++k;
    if (k < kLargo) continue;
    std::size_t j = i + kLargo;
    while (j < n && EsEspacio(linea[j])) ++j;
    *hayToken = j < n;
    return true;
  }
  *hayToken = false;
  return false;
}

bool LeerTipoYSubtipo(const char* valor, char (&tipo)[kLongTextoTipo], char (&subtipo)[kLongTextoTipo]) {
  const std::size_t largoTipo = Tramo(valor, "/");
  if (largoTipo == 0 || valor[largoTipo] != '/') return false;
  const char* sub = valor + largoTipo + 1;
  const std::size_t largoSub = Tramo(sub, "; \n");  // a CR is not a stop: "plain\r" stays
  if (largoSub == 0) return false;
  CopiarTramo(tipo, sizeof tipo, valor, largoTipo);
  CopiarTramo(subtipo, sizeof subtipo, sub, largoSub);
  return true;
}

bool LeerFrontera(const char* linea, char (&frontera)[kLongFrontera]) {
  static constexpr char kClave[] = "boundary=";
  const char* p = std::strstr(linea, kClave);
  if (p == nullptr) return false;
  p += sizeof(kClave) - 1;
  if (p[0] == '"') {
    // No closing quote is needed: an open quote runs to the end of the line.
    const std::size_t n = Tramo(p + 1, "\"");
    if (n > 0) {
      CopiarTramo(frontera, sizeof frontera, p + 1, n);
      return true;
    }
  }
  const std::size_t n = Tramo(p, ";\n");
  if (n == 0) return false;
  CopiarTramo(frontera, sizeof frontera, p, n);
  return true;
}

bool LeerNombre(const char* linea, char (&nombre)[kLongNombreMime]) {
  static constexpr char kClave[] = "name=";
  static constexpr std::size_t kLargo = sizeof(kClave) - 1;
  const char* p = std::strstr(linea, kClave);
  if (p == nullptr) return false;
  const char* corte = std::strchr(p, ';');
  if (corte == nullptr) corte = std::strchr(p, '\n');
  if (corte == nullptr) return false;
  std::size_t largo = static_cast<std::size_t>(corte - p);
  if (largo > kMaxTextoNombre) largo = kMaxTextoNombre;
  // Both forms read only inside the cut text, so a quoted name never runs past a ';'.
  const char* v = p + kLargo;
  const std::size_t resto = largo - kLargo;
  if (resto > 0 && v[0] == '"') {
    std::size_t n = 0;
    while (n < resto - 1 && v[1 + n] != '"') ++n;
    if (n > 0) {
      CopiarTramo(nombre, sizeof nombre, v + 1, n);
      return true;
    }
  }
  std::size_t n = 0;
  while (n < resto && v[n] != ';' && v[n] != '\n') ++n;
  if (n == 0) return false;
  CopiarTramo(nombre, sizeof nombre, v, n);
  return true;
}

bool LeerCodificacion(const char* linea, char (&token)[kLongToken]) {
  static constexpr char kClave[] = "Content-Transfer-Encoding:";
  const char* p = std::strstr(linea, kClave);
  if (p == nullptr) return false;
  p += sizeof(kClave) - 1;
  while (EsEspacio(*p)) ++p;
  std::size_t n = 0;
  while (p[n] != 0 && !EsEspacio(p[n])) ++n;
  CopiarTramo(token, sizeof token, p, n);
  return true;
}

bool LeerIdMensaje(const char* valor, char (&id)[kLongIdMensaje]) {
  const char* cierre = std::strchr(valor, '>');
  if (cierre == nullptr || static_cast<std::size_t>(cierre - valor) >= kLongIdMensaje) return false;
  if (valor[0] != '<' || cierre - valor < 2) return false;
  CopiarTramo(id, sizeof id, valor + 1, static_cast<std::size_t>(cierre - valor - 1));
  return true;
}

bool ExtraerDireccion(const char* valor, char (&direccion)[kLongDireccion]) {
  if (ContarCampos(valor, ' ') <= 1) {
    std::size_t largo = 0;
    while (largo < kLongDireccion && valor[largo] != 0) ++largo;
    if (largo >= kLongDireccion) return false;
    const char* p = valor;
    while (EsEspacio(*p)) ++p;
    std::size_t n = 0;
    while (p[n] != 0 && !EsEspacio(p[n])) ++n;
    if (n == 0) return false;
    CopiarTramo(direccion, sizeof direccion, p, n);
    return true;
  }
  const char* abre = std::strchr(valor, '<');
  if (abre == nullptr) return false;
  const char* cierra = std::strchr(abre, '>');
  if (cierra == nullptr || static_cast<std::size_t>(cierra - abre) >= kLongDireccion) return false;
  if (cierra - abre < 2) return false;
  CopiarTramo(direccion, sizeof direccion, abre + 1, static_cast<std::size_t>(cierra - abre - 1));
  return true;
}

bool EsFinDeCabecera(const char* linea) { return linea[0] == '\r' && linea[1] == '\n' && linea[2] == 0; }

bool EsDelimitador(const char* linea, const char* frontera, bool cierre) {
  if (linea[0] != '-' || linea[1] != '-') return false;
  const std::size_t n = std::strlen(frontera);
  if (std::strncmp(linea + 2, frontera, n) != 0) return false;
  // strncmp matched n non-NUL bytes, so linea[2 + n] is at worst the line's NUL.
  return !cierre || (linea[2 + n] == '-' && linea[3 + n] == '-');
}

}  // namespace orvex
