// The shared grid model over each kind of core source, checked by Qt's model tester while it
// is read, sorted, edited, grown and shrunk.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "../comun/CarpetaTemporal.h"
#include "shell/FuenteCursor.h"
#include "shell/FuenteTexto.h"
#include "shell/TablaModeloQt.h"
#include "store/Database.h"

using namespace arbelio;
using shell::Alineacion;
using shell::ColumnaVista;
using shell::TablaModeloQt;

namespace {

QStringList Columna(const QAbstractItemModel& m, int col) {
  QStringList v;
  for (int f = 0; f < m.rowCount(); ++f) v << m.data(m.index(f, col)).toString();
  return v;
}

Qt::Alignment Alineado(const QVariant& v) {
  return Qt::Alignment(v.toInt());
}

// A large-tree table of six rows in a temporary folder: (plot, tree, dn), one dn empty, a tie.
void CreaTabla(store::Database& db) {
  store::TableDef def("PIESMA00");
  def.appendField("ESTADILLO", store::FieldType::Integer);
  def.appendField("NUMORDEN", store::FieldType::Integer);
  def.appendField("DN", store::FieldType::Single);
  db.appendTableDef(def);
  store::Cursor c = db.openCursor("PIESMA00");
  const double filas[][3] = {{2, 1, 30.5}, {1, 1, 9}, {1, 2, -1},
                             {3, 1, 12.5}, {2, 2, 9}, {1, 3, 100}};
  for (const auto& f : filas) {
    c.addNew();
    c.setValue("ESTADILLO", f[0]);
    c.setValue("NUMORDEN", f[1]);
    if (f[2] >= 0) c.setValue("DN", f[2]);
    c.update();
  }
}

}  // namespace

class PruebaTablaModelo : public QObject {
  Q_OBJECT

 private slots:
  void rejillaDeTextosEditable() {
    auto fuente = std::make_shared<shell::FuenteTexto>(
        std::vector<ColumnaVista>{{"Código", "Código de la especie", Alineacion::Izquierda, {}},
                                  {"Nombre", "", Alineacion::Derecha, {}}},
        5, true);
    TablaModeloQt m(fuente);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QCOMPARE(m.rowCount(), 5);
    QCOMPARE(m.columnCount(), 2);
    QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QString("Código"));
    QCOMPARE(m.headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QString("Código de la especie"));
    QVERIFY(!m.headerData(1, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QCOMPARE(Alineado(m.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole)),
             Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(Alineado(m.data(m.index(0, 1), Qt::TextAlignmentRole)),
             Qt::AlignRight | Qt::AlignVCenter);
    QVERIFY(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);

    const QStringList codigos = {"21", "9", "abc", "100", "9"};
    for (int f = 0; f < codigos.size(); ++f) {
      QVERIFY(m.setData(m.index(f, 0), codigos[f]));
      QVERIFY(m.setData(m.index(f, 1), QString("n%1").arg(f)));
    }
    QCOMPARE(fuente->celda(3, 0), std::string("100"));

    // Sorting numerically; a persistent index (a selection) follows its row.
    QPersistentModelIndex cien(m.index(3, 1));
    m.sort(0);
    QCOMPARE(Columna(m, 0), (QStringList{"9", "9", "21", "100", "abc"}));
    QCOMPARE(Columna(m, 1), (QStringList{"n1", "n4", "n0", "n3", "n2"}));
    QCOMPARE(cien.row(), 3);
    m.sort(0, Qt::DescendingOrder);
    QCOMPARE(Columna(m, 1), (QStringList{"n3", "n0", "n1", "n4", "n2"}));
    QCOMPARE(cien.row(), 0);

    // Removing a row keeps five rows: the later ones move up, an empty one comes last.
    QVERIFY(m.removeRows(1, 1));
    QCOMPARE(m.rowCount(), 5);
    QCOMPARE(Columna(m, 1), (QStringList{"n3", "n1", "n4", "n2", ""}));
    QVERIFY(!m.removeRows(4, 2));
    QVERIFY(!m.removeRows(-1, 1));

    // The grid grows.
    QVERIFY(m.insertRows(5, 2));
    QCOMPARE(m.rowCount(), 7);
    QVERIFY(m.setData(m.index(6, 0), "7"));
    QCOMPARE(m.data(m.index(6, 0), Qt::EditRole).toString(), QString("7"));
  }

  void cursorSobreUnaTabla() {
    pruebas::CarpetaTemporal dir;
    store::Database db = store::Database::open(dir.ruta());
    CreaTabla(db);
    auto fuente = std::make_shared<shell::FuenteCursor>(db.openCursor("PIESMA00"));
    fuente->columna(2).cabecera = "DN (cm)    ";
    fuente->columna(2).ayuda = "Diámetro normal medio";
    fuente->columna(2).formato = [](const store::Value& v) {
      return v.isNull() ? std::string() : std::to_string(static_cast<int>(v.toDouble() * 10));
    };
    TablaModeloQt m(fuente);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QTableView vista;
    vista.setModel(&m);
    vista.resize(400, 300);
    vista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&vista));

