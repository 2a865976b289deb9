// Values that come as a few runs, each already in order (a working table merged from provinces,
// each in plot order): the runs are merged two by two, n log(runs) comparisons and one buffer,
// instead of a sort.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace arbelio::store {

// The most runs merged; more are left to a sort.
inline constexpr std::size_t kTramosMaximos = 64;

// Merges the runs of `v` that start at `cortes` (ascending, the first 0, each run in order by
// `menor`). On a tie the earlier run's value comes first, so the order is the stable one.
template <class T, class A, class Menor>
void MezclaTramos(std::vector<T, A>& v, std::vector<std::size_t> cortes, const Menor& menor) {
  if (cortes.size() < 2) return;
  cortes.push_back(v.size());
  std::vector<T, A> mezcla(v.size());  // from where `v` takes its memory
  const auto en = [](auto& w, std::size_t i) { return w.begin() + static_cast<std::ptrdiff_t>(i); };
  while (cortes.size() > 2) {
    std::vector<std::size_t> siguientes{0};
    std::size_t r = 0;
    for (; r + 2 < cortes.size(); r += 2) {
      std::merge(en(v, cortes[r]), en(v, cortes[r + 1]), en(v, cortes[r + 1]), en(v, cortes[r + 2]),
                 en(mezcla, cortes[r]), menor);
      std::copy(en(mezcla, cortes[r]), en(mezcla, cortes[r + 2]), en(v, cortes[r]));
      siguientes.push_back(cortes[r + 2]);
    }
    if (r + 1 < cortes.size()) siguientes.push_back(cortes.back());
    cortes.swap(siguientes);
  }
}

// Where the runs of `v` start (a value below the one before it by `menor` starts one): 0, then
// each later start in order; null when there are more than kTramosMaximos runs.
template <class T, class A, class Menor>
std::optional<std::vector<std::size_t>> CortesDeTramos(const std::vector<T, A>& v,
                                                       const Menor& menor) {
  std::vector<std::size_t> cortes{0};
  for (std::size_t i = 1; i < v.size(); ++i) {
    if (!menor(v[i], v[i - 1])) continue;
    cortes.push_back(i);
    if (cortes.size() > kTramosMaximos) return std::nullopt;
  }
  return cortes;
}

// Puts `v` in stable order by `menor` by merging its runs when there are at most
// kTramosMaximos; false, with `v` as it was, when there are more.
template <class T, class A, class Menor>
bool OrdenaPorTramos(std::vector<T, A>& v, const Menor& menor) {
  auto cortes = CortesDeTramos(v, menor);
  if (!cortes) return false;
  MezclaTramos(v, std::move(*cortes), menor);
  return true;
}

}  // namespace arbelio::store
