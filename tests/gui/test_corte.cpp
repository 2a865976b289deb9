// The cut tool window over the bundled sample province: "&Corte..." generates the working
// database and opens the window; a species criterion entered through its tab is applied; the
// summary labels show the cut; a red typed threshold refuses its own row and disables nothing
// else; the pop-up "Eliminar fila" removes a criterion row; closing and New project unload it.
#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <filesystem>
#include <set>

#include "../comun/Muestra.h"
#include "AyudantesGui.h"
#include "cut/FormCorte.h"
#include "cut/MapaCorteQt.h"
#include "import/SeleccionBaseDatos.h"
#include "shell/InteraccionGuionada.h"
#include "shell/MDIPrincipal.h"
#include "store/Database.h"

using namespace arbelio;
using arbelio::pruebas::CapturaMensajes;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::Celda;
using arbelio::pruebas::Elegir;
using arbelio::pruebas::RutasDePrueba;

namespace {

int Indice(QComboBox* c, const QString& texto) {
  return c->findText(texto);
}

// Plots of ESPECI00 where species 21 has at least 25 % of the basal area, and their large
// trees from DATDEF00, counted here without the cut's code.
std::pair<std::int64_t, std::int64_t> CorteEsperado(const std::string& temp) {
  store::OpenOptions o;
  o.readOnly = true;
  store::Database db = store::Database::open(temp, o);
  std::set<std::pair<double, double>> parcelas;
  for (store::Cursor c = db.openCursor("ESPECI00", store::CursorKind::Snapshot); !c.eof();
       c.moveNext()) {
    if (c.value("ESPECIE").toString() == "21" && c.value("PORCENAB").toDouble() >= 25)
      parcelas.insert({c.value("PROVINCIA").toDouble(), c.value("ESTADILLO").toDouble()});
  }
  std::int64_t pies = 0;
  for (store::Cursor c = db.openCursor("DATDEF00", store::CursorKind::Snapshot); !c.eof();
       c.moveNext()) {
    if (parcelas.count({c.value("PROVINCIA").toDouble(), c.value("ESTADILLO").toDouble()}))
      pies += c.value("NUMPMA").toInt32();
  }
  return {static_cast<std::int64_t>(parcelas.size()), pies};
}

}  // namespace

class PruebaCorte : public QObject {
  Q_OBJECT

