// Draws the main window with the start-up splash, the About box, the progress dialog, the help
// viewer, the cut tool with a cut of the sample province, the cut data viewer, the calculation
// options, the results viewer over that cut and the equation editor, and saves a picture of the
// whole screen for each into the folder given. scripts/screenshots.sh runs it under Xvfb.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "../comun/CarpetaTemporal.h"
#include "../comun/Muestra.h"
#include "calc/FormOpcionesCalculos.h"
#include "cut/FormCorte.h"
#include "cut/FormVisorDatosCorte.h"
#include "cut/MapaCorteQt.h"
#include "equations/FormConfigCalculos.h"
#include "import/FormListaProvincias.h"
#include "import/SeleccionBaseDatos.h"
#include "results/CalculosVentanaQt.h"
#include "results/FormGraficosCalculos.h"
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
  arbelio::cut::VistaVisorCorteQt visorCorte(w, estado);
  arbelio::cut::ConectaVisorCorte(vista, visorCorte);
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
    // "Mostrar corte": the full large-tree view with a row selected.
    f->CommandVerDatosCorte->click();
    if (arbelio::cut::FormVisorDatosCorte* v = visorCorte.ventana()) {
      v->ComboTablasCorte->setCurrentIndex(3);
      emit v->ComboTablasCorte->activated(3);
      const QModelIndex celda = v->MSFlexGridMuestraCorte->model()->index(2, 0);
      emit v->MSFlexGridMuestraCorte->clicked(celda);
      bien = Capturar(salida + "/visor-corte.png") && bien;
      visorCorte.descargar();
    } else {
      bien = false;
    }
    // The map of that cut, as "Guardar mapa..." writes it.
    try {
      arbelio::cut::GuardarMapaPng(f->mapaCorte->mapa(),
                                   (salida + "/mapa-corte.png").toStdString());
    } catch (const std::exception&) {
      bien = false;
    }
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
  // The sampling statistics, then the charts of the run, one picture per tab.
  visor->TabStrip1->setCurrentIndex(visor->TabStrip1->count() - 1);
  bien = Capturar(salida + "/visor-estadisticos.png") && bien;
  visor->CommandGraficos->click();
  if (arbelio::results::FormGraficosCalculos* g = visor->graficos()) {
    g->setGeometry(20, 20, 980, 700);
    const char* nombres[] = {"/graficos-distribucion.png", "/graficos-especies.png",
                             "/graficos-altura-diametro.png"};
    for (int i = 0; i < g->Pestanas->count(); ++i) {
      g->Pestanas->setCurrentIndex(i);
      bien = Capturar(salida + nombres[i]) && bien;
    }
    g->close();
  } else {
    bien = false;
  }

  visor->parentWidget()->close();

  // The equation editor ("&Configurar"): one equation accepted, a second one with its first
  // parameter given.
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
