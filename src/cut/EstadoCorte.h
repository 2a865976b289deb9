// State of the current cut: its plots, the trees removed from it by hand, its counts and the
// species present in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/Parcelas.h"

namespace arbelio::cut {

struct EstadoCorte {
  inventory::ListaDeParcelas ListaParcelas;   // plots of the cut (walked by every pass)
  std::vector<inventory::Pie> PiesExcluidos;  // large trees removed by hand from the cut
  std::int32_t NumeroParcelas = 0;            // plots of the cut (set by the summary)
  std::int32_t NumeroPies = 0;                // large trees of the cut's plots (sum of NUMPMA)
  // Distinct species codes of the cut's plots, in the order the summary met them; the single
  // entry 0 when there are none (reset by an apply). Read by the user equation editor.
  std::vector<std::int16_t> EspeciesCorte{0};
  // The criteria report of the cut (the "Informe" tab), stored with a saved cut.
  std::string InformeCriterios;
  bool CorteAbierto = false;  // the cut tool window is loaded

  // Start-up values (InicializacionesPrincipales). The cut belongs to the project: New project
  // empties BDTemp, so a plot list kept from before would name plots of a working database that
  // is gone, and the next run would compute against nothing.
  void Reiniciar() {
    CorteAbierto = false;
    ListaParcelas.vaciar();
    PiesExcluidos.clear();
    NumeroParcelas = 0;
    NumeroPies = 0;
    EspeciesCorte = {0};
    InformeCriterios.clear();
  }
};

}  // namespace arbelio::cut