 private slots:
  void herramientaDeCorte() {
    CarpetaTemporal home;
    const std::string prov = pruebas::CopiaMuestra(home);

    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(1200, 800);
    w.show();
    cut::VistaCorteQt vista(w, estado);
    cut::ConectaCorte(w, estado, vista);

    // The province selected through the core (its questions answered No).
    {
      shell::InteraccionGuionada ui(estado);
      ui.archivos = {prov + "/Piesma47.dbf"};
      import::ListaProvinciasEnMemoria lista;
      QVERIFY(import::mnuAAgregarBD_Click(estado, ui, lista) ==
              import::ResultadoSeleccion::Anadida);
    }
    QVERIFY(w.accion("mnuCNuevoCorte")->isEnabled());
    QVERIFY(!w.accion("mnuAGuardarCorte")->isEnabled());

    CapturaMensajes captura;
    captura.armar();
    w.accion("mnuCNuevoCorte")->trigger();
    QVERIFY(std::filesystem::exists(estado.rutas.BDTemp + "/DatDef00.dbf"));
    cut::FormCorte* f = vista.ventana();
    QVERIFY(f != nullptr);
    QVERIFY(estado.CorteAbierto);
    QCOMPARE(f->windowTitle(), QString("Herramienta de Corte"));
    QCOMPARE(w.areaMdi()->subWindowList().size(), 1);
    QCOMPARE(f->SSTabCriterios->count(), 6);
    QCOMPARE(f->SSTabCriterios->tabText(1), QString("Var. Masa"));
    QCOMPARE(f->SSTabCriterios->tabText(5), QString("Informe"));
    QCOMPARE(f->LabelSolapaActiva->text(), QString("(Especies)"));
    QCOMPARE(f->LabelCriterio[1]->text(), QString("Masa"));
    QVERIFY(f->OptionAplicarUno->isChecked());
    QVERIFY(f->CommandAplicarUno->isEnabled());
    QVERIFY(!f->CommandAplicarVarios->isEnabled());
    QVERIFY(!f->CheckCriterio[0]->isEnabled());
    QVERIFY(f->ComboEspeciesPresentes->count() > 0);
    QCOMPARE(f->ComboMunProvincias->toolTip(),
             QString("Código KAV de provincia (igual al código postal)"));

    QTableView* especies = f->rejillas[cut::kCriterioEspecies];
    QCOMPARE(especies->objectName(), QString("MSFlexGridEspecies"));
    QAbstractItemModelTester tester(especies->model());
    QCOMPARE(especies->model()->rowCount(), 19);
    QCOMPARE(especies->model()->headerData(2, Qt::Horizontal).toString(), QString("Nº PM"));

    // A species criterion entered through its tab: 21, AB >= 25 %.
    const int i21 = Indice(f->ComboEspeciesPresentes, "21 (Pinus sylvestris)");
    QVERIFY(i21 >= 0);
    Elegir(f->ComboEspeciesPresentes, i21);
    Elegir(f->ComboMayorMenor, Indice(f->ComboMayorMenor, ">="));
    Elegir(f->ComboUmbralAB, Indice(f->ComboUmbralAB, "25%"));
    f->CommandOKEspecies->click();
    QCOMPARE(Celda(especies, 0, 0), QString("21"));
    QCOMPARE(Celda(especies, 0, 1), QString(">= 25%"));
    QCOMPARE(Celda(especies, 0, 2), QString(""));
    QVERIFY(f->CheckCriterio[0]->isChecked());
    QCOMPARE(f->ComboUmbralAB->currentText(), QString(""));
    QCOMPARE(f->ComboMayorMenor->currentText(), QString(">"));

    // Applied: the summary frame shows the cut.
    f->CommandAplicarUno->click();
    const auto [parcelas, pies] = CorteEsperado(estado.rutas.BDTemp);
    QVERIFY(parcelas > 0);
    QCOMPARE(f->LabelRNParc->text(), QString::number(parcelas));
    QCOMPARE(f->LabelRNPM->text(), QString::number(pies));
    QVERIFY(f->LabelRNParc->isEnabled());
    QCOMPARE(f->ListEspeciesdistintas->count(), f->LabelRNEsp->text().toInt());
    QVERIFY(f->ListEspeciesdistintas->item(0)->text().contains(" ("));
    QCOMPARE(f->LabelRNPcero->text(), QString(""));
    QVERIFY(!f->Label29->isEnabled());
    QVERIFY(f->TextInforme->toPlainText().contains("* Especie:"));
    QVERIFY(f->TextInforme->isReadOnly());
    QVERIFY(w.accion("mnuAGuardarCorte")->isEnabled());
    // No data viewer connected: "Mostrar corte" stays disabled and says why.
    QVERIFY(!f->CommandVerDatosCorte->isEnabled());
    QVERIFY(!f->CommandVerDatosCorte->toolTip().isEmpty());
    QCOMPARE(estado.ListaParcelas.numero, parcelas);
    QVERIFY(captura.textos.isEmpty());

    // The map beside the summary: the sample lies in one UTM zone; the cut's plots are coloured
    // by dominant species (21 among them), every plot of the sample is placed.
    cut::PanelMapaCorteQt* mapa = f->mapaCorte;
    QVERIFY(mapa->isVisible());
    QVERIFY(!mapa->vacio());
    QCOMPARE(mapa->mapa().paneles.size(), std::size_t{1});
    QCOMPARE(mapa->mapa().parcelasCorte, static_cast<std::int32_t>(parcelas));
    QVERIFY(mapa->mapa().leyenda.size() >= 2);
    bool con21 = false;
    for (const auto& e : mapa->mapa().leyenda) con21 = con21 || e.especie == 21;
    QVERIFY(con21);
    QVERIFY(mapa->CommandGuardarMapa->isEnabled());
    {
      // What the panel shows is the core's drawing: species colours are on screen.
      const QImage pantalla = mapa->lienzo->grab().toImage();
      const auto c = mapa->mapa().leyenda.front().color;
      int pixeles = 0;
      for (int y = 0; y < pantalla.height(); ++y)
        for (int x = 0; x < pantalla.width(); ++x)
          pixeles += pantalla.pixelColor(x, y) == QColor(c.r, c.g, c.b);
      QVERIFY(pixeles > 10);
    }
    // "Guardar mapa..." writes the PNG.
    captura.guardarComo = QString::fromStdString(home.archivo("mapa.png"));
    mapa->CommandGuardarMapa->click();
    QVERIFY(QImage(QString::fromStdString(home.archivo("mapa.png"))).width() == cut::kAnchoMapa);
    QVERIFY(captura.textos.isEmpty());

    // A red typed threshold: its OK refuses the row, and nothing else is disabled.
    f->SSTabCriterios->setCurrentIndex(cut::kCriterioMasa);
    QCOMPARE(f->LabelSolapaActiva->text(), QString("(Var. Masa)"));
    f->ComboVarMasaAB->lineEdit()->clear();
    QTest::keyClicks(f->ComboVarMasaAB->lineEdit(), "12.5");
    QVERIFY(f->ComboVarMasaAB->lineEdit()->styleSheet().contains("255, 0, 0"));
    QVERIFY(f->herramienta().ComboVarMasaAB.rojo);
    QVERIFY(f->CommandOKMasa->isEnabled());
    f->CommandOKMasa->click();
    QCOMPARE(Celda(f->rejillas[cut::kCriterioMasa], 0, 0), QString(""));
    QVERIFY(f->CommandAplicarUno->isEnabled());
    QVERIFY(f->LabelRNParc->isEnabled());
    QVERIFY(f->ComboVarMasaPM->isEnabled());
    QVERIFY(w.accion("mnuAGuardarCorte")->isEnabled());
    // Choosing from the list turns it black; the row is written.
    Elegir(f->ComboVarMasaAB, Indice(f->ComboVarMasaAB, "20"));
    QVERIFY(!f->ComboVarMasaAB->lineEdit()->styleSheet().contains("255, 0, 0"));
    f->CommandOKMasa->click();
    QCOMPARE(Celda(f->rejillas[cut::kCriterioMasa], 0, 0), QString("> 20"));
    QVERIFY(!f->LabelRNParc->isEnabled());  // a criterion changed: the summary greys out

    // Several criteria: the options and boxes become usable.
    f->OptionAplicarVarios->click();
    QVERIFY(f->CommandAplicarVarios->isEnabled());
    QVERIFY(!f->CommandAplicarUno->isEnabled());
    QVERIFY(f->CheckCriterio[1]->isEnabled());
    QVERIFY(f->CheckCriterio[1]->isChecked());

    // The pop-up over a criterion row.
    f->SSTabCriterios->setCurrentIndex(cut::kCriterioEspecies);
    const QRect celda = especies->visualRect(especies->model()->index(0, 0));
    QTest::mouseClick(especies->viewport(), Qt::RightButton, {}, celda.center());
    QMenu* menu = w.menuEmergente();
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(w.accion("mnuPU2EliminarFila")->isVisible());
    QVERIFY(!w.accion("mnuPU2OrdenarPorColumna")->isVisible());
    w.accion("mnuPU2EliminarFila")->trigger();
    menu->hide();
    QCOMPARE(Celda(especies, 0, 0), QString(""));
    QCOMPARE(especies->model()->rowCount(), 19);
    QVERIFY(!f->CheckCriterio[0]->isChecked());

    // Closing the window unloads the tool; "&Corte..." loads it again; New project unloads it.
    f->parentWidget()->close();
    QTRY_VERIFY(vista.ventana() == nullptr);
    QVERIFY(!estado.CorteAbierto);
    w.accion("mnuCNuevoCorte")->trigger();
    QVERIFY(vista.ventana() != nullptr);
    QVERIFY(estado.CorteAbierto);
    w.mnuANuevoProyecto_Click();
    QTRY_VERIFY(vista.ventana() == nullptr);
    QCOMPARE(w.areaMdi()->subWindowList().size(), 0);
    captura.desarmar();
    QVERIFY(captura.textos.isEmpty());
  }
};

QTEST_MAIN(PruebaCorte)
#include "test_corte.moc"
