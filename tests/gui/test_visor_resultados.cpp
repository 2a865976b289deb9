// The results viewer through its widgets and the shared grid model (checked by
// QAbstractItemModelTester): tabs with tooltips, headers with units and descriptions, cell
// formats, row and column selection, the sort button, the row count and "Guardar esta Tabla";
// then the whole way from the menu: the sample province selected, "&Calcular" run with its
// progress dialog, the viewer opened on the new tables, "&Opciones..." with "Todo" and
// "Calcular", "Guardar Cálculos...", New project and a second run.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "../comun/TablaDePrueba.h"
#include "AyudantesGui.h"
#include "calc/FormOpcionesCalculos.h"
#include "import/FormListaProvincias.h"
#include "results/CalculosVentanaQt.h"
#include "results/FormVisorDatosCalculos.h"
#include "shell/InteraccionGuionada.h"
#include "shell/MDIPrincipal.h"
#include "shell/TablaModeloQt.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;
using arbelio::pruebas::CapturaMensajes;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::CopiaMuestra;
using arbelio::pruebas::RutasDePrueba;
using results::FormVisorDatosCalculos;

namespace {

// Result tables of a run under the code Kb, made by hand: AIndiv, Parcel and Cd_par computed
// with the class width given. NUMORDEN 10, 9, 100: a text sort would put 10 first.
void TablasDePrueba(const CarpetaTemporal& home, EstadoAplicacion& estado, float anchoClase) {
  using store::FieldType;
  using V = store::Value;
  estado.rutas.BDOut = home.archivo("BDOut");
  estado.SufijoCalculos = "Kb";
  estado.opciones.AnchoClase = anchoClase;
  estado.opciones.TablasCalcular = {true, true, false, false, false, true, false, false, false};
  const std::string& BDOut = estado.rutas.BDOut;
  std::filesystem::create_directories(BDOut);
  arbelio::pruebas::EscribirTablaDePrueba(BDOut, "AIndivKb",
                                          {{"PROVINCIA", FieldType::Integer},
                                           {"PARCELA", FieldType::Integer},
                                           {"NUMORDEN", FieldType::Integer},
                                           {"PARAMESP", FieldType::Text, 3},
                                           {"CD"},
                                           {"AB"},
                                           {"VCC"}},
                                          {{47, 3, 10, "125", 10, 3.5, V::null()},
                                           {47, 3, 9, V::null(), 7.5, 0, V::null()},
                                           {47, 3, 100, "X", 12.5, 12.25, V::null()}});
  arbelio::pruebas::EscribirTablaDePrueba(BDOut, "ParcelKb", {{"N"}, {"AB"}, {"VCC"}},
                                          {{127.32395, 0.0, V::null()}});
  arbelio::pruebas::EscribirTablaDePrueba(BDOut, "Cd_parKb", {{"CD"}, {"N"}}, {{10.0, 5.0}});
}

QString Celda(const QAbstractItemModel* m, int fila, int col) {
  return m->data(m->index(fila, col)).toString();
}

QString Cabecera(const QAbstractItemModel* m, int col, int rol = Qt::DisplayRole) {
  return m->headerData(col, Qt::Horizontal, rol).toString();
}

void PulsarCabecera(QTableView* v, int col) {
  QHeaderView* h = v->horizontalHeader();
  QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                    QPoint(h->sectionViewportPosition(col) + h->sectionSize(col) / 2, 5));
}

void PulsarCelda(QTableView* v, int fila, int col) {
  QTest::mouseClick(v->viewport(), Qt::LeftButton, {},
                    v->visualRect(v->model()->index(fila, col)).center());
}

std::int64_t Filas(const std::string& carpeta, const std::string& tabla) {
  store::OpenOptions o;
  o.readOnly = true;
  store::Database db = store::Database::open(carpeta, o);
  return db.openCursor(tabla, store::CursorKind::Snapshot).recordCount();
}

QStringList Pestanas(const FormVisorDatosCalculos* f) {
  QStringList r;
  for (int i = 0; i < f->TabStrip1->count(); ++i) r << f->TabStrip1->tabText(i);
  return r;
}

}  // namespace

