// The equation editor through its widgets: "&Configurar" over the sample province, the step
// messages as the user chooses, types and presses Enter or Tab, a refused formula, the values,
// Aceptar and its replace question answered from a script, a row chosen and deleted,
// "Defina conjunto", Terminar and New project.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>
#include <filesystem>

#include "AyudantesGui.h"
#include "equations/FormConfigCalculos.h"
#include "import/BaseDatosTrabajo.h"
#include "import/ListaProvincias.h"
#include "import/SeleccionBaseDatos.h"
#include "results/CalculosVentanaQt.h"
#include "shell/InteraccionGuionada.h"
#include "shell/MDIPrincipal.h"
#include "shell/TwipsQt.h"

using namespace arbelio;
using namespace arbelio::equations;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::RutasDePrueba;

namespace {

// The user picks an item of a list.
void Elegir(QComboBox* c, const QString& texto) {
  const int i = c->findText(texto);
  QVERIFY2(i >= 0, qPrintable(texto));
  c->setCurrentIndex(i);
  emit c->activated(i);
}

// The user clicks into an editable combo, replaces its text and presses a key (Enter, Tab).
void Teclear(QComboBox* c, const QString& texto, Qt::Key tecla = Qt::Key_Return) {
  c->window()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(c->window()));
  c->setFocus(Qt::MouseFocusReason);
  c->lineEdit()->selectAll();
  QTest::keyClick(c, Qt::Key_Delete);
  QTest::keyClicks(c, texto);
  QTest::keyClick(c, tecla);
}

std::vector<EcuacionUsuario> Guardadas(const EstadoAplicacion& e) {
  return CargarEcuacionesUsuario({e.rutas.BDOut, e.rutas.BDEstruct, e.SufijoTablas});
}

QString Texto(const char* s) {
  return QString::fromUtf8(s);
}

}  // namespace

class PruebaConfigCalculos : public QObject {
  Q_OBJECT

