#include "import/FormListaProvincias.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "import/BaseDatosTrabajo.h"
#include "import/SeleccionBaseDatos.h"
#include "shell/FuenteTexto.h"
#include "shell/MDIPrincipal.h"
#include "shell/OrdenQt.h"
#include "shell/TablaModeloQt.h"
#include "shell/TwipsQt.h"

namespace arbelio::import {

namespace {

constexpr int kTwipsPorPixel = 15;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

FormListaProvincias::FormListaProvincias(QWidget* padre) : QWidget(padre) {
  setObjectName("FormListaProvincias");
  setWindowTitle(QString::fromUtf8(kCaptionListaProvincias));

  filas_ = std::make_shared<shell::FuenteTexto>(ColumnasListaProvincias());
  rejilla_ = new shell::TablaModeloQt(filas_, this);
  MSFlexGridListaProvincias = new QTableView(this);
  MSFlexGridListaProvincias->setObjectName("MSFlexGridListaProvincias");
  MSFlexGridListaProvincias->setModel(rejilla_);
  MSFlexGridListaProvincias->verticalHeader()->hide();
  MSFlexGridListaProvincias->setEditTriggers(QAbstractItemView::NoEditTriggers);
  MSFlexGridListaProvincias->setStyleSheet("QTableView { background: white; }");

  StatusBarTotalesListProv = new QStatusBar(this);
  StatusBarTotalesListProv->setObjectName("StatusBarTotalesListProv");
  StatusBarTotalesListProv->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < paneles.size(); ++i) {
    paneles[i] = new QLabel(StatusBarTotalesListProv);
    paneles[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    paneles[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBarTotalesListProv->addWidget(paneles[i]);
  }

  auto* disposicion = new QVBoxLayout(this);
  disposicion->setContentsMargins(0, 0, 0, 0);
  disposicion->setSpacing(0);
  disposicion->addWidget(MSFlexGridListaProvincias, 1);
  disposicion->addWidget(StatusBarTotalesListProv);
  pintar();
}

void FormListaProvincias::pintar() {
  filas_->fijarFilas(modelo_.filasRejilla());
  rejilla_->recargar();
  const auto textos = modelo_.paneles();
  for (std::size_t i = 0; i < paneles.size(); ++i) paneles[i]->setText(Q(textos[i]));
}

void FormListaProvincias::resizeEvent(QResizeEvent* evento) {
  QWidget::resizeEvent(evento);
  const GeometriaListaProvincias geo =
      GeometriaParaTamano(width() * kTwipsPorPixel, height() * kTwipsPorPixel, textos());
  MSFlexGridListaProvincias->setFixedHeight(std::max(0, shell::Twips(geo.alturaGrid)));
  for (int c = 0; c < 4; ++c)
    MSFlexGridListaProvincias->setColumnWidth(
        c, std::max(0, shell::Twips(geo.anchosColumnas[static_cast<std::size_t>(c)])));
  for (std::size_t i = 0; i < paneles.size(); ++i)
    paneles[i]->setFixedWidth(std::max(0, shell::Twips(geo.anchosPaneles[i])));
}

TextosListaProvincias FormListaProvincias::textos() const {
  TextosListaProvincias t;
  const QFontMetrics cabecera = MSFlexGridListaProvincias->horizontalHeader()->fontMetrics();
  for (std::size_t c = 0; c < t.cabeceras.size(); ++c)
    t.cabeceras[c] =
        cabecera.horizontalAdvance(QString::fromUtf8(kCabeceraListaProvincias[c])) * kTwipsPorPixel;
  t.panelTotales = paneles[0]->fontMetrics().horizontalAdvance(QString::fromUtf8(kPanelTotales)) *
                   kTwipsPorPixel;
  return t;
}

ListaProvincias& VistaListaProvinciasQt::mostrarLista() {
  if (!ventana_) {
    ventana_ = new FormListaProvincias;
    QMdiArea* area = principal_.areaMdi();
    // Closing the window only hides it, so its rows and totals stay with the selection and
    // "Ventana" brings it back; New project unloads it.
    QMdiSubWindow* sub = area->addSubWindow(ventana_);
    sub->setAttribute(Qt::WA_DeleteOnClose, false);
    sub->setWindowTitle(ventana_->windowTitle());
    const int ancho = shell::Twips(AnchoInicialListaProvincias(ventana_->textos()));
    const int alto = shell::Twips(kAltoListaProvincias);
    sub->setGeometry(area->viewport()->width() - ancho - shell::Twips(kDerechaListaProvincias),
                     shell::Twips(kArribaListaProvincias), ancho, alto);
    principal_.registrarVentana(shell::VentanaProyecto::FormListaProvincias, ventana_);
  }
  ventana_->parentWidget()->show();
  ventana_->show();
  return ventana_->modelo();
}

void VistaListaProvinciasQt::listaCambiada() {
  if (ventana_) ventana_->pintar();
}

void ConectaImportacion(shell::MDIPrincipal& principal, EstadoAplicacion& estado,
                        VistaListaProvinciasQt& vista, shell::Interaccion* ui) {
  shell::Interaccion* interaccion = ui ? ui : &principal.interaccion();
  principal.asignarOrden("mnuAAgregarBD", [&estado, &vista, interaccion] {
    mnuAAgregarBD_Click(estado, *interaccion, vista);
  });
  auto generar = [&estado, interaccion] { GeneraBaseTrabajoSiFalta(estado, *interaccion); };
  principal.asignarOrden("mnuAGenerarBDT", generar);
  // Developer path to the hidden entry (a hidden action cannot be triggered itself).
  auto* atajo = new QAction(&principal);
  atajo->setObjectName("atajoGenerarBDT");
  atajo->setShortcut(QKeySequence("Ctrl+Shift+G"));
  atajo->setShortcutContext(Qt::ApplicationShortcut);
  shell::ConectarOrden(atajo, &QAction::triggered, *interaccion, [&principal, generar] {
    if (principal.estado().menus.habilitada(shell::EntradaMenu::AGenerarBDT)) generar();
  });
  principal.addAction(atajo);
}

}  // namespace arbelio::import
