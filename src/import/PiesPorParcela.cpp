#include "import/PiesPorParcela.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "store/Text.h"
#include "store/Tramos.h"
#include "store/Value.h"

namespace arbelio::import {

PiesPorParcela::Rango PiesPorParcela::De(std::int16_t provincia, std::int16_t parcela) {
  if (!agrupados_) {
    const int cProv = pies_.fieldIndex("PROVINCIA"), cEst = pies_.fieldIndex("ESTADILLO");
    // Without the fields the find refuses the criteria: the same error ends the caller's work.
    if (cProv < 0 || cEst < 0)
      pies_.findFirst("PROVINCIA=" + std::to_string(provincia) +
                      " AND ESTADILLO=" + std::to_string(parcela));
    // Each key read as a number where the field is numeric (its decoded column), else as the
    // find reads it.
    const auto clave = [&](std::uint32_t fila, int campo) -> std::optional<std::uint32_t> {
      double d = 0;
      if (!pies_.numberOfRow(fila, campo, d)) {
        const store::Value v = pies_.valueOfRow(fila, campo);
        if (v.isNumber()) {
          d = v.number();
        } else if (!v.isText() || !store::parseNumber(v.text(), d)) {
          return std::nullopt;
        }
      }
      if (!(d >= 1 && d <= 32767) || d != std::floor(d)) return std::nullopt;
      return static_cast<std::uint32_t>(d);
    };
    const auto filas = static_cast<std::uint32_t>(pies_.recordCount());
    entradas_.reserve(filas);
    for (std::uint32_t posicion = 0; posicion < filas; ++posicion) {
      const std::uint32_t fila = pies_.rowIdAt(posicion);
      const auto p = clave(fila, cProv);
      if (!p) continue;
      const auto e = clave(fila, cEst);
      if (e) entradas_.emplace_back((*p << 16) | *e, posicion);
    }
    // The trees of a working table come a province after another, each in plot order: a few
    // runs of keys, merged rather than sorted (positions ascend, so no two entries tie).
    if (!store::OrdenaPorTramos(entradas_, std::less<Entrada>()))
      std::sort(entradas_.begin(), entradas_.end());
    agrupados_ = true;
  }
  const std::uint32_t buscada =
      (static_cast<std::uint32_t>(provincia) << 16) | static_cast<std::uint32_t>(parcela);
  const auto desde = std::lower_bound(entradas_.begin(), entradas_.end(),
                                      std::make_pair(buscada, std::uint32_t{0}));
  auto hasta = desde;
  while (hasta != entradas_.end() && hasta->first == buscada) ++hasta;
  return {desde, hasta};
}

}  // namespace arbelio::import
