// The cut data viewer over the bundled sample province: "Mostrar corte" of the cut tool opens
// it on the quick plot view; a plot and a large tree are deleted with the questions answered; the
// cut tool's summary gets its note; views are switched, a column sorted, the full tree view
// saved and read back; a new apply reloads the open viewer; New project unloads the viewer.
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <filesystem>

#include "../comun/Muestra.h"
#include "AyudantesGui.h"
#include "cut/FormCorte.h"
#include "cut/FormVisorDatosCorte.h"
#include "cut/MapaCorteQt.h"
#include "import/SeleccionBaseDatos.h"
#include "shell/InteraccionGuionada.h"
#include "shell/MDIPrincipal.h"
#include "shell/TablaModeloQt.h"
#include "store/Database.h"
#include "store/Memoria.h"

using namespace arbelio;
using arbelio::pruebas::CapturaMensajes;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::Celda;
using arbelio::pruebas::Elegir;
using arbelio::pruebas::PulsarCelda;
using arbelio::pruebas::RutasDePrueba;

namespace {

int Columna(QTableView* g, const QString& cabecera) {
  for (int c = 0; c < g->model()->columnCount(); ++c)
    if (g->model()->headerData(c, Qt::Horizontal).toString() == cabecera) return c;
  return -1;
}

}  // namespace

class PruebaVisorCorte : public QObject {
  Q_OBJECT

