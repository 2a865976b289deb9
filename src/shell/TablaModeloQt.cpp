#include "shell/TablaModeloQt.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <climits>
#include <exception>
#include <vector>

#include "shell/EjecutarOrden.h"

namespace arbelio::shell {

namespace {

Qt::Alignment AlineacionQt(Alineacion a) {
  switch (a) {
    case Alineacion::Izquierda:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case Alineacion::Centro:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case Alineacion::Derecha:
      break;
  }
  return Qt::AlignRight | Qt::AlignVCenter;
}

QString Texto(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

TablaModeloQt::TablaModeloQt(QObject* padre) : QAbstractTableModel(padre) {}

TablaModeloQt::TablaModeloQt(std::shared_ptr<FuenteTabla> fuente, QObject* padre)
    : QAbstractTableModel(padre), fuente_(std::move(fuente)) {}

void TablaModeloQt::fijarFuente(std::shared_ptr<FuenteTabla> fuente) {
  beginResetModel();
  fuente_ = std::move(fuente);
  endResetModel();
}

void TablaModeloQt::recargar() {
  beginResetModel();
  endResetModel();
}

int TablaModeloQt::rowCount(const QModelIndex& padre) const {
  if (padre.isValid() || !fuente_) return 0;
  try {
    // A view addresses rows with an int: a larger source shows its first INT_MAX rows.
    const std::int64_t n = fuente_->filas();
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
  } catch (const std::exception&) {
    return 0;
  }
}

int TablaModeloQt::columnCount(const QModelIndex& padre) const {
  if (padre.isValid() || !fuente_) return 0;
  return fuente_->columnas();
}

QVariant TablaModeloQt::data(const QModelIndex& indice, int rol) const {
  if (!fuente_ || !checkIndex(indice, CheckIndexOption::IndexIsValid)) return {};
  try {
    switch (rol) {
      case Qt::DisplayRole:
      case Qt::EditRole:
        return Texto(fuente_->texto(indice.row(), indice.column()));
      case Qt::TextAlignmentRole:
        return static_cast<int>(AlineacionQt(fuente_->columna(indice.column()).alineacion));
      default:
        return {};
    }
  } catch (const std::exception&) {
    // A row deleted under the view between its count and its paint shows empty until the
    // viewer reloads.
    return {};
  }
}

QVariant TablaModeloQt::headerData(int seccion, Qt::Orientation orientacion, int rol) const {
  if (orientacion != Qt::Horizontal)
    return QAbstractTableModel::headerData(seccion, orientacion, rol);
  if (!fuente_ || seccion < 0 || seccion >= fuente_->columnas()) return {};
  const ColumnaVista& c = fuente_->columna(seccion);
  switch (rol) {
    case Qt::DisplayRole:
      return Texto(c.cabecera);
    case Qt::ToolTipRole:
      return c.ayuda.empty() ? QVariant() : QVariant(Texto(c.ayuda));
    case Qt::TextAlignmentRole:
      return static_cast<int>(AlineacionQt(c.alineacion));
    default:
      return {};
  }
}

Qt::ItemFlags TablaModeloQt::flags(const QModelIndex& indice) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(indice);
  if (!indice.isValid() || !fuente_) return f;
  f |= Qt::ItemNeverHasChildren;
  if (fuente_->editable(indice.row(), indice.column())) f |= Qt::ItemIsEditable;
  return f;
}

bool TablaModeloQt::setData(const QModelIndex& indice, const QVariant& valor, int rol) {
  if (rol != Qt::EditRole || !fuente_ ||
      !checkIndex(indice, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return false;
  if (!fuente_->fijarTexto(indice.row(), indice.column(), valor.toString().toStdString()))
    return false;
  emit dataChanged(indice, indice, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

void TablaModeloQt::sort(int columna, Qt::SortOrder orden) {
  if (!fuente_ || columna < 0 || columna >= columnCount()) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<std::int64_t> permutacion;
  try {
    permutacion = fuente_->ordenarPorColumna(columna, orden == Qt::DescendingOrder);
  } catch (const std::exception&) {
    // The source is as it was: nothing moved.
  }
  // Selections and other persistent indexes follow their rows.
  const QModelIndexList antes = persistentIndexList();
  if (!antes.isEmpty() && !permutacion.empty()) {
    std::vector<int> nuevaFila(permutacion.size());
    for (std::size_t i = 0; i < permutacion.size(); ++i)
      nuevaFila[static_cast<std::size_t>(permutacion[i])] = static_cast<int>(i);
    QModelIndexList despues;
    for (const QModelIndex& i : antes)
      despues << index(nuevaFila[static_cast<std::size_t>(i.row())], i.column());
    changePersistentIndexList(antes, despues);
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool TablaModeloQt::removeRows(int fila, int cuantas, const QModelIndex& padre) {
  if (!fuente_ || padre.isValid() || fila < 0 || cuantas < 1 || cuantas > rowCount() - fila)
    return false;
  beginRemoveRows(QModelIndex(), fila, fila + cuantas - 1);
  bool hecho = false;
  try {
    hecho = fuente_->eliminarFilas(fila, cuantas);
  } catch (const std::exception&) {
  }
  endRemoveRows();
  if (!hecho) {
    // The source refused or failed half way: the view starts over from what it holds.
    recargar();
    return false;
  }
  const std::int64_t faltan = fuente_->filasQueFaltan();
  if (faltan > 0) {
    const int n = rowCount();
    beginInsertRows(QModelIndex(), n, n + static_cast<int>(faltan) - 1);
    fuente_->completarFilas();
    endInsertRows();
  }
  return true;
}

bool TablaModeloQt::insertRows(int fila, int cuantas, const QModelIndex& padre) {
  if (!fuente_ || !fuente_->admiteInsertar() || padre.isValid() || fila < 0 || fila > rowCount() ||
      cuantas < 1 || cuantas > INT_MAX - rowCount())
    return false;
  beginInsertRows(QModelIndex(), fila, fila + cuantas - 1);
  const bool hecho = fuente_->insertarFilas(fila, cuantas);
  endInsertRows();
  if (!hecho) recargar();
  return hecho;
}

void PrepararRejillaVisor(QTableView* vista) {
  vista->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The selection is the viewer model's: a header click selects a column, a cell click a row;
  // the view only paints it, white on near black.
  vista->setSelectionMode(QAbstractItemView::NoSelection);
  vista->setStyleSheet(
      "QTableView { background: white; selection-background-color: #010000; "
      "selection-color: white; }");
  vista->verticalHeader()->hide();
  vista->verticalHeader()->setDefaultSectionSize(vista->fontMetrics().height() + 6);
  vista->horizontalHeader()->setSectionsClickable(true);
  vista->horizontalHeader()->setHighlightSections(false);
}

void PintarSeleccion(QTableView* vista, const SeleccionRejilla& seleccion) {
  QAbstractItemModel* m = vista->model();
  QItemSelectionModel* s = vista->selectionModel();
  if (m == nullptr || s == nullptr) return;
  const int filas = m->rowCount();
  const int columnas = m->columnCount();
  const auto i = static_cast<int>(seleccion.indice());
  QItemSelection elegidas;
  if (seleccion.columna() && filas > 0 && i < columnas) {
    elegidas.select(m->index(0, i), m->index(filas - 1, i));
  } else if (seleccion.fila() && columnas > 0 && i < filas) {
    elegidas.select(m->index(i, 0), m->index(i, columnas - 1));
  }
  s->select(elegidas, QItemSelectionModel::ClearAndSelect);
}

void ConectarSeleccionVisor(QTableView* vista, Interaccion& ui,
                            std::function<void(int)> alPulsarCabecera,
                            std::function<void(int)> alPulsarFila) {
  const FalloOrden fallo = FalloOrden::Prefijo("Error ");
  QObject::connect(vista->horizontalHeader(), &QHeaderView::sectionClicked, vista,
                   [&ui, fallo, alPulsarCabecera = std::move(alPulsarCabecera)](int c) {
                     EjecutarOrden(ui, fallo, [&] { alPulsarCabecera(c); });
                   });
  QObject::connect(vista, &QTableView::clicked, vista,
                   [&ui, fallo, alPulsarFila = std::move(alPulsarFila)](const QModelIndex& i) {
                     EjecutarOrden(ui, fallo, [&] { alPulsarFila(i.row()); });
                   });
}

void AjustarColumnas(QTableView* vista) {
  QAbstractItemModel* m = vista->model();
  if (m == nullptr) return;
  vista->horizontalHeader()->setResizeContentsPrecision(200);
  for (int c = 0; c < m->columnCount(); ++c) vista->resizeColumnToContents(c);
}

}  // namespace arbelio::shell
