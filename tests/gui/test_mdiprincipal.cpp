// The main window: start-up state of the menus, captions and shortcuts, entries not built yet,
// New project, the Ventana entries and a workspace that cannot be created.
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "AyudantesGui.h"
#include "shell/MDIPrincipal.h"
#include "shell/Progreso.h"
#include "shell/TraduccionesQt.h"
#include "state/EstadoAplicacion.h"

using namespace arbelio::shell;
using arbelio::EstadoAplicacion;
using arbelio::pruebas::CapturaMensajes;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::pruebas::RutasDePrueba;

class PruebaMDIPrincipal : public QObject {
  Q_OBJECT

 private:
  // Top-level captions of the menu bar that can be seen.
  static QStringList MenusVisibles(MDIPrincipal& w) {
    QStringList r;
    for (QAction* a : w.menuBar()->actions())
      if (a->isVisible()) r << a->text();
    return r;
  }

  QMdiSubWindow* NuevaHija(MDIPrincipal& w, const QString& nombre, const QString& titulo) {
    auto* contenido = new QLabel(titulo);
    contenido->setObjectName(nombre);
    QMdiSubWindow* s = w.areaMdi()->addSubWindow(contenido);
    s->setWindowTitle(titulo);
    s->resize(200, 150);
    s->show();
    return s;
  }

 private slots:
  void arranqueDejaUsablesSoloSeleccionarSalirVentanaYAyuda() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    QCOMPARE(w.windowTitle(), QString("ARBELIO"));
    QCOMPARE(MenusVisibles(w), QStringList({"&Archivo", "&Herramientas", "Ve&ntana", "Ay&uda"}));

