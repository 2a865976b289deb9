// Cut criteria written in a text file, for applying them without the window (arbelio-batch run
// --criteria FILE --mode uno|todos|alguno): one grid row per line, the cells as the cut tool's
// grid shows them, separated by ";" (an empty cell is empty), after the kind of the row:
//
//   especie: 21; >= 25%; > 500        species; "AB" cell; "Nº PM" cell
//   especies: Y                       combination of the species rows: Y (all, default) or O
//   masa: >= 20; > 1000               "AB" cell; "Nº PM" cell
//   utm: 30; (329, 4600); (400, 4700) zone; lower-left and upper-right corners
//   municipio: 47; 220                province; municipality (padded to "220", "007"...)
//   parcela: 47; 12                   province; plot
//   # a comment
//
// Each line is checked as the tool's inputs are checked and written as the tool writes its
// cells; a bad line is refused with its line number and what is wrong.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <vector>

#include "cut/AplicarCorte.h"
#include "cut/CriteriosCorte.h"

namespace arbelio::cut {

class HerramientaCorte;

struct ArchivoCriterios {
  std::array<std::vector<FilaCriterio>, kNumCriterios> filas;  // by criterion index
  bool especiesY = true;
};

// Reads a criteria file; `nombre` names it in the messages. Throws inventory::ErrorDatos
// ("<nombre>, línea N: <qué>").
ArchivoCriterios LeerArchivoCriterios(std::istream& in, const std::string& nombre);

// How several criteria apply: one criterion (the file must hold rows of one kind only), all of
// them, or any of them.
enum class ModoCorte { Uno, Todos, Alguno };
// "uno", "todos", "alguno"; throws inventory::ErrorDatos for anything else.
ModoCorte LeerModoCorte(const std::string& texto);

// Puts the file's rows into the tool's grids (replacing theirs), ticks every criterion that has
// rows, sets the species combination, the zero filter and the mode, and applies as the window's
// apply buttons do. Throws inventory::ErrorDatos when the file holds no rows, or rows of more
// than one kind in mode Uno. Returns whether the cut has plots.
bool AplicarArchivoCriterios(HerramientaCorte& herramienta, shell::Interaccion& ui,
                             const ArchivoCriterios& archivo, ModoCorte modo, bool filtroCero);

// The summary frame as text, one caption and value per line, then the species list.
std::string TextoResumen(const ResumenCorte& resumen);
// The report with its line breaks as "\n".
std::string TextoInforme(const std::string& informe);

}  // namespace arbelio::cut
