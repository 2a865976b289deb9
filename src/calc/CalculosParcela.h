// The plot pass: one Parcel + SufijoTablas row per plot of the cut, from AIndiv.
#pragma once

#include "calc/CalculosArbol.h"

namespace arbelio::calc {

// AIndiv and Parcel (+ SufijoTablas) must exist in `salida`. Sets VolumenesIncompletos when a
// selected volume is empty for some tree of a plot. Returns Cancelada when Cancelar stopped it.
ResultadoPasada CalculosParcela(EstadoAplicacion& estado, shell::Interaccion& ui,
                                store::Database& salida);

}  // namespace arbelio::calc