    QStringList habilitadas;
    for (const char* nombre :
         {"mnuANuevoProyecto", "mnuAAgregarBD", "mnuAGuardarCorte", "mnuAGuardarCálculos",
          "mnuASalir", "mnuHerramientas", "mnuCNuevoCorte", "mnuHerrCálculos", "mnuCálOpciones",
          "mnuCálCalcular", "mnuVMosaicoHorizontal", "mnuVMosaicoVertical", "mnuVCascada",
          "mnuVOrganizarIconos", "mnuAyudaContenido", "mnAyudaAcercaDe"}) {
      QAction* a = w.accion(QString::fromUtf8(nombre));
      QVERIFY2(a != nullptr, nombre);
      if (a->isEnabled()) habilitadas << QString::fromUtf8(nombre);
    }
    QCOMPARE(habilitadas, QStringList({"mnuAAgregarBD", "mnuASalir", "mnuVMosaicoHorizontal",
                                       "mnuVMosaicoVertical", "mnuVCascada", "mnuVOrganizarIconos",
                                       "mnuAyudaContenido", "mnAyudaAcercaDe"}));
    // The workspace folders exist.
    QVERIFY(std::filesystem::is_directory(estado.rutas.BDTemp));
    QVERIFY(std::filesystem::is_directory(estado.rutas.BDOut));
    QVERIFY(std::filesystem::is_directory(estado.rutas.BDCorte));
  }

  void captionsAtajosYEntradasOcultas() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    const QList<QPair<QString, QString>> captions = {
        {"mnuArchivo", "&Archivo"},
        {"mnuANuevoProyecto", "&Nuevo Proyecto..."},
        {"mnuAAgregarBD", "&Seleccionar base de datos..."},
        {"mnuAGuardarCorte", "Guardar &Corte..."},
        {"mnuAGuardarCálculos", "Guardar Cá&lculos..."},
        {"mnuASalir", "&Salir"},
        {"mnuHerramientas", "&Herramientas"},
        {"mnuCNuevoCorte", "&Corte..."},
        {"mnuHerrCálculos", "Cá&lculos"},
        {"mnuCálOpciones", "&Opciones..."},
        {"mnuCálCalcular", "&Calcular"},
        {"mnuVentana", "Ve&ntana"},
        {"mnuVMosaicoHorizontal", "Mosaico &horizontal"},
        {"mnuVMosaicoVertical", "Mosaico &vertical"},
        {"mnuVCascada", "&Cascada"},
        {"mnuVOrganizarIconos", "&Organizar iconos"},
        {"mnuAyuda", "Ay&uda"},
        {"mnuAyudaContenido", "&Contenido"},
        {"mnAyudaAcercaDe", "&Acerca de..."},
        {"mnuPU2EliminarFila", "Eliminar fila"},
        {"mnuPU2OrdenarPorColumna", "Ordenar"}};
    for (const auto& [nombre, caption] : captions) {
      QAction* a = w.accion(nombre);
      QVERIFY2(a != nullptr, qPrintable(nombre));
      QCOMPARE(a->text(), caption);
    }
    QCOMPARE(w.accion("mnuANuevoProyecto")->shortcut(), QKeySequence("Ctrl+N"));
    QCOMPARE(w.accion("mnuAAgregarBD")->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(w.accion("mnuASalir")->shortcut(), QKeySequence("Ctrl+Q"));
    QVERIFY(!w.accion("mnuAGenerarBDT")->isVisible());
    QCOMPARE(w.accion("mnuAGenerarBDT")->text(), QString("&Generar Base de datos de Trabajo"));
    QVERIFY(!w.accion("mnuCálculos")->isVisible());  // the menu holding "&Configurar"
    QCOMPARE(w.accion("mnuCálConfig")->text(), QString("&Configurar"));
    // "Menú2" is a pop-up only.
    QCOMPARE(w.menuEmergente()->title(), QString("Menú2"));
    QVERIFY(!w.menuBar()->actions().contains(w.menuEmergente()->menuAction()));
    // Archivo: entries and separators in their order.
    QStringList orden;
    for (QAction* a : qobject_cast<QMenu*>(w.accion("mnuArchivo")->menu())->actions())
      if (a->isVisible()) orden << a->objectName();
    QCOMPARE(orden,
             QStringList({"mnuANuevoProyecto", "mnuAbar1", "mnuAAgregarBD", "mnuAbar2",
                          "mnuAGuardarCorte", "mnuAGuardarCálculos", "mnuAbar3", "mnuASalir"}));
  }

  void losMenusSiguenAlModelo() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    estado.menus.alElegirArchivoValido();
    QVERIFY(w.accion("mnuHerramientas")->isEnabled());
    QVERIFY(w.accion("mnuCálCalcular")->isEnabled());
    QVERIFY(w.accion("mnuANuevoProyecto")->isEnabled());
    estado.menus.alGenerarBaseTrabajo();
    QVERIFY(!w.accion("mnuAAgregarBD")->isEnabled());
    estado.menus.alTerminarCalculo();
    QVERIFY(w.accion("mnuAGuardarCálculos")->isEnabled());
  }

  void entradaSinConstruirDiceQueNoEstaDisponible() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    CapturaMensajes captura;
    captura.armar();
    w.accion("mnuAAgregarBD")->trigger();
    captura.desarmar();
    QCOMPARE(captura.textos, QStringList({QString::fromUtf8(kMensajeNoDisponible)}));
    QCOMPARE(captura.titulos, QStringList({"VERDANIA"}));

    int llamadas = 0;
    w.asignarOrden("mnuAAgregarBD", [&] { ++llamadas; });
    w.accion("mnuAAgregarBD")->trigger();
    QCOMPARE(llamadas, 1);
  }

  void nuevoProyectoDescargaLasVentanasRegistradasYVuelveAlInicio() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    w.mostrarSplash();
    // A window of a later subsystem registers itself when it loads: its frame goes with it.
    QPointer<QMdiSubWindow> corte = NuevaHija(w, "Herramienta", "Herramienta de Corte");
    w.registrarVentana(VentanaProyecto::FormCorte, corte->widget());
    QPointer<QDialog> opciones = new QDialog(&w);
    opciones->show();
    w.registrarVentana(VentanaProyecto::FormOpcionesCalculos, opciones);
    // Names no longer count: an unregistered window called like a project window stays.
    QPointer<QMdiSubWindow> otra = NuevaHija(w, "FormVisorDatosCorte", "Otra");
    // A registered window the user already closed is no trouble.
    QPointer<QMdiSubWindow> cerrada = NuevaHija(w, "Visor", "Visor");
    w.registrarVentana(VentanaProyecto::FormVisorDatosCalculos, cerrada->widget());
    delete cerrada.data();
    Progreso(w.interaccion(), "x", "", true).terminar();
    QPointer<FormInfoProgreso> progreso = w.interaccion().progreso();
    estado.menus.alElegirArchivoValido();
    estado.HayBasesSeleccionadas = true;
    estado.SufijoTablas = "Kb";
    std::ofstream(estado.rutas.BDTemp + "/DATDEF00.dbf") << "x";
    std::ofstream(estado.rutas.BDOut + "/EcuasKb.dbf") << "x";
    std::ofstream(estado.rutas.BDOut + "/ParcelKb.dbf") << "x";

    w.accion("mnuANuevoProyecto")->setEnabled(true);
    w.accion("mnuANuevoProyecto")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QVERIFY(corte.isNull());
    QVERIFY(opciones.isNull());
    QVERIFY(progreso.isNull());
    QVERIFY(w.splash() == nullptr);
    QVERIFY(!otra.isNull());
    QVERIFY(!estado.HayBasesSeleccionadas);
    QVERIFY(!w.accion("mnuHerramientas")->isEnabled());
    QVERIFY(!std::filesystem::exists(estado.rutas.BDTemp + "/DATDEF00.dbf"));
    QVERIFY(std::filesystem::exists(estado.rutas.BDOut + "/EcuasKb.dbf"));
    QVERIFY(!std::filesystem::exists(estado.rutas.BDOut + "/ParcelKb.dbf"));
  }

  void unaOrdenQueFallaDaSuMensajeYLaVentanaSigue() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    bool despues = false;
    w.asignarOrden("mnuCNuevoCorte", [&] {
      Progreso p(w.interaccion(), "Cargando", "", false);
      throw std::runtime_error("sin plantilla");
      despues = true;
    });
    FalloOrden propio = FalloOrden::Prefijo("Error guardando cálculos: ");
    w.asignarOrden(
        "mnuAGuardarCálculos", [] { throw 42; }, propio);
    w.accion("mnuCNuevoCorte")->setEnabled(true);
    w.accion("mnuAGuardarCálculos")->setEnabled(true);
    CapturaMensajes captura;
    captura.armar();
    w.accion("mnuCNuevoCorte")->trigger();
    w.accion("mnuAGuardarCálculos")->trigger();
    captura.desarmar();
    QCOMPARE(captura.textos, QStringList({QString::fromUtf8("Error sin plantilla"),
                                          QString::fromUtf8("Error guardando cálculos: Error "
                                                            "desconocido")}));
    QCOMPARE(captura.titulos, QStringList({"VERDANIA", "VERDANIA"}));
    QVERIFY(!despues);
    QVERIFY(!w.interaccion().progreso()->isVisible());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(w.isVisible());
  }

  void ventanaOrganizaYListaLasHijas() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.resize(900, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QList<QMdiSubWindow*> hijas = {NuevaHija(w, "A", "Uno"), NuevaHija(w, "B", "Dos"),
                                   NuevaHija(w, "C", "Tres")};
    const QRect area = w.areaMdi()->viewport()->rect();

    w.accion("mnuVMosaicoVertical")->trigger();
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(hijas[i]->geometry().top(), 0);
      QCOMPARE(hijas[i]->geometry().height(), area.height());
      QVERIFY(qAbs(hijas[i]->geometry().width() - area.width() / 3) <= 1);
    }
    QVERIFY(hijas[0]->geometry().right() < hijas[1]->geometry().left() + 1);

    w.accion("mnuVMosaicoHorizontal")->trigger();
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(hijas[i]->geometry().left(), 0);
      QCOMPARE(hijas[i]->geometry().width(), area.width());
      QVERIFY(qAbs(hijas[i]->geometry().height() - area.height() / 3) <= 1);
    }

    w.accion("mnuVCascada")->trigger();
    QVERIFY(hijas[0]->pos() != hijas[1]->pos());

    hijas[0]->showMinimized();
    hijas[1]->showMinimized();
    w.accion("mnuVOrganizarIconos")->trigger();
    QCOMPARE(hijas[0]->geometry().bottom(), area.height() - 1);
    QCOMPARE(hijas[0]->x(), 0);
    QCOMPARE(hijas[1]->x(), hijas[0]->width());

    auto* menu = qobject_cast<QMenu*>(w.accion("mnuVentana")->menu());
    emit menu->aboutToShow();
    QStringList lista;
    for (QAction* a : menu->actions())
      if (!a->isSeparator() && a->objectName().isEmpty()) lista << a->text();
    QCOMPARE(lista, QStringList({"&1 Uno", "&2 Dos", "&3 Tres"}));
    emit menu->aboutToShow();  // rebuilt, not appended
    int n = 0;
    for (QAction* a : menu->actions())
      if (!a->isSeparator() && a->objectName().isEmpty()) ++n;
    QCOMPARE(n, 3);
  }

  void carpetaDeTrabajoImposibleAvisaYNoCarga() {
    CarpetaTemporal base;
    const std::string ocupado = base.archivo("ocupado");
    std::ofstream(ocupado) << "x";  // a file where the folder should go
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    CapturaMensajes captura;
    captura.armar();
    const bool cargada =
        w.cargar(ConstruirRutas({ARBELIO_PROGRAM_DIR, ocupado, std::string(ARBELIO_PROGRAM_DIR)}));
    captura.desarmar();
    QVERIFY(!cargada);
    QCOMPARE(captura.textos.size(), 1);
    QVERIFY(captura.textos[0].contains(QString::fromStdString(ocupado + "/BDTemp")));
    QVERIFY(captura.textos[0].contains("--home"));
  }

  void salirCierraLaVentana() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    w.show();
    QSignalSpy cerrada(&w, &MDIPrincipal::cerrada);
    w.accion("mnuASalir")->trigger();
    QCOMPARE(cerrada.count(), 1);
    QVERIFY(!w.isVisible());
    // Exit does not clean the workspace.
    QVERIFY(std::filesystem::is_directory(estado.rutas.BDTemp));
  }

  // Qt's own dialogs speak Spanish: the standard buttons and the file dialog.
  void losDialogosDeQtEnEspanol() {
    QVERIFY(CargarTraduccionesQt(*QCoreApplication::instance()));
    QDialogButtonBox botones(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
    QCOMPARE(botones.button(QDialogButtonBox::Cancel)->text().remove('&'), QString("Cancelar"));
    QCOMPARE(botones.button(QDialogButtonBox::Save)->text().remove('&'), QString("Guardar"));
    QFileDialog dialogo;
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    auto* etiqueta = dialogo.findChild<QLabel*>("fileNameLabel");
    QVERIFY(etiqueta != nullptr);
    QVERIFY2(!etiqueta->text().contains("File name"), qPrintable(etiqueta->text()));
    QCOMPARE(QLocale().decimalPoint(), QString(","));
  }

  // The main window and its children carry the program's icon.
  void iconoDelPrograma() {
    CarpetaTemporal home;
    EstadoAplicacion estado;
    MDIPrincipal w(estado);
    QVERIFY(w.cargar(RutasDePrueba(home)));
    QVERIFY(!w.windowIcon().isNull());
    QCOMPARE(QApplication::windowIcon().cacheKey(), w.windowIcon().cacheKey());
    QMdiSubWindow* hija = NuevaHija(w, "Hija", "Hija");
    QCOMPARE(hija->windowIcon().cacheKey(), w.windowIcon().cacheKey());
  }
};

QTEST_MAIN(PruebaMDIPrincipal)
#include "test_mdiprincipal.moc"
