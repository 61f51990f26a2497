// Path mapping: the pattern matcher agrees with a plain dynamic-programming matcher, and
// Windows paths of any form map (or fail) under a drive letter mapped to a small folder.
//
// Input: name NUL pattern NUL path; the path is cut to 260 bytes, as the records hold it.
#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/objetivos.h"
#include "plataforma/rutas_posix.h"
#include "pruebas/entorno_prueba.h"

namespace orvex::fuzz {
namespace {

char Mayuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Row by row over the pattern: coincide[j] says whether the name read so far matches the
// first j pattern characters.
bool CoincideReferencia(std::string_view nombre, std::string_view patron) {
  if (patron == "*.*") patron = "*";
  std::vector<char> fila(patron.size() + 1, 0), siguiente(patron.size() + 1, 0);
  fila[0] = 1;
  for (std::size_t j = 1; j <= patron.size() && patron[j - 1] == '*'; ++j) fila[j] = 1;
  for (char c : nombre) {
    siguiente[0] = 0;
    for (std::size_t j = 1; j <= patron.size(); ++j) {
      const char p = patron[j - 1];
      if (p == '*') {
        siguiente[j] = static_cast<char>(siguiente[j - 1] || fila[j]);
      } else {
        siguiente[j] = static_cast<char>(fila[j - 1] && (p == '?' || Mayuscula(p) == Mayuscula(c)));
      }
    }
    fila.swap(siguiente);
  }
  return fila[patron.size()] != 0;
}

// A small folder mapped as drive Z:, made once per process.
struct Unidad {
  pruebas::DirectorioTemporal dir;
  std::unique_ptr<pruebas::VariableEntorno> variable;
  Unidad() {
    dir.Escribir("Correo/Inbox.dbx", "x");
    dir.Escribir("Correo/folders.DBX", "x");
    dir.CrearCarpeta("Correo/Sub Carpeta");
    variable = std::make_unique<pruebas::VariableEntorno>("ORVEX_DRIVE_Z", dir.Ruta());
  }
};

std::string_view Campo(std::string_view& resto) {
  const std::size_t fin = resto.find('\0');
  const std::string_view campo = resto.substr(0, fin);
  resto = fin == std::string_view::npos ? std::string_view() : resto.substr(fin + 1);
  return campo;
}

}  // namespace

int Rutas(const uint8_t* datos, std::size_t n) {
  static Unidad unidad;
  std::string_view resto(reinterpret_cast<const char*>(datos), n);
  const std::string_view nombre = Campo(resto);
  const std::string_view patron = Campo(resto);
  const std::string_view ruta = resto.substr(0, 260);
  // Windows names never hold '*' or '?'; the matcher reads such a name character as itself.
  const bool comodin_en_nombre = nombre.find_first_of("*?") != std::string_view::npos;
  const bool coincide = plataforma::rutas::CoincidePatron(nombre, patron);
  if (!comodin_en_nombre) Exigir(coincide == CoincideReferencia(nombre, patron));
  // Only under the mapped drive: a relative or rooted path would walk the real disk.
  const std::string en_unidad = "Z:\\" + std::string(ruta);
  if (ruta.find("..") == std::string_view::npos) {
    const auto nativa = plataforma::rutas::RutaNativa(en_unidad);
    if (nativa) Exigir(nativa->compare(0, unidad.dir.Ruta().size(), unidad.dir.Ruta()) == 0);
    (void)plataforma::rutas::RutaNativaNueva(en_unidad);
  }
  return 0;
}

}  // namespace orvex::fuzz
