#include "shell/MDIPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "shell/Ayuda.h"
#include "shell/EjecutarOrden.h"
#include "shell/EspacioTrabajo.h"
#include "shell/FormAyuda.h"
#include "shell/OrdenQt.h"
#include "store/Memoria.h"

namespace arbelio::shell {

MDIPrincipal::MDIPrincipal(EstadoComun& estado, QWidget* padre)
    : QMainWindow(padre), estado_(estado), ui_(std::make_unique<InteraccionQt>(estado, this)) {
  setObjectName("MDIPrincipal");
  resize(1000, 700);
  // Memory the store keeps from freed tables serves the command at work; while no command runs
  // (the window waits for the user), it goes back to the system.
  auto* devolver = new QTimer(this);
  devolver->setInterval(1000);
  connect(devolver, &QTimer::timeout, this, [] {
    if (!OrdenEnCurso()) store::DevuelveAreasLibres();
  });
  devolver->start();

  areaMdi_ = new QMdiArea(this);
  areaMdi_->setObjectName("areaMdi");
  areaMdi_->setBackground(QColor(0x80, 0x80, 0x80));
  areaMdi_->viewport()->installEventFilter(this);
  setCentralWidget(areaMdi_);

  QMenuBar* barra = menuBar();
  barra->setNativeMenuBar(false);

  QMenu* archivo = nuevoMenu(nullptr, "mnuArchivo", "&Archivo");
  nuevaAccion(archivo, "mnuANuevoProyecto", "&Nuevo Proyecto...", QKeySequence("Ctrl+N"));
  archivo->addSeparator()->setObjectName("mnuAbar1");
  nuevaAccion(archivo, "mnuAAgregarBD", "&Seleccionar base de datos...", QKeySequence("Ctrl+S"));
  nuevaAccion(archivo, "mnuAGenerarBDT", "&Generar Base de datos de Trabajo")->setVisible(false);
  archivo->addSeparator()->setObjectName("mnuAbar2");
  nuevaAccion(archivo, "mnuAGuardarCorte", "Guardar &Corte...");
  nuevaAccion(archivo, "mnuAGuardarCálculos", "Guardar Cá&lculos...");
  archivo->addSeparator()->setObjectName("mnuAbar3");
  nuevaAccion(archivo, "mnuASalir", "&Salir", QKeySequence("Ctrl+Q"));

  QMenu* herramientas = nuevoMenu(nullptr, "mnuHerramientas", "&Herramientas");
  nuevaAccion(herramientas, "mnuCNuevoCorte", "&Corte...");
  herramientas->addSeparator()->setObjectName("mnubar4");
  QMenu* calculos = nuevoMenu(herramientas, "mnuHerrCálculos", "Cá&lculos");
  nuevaAccion(calculos, "mnuCálOpciones", "&Opciones...");
  nuevaAccion(calculos, "mnuCálCalcular", "&Calcular");

  // Top-level "Cá&lculos" with the equation editor entry: kept hidden.
  QMenu* calculosOculto = nuevoMenu(nullptr, "mnuCálculos", "Cá&lculos");
  nuevaAccion(calculosOculto, "mnuCálConfig", "&Configurar");
  calculosOculto->menuAction()->setVisible(false);

  menuVentana_ = nuevoMenu(nullptr, "mnuVentana", "Ve&ntana");
  nuevaAccion(menuVentana_, "mnuVMosaicoHorizontal", "Mosaico &horizontal");
  nuevaAccion(menuVentana_, "mnuVMosaicoVertical", "Mosaico &vertical");
  nuevaAccion(menuVentana_, "mnuVCascada", "&Cascada");
  nuevaAccion(menuVentana_, "mnuVOrganizarIconos", "&Organizar iconos");
  connect(menuVentana_, &QMenu::aboutToShow, this, &MDIPrincipal::rellenarVentana);

  QMenu* ayuda = nuevoMenu(nullptr, "mnuAyuda", "Ay&uda");
  nuevaAccion(ayuda, "mnuAyudaContenido", "&Contenido");
  nuevaAccion(ayuda, "mnAyudaAcercaDe", "&Acerca de...");

  // "Menú2": pop-up only, never in the menu bar.
  menu2_ = new QMenu(QStringLiteral("Menú2"), this);
  menu2_->setObjectName("mnuPopUpMenú2");
  acciones_.insert("mnuPopUpMenú2", menu2_->menuAction());
  nuevaAccion(menu2_, "mnuPU2EliminarFila", "Eliminar fila");
  nuevaAccion(menu2_, "mnuPU2OrdenarPorColumna", "Ordenar");

  // F1 opens the window's help page.
  auto* f1 = new QAction(this);
  f1->setShortcut(QKeySequence::HelpContents);
  f1->setShortcutContext(Qt::WindowShortcut);
  ConectarOrden(f1, &QAction::triggered, *ui_, [this] { mnuAyudaContenido_Click(); });
  addAction(f1);

  asignarOrden("mnuANuevoProyecto", [this] { mnuANuevoProyecto_Click(); });
  asignarOrden("mnuASalir", [this] { close(); });
  asignarOrden("mnuVMosaicoHorizontal", [this] { mnuVMosaicoHorizontal_Click(); });
  asignarOrden("mnuVMosaicoVertical", [this] { mnuVMosaicoVertical_Click(); });
  asignarOrden("mnuVCascada", [this] { mnuVCascada_Click(); });
  asignarOrden("mnuVOrganizarIconos", [this] { mnuVOrganizarIconos_Click(); });
  asignarOrden("mnuAyudaContenido", [this] { mnuAyudaContenido_Click(); });
  asignarOrden("mnAyudaAcercaDe", [this] { mnAyudaAcercaDe_Click(); });

  // The shell's own windows for New project: first the progress dialog, last the splash.
  ventanas_.registrar(VentanaProyecto::FormInfoProgreso, [this] { ui_->descargarProgreso(); });
  ventanas_.registrar(VentanaProyecto::FormSplash, [this] {
    if (!splash_) return;
    splash_->close();
    if (splash_) delete splash_.data();
  });

  estado_.menus.alCambiar = [this] { reflejarMenus(); };
  reflejarMenus();
}

MDIPrincipal::~MDIPrincipal() {
  estado_.menus.alCambiar = nullptr;
  if (splash_) delete splash_.data();
}

QMenu* MDIPrincipal::nuevoMenu(QMenu* padre, const QString& nombre, const QString& caption) {
  QMenu* m = padre ? padre->addMenu(caption) : menuBar()->addMenu(caption);
  m->setObjectName(nombre);
  m->menuAction()->setObjectName(nombre);
  acciones_.insert(nombre, m->menuAction());
  return m;
}

QAction* MDIPrincipal::nuevaAccion(QMenu* menu, const QString& nombre, const QString& caption,
                                   const QKeySequence& atajo) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(nombre);
  if (!atajo.isEmpty()) a->setShortcut(atajo);
  connect(a, &QAction::triggered, this, [this, nombre] { ejecutar(nombre); });
  acciones_.insert(nombre, a);
  return a;
}

