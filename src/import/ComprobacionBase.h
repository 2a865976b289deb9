// The check of a database's tables when it is selected, before anything is copied: every table
// the program will read is looked at once, for the fields it needs and for the values in them.
//
// Refused (the selection does not go on): a needed table field that is missing, a field name
// that appears twice in a table (the program would silently read one of them), a needed
// numeric field that is not numeric or has no width, and, when the species-per-plot table has
// to be built, a large tree whose diameters or species cannot be read (that build cannot
// place it).
//
// Warned, once, in one message (the selection goes on): damaged values (text a numeric field
// cannot hold; they read as empty), plainly impossible values (a diameter above 4 m, a height
// above 100 m; used as they are), plot rows without a usable province and plot number (left
// out), plots listed more than once (computed once), province numbers outside 1-52, and trees
// of the tree tables that belong to no plot of the plot table (they are never computed).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace arbelio::import {

struct InformeComprobacion {
  std::vector<std::string> errores;  // each line a reason to refuse the selection
  std::vector<std::string> avisos;   // paragraphs of the warning message
  bool rechazada() const { return !errores.empty(); }
};

// Checks the tables of the database `codigo` in `carpeta` (the folder of the chosen file).
// The Datdef table is checked when the folder has it, else Datest; Especi and InfCor when
// present.
InformeComprobacion ComprobarBaseDatos(const std::string& carpeta, const std::string& codigo);

// The refusal: "Esta base de datos no es correcta." and the reasons, one per line.
std::string TextoRechazo(const InformeComprobacion& informe);
// The warning message: a first line naming the database, then the paragraphs.
std::string TextoAvisos(const std::string& codigo, const InformeComprobacion& informe);

// Plainly impossible field values: diameters in mm, heights in m.
inline constexpr double kDiametroMaximoMm = 4000;
inline constexpr double kAlturaMaximaM = 100;
// Entries listed per kind of problem in a message; the rest are counted.
inline constexpr std::size_t kProblemasListados = 20;

}  // namespace arbelio::import