 private slots:
  void visorDeDatosDelCorte() {
    CarpetaTemporal home;
    const std::string prov = pruebas::CopiaMuestra(home);
    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(1200, 800);
    w.show();
    cut::VistaCorteQt corte(w, estado);
    cut::ConectaCorte(w, estado, corte);
    cut::VistaVisorCorteQt visor(w, estado);
    cut::ConectaVisorCorte(corte, visor);
    {
      shell::InteraccionGuionada ui(estado);
      ui.archivos = {prov + "/Piesma47.dbf"};
      import::ListaProvinciasEnMemoria lista;
      QVERIFY(import::mnuAAgregarBD_Click(estado, ui, lista) ==
              import::ResultadoSeleccion::Anadida);
    }
    CapturaMensajes captura;
    captura.armar();
    w.accion("mnuCNuevoCorte")->trigger();
    cut::FormCorte* f = corte.ventana();
    QVERIFY(f != nullptr);
    QVERIFY(!f->CommandVerDatosCorte->isEnabled());
    // The plots where species 21 has at least 25 % of the basal area.
    auto& h = f->herramienta();
    h.criterios.rejillas[cut::kCriterioEspecies]->fijarFilas({{"21", ">= 25%", ""}});
    h.SSTabCriterios_Click(cut::kCriterioEspecies);
    f->pintar();
    f->CommandAplicarUno->click();
    const int parcelas = estado.ListaParcelas.numero;
    QVERIFY(!estado.ListaParcelas.vacia() && parcelas > 2);
    QVERIFY(f->CommandVerDatosCorte->isEnabled());
    QVERIFY(!f->LabelNotaResumen->isVisible());
    const QString resumenParcelas = f->LabelRNParc->text();
    const int enMapa = f->mapaCorte->mapa().parcelasCorte;
    QCOMPARE(enMapa, parcelas);

    f->CommandVerDatosCorte->click();
    cut::FormVisorDatosCorte* v = visor.ventana();
    QVERIFY(v != nullptr);
    QCOMPARE(v->windowTitle(), QString("Corte: visor de datos"));
    QCOMPARE(v->ComboTablasCorte->count(), 8);
    QCOMPARE(v->ComboTablasCorte->itemText(0), QString("Estadillo (Vista rápida)"));
    QCOMPARE(v->ComboTablasCorte->itemText(5), QString("Árboles Tipo"));
    QTableView* g = v->MSFlexGridMuestraCorte;
    QAbstractItemModelTester tester(g->model());
    QCOMPARE(g->model()->rowCount(), parcelas);
    QCOMPARE(v->LabelNRegistros->text(), QString::number(parcelas));
    QCOMPARE(g->model()->headerData(0, Qt::Horizontal).toString(), QString("PROVINCIA"));
    QCOMPARE(g->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QString("número de parcela"));
    QVERIFY(!v->CommandGuardarEstaTabla->isEnabled());
    QVERIFY(!v->CommandEliminarFila->isEnabled());
    QVERIFY(!v->CommandOrdenarColumna->isEnabled());

    // A plot: selected, asked about (Sí), gone from the cut and the grid.
    const QString plot = Celda(g, 1, 1);
    PulsarCelda(g, 1, 3);
    QVERIFY(v->CommandEliminarFila->isEnabled());
    QVERIFY(g->selectionModel()->isRowSelected(1, {}));
    v->CommandEliminarFila->click();
    QTRY_COMPARE(captura.textos.size(), 1);
    QVERIFY(captura.textos[0].contains("la PARCELA se eliminará de ESTE corte"));
    QCOMPARE(estado.ListaParcelas.numero, parcelas - 1);
    QCOMPARE(g->model()->rowCount(), parcelas - 1);
    QCOMPARE(v->LabelNRegistros->text(), QString::number(parcelas - 1));
    QVERIFY(Celda(g, 1, 1) != plot);
    // The cut tool's summary keeps the applied values and says so.
    QCOMPARE(f->LabelRNParc->text(), resumenParcelas);
    QVERIFY(!f->LabelNotaResumen->isHidden());
    QVERIFY(f->LabelNotaResumen->text().contains("tal como se aplicó"));
    // The map beside the summary is redrawn without the plot.
    QCOMPARE(f->mapaCorte->mapa().parcelasCorte, enMapa - 1);

    // The full tree view: a tree deleted, answered No first.
    Elegir(v->ComboTablasCorte, 3);
    QVERIFY(v->CommandGuardarEstaTabla->isEnabled());
    const int pies = g->model()->rowCount();
    QVERIFY(pies > 2);
    QVERIFY(g->model()->columnCount() > 4);
    PulsarCelda(g, 0, 0);
    captura.siAPreguntas = false;
    v->CommandEliminarFila->click();
    QTRY_COMPARE(captura.textos.size(), 2);
    QCOMPARE(g->model()->rowCount(), pies);
    QVERIFY(estado.PiesExcluidos.empty());
    captura.siAPreguntas = true;
    PulsarCelda(g, 0, 0);
    v->CommandEliminarFila->click();
    QTRY_COMPARE(captura.textos.size(), 3);
    QVERIFY(captura.textos[2].contains("el PIE MAYOR se eliminará de ESTE corte"));
    QCOMPARE(estado.PiesExcluidos.size(), std::size_t{1});
    QCOMPARE(g->model()->rowCount(), pies - 1);

    // The quick view of the trees does not show it either; sorting by NUMORDEN.
    Elegir(v->ComboTablasCorte, 2);
    QCOMPARE(g->model()->rowCount(), pies - 1);
    QCOMPARE(g->model()->columnCount(), 4);
    const int numorden = Columna(g, "NUMORDEN");
    QVERIFY(numorden >= 0);
    g->horizontalHeader()->sectionClicked(numorden);
    QVERIFY(v->CommandOrdenarColumna->isEnabled());
    QVERIFY(!v->CommandEliminarFila->isEnabled());
    v->CommandOrdenarColumna->click();
    for (int r = 1; r < g->model()->rowCount(); ++r)
      QVERIFY(Celda(g, r - 1, numorden).toInt() <= Celda(g, r, numorden).toInt());
    QVERIFY(g->selectionModel()->isColumnSelected(numorden, {}));

    // Saving the full tree view: every tree of the cut's plots, as the working table has them.
    Elegir(v->ComboTablasCorte, 3);
    const std::string destino = home.archivo("Piesma" + estado.SufijoTablas + ".dbf");
    captura.guardarComo = QString::fromStdString(destino);
    v->CommandGuardarEstaTabla->click();
    QTRY_COMPARE(captura.titulosArchivo.size(), 1);
    QCOMPARE(captura.titulosArchivo[0],
             QString::fromStdString("Guardar tabla Piesma" + estado.SufijoTablas + ".dbf"));
    QVERIFY(std::filesystem::exists(destino));
    {
      store::Database db = store::Database::open(home.ruta());
      const auto filas =
          db.openCursor("Piesma" + estado.SufijoTablas, store::CursorKind::Snapshot).recordCount();
      QCOMPARE(filas, static_cast<std::int64_t>(pies));
      db.close();
    }
    QCOMPARE(captura.textos.size(), 3);

    // A new apply with the viewer open: the viewer shows the view it had from the new cut (the
    // plot deleted above is back, fewer plots pass the stricter criterion).
    Elegir(v->ComboTablasCorte, 0);
    QCOMPARE(g->model()->rowCount(), parcelas - 1);
    h.criterios.rejillas[cut::kCriterioEspecies]->fijarFilas({{"21", ">= 60%", ""}});
    h.SSTabCriterios_Click(cut::kCriterioEspecies);
    f->pintar();
    f->CommandAplicarUno->click();
    const int nuevas = estado.ListaParcelas.numero;
    QVERIFY(nuevas > 0 && nuevas != parcelas - 1);
    QCOMPARE(visor.ventana(), v);
    QCOMPARE(v->ComboTablasCorte->currentIndex(), 0);
    QCOMPARE(g->model()->rowCount(), nuevas);
    QCOMPARE(v->LabelNRegistros->text(), QString::number(nuevas));
    QCOMPARE(captura.textos.size(), 3);

    // Memory kept from freed tables goes back once the window waits for the user.
    store::LiberaArea(store::ReservaArea(std::size_t{8} << 20), std::size_t{8} << 20);
    QTRY_COMPARE(store::BytesAreasLibres(), std::size_t{0});

    // New project unloads the viewer with the tool.
    w.mnuANuevoProyecto_Click();
    QTRY_VERIFY(visor.ventana() == nullptr);
    QTRY_VERIFY(corte.ventana() == nullptr);
    captura.desarmar();
  }
};

QTEST_MAIN(PruebaVisorCorte)
#include "test_visor_corte.moc"
