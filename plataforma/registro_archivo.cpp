#include "plataforma/registro_archivo.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

namespace orvex::plataforma::registro {
namespace {

constexpr std::string_view kCabeceraRegedit4 = "REGEDIT4";
constexpr std::string_view kCabeceraVersion5 = "Windows Registry Editor Version 5.00";
// Each key costs a few hundred bytes; a hostile file must not turn 64 MiB into gigabytes.
constexpr std::size_t kClavesMaximas = 1u << 20;

bool EsEspacio(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Recortar(std::string_view s) {
  while (!s.empty() && EsEspacio(s.front())) s.remove_prefix(1);
  while (!s.empty() && EsEspacio(s.back())) s.remove_suffix(1);
  return s;
}

char MayusculaAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EmpiezaSinCaso(std::string_view s, std::string_view prefijo) {
  if (s.size() < prefijo.size()) return false;
  for (std::size_t i = 0; i < prefijo.size(); ++i) {
    if (MayusculaAscii(s[i]) != MayusculaAscii(prefijo[i])) return false;
  }
  return true;
}

int ValorHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to 8 hex digits, nothing else.
std::optional<uint32_t> NumeroHex(std::string_view s) {
  if (s.empty() || s.size() > 8) return std::nullopt;
  uint32_t n = 0;
  for (char c : s) {
    int v = ValorHex(c);
    if (v < 0) return std::nullopt;
    n = (n << 4) | static_cast<uint32_t>(v);
  }
  return n;
}

// What may follow a complete value: nothing, or a comment.
bool SoloComentario(std::string_view resto) {
  resto = Recortar(resto);
  return resto.empty() || resto.front() == ';';
}

// A quoted text starting at s[0] == '"'. Only \\ and \" are escapes, as regedit writes them;
// any other backslash is kept. *fin gets the index just past the closing quote.
std::optional<std::string> TextoEntreComillas(std::string_view s, std::size_t* fin) {
  std::string salida;
  std::size_t i = 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '"') {
      *fin = i + 1;
      return salida;
    }
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      salida.push_back(s[i + 1]);
      i += 2;
      continue;
    }
    salida.push_back(c);
    ++i;
  }
  return std::nullopt;
}

bool EsTipoTexto(uint32_t tipo) { return tipo == kRegSz || tipo == kRegExpandSz || tipo == kRegMultiSz; }

