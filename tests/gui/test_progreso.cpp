// The progress dialog driven through InteraccionQt: protocol, placement, Cancelar, and the
// input that is refused while an operation runs.
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "AyudantesGui.h"
#include "shell/MDIPrincipal.h"
#include "shell/Progreso.h"
#include "shell/TwipsQt.h"
#include "state/EstadoAplicacion.h"

using namespace arbelio::shell;
using arbelio::EstadoAplicacion;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::RutasDePrueba;

class PruebaProgreso : public QObject {
  Q_OBJECT

 private slots:
  void protocoloEnLaVentana() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    InteraccionQt& ui = w.interaccion();
    {
      Progreso p(ui, "Creando tabla 'Datdef47'", "Construyendo la tabla resumen...", true);
      FormInfoProgreso* f = ui.progreso();
      QVERIFY(f->isVisible());
      QCOMPARE(f->windowTitle(), QString("Creando tabla 'Datdef47'"));
      QCOMPARE(f->LabelInfoProgreso->text(), QString("Construyendo la tabla resumen..."));
      QCOMPARE(f->LabelProgresoFixed->text(), QString("Progreso:"));
      QVERIFY(f->LabelProgresoFixed->isVisible());
      QVERIFY(f->LabelZ->isVisible());
      QVERIFY(f->LabelZ->text().isEmpty());
      QVERIFY(!f->LabelqueCalculos->isVisible());
      QVERIFY(f->CommandCancelar->isVisible());
      QCOMPARE(f->CommandCancelar->text(), QString("Cancelar"));
      QCOMPARE(f->ProgressBar1->minimum(), 0);
      QCOMPARE(f->ProgressBar1->maximum(), 100);
      QCOMPARE(f->ProgressBar1->value(), 0);
      QVERIFY(QApplication::overrideCursor() != nullptr);
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      QVERIFY(p.avanzar(1, 250, "Parcela 1/1300.   (0%)"));
      QCOMPARE(f->LabelZ->text(), QString("Parcela 1/1300.   (0%)"));
      QVERIFY(p.avanzar(125, 250, "Parcela 700/1300.   (50%)"));
      QCOMPARE(f->ProgressBar1->value(), 50);
      ui.progresoCalculos("cálculos de parcela");
      QVERIFY(f->LabelqueCalculos->isVisible());
      QCOMPARE(f->LabelqueCalculos->text(), QString("cálculos de parcela"));
      ui.progresoEtiquetas(false, false, false);
      QVERIFY(!f->LabelProgresoFixed->isVisible());
      QVERIFY(!f->LabelZ->isVisible());
      QVERIFY(!p.terminar());
      QVERIFY(!f->isVisible());
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  // A long explanation is shown whole: the dialog keeps its width and grows in height, and the
  // text wraps at word boundaries.
  void explicacionLargaCabeEntera() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    const std::string explicacion =
        "Por favor, espere unos minutos. Se está generando una tabla de base de datos a partir "
        "de la original 'Datest', añadiendo datos de huso UTM, número de pies mayores, pies "
        "menores,...  de cada parcela.\nEste proceso solo se necesita una vez para cada "
        "provincia si al finalizar guarda esta tabla con las originales.";
    // Three times the builder's explanation: more than the design's height holds.
    Progreso p(w.interaccion(), "Creando tabla 'Datdef47'.",
               explicacion + "\n" + explicacion + "\n" + explicacion, true,
               PosicionProgreso::Centrado);
    FormInfoProgreso* f = w.interaccion().progreso();
    QCoreApplication::processEvents();
    QLabel* l = f->LabelInfoProgreso;
    QCOMPARE(f->width(), Twips(FormInfoProgreso::kAnchoTwips));
    QVERIFY(f->height() >= Twips(FormInfoProgreso::kAltoTwips));
    QVERIFY2(l->height() >= l->heightForWidth(l->width()),
             qPrintable(QString("%1 < %2").arg(l->height()).arg(l->heightForWidth(l->width()))));
    // Below the text: the position line, the bar and Cancelar, all inside the dialog.
    QVERIFY(f->ProgressBar1->geometry().top() >= l->geometry().bottom());
    QVERIFY(f->CommandCancelar->geometry().bottom() <= f->height());
    // A short explanation gives the design's height back.
    p.explicacion("Creando Índices");
    QCOMPARE(f->height(), Twips(FormInfoProgreso::kAltoTwips));
  }

