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
    const std::string prov = pruebas::CopiaMuestra(home);

    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(1000, 700);
    w.show();
    import::VistaListaProvinciasQt vista(w);
    import::ConectaImportacion(w, estado, vista);

    arbelio::pruebas::CapturaMensajes guion;
    guion.siAPreguntas = false;
    guion.archivo = QString::fromStdString(prov + "/Piesma47.dbf");
    guion.armar();
    w.accion("mnuAAgregarBD")->trigger();
    guion.desarmar();

    QCOMPARE(guion.titulosArchivo.size(), 1);
    QCOMPARE(guion.textos.size(), 2);
    QCOMPARE(guion.textos[0], QString("¿Desea guardar fichero Datdef47?. (Recomendado)"));
    QCOMPARE(guion.textos[1], QString("¿Desea guardar fichero Especi47?. (Recomendado)"));

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

    // Every header and the totals caption fit their text; the panels stand under their
    // columns; "Descripción" takes what is left of the width.
    for (int c = 0; c < 4; ++c) {
      const int texto = g->horizontalHeader()->fontMetrics().horizontalAdvance(cabecera[c]);
      QVERIFY2(g->columnWidth(c) > texto, qPrintable(cabecera[c]));
    }
    QVERIFY(g->columnWidth(0) >= 47);  // never narrower than the design's 700 twips
    QVERIFY(f->paneles[0]->width() >
            f->paneles[0]->fontMetrics().horizontalAdvance(f->paneles[0]->text()));
    QCOMPARE(f->paneles[1]->width(), g->columnWidth(2));
    QCOMPARE(f->paneles[2]->width(), g->columnWidth(3));
    const int descripcion = g->columnWidth(1);
    const int codigo = g->columnWidth(0);
    f->parentWidget()->resize(f->parentWidget()->width() + 150, f->parentWidget()->height());
    QVERIFY(std::abs(g->columnWidth(1) - descripcion - 150) <= 1);
    QCOMPARE(g->columnWidth(0), codigo);

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
