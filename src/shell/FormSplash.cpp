#include "shell/FormSplash.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/Ayuda.h"
#include "shell/TwipsQt.h"

namespace arbelio::shell {

FormSplash::FormSplash(EstadoComun& estado, QWidget* principal)
    : QDialog(principal, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      estado_(estado) {
  setObjectName("FormSplash");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8(kCaptionAcercaDe));
  setModal(false);

  QFont arial(QStringLiteral("Arial"));
  arial.setStyleHint(QFont::SansSerif);

  Frame2 = new QFrame(this);
  Frame2->setObjectName("Frame2");
  Frame2->setFrameShape(QFrame::Box);
  Frame3 = new QFrame(this);
  Frame3->setObjectName("Frame3");
  Frame3->setFrameShape(QFrame::Box);

  Image1 = new QLabel(Frame2);
  Image1->setObjectName("Image1");
  QPixmap foto(QString::fromStdString(estado_.rutas.Images + "/" + kImagenSplash));
  if (!foto.isNull())
    Image1->setPixmap(
        foto.scaled(Twips(3600), Twips(4200), Qt::KeepAspectRatio, Qt::SmoothTransformation));
  Image1->setFixedSize(Twips(3600), Twips(4200));
  Image1->setAlignment(Qt::AlignCenter);

  Label1 = new QLabel(QString::fromUtf8(kCaptionPrincipal), Frame2);
  Label1->setObjectName("Label1");
  QFont titulo = arial;
  titulo.setPointSize(28);
  titulo.setBold(true);
  Label1->setFont(titulo);
  Label1->setStyleSheet("color: #1f5a2a;");

  lblCompanyProduct = new QLabel(QString::fromUtf8(kTextoProducto), Frame2);
  lblCompanyProduct->setObjectName("lblCompanyProduct");
  QFont producto = arial;
  producto.setPointSize(11);
  lblCompanyProduct->setFont(producto);
  lblCompanyProduct->setWordWrap(true);

  LabelParticipantes = new QLabel(QString::fromStdString(TextoParticipantes()), Frame3);
  LabelParticipantes->setObjectName("LabelParticipantes");
  QFont pequena = arial;
  pequena.setPointSize(9);
  LabelParticipantes->setFont(pequena);
  LabelParticipantes->setWordWrap(true);

  LabelRemitirerrores = new QLabel(QString::fromStdString(TextoRemitirErrores()), Frame3);
  LabelRemitirerrores->setObjectName("LabelRemitirerrores");
  LabelRemitirerrores->setFont(pequena);
  LabelRemitirerrores->setWordWrap(true);

  CommandAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
  CommandAceptar->setObjectName("CommandAceptar");
  CommandAceptar->hide();
  connect(CommandAceptar, &QPushButton::clicked, this, &QDialog::close);

  auto* textos = new QVBoxLayout;
  textos->addStretch(1);
  textos->addWidget(Label1);
  textos->addWidget(lblCompanyProduct);
  textos->addStretch(2);
  auto* marco2 = new QHBoxLayout(Frame2);
  marco2->addWidget(Image1);
  marco2->addLayout(textos, 1);

  auto* marco3 = new QVBoxLayout(Frame3);
  marco3->addWidget(LabelParticipantes);
  marco3->addWidget(LabelRemitirerrores);

  auto* botones = new QHBoxLayout;
  botones->addStretch(1);
  botones->addWidget(CommandAceptar);

  auto* columna = new QVBoxLayout(this);
  columna->addWidget(Frame2, 1);
  columna->addWidget(Frame3);
  columna->addLayout(botones);
  setFixedSize(Twips(8400), Twips(6600));

  // Clicks on the labels, the picture and the frames close the splash too.
  for (QWidget* w :
       std::initializer_list<QWidget*>{Image1, Label1, lblCompanyProduct, LabelParticipantes,
                                       LabelRemitirerrores, Frame2, Frame3})
    w->installEventFilter(this);

  // Centred horizontally on the screen, 800 twips above the vertical centre.
  if (QScreen* pantalla = principal ? principal->screen() : QGuiApplication::primaryScreen()) {
    QRect area = pantalla->geometry();
    move(area.left() + (area.width() - width()) / 2,
         area.top() + (area.height() - height()) / 2 - Twips(800));
  }

  if (estado_.SplashCerrado) CommandAceptar->show();
}

bool FormSplash::cerrarSiEsSplash() {
  if (!SplashSeCierraConClic(estado_)) return false;
  close();
  return true;
}

bool FormSplash::eventFilter(QObject* objeto, QEvent* evento) {
  if (evento->type() == QEvent::MouseButtonPress && cerrarSiEsSplash()) return true;
  return QDialog::eventFilter(objeto, evento);
}

void FormSplash::mousePressEvent(QMouseEvent* evento) {
  if (!cerrarSiEsSplash()) QDialog::mousePressEvent(evento);
}

void FormSplash::keyPressEvent(QKeyEvent* evento) {
  if (!cerrarSiEsSplash()) QDialog::keyPressEvent(evento);
}

void FormSplash::closeEvent(QCloseEvent* evento) {
  estado_.SplashCerrado = true;
  QDialog::closeEvent(evento);
}

}  // namespace arbelio::shell
