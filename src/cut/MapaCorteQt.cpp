#include "cut/MapaCorteQt.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "shell/OrdenQt.h"
#include "store/FileOps.h"

namespace arbelio::cut {

PanelMapaCorteQt::PanelMapaCorteQt(shell::Interaccion& ui, QWidget* padre)
    : QWidget(padre), ui_(ui) {
  setObjectName("MapaCorte");
  lienzo = new QWidget(this);
  lienzo->setObjectName("LienzoMapa");
  lienzo->setMinimumSize(240, 180);
  lienzo->installEventFilter(this);
  CommandGuardarMapa = new QPushButton(QString::fromUtf8(kCaptionGuardarMapa), this);
  CommandGuardarMapa->setObjectName("CommandGuardarMapa");
  CommandGuardarMapa->setEnabled(false);
  shell::ConectarOrden(CommandGuardarMapa, &QPushButton::clicked, ui_,
                       [this] { GuardarMapaComo(modelo_.mapa(), ui_); });
  auto* l = new QVBoxLayout(this);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(lienzo, 1);
  l->addWidget(CommandGuardarMapa, 0, Qt::AlignRight);
}

void PanelMapaCorteQt::actualizar(const std::string& BDTemp,
                                  const inventory::ListaDeParcelas& lista) {
  if (store::findFileNoCase(BDTemp, "Datdef00.dbf").empty() ||
      store::findFileNoCase(BDTemp, "Especi00.dbf").empty()) {
    hayMapa_ = false;
    modelo_.olvidar();
  } else {
    // The map only shows the cut: a working database it cannot read leaves it empty (the
    // commands that use that database report the failure themselves).
    try {
      store::OpenOptions soloLectura;
      soloLectura.readOnly = true;
      store::Database trabajo = store::Database::open(BDTemp, soloLectura);
      modelo_.actualizar(trabajo, lista);
      hayMapa_ = true;
    } catch (const std::exception&) {
      hayMapa_ = false;
      modelo_.olvidar();
    }
  }
  CommandGuardarMapa->setEnabled(hayMapa_);
  lienzo->update();
}

bool PanelMapaCorteQt::eventFilter(QObject* objeto, QEvent* evento) {
  if (objeto == lienzo && evento->type() == QEvent::Paint && hayMapa_) {
    // The core draws at the panel's size: the screen shows what the saved file holds.
    const shell::ImagenRgba img = DibujaMapa(modelo_.mapa(), lienzo->width(), lienzo->height());
    const QImage imagen(img.pixeles().data(), img.ancho(), img.alto(), img.ancho() * 4,
                        QImage::Format_RGBA8888);
    QPainter p(lienzo);
    p.drawImage(0, 0, imagen);
    return true;
  }
  return QWidget::eventFilter(objeto, evento);
}

}  // namespace arbelio::cut
