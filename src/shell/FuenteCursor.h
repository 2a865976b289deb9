// A grid's rows read from the store on demand: the visible rows of a cursor (a table, a query,
// a grouped or DISTINCT result) or a chosen list of rows of a table. Nothing is copied or
// decoded but the cells asked for, so a grid over a table of millions of rows opens at once and
// reaches any row in O(1) (Cursor::valueAt).
//
// Sorting and removing rows change only what this grid shows (the source keeps the ids of its
// rows in the shown order); the table is never written. Rows of the table deleted meanwhile,
// through any cursor or handle, drop out of the grid; call TablaModeloQt::recargar() after such
// a change so the view learns the new row count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shell/FuenteTabla.h"
#include "store/Cursor.h"

namespace arbelio::shell {

class FuenteCursor : public FuenteTabla {
 public:
  // The visible rows of `cursor` in its order. One column per field, headed by its name,
  // right-aligned, values shown by TextoPorDefecto.
  explicit FuenteCursor(store::Cursor cursor);
  // Rows `ids` of `base`'s table (as Cursor::rowIdAt or FilasPorClaves give them), in that order,
  // with `base`'s columns.
  FuenteCursor(const store::Cursor& base, std::vector<std::uint32_t> ids);

  std::int64_t filas() const override { return cursor_.recordCount(); }
  store::Value valor(std::int64_t fila, int col) const override {
    return cursor_.valueAt(fila, col);
  }
  // The table row shown at a place of the grid, and the value of a field (by name, as the
  // cursor names it) there: what a viewer needs to act on a selected row.
  std::uint32_t idFila(std::int64_t fila) const { return cursor_.rowIdAt(fila); }
  store::Value valor(std::int64_t fila, std::string_view campo) const;
  const store::Cursor& cursor() const { return cursor_; }

 protected:
  void aplicarOrden(const std::vector<std::int64_t>& permutacion) override;
  void quitarFilas(std::int64_t fila, std::int64_t cuantas) override;

 private:
  store::Cursor cursor_;
};

// Ids of the rows of `cursor` whose fields `campos` hold one of the keys `claves` (one value per
// field), grouped by key in the order of `claves` and, within a key, in the cursor's order; a key
// listed twice gives its rows twice. Values match as the store's equality criteria do: a number
// matches a number field of the same value or a text field that reads as it; a text matches the
// trimmed text. A null never matches. One pass over the cursor: O(rows + keys), so the rows of
// a whole country's plot list come out in a fraction of a second. Unknown fields throw 3265.
std::vector<std::uint32_t> FilasPorClaves(const store::Cursor& cursor,
                                          const std::vector<std::string>& campos,
                                          const std::vector<std::vector<store::Value>>& claves);

}  // namespace arbelio::shell