class PruebaVisorResultados : public QObject {
  Q_OBJECT

 private slots:
  void pestanasCabecerasFormatosSeleccionYOrden() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    TablasDePrueba(home, estado, 2.5f);
    shell::InteraccionGuionada ui(estado);
    FormVisorDatosCalculos f(estado, ui);
    f.resize(900, 500);
    f.show();
    QAbstractItemModelTester probador(f.rejilla(),
                                      QAbstractItemModelTester::FailureReportingMode::QtTest);

    QCOMPARE(Pestanas(&f),
             QStringList({"Árbol Individual", "Parcela", "Clase Diamétrica por Parcela"}));
    QCOMPARE(f.TabStrip1->tabToolTip(0),
             QString("Datos para cada árbol individual (pie mayor) en el corte."));
    QCOMPARE(f.TabStrip1->tabToolTip(2),
             QString("Datos para cada clase diamétrica existente en cada parcela"));

    QTableView* g = f.MSFlexGridMuestraCalculos;
    const QAbstractItemModel* m = g->model();
    QCOMPARE(m, static_cast<QAbstractItemModel*>(f.rejilla()));
    QCOMPARE(m->columnCount(), 7);
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(f.LabelNRegistros->text(), QString("3"));
    QCOMPARE(Cabecera(m, 4), QString("CD         "));
    QCOMPARE(Cabecera(m, 5), QString("AB (m2/ha)"));
    QCOMPARE(Cabecera(m, 6), QString("VCC (dm3)  "));
    QCOMPARE(Cabecera(m, 5, Qt::ToolTipRole),
             QString("Área Basimétrica en metros cuadrados por hectárea"));
    QCOMPARE(Cabecera(m, 4, Qt::ToolTipRole), QString("Clase diamétrica"));
    QVERIFY(m->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isNull());
    QCOMPARE(m->data(m->index(0, 5), Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
    // Formats: two decimals with the comma, "0" for zero, classes with one decimal (width
    // 2,5), texts as they are, nulls empty.
    QCOMPARE(Celda(m, 0, 5), QString("3,50"));
    QCOMPARE(Celda(m, 1, 5), QString("0"));
    QCOMPARE(Celda(m, 2, 5), QString("12,25"));
    QCOMPARE(Celda(m, 1, 4), QString("7,5"));
    QCOMPARE(Celda(m, 0, 4), QString("10,0"));
    QCOMPARE(Celda(m, 0, 3), QString("125"));
    QCOMPARE(Celda(m, 2, 3), QString("X"));
    QCOMPARE(Celda(m, 0, 6), QString());
    // Every header fits its text.
    for (int c = 0; c < m->columnCount(); ++c) {
      const int texto = g->horizontalHeader()->fontMetrics().horizontalAdvance(Cabecera(m, c));
      QVERIFY2(g->columnWidth(c) >= texto, qPrintable(Cabecera(m, c)));
    }

    // A header click selects the column and enables the sort; the sort is numeric.
    QVERIFY(!f.CommandOrdenarColumna->isEnabled());
    PulsarCabecera(g, 2);
    QCOMPARE(f.modelo().etiqueta(), std::string("col2"));
    QVERIFY(g->selectionModel()->isColumnSelected(2, {}));
    QVERIFY(f.CommandOrdenarColumna->isEnabled());
    f.CommandOrdenarColumna->click();
    QCOMPARE(Celda(m, 0, 2), QString("9"));
    QCOMPARE(Celda(m, 1, 2), QString("10"));
    QCOMPARE(Celda(m, 2, 2), QString("100"));
    QVERIFY(g->selectionModel()->isColumnSelected(2, {}));
    // A cell click selects its row and disables the sort; a header enables it again.
    PulsarCelda(g, 1, 3);
    QCOMPARE(f.modelo().etiqueta(), std::string("row1"));
    QVERIFY(g->selectionModel()->isRowSelected(1, {}));
    QVERIFY(!g->selectionModel()->isColumnSelected(2, {}));
    QVERIFY(!f.CommandOrdenarColumna->isEnabled());
    PulsarCabecera(g, 5);
    QVERIFY(f.CommandOrdenarColumna->isEnabled());

    // Another tab: its table, its units, no selection.
    f.TabStrip1->setCurrentIndex(1);
    QCOMPARE(m->columnCount(), 3);
    QCOMPARE(Cabecera(m, 0), QString("N (pies/ha)"));
    QCOMPARE(Cabecera(m, 2), QString("VCC (m3/ha) "));
    QCOMPARE(Cabecera(m, 0, Qt::ToolTipRole), QString("Número de pies por hectárea"));
    QCOMPARE(Celda(m, 0, 0), QString("127,32"));
    QCOMPARE(Celda(m, 0, 1), QString("0"));
    QCOMPARE(f.LabelNRegistros->text(), QString("1"));
    QVERIFY(!f.CommandOrdenarColumna->isEnabled());
    QVERIFY(!g->selectionModel()->hasSelection());

    // Saving the shown table through the scripted save dialog.
    const std::string destino = home.archivo("copias");
    std::filesystem::create_directories(destino);
    ui.archivos.push_back(destino + "/ParcelKb.dbf");
    f.CommandGuardarTabla->click();
    QCOMPARE(ui.dialogos.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(ui.dialogos[0].titulo), QString("Guardar tabla ParcelKb.dbf"));
    QCOMPARE(Filas(destino, "ParcelKb"), std::int64_t{1});
    QVERIFY(ui.mensajes.empty());

    // The lower line sits below the grid, left to right.
    QVERIFY(f.CommandGuardarTabla->y() > g->geometry().bottom());
    QVERIFY(f.CommandOrdenarColumna->x() > f.CommandGuardarTabla->geometry().right());
    QVERIFY(f.LabelNRegistros->x() > f.Label23->geometry().right());
  }

  // A whole-class width shows the classes as whole numbers.
  void claseEnteraSinDecimales() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    TablasDePrueba(home, estado, 5);
    shell::InteraccionGuionada ui(estado);
    FormVisorDatosCalculos f(estado, ui);
    f.TabStrip1->setCurrentIndex(2);  // Clase Diamétrica por Parcela
    QCOMPARE(Celda(f.rejilla(), 0, 0), QString("10"));
  }