void AnadirUtf8(uint32_t cp, std::string* salida) {
  if (cp < 0x80) {
    salida->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    salida->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    salida->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    salida->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    salida->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    salida->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    salida->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    salida->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    salida->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    salida->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AnadirUtf16(uint32_t cp, std::vector<uint8_t>* salida) {
  auto unidad = [salida](uint32_t u) {
    salida->push_back(static_cast<uint8_t>(u & 0xFF));
    salida->push_back(static_cast<uint8_t>(u >> 8));
  };
  if (cp >= 0x10000) {
    cp -= 0x10000;
    unidad(0xD800 | (cp >> 10));
    unidad(0xDC00 | (cp & 0x3FF));
  } else {
    unidad(cp);
  }
}

class Analizador {
 public:
  explicit Analizador(std::string texto) : texto_(std::move(texto)) {}

  Registro Analizar() {
    Registro registro;
    std::string_view linea;
    // The first line that is not blank must be the format's header.
    do {
      if (!SiguienteLinea(&linea)) return registro;
      linea = Recortar(linea);
    } while (linea.empty());
    if (linea == kCabeceraVersion5) {
      version5_ = true;
    } else if (linea != kCabeceraRegedit4) {
      return registro;
    }
    Clave* actual = nullptr;
    while (SiguienteLinea(&linea)) {
      linea = Recortar(linea);
      if (linea.empty() || linea.front() == ';') continue;
      if (linea.front() == '[') {
        actual = Cabecera(&registro, linea);
      } else if (actual != nullptr) {
        LineaValor(actual, linea);
      }
    }
    return registro;
  }

 private:
  bool SiguienteLinea(std::string_view* linea) {
    if (pos_ >= texto_.size()) return false;
    std::size_t fin = texto_.find('\n', pos_);
    if (fin == std::string::npos) fin = texto_.size();
    *linea = std::string_view(texto_).substr(pos_, fin - pos_);
    pos_ = fin + 1;
    return true;
  }

  // "[ROOT\path]" opens (creating) a key; "[-ROOT\path]" deletes one with its subtree.
  // Returns the key that later value lines go to, or null.
  Clave* Cabecera(Registro* registro, std::string_view linea) {
    std::size_t cierre = linea.rfind(']');
    if (cierre == std::string_view::npos || cierre < 1) return nullptr;
    std::string_view ruta = Recortar(linea.substr(1, cierre - 1));
    bool borrar = !ruta.empty() && ruta.front() == '-';
    if (borrar) ruta.remove_prefix(1);

    std::vector<std::string_view> partes;
    while (true) {
      std::size_t barra = ruta.find('\\');
      std::string_view parte = ruta.substr(0, barra);
      if (!parte.empty() || partes.empty()) partes.push_back(parte);
      if (partes.size() > kProfundidadMaxima + 1) return nullptr;
      if (barra == std::string_view::npos) break;
      ruta.remove_prefix(barra + 1);
    }
    Clave* clave = Raiz(registro, partes[0]);
    if (clave == nullptr) return nullptr;

    std::size_t ultimo = partes.size() - 1;
    for (std::size_t i = 1; i < partes.size(); ++i) {
      std::string mayus = Mayusculas(partes[i]);
      auto it = clave->subclaves.find(mayus);
      if (borrar && i == ultimo) {
        if (it != clave->subclaves.end()) clave->subclaves.erase(it);
        return nullptr;
      }
      if (it == clave->subclaves.end()) {
        if (borrar) return nullptr;
        if (claves_creadas_ >= kClavesMaximas) return nullptr;
        ++claves_creadas_;
        auto nueva = std::make_unique<Clave>();
        nueva->nombre = std::string(partes[i]);
        it = clave->subclaves.emplace(std::move(mayus), std::move(nueva)).first;
      }
      clave = it->second.get();
    }
    return borrar ? nullptr : clave;  // A root itself cannot be deleted.
  }

  static Clave* Raiz(Registro* registro, std::string_view nombre) {
    std::string mayus = Mayusculas(nombre);
    if (mayus == "HKEY_CLASSES_ROOT" || mayus == "HKCR") return &registro->raices[0];
    if (mayus == "HKEY_CURRENT_USER" || mayus == "HKCU") return &registro->raices[1];
    if (mayus == "HKEY_LOCAL_MACHINE" || mayus == "HKLM") return &registro->raices[2];
    if (mayus == "HKEY_USERS" || mayus == "HKU") return &registro->raices[3];
    return nullptr;
  }

  // `"name"=data` or `@=data`; a line that does not parse is skipped whole.
  void LineaValor(Clave* clave, std::string_view linea) {
    std::string nombre;
    std::size_t pos = 0;
    if (linea.front() == '@') {
      pos = 1;
    } else if (linea.front() == '"') {
      auto texto = TextoEntreComillas(linea, &pos);
      if (!texto) return;
      nombre = std::move(*texto);
    } else {
      return;
    }
    std::string_view resto = Recortar(linea.substr(pos));
    if (resto.empty() || resto.front() != '=') return;
    resto = Recortar(resto.substr(1));

    Valor valor;
    valor.nombre = nombre;
    if (!resto.empty() && resto.front() == '-') {
      if (SoloComentario(resto.substr(1))) clave->valores.erase(Mayusculas(nombre));
      return;
    }
    if (!resto.empty() && resto.front() == '"') {
      std::size_t fin = 0;
      auto texto = TextoEntreComillas(resto, &fin);
      if (!texto || !SoloComentario(resto.substr(fin))) return;
      valor.tipo = kRegSz;
      valor.datos.assign(texto->begin(), texto->end());
      valor.datos.push_back(0);
    } else if (EmpiezaSinCaso(resto, "dword:")) {
      std::string_view cifras = resto.substr(6);
      std::size_t fin = cifras.find(';');
      auto n = NumeroHex(Recortar(cifras.substr(0, fin)));
      if (!n) return;
      valor.tipo = kRegDword;
      for (int i = 0; i < 4; ++i) valor.datos.push_back(static_cast<uint8_t>(*n >> (8 * i)));
    } else if (EmpiezaSinCaso(resto, "hex")) {
      std::string_view tras = resto.substr(3);
      uint32_t tipo = kRegBinario;
      if (!tras.empty() && tras.front() == '(') {
        std::size_t cierre = tras.find(')');
        if (cierre == std::string_view::npos) return;
        auto n = NumeroHex(tras.substr(1, cierre - 1));
        if (!n) return;
        tipo = *n;
        tras.remove_prefix(cierre + 1);
      }
      if (tras.empty() || tras.front() != ':') return;
      auto datos = ListaHex(tras.substr(1));
      if (!datos) return;
      valor.tipo = tipo;
      if (version5_ && EsTipoTexto(tipo)) {
        std::string utf8 = Utf16LeAUtf8(*datos);
        valor.datos.assign(utf8.begin(), utf8.end());
      } else {
        valor.datos = std::move(*datos);
      }
    } else {
      return;
    }
    clave->valores[Mayusculas(nombre)] = std::move(valor);
  }

  // "01,ff,\" with continuation lines; a trailing comma is allowed.
  std::optional<std::vector<uint8_t>> ListaHex(std::string_view primera) {
    std::vector<uint8_t> datos;
    std::string_view tramo = primera;
    bool error = false;
    while (true) {
      std::size_t comentario = tramo.find(';');
      tramo = Recortar(tramo.substr(0, comentario));
      bool sigue = !tramo.empty() && tramo.back() == '\\';
      if (sigue) tramo = Recortar(tramo.substr(0, tramo.size() - 1));
      // Keep consuming continuation lines even after an error so they are not read as values.
      if (!error && !Bytes(tramo, &datos)) error = true;
      if (!sigue) break;
      if (!SiguienteLinea(&tramo)) break;
    }
    if (error) return std::nullopt;
    return datos;
  }

  static bool Bytes(std::string_view tramo, std::vector<uint8_t>* datos) {
    while (!tramo.empty()) {
      std::size_t coma = tramo.find(',');
      std::string_view pieza = Recortar(tramo.substr(0, coma));
      bool ultima = coma == std::string_view::npos;
      if (pieza.empty()) {
        if (!ultima) return false;  // ",," is not a byte.
        break;
      }
      if (pieza.size() > 2) return false;
      auto n = NumeroHex(pieza);
      if (!n) return false;
      datos->push_back(static_cast<uint8_t>(*n));
      if (ultima) break;
      tramo.remove_prefix(coma + 1);
    }
    return true;
  }

  std::string texto_;
  std::size_t pos_ = 0;
  bool version5_ = false;
  std::size_t claves_creadas_ = 0;
};

}  // namespace

const Clave* Registro::Buscar(Raiz raiz, std::string_view ruta) const {
  uint32_t indice = static_cast<uint32_t>(raiz) - 0x80000000u;
  if (indice >= 4) return nullptr;
  const Clave* clave = &raices[indice];
  while (!ruta.empty()) {
    std::size_t barra = ruta.find('\\');
    std::string_view parte = ruta.substr(0, barra);
    if (!parte.empty()) {
      auto it = clave->subclaves.find(Mayusculas(parte));
      if (it == clave->subclaves.end()) return nullptr;
      clave = it->second.get();
    }
    if (barra == std::string_view::npos) break;
    ruta.remove_prefix(barra + 1);
  }
  return clave;
}

Registro AnalizarRegistro(std::span<const uint8_t> bytes) {
  std::string texto;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    texto = Utf16LeAUtf8(bytes.subspan(2));
  } else {
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
      bytes = bytes.subspan(3);
    }
    texto.assign(bytes.begin(), bytes.end());
  }
  return Analizador(std::move(texto)).Analizar();
}