 private slots:
  void definirCambiarYBorrarEcuaciones() {
    CarpetaTemporal home;
    const std::string prov = pruebas::CopiaMuestra(home);

    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    EditorEcuacionesQt editor(w, estado);
    {
      // The province selected and the working database made, as the menus would.
      shell::InteraccionGuionada guion(estado);
      guion.archivos.push_back(prov + "/Piesma47.dbf");
      import::ListaProvinciasEnMemoria lista;
      QVERIFY(import::mnuAAgregarBD_Click(estado, guion, lista) ==
              import::ResultadoSeleccion::Anadida);
      QVERIFY(import::mnuAGenerarBDT_Click(estado, guion));
    }
    estado.VariablesUnidades[0].calcular = "SI";

    pruebas::CapturaMensajes respuestas;
    respuestas.armar();
    w.accion("mnuCálConfig")->trigger();
    FormConfigCalculos* f = editor.ventana();
    QVERIFY(f != nullptr);
    QVERIFY(f->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(f));
    QCOMPARE(f->windowTitle(), Texto("Configuración de Ecuaciones"));
    QCOMPARE(f->size(), QSize(shell::Twips(8808), shell::Twips(7408)));
    QCOMPARE(f->y(), w.geometry().y());
    QCOMPARE(f->FrameArboles->title(), Texto("Árboles"));
    QCOMPARE(f->FrameEcuaciones->title(), Texto("Ecuaciones"));
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso1));
    QCOMPARE(f->LabelContadorCalculos->text(), QString("1 / 0"));
    QVERIFY(!f->CommandAceptar->isEnabled());
    QVERIFY(!f->CommandBorrar->isEnabled());
    QVERIFY(!f->ComboParamName->isEnabled());
    // No cut: the species of the working database, in numeric order.
    QCOMPARE(f->ComboEspecie->count(), 13);
    QCOMPARE(f->ComboEspecie->itemText(0), QString("21"));
    QCOMPARE(f->ComboEspecie->itemText(12), QString("71"));
    QCOMPARE(f->ComboEspecie->currentIndex(), -1);
    QCOMPARE(f->ComboForma->itemText(0), QString("Todas"));
    QCOMPARE(f->ComboVariable->itemText(12), QString("ALTE (m)"));
    QCOMPARE(f->ComboBoxEq->count(), 11);
    const QAbstractItemModel* g = f->MSFlexGridEcuacionesUsuario->model();
    QCOMPARE(g->columnCount(), 5);
    QCOMPARE(g->headerData(4, Qt::Horizontal).toString(), Texto("Ecuación"));
    QCOMPARE(g->rowCount(), 0);
    // The run's preparation gave the code the equations are stored under.
    QCOMPARE(estado.SufijoTablas.size(), std::size_t{2});
    QVERIFY(!estado.ListaParcelas.vacia());

    // The set and the variable.
    Elegir(f->ComboEspecie, "21");
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso1));
    Elegir(f->ComboForma, "Todas");
    Elegir(f->ComboCalidad, "Todas");
    Elegir(f->ComboVariable, "VCC (dm3)");
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso6));

    // A refused formula: the check's message, error 1 in red.
    Teclear(f->ComboBoxEq, "Dn*2");
    QTRY_COMPARE(respuestas.textos.size(), 1);
    QCOMPARE(respuestas.textos[0], Texto("Error: Alguna variable mezcla mayúsculas y minúsculas"));
    QCOMPARE(respuestas.titulos[0], QString("VERDANIA"));
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajeError1));
    QVERIFY(f->LabelEstadoEq->styleSheet().contains("red"));

    // A good one, confirmed with Enter: its parameters, the focus on the value.
    Teclear(f->ComboBoxEq, "a*DN^b");
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso3));
    QVERIFY(!f->LabelEstadoEq->styleSheet().contains("red"));
    QCOMPARE(f->ComboParamName->count(), 2);
    QCOMPARE(f->ComboParamName->currentText(), QString("a"));
    QCOMPARE(f->focusWidget(), f->ComboParamValor);
    QTest::keyClicks(f->ComboParamValor, "0,05");
    QTest::keyClick(f->ComboParamValor, Qt::Key_Return);
    QCOMPARE(f->LabelEstadoEq->text(),
             Texto("Definiendo Parámetros. Parámetros definidos: 1 de 2"));
    QCOMPARE(f->ComboParamName->currentText(), QString("b"));
    QTest::keyClicks(f->ComboParamValor, "2.1");
    QTest::keyClick(f->ComboParamValor, Qt::Key_Return);
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso7));
    QVERIFY(f->CommandAceptar->isEnabled());
    QCOMPARE(f->focusWidget(), f->CommandAceptar);
    QTest::mouseClick(f->CommandAceptar, Qt::LeftButton);
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso9));
    QCOMPARE(f->LabelContadorCalculos->text(), QString("1 / 1"));
    QCOMPARE(g->rowCount(), 1);
    QCOMPARE(g->data(g->index(0, 1)).toString(), QString("Todas"));
    QCOMPARE(g->data(g->index(0, 4)).toString(), QString("a*DN^b"));
    QCOMPARE(f->MSFlexGridParametrosUsuario->model()->rowCount(), 2);
    QCOMPARE(f->MSFlexGridParametrosUsuario->model()->data(
                 f->MSFlexGridParametrosUsuario->model()->index(0, 1)),
             QVariant(QString("0,05")));
    QCOMPARE(f->focusWidget(), f->ComboVariable);
    QVERIFY(!f->CommandAceptar->isEnabled());
    auto guardadas = Guardadas(estado);
    QCOMPARE(guardadas.size(), std::size_t{1});
    QCOMPARE(guardadas[0].valores, (std::vector<double>{0.05, 2.1}));

    // The same set again, a formula without parameters confirmed by leaving the field (Tab):
    // the question, answered No, then Yes.
    Teclear(f->ComboBoxEq, "2*HT", Qt::Key_Tab);
    QCOMPARE(f->LabelEstadoEq->text(), Texto(kMensajePaso7));
    QVERIFY(f->CommandAceptar->isEnabled());
    respuestas.cola = {QMessageBox::NoRole};
    QTest::mouseClick(f->CommandAceptar, Qt::LeftButton);
    QTRY_COMPARE(respuestas.textos.size(), 2);
    QCOMPARE(respuestas.textos[1], Texto(kPreguntaModificar));
    QCOMPARE(Guardadas(estado)[0].formula, std::string("a*DN^b"));
    respuestas.cola = {QMessageBox::YesRole};
    QTest::mouseClick(f->CommandAceptar, Qt::LeftButton);
    QTRY_COMPARE(respuestas.textos.size(), 3);
    QCOMPARE(Guardadas(estado)[0].formula, std::string("2*HT"));
    QCOMPARE(g->data(g->index(0, 4)).toString(), QString("2*HT"));
    QCOMPARE(f->LabelContadorCalculos->text(), QString("1 / 1"));

    // Choosing the row loads it and enables Borrar; Borrar deletes it.
    QTableView* v = f->MSFlexGridEcuacionesUsuario;
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(g->index(0, 0)).center());
    QVERIFY(f->CommandBorrar->isEnabled());
    QCOMPARE(f->ComboBoxEq->currentText(), QString("2*HT"));
    QCOMPARE(f->ComboEspecie->currentText(), QString("21"));
    QVERIFY(v->selectionModel()->isRowSelected(0, QModelIndex()));
    QTest::mouseClick(f->CommandBorrar, Qt::LeftButton);
    QCOMPARE(g->rowCount(), 0);
    QVERIFY(Guardadas(estado).empty());
    QVERIFY(!f->CommandBorrar->isEnabled());
    QCOMPARE(f->ComboEspecie->currentIndex(), -1);
    QCOMPARE(f->focusWidget(), f->ComboEspecie);
    QCOMPARE(respuestas.textos.size(), 3);  // deleted without asking

    // Without a set: "Defina conjunto", nothing stored.
    Teclear(f->ComboBoxEq, "3*HT");
    QTest::mouseClick(f->CommandAceptar, Qt::LeftButton);
    QTRY_COMPARE(respuestas.textos.size(), 4);
    QCOMPARE(respuestas.textos[3], Texto(kDefinaConjunto));
    QVERIFY(Guardadas(estado).empty());

    // Terminar closes it; the parameter list is the placeholder again.
    QTest::mouseClick(f->CommandTerminar, Qt::LeftButton);
    QVERIFY(!f->isVisible());
    QCOMPARE(estado.ecuaciones.parametros, std::vector<std::string>{"X1"});
    respuestas.desarmar();

    // Opened again it loads afresh; New project unloads it.
    w.accion("mnuCálConfig")->trigger();
    QVERIFY(editor.ventana()->isVisible());
    QCOMPARE(editor.ventana()->LabelEstadoEq->text(), Texto(kMensajePaso1));
    w.mnuANuevoProyecto_Click();
    QVERIFY(editor.ventana() == nullptr);
  }

  // "Definir Ecuaciones" of the options dialog: the editor modal over the dialog, its species
  // those of the cut in the order the summary published them, its variables those ticked.
  void definirDesdeLasOpcionesConLasEspeciesDelCorte() {
    CarpetaTemporal home;
    const std::string prov = pruebas::CopiaMuestra(home);
    EstadoAplicacion estado;
    shell::MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    results::CalculosVentanaQt calculos(w, estado);
    EditorEcuacionesQt editor(w, estado);
    ConectaDefinirEcuaciones(calculos, editor);
    {
      shell::InteraccionGuionada guion(estado);
      guion.archivos.push_back(prov + "/Piesma47.dbf");
      import::ListaProvinciasEnMemoria lista;
      QVERIFY(import::mnuAAgregarBD_Click(estado, guion, lista) ==
              import::ResultadoSeleccion::Anadida);
    }
    // A cut whose summary met species 45 before 21.
    estado.EspeciesCorte = {45, 21};

    pruebas::CapturaMensajes respuestas;
    respuestas.armar();
    w.accion("mnuCálOpciones")->trigger();
    calc::FormOpcionesCalculos* o = calculos.opciones();
    QVERIFY(o != nullptr);
    QVERIFY(!o->CommandDefinirEcuaciones->isEnabled());  // KAV equations only
    o->Option6->click();
    QVERIFY(o->CommandDefinirEcuaciones->isEnabled());
    if (!o->Check1[0]->isChecked()) o->Check1[0]->click();  // VCC computed
    if (o->Check1[1]->isChecked()) o->Check1[1]->click();   // VSC not
    o->CommandDefinirEcuaciones->click();
    FormConfigCalculos* f = editor.ventana();
    QVERIFY(f != nullptr);
    QVERIFY(f->isVisible());
    QCOMPARE(f->parentWidget(), static_cast<QWidget*>(o));
    QCOMPARE(f->windowModality(), Qt::WindowModal);
    QCOMPARE(f->ComboEspecie->count(), 2);
    QCOMPARE(f->ComboEspecie->itemText(0), QString("45"));
    QCOMPARE(f->ComboEspecie->itemText(1), QString("21"));
    QVERIFY(EsVariableValida(estado.ecuaciones, "VCC"));
    QVERIFY(!EsVariableValida(estado.ecuaciones, "VSC"));
    respuestas.desarmar();
  }
};

QTEST_MAIN(PruebaConfigCalculos)
#include "test_config_calculos.moc"
