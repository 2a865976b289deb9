// The splash/About window and the help viewer.
#include <QImageReader>
#include <QLabel>
#include <QMdiArea>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

#include "AyudantesGui.h"
#include "shell/Ayuda.h"
#include "shell/FormAyuda.h"
#include "shell/InteraccionGuionada.h"
#include "shell/MDIPrincipal.h"
#include "state/EstadoAplicacion.h"

using namespace arbelio::shell;
using arbelio::EstadoAplicacion;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::RutasDePrueba;

class PruebaSplashAyuda : public QObject {
  Q_OBJECT

 private:
  static void Borrados() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

 private slots:
  void splashMuestraSusTextosYLaFoto() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    FormSplash* s = w.mostrarSplash();
    QVERIFY(s->isVisible());
    QCOMPARE(s->windowTitle(), QString("Acerca de..."));
    QCOMPARE(s->Label1->text(), QString("ARBELIO"));
    QCOMPARE(s->lblCompanyProduct->text(),
             QString("herramienta para manejo de bases de datos del KAV2."));
    QVERIFY(!s->LabelParticipantes->text().isEmpty());
    QVERIFY(!s->LabelRemitirerrores->text().isEmpty());
    QVERIFY(!s->Image1->pixmap().isNull());  // Images/bosque.jpg was found and read
    QVERIFY(!s->CommandAceptar->isVisible());
    QCOMPARE(s->Label1->font().family(), QString("Arial"));
  }

  void splashSeCierraConUnClicEnCualquierParte() {
    for (const char* donde : {"Label1", "Image1", "Frame3", "ventana"}) {
      CarpetaTemporal home;
      EstadoAplicacion estado;
      MDIPrincipal w(estado);
      QVERIFY(w.cargar(RutasDePrueba(home)));
      w.show();
      QPointer<FormSplash> s = w.mostrarSplash();
      QWidget* objetivo = QString(donde) == "ventana" ? static_cast<QWidget*>(s.data())
                                                      : s->findChild<QWidget*>(donde);
      QVERIFY2(objetivo, donde);
      QTest::mouseClick(objetivo, Qt::LeftButton, {}, QPoint(3, 3));
      Borrados();
      QVERIFY2(s.isNull(), donde);
      QVERIFY(estado.SplashCerrado);
    }
  }

  void splashSeCierraConUnaTeclaOConUnClicEnElFondo() {
    {
      CarpetaTemporal home;
      EstadoAplicacion estado;
      MDIPrincipal w(estado);
      QVERIFY(w.cargar(RutasDePrueba(home)));
      w.show();
      QPointer<FormSplash> s = w.mostrarSplash();
      QTest::keyClick(s.data(), Qt::Key_Space);
      Borrados();
      QVERIFY(s.isNull());
    }
    {
      CarpetaTemporal home;
      EstadoAplicacion estado;
      MDIPrincipal w(estado);
      QVERIFY(w.cargar(RutasDePrueba(home)));
      w.show();
      QPointer<FormSplash> s = w.mostrarSplash();
      QTest::mouseClick(w.areaMdi()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
      Borrados();
      QVERIFY(s.isNull());
      QVERIFY(estado.SplashCerrado);
    }
  }

  void acercaDeTieneAceptarYNoSeCierraConClics() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    w.accion("mnAyudaAcercaDe")->trigger();
    QPointer<FormSplash> s = w.splash();
    QVERIFY(s);
    QVERIFY(s->isVisible());
    QVERIFY(estado.SplashCerrado);
    QCOMPARE(s->windowTitle(), QString("Acerca de..."));
    QVERIFY(s->CommandAceptar->isVisible());
    QCOMPARE(s->CommandAceptar->text(), QString("Aceptar"));
    QTest::mouseClick(s->Label1, Qt::LeftButton);
    QTest::mouseClick(s.data(), Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(w.areaMdi()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    QTest::keyClick(s.data(), Qt::Key_A);
    Borrados();
    QVERIFY(s);
    QVERIFY(s->isVisible());
    QTest::mouseClick(s->CommandAceptar, Qt::LeftButton);
    Borrados();
    QVERIFY(s.isNull());
  }

  void acercaDeDespuesDeCerrarElSplashLoVuelveACargar() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    w.mostrarSplash()->close();
    Borrados();
    w.accion("mnAyudaAcercaDe")->trigger();
    QVERIFY(w.splash());
    QVERIFY(w.splash()->CommandAceptar->isVisible());
  }

  void ayudaAbreLaPaginaDeCadaContexto() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.accion("mnuAyudaContenido")->trigger();
    FormAyuda* ayuda = nullptr;
    for (QWidget* v : QApplication::topLevelWidgets())
      if (v->objectName() == "FormAyuda" && v->isVisible()) ayuda = qobject_cast<FormAyuda*>(v);
    QVERIFY(ayuda);
    QVERIFY(ayuda->parentWidget() == nullptr);  // no owner window
    QVERIFY(ayuda->TextoAyuda->source().toLocalFile().endsWith("/help/contenido.html"));
    QVERIFY(ayuda->TextoAyuda->toPlainText().contains("Flujo de trabajo"));

    InteraccionGuionada ui(estado);
    FormAyuda* otra = MostrarAyuda(kAyudaOpcionesCalculo, estado.rutas, ui);
    QCOMPARE(otra, ayuda);  // the open viewer is reused
    QVERIFY(ayuda->TextoAyuda->source().toLocalFile().endsWith("/help/opciones-calculo.html"));
    QVERIFY(ayuda->TextoAyuda->toPlainText().contains("Método de cálculo"));
    MostrarAyuda(kAyudaEcuaciones, estado.rutas, ui);
    QVERIFY(ayuda->TextoAyuda->source().toLocalFile().endsWith("/help/ecuaciones.html"));
    QVERIFY(ayuda->TextoAyuda->toPlainText().contains("Sintaxis de una ecuación"));
    QVERIFY(ui.mensajes.empty());

    // The formula pictures of the pages come from the Images folder beside help.
    ayuda->TextoAyuda->setSource(
        QUrl::fromLocalFile(QString::fromStdString(estado.rutas.Ayuda + "/formulas.html")));
    const QVariant imagen =
        ayuda->TextoAyuda->loadResource(QTextDocument::ImageResource, QUrl("../Images/hart1.GIF"));
    QImage leida;
    QVERIFY(leida.loadFromData(imagen.toByteArray()));
    QCOMPARE(leida.size(),
             QImage(QString::fromStdString(estado.rutas.Images + "/hart1.GIF")).size());
    ayuda->close();
  }

  void ayudaSinInstalarLoDiceSinAbrirNada() {
    CarpetaTemporal vacia;
    EstadoAplicacion estado;
    RutasPrograma rutas = ConstruirRutas({vacia.ruta(), std::nullopt, std::nullopt});
    InteraccionGuionada ui(estado);
    QVERIFY(MostrarAyuda(kAyudaPrincipal, rutas, ui) == nullptr);
    QCOMPARE(ui.mensajes.size(), size_t(1));
    QVERIFY(QString::fromStdString(ui.mensajes[0].texto)
                .contains(QString::fromStdString(rutas.Ayuda + "/contenido.html")));
  }

  void lasPaginasDeAyudaEnlazanPaginasEImagenesQueExisten() {
    const QDir ayuda(QStringLiteral(ARBELIO_PROGRAM_DIR "/help"));
    const QStringList paginas = ayuda.entryList({"*.html"});
    QVERIFY(paginas.size() >= 6);
    QRegularExpression enlace(R"re((?:href|src)="([^"#]+)(?:#[^"]*)?")re");
    for (const QString& p : paginas) {
      QFile f(ayuda.filePath(p));
      QVERIFY(f.open(QIODevice::ReadOnly));
      const QString html = QString::fromUtf8(f.readAll());
      auto it = enlace.globalMatch(html);
      while (it.hasNext()) {
        const QString destino = it.next().captured(1);
        QVERIFY2(QFileInfo::exists(ayuda.filePath(destino)), qPrintable(p + " enlaza " + destino));
      }
    }
  }

  void lasImagenesSeLeenConElLectorDeQt() {
    for (const char* nombre : {"bosque.jpg", "FlechaADcha.GIF", "FlechaAbajo.GIF", "hart1.GIF",
                               "hart2.GIF", "REIN1.GIF", "beta.GIF"}) {
      const QString ruta = QStringLiteral(ARBELIO_PROGRAM_DIR "/Images/") + nombre;
      QImageReader lector(ruta);
      QVERIFY2(lector.canRead(), nombre);
      if (QString(nombre).endsWith(".GIF")) QCOMPARE(lector.format(), QByteArray("gif"));
      QVERIFY2(!QPixmap(ruta).isNull(), nombre);
    }
  }
};

QTEST_MAIN(PruebaSplashAyuda)
#include "test_splash_ayuda.moc"