  void delMenuAlVisorYGuardarCalculos() {
    CarpetaTemporal home;
    const std::string prov = CopiaMuestra(home);
    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(1100, 800);
    w.show();
    import::VistaListaProvinciasQt lista(w);
    import::ConectaImportacion(w, estado, lista);
    results::CalculosVentanaQt calculos(w, estado);

    CapturaMensajes guion;
    guion.siAPreguntas = false;
    guion.archivo = QString::fromStdString(prov + "/Piesma47.dbf");
    guion.armar();
    w.accion("mnuAAgregarBD")->trigger();
    QVERIFY(w.accion("mnuCálCalcular")->isEnabled());
    QVERIFY(!w.accion("mnuAGuardarCálculos")->isEnabled());

    // "&Calcular": the progress dialog, then the viewer on the three quick tables.
    w.accion("mnuCálCalcular")->trigger();
    FormVisorDatosCalculos* v = calculos.visor().ventana();
    QVERIFY(v != nullptr);
    QVERIFY(v->isVisible());
    QVERIFY(!w.interaccion().progreso()->isVisible());
    QCOMPARE(Pestanas(v), QStringList({"Árbol Individual", "Parcela", "Especie por Parcela"}));
    const std::string codigo = estado.SufijoCalculos;
    QCOMPARE(v->LabelNRegistros->text(),
             QString::number(Filas(estado.rutas.BDOut, "AIndiv" + codigo)));
    QVERIFY(v->rejilla()->rowCount() > 100);
    QVERIFY(w.accion("mnuAGuardarCálculos")->isEnabled());
    // The selection is closed: the run computed this working database.
    QVERIFY(!w.accion("mnuAAgregarBD")->isEnabled());
    // The viewer carries the program's icon, as every child of the frame.
    QVERIFY(!v->parentWidget()->windowIcon().isNull());
    QCOMPARE(v->parentWidget()->windowIcon().cacheKey(), w.windowIcon().cacheKey());

    // "&Opciones...": the dialog; "Todo" and "Calcular" give the nine tables.
    w.accion("mnuCálOpciones")->trigger();
    calc::FormOpcionesCalculos* o = calculos.opciones();
    QVERIFY(o != nullptr && o->isVisible());
    o->CheckTodasTablas->click();
    o->CommandCalcular->click();
    QVERIFY(!o->isVisible());
    FormVisorDatosCalculos* v2 = calculos.visor().ventana();
    QVERIFY(v2 != nullptr && v2 != v);
    QCOMPARE(v2->TabStrip1->count(), 9);
    QCOMPARE(w.areaMdi()->subWindowList().size(), 2);  // the list and one viewer
    v2->TabStrip1->setCurrentIndex(8);
    QCOMPARE(v2->rejilla()->rowCount(), 1);  // Totales

    // "Guardar Cálculos...": the comment, the save dialog, the copies under the new code.
    const std::string destino = home.archivo("guardados");
    std::filesystem::create_directories(destino);
    guion.entrada = "  Muestra 47  ";
    guion.guardarComo = QString::fromStdString(destino + "/AIndivQq.dbf");
    w.accion("mnuAGuardarCálculos")->trigger();
    QCOMPARE(guion.titulosArchivo.last(), QString("Guardar base de datos de cálculos"));
    for (const char* t : {"AindivQq.dbf", "TotalsQq.dbf", "Cdsp_pQq.dbf", "ComentQq.txt"})
      QVERIFY2(std::filesystem::exists(destino + "/" + t), t);
    QCOMPARE(Filas(destino, "AIndivQq"), Filas(estado.rutas.BDOut, "AIndiv" + codigo));
    QVERIFY(guion.textos.last().contains(QString::fromStdString(destino)));

    // New project unloads the viewer and the dialog; a new selection calculates again.
    w.mnuANuevoProyecto_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(calculos.visor().ventana() == nullptr);
    QVERIFY(calculos.opciones() == nullptr);
    guion.textos.clear();
    w.accion("mnuAAgregarBD")->trigger();
    w.accion("mnuCálCalcular")->trigger();
    guion.desarmar();
    for (const QString& t : guion.textos) QVERIFY2(!t.startsWith("Error"), qPrintable(t));
    QVERIFY(calculos.visor().ventana() != nullptr);
    QVERIFY(calculos.visor().ventana()->rejilla()->rowCount() > 100);
  }

