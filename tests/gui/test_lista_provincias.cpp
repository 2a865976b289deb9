// Selecting the sample province through the main window: the open dialog gets the large-tree
// file, the questions are answered No, and the window "Bases de datos seleccionadas" lists the
// province with its counts and the status bar totals.
#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMessageBox>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>
#include <filesystem>

#include "../comun/Muestra.h"
#include "AyudantesGui.h"
#include "import/FormListaProvincias.h"
#include "shell/MDIPrincipal.h"
#include "store/Database.h"

using namespace arbelio;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::RutasDePrueba;

namespace {

// Answers the modal dialogs of a selection: the open dialog with the given file, every
// question with No, every message with its first button.
class Guion : public QObject {
 public:
  QString archivo;
  QStringList mensajes;
  int dialogosArchivo = 0;

  void armar() {
    activo_ = true;
    QTimer::singleShot(0, this, [this] { mirar(); });
  }
  void desarmar() { activo_ = false; }

 private:
  void mirar() {
    if (!activo_) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* d = qobject_cast<QFileDialog*>(modal)) {
      ++dialogosArchivo;
      if (d->acceptMode() == QFileDialog::AcceptOpen) {
        d->selectFile(archivo);
        static_cast<QDialog*>(d)->accept();
      } else {
        d->reject();
      }
    } else if (auto* caja = qobject_cast<QMessageBox*>(modal)) {
      mensajes << caja->text();
      QAbstractButton* elegido = caja->buttons().first();
      for (QAbstractButton* b : caja->buttons())
        if (caja->buttonRole(b) == QMessageBox::NoRole) elegido = b;
      elegido->click();
    }
    QTimer::singleShot(5, this, [this] { mirar(); });
  }
  bool activo_ = false;
};

std::int64_t Contar(const std::string& carpeta, const std::string& sql) {
  store::OpenOptions o;
  o.readOnly = true;
  store::Database db = store::Database::open(carpeta, o);
  store::Cursor c = db.openCursor(sql, store::CursorKind::Snapshot);
  return static_cast<std::int64_t>(c.value(0).toDouble());
}

}  // namespace

class PruebaListaProvincias : public QObject {
  Q_OBJECT

 private slots:
  void seleccionaLaMuestraYLaLista() {
    CarpetaTemporal home;
    const std::string prov = pruebas::CopiaMuestra47(ARBELIO_PROGRAM_DIR, home.archivo("prov47"));

    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(1000, 700);
    w.show();
    import::VistaListaProvinciasQt vista(w);
    import::ConectaImportacion(w, estado, vista);

    Guion guion;
    guion.archivo = QString::fromStdString(prov + "/Piesma47.dbf");
    guion.armar();
    w.accion("mnuAAgregarBD")->trigger();
    guion.desarmar();

    QCOMPARE(guion.dialogosArchivo, 1);
    QCOMPARE(guion.mensajes.size(), 2);
    QCOMPARE(guion.mensajes[0], QString("¿Desea guardar fichero Datdef47?. (Recomendado)"));
    QCOMPARE(guion.mensajes[1], QString("¿Desea guardar fichero Especi47?. (Recomendado)"));

    import::FormListaProvincias* f = vista.ventana();
    QVERIFY(f != nullptr);
    QVERIFY(f->isVisible());
    QCOMPARE(w.areaMdi()->subWindowList().size(), 1);
    QCOMPARE(f->windowTitle(), QString("Bases de datos seleccionadas"));
    QTableView* g = f->MSFlexGridListaProvincias;
    const QAbstractItemModel* m = g->model();
    QCOMPARE(m->columnCount(), 4);
    const QStringList cabecera = {"Código ", "Descripción", "Parcelas ", "Pies Mayores"};
    for (int c = 0; c < 4; ++c) {
      QCOMPARE(m->headerData(c, Qt::Horizontal).toString(), cabecera[c]);
      QCOMPARE(m->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
               int(Qt::AlignLeft | Qt::AlignVCenter));
      QCOMPARE(m->data(m->index(0, c), Qt::TextAlignmentRole).toInt(),
               int(Qt::AlignLeft | Qt::AlignVCenter));
    }
    QCOMPARE(m->rowCount(), 1);

    // The counts are those of the sample's own tables.
    const auto parcelas = Contar(prov, "SELECT Count(ESTADILLO) AS N FROM Datest47");
    const auto pies = Contar(prov, "SELECT Count(NUMORDEN) AS N FROM Piesma47");
    QCOMPARE(m->data(m->index(0, 0)).toString(), QString("47"));
    QCOMPARE(m->data(m->index(0, 1)).toString(), QString("Valladolid"));
    QCOMPARE(m->data(m->index(0, 2)).toString(), QString::number(parcelas));
    QCOMPARE(m->data(m->index(0, 3)).toString(), QString::number(pies));
    QCOMPARE(f->paneles[0]->text(), QString("Total parcelas y pies mayores seleccionados"));
    QCOMPARE(f->paneles[1]->text(), QString::number(parcelas));
    QCOMPARE(f->paneles[2]->text(), QString::number(pies));

    // Column widths follow the window: "Descripción" takes the width less 2850 twips.
    QCOMPARE(g->columnWidth(0), 47);
    QCOMPARE(g->columnWidth(3), 73);
    QCOMPARE(f->paneles[1]->width(), g->columnWidth(2));

    // The workflow menus are usable; nothing was written beside the inventory files.
    QVERIFY(w.accion("mnuCNuevoCorte")->isEnabled());
    QCOMPARE(std::distance(std::filesystem::directory_iterator(prov),
                           std::filesystem::directory_iterator{}),
             5);

    // The developer path to the hidden generation entry makes the working database.
    QAction* atajo = w.findChild<QAction*>("atajoGenerarBDT");
    QVERIFY(atajo != nullptr);
    atajo->trigger();
    QVERIFY(std::filesystem::exists(estado.rutas.BDTemp + "/DatDef00.dbf"));
    QVERIFY(std::filesystem::exists(estado.rutas.BDTemp + "/Piesma00.dbf"));
    QVERIFY(!std::filesystem::exists(estado.rutas.BDTemp + "/Piesma47.dbf"));

    // New project unloads the window.
    w.mnuANuevoProyecto_Click();
    QCOMPARE(w.areaMdi()->subWindowList().size(), 0);
    QVERIFY(vista.ventana() == nullptr);
  }
};

QTEST_MAIN(PruebaListaProvincias)
#include "test_lista_provincias.moc"
