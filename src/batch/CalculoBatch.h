// The calculation part of "arbelio-batch run": options from the command line, the plot list,
// user equations, the run, the saved tables and the printed summary.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "calc/CalculosArbol.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::batch {

struct OpcionesCalculoBatch {
  std::string plots;           // --plots FILE: lines "province,plot"
  bool corte = false;          // the plot list is the cut already applied (--criteria)
  std::string tables = "all";  // all | quick | list of table names
  std::string vars = "VCC,VSC,IAVC,VLE";
  std::string cork;  // "sdch", "idch" or both
  int method = 1;
  std::string classWidth;  // text, decimal point or comma
  int hart = 1;
  std::string reineke;        // text
  std::string userEquations;  // FILE: "especie;forma;calidad;variable;formula;name=value;..."
  std::string code;           // code of the saved tables (default: the run's)
  std::string comment;
  bool csv = false;
  // The workspace is the run's own temporary folder, deleted when it ends (no --home): the
  // saved tables may then be second names of its result files instead of copies.
  bool espacioTemporal = false;
  // A step after the calculation reads the working database (the map of the cut).
  bool trabajoDespues = false;
  // Told "guardado", "csv" and "resumen" as those steps begin (see EntornoBatch::fases).
  std::function<void(const std::string&)> fases;
  // The inventory equations as opened ahead (calc::PrepararAperturaKAV's `tomar`); empty: the
  // calculation opens them.
  calc::EcuacionesKAVAbiertas ecuacionesKAV;
};

// Sets the options, builds the plot list (unless a cut gives it), stores the user equations,
// runs the calculation and saves the result tables into `carpetaSalida`. Prints the Totals row,
// the sampling statistics and the species table.
// Throws ErrorBatch with a Spanish message on failure.
void CalculaYGuarda(EstadoAplicacion& estado, shell::Interaccion& ui,
                    const OpcionesCalculoBatch& opciones, const std::string& carpetaSalida,
                    std::ostream& out);

// Writes a dBASE table as CSV (header row, then the rows; single-precision values in their
// shortest form, empty for null).
void EscribeCsv(const std::string& carpeta, const std::string& tabla, const std::string& archivo);

}  // namespace arbelio::batch
