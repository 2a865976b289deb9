// State of the provincial database selection.
#pragma once

#include <string>
#include <vector>

namespace arbelio::import {

struct EstadoImportacion {
  // Codes of the selected databases ("47", or a saved cut's code), in selection order. Kept by
  // New project; the next selection starts a new list because HayBasesSeleccionadas is false.
  std::vector<std::string> CodigosSeleccionados;
  bool HayBasesSeleccionadas = false;  // a database was selected since the last reset

  // Start-up values (InicializacionesPrincipales).
  void Reiniciar() { HayBasesSeleccionadas = false; }
};

}  // namespace arbelio::import
