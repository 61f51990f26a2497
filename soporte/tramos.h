// The spans a chain of blocks occupies in its file, gathered as the chain is followed and
// checked for overlap once it ends: a block whose head lies inside another block's room would
// be read, or written, through the other's bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace orvex {

class TramosDisjuntos {
 public:
  void Anadir(uint32_t inicio, uint32_t largo) { tramos_.push_back({inicio, largo}); }
  // True when no two spans share a byte (a span given twice overlaps itself).
  bool Disjuntos() {
    std::sort(tramos_.begin(), tramos_.end(), [](const Tramo& a, const Tramo& b) { return a.inicio < b.inicio; });
    for (std::size_t i = 1; i < tramos_.size(); ++i) {
      const Tramo& antes = tramos_[i - 1];
      if (antes.inicio == tramos_[i].inicio || uint64_t{antes.inicio} + antes.largo > tramos_[i].inicio) return false;
    }
    return true;
  }
  // Once Disjuntos() has said true: whether the span [inicio, inicio + largo) shares a byte
  // with one of them.
  bool Toca(uint64_t inicio, uint64_t largo) const {
    const uint64_t fin = inicio + largo;
    // The first span that ends past inicio; the spans are sorted and disjoint, so their ends are too.
    const auto t = std::partition_point(tramos_.begin(), tramos_.end(),
                                        [&](const Tramo& x) { return uint64_t{x.inicio} + x.largo <= inicio; });
    return largo != 0 && t != tramos_.end() && t->inicio < fin;
  }

 private:
  struct Tramo {
    uint32_t inicio, largo;
  };
  std::vector<Tramo> tramos_;
};

}  // namespace orvex
