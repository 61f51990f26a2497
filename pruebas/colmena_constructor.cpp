#include "pruebas/colmena_constructor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "escritura/imagen.h"
#include "plataforma/registro_archivo.h"

namespace orvex::pruebas {
namespace {

using escritura::LeerPalabra;
using escritura::PonerPalabra;

constexpr uint32_t kSinCelda = 0xFFFFFFFFu;
// Root key flags: the hive's entry key, not deletable, name stored in 8-bit characters.
constexpr uint16_t kBanderasRaiz = 0x0004 | 0x0008 | 0x0020;
// A self-relative security descriptor with a present but null DACL.
constexpr uint16_t kControlDescriptor = 0x8000 | 0x0004;
constexpr std::size_t kCabeceraBin = 0x20;
constexpr std::size_t kCabeceraNk = 0x4C;
constexpr std::size_t kCabeceraSk = 0x14;
constexpr std::size_t kDescriptor = 20;

void Pon16(std::vector<uint8_t>& b, std::size_t pos, uint16_t v) {
  b[pos] = static_cast<uint8_t>(v);
  b[pos + 1] = static_cast<uint8_t>(v >> 8);
}
std::size_t Redondeo8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

// hivexregedit takes a quoted value's bytes for Latin-1: a "name"="text" line with other bytes
// goes in as hex(1), its UTF-16LE with the NUL.
std::string TextoEnHex(const std::string& linea) {
  const std::size_t igual = linea.find("\"=\"");
  if (!linea.starts_with("\"") || igual == std::string::npos ||
      std::all_of(linea.begin(), linea.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; })) {
    return linea;
  }
  std::string texto;
  for (std::size_t i = igual + 3; i < linea.size() && linea[i] != '"'; ++i) {
    if (linea[i] == '\\' && i + 1 < linea.size()) ++i;
    texto.push_back(linea[i]);
  }
  std::vector<uint8_t> utf16 = plataforma::registro::Utf8AUtf16Le(texto);
  utf16.insert(utf16.end(), {0, 0});
  std::string salida = linea.substr(0, igual + 2) + "hex(1):";
  char cifras[4];
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    std::snprintf(cifras, sizeof cifras, i ? ",%02x" : "%02x", utf16[i]);
    salida += cifras;
  }
  return salida;
}

}  // namespace

std::vector<uint8_t> ColmenaVacia(std::string_view nombre_raiz) {
  if (nombre_raiz.empty() || nombre_raiz.size() > 255) nombre_raiz = "ROOT";
  std::vector<uint8_t> b(kTamanoBloqueBase + kTamanoBin, 0);
  // Offsets of cells count from the first bin.
  const std::size_t nk = kCabeceraBin;
  const std::size_t largo_nk = Redondeo8(4 + kCabeceraNk + nombre_raiz.size());
  const std::size_t sk = nk + largo_nk;
  const std::size_t largo_sk = Redondeo8(4 + kCabeceraSk + kDescriptor);
  const std::size_t libre = sk + largo_sk;

  std::memcpy(&b[0], "regf", 4);
  PonerPalabra(b, 0x04, 1);  // sequence numbers, equal: the file is consistent
  PonerPalabra(b, 0x08, 1);
  PonerPalabra(b, 0x14, 1);  // version 1.3
  PonerPalabra(b, 0x18, 3);
  PonerPalabra(b, 0x20, 1);  // direct memory load
  PonerPalabra(b, 0x24, static_cast<uint32_t>(nk));
  PonerPalabra(b, 0x28, static_cast<uint32_t>(kTamanoBin));
  PonerPalabra(b, 0x2C, 1);
  uint32_t suma = 0;
  for (uint32_t pos = 0; pos < 0x1FC; pos += 4) suma ^= LeerPalabra(b, pos);
  PonerPalabra(b, 0x1FC, suma);

  const std::size_t bin = kTamanoBloqueBase;
  std::memcpy(&b[bin], "hbin", 4);
  PonerPalabra(b, bin + 0x08, static_cast<uint32_t>(kTamanoBin));

  const std::size_t k = bin + nk;
  PonerPalabra(b, k, static_cast<uint32_t>(-static_cast<int32_t>(largo_nk)));
  std::memcpy(&b[k + 4], "nk", 2);
  Pon16(b, k + 4 + 0x02, kBanderasRaiz);
  PonerPalabra(b, k + 4 + 0x1C, kSinCelda);  // subkey lists
  PonerPalabra(b, k + 4 + 0x20, kSinCelda);
  PonerPalabra(b, k + 4 + 0x28, kSinCelda);  // value list
  PonerPalabra(b, k + 4 + 0x2C, static_cast<uint32_t>(sk));
  PonerPalabra(b, k + 4 + 0x30, kSinCelda);  // class name
  Pon16(b, k + 4 + 0x48, static_cast<uint16_t>(nombre_raiz.size()));
  std::memcpy(&b[k + 4 + kCabeceraNk], nombre_raiz.data(), nombre_raiz.size());

  const std::size_t s = bin + sk;
  PonerPalabra(b, s, static_cast<uint32_t>(-static_cast<int32_t>(largo_sk)));
  std::memcpy(&b[s + 4], "sk", 2);
  PonerPalabra(b, s + 4 + 0x04, static_cast<uint32_t>(sk));  // a ring of one
  PonerPalabra(b, s + 4 + 0x08, static_cast<uint32_t>(sk));
  PonerPalabra(b, s + 4 + 0x0C, 1);  // referenced by the root
  PonerPalabra(b, s + 4 + 0x10, static_cast<uint32_t>(kDescriptor));
  b[s + 4 + kCabeceraSk] = 1;  // revision
  Pon16(b, s + 4 + kCabeceraSk + 2, kControlDescriptor);

  PonerPalabra(b, bin + libre, static_cast<uint32_t>(kTamanoBin - libre));  // the rest: one free cell
  return b;
}

bool EscribirColmena(const std::string& ruta, std::string_view exportacion, const std::string& prefijo) {
  // hivexregedit reads 8-bit text: a version 5 file's UTF-16 becomes UTF-8 (its hex data stays).
  std::string texto(exportacion);
  if (texto.size() >= 2 && static_cast<uint8_t>(texto[0]) == 0xFF && static_cast<uint8_t>(texto[1]) == 0xFE) {
    texto = plataforma::registro::Utf16LeAUtf8(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(texto.data()) + 2, texto.size() - 2));
  }
  const std::string dentro = plataforma::registro::Mayusculas(prefijo) + "\\";
  std::istringstream lineas(texto);
  std::string linea, filtrado;
  bool copiar = true;
  while (std::getline(lineas, linea)) {
    if (linea.starts_with("[")) {
      copiar = plataforma::registro::Mayusculas(linea.substr(1)).starts_with(dentro);
      // hivexregedit makes no missing parents: name each one first (an existing key is kept).
      for (std::size_t barra = prefijo.size() + 1; copiar && (barra = linea.find('\\', barra + 1)) != std::string::npos;) {
        filtrado += linea.substr(0, barra) + "]\n\n";
      }
    }
    linea = TextoEnHex(linea);
    if (copiar || filtrado.empty()) filtrado += linea + "\n";
  }
  escritura::EscribirImagen(ruta, ColmenaVacia());
  std::ofstream(ruta + ".reg", std::ios::binary) << filtrado;
  const std::string orden = "hivexregedit --merge --prefix '" + prefijo + "' '" + ruta + "' '" + ruta + ".reg'";
  return std::system(orden.c_str()) == 0;
}

}  // namespace orvex::pruebas