    QCOMPARE(m.rowCount(), 6);
    QCOMPARE(m.columnCount(), 3);
    QCOMPARE(m.headerData(0, Qt::Horizontal).toString(), QString("ESTADILLO"));
    QCOMPARE(m.headerData(2, Qt::Horizontal).toString(), QString("DN (cm)    "));
    QCOMPARE(m.headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QString("Diámetro normal medio"));
    QCOMPARE(Alineado(m.data(m.index(0, 0), Qt::TextAlignmentRole)),
             Qt::AlignRight | Qt::AlignVCenter);
    QVERIFY(!(m.flags(m.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!m.setData(m.index(0, 0), "5"));
    QVERIFY(!m.insertRows(0, 1));
    QCOMPARE(Columna(m, 2), (QStringList{"305", "90", "", "125", "90", "1000"}));

    // The view's sort goes to the core: numbers, ties in table order, the empty cell last.
    vista.horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
    vista.setSortingEnabled(true);
    QCOMPARE(Columna(m, 0), (QStringList{"1", "2", "3", "2", "1", "1"}));
    QCOMPARE(Columna(m, 1), (QStringList{"1", "2", "1", "1", "3", "2"}));

    // Removing rows hides them from the grid only.
    vista.selectRow(1);
    QPersistentModelIndex ultima(m.index(5, 0));
    QVERIFY(m.removeRows(0, 2));
    QCOMPARE(m.rowCount(), 4);
    QCOMPARE(ultima.row(), 3);
    QCOMPARE(Columna(m, 2), (QStringList{"125", "305", "1000", ""}));
    QCOMPARE(db.openCursor("PIESMA00").recordCount(), 6);

    // A row deleted in the table leaves the grid once the viewer reloads it.
    store::Cursor t = db.openCursor("PIESMA00");
    t.remove();  // 2/1, dn 30.5
    m.recargar();
    QCOMPARE(Columna(m, 2), (QStringList{"125", "1000", ""}));
    vista.repaint();
  }

  void filasElegidasYCambioDeFuente() {
    pruebas::CarpetaTemporal dir;
    store::Database db = store::Database::open(dir.ruta());
    CreaTabla(db);
    store::Cursor c = db.openCursor("SELECT NUMORDEN, DN FROM PIESMA00");
    const auto ids = shell::FilasPorClaves(c, {"NUMORDEN"}, {});
    QVERIFY(ids.empty());
    TablaModeloQt m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(m.rowCount(), 0);
    QVERIFY(!m.headerData(0, Qt::Horizontal).isValid());

    store::Cursor todas = db.openCursor("SELECT * FROM PIESMA00");
    const auto plots =
        shell::FilasPorClaves(todas, {"ESTADILLO"}, {{store::Value(3)}, {store::Value(1)}});
    m.fijarFuente(std::make_shared<shell::FuenteCursor>(c, plots));
    QCOMPARE(Columna(m, 0), (QStringList{"1", "1", "2", "3"}));
    QCOMPARE(Columna(m, 1), (QStringList{"12.5", "9", "", "100"}));
    m.sort(1, Qt::DescendingOrder);
    QCOMPARE(Columna(m, 1), (QStringList{"100", "12.5", "9", ""}));
    QVERIFY(m.removeRows(3, 1));
    QCOMPARE(m.rowCount(), 3);
    m.fijarFuente(nullptr);
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.columnCount(), 0);
  }
};

QTEST_MAIN(PruebaTablaModelo)
#include "test_tabla_modelo.moc"
