// Keys of the inventory's plots and large trees, and the plot list of a cut.
#pragma once

#include <cstdint>
#include <vector>

namespace arbelio::inventory {

// A plot of the inventory: province code and plot number (ESTADILLO), as stored.
struct Parcela {
  std::int16_t provincia = 0;
  std::int16_t estadillo = 0;
  friend bool operator==(const Parcela&, const Parcela&) = default;
};

// A large tree: plot key and tree number (NUMORDEN).
struct Pie {
  std::int16_t provincia = 0;
  std::int16_t estadillo = 0;
  std::int16_t numorden = 0;
  friend bool operator==(const Pie&, const Pie&) = default;
};

// The plots of a cut. The list is 1-based: `entradas[0]` is unused padding so that entry k is
// `entradas[k]`. The empty list is the single entry (0, 0) with count 1; a list is empty exactly
// when its first entry's province is 0. An entry is marked by negating its plot number while a
// criterion is applied in mark mode.
struct ListaDeParcelas {
  std::vector<Parcela> entradas{Parcela{}, Parcela{}};
  std::int32_t numero = 1;  // count of entries in use (1 for the empty list)

  bool vacia() const { return entradas[1].provincia == 0; }
  void vaciar() {
    entradas.assign(2, Parcela{});
    numero = 1;
  }
};

}  // namespace arbelio::inventory
