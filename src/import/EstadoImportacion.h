// State of the provincial database selection.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace arbelio::import {

class SeleccionAnticipada;

struct EstadoImportacion {
  // Codes of the selected databases ("47", or a saved cut's code), in selection order. Kept by
  // New project; the next selection starts a new list because HayBasesSeleccionadas is false.
  std::vector<std::string> CodigosSeleccionados;
  bool HayBasesSeleccionadas = false;  // a database was selected since the last reset
  // Checks and builds of the databases about to be selected, started ahead by a front end that
  // knows them all (the batch run); null: each database is checked and built when it is
  // selected.
  std::shared_ptr<SeleccionAnticipada> anticipada;

  // Start-up values (InicializacionesPrincipales).
  void Reiniciar() { HayBasesSeleccionadas = false; }
};

}  // namespace arbelio::import