  void sinCancelarElBotonNoSeVe() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    Progreso p(w.interaccion(), "Generando base de datos de trabajo...", "", false,
               PosicionProgreso::Centrado);
    QVERIFY(!w.interaccion().progreso()->CommandCancelar->isVisible());
  }

  void cancelarPoneLaBanderaYLaOperacionParaYLaLimpia() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    Progreso p(w.interaccion(), "Progreso de cálculos", "Calculando...", true);
    FormInfoProgreso* f = w.interaccion().progreso();
    QVERIFY(p.avanzar(1, 10, "1"));
    QTest::mouseClick(f->CommandCancelar, Qt::LeftButton);
    QVERIFY(estado.CalculoCancelado);
    QVERIFY(f->isVisible());  // Cancelar only sets the flag
    QVERIFY(!p.avanzar(2, 10, "2"));
    QCOMPARE(f->ProgressBar1->value(), 10);  // not advanced after the cancel
    QVERIFY(p.terminar());
    QVERIFY(!estado.CalculoCancelado);
    QVERIFY(!f->isVisible());
  }

  void colocacionArribaDerechaYCentrada() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.setGeometry(100, 50, 1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    InteraccionQt& ui = w.interaccion();
    ui.mostrarProgreso("a", "", true, PosicionProgreso::ArribaDerecha);
    FormInfoProgreso* f = ui.progreso();
    QCOMPARE(f->size(), QSize(420, 182));  // 6300 x 2730 twips
    const QRect m = w.frameGeometry();
    QCOMPARE(f->frameGeometry().top(), m.top());
    QCOMPARE(f->frameGeometry().right(), m.right());
    ui.ocultarProgreso();
    ui.mostrarProgreso("b", "", true, PosicionProgreso::Centrado);
    QCOMPARE(f->frameGeometry().left(), m.left() + (m.width() - f->frameGeometry().width()) / 2);
    QCOMPARE(f->frameGeometry().top(),
             m.top() + (m.height() - f->frameGeometry().height()) / 2 - 67);  // 1000 twips
    ui.ocultarProgreso();
  }

  void duranteLaOperacionSoloRespondeCancelar() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    auto* boton = new QPushButton("otra cosa");
    w.areaMdi()->addSubWindow(boton)->show();
    QSignalSpy pulsado(boton, &QPushButton::clicked);
    InteraccionQt& ui = w.interaccion();
    ui.mostrarProgreso("op", "", true, PosicionProgreso::ArribaDerecha);
    QTest::mouseClick(boton, Qt::LeftButton);
    QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(pulsado.count(), 0);
    QTest::mouseClick(ui.progreso()->CommandCancelar, Qt::LeftButton);
    QVERIFY(estado.CalculoCancelado);
    ui.ocultarProgreso();
    QTest::mouseClick(boton, Qt::LeftButton);
    QCOMPARE(pulsado.count(), 1);
  }

  void cerrarElDialogoNoCancelaNiLoCierra() {
    EstadoAplicacion estado;
    FormInfoProgreso f(estado.CalculoCancelado, nullptr);
    f.show();
    f.close();
    QVERIFY(f.isVisible());
    QVERIFY(!estado.CalculoCancelado);
  }

  void filtroDeDialogoDeArchivos() {
    QCOMPARE(InteraccionQt::FiltroQt("Tablas dBASE (*.dbf)|*.dbf|Todos (*.*)|*.*"),
             QString("Tablas dBASE (*.dbf);;Todos (*.*)"));
    QCOMPARE(InteraccionQt::FiltroQt("Tablas|*.dbf;*.DBF"), QString("Tablas (*.dbf *.DBF)"));
    QCOMPARE(InteraccionQt::FiltroQt(""), QString());
  }
};

QTEST_MAIN(PruebaProgreso)
#include "test_progreso.moc"
