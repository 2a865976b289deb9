// Draws the main window with the start-up splash, the About box, the progress dialog and the
// help viewer, and saves a picture of the whole screen for each into the folder given.
// scripts/screenshots.sh runs it under Xvfb.
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "../comun/CarpetaTemporal.h"
#include "shell/Ayuda.h"
#include "shell/EspacioTrabajo.h"
#include "shell/FormAyuda.h"
#include "shell/FormSplash.h"
#include "shell/MDIPrincipal.h"

namespace {

void Esperar(int ms) {
  QEventLoop bucle;
  QTimer::singleShot(ms, &bucle, &QEventLoop::quit);
  bucle.exec();
}

bool Capturar(const QString& ruta) {
  Esperar(400);
  QPixmap foto = QGuiApplication::primaryScreen()->grabWindow(0);
  return !foto.isNull() && foto.save(ruta, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "uso: arbelio-capturas CARPETA\n");
    return 2;
  }
  const QString salida = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(salida);
  arbelio::pruebas::CarpetaTemporal home;

  using namespace arbelio::shell;
  EstadoComun estado;
  const std::string programa = CarpetaDelEjecutable(argv[0]);
  MDIPrincipal w(estado);
  if (!w.cargar(ConstruirRutas({programa, home.ruta(), std::nullopt}))) return 1;
  w.showMaximized();
  Esperar(300);
  w.mostrarSplash();
  bool bien = Capturar(salida + "/principal-splash.png");

  w.splash()->close();
  Esperar(100);
  w.accion("mnAyudaAcercaDe")->trigger();
  bien = Capturar(salida + "/acerca-de.png") && bien;
  w.splash()->close();

  // A calculation under way, as the tree pass shows it.
  InteraccionQt& ui = w.interaccion();
  ui.mostrarProgreso("Progreso de cálculos", "Calculando...", true,
                     PosicionProgreso::ArribaDerecha);
  ui.progresoCalculos("cálculos de árbol individual");
  ui.progresoPosicion("1234");
  ui.progresoBarra(42);
  bien = Capturar(salida + "/progreso.png") && bien;
  ui.ocultarProgreso();
  ui.relojArena(false);

  // The help viewer on the contents page, beside the main window.
  if (FormAyuda* ayuda = MostrarAyuda(kAyudaPrincipal, estado.rutas, ui)) {
    ayuda->setGeometry(180, 60, 760, 640);
    bien = Capturar(salida + "/ayuda.png") && bien;
    ayuda->close();
  }
  return bien ? 0 : 1;
}
