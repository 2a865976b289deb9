// The plot summary table of a province, "DatDef" + code: every plot row of "Datest" + code
// completed with the plot's counts of large trees, small-tree records, sample trees and shrub
// records and with its UTM zone, looked up by map sheet in the installed table Hojas.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Cursor.h"

namespace arbelio::import {

// The auxiliary database of map sheets and their UTM zones, in BDEstruct.
inline constexpr const char* kArchivoHusoHoja = "HusoHoja.sqlite";

// Builds folder/"DatDef" + code from folder/"Datest" + code and the four tree tables of the
// same code in the folder. The progress dialog is already shown; the build yields after each
// plot and returns early, with CalculoCancelado still set, when the user cancels. Store
// failures (missing template, tree table or HusoHoja, empty plot table) propagate.
//
// One pass over the plots in ascending plot number and one pass over each tree table's grouped
// counts (a merge join), plus one indexed seek per plot in Hojas.
void CreaDatDef(EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& codigo,
                const std::string& carpeta);

// Merge step over a grouped count (rows Estadillo, Num in ascending Estadillo) that only moves
// forward: the count of the plot, 0 when the plot has no row. Rows with an empty Estadillo are
// passed over.
std::int32_t CuentaPorParcela(store::Cursor& cuentas, std::int16_t parcela);

// UTM zone of a map sheet: 0 when the sheet is not in Hojas; Huso1 for a one-zone sheet; for a
// sheet in two zones Huso2 west of X 500 and Huso1 from 500 on, 0 when X is unknown. `hojas`
// is a table cursor on Hojas with the index "PrimaryKey" active. Y is not used.
std::int16_t HusoDeHoja(store::Cursor& hojas, std::int16_t hoja, std::optional<std::int32_t> x,
                        std::int32_t y);

// "Parcela 12/1300.   (1%)": plots done of the plots to do, so the counter ends at the
// number of plots however the plots are numbered.
std::string TextoPosicionParcela(std::int32_t hechas, std::int32_t total, int porcentaje);

}  // namespace arbelio::import
