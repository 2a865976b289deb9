// The dialog "Opciones de cálculo" through its widgets: the first load, the cascade of the
// table boxes and "Todo", the method and Reineke options, the typing checks (red text, buttons
// disabled), Aceptar / Cancelar / Calcular, "Definir Ecuaciones" without and with an editor,
// the formula pictures, and the controls kept between openings.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>

#include "AyudantesGui.h"
#include "calc/FormOpcionesCalculos.h"
#include "shell/FormAyuda.h"
#include "shell/InteraccionGuionada.h"

using namespace arbelio;
using arbelio::calc::FormOpcionesCalculos;

namespace {

// Ticked boxes of CheckTabla, as their indexes.
QString Marcadas(const FormOpcionesCalculos& f) {
  QString r;
  for (int k = 0; k < 9; ++k)
    if (f.CheckTabla[static_cast<std::size_t>(k)]->isChecked()) r += QString::number(k);
  return r;
}

bool Rojo(const QLineEdit* caja) {
  return caja->styleSheet().contains("color: red");
}

void Escribir(QLineEdit* caja, const QString& texto) {
  caja->setFocus();
  caja->selectAll();
  QTest::keyClick(caja, Qt::Key_Backspace);
  QTest::keyClicks(caja, texto);
}

}  // namespace

class PruebaOpcionesCalculos : public QObject {
  Q_OBJECT

 private slots:
  void primeraCargaYCascada() {
    EstadoAplicacion estado;
    estado.rutas.Images = std::string(ARBELIO_PROGRAM_DIR) + "/Images";
    shell::InteraccionGuionada ui(estado);
    FormOpcionesCalculos f(estado, ui);
    f.mostrar();
    QVERIFY(f.isVisible());
    QCOMPARE(f.windowTitle(), QString("Opciones de cálculo"));
    QCOMPARE(f.SSTab1->count(), 2);
    QCOMPARE(f.SSTab1->tabText(0), QString("General"));
    QCOMPARE(f.SSTab1->tabText(1), QString("Ecuaciones de cubicación"));
    QCOMPARE(f.CheckTabla[7]->text(), QString("Clases diam. por especie, por parcela"));
    QCOMPARE(f.CheckTabla[2]->toolTip(), QString("datos medios por especie del corte"));
    QCOMPARE(f.Check1[2]->text(), QString("IAVC      (Incremento Anual del Volumen con Corteza)"));

    // First load: AIndiv, Parcel and Totals; options 1, 3, 5; the four volumes; width "5".
    QCOMPARE(Marcadas(f), QString("018"));
    QVERIFY(f.Option1->isChecked() && f.Option3->isChecked() && f.Option5->isChecked());
    for (int i : {0, 1, 2, 3}) QVERIFY(f.Check1[static_cast<std::size_t>(i)]->isChecked());
    QVERIFY(!f.Check1[6]->isChecked() && !f.Check1[7]->isChecked());
    QCOMPARE(f.TextAnchoClaseDiametrica->text(), QString("5"));
    QCOMPARE(f.TextBetaReineke->text(), QString());
    QVERIFY(!f.TextBetaReineke->isEnabled());

    // The four formula pictures are installed and shown.
    for (const char* nombre : {"hart1.GIF", "hart2.GIF", "REIN1.GIF", "beta.GIF"}) {
      auto* l = f.findChild<QLabel*>(QStringLiteral("Imagen_") + nombre);
      QVERIFY2(l != nullptr, nombre);
      QVERIFY2(!l->pixmap().isNull(), nombre);
    }

    // Ticking "Especie" ticks Parcela, Totales and Especies por parcela; clearing "Parcela"
    // clears Totales, Especie and Clase Diamétrica; "Árbol individual" cannot be cleared.
    f.CheckTabla[2]->click();
    QCOMPARE(Marcadas(f), QString("01248"));
    f.CheckTabla[3]->click();
    QCOMPARE(Marcadas(f), QString("0123458"));
    f.CheckTabla[1]->click();
    QCOMPARE(Marcadas(f), QString("045"));
    f.CheckTabla[0]->click();
    QCOMPARE(Marcadas(f), QString("045"));
    f.CheckTodasTablas->click();
    QCOMPARE(Marcadas(f), QString("012345678"));
    f.CheckTodasTablas->click();
    QCOMPARE(Marcadas(f), QString("018"));

    // Method: KAV only disables "Definir Ecuaciones"; user only disables the variables. With no
    // equation editor in this version the button stays disabled and says why.
    QVERIFY(!f.CommandDefinirEcuaciones->isEnabled());
    QVERIFY(!f.CommandDefinirEcuaciones->toolTip().isEmpty());
    f.SSTab1->setCurrentIndex(1);
    f.Option7->click();
    QVERIFY(!f.Check1[0]->isEnabled() && !f.Check1[6]->isEnabled());
    QVERIFY(!f.CommandDefinirEcuaciones->isEnabled());
    int editor = 0;
    f.fijarEditorEcuaciones([&] { ++editor; });
    QVERIFY(f.CommandDefinirEcuaciones->isEnabled());
    QVERIFY(f.CommandDefinirEcuaciones->toolTip().isEmpty());
    f.CommandDefinirEcuaciones->click();
    QCOMPARE(editor, 1);
    f.Option5->click();
    QVERIFY(!f.CommandDefinirEcuaciones->isEnabled());
    QVERIFY(f.Check1[0]->isEnabled());
  }

