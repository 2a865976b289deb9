#include "results/FormVisorDatosCalculos.h"

#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabBar>
#include <QTableView>

#include "shell/MDIPrincipal.h"
#include "shell/OrdenQt.h"
#include "shell/Progreso.h"
#include "shell/TablaModeloQt.h"
#include "shell/TwipsQt.h"

namespace arbelio::results {

namespace {

constexpr int kTwipsPorPixel = 15;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QRect Rectangulo(const Caja& c) {
  return {shell::Twips(c.x), shell::Twips(c.y), shell::Twips(c.ancho), shell::Twips(c.alto)};
}

}  // namespace

FormVisorDatosCalculos::FormVisorDatosCalculos(const EstadoAplicacion& estado,
                                               shell::Interaccion& ui, QWidget* padre)
    : QWidget(padre), estado_(estado), modelo_(estado), ui_(ui) {
  setObjectName("FormVisorDatosCalculos");
  setWindowTitle(QString::fromUtf8(kCaptionVisorCalculos));

  TabStrip1 = new QTabBar(this);
  TabStrip1->setObjectName("TabStrip1");
  TabStrip1->setExpanding(false);
  TabStrip1->setUsesScrollButtons(true);
  for (const PestanaVisor& p : modelo_.pestanas()) {
    const int i = TabStrip1->addTab(QString::fromUtf8(p.caption));
    TabStrip1->setTabToolTip(i, QString::fromUtf8(p.ayuda));
  }

  rejilla_ = new shell::TablaModeloQt(modelo_.fuente(), this);
  MSFlexGridMuestraCalculos = new QTableView(this);
  MSFlexGridMuestraCalculos->setObjectName("MSFlexGridMuestraCalculos");
  MSFlexGridMuestraCalculos->setModel(rejilla_);
  shell::PrepararRejillaVisor(MSFlexGridMuestraCalculos);

  CommandGuardarTabla = new QPushButton(QString::fromUtf8(kCaptionGuardarTabla), this);
  CommandGuardarTabla->setObjectName("CommandGuardarTabla");
  CommandOrdenarColumna = new QPushButton(QString::fromUtf8(kCaptionOrdenarColumna), this);
  CommandOrdenarColumna->setObjectName("CommandOrdenarColumna");
  CommandOrdenarColumna->setToolTip(QString::fromUtf8(kAyudaOrdenarColumna));
  Label23 = new QLabel(QString::fromUtf8(kCaptionNumeroRegistros), this);
  Label23->setObjectName("Label23");
  LabelNRegistros = new QLabel(this);
  LabelNRegistros->setObjectName("LabelNRegistros");
  CommandGraficos = new QPushButton(QString::fromUtf8(kCaptionGraficos), this);
  CommandGraficos->setObjectName("CommandGraficos");

  const shell::FalloOrden fallo = shell::FalloOrden::Prefijo("Error ");
  connect(TabStrip1, &QTabBar::currentChanged, this, [this, fallo](int i) {
    if (i < 0) return;
    shell::EjecutarOrden(ui_, fallo, [this, i] {
      // The grid lets go of the table it shows before the next one is read.
      rejilla_->fijarFuente(nullptr);
      modelo_.PulsarPestana(i);
      pintar();
    });
  });
  shell::ConectarSeleccionVisor(MSFlexGridMuestraCalculos, ui_, modelo_,
                                [this] { pintarSeleccion(); });
  shell::ConectarOrden(CommandOrdenarColumna, &QPushButton::clicked, ui_, [this] {
    if (!modelo_.Ordenar()) return;
    rejilla_->recargar();
    pintarSeleccion();
  });
  shell::ConectarOrden(CommandGuardarTabla, &QPushButton::clicked, ui_,
                       [this] { modelo_.GuardarTabla(ui_); });
  shell::ConectarOrden(CommandGraficos, &QPushButton::clicked, ui_, [this] {
    // The charts read their tables once (the whole tree table for the scatter) and keep
    // nothing of BDOut open.
    if (!graficos_) {
      shell::RelojArena reloj(ui_);
      graficos_ = new FormGraficosCalculos(estado_, ui_, this);
      graficos_->setWindowFlag(Qt::Window);
    }
    graficos_->show();
    graficos_->raise();
  });
  pintar();
}

void FormVisorDatosCalculos::pintar() {
  if (rejilla_->fuente() != modelo_.fuente().get()) rejilla_->fijarFuente(modelo_.fuente());
  LabelNRegistros->setText(Q(modelo_.textoRegistros()));
  LabelNRegistros->adjustSize();
  shell::AjustarColumnas(MSFlexGridMuestraCalculos);
  pintarSeleccion();
}

void FormVisorDatosCalculos::pintarSeleccion() {
  shell::PintarSeleccion(MSFlexGridMuestraCalculos, modelo_.seleccionRejilla());
  CommandOrdenarColumna->setEnabled(modelo_.ordenarHabilitado());
}

void FormVisorDatosCalculos::resizeEvent(QResizeEvent* evento) {
  QWidget::resizeEvent(evento);
  if (isMinimized()) return;
  const std::array<QWidget*, 4> linea = {CommandGuardarTabla, CommandOrdenarColumna, Label23,
                                         LabelNRegistros};
  std::array<int, 4> anchos{};
  for (std::size_t i = 0; i < linea.size(); ++i)
    anchos[i] = linea[i]->sizeHint().width() * kTwipsPorPixel;
  const DisposicionVisor d =
      DisponerVisor(width() * kTwipsPorPixel, height() * kTwipsPorPixel,
                    TabStrip1->sizeHint().height() * kTwipsPorPixel,
                    MSFlexGridMuestraCalculos->height() * kTwipsPorPixel, anchos);
  TabStrip1->setGeometry(Rectangulo(d.pestanas));
  MSFlexGridMuestraCalculos->setGeometry(Rectangulo(d.rejilla));
  const int y = shell::Twips(d.yLineaInferior);
  for (std::size_t i = 0; i < linea.size(); ++i) {
    const QSize s = linea[i]->sizeHint();
    // The labels sit on the buttons' middle line.
    const int dy = (CommandGuardarTabla->sizeHint().height() - s.height()) / 2;
    linea[i]->setGeometry(shell::Twips(d.xLineaInferior[i]), y + std::max(0, dy), s.width(),
                          s.height());
  }
  // "Gráficos" at the right end of the line, under the grid's right edge.
  const QSize g = CommandGraficos->sizeHint();
  CommandGraficos->setGeometry(std::max(0, shell::Twips(d.rejilla.x + d.rejilla.ancho) - g.width()),
                               y, g.width(), g.height());
}

void VistaResultadosQt::mostrar() {
  descargar();
  QMdiArea* area = principal_.areaMdi();
  auto* ventana = new FormVisorDatosCalculos(estado_, principal_.interaccion());
  ventana_ = ventana;
  QMdiSubWindow* sub = area->addSubWindow(ventana);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowTitle(ventana->windowTitle());
  const Caja c = CajaInicialVisor(area->viewport()->width() * kTwipsPorPixel,
                                  area->viewport()->height() * kTwipsPorPixel);
  sub->setGeometry(Rectangulo(c));
  principal_.registrarVentana(shell::VentanaProyecto::FormVisorDatosCalculos, ventana);
  sub->show();
  area->setActiveSubWindow(sub);
}

void VistaResultadosQt::descargar() {
  if (!ventana_) return;
  QWidget* marco = ventana_.data();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(ventana_->parentWidget())) marco = sub;
  // Deleted now, not later: the next run empties BDOut, where the viewer holds its table.
  delete marco;
}

}  // namespace arbelio::results
