// Draws the main window with the start-up splash, the About box, the progress dialog, the help
// viewer and the equation editor over the bundled sample province, and saves a picture of the
// whole screen for each into the folder given. scripts/screenshots.sh runs it under Xvfb.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "../comun/CarpetaTemporal.h"
#include "equations/FormConfigCalculos.h"
#include "import/BaseDatosTrabajo.h"
#include "import/ListaProvincias.h"
#include "import/SeleccionBaseDatos.h"
#include "shell/Ayuda.h"
#include "shell/EspacioTrabajo.h"
#include "shell/FormAyuda.h"
#include "shell/FormSplash.h"
#include "shell/InteraccionGuionada.h"
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
  arbelio::EstadoAplicacion estado;
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

  // The equation editor over the sample province (selected with the questions answered No):
  // one equation accepted, a second one with its first parameter given.
  const std::string prov = home.archivo("prov47");
  std::filesystem::create_directories(prov);
  for (const char* t : {"Datest47", "Piesma47", "Piesme47", "Tiposx47", "Matorr47"})
    std::filesystem::copy_file(programa + "/samples/47/" + t + ".dbf", prov + "/" + t + ".dbf");
  InteraccionGuionada guion(estado);
  guion.archivos.push_back(prov + "/Piesma47.dbf");
  arbelio::import::ListaProvinciasEnMemoria lista;
  arbelio::import::mnuAAgregarBD_Click(estado, guion, lista);
  arbelio::import::mnuAGenerarBDT_Click(estado, guion);
  arbelio::equations::EditorEcuacionesQt editor(w, estado);
  w.accion("mnuCálConfig")->trigger();
  arbelio::equations::FormConfigCalculos* f = editor.ventana();
  if (f == nullptr) return 1;
  const auto elegir = [](QComboBox* c, const char* texto) {
    const int i = c->findText(QString::fromUtf8(texto));
    c->setCurrentIndex(i);
    emit c->activated(i);
  };
  const auto teclear = [](QComboBox* c, const char* texto) {
    c->setFocus();
    c->lineEdit()->setText(QString::fromUtf8(texto));
    emit c->lineEdit()->textEdited(c->lineEdit()->text());
    QKeyEvent intro(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(c, &intro);
  };
  elegir(f->ComboEspecie, "21");
  elegir(f->ComboForma, "Todas");
  elegir(f->ComboCalidad, "Todas");
  elegir(f->ComboVariable, "VCC (dm3)");
  teclear(f->ComboBoxEq, "a*DN^b");
  teclear(f->ComboParamValor, "0,05");
  teclear(f->ComboParamValor, "2.1");
  f->CommandAceptar->click();
  elegir(f->ComboEspecie, "45");
  elegir(f->ComboForma, "3");
  elegir(f->ComboVariable, "VSC (dm3)");
  teclear(f->ComboBoxEq, "c+d*DN^2*HT");
  teclear(f->ComboParamValor, "-1,5");
  bien = Capturar(salida + "/editor-ecuaciones.png") && bien;
  return bien ? 0 : 1;
}
