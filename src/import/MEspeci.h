// The species-per-plot table of a province, "Especi" + code: one row per plot and species
// present among the plot's large trees, with the species' trees and basal area per hectare and
// their shares of the plot totals. Arithmetic in single precision, as the table stores it.
#pragma once

#include <cstdint>
#include <string>

#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::import {

// Concentric-plot class of a mean diameter in cm (1-4), 0 below 7.5 cm. A diameter on a bound
// belongs to the upper class.
int ClaseDiametrica(float diametro);

// A value rounded to 2 decimals, halves to the even digit, as a single-precision value.
float Redondea2(float valor);

// Fills BDTemp/"Especi" + code (already a copy of the empty template) from "Datdef" + code and
// "Piesma" + code in BDTemp. The progress dialog is already shown; the build yields after each
// stretch of plots and returns early, with CalculoCancelado still set, when the user cancels. Large
// trees under 7.5 cm get no class and add nothing to their plot; one message after the build lists
// how many there are and the first few. A null diameter or species, or a missing table, is a
// store failure that propagates.
void MEspeci(EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& codigo);

// How many trees under 7.5 cm the message lists by name.
inline constexpr std::size_t kPiesPequenosListados = 10;

}  // namespace arbelio::import
