// Operations on a cut's plot list (ListaParcelas, or the species criterion's own list): adding
// and marking plots while criteria are applied, keeping the marked ones, removing repeats and
// ordering the list.
//
// Marks are a flag per entry kept beside the list (MarcasParcelas) for the time one criterion
// is applied in mark mode; the list itself never carries them, so a plot numbered 0 is a plot
// like any other and nobody reading the list can meet a marked entry.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "inventory/Parcelas.h"

namespace arbelio::cut {

// A plot as one 32-bit key (province in the high half), for hashing.
inline std::uint32_t ClaveParcela(std::int16_t provincia, std::int16_t estadillo) {
  return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(provincia)) << 16) |
         static_cast<std::uint16_t>(estadillo);
}
inline std::uint32_t ClaveParcela(const inventory::Parcela& p) {
  return ClaveParcela(p.provincia, p.estadillo);
}

// Appends a plot: into the first slot when the list is empty, else as a new last entry. No
// duplicate check (EliminarRepetidas removes repeats).
void AnadirParcela(inventory::ListaDeParcelas& lista, std::int16_t provincia,
                   std::int16_t estadillo);

// The plots of a list as a plain vector, in list order (empty for the empty list).
std::vector<inventory::Parcela> ParcelasDeLista(const inventory::ListaDeParcelas& lista);
// Makes the list hold exactly these plots, in this order (the empty list when none).
void FijarParcelas(inventory::ListaDeParcelas& lista,
                   const std::vector<inventory::Parcela>& parcelas);

// The marks of one mark-mode pass over a list. MarcarParcela marks the first unmarked entry
// equal to the plot; a plot not in the list (or whose entries are all marked) is ignored. Each
// call costs O(1): the entries of each plot are indexed when the marks are made.
class MarcasParcelas {
 public:
  explicit MarcasParcelas(const inventory::ListaDeParcelas& lista);

  void MarcarParcela(std::int16_t provincia, std::int16_t estadillo);
  // Whether entry k (1-based) is marked.
  bool marcada(std::int32_t k) const { return marcas_[static_cast<std::size_t>(k)] != 0; }
  std::int32_t numeroMarcadas() const { return marcadas_; }

 private:
  struct Entradas {
    std::vector<std::int32_t> posiciones;  // entries of the plot, in list order
    std::size_t siguiente = 0;             // first of them not marked yet
  };
  std::vector<std::uint8_t> marcas_;  // by entry, 1-based
  std::unordered_map<std::uint32_t, Entradas> porParcela_;
  std::int32_t marcadas_ = 0;
};

// Keeps the marked entries of the list (in their order) and drops the others; the list becomes
// empty when none is marked. The marks are gone afterwards.
void ConservarMarcadas(inventory::ListaDeParcelas& lista, const MarcasParcelas& marcas);

// Leaves each (province, plot) pair once, at its first place; the count shrinks by the number
// removed. Lists of fewer than 2 entries are left alone.
void EliminarRepetidas(inventory::ListaDeParcelas& lista);

// Sorts the list by province, then plot number, ascending (stable).
void OrdenarParcelas(inventory::ListaDeParcelas& lista);

}  // namespace arbelio::cut
