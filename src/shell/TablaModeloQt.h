// TablaModeloQt: the one table model of every grid on screen, a QAbstractTableModel over a
// core FuenteTabla. It holds no cells: data() asks the source for the cell shown, so a view
// over a table of millions of rows reads only the rows on screen.
//
// Roles: DisplayRole and EditRole give the cell text (the column's format), TextAlignmentRole
// the column's alignment (vertically centred); the horizontal header gives the column's header
// text and, as ToolTipRole, its description. sort() is the core's numeric sort; removeRows()
// removes rows from the grid (a grid with a minimum row count is refilled at its end);
// insertRows() and setData() work on editable text grids.
#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <memory>

#include "shell/FuenteTabla.h"
#include "shell/SeleccionRejilla.h"

class QTableView;

namespace arbelio::shell {
class Interaccion;
}

namespace arbelio::shell {

class TablaModeloQt : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TablaModeloQt(QObject* padre = nullptr);
  explicit TablaModeloQt(std::shared_ptr<FuenteTabla> fuente, QObject* padre = nullptr);

  // Shows another source (or nothing, with null): the view starts over.
  void fijarFuente(std::shared_ptr<FuenteTabla> fuente);
  FuenteTabla* fuente() const { return fuente_.get(); }
  // After the core changed the source behind the model (rows added or deleted in the table, a
  // column's header or format changed): the view starts over.
  void recargar();

  int rowCount(const QModelIndex& padre = QModelIndex()) const override;
  int columnCount(const QModelIndex& padre = QModelIndex()) const override;
  QVariant data(const QModelIndex& indice, int rol = Qt::DisplayRole) const override;
  QVariant headerData(int seccion, Qt::Orientation orientacion,
                      int rol = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& indice) const override;
  bool setData(const QModelIndex& indice, const QVariant& valor, int rol = Qt::EditRole) override;
  void sort(int columna, Qt::SortOrder orden = Qt::AscendingOrder) override;
  bool removeRows(int fila, int cuantas, const QModelIndex& padre = QModelIndex()) override;
  bool insertRows(int fila, int cuantas, const QModelIndex& padre = QModelIndex()) override;

 private:
  std::shared_ptr<FuenteTabla> fuente_;
};

// A viewer's grid (results viewer, cut data viewer): read only, white, the selection painted by
// PintarSeleccion (white on near black) rather than made by the view, header sections
// clickable, no row numbers.
void PrepararRejillaVisor(QTableView* vista);
// Paints a viewer's selection: the whole column or the whole row.
void PintarSeleccion(QTableView* vista, const SeleccionRejilla& seleccion);
// A viewer grid's clicks, each run through the command barrier: a header click gives the column,
// a cell click the row.
void ConectarSeleccionVisor(QTableView* vista, Interaccion& ui,
                            std::function<void(int)> alPulsarCabecera,
                            std::function<void(int)> alPulsarFila);
// The same for a viewer model with PulsarCabecera(column) and PulsarFila(row): each click goes to
// the model, then `repintar` paints the selection it decided.
template <class Modelo>
void ConectarSeleccionVisor(QTableView* vista, Interaccion& ui, Modelo& modelo,
                            std::function<void()> repintar) {
  ConectarSeleccionVisor(
      vista, ui,
      [&modelo, repintar](int c) {
        modelo.PulsarCabecera(c);
        repintar();
      },
      [&modelo, repintar](int fila) {
        modelo.PulsarFila(fila);
        repintar();
      });
}
// Every column as wide as its header and the cells on the first screens.
void AjustarColumnas(QTableView* vista);

}  // namespace arbelio::shell
