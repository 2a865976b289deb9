// The rows a grid shows, as the core sees them. Every grid on screen is a TablaModeloQt over one
// FuenteTabla: the source answers the row and column counts, the header texts and tooltips, the
// cell texts and alignments, and does the numeric sort and the row removals, so what a grid
// shows is decided (and tested) here, without a display.
//
// Sources: FuenteCursor (the rows of a store cursor, or a chosen list of rows of a table, read
// on demand) and FuenteTexto (a small grid of texts held in memory, editable). A viewer plugs in
// its own header texts (units), tooltips (descriptions), alignments and cell formats through
// columna(c).
//
// Rows are addressed by their place in the grid, 0-based; each call costs O(1) for every source.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/Value.h"

namespace arbelio::shell {

enum class Alineacion { Izquierda, Centro, Derecha };

// How a grid shows one column.
struct ColumnaVista {
  std::string cabecera;
  std::string ayuda;  // tooltip over the header, "" for none
  Alineacion alineacion = Alineacion::Derecha;
  // Cell text of a value; when empty, TextoPorDefecto.
  std::function<std::string(const store::Value&)> formato;
};

// A text as it is, a number in its shortest exact decimal form ("12", "0.5"), null as "".
std::string TextoPorDefecto(const store::Value& v);

class FuenteTabla {
 public:
  virtual ~FuenteTabla() = default;

  virtual std::int64_t filas() const = 0;
  int columnas() const { return static_cast<int>(columnas_.size()); }
  // Header text, tooltip, alignment and format of a column (checked: std::out_of_range).
  const ColumnaVista& columna(int c) const { return columnas_.at(static_cast<std::size_t>(c)); }
  ColumnaVista& columna(int c) { return columnas_.at(static_cast<std::size_t>(c)); }

  // The value of a cell, and its text through the column's format. Rows and columns must be in
  // range (sources throw otherwise).
  virtual store::Value valor(std::int64_t fila, int col) const = 0;
  std::string texto(std::int64_t fila, int col) const;

  // Sorts every row by the numeric value of column `col`: numbers ascending (descending when
  // asked), then cells holding a text that is not a number in byte order of the text, then
  // empty cells (null or blanks). A text that reads as a number ("12", " 3,5") counts as that
  // number. Rows that compare equal keep their order. Returns the permutation applied: row i
  // afterwards is row permutacion[i] before.
  std::vector<std::int64_t> ordenarPorColumna(int col, bool descendente = false);

  // Removes `cuantas` rows from `fila` on from this grid (for a cursor, from what is shown: the
  // table is never changed). False, changing nothing, when the range is not inside the rows.
  bool eliminarFilas(std::int64_t fila, std::int64_t cuantas = 1);
  // Inserts `cuantas` empty rows before `fila` (0..filas()); only grids of texts can.
  virtual bool admiteInsertar() const { return false; }
  virtual bool insertarFilas(std::int64_t fila, std::int64_t cuantas = 1);
  // Rows a grid keeps even when empty (the criteria grids keep 20). After a removal the grid is
  // refilled with empty rows at its end by completarFilas(), a step of its own so a view can
  // announce the removal and the new rows apart (TablaModeloQt does both).
  virtual std::int64_t filasMinimas() const { return 0; }
  std::int64_t filasQueFaltan() const;
  void completarFilas();

  // Editing a cell's text (grids of texts made editable).
  virtual bool editable(std::int64_t fila, int col) const;
  virtual bool fijarTexto(std::int64_t fila, int col, const std::string& texto);

 protected:
  FuenteTabla() = default;
  explicit FuenteTabla(std::vector<ColumnaVista> columnas) : columnas_(std::move(columnas)) {}
  // Reorders the rows: row i becomes row permutacion[i] (a permutation of 0..filas()-1).
  virtual void aplicarOrden(const std::vector<std::int64_t>& permutacion) = 0;
  // Removes a range already checked to be inside the rows.
  virtual void quitarFilas(std::int64_t fila, std::int64_t cuantas) = 0;

  std::vector<ColumnaVista> columnas_;
};

}  // namespace arbelio::shell
