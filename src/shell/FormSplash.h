// FormSplash: the start-up splash and, once it has been closed, the About box. While the
// splash is up (SplashCerrado false) a click anywhere on it or a key press unloads it; in About
// mode only "Aceptar" (or the title bar) closes it. Unloading sets SplashCerrado.
#pragma once

#include <QDialog>

#include "shell/EstadoComun.h"

class QFrame;
class QLabel;
class QPushButton;

namespace arbelio::shell {

class FormSplash : public QDialog {
  Q_OBJECT

 public:
  // Loads the window: picture, labels, placement; in About mode shows "Aceptar". It deletes
  // itself when unloaded.
  FormSplash(EstadoComun& estado, QWidget* principal);

  QLabel* Image1;
  QLabel* Label1;
  QLabel* lblCompanyProduct;
  QLabel* LabelParticipantes;
  QLabel* LabelRemitirerrores;
  QPushButton* CommandAceptar;
  QFrame* Frame2;
  QFrame* Frame3;

  // Closes the splash if it may be closed by a click (start-up mode). True if it closed.
  bool cerrarSiEsSplash();

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  void mousePressEvent(QMouseEvent* evento) override;
  void keyPressEvent(QKeyEvent* evento) override;
  void closeEvent(QCloseEvent* evento) override;

 private:
  EstadoComun& estado_;
};

}  // namespace arbelio::shell
