// Hive source: any bytes as a user's NTUSER.DAT either open or are refused with a reason naming
// the file; an opened hive walks (bounded) without a crash, every subkey it lists opens again by
// its path, and values read within the caller's capacity.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "colmena/origen_colmena.h"
#include "fuzz/objetivos.h"

namespace orvex::fuzz {
namespace {

constexpr std::size_t kClavesMaximas = 256;
constexpr std::size_t kProfundidad = 8;
constexpr const char* kValores[] = {"", "Store Root", "Default User ID", "Username", "Current", "ProfileImagePath"};

void Recorrer(const plataforma::OrigenRegistro& origen, const std::string& ruta, std::size_t profundidad,
              std::size_t& claves) {
  if (++claves > kClavesMaximas || profundidad > kProfundidad) return;
  const auto clave = origen.AbrirClave(plataforma::Raiz::kCurrentUser, ruta);
  Exigir(clave != nullptr);
  for (const char* nombre : kValores) {
    uint32_t tamano = 0, tipo = 0, leidos = 0;
    const bool hay = clave->ConsultarValor(nombre, &tamano, &tipo);
    char buffer[64 + 1];
    buffer[64] = 0x5A;
    Exigir(clave->LeerValor(nombre, buffer, 64, &leidos) == hay);
    Exigir(!hay || leidos == (tamano < 64 ? tamano : 64));
    Exigir(buffer[64] == 0x5A);
  }
  std::string hija;
  for (uint32_t i = 0; i < 64 && clave->EnumerarSubclave(i, &hija); ++i) {
    // Names with a separator cannot be reached by path, as on Windows.
    if (hija.empty() || hija.find('\\') != std::string::npos) continue;
    Recorrer(origen, ruta.empty() ? hija : ruta + "\\" + hija, profundidad + 1, claves);
  }
}

}  // namespace

int Colmena(const uint8_t* datos, std::size_t n) {
  // hivex opens files by name: the input goes to a private file first.
  static const std::string ruta = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/orvex-fuzz-colmena-" +
           std::to_string(::getpid()) + ".dat";
  }();
  std::FILE* f = std::fopen(ruta.c_str(), "wb");
  Exigir(f != nullptr);
  Exigir(n == 0 || std::fwrite(datos, 1, n, f) == n);
  std::fclose(f);
  std::string error;
  const auto origen = colmena::AbrirOrigenColmena({ruta, "", ""}, &error);
  std::remove(ruta.c_str());
  if (!origen) {
    Exigir(error.rfind(ruta + ": ", 0) == 0);
    return 0;
  }
  std::size_t claves = 0;
  Recorrer(*origen, "", 0, claves);
  (void)origen->AbrirClave(plataforma::Raiz::kLocalMachine, "Software\\Microsoft");
  return 0;
}

}  // namespace orvex::fuzz
