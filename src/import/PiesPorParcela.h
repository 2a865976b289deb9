// The large trees of each plot in a cursor over a large-tree table, in the cursor's order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "store/Cursor.h"
#include "store/Memoria.h"

namespace arbelio::import {

// The rows a find of "PROVINCIA=p AND ESTADILLO=e" visits one after another, taken in one walk
// over the cursor (on first use) instead of a find with a new criteria text per plot. A plot
// number is compared as the find compares it: a number, or a text that reads as one; plot
// numbers are 1-32767.
class PiesPorParcela {
 public:
  explicit PiesPorParcela(store::Cursor& pies) : pies_(pies) {}

  // (plot key, position of the tree in the cursor), sorted: a plot's trees in cursor order.
  using Entrada = std::pair<std::uint32_t, std::uint32_t>;
  using Entradas = std::vector<Entrada, store::AsignadorGrande<Entrada>>;
  using Rango = std::pair<Entradas::const_iterator, Entradas::const_iterator>;

  // The trees of a plot. Without PROVINCIA or ESTADILLO the cursor refuses the criteria with the
  // find's own error.
  Rango De(std::int16_t provincia, std::int16_t parcela);

 private:
  store::Cursor& pies_;
  Entradas entradas_;  // one per tree of a country: from the store's kept areas when one fits
  bool agrupados_ = false;
};

}  // namespace arbelio::import
