// The plot pass: one Parcel + SufijoTablas row per plot of the cut, from AIndiv.
#pragma once

#include "calc/CalculosArbol.h"

namespace arbelio::calc {

class ArbolesCalculo;

// AIndiv and Parcel (+ SufijoTablas) must exist in `salida`. Sets VolumenesIncompletos when a
// selected volume is empty for some tree of a plot. Returns Cancelada when Cancelar stopped it.
// The trees are those read once for the run (`compartidos`), or read by the pass when null.
ResultadoPasada CalculosParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                                store::Database& salida,
                                const ArbolesCalculo* compartidos = nullptr);

}  // namespace arbelio::calc
