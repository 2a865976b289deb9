// Per-plot breakdowns of a calculation run: each plot of the cut by diameter class (Cd_par), by
// species (Sp_par) and by diameter class within species (Cdsp_p).
//
// Each pass runs with the output database open, AIndiv (and, for Sp_par, Parcel) filled and its
// own table created empty. It visits the plots in ListaParcelas order, turns the trees of each
// group into per-hectare values (N, AB rounded to 5 decimals, the marked volumes VCC, VSC, IAVC,
// VLE in m3/ha, empty when a tree of the group lacks that volume) and adds one row per group.
// Sp_par and Cdsp_p honour CalculoCancelado once per plot: they hide the progress dialog and end,
// leaving the rows written so far. Table-store failures propagate to the run.
//
// `arboles`: a reading of AIndiv made once after the tree pass and shared by the passes of the
// run (AIndiv must not change in between); without it each pass reads AIndiv itself.
#pragma once

#include "calc/ArbolesCalculo.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"

namespace arbelio::calc {

// Cd_par: one row per plot and class mark with N, AB, volumes, Dm and Hm of the class.
void CalculosClaseDiametricaParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                                    store::Database& salida,
                                    const ArbolesCalculo* arboles = nullptr);

// Sp_par: one row per plot and species with N, AB, volumes, Dg, Dm, Do, Hm, Ho and the shares
// NTP, ABTP (percent, unrounded) of the plot's N and AB in Parcel (empty when the plot's value is
// 0). A plot missing from Parcel gets no rows.
void CalculosEspecieParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                            store::Database& salida, const ArbolesCalculo* arboles = nullptr);

// Cdsp_p: one row per plot, class mark and species with N, AB, volumes, Dg, Dm, Hm; after all
// plots, NTP and ABTP are each class's share of its species' total in the plot, rounded to 2
// decimals.
void CalculosClaseEspecieParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                                 store::Database& salida, const ArbolesCalculo* arboles = nullptr);

}  // namespace arbelio::calc
