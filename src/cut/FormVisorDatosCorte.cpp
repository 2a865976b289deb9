#include "cut/FormVisorDatosCorte.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "cut/FormCorte.h"
#include "results/VisorDatosCalculos.h"
#include "shell/MDIPrincipal.h"
#include "shell/OrdenQt.h"
#include "shell/TablaModeloQt.h"
#include "shell/TwipsQt.h"

namespace arbelio::cut {

namespace {

constexpr int kTwipsPorPixel = 15;

QString U(const char* s) {
  return QString::fromUtf8(s);
}

}  // namespace

FormVisorDatosCorte::FormVisorDatosCorte(EstadoAplicacion& estado, shell::Interaccion& ui,
                                         QWidget* padre)
    : QWidget(padre), modelo_(estado), ui_(ui) {
  setObjectName("FormVisorDatosCorte");
  setWindowTitle(U(kCaptionVisorCorte));

  auto* etiquetaVer = new QLabel(U(kCaptionVerTabla), this);
  ComboTablasCorte = new QComboBox(this);
  ComboTablasCorte->setObjectName("ComboTablasCorte");
  for (const VistaDatosCorte& v : kVistasCorte) ComboTablasCorte->addItem(U(v.caption));

  rejilla_ = new shell::TablaModeloQt(modelo_.fuente(), this);
  MSFlexGridMuestraCorte = new QTableView(this);
  MSFlexGridMuestraCorte->setObjectName("MSFlexGridMuestraCorte");
  MSFlexGridMuestraCorte->setModel(rejilla_);
  shell::PrepararRejillaVisor(MSFlexGridMuestraCorte);

  CommandEliminarFila = new QPushButton(U(kCaptionEliminarFila), this);
  CommandEliminarFila->setObjectName("CommandEliminarFila");
  CommandOrdenarColumna = new QPushButton(U(kCaptionOrdenarColumnaCorte), this);
  CommandOrdenarColumna->setObjectName("CommandOrdenarColumna");
  CommandOrdenarColumna->setToolTip(U(results::kAyudaOrdenarColumna));
  CommandGuardarEstaTabla = new QPushButton(U(kCaptionGuardarEstaTabla), this);
  CommandGuardarEstaTabla->setObjectName("CommandGuardarEstaTabla");
  auto* etiquetaRegistros = new QLabel(U(kCaptionNRegistros), this);
  LabelNRegistros = new QLabel(this);
  LabelNRegistros->setObjectName("LabelNRegistros");
  LabelNRegistros->setMinimumWidth(80);

  auto* arriba = new QHBoxLayout;
  arriba->addWidget(etiquetaVer);
  arriba->addWidget(ComboTablasCorte);
  arriba->addStretch(1);
  auto* abajo = new QHBoxLayout;
  abajo->addWidget(CommandEliminarFila);
  abajo->addWidget(CommandOrdenarColumna);
  abajo->addWidget(CommandGuardarEstaTabla);
  abajo->addSpacing(20);
  abajo->addWidget(etiquetaRegistros);
  abajo->addWidget(LabelNRegistros);
  abajo->addStretch(1);
  auto* todo = new QVBoxLayout(this);
  todo->addLayout(arriba);
  todo->addWidget(MSFlexGridMuestraCorte, 1);
  todo->addLayout(abajo);

  connect(ComboTablasCorte, &QComboBox::activated, this, [this](int i) {
    if (i >= 0) mostrarVista(i);
  });
  shell::ConectarSeleccionVisor(MSFlexGridMuestraCorte, ui_, modelo_,
                                [this] { pintarSeleccion(); });
  shell::ConectarOrden(CommandEliminarFila, &QPushButton::clicked, ui_, [this] {
    if (modelo_.CommandEliminarFila_Click(ui_)) rejilla_->recargar();
    pintar();
  });
  shell::ConectarOrden(CommandOrdenarColumna, &QPushButton::clicked, ui_, [this] {
    shell::RelojArena reloj(ui_);
    if (!modelo_.CommandOrdenarColumna_Click()) return;
    rejilla_->recargar();
    pintarSeleccion();
  });
  shell::ConectarOrden(CommandGuardarEstaTabla, &QPushButton::clicked, ui_,
                       [this] { modelo_.CommandGuardarEstaTabla_Click(ui_); });
  pintar();
}

void FormVisorDatosCorte::mostrarVista(int vista) {
  ComboTablasCorte->setEnabled(false);
  shell::EjecutarOrden(ui_, shell::FalloOrden::Prefijo("Error "), [this, vista] {
    shell::RelojArena reloj(ui_);
    rejilla_->fijarFuente(nullptr);
    modelo_.MuestraCorte(vista);
  });
  ComboTablasCorte->setEnabled(true);
  pintar();
}

void FormVisorDatosCorte::recargar() {
  mostrarVista(modelo_.vista());
}

void FormVisorDatosCorte::pintar() {
  if (rejilla_->fuente() != modelo_.fuente().get()) {
    rejilla_->fijarFuente(modelo_.fuente());
    shell::AjustarColumnas(MSFlexGridMuestraCorte);
  }
  ComboTablasCorte->setCurrentIndex(modelo_.vista());
  LabelNRegistros->setText(QString::fromStdString(modelo_.textoRegistros()));
  CommandGuardarEstaTabla->setEnabled(modelo_.guardarHabilitado());
  pintarSeleccion();
}

void FormVisorDatosCorte::pintarSeleccion() {
  shell::PintarSeleccion(MSFlexGridMuestraCorte, modelo_.seleccion());
  CommandEliminarFila->setEnabled(modelo_.eliminarHabilitado());
  CommandOrdenarColumna->setEnabled(modelo_.ordenarHabilitado());
}

void VistaVisorCorteQt::mostrar() {
  descargar();
  QMdiArea* area = principal_.areaMdi();
  auto* ventana = new FormVisorDatosCorte(estado_, principal_.interaccion());
  ventana->modelo().alCambiarCorte = [this] {
    if (alCambiarCorte) alCambiarCorte();
  };
  ventana_ = ventana;
  QMdiSubWindow* sub = area->addSubWindow(ventana);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowTitle(ventana->windowTitle());
  const results::Caja c = results::CajaInicialVisor(area->viewport()->width() * kTwipsPorPixel,
                                                    area->viewport()->height() * kTwipsPorPixel);
  sub->setGeometry(shell::Twips(c.x), shell::Twips(c.y), shell::Twips(c.ancho),
                   shell::Twips(c.alto));
  principal_.registrarVentana(shell::VentanaProyecto::FormVisorDatosCorte, ventana);
  sub->show();
  area->setActiveSubWindow(sub);
}

void VistaVisorCorteQt::recargar() {
  if (ventana_) ventana_->recargar();
}

void VistaVisorCorteQt::descargar() {
  if (!ventana_) return;
  QWidget* marco = ventana_.data();
  if (auto* sub = qobject_cast<QMdiSubWindow*>(ventana_->parentWidget())) marco = sub;
  delete marco;
}

void ConectaVisorCorte(VistaCorteQt& corte, VistaVisorCorteQt& visor) {
  corte.abrirVisor = [&visor] { visor.mostrar(); };
  corte.alAplicar = [&visor] { visor.recargar(); };
  visor.alCambiarCorte = [&corte] {
    if (corte.ventana() != nullptr) corte.ventana()->pintar();
  };
}

}  // namespace arbelio::cut
