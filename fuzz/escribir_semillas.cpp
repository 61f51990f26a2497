// Writes the seed corpus of each named target into <folder>/<target>/ (every target when
// none is named). Usage: fuzz_semillas FOLDER [TARGET...]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/objetivos.h"
#include "fuzz/semillas.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER [TARGET...]\n", argv[0]);
    return 2;
  }
  std::vector<std::string> nombres(argv + 2, argv + argc);
  if (nombres.empty()) {
    for (std::size_t k = 0; k < orvex::fuzz::kNumObjetivos; ++k) nombres.emplace_back(orvex::fuzz::kObjetivos[k].nombre);
  }
  for (const std::string& nombre : nombres) {
    const auto semillas = orvex::fuzz::Semillas(nombre);
    if (semillas.empty()) {
      std::fprintf(stderr, "no seeds for target %s\n", nombre.c_str());
      return 1;
    }
    const std::filesystem::path carpeta = std::filesystem::path(argv[1]) / nombre;
    std::filesystem::create_directories(carpeta);
    for (const auto& s : semillas) {
      std::string archivo = "semilla_" + s.nombre;
      for (char& c : archivo) {
        if (c == ' ') c = '_';
      }
      std::ofstream f(carpeta / archivo, std::ios::binary);
      f.write(s.bytes.data(), static_cast<std::streamsize>(s.bytes.size()));
      if (!f) {
        std::fprintf(stderr, "cannot write %s\n", (carpeta / s.nombre).c_str());
        return 1;
      }
    }
  }
  return 0;
}
