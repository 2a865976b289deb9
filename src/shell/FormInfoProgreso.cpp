#include "shell/FormInfoProgreso.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/TwipsQt.h"

namespace arbelio::shell {

FormInfoProgreso::FormInfoProgreso(bool& calculoCancelado, QWidget* principal)
    : QDialog(principal, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      calculoCancelado_(calculoCancelado),
      principal_(principal) {
  setObjectName("FormInfoProgreso");
  setModal(false);
  // The width is the design's; the height grows with the explanation so it is never cut off
  // (ajustarAltura).
  setFixedSize(Twips(kAnchoTwips), Twips(kAltoTwips));

  LabelInfoProgreso = new QLabel(this);
  LabelInfoProgreso->setObjectName("LabelInfoProgreso");
  LabelInfoProgreso->setWordWrap(true);
  LabelInfoProgreso->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  LabelProgresoFixed = new QLabel(QStringLiteral("Progreso:"), this);
  LabelProgresoFixed->setObjectName("LabelProgresoFixed");
  LabelZ = new QLabel(this);
  LabelZ->setObjectName("LabelZ");
  LabelqueCalculos = new QLabel(QStringLiteral("cálculos "), this);
  LabelqueCalculos->setObjectName("LabelqueCalculos");
  LabelqueCalculos->hide();

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);

  CommandCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
  CommandCancelar->setObjectName("CommandCancelar");
  CommandCancelar->setAutoDefault(false);
  connect(CommandCancelar, &QPushButton::clicked, this, &FormInfoProgreso::CommandCancelar_Click);

  // LabelZ and LabelqueCalculos read as one line: "Progreso: 120 cálculos de parcela".
  auto* lineaPosicion = new QHBoxLayout;
  lineaPosicion->setSpacing(4);
  lineaPosicion->addWidget(LabelProgresoFixed);
  lineaPosicion->addWidget(LabelZ);
  lineaPosicion->addWidget(LabelqueCalculos);
  lineaPosicion->addStretch(1);

  auto* botones = new QHBoxLayout;
  botones->addStretch(1);
  botones->addWidget(CommandCancelar);

  auto* columna = new QVBoxLayout(this);
  columna->addWidget(LabelInfoProgreso, 1);
  columna->addLayout(lineaPosicion);
  columna->addWidget(ProgressBar1);
  columna->addLayout(botones);
}

void FormInfoProgreso::ajustarAltura() {
  const int alto = std::max(Twips(kAltoTwips), layout()->totalHeightForWidth(width()));
  if (alto != height()) setFixedHeight(alto);
}

void FormInfoProgreso::CommandCancelar_Click() {
  calculoCancelado_ = true;
}

void FormInfoProgreso::closeEvent(QCloseEvent* evento) {
  evento->ignore();
}

void FormInfoProgreso::colocarArribaDerecha() {
  if (principal_ == nullptr) return;
  QRect marco = principal_->frameGeometry();
  move(marco.left() + marco.width() - frameGeometry().width(), marco.top());
}

void FormInfoProgreso::colocarCentrado() {
  if (principal_ == nullptr) return;
  QRect marco = principal_->frameGeometry();
  move(marco.left() + (marco.width() - frameGeometry().width()) / 2,
       marco.top() + (marco.height() - frameGeometry().height()) / 2 - Twips(1000));
}

}  // namespace arbelio::shell