std::string Mayusculas(std::string_view texto) {
  std::string salida(texto);
  for (char& c : salida) c = MayusculaAscii(c);
  return salida;
}

std::string Utf16LeAUtf8(std::span<const uint8_t> bytes) {
  std::string salida;
  salida.reserve(bytes.size());
  std::size_t n = bytes.size() / 2;
  auto unidad = [&bytes](std::size_t i) -> uint32_t {
    return static_cast<uint32_t>(bytes[2 * i]) | (static_cast<uint32_t>(bytes[2 * i + 1]) << 8);
  };
  for (std::size_t i = 0; i < n; ++i) {
    uint32_t u = unidad(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
      uint32_t bajo = unidad(i + 1);
      if (bajo >= 0xDC00 && bajo <= 0xDFFF) {
        AnadirUtf8(0x10000 + ((u - 0xD800) << 10) + (bajo - 0xDC00), &salida);
        ++i;
        continue;
      }
    }
    AnadirUtf8((u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u, &salida);
  }
  return salida;
}

std::vector<uint8_t> Utf8AUtf16Le(std::string_view texto) {
  std::vector<uint8_t> salida;
  salida.reserve(texto.size() * 2);
  std::size_t i = 0;
  while (i < texto.size()) {
    uint8_t b = static_cast<uint8_t>(texto[i]);
    std::size_t largo = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    uint32_t cp = largo == 1 ? b : largo == 2 ? (b & 0x1F) : largo == 3 ? (b & 0x0F) : (b & 0x07);
    bool valido = largo != 0 && i + largo <= texto.size();
    for (std::size_t k = 1; valido && k < largo; ++k) {
      uint8_t c = static_cast<uint8_t>(texto[i + k]);
      if ((c >> 6) != 0x2) valido = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr uint32_t kMinimo[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (valido && (cp < kMinimo[largo] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valido = false;
    if (!valido) {
      AnadirUtf16(0xFFFD, &salida);
      ++i;
      continue;
    }
    AnadirUtf16(cp, &salida);
    i += largo;
  }
  return salida;
}

namespace {

const Valor* BuscarValor(const Clave& clave, const std::string& nombre) {
  const auto it = clave.valores.find(Mayusculas(nombre));
  return it == clave.valores.end() ? nullptr : &it->second;
}

}  // namespace

bool ConsultarValor(const Clave& clave, const std::string& nombre, uint32_t* tamano, uint32_t* tipo) {
  const Valor* valor = BuscarValor(clave, nombre);
  if (valor == nullptr) return false;
  if (tamano != nullptr) *tamano = static_cast<uint32_t>(valor->datos.size());
  if (tipo != nullptr) *tipo = valor->tipo;
  return true;
}

bool LeerValor(const Clave& clave, const std::string& nombre, void* destino, uint32_t capacidad, uint32_t* tamano) {
  const Valor* valor = BuscarValor(clave, nombre);
  if (valor == nullptr) return false;
  const std::size_t n = std::min<std::size_t>(valor->datos.size(), capacidad);
  if (n > 0) std::memcpy(destino, valor->datos.data(), n);
  if (tamano != nullptr) *tamano = static_cast<uint32_t>(n);
  return true;
}

bool EnumerarSubclave(const Clave& clave, uint32_t indice, std::string* nombre) {
  if (indice >= clave.subclaves.size()) return false;
  const std::string& encontrado = std::next(clave.subclaves.begin(), indice)->second->nombre;
  if (encontrado.size() > kNombreSubclaveMaximo) return false;
  *nombre = encontrado;
  return true;
}

}  // namespace orvex::plataforma::registro
