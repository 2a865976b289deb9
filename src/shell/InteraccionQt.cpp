#include "shell/InteraccionQt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>

namespace arbelio::shell {
namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

bool EsEntradaDeUsuario(QEvent::Type t) {
  switch (t) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

// Folder and proposed file name of a file dialog as one path.
QString RutaInicial(const DialogoArchivo& d) {
  if (d.nombreInicial.empty()) return Q(d.carpetaInicial);
  if (d.carpetaInicial.empty()) return Q(d.nombreInicial);
  return Q(d.carpetaInicial + "/" + d.nombreInicial);
}

}  // namespace

bool FiltroOperacionQt::eventFilter(QObject* objeto, QEvent* evento) {
  if (!EsEntradaDeUsuario(evento->type())) return false;
  auto* w = qobject_cast<QWidget*>(objeto);
  if (w == nullptr) return false;
  if (permitido && (w == permitido || permitido->isAncestorOf(w))) return false;
  return true;
}

class InteraccionQt::Pausa {
 public:
  explicit Pausa(InteraccionQt& ui) : ui_(ui), estaba_(ui.filtroActivo_), reloj_(ui.reloj_) {
    ui_.activarFiltro(false);
    if (reloj_) QApplication::restoreOverrideCursor();
  }
  ~Pausa() {
    if (reloj_) QApplication::setOverrideCursor(Qt::WaitCursor);
    ui_.activarFiltro(estaba_);
  }