  // "Ayuda" and F1 open the options' own help page, which is installed.
  void ayudaDelDialogo() {
    EstadoAplicacion estado;
    estado.rutas.Ayuda = std::string(ARBELIO_PROGRAM_DIR) + "/help";
    estado.rutas.Images = std::string(ARBELIO_PROGRAM_DIR) + "/Images";
    shell::InteraccionGuionada ui(estado);
    FormOpcionesCalculos f(estado, ui);
    f.mostrar();
    const auto pagina = [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<shell::FormAyuda*>(w); a && a->isVisible())
          return a->TextoAyuda->source().toLocalFile();
      return QString();
    };
    f.CommandAyuda->click();
    QVERIFY2(pagina().endsWith("/help/opciones-calculo.html"), qPrintable(pagina()));
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<shell::FormAyuda*>(w)) w->close();
    QVERIFY(pagina().isEmpty());
    QAction* f1 = nullptr;
    for (QAction* a : f.actions())
      if (a->shortcut() == QKeySequence(QKeySequence::HelpContents)) f1 = a;
    QVERIFY(f1 != nullptr);
    QCOMPARE(f1->shortcutContext(), Qt::WindowShortcut);
    f1->trigger();
    QVERIFY2(pagina().endsWith("/help/opciones-calculo.html"), qPrintable(pagina()));
    QVERIFY(ui.mensajes.empty());
  }

  void comprobacionesAlEscribirYAceptar() {
    EstadoAplicacion estado;
    shell::InteraccionGuionada ui(estado);
    FormOpcionesCalculos f(estado, ui);
    f.mostrar();

    // A width of zero, a negative one, letters: red text, Aceptar and Calcular disabled.
    for (const QString& malo : {QString("0"), QString("-2"), QString("2x"), QString("0,04")}) {
      Escribir(f.TextAnchoClaseDiametrica, malo);
      QVERIFY2(Rojo(f.TextAnchoClaseDiametrica), qPrintable(malo));
      QVERIFY(!f.CommandOpcionesCalculosAceptar->isEnabled());
      QVERIFY(!f.CommandCalcular->isEnabled());
    }
    Escribir(f.TextAnchoClaseDiametrica, "2,5");
    QVERIFY(!Rojo(f.TextAnchoClaseDiametrica));
    QVERIFY(f.CommandOpcionesCalculosAceptar->isEnabled());

    // Reineke: the typed exponent counts with option 4 only; "-" alone is the start of a
    // negative number.
    f.Option4->click();
    QVERIFY(f.TextBetaReineke->isEnabled());
    Escribir(f.TextBetaReineke, "-");
    QVERIFY(!Rojo(f.TextBetaReineke));
    QVERIFY(f.CommandCalcular->isEnabled());
    Escribir(f.TextBetaReineke, "-1,7a");
    QVERIFY(Rojo(f.TextBetaReineke));
    QVERIFY(!f.CommandCalcular->isEnabled());
    Escribir(f.TextBetaReineke, "-1,7");
    f.Option2->click();
    f.CheckTabla[5]->click();
    f.Check1[1]->click();  // VSC cleared
    f.Check1[7]->click();  // IDCH ticked

    // Cancelar keeps the options as they were.
    f.CommandOpcionesCalculosCancelar->click();
    QVERIFY(!f.isVisible());
    QCOMPARE(estado.opciones.AnchoClase, 5.0f);
    QCOMPARE(estado.opciones.BetaReineke, -1.605);

    // Shown again: the controls as they were left; Aceptar stores them.
    f.mostrar();
    QCOMPARE(f.TextAnchoClaseDiametrica->text(), QString("2,5"));
    QVERIFY(f.Option4->isChecked());
    QCOMPARE(Marcadas(f), QString("0158"));
    f.CommandOpcionesCalculosAceptar->click();
    QVERIFY(!f.isVisible());
    QCOMPARE(estado.opciones.AnchoClase, 2.5f);
    QCOMPARE(estado.opciones.BetaReineke, -1.7);
    QCOMPARE(estado.opciones.TipoHart, std::int16_t{2});
    QVERIFY(estado.opciones.TablasCalcular[5]);
    QVERIFY(!estado.opciones.TablasCalcular[2]);
    QCOMPARE(QString::fromStdString(estado.VariablesUnidades[1].calcular), QString("NO"));
    QCOMPARE(QString::fromStdString(estado.VariablesUnidades[0].calcular), QString("SI"));
    QVERIFY(estado.opciones.CalcularIDCH && !estado.opciones.CalcularSDCH);

    // Calcular stores, hides the dialog, then starts the run; the title bar's close button is
    // Cancelar.
    int ejecuciones = 0;
    bool ocultoAlCalcular = false;
    f.fijarCalcular([&] {
      ++ejecuciones;
      ocultoAlCalcular = !f.isVisible();
    });
    f.mostrar();
    f.Option3->click();
    f.CommandCalcular->click();
    QCOMPARE(ejecuciones, 1);
    QVERIFY(ocultoAlCalcular);
    QCOMPARE(estado.opciones.BetaReineke, -1.605);
    f.mostrar();
    f.close();
    QVERIFY(!f.isVisible());
    QCOMPARE(ejecuciones, 1);
    QVERIFY(ui.mensajes.empty());
  }
};

QTEST_MAIN(PruebaOpcionesCalculos)
#include "test_opciones_calculos.moc"