  // The window of the selected databases, once closed, comes back from "Ventana".
  void listaDeBasesVuelveDesdeVentana() {
    CarpetaTemporal home;
    const std::string prov = CopiaMuestra(home);
    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    import::VistaListaProvinciasQt lista(w);
    import::ConectaImportacion(w, estado, lista);
    CapturaMensajes guion;
    guion.siAPreguntas = false;
    guion.archivo = QString::fromStdString(prov + "/Piesma47.dbf");
    guion.armar();
    w.accion("mnuAAgregarBD")->trigger();
    guion.desarmar();
    QPointer<import::FormListaProvincias> f = lista.ventana();
    QVERIFY(f != nullptr);
    f->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!f.isNull());
    QVERIFY(!f->isVisible());

    QMenu* ventana = qobject_cast<QMenu*>(w.accion("mnuVentana")->menu());
    emit ventana->aboutToShow();
    QAction* entrada = nullptr;
    for (QAction* a : ventana->actions())
      if (a->text().contains("Bases de datos seleccionadas")) entrada = a;
    QVERIFY(entrada != nullptr);
    entrada->trigger();
    QVERIFY(f->isVisible());
    QCOMPARE(w.areaMdi()->activeSubWindow(), f->parentWidget());
    QCOMPARE(f->modelo().filas.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(f->modelo().filas[0][0]), QString("47"));
  }
};

QTEST_MAIN(PruebaVisorResultados)
#include "test_visor_resultados.moc"