 private:
  InteraccionQt& ui_;
  bool estaba_;
  bool reloj_;
};

InteraccionQt::InteraccionQt(EstadoComun& estado, QWidget* principal)
    : Interaccion(estado.CalculoCancelado),
      principal_(principal),
      filtro_(new FiltroOperacionQt(nullptr)) {}

InteraccionQt::~InteraccionQt() {
  activarFiltro(false);
  relojArena(false);
  delete filtro_;
}

void InteraccionQt::activarFiltro(bool activo) {
  if (activo == filtroActivo_ || qApp == nullptr) return;
  if (activo)
    qApp->installEventFilter(filtro_);
  else
    qApp->removeEventFilter(filtro_);
  filtroActivo_ = activo;
}

Respuesta InteraccionQt::mensaje(const std::string& texto, const std::string& titulo,
                                 IconoMensaje icono, BotonesMensaje botones) {
  Pausa pausa(*this);
  QMessageBox caja(principal_);
  caja.setWindowTitle(Q(titulo));
  caja.setText(Q(texto));
  switch (icono) {
    case IconoMensaje::Ninguno:
      caja.setIcon(QMessageBox::NoIcon);
      break;
    case IconoMensaje::Informacion:
      caja.setIcon(QMessageBox::Information);
      break;
    case IconoMensaje::Exclamacion:
      caja.setIcon(QMessageBox::Warning);
      break;
    case IconoMensaje::Critico:
      caja.setIcon(QMessageBox::Critical);
      break;
    case IconoMensaje::Pregunta:
      caja.setIcon(QMessageBox::Question);
      break;
  }
  QAbstractButton* si = nullptr;
  QAbstractButton* aceptar = nullptr;
  switch (botones) {
    case BotonesMensaje::Aceptar:
      aceptar = caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      break;
    case BotonesMensaje::SiNo:
      si = caja.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
      caja.setDefaultButton(static_cast<QPushButton*>(si));
      caja.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
      break;
    case BotonesMensaje::AceptarCancelar:
      aceptar = caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
      caja.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
      break;
  }
  caja.exec();
  switch (botones) {
    case BotonesMensaje::Aceptar:
      return Respuesta::Aceptar;
    case BotonesMensaje::SiNo:
      return caja.clickedButton() == si ? Respuesta::Si : Respuesta::No;
    case BotonesMensaje::AceptarCancelar:
      return caja.clickedButton() == aceptar ? Respuesta::Aceptar : Respuesta::Cancelar;
  }
  return Respuesta::Aceptar;
}

std::optional<std::string> InteraccionQt::entrada(const std::string& texto,
                                                  const std::string& titulo,
                                                  const std::string& valorInicial) {
  Pausa pausa(*this);
  QInputDialog dialogo(principal_);
  dialogo.setWindowTitle(Q(titulo));
  dialogo.setLabelText(Q(texto));
  dialogo.setTextValue(Q(valorInicial));
  dialogo.setOkButtonText(QStringLiteral("Aceptar"));
  dialogo.setCancelButtonText(QStringLiteral("Cancelar"));
  if (dialogo.exec() != QDialog::Accepted) return std::nullopt;
  return dialogo.textValue().toStdString();
}

QString InteraccionQt::FiltroQt(const std::string& filtro) {
  const QStringList partes = Q(filtro).split(QLatin1Char('|'));
  QStringList filtros;
  for (int i = 0; i + 1 < partes.size(); i += 2) {
    const QString descripcion = partes[i].trimmed();
    const QString patrones = QString(partes[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
    const QString sufijo = QStringLiteral("(") + patrones + QStringLiteral(")");
    filtros << (descripcion.endsWith(sufijo) ? descripcion
                                             : descripcion + QLatin1Char(' ') + sufijo);
  }
  if (filtros.isEmpty() && !partes.isEmpty() && !partes[0].isEmpty()) filtros << partes[0];
  return filtros.join(QStringLiteral(";;"));
}

std::optional<std::string> InteraccionQt::abrirArchivo(const DialogoArchivo& d) {
  Pausa pausa(*this);
  QString r =
      QFileDialog::getOpenFileName(principal_, Q(d.titulo), RutaInicial(d), FiltroQt(d.filtro));
  if (r.isEmpty()) return std::nullopt;
  return r.toStdString();
}

std::optional<std::string> InteraccionQt::guardarArchivo(const DialogoArchivo& d) {
  Pausa pausa(*this);
  const QFileDialog::Options opciones =
      d.confirmarReemplazo ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
  QString r = QFileDialog::getSaveFileName(principal_, Q(d.titulo), RutaInicial(d),
                                           FiltroQt(d.filtro), nullptr, opciones);
  if (r.isEmpty()) return std::nullopt;
  return r.toStdString();
}

FormInfoProgreso* InteraccionQt::progreso() {
  if (!progreso_) progreso_ = new FormInfoProgreso(calculoCancelado_, principal_);
  return progreso_;
}

void InteraccionQt::descargarProgreso() {
  activarFiltro(false);
  if (progreso_) delete progreso_.data();
}

void InteraccionQt::mostrarProgreso(const std::string& titulo, const std::string& explicacion,
                                    bool conCancelar, PosicionProgreso posicion) {
  FormInfoProgreso* f = progreso();
  f->setWindowTitle(Q(titulo));
  f->LabelInfoProgreso->setText(Q(explicacion));
  f->ProgressBar1->setValue(0);
  f->LabelZ->clear();
  f->LabelProgresoFixed->show();
  f->LabelZ->show();
  f->LabelqueCalculos->hide();
  f->CommandCancelar->setVisible(conCancelar);
  f->ajustarAltura();
  f->show();
  // The frame of a window that shows for the first time is known only once the window system
  // has mapped it; let that happen so the placement counts the title bar.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (posicion == PosicionProgreso::Centrado)
    f->colocarCentrado();
  else
    f->colocarArribaDerecha();
  f->raise();
  filtro_->permitido = f;
  activarFiltro(true);
}

void InteraccionQt::progresoExplicacion(const std::string& explicacion) {
  progreso()->LabelInfoProgreso->setText(Q(explicacion));
  progreso()->ajustarAltura();
  progreso()->LabelInfoProgreso->repaint();
}

void InteraccionQt::progresoPosicion(const std::string& texto) {
  progreso()->LabelZ->setText(Q(texto));
  // Painted at once at most every 50 ms; in between the text waits for the next handling of
  // events (a repaint per tree would cost more than the tree's calculation).
  const auto ahora = std::chrono::steady_clock::now();
  if (ahora - ultimoPintado_ >= std::chrono::milliseconds(50)) {
    ultimoPintado_ = ahora;
    progreso()->LabelZ->repaint();
  }
}

void InteraccionQt::progresoCalculos(const std::string& texto) {
  progreso()->LabelqueCalculos->setText(Q(texto));
  progreso()->LabelqueCalculos->show();
}

void InteraccionQt::progresoEtiquetas(bool progresoFijo, bool posicion, bool calculos) {
  progreso()->LabelProgresoFixed->setVisible(progresoFijo);
  progreso()->LabelZ->setVisible(posicion);
  progreso()->LabelqueCalculos->setVisible(calculos);
}

void InteraccionQt::progresoBarra(int porcentaje) {
  progreso()->ProgressBar1->setValue(porcentaje);
}

void InteraccionQt::ocultarProgreso() {
  activarFiltro(false);
  if (progreso_) progreso_->hide();
}

void InteraccionQt::ceder() {
  // Events (Cancelar, repaints) are handled at most every 10 ms: often enough for the window
  // to answer at once, rarely enough not to slow a pass that yields after every tree.
  const auto ahora = std::chrono::steady_clock::now();
  if (ahora - ultimoCeder_ < std::chrono::milliseconds(10)) return;
  ultimoCeder_ = ahora;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void InteraccionQt::relojArena(bool activo) {
  if (activo == reloj_) return;
  if (activo)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
  reloj_ = activo;
}

}  // namespace arbelio::shell
