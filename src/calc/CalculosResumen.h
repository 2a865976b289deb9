// Whole-cut summaries of a calculation run: Totals, Specie, Cldiam and Cd_esp.
//
// Totals, Specie and Cldiam come from aggregate queries over the plot table Parcel and the
// per-plot breakdowns Sp_par and Cd_par, so those must be filled first, and Totals before Specie
// and Cldiam (their shares NTP and ABTP are of the cut's N and AB in Totals). Cd_esp is built from
// the trees like the per-plot breakdowns. Each pass runs with the output database open and its
// table created empty; table-store failures propagate to the run. `arboles` of Cd_esp: as for the
// per-plot breakdowns (CalculosDesglose.h).
#pragma once

#include "calc/ArbolesCalculo.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"

namespace arbelio::calc {

// Totals: one row, the plain average of each Parcel column over the plots with N > 0 (empty
// values left out of their column's average).
void CalculosTotales(EstadoAplicacion& estado, shell::Interaccion& ui, store::Database& salida);

// Specie: one row per species. N, AB and the marked volumes are the sums of the Sp_par values
// divided by the number of plots with N > 0; Dg, Dm, Do, Hm, Ho plain averages over the plots
// where the species occurs; NTP, ABTP its shares of Totals' N and AB, rounded to 2 decimals.
// Honours CalculoCancelado before each row of both sweeps.
void CalculosEspecie(EstadoAplicacion& estado, shell::Interaccion& ui, store::Database& salida);

// Cldiam: as Specie, per class mark from Cd_par (N, AB, Dm, Hm and the volumes). Honours
// CalculoCancelado after each row of the second sweep.
void CalculosClaseDiametrica(EstadoAplicacion& estado, shell::Interaccion& ui,
                             store::Database& salida);

// Cd_esp: one row per species and class mark over the whole cut, from the trees: N, AB and the
// volumes are cut totals, Dg follows from them, Dm and Hm are tree means; NTP, ABTP the class's
// share of its species' total, rounded to 2 decimals. Honours CalculoCancelado after each species
// of that last sweep.
void CalculosClaseDiametricaEspecie(EstadoAplicacion& estado, shell::Interaccion& ui,
                                    store::Database& salida,
                                    const ArbolesCalculo* arboles = nullptr);

}  // namespace arbelio::calc
