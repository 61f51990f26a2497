// The byte ranges of a file that recovered messages already hold, so that no block is handed
// out twice and a chain that runs into another message's blocks stops there.
#pragma once

#include <cstdint>
#include <map>

namespace orvex::recuperacion {

class Ocupacion {
 public:
  // True when [inicio, fin) meets no range taken so far.
  bool Libre(uint64_t inicio, uint64_t fin) const {
    auto it = rangos_.upper_bound(inicio);
    if (it != rangos_.end() && it->first < fin) return false;
    if (it == rangos_.begin()) return true;
    return std::prev(it)->second <= inicio;
  }
  // Takes [inicio, fin); the caller has checked it is free.
  void Tomar(uint64_t inicio, uint64_t fin) {
    if (fin > inicio) rangos_[inicio] = fin;
  }

 private:
  std::map<uint64_t, uint64_t> rangos_;  // start -> end, disjoint
};

}  // namespace orvex::recuperacion
