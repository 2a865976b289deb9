// State of the current cut: its plots, the trees removed from it by hand and its counts.
#pragma once

#include <cstdint>
#include <vector>

#include "inventory/Parcelas.h"

namespace arbelio::cut {

struct EstadoCorte {
  inventory::ListaDeParcelas ListaParcelas;   // plots of the cut (walked by every pass)
  std::vector<inventory::Pie> PiesExcluidos;  // large trees removed by hand from the cut
  std::int32_t NumeroParcelas = 0;            // plots of the cut
  std::int32_t NumeroPies = 0;                // large trees of the cut's plots
  bool CorteAbierto = false;                  // the cut tool window is loaded

  // Start-up values (InicializacionesPrincipales). The cut belongs to the project: New project
  // empties BDTemp, so a plot list kept from before would name plots of a working database that
  // is gone, and the next run would compute against nothing.
  void Reiniciar() {
    CorteAbierto = false;
    ListaParcelas.vaciar();
    PiesExcluidos.clear();
    NumeroParcelas = 0;
    NumeroPies = 0;
  }
};

}  // namespace arbelio::cut
