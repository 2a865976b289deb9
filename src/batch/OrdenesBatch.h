// The subcommands of arbelio-batch. main() only collects the arguments and the folders; every
// decision and message is here, so the tests run the commands in-process.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "inventory/ErrorDatos.h"

namespace arbelio::batch {

// A failure of a command, with the Spanish message printed on stderr. The data operations
// the commands call fail with the same kind of error.
using ErrorBatch = inventory::ErrorDatos;

struct EntornoBatch {
  // Folder of the installed data (BDEstruct, EcuacionesKAV.sqlite): the executable's folder
  // or ARBELIO_DATA.
  std::string carpetaDatos;
  // Told the phases of "run" as they begin ("selección", "generación", "cálculo", "guardado",
  // and the progress captions and calculation texts in between): the benchmarks time them.
  std::function<void(const std::string&)> fases;
};

// Runs one command line (without the program name). Returns the exit status: 0 success, 1 a
// failure (Spanish message on err), 2 a usage error.
int EjecutaOrdenBatch(const std::vector<std::string>& args, const EntornoBatch& entorno,
                      std::ostream& out, std::ostream& err);

// Rows as aligned text: a header line, a rule, one line per row. Numeric columns are aligned to
// the right. Widths count characters, not bytes.
void EscribeTablaAlineada(std::ostream& out, const std::vector<std::string>& cabeceras,
                          const std::vector<std::vector<std::string>>& filas,
                          const std::vector<bool>& numericas);
// Rows as CSV (comma separated, double quotes where needed).
void EscribeTablaCsv(std::ostream& out, const std::vector<std::string>& cabeceras,
                     const std::vector<std::vector<std::string>>& filas);

}  // namespace arbelio::batch
