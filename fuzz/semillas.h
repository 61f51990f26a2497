// Starting inputs of every target, made from the store builders and the test message texts
// (the real sample stores are added at run time by scripts/fuzz-humo.sh, never copied here).
#pragma once

#include <string>
#include <vector>

namespace orvex::fuzz {

struct Semilla {
  std::string nombre;  // a file name
  std::string bytes;
};

// The seeds of the target named objetivo (empty for an unknown name).
std::vector<Semilla> Semillas(const std::string& objetivo);

}  // namespace orvex::fuzz
