#include "herramienta/firmas.h"

#include <cctype>
#include <charconv>

namespace orvex::herramienta {
namespace {

std::vector<std::string_view> Campos(std::string_view linea) {
  std::vector<std::string_view> campos;
  std::size_t inicio = 0;
  while (true) {
    const std::size_t dos_puntos = linea.find(':', inicio);
    campos.push_back(linea.substr(inicio, dos_puntos - inicio));
    if (dos_puntos == std::string_view::npos) break;
    inicio = dos_puntos + 1;
  }
  return campos;
}

std::string_view Recortar(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool EsHex(std::string_view s) {
  for (char c : s) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return !s.empty();
}

std::string Minusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

}  // namespace

ListaFirmas LeerFirmas(std::string_view texto) {
  ListaFirmas lista;
  std::size_t numero = 0;
  while (!texto.empty()) {
    const std::size_t fin = texto.find('\n');
    std::string_view linea = texto.substr(0, fin);
    texto.remove_prefix(fin == std::string_view::npos ? texto.size() : fin + 1);
    ++numero;
    linea = Recortar(linea);
    if (linea.empty() || linea.front() == '#') continue;

    const auto aviso = [&](const std::string& motivo) {
      lista.avisos.push_back("line " + std::to_string(numero) + ": " + motivo);
    };
    const std::vector<std::string_view> campos = Campos(linea);
    if (campos.size() < 3) {
      aviso("expected hash:size:name");
      continue;
    }
    Firma firma;
    const std::string_view hash = Recortar(campos[0]);
    if (!EsHex(hash) || (hash.size() != 32 && hash.size() != 64)) {
      aviso("the hash is neither 32 (MD5) nor 64 (SHA-256) hex digits");
      continue;
    }
    firma.tipo = hash.size() == 32 ? Firma::Tipo::kMd5 : Firma::Tipo::kSha256;
    firma.resumen = Minusculas(hash);
    const std::string_view tamano = Recortar(campos[1]);
    if (tamano != "*") {
      uint64_t v = 0;
      const auto [p, ec] = std::from_chars(tamano.data(), tamano.data() + tamano.size(), v);
      if (ec != std::errc() || p != tamano.data() + tamano.size()) {
        aviso("the size is not a number or *");
        continue;
      }
      firma.tamano = v;
    }
    firma.nombre = std::string(Recortar(campos[2]));
    if (firma.nombre.empty()) {
      aviso("the signature has no name");
      continue;
    }
    lista.firmas.push_back(std::move(firma));
  }
  return lista;
}

const Firma* ListaFirmas::Buscar(uint64_t tamano, const std::string& md5, const std::string& sha256) const {
  for (const Firma& f : firmas) {
    if (f.tamano && *f.tamano != tamano) continue;
    const std::string& resumen = f.tipo == Firma::Tipo::kMd5 ? md5 : sha256;
    if (f.resumen == resumen) return &f;
  }
  return nullptr;
}

bool ListaFirmas::UsaMd5() const {
  for (const Firma& f : firmas) {
    if (f.tipo == Firma::Tipo::kMd5) return true;
  }
  return false;
}

bool ListaFirmas::UsaSha256() const {
  for (const Firma& f : firmas) {
    if (f.tipo == Firma::Tipo::kSha256) return true;
  }
  return false;
}

}  // namespace orvex::herramienta
