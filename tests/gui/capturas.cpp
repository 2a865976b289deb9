// Draws the main window with the start-up splash, the About box, the progress dialog, the help
// viewer, the cut tool with a cut of the sample province, the calculation options and the
// results viewer over that cut, and saves a picture of the whole screen for each into the
// folder given. scripts/screenshots.sh runs it under Xvfb.
#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <filesystem>

#include "../comun/CarpetaTemporal.h"
#include "../comun/Muestra.h"
#include "calc/FormOpcionesCalculos.h"
#include "cut/FormCorte.h"
#include "import/FormListaProvincias.h"
#include "import/SeleccionBaseDatos.h"
#include "results/CalculosVentanaQt.h"
#include "shell/Ayuda.h"
#include "shell/EspacioTrabajo.h"
#include "shell/FormAyuda.h"
#include "shell/FormSplash.h"
#include "shell/InteraccionGuionada.h"
#include "shell/MDIPrincipal.h"
#include "shell/TraduccionesQt.h"
#include "state/EstadoAplicacion.h"

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
  arbelio::shell::CargarTraduccionesQt(app);
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

  // The sample province selected (the questions answered No).
  arbelio::import::VistaListaProvinciasQt lista(w);
  arbelio::import::ConectaImportacion(w, estado, lista);
  arbelio::results::CalculosVentanaQt calculos(w, estado);
  const std::string prov = arbelio::pruebas::CopiaMuestra47(programa, home.archivo("prov47"));
  InteraccionGuionada guion(estado);
  guion.archivos.push_back(prov + "/Piesma47.dbf");
  arbelio::import::mnuAAgregarBD_Click(estado, guion, lista);

  // The cut tool over the sample province: species 21 with at least 25 % of the basal area,
  // or municipality 094 of province 47, applied with "algún criterio".
  arbelio::cut::VistaCorteQt vista(w, estado);
  arbelio::cut::ConectaCorte(w, estado, vista);
  w.accion("mnuCNuevoCorte")->trigger();
  if (arbelio::cut::FormCorte* f = vista.ventana()) {
    auto& h = f->herramienta();
    h.ComboEspeciesPresentes.Elegir(0);
    h.ComboMayorMenor.Elegir(2);
    h.ComboUmbralAB.Elegir(8);
    h.CommandOKEspecies_Click();
    h.ComboMunProvincias_Click(0);
    h.ComboMunicipios.Escribir("94");
    h.CommandOKMunicipios_Click();
    h.OptionAplicarVarios_Click();
    h.criterios.OptionTodosCriterios = false;
    h.CommandAplicarVarios_Click(ui);
    f->pintar();
    f->parentWidget()->setGeometry(0, 0, 1010, 660);
    bien = Capturar(salida + "/corte.png") && bien;
    f->SSTabCriterios->setCurrentIndex(arbelio::cut::kSolapaInforme);
    bien = Capturar(salida + "/corte-informe.png") && bien;
    f->parentWidget()->close();
  } else {
    bien = false;
  }

  // "&Opciones...": the working database is generated and the dialog shows, with every table
  // ticked.
  w.accion("mnuCálOpciones")->trigger();
  arbelio::calc::FormOpcionesCalculos* opciones = calculos.opciones();
  if (opciones == nullptr) return 1;
  opciones->CheckTodasTablas->click();
  opciones->move(w.geometry().center() - opciones->rect().center());
  bien = Capturar(salida + "/opciones-calculo.png") && bien;

  // "Aceptar", then the run over the cut (its warnings answered by the script) and the viewer
  // it opens, on the plot table with the basal area column selected.
  opciones->CommandOpcionesCalculosAceptar->click();
  arbelio::calc::HazCalculos(estado, guion, calculos.entorno());
  arbelio::results::FormVisorDatosCalculos* visor = calculos.visor().ventana();
  if (visor == nullptr) return 1;
  visor->TabStrip1->setCurrentIndex(1);
  QHeaderView* cabecera = visor->MSFlexGridMuestraCalculos->horizontalHeader();
  emit cabecera->sectionClicked(8);
  bien = Capturar(salida + "/visor-resultados.png") && bien;
  return bien ? 0 : 1;
}