QAction* MDIPrincipal::accion(const QString& nombreControl) const {
  return acciones_.value(nombreControl, nullptr);
}

void MDIPrincipal::asignarOrden(const QString& nombreControl, std::function<void()> orden,
                                FalloOrden fallo) {
  ordenes_.insert(nombreControl, Orden{std::move(orden), std::move(fallo)});
}

void MDIPrincipal::ejecutar(const QString& nombreControl) {
  auto it = ordenes_.constFind(nombreControl);
  if (it != ordenes_.constEnd() && it->orden) {
    // A copy: the command may replace its own entry while it runs.
    const Orden orden = *it;
    EjecutarOrden(*ui_, orden.fallo, orden.orden);
    return;
  }
  ui_->aviso(kMensajeNoDisponible, IconoMensaje::Informacion);
}

void MDIPrincipal::registrarVentana(VentanaProyecto ventana, QWidget* widget) {
  ventanas_.registrar(ventana, [w = QPointer<QWidget>(widget)] {
    if (!w) return;
    QWidget* marco = w.data();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget())) marco = sub;
    QPointer<QWidget> m(marco);
    m->close();
    if (m) delete m.data();
  });
}

void MDIPrincipal::reflejarMenus() {
  for (std::size_t i = 0; i < kNumEntradasMenu; ++i) {
    auto entrada = static_cast<EntradaMenu>(i);
    if (QAction* a = accion(QString::fromStdString(NombreControl(entrada))))
      a->setEnabled(estado_.menus.habilitada(entrada));
  }
}

bool MDIPrincipal::cargar(const RutasPrograma& rutas) {
  setWindowTitle(QString::fromUtf8(kCaptionPrincipal));
  // The program's icon for every window that has none of its own: this frame, its children,
  // the dialogs and the help viewer.
  const QIcon icono(QString::fromStdString(rutas.Images + "/" + kImagenIcono));
  if (!icono.isNull()) {
    QApplication::setWindowIcon(icono);
    setWindowIcon(icono);
  }
  return CargarPrincipal(estado_, *ui_, rutas);
}

FormSplash* MDIPrincipal::mostrarSplash() {
  if (!splash_) splash_ = new FormSplash(estado_, this);
  splash_->show();
  splash_->raise();
  splash_->activateWindow();  // a key press closes the start-up splash
  return splash_;
}

