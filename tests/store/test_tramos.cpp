// Runs merged instead of sorted: the result must be the stable sort's, ties between runs in run
// order, whatever the number and lengths of the runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <utility>
#include <vector>

#include "store/Tramos.h"

TEST(MezclaTramos, GivesTheStableSortOfRunsWithTies) {
  std::mt19937 azar(7);
  for (int caso = 0; caso < 200; ++caso) {
    // (key, tag): the tag tells equal keys apart, so a merge that takes the later run's value
    // first on a tie gives a different vector.
    std::vector<std::pair<int, int>> v;
    std::vector<std::size_t> cortes;
    const int tramos = 1 + caso % 9;
    for (int t = 0; t < tramos; ++t) {
      cortes.push_back(v.size());
      const int largo = static_cast<int>(azar() % 7);  // empty runs too
      int clave = static_cast<int>(azar() % 4);
      for (int k = 0; k < largo; ++k) {
        v.emplace_back(clave, static_cast<int>(v.size()));
        clave += static_cast<int>(azar() % 2);  // equal neighbours within a run
      }
    }
    const auto porClave = [](const auto& a, const auto& b) { return a.first < b.first; };
    auto esperado = v;
    std::stable_sort(esperado.begin(), esperado.end(), porClave);
    arbelio::store::MezclaTramos(v, cortes, porClave);
    ASSERT_EQ(v, esperado) << "caso " << caso;
  }
}