bool MDIPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
  // A click on the empty area of the frame closes the start-up splash.
  if (objeto == areaMdi_->viewport() && evento->type() == QEvent::MouseButtonPress && splash_)
    splash_->cerrarSiEsSplash();
  return QMainWindow::eventFilter(objeto, evento);
}

void MDIPrincipal::closeEvent(QCloseEvent* evento) {
  evento->accept();
  emit cerrada();
}

// ---- Ventana ----

void MDIPrincipal::rellenarVentana() {
  for (QAction* a : accionesListaVentanas_) {
    menuVentana_->removeAction(a);
    a->deleteLater();
  }
  accionesListaVentanas_.clear();
  const QList<QMdiSubWindow*> ventanas = areaMdi_->subWindowList();
  if (ventanas.isEmpty()) return;
  accionesListaVentanas_ << menuVentana_->addSeparator();
  int n = 0;
  for (QMdiSubWindow* v : ventanas) {
    ++n;
    QString texto = n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(v->windowTitle())
                           : QStringLiteral("%1 %2").arg(n).arg(v->windowTitle());
    QAction* a = menuVentana_->addAction(texto);
    a->setCheckable(true);
    a->setChecked(v == areaMdi_->activeSubWindow());
    // A child the user closed but that keeps its contents (the selected databases) is only
    // hidden: choosing it here brings it back.
    connect(a, &QAction::triggered, this, [this, v] {
      if (!v->isVisible()) {
        v->show();
        if (v->widget()) v->widget()->show();
      }
      areaMdi_->setActiveSubWindow(v);
    });
    accionesListaVentanas_ << a;
  }
}

void MDIPrincipal::mnuVCascada_Click() {
  areaMdi_->cascadeSubWindows();
}

namespace {

QList<QMdiSubWindow*> Abiertas(QMdiArea* area) {
  QList<QMdiSubWindow*> r;
  for (QMdiSubWindow* v : area->subWindowList())
    if (v->isVisible() && !v->isMinimized()) r << v;
  return r;
}

}  // namespace

// Tile horizontally: each window takes the full width, stacked one above another.
void MDIPrincipal::mnuVMosaicoHorizontal_Click() {
  const QList<QMdiSubWindow*> v = Abiertas(areaMdi_);
  if (v.isEmpty()) return;
  const QRect r = areaMdi_->viewport()->rect();
  const int n = static_cast<int>(v.size());
  for (int i = 0; i < n; ++i) {
    if (v[i]->isMaximized()) v[i]->showNormal();
    const int y0 = r.height() * i / n;
    const int y1 = r.height() * (i + 1) / n;
    v[i]->setGeometry(0, y0, r.width(), y1 - y0);
  }
}

// Tile vertically: windows side by side, each the full height.
void MDIPrincipal::mnuVMosaicoVertical_Click() {
  const QList<QMdiSubWindow*> v = Abiertas(areaMdi_);
  if (v.isEmpty()) return;
  const QRect r = areaMdi_->viewport()->rect();
  const int n = static_cast<int>(v.size());
  for (int i = 0; i < n; ++i) {
    if (v[i]->isMaximized()) v[i]->showNormal();
    const int x0 = r.width() * i / n;
    const int x1 = r.width() * (i + 1) / n;
    v[i]->setGeometry(x0, 0, x1 - x0, r.height());
  }
}

// Lines up the minimised windows along the bottom edge, left to right, wrapping upwards.
void MDIPrincipal::mnuVOrganizarIconos_Click() {
  const QRect r = areaMdi_->viewport()->rect();
  int x = 0;
  int y = r.height();
  for (QMdiSubWindow* v : areaMdi_->subWindowList()) {
    if (!v->isMinimized()) continue;
    const QSize s = v->size();
    if (x > 0 && x + s.width() > r.width()) {
      x = 0;
      y -= s.height();
    }
    v->move(x, y - s.height());
    x += s.width();
  }
}

// ---- Archivo, Ayuda ----

void MDIPrincipal::mnuANuevoProyecto_Click() {
  NuevoProyecto(estado_, *ui_, ventanas_);
}

void MDIPrincipal::mnuAyudaContenido_Click() {
  MostrarAyuda(kAyudaPrincipal, estado_.rutas, *ui_);
}

void MDIPrincipal::mnAyudaAcercaDe_Click() {
  estado_.SplashCerrado = true;
  FormSplash* f = mostrarSplash();
  f->setWindowTitle(QString::fromUtf8(kCaptionAcercaDe));
  f->CommandAceptar->show();
}

}  // namespace arbelio::shell
